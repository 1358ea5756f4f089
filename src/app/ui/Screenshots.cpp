#include "app/ui/Screenshots.h"

#include "app/ProgramOptions.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/SplashWindow.h"
#include "app/ui/TEinstellungenDialog.h"
#include "app/ui/THauptFormular.h"
#include "app/ui/WaitNoticeWindow.h"
#include "base/HelpPages.h"
#include "base/SettingsStore.h"
#include "catalogue/FilterSession.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/ui/DetailsWindow.h"
#include "catalogue/ui/TFilterBox.h"
#include "reports/StandardReport.h"
#include "reports/ui/TStandardBerichtForm.h"
#include "reports/ui/TStatusBerichtFormular.h"
#include "site/ui/KeywordsDialog.h"
#include "submit/SubmissionRun.h"
#include "submit/ui/TThreadForm.h"
#include "submit/ui/ThreadFormShowcase.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <utility>

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
    const auto savePages = [&] {
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            failures += save(mainWindow, directory,
                             QStringLiteral("main-") + pages->widget(i)->objectName())
                            ? 0
                            : 1;
        }
        pages->setCurrentIndex(0);
    };
    if (catalogue::TDataModule1* module = mainWindow.dataModule()) {
        // The list pages show both sides filled: a sample selection that is undone
        // afterwards, so that the user's own selection stays as it was.
        module->trial([&] {
            module->setField(QStringLiteral("Ausgewaehlt"), true,
                             QStringLiteral("Nr % 4 = 0 OR Bewertung >= 4"));
            module->recount();
            savePages();
        });
        module->recount();
        mainWindow.RefreshCounts();
    } else {
        savePages();
    }

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

    if (catalogue::TDataModule1* module = mainWindow.dataModule()) {
        // Kinds V and S, the top rated only, three countries.
        catalogue::FilterCriteria criteria;
        catalogue::FilterSession::State state;
        state.boxes = {true, true, false, false, true, false, true};
        state.countries[8] = state.countries[12] = state.countries[17] = true;
        const std::unique_ptr<catalogue::ui::TFilterBox> filter =
            catalogue::ui::TFilterBox::preview(mainWindow.ui(), *module, criteria, state,
                                               mainWindow.settingsFile());
        failures += save(*filter, directory, QStringLiteral("filter")) ? 0 : 1;
    }

    base::Settings settings = base::Settings::defaults();
    TEinstellungenDialog options(mainWindow.ui(), settings);
    options.chooseProxy(app::ProgramOptions::OtherProxy);
    options.show();
    failures += save(options, directory, QStringLiteral("options")) ? 0 : 1;

    {
        submit::ui::ThreadFormShowcase showcase(mainWindow.ui());
        failures +=
            save(showcase.showRunning(), directory, QStringLiteral("scheduler-running")) ? 0 : 1;
        failures +=
            save(showcase.showFinished(), directory, QStringLiteral("scheduler-finished")) ? 0 : 1;
        // The status page with the finished run's outcome; the window's own lists stay as
        // they are.
        std::vector<submit::ResultRow> successRows;
        std::vector<submit::ResultRow> failureRows;
        for (const QString& line : showcase.successLines())
            successRows.push_back(submit::SubmissionRun::successRow(line));
        for (const QString& line : showcase.failureLines())
            failureRows.push_back(submit::SubmissionRun::failureRow(line));
        const QStringList ownSuccesses =
            std::exchange(mainWindow.ErfolgreichListe, showcase.successLines());
        const QStringList ownFailures =
            std::exchange(mainWindow.FehlgeschlagenListe, showcase.failureLines());
        mainWindow.showResults(successRows, failureRows);
        pages->setCurrentIndex(5);
        failures +=
            save(mainWindow, directory, QStringLiteral("main-TabStatusbericht-run")) ? 0 : 1;

        // The reports of that run: the status report in its window, and the standard report
        // in both views.
        const QSize reportSize(900, 640);
        {
            const auto report = reports::ui::TStatusBerichtFormular::showReportForPicture(
                mainWindow.ui(), mainWindow.reportGenerator(), QDir::tempPath(), reportSize);
            failures += save(*report, directory, QStringLiteral("report")) ? 0 : 1;
        }
        for (const auto& [view, name] :
             {std::pair{reports::StandardReport::View::Dienst, "standard-report-dienst"},
              std::pair{reports::StandardReport::View::Statuscode, "standard-report-statuscode"}}) {
            const auto standard = reports::ui::TStandardBerichtForm::preview(
                mainWindow.ui(), successRows, failureRows, view);
            failures += save(*standard, directory, QLatin1String(name)) ? 0 : 1;
        }
        pages->setCurrentIndex(0);
        mainWindow.ErfolgreichListe = ownSuccesses;
        mainWindow.FehlgeschlagenListe = ownFailures;
        mainWindow.showResults({}, {});
    }

    {
        // The report window editing a page's HTML as plain text.
        QTemporaryDir folder;
        const QString page = folder.filePath(QStringLiteral("index.html"));
        QFile file(page);
        if (file.open(QIODevice::WriteOnly)) {
            file.write("<html>\r\n<head>\r\n<title>Muster GmbH</title>\r\n"
                       "<meta name=\"description\" content=\"Alles \xfc"
                       "ber Muster\">\r\n</head>\r\n<body>\r\n<h1>Willkommen</h1>\r\n"
                       "</body>\r\n</html>\r\n");
            file.close();
        }
        const auto editor = reports::ui::TStatusBerichtFormular::showFileForPicture(
            mainWindow.ui(), page, folder.path(), QSize(900, 640));
        failures += save(*editor, directory, QStringLiteral("report-file-editing")) ? 0 : 1;
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
