#include "app/ui/Screenshots.h"

#include "app/ProgramOptions.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/QtUiServices.h"
#include "app/ui/SplashWindow.h"
#include "app/ui/TAboutBox.h"
#include "app/ui/TEinstellungenDialog.h"
#include "app/ui/THauptFormular.h"
#include "app/ui/TTipOfTheDayForm.h"
#include "app/ui/WaitNoticeWindow.h"
#include "base/AppInfo.h"
#include "base/HelpPages.h"
#include "base/SettingsStore.h"
#include "catalogue/FilterSession.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/ui/DetailsWindow.h"
#include "catalogue/ui/TFilterBox.h"
#include "reports/StandardReport.h"
#include "reports/ui/PrintPreviewWindow.h"
#include "reports/ui/TStandardBerichtForm.h"
#include "reports/ui/TStatusBerichtFormular.h"
#include "site/RecentFileList.h"
#include "site/SiteDocument.h"
#include "site/SiteForm.h"
#include "site/SiteRecord.h"
#include "site/ui/KeywordsDialog.h"
#include "submit/RunPreview.h"
#include "submit/SubmissionRun.h"
#include "submit/TEineEngine.h"
#include "submit/ui/TIndexNowForm.h"
#include "submit/ui/TThreadForm.h"
#include "submit/ui/TVorschauForm.h"
#include "submit/ui/ThreadFormShowcase.h"
#include "tools/MetaTagGenerator.h"
#include "tools/MetaTagImporter.h"
#include "tools/ui/FileBrowser.h"
#include "tools/ui/MetaTagPage.h"
#include "tools/ui/TFormManuellHilfe.h"
#include "tools/ui/Tpingform.h"
#include "updates/TWebFileInfo.h"
#include "updates/ui/TWebDlProgress.h"
#include "updates/ui/TWebInfoFileWindow.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>

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

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A site as a user would describe it, for the pictures that show site values.
site::SiteRecord sampleSite()
{
    site::SiteRecord site;
    site.TitleEdit = QStringLiteral("Antiquariat Muster - alte Bücher und Karten");
    site.URLEdit = QStringLiteral("http://www.antiquariat-muster.example/");
    site.DescriptionShortEdit = QStringLiteral("Alte Bücher, Karten und Stiche");
    site.DescriptionMemo = QStringLiteral(
        "Seit 1987 in Lüneburg: Erstausgaben, Reiseliteratur, historische Landkarten und "
        "Stiche, mit Versand in alle Welt.");
    site.KeywordsMemo = QStringLiteral("antiquariat, alte bücher, landkarten, stiche");
    site.FirstNameEdit = QStringLiteral("Erika");
    site.LastNameEdit = QStringLiteral("Muster");
    site.NameVornameWebMasterEdit = QStringLiteral("Erika Muster");
    site.WebmasterEmailEdit = QStringLiteral("erika@antiquariat-muster.example");
    site.CompanyEdit = QStringLiteral("Antiquariat Muster");
    site.PostcodeEdit = QStringLiteral("21335");
    site.CityEdit = QStringLiteral("Lüneburg");
    site.AddressEdit = QStringLiteral("Am Sande 1");
    return site;
}

// The meta-tag page with a generated block, a description too long for its tag marked red,
// and the file browser showing a folder of pages; then the HEAD view of one of them.
int renderMetaTagPictures(THauptFormular& mainWindow, const QString& directory)
{
    int failures = 0;
    QTemporaryDir folder;
    const QByteArray head = "<html>\r\n<head>\r\n<title>Antiquariat Muster</title>\r\n"
                            "<meta name=\"author\" content=\"Erika Muster\">\r\n"
                            "<meta name=\"description\" content=\"Alte B\xfc"
                            "cher und Karten\">\r\n"
                            "<meta name=\"keywords\" content=\"antiquariat, landkarten\">\r\n"
                            "</head>\r\n";
    for (const char* name : {"index.html", "impressum.html", "karten.html", "stiche.htm"})
        writeFile(folder.filePath(QLatin1String(name)), head + "<body></body>\r\n</html>\r\n");
    writeFile(folder.filePath(QStringLiteral("logo.png")), QByteArray(4711, '\0'));

    QTabWidget* pages = mainWindow.pageControl();
    pages->setCurrentIndex(1);
    tools::ui::MetaTagPage& page = mainWindow.metaTagPage();
    const tools::MetaTagForm before = page.form();
    tools::MetaTagForm form;
    form.EditAutor = QStringLiteral("Erika Muster");
    form.EditHerausgeber = QStringLiteral("Antiquariat Muster");
    form.EditCopyright = QStringLiteral("Antiquariat Muster");
    form.MemoKeys = QStringLiteral("antiquariat, alte bücher, erstausgaben, landkarten, stiche");
    form.MemoBeschreibung = QStringLiteral(
        "Seit 1987 in Lüneburg: Erstausgaben, Reiseliteratur, historische Landkarten und "
        "Stiche aus fünf Jahrhunderten. Wir suchen für Sie vergriffene Titel, schätzen "
        "Nachlässe und versenden sorgfältig verpackt in alle Welt. Besuchen Sie auch unser "
        "Ladengeschäft am Sande.");
    form.ComboBoxThema = QStringLiteral("Bücher (Books)");
    form.ComboBoxSeitentyp = QStringLiteral("Katalog/Verzeichnis");
    form.ComboBoxZielgruppe = QStringLiteral("Alle");
    form.ComboBoxIndizierung = 0;
    form.expiry = tools::ExpiryChoice::Nie;
    page.setForm(form);
    page.generateTags();
    page.monitorTick();
    page.fileBrowser()->showFolder(folder.path());
    failures += save(mainWindow, directory, QStringLiteral("metatags")) ? 0 : 1;
    page.setForm(before);
    page.monitorTick();
    pages->setCurrentIndex(0);

    // "HEAD-Abschnitt zeigen" on the first page, read as the button reads it.
    const tools::HeadExtraction extracted = tools::MetaTagImporter::extractHead(
        folder.filePath(QStringLiteral("index.html")), tools::MetaTagImporter::HeadPart::ForView);
    const auto dialog = tools::ui::MetaTagPage::createHeadDialog(extracted.text, &mainWindow);
    dialog->show();
    failures += save(*dialog, directory, QStringLiteral("head-section")) ? 0 : 1;
    return failures;
}

// The assistant as the user sees it: on top, beside the main window.
int renderAssistantPicture(THauptFormular& mainWindow, const QString& directory)
{
    catalogue::TDataModule1* module = mainWindow.dataModule();
    tools::ui::TFormManuellHilfe* assistant = mainWindow.assistant();
    if (!module || !assistant)
        return 0;
    int failures = 0;
    module->trial([&] {
        module->setField(QStringLiteral("Ausgewaehlt"), true, QStringLiteral("NurManuell <> 0"));
        module->recount();
        mainWindow.pageControl()->setCurrentIndex(4);
        assistant->prepare(sampleSite());
        QCoreApplication::processEvents();
        const QPixmap main = mainWindow.grab();
        const QPixmap side = assistant->grab();
        QImage both(main.width() + 16 + side.width(), std::max(main.height(), side.height()),
                    QImage::Format_RGB32);
        both.fill(QColor(0x3a, 0x6e, 0xa5));
        QPainter painter(&both);
        painter.drawPixmap(0, 0, main);
        painter.drawPixmap(main.width() + 16, 0, side);
        painter.end();
        if (!both.save(directory + QStringLiteral("/assistant.png"))) {
            QTextStream(stderr) << "Bild konnte nicht gespeichert werden: assistant\n";
            ++failures;
        }
        assistant->hide();
        mainWindow.pageControl()->setCurrentIndex(0);
    });
    module->recount();
    mainWindow.RefreshCounts();
    return failures;
}

// The ping window after a check of a local web server.
int renderPingPicture(THauptFormular& mainWindow, const QString& directory)
{
    QTcpServer web;
    if (!web.listen(QHostAddress::LocalHost))
        return 0;
    const auto form = tools::ui::Tpingform::showForPicture(
        mainWindow.ui(), QStringLiteral("http://localhost:%1/").arg(web.serverPort()), &mainWindow);
    // The check runs in the event loop; bounded so that a picture never hangs the program.
    QEventLoop loop;
    QTimer poll;
    const QDeadlineTimer deadline(10000);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!form->attemptRunning() || deadline.hasExpired())
            loop.quit();
    });
    poll.start(20);
    loop.exec();
    return save(*form, directory, QStringLiteral("ping")) ? 0 : 1;
}

// The preview of a run over a few services as the catalogue describes them, a POST one
// marked, with two services that could not be prepared.
int renderPreviewPicture(const QString& directory)
{
    const site::SiteRecord site = sampleSite();
    const QString title = site.TitleEdit;
    const QString address =
        QString(site.URLEdit).replace(QStringLiteral("://"), QStringLiteral("%3A%2F%2F"));
    struct Service
    {
        int nr;
        const char* name;
        const char* host;
        bool post;
    };
    const Service services[] = {
        {4, "Netzfinder", "www.netzfinder.example", false},
        {12, "Suchfix", "add.suchfix.example", true},
        {16, "Katalog Nord", "www.katalog-nord.example", false},
        {23, "WebWeiser", "eintrag.webweiser.example", true},
        {36, "Linkbörse", "www.linkboerse.example", false},
        {48, "Findeteufel", "www.findeteufel.example", false},
    };
    auto list = std::make_unique<submit::SendList>();
    for (const Service& service : services) {
        submit::TEineEngine& entry = list->entries[size_t(list->count++)];
        const QString host = QLatin1String(service.host);
        const QString action =
            QStringLiteral("http://") + host + QStringLiteral("/cgi-bin/add.cgi");
        const QString parameters = QStringLiteral("url=") + address + QStringLiteral("&title=") +
                                   title + QStringLiteral("&email=") + site.WebmasterEmailEdit;
        entry.Nr = service.nr;
        entry.Name = QString::fromUtf8(service.name);
        entry.URL = service.post ? action : action + QLatin1Char('?') + parameters;
        entry.PostDaten = service.post ? parameters : submit::TEineEngine::noBody();
        entry.AntwortDatei = entry.Name + QStringLiteral(".html");
        entry.Ref = service.post;
        entry.ManuellURL = QStringLiteral("http://") + host + QStringLiteral("/anmelden.html");
    }
    const QStringList failures{
        submit::resultLine(QStringLiteral("Sitefang"), QStringLiteral("Nicht verfügbar!"), 0, 7,
                           QStringLiteral("http://www.sitefang.example/neu.html")),
        submit::resultLine(QStringLiteral("Webkompass"),
                           QStringLiteral("Nicht verfügbar! (Datenbankfehler)"), 0, 31,
                           QStringLiteral("http://www.webkompass.example/"))};
    const submit::RunPreview preview = submit::RunPreview::fromPreparation(*list, failures, {});
    submit::ui::TVorschauForm form(preview);
    auto* serviceList = form.findChild<QTreeWidget*>(QStringLiteral("ServiceList"));
    serviceList->setCurrentItem(serviceList->topLevelItem(1));
    form.show();
    return save(form, directory, QStringLiteral("preview")) ? 0 : 1;
}

} // namespace

// The IndexNow window for the sample site, with a key and a few further pages, on a site
// document of its own so the user's stays as it was.
int renderIndexNowPicture(THauptFormular& mainWindow, const QString& directory)
{
    class NoForm : public site::SiteForm
    {
    public:
        void readInto(site::SiteRecord&) const override {}
        void showRecord(const site::SiteRecord&) override {}
    } form;
    site::RecentFileList recent(mainWindow.settingsFile());
    site::SiteDocument document(mainWindow.ui(), form, recent);
    document.record() = sampleSite();
    document.record().indexNowKey = QStringLiteral("7f3c9a2e41b84d6f9e0a5c1b2d3e4f56");
    for (const char* page : {"katalog/karten.html", "katalog/reiseliteratur.html",
                             "katalog/stiche.html", "versand.html"})
        document.record().indexNowUrls << document.record().URLEdit + QLatin1String(page);
    submit::ui::TIndexNowForm window(mainWindow.ui(), document, {}, &mainWindow);
    window.show();
    return save(window, directory, QStringLiteral("indexnow")) ? 0 : 1;
}

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
    splash.hide();

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
            // Its pages as "Seitenansicht" shows them before printing.
            reports::ui::PrintPreviewWindow preview(
                QStringLiteral("Unbenannt"),
                [form = report.get()](QPrinter& printer) { form->printTo(printer); },
                QPageLayout::Portrait);
            preview.resize(reportSize);
            preview.show();
            failures += save(preview, directory, QStringLiteral("print-preview")) ? 0 : 1;
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

    failures += renderPreviewPicture(directory);
    failures += renderIndexNowPicture(mainWindow, directory);
    failures += renderMetaTagPictures(mainWindow, directory);
    failures += renderAssistantPicture(mainWindow, directory);
    failures += renderPingPicture(mainWindow, directory);

    // The update windows in the middle of their work, and the tip and about windows, each
    // alone: a window still shown beside another would block it.
    {
        const auto about = TAboutBox::showForPicture(mainWindow.ui(), QString());
        failures += save(*about, directory, QStringLiteral("about")) ? 0 : 1;
    }
    {
        const auto tip = TTipOfTheDayForm::showForPicture(
            mainWindow.ui(),
            {QStringLiteral("Mit \"URL prüfen\" neben dem Adressfeld testen Sie, ob "
                            "der Rechner Ihrer Web-Site erreichbar ist und ob "
                            "der Web-Server antwortet.")});
        failures += save(*tip, directory, QStringLiteral("tip-of-the-day")) ? 0 : 1;
    }
    {
        const auto question = QtUiServices::messageBox(
            base::MessageKind::Question, updates::TWebFileInfo::newVersionCaption(),
            updates::TWebFileInfo::downloadQuestion(base::AppInfo::version(),
                                                    QStringLiteral("1.7.0")),
            base::MessageButtons::YesNo, nullptr);
        question->show();
        failures += save(*question, directory, QStringLiteral("update-question")) ? 0 : 1;
    }
    {
        const auto progress = updates::ui::TWebDlProgress::ForPicture();
        failures += save(*progress, directory, QStringLiteral("update-progress")) ? 0 : 1;
    }
    {
        const auto info = updates::ui::TWebInfoFileWindow::ForPicture();
        failures += save(*info, directory, QStringLiteral("update-info-file")) ? 0 : 1;
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
