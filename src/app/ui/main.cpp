// The pelvaro executable: start-up, event loop, shutdown.
#include "app/DisplayProbe.h"
#include "app/ui/ProgramLook.h"
#include "app/ui/QtUiServices.h"
#include "app/ui/Screenshots.h"
#include "app/ui/StartupSequence.h"
#include "app/ui/THauptFormular.h"
#include "base/AppInfo.h"
#include "base/ProgramLocale.h"
#include "base/ui/ProgramIcons.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QProcessEnvironment>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>

#include <cstring>

using namespace pelvaro;
using namespace pelvaro::app;
using namespace pelvaro::app::ui;

namespace {

// A platform named on the command line, which Qt prefers to QT_QPA_PLATFORM.
QString platformArgument(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return QString::fromLocal8Bit(argv[i + 1]);
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    // Without a window system Qt would abort with a core dump; say so in one line instead.
    if (const auto problem = DisplayProbe::problem(QProcessEnvironment::systemEnvironment(),
                                                   platformArgument(argc, argv))) {
        QTextStream(stderr) << *problem << Qt::endl;
        return 1;
    }

    // The guard is named after the program file, as the program is called before it has
    // set its own title.
    const QString programName = QFileInfo(QString::fromLocal8Bit(argv[0])).completeBaseName();

    QApplication application(argc, argv);
    QApplication::setOrganizationName(base::AppInfo::organisation());
    QApplication::setApplicationName(base::AppInfo::settingsApplication());
    QApplication::setApplicationVersion(base::AppInfo::version());
    // The desktop knows the program by its desktop file's name (the Wayland application id).
    // No display name is set: Qt would append it to every window title, and the titles are
    // the program's own.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.trevanix.pelvaro"));
    // The program ends with its main window, not with its last window: a help window left
    // open must not keep it running unseen.
    QApplication::setQuitOnLastWindowClosed(false);
    applyProgramLook();
    base::ProgramLocale::apply();
    // Every window, the splash included, carries the program's picture.
    base::ui::ProgramIcons::applyApplicationIcon();

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
        QStringLiteral("Startet normal und beendet sich, sobald das Hauptfenster bereit ist. "
                       "Meldungen gehen dabei auf die Standardfehlerausgabe und werden mit "
                       "ihrer Vorgabe beantwortet."));
    const QCommandLineOption screenshots(
        QStringLiteral("screenshots"),
        QStringLiteral("Speichert Bilder aller Seiten und Fenster im Ordner DIR und beendet sich."),
        QStringLiteral("DIR"));
    parser.addOption(exitAfterStart);
    parser.addOption(screenshots);
    parser.addPositionalArgument(
        QStringLiteral("datei"),
        QStringLiteral("Optional: eine Site-Info-Datei (.sit) oder Auswahldatei (.suc) zum "
                       "Öffnen, jede andere Datei für das Berichtsfenster. Läuft Pelvaro! schon, "
                       "öffnet das laufende Programm die Datei."));
    parser.process(application);

    QtUiServices ui;
    // Nobody watches these runs, so no box may wait for an answer.
    ui.setUnattended(parser.isSet(exitAfterStart) || parser.isSet(screenshots));
    // Made absolute here: a file handed to a running instance is opened from its folder.
    QString startFile = parser.positionalArguments().value(0);
    if (!startFile.isEmpty())
        startFile = QFileInfo(startFile).absoluteFilePath();
    StartupOptions options;
    options.applicationName = programName;
    options.fileToHandOver = startFile;
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
    if (parser.isSet(screenshots))
        window->setStartArgument(startFile);
    else
        // Opened once the window is up, so that a save question or a message has a window.
        QTimer::singleShot(0, window, [window, startFile] { window->openStartFile(startFile); });
    if (parser.isSet(screenshots)) {
        const int failures = renderScreenshots(*window, parser.value(screenshots));
        ui.setDialogParent(nullptr);
        ui.closeWindows();
        const bool saved = startup.shutdown();
        return failures == 0 && saved ? 0 : 1;
    }

    if (parser.isSet(exitAfterStart))
        QTimer::singleShot(0, window, &QWidget::close);
    else
        window->showTipOnFirstActivation();
    const int code = startup.run();
    ui.setDialogParent(nullptr);
    ui.closeWindows();
    const bool saved = startup.shutdown();
    return code == 0 && saved ? 0 : 1;
}
