// The pelvaro executable: start-up, event loop, shutdown.
#include "app/ui/ProgramLook.h"
#include "app/ui/QtUiServices.h"
#include "app/ui/Screenshots.h"
#include "app/ui/StartupSequence.h"
#include "app/ui/THauptFormular.h"
#include "base/AppInfo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

using namespace pelvaro;
using namespace pelvaro::app;
using namespace pelvaro::app::ui;

int main(int argc, char** argv)
{
    // The guard is named after the program file, as the program is called before it has
    // set its own title.
    const QString programName = QFileInfo(QString::fromLocal8Bit(argv[0])).completeBaseName();

    QApplication application(argc, argv);
    QApplication::setOrganizationName(base::AppInfo::organisation());
    QApplication::setApplicationName(base::AppInfo::settingsApplication());
    QApplication::setApplicationVersion(base::AppInfo::version());
    QApplication::setQuitOnLastWindowClosed(true);
    applyProgramLook();

    // Qt's own dialogs (file dialogs above all) speak German like the rest of the program.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Pelvaro! – Web-Site-Anmeldung bei Suchdiensten"));
    parser.addHelpOption();
    const QCommandLineOption exitAfterStart(
        QStringLiteral("exit-after-start"),
        QStringLiteral("Startet normal und beendet sich, sobald das Hauptfenster bereit ist."));
    const QCommandLineOption screenshots(
        QStringLiteral("screenshots"),
        QStringLiteral("Speichert Bilder aller Seiten und Fenster im Ordner DIR und beendet sich."),
        QStringLiteral("DIR"));
    parser.addOption(exitAfterStart);
    parser.addOption(screenshots);
    parser.addPositionalArgument(QStringLiteral("datei"),
                                 QStringLiteral("Optional: eine Datei für das Berichtsfenster."));
    parser.process(application);

    QtUiServices ui;
    StartupOptions options;
    options.applicationName = programName;
    // Pictures are made while the program may run elsewhere, so they skip the guard.
    options.useGuard = !parser.isSet(screenshots);
    StartupSequence startup(ui, options);
    switch (startup.start()) {
    case StartupSequence::Outcome::SecondInstance:
        return 0;
    case StartupSequence::Outcome::Ended:
        startup.shutdown();
        return 1;
    case StartupSequence::Outcome::Running:
        break;
    }

    THauptFormular* window = startup.mainWindow();
    ui.setDialogParent(window);
    if (parser.isSet(screenshots)) {
        const int failures = renderScreenshots(*window, parser.value(screenshots));
        startup.shutdown();
        return failures == 0 ? 0 : 1;
    }

    window->show();
    if (parser.isSet(exitAfterStart))
        QTimer::singleShot(0, window, &QWidget::close);
    const int code = QApplication::exec();
    ui.setDialogParent(nullptr);
    startup.shutdown();
    return code;
}
