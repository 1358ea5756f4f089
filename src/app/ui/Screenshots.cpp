#include "app/ui/Screenshots.h"

#include "app/ui/HelpWindow.h"
#include "app/ui/SplashWindow.h"
#include "app/ui/THauptFormular.h"
#include "app/ui/WaitNoticeWindow.h"
#include "base/HelpPages.h"
#include "catalogue/ui/DetailsWindow.h"
#include "site/ui/KeywordsDialog.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTextStream>

namespace pelvaro::app::ui {

namespace {

bool save(QWidget& widget, const QString& directory, const QString& name)
{
    widget.ensurePolished();
    QCoreApplication::processEvents();
    const bool ok =
        widget.grab().save(directory + QLatin1Char('/') + name + QStringLiteral(".png"));
    if (!ok)
        QTextStream(stderr) << "Bild konnte nicht gespeichert werden: " << name << '\n';
    return ok;
}

} // namespace

int renderScreenshots(THauptFormular& mainWindow, const QString& directory)
{
    QDir().mkpath(directory);
    int failures = 0;
    mainWindow.show();
    QTabWidget* pages = mainWindow.pageControl();
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        failures +=
            save(mainWindow, directory, QStringLiteral("main-") + pages->widget(i)->objectName())
                ? 0
                : 1;
    }
    pages->setCurrentIndex(0);

    SplashWindow splash;
    splash.show();
    failures += save(splash, directory, QStringLiteral("splash")) ? 0 : 1;

    WaitNoticeWindow wait;
    wait.showNotice(QObject::tr("Bitte warten ..."));
    failures += save(wait, directory, QStringLiteral("wait-notice")) ? 0 : 1;

    if (catalogue::ui::DetailsWindow* details = mainWindow.detailsWindow()) {
        details->fill(*mainWindow.dataModule(), 1);
        details->show();
        failures += save(*details, directory, QStringLiteral("details")) ? 0 : 1;
        details->hide();
    }

    site::ui::KeywordsDialog keywords(mainWindow.ui());
    keywords.show();
    failures += save(keywords, directory, QStringLiteral("keywords")) ? 0 : 1;

    HelpWindow help;
    help.showPage(base::HelpPages::page(1));
    failures += save(help, directory, QStringLiteral("help")) ? 0 : 1;
    return failures;
}

} // namespace pelvaro::app::ui
