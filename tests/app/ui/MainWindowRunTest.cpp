// A run from the window, as a user does it: services selected, "Anmeldung starten", Start in
// the scheduler window against a real local server, and the outcome on the status page.
#include "app/ui/THauptFormular.h"

#include "base/DayNumber.h"
#include "base/SettingsStore.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/ui/CatalogueListPanel.h"
#include "site/SiteDocument.h"
#include "site/ui/KeywordsDialog.h"
#include "site/ui/SiteDescriptionPage.h"
#include "submit/SubmissionScheduler.h"
#include "submit/TEineEngine.h"
#include "submit/ui/TThreadForm.h"
#include "updates/CatalogueArchive.h"

#include "BenchmarkSite.h"
#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "TestHttpServer.h"
#include "TestTlsServer.h"
#include "TestWaits.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace std::chrono_literals;
using pelvaro::app::ui::THauptFormular;
using pelvaro::base::MessageAnswer;
using pelvaro::catalogue::TDataModule1;
using pelvaro::submit::ui::TThreadForm;
using pelvaro::test::engine;
using pelvaro::test::ScriptedAnswer;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using pelvaro::test::TestHttpServer;
using pelvaro::test::TestTlsServer;

namespace {

class MainWindowRunTest : public ::testing::Test
{
protected:
    // Alpha answers, Beta is not found, Gamma hangs; Delta takes manual submission only.
    void SetUp() override
    {
        server.script("/alpha", ScriptedAnswer::ok("Danke"));
        server.script("/beta", ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}));
        server.script("/gamma", ScriptedAnswer::neverAnswer());
        const auto service = [this](int nr, const QString& name, const char* path) {
            return engine(nr, name,
                          {{QStringLiteral("Action"), server.url(QLatin1String(path))},
                           {QStringLiteral("Ausgewaehlt"), true}});
        };
        std::vector<QVariantMap> fields;
        for (int nr = 1; nr <= 3; ++nr)
            fields.push_back({{QStringLiteral("FelderID"), nr},
                              {QStringLiteral("EngineID"), nr},
                              {QStringLiteral("FeldNrInVindrel"), 1},
                              {QStringLiteral("FeldNameInEngine"), QStringLiteral("titel")}});
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        pelvaro::test::createCatalogue(
            data,
            {service(1, QStringLiteral("Alpha"), "/alpha?x=1"),
             service(2, QStringLiteral("Beta"), "/beta?y=2"),
             service(3, QStringLiteral("Gamma"), "/gamma"),
             engine(4, QStringLiteral("Delta"),
                    {{QStringLiteral("NurManuell"), true}, {QStringLiteral("Ausgewaehlt"), true}})},
            {}, fields);
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QStringLiteral("x")));
        settings = std::make_unique<pelvaro::base::SettingsStore>(TestDirs::settingsFile());
        settings->settings() = pelvaro::base::Settings::defaults();
        settings->settings().threadCount = 5;
        QDir().mkpath(answers());
        window = std::make_unique<THauptFormular>(ui, TestDirs::settingsFile());
        window->attachCatalogue(*module);
        window->setRunContext(settings.get(), TestDirs::programDir(), answers());
        window->show();
        QApplication::setActiveWindow(window.get());
    }

    void TearDown() override
    {
        window.reset();
        module.reset();
    }

    static QString answers() { return TestDirs::programDir() + QStringLiteral("/HTML"); }

    void fillSite()
    {
        const pelvaro::site::SiteRecord record = pelvaro::bench::filledRecord();
        window->document().record() = record;
        window->sitePage().showRecord(record);
    }

    // Clicks "Anmeldung starten"; work() gets the scheduler window once it is up.
    void submit(const std::function<void(TThreadForm&)>& work)
    {
        window->pageControl()->setCurrentIndex(3);
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TThreadForm*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            seen = true;
            work(*form);
            if (form->isVisible()) {
                ADD_FAILURE() << "the scheduler window was left open";
                form->hide();
            }
        });
        window->findChild<QAction*>(QStringLiteral("SubmitBtn"))->trigger();
        EXPECT_TRUE(seen);
    }

    QStringList column(const char* view, int column) const
    {
        QStringList texts;
        auto* tree = window->findChild<QTreeWidget*>(QLatin1String(view));
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            texts << tree->topLevelItem(i)->text(column);
        return texts;
    }

    TestHttpServer server;
    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
    std::unique_ptr<pelvaro::base::SettingsStore> settings;
    std::unique_ptr<THauptFormular> window;
};

} // namespace

TEST_F(MainWindowRunTest, ARunToItsEndShowsItsOutcomeOnTheStatusPage)
{
    server.script("/gamma", ScriptedAnswer::ok("Auch gut"));
    fillSite();
    // Two workers, set in "Optionen": the next run uses them.
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* threads = dialog->findChild<QLineEdit*>(QStringLiteral("EditAnzThreads"));
        ASSERT_NE(threads, nullptr);
        threads->setText(QStringLiteral("2"));
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    window->findChild<QAction*>(QStringLiteral("ActionOptionen"))->trigger();
    EXPECT_EQ(settings->settings().threadCount, 2);
    submit([&](TThreadForm& form) {
        EXPECT_EQ(form.findChild<QLabel*>(TThreadForm::panelName(0))->text(),
                  QStringLiteral("Aktivierte Threads: 2"))
            << "the worker count of the settings";
        auto* start = form.findChild<QPushButton*>(QStringLiteral("StartenButton"));
        start->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !start->isEnabled(); }, 60000));
        form.findChild<QPushButton*>(QStringLiteral("SchliessenButton"))->click();
    });

    EXPECT_EQ(ui.messageTexts(),
              (QStringList{QStringLiteral("Bitte stellen Sie jetzt sicher, daß eine Verbindung "
                                          "zum Internet besteht! Falls noch keine Verbindung "
                                          "besteht, sollten Sie diese jetzt herstellen und erst "
                                          "dann auf OK klicken."),
                           QStringLiteral("Die Übertragung ist abgeschlossen!")}));
    EXPECT_EQ(window->pageControl()->currentIndex(), 5);
    EXPECT_EQ(window->statusText(), QStringLiteral("Wählen Sie einen Bericht."));
    QStringList succeeded = column("OvcDataReportViewErfolgreich", 0);
    succeeded.sort();
    EXPECT_EQ(succeeded, (QStringList{QStringLiteral("Alpha"), QStringLiteral("Gamma")}));
    EXPECT_EQ(column("OvcDataReportViewFehlgeschlagen", 0), QStringList{QStringLiteral("Beta")});
    EXPECT_EQ(column("OvcDataReportViewFehlgeschlagen", 1), QStringList{QStringLiteral("404")});
    EXPECT_EQ(column("OvcDataReportViewFehlgeschlagen", 3),
              QStringList{server.url(QStringLiteral("/beta"))})
        << "the address without its query";
    EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("BtnRTFBericht"))->isEnabled());

    // The successes carry today's date; the sent services are no longer selected, the manual
    // one still is.
    const double today = pelvaro::base::DayNumber::fromDate(QDate::currentDate());
    std::map<QString, QVariant> dates;
    for (const auto& row :
         module->readRows({QStringLiteral("Name"), QStringLiteral("ZuletztRegistriert")}))
        dates[row.values.at(0).toString()] = row.values.at(1);
    EXPECT_EQ(dates[QStringLiteral("Alpha")].toDouble(), today);
    EXPECT_EQ(dates[QStringLiteral("Gamma")].toDouble(), today);
    EXPECT_FALSE(dates[QStringLiteral("Beta")].isValid() &&
                 !dates[QStringLiteral("Beta")].isNull());
    EXPECT_EQ(module->counters(), (pelvaro::catalogue::SelectionCounters{3, 1, 0, 1}));

    // A double-click on the failure opens the address it went to.
    auto* failures =
        window->findChild<QTreeWidget*>(QStringLiteral("OvcDataReportViewFehlgeschlagen"));
    failures->setCurrentItem(failures->topLevelItem(0));
    QTest::mouseDClick(failures->viewport(), Qt::LeftButton, {},
                       failures->visualItemRect(failures->topLevelItem(0)).center());
    ASSERT_EQ(ui.openedUrls().size(), 1u);
    EXPECT_EQ(ui.openedUrls().back().toString(), server.url(QStringLiteral("/beta")));

    // The reports of the run: the status report in its window, built from the lists, and
    // the standard report with every row.
    QString reportText;
    QTimer::singleShot(0, [&] {
        QWidget* report = QApplication::activeModalWidget();
        ASSERT_NE(report, nullptr);
        reportText = report->findChild<QTextEdit*>(QStringLiteral("Editor"))->toPlainText();
        ui.answer(MessageAnswer::No); // "Änderungen in der Datei Unbenannt speichern?"
        report->close();
    });
    window->findChild<QAction*>(QStringLiteral("BtnRTFBericht"))->trigger();
    EXPECT_TRUE(reportText.contains(QStringLiteral("Anmeldungsprotokoll")));
    EXPECT_TRUE(reportText.contains(QStringLiteral("Erfolgreiche Anmeldungen: 2")));
    EXPECT_TRUE(reportText.contains(QStringLiteral("Beta\tNot Found\t404")))
        << reportText.toStdString();
    int standardRows = 0;
    QTimer::singleShot(0, [&] {
        QWidget* standard = QApplication::activeModalWidget();
        ASSERT_NE(standard, nullptr);
        standardRows = standard->findChild<QTreeWidget*>(QStringLiteral("xxOvcDataReportAlles"))
                           ->topLevelItemCount();
        standard->close();
    });
    window->findChild<QAction*>(QStringLiteral("BtnStandardBericht"))->trigger();
    EXPECT_EQ(standardRows, 3);

    // The next run asks about the unsaved report first; Cancel keeps everything.
    module->AllesAuswaehlen();
    ui.answer(MessageAnswer::Cancel);
    window->pageControl()->setCurrentIndex(3);
    window->findChild<QAction*>(QStringLiteral("SubmitBtn"))->trigger();
    EXPECT_TRUE(ui.messageTexts().last().startsWith(
        QStringLiteral("Der aktuelle RTF-Bericht mit dem Protokoll der erfolgten Anmeldungen")));
    EXPECT_EQ(window->ErfolgreichListe.size(), 2);
    EXPECT_EQ(window->pageControl()->currentIndex(), 3);
    EXPECT_TRUE(ui.allAnswersUsed());
}

// A run from the window trusts the extra certificates of the settings (IDZusatzZertifikate),
// as the command line's does.
TEST_F(MainWindowRunTest, HttpsServicesTrustTheExtraCertificatesOfTheSettings)
{
    TestTlsServer tls;
    module->setField(QStringLiteral("Action"), tls.url(QStringLiteral("/alpha")),
                     QStringLiteral("Nr = 1"));
    server.script("/gamma", ScriptedAnswer::ok("Auch gut"));
    QFile ca(TestDirs::root() + QStringLiteral("/firma-ca.pem"));
    ASSERT_TRUE(ca.open(QIODevice::WriteOnly));
    ca.write(TestTlsServer::caPem());
    ca.close();
    settings->settings().caFile = ca.fileName();
    fillSite();
    submit([&](TThreadForm& form) {
        auto* start = form.findChild<QPushButton*>(QStringLiteral("StartenButton"));
        start->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !start->isEnabled(); }, 60000));
        form.findChild<QPushButton*>(QStringLiteral("SchliessenButton"))->click();
    });
    EXPECT_TRUE(column("OvcDataReportViewErfolgreich", 0).contains(QStringLiteral("Alpha")))
        << column("OvcDataReportViewFehlgeschlagen", 2).join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(tls.requests().size(), 1);
    EXPECT_TRUE(tls.requests().front().startsWith("GET /alpha"))
        << tls.requests().front().toStdString();
}

TEST_F(MainWindowRunTest, AnAbortStillFilesTheOutcome)
{
    fillSite();
    submit([&](TThreadForm& form) {
        auto* start = form.findChild<QPushButton*>(QStringLiteral("StartenButton"));
        start->click();
        ASSERT_TRUE(server.waitForRequests(2, pelvaro::test::HealthyWait));
        ui.answer(MessageAnswer::Yes);
        start->click(); // the abort is asked for ...
        start->click(); // ... and made at once
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return form.scheduler().LaufendeThreads() == 0; }, 10000));
        form.findChild<QPushButton*>(QStringLiteral("SchliessenButton"))->click();
    });
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Ihre Abbruchanforderung wurde durchgeführt!"));
    EXPECT_EQ(window->pageControl()->currentIndex(), 5) << "the after-run steps ran";
    EXPECT_EQ(window->listPanel(2)->title(),
              QStringLiteral("Anzahl der ausgewählten Suchdienste: 1"));
}

TEST_F(MainWindowRunTest, AStartWithoutServicesShowsWhereToGoAndLeavesTheFieldsAlone)
{
    // Nothing selected: to the selection page, and the empty site fields are not looked at.
    module->AllesNichtAuswaehlen();
    window->pageControl()->setCurrentIndex(3);
    window->findChild<QAction*>(QStringLiteral("SubmitBtn"))->trigger();
    EXPECT_EQ(window->pageControl()->currentIndex(), 2);
    EXPECT_EQ(ui.messageTexts(),
              QStringList{QStringLiteral("Bevor die Anmeldung gestartet werden kann, müssen Sie "
                                         "mindestens einen Suchdienst auswählen!")});

    // Services, but an empty description: to the site page, its first empty field focused.
    module->AllesAuswaehlen();
    window->pageControl()->setCurrentIndex(3);
    window->findChild<QAction*>(QStringLiteral("SubmitBtn"))->trigger();
    EXPECT_EQ(window->pageControl()->currentIndex(), 0);
    EXPECT_TRUE(ui.messageTexts().last().startsWith(
        QStringLiteral("Bevor die Anmeldung gestartet werden kann, müssen Sie alle "
                       "Formularfelder ausfüllen!")));
    QApplication::processEvents();
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("TitleEdit"));
    EXPECT_TRUE(window->ErfolgreichListe.isEmpty());
}

TEST_F(MainWindowRunTest, HelpMenuShowsTheTipOfTheDayAndTheAboutBox)
{
    {
        QFile tips(TestDirs::programDir() + QStringLiteral("/tips.txt"));
        ASSERT_TRUE(tips.open(QIODevice::WriteOnly));
        tips.write("Erster Tip\r\nZweiter Tip\r\n");
    }
    settings->settings().showTips = true;
    settings->settings().catalogueVersion = QStringLiteral("3.0");
    const auto whileModal = [](const char* action, QWidget* window,
                               const std::function<void(QDialog&)>& work) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            work(*dialog);
        });
        window->findChild<QAction*>(QLatin1String(action))->trigger();
        return seen;
    };
    EXPECT_TRUE(whileModal("ActionTipDesTages", window.get(), [](QDialog& tip) {
        EXPECT_EQ(tip.findChild<QLabel*>(QStringLiteral("Tip"))->text(),
                  QStringLiteral("Erster Tip"));
        tip.findChild<QCheckBox*>(QStringLiteral("ShowOnStartup"))->setChecked(false);
        tip.findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    }));
    EXPECT_FALSE(settings->settings().showTips);
    EXPECT_TRUE(whileModal("ActionInfo", window.get(), [](QDialog& about) {
        EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("LabelVersionen"))->text(),
                  QStringLiteral("Programmversion: 1.6.1    Datenbankversion: 3.0"));
        about.accept();
    }));
}

TEST_F(MainWindowRunTest, ACatalogueUpdateFromTheMenuShowsTheNewCatalogue)
{
    // Alpha stays (and stays selected), Epsilon is new: a catalogue of two services.
    const QString archive = TestDirs::root() + QStringLiteral("/neu.tar.gz");
    pelvaro::updates::CatalogueArchive::write(
        archive,
        "Nr,Name,URL,Ausgewaehlt\r\n1,Alpha,http://alpha.example/,False\r\n"
        "9,Epsilon,http://epsilon.example/,False\r\n",
        "KategorieID,EngineID,KategorieNrInVindrel,KategorieInEngine\r\n",
        "FelderID,EngineID,FeldNrInVindrel,FeldNameInEngine\r\n");
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    server.script("/katalog.tar.gz", ScriptedAnswer::ok(file.readAll()));
    const QByteArray address = server.url(QStringLiteral("/katalog.tar.gz")).toUtf8();
    server.script("/kelmora/engines.html",
                  ScriptedAnswer::ok("<META HTTP-EQUIV=\"version\" CONTENT=\"3.0\">\r\n"
                                     "<META HTTP-EQUIV=\"url\" CONTENT=\"" +
                                     address + "\">\r\n"));
    settings->settings().updateServer = server.url(QString());
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(TestDirs::root() + QStringLiteral("/katalog.tar.gz"));
    ui.answer(MessageAnswer::Yes);
    window->findChild<QAction*>(QStringLiteral("ActionSuchdiensteAktualisieren"))->trigger();

    EXPECT_TRUE(ui.allAnswersUsed()) << ui.messageTexts().join(u'|').toStdString();
    EXPECT_EQ(settings->settings().catalogueVersion, QStringLiteral("3.0"));
    EXPECT_EQ(module->counters().AnzAusgewaehlt, 1) << "Alpha kept its selection";
    EXPECT_EQ(module->counters().AnzNichtAusgewaehlt, 1);
    window->pageControl()->setCurrentIndex(2);
    EXPECT_EQ(window->statusText(), QStringLiteral("Gesamtanzahl der vorhandenen Einträge: 2"));
}

// An IndexNow endpoint from the window: without a key the run says why it stays out; with
// one, the key file is checked, the 429 lands in the site's ledger and in the settings, and
// the next run leaves the endpoint alone until its wait has passed.
TEST_F(MainWindowRunTest, IndexNowEndpointsNeedAKeyAndWaitAfter429)
{
    module->setField(QStringLiteral("Ausgewaehlt"), false, QStringLiteral("Nr <= 3"));
    // Delta becomes an IndexNow endpoint.
    const QString delta = QStringLiteral("Nr = 4");
    module->setField(QStringLiteral("NurManuell"), false, delta);
    module->setField(QStringLiteral("IndexNow"), true, delta);
    module->setField(QStringLiteral("Action"), server.url(QStringLiteral("/indexnow")), delta);
    module->refreshListViews();
    module->recount();
    pelvaro::site::SiteRecord record = pelvaro::bench::filledRecord();
    record.URLEdit = server.url(QStringLiteral("/"));
    window->document().record() = record;
    window->sitePage().showRecord(record);
    const auto selectedEndpoint = [this] {
        return module->readRows({QStringLiteral("Nr")}, QStringLiteral("Ausgewaehlt = 1")).size() ==
               1;
    };

    window->pageControl()->setCurrentIndex(3);
    window->findChild<QAction*>(QStringLiteral("SubmitBtn"))->trigger();
    EXPECT_TRUE(ui.messageTexts().last().contains(QStringLiteral("noch keinen IndexNow-Schlüssel")))
        << ui.messageTexts().join(u'|').toStdString();
    EXPECT_TRUE(selectedEndpoint());

    const QString key = QStringLiteral("Fenster-Schluessel-42");
    window->document().record().indexNowKey = key;
    window->document().setSiteModified(false);
    server.script("/" + key.toLatin1() + ".txt", ScriptedAnswer::ok(key.toLatin1()));
    server.script("/indexnow",
                  ScriptedAnswer::status("HTTP/1.0 429 Too Many Requests", {"Retry-After: 600"}));
    module->setField(QStringLiteral("Ausgewaehlt"), true, QStringLiteral("Nr = 1"));
    module->refreshListViews();
    module->recount();
    submit([&](TThreadForm& form) {
        auto* start = form.findChild<QPushButton*>(QStringLiteral("StartenButton"));
        start->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !start->isEnabled(); }, 60000));
        form.findChild<QPushButton*>(QStringLiteral("SchliessenButton"))->click();
    });
    EXPECT_EQ(column("OvcDataReportViewFehlgeschlagen", 0), QStringList{QStringLiteral("Delta")})
        << ui.messageTexts().join(u'|').toStdString();
    EXPECT_EQ(column("OvcDataReportViewFehlgeschlagen", 1), QStringList{QStringLiteral("429")});
    const auto* entry = window->document().record().ledger.entry(4);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->outcome, pelvaro::site::LedgerEntry::Outcome::TooManyRequests);
    EXPECT_EQ(entry->addresses, QStringList{server.url(QStringLiteral("/"))});
    EXPECT_TRUE(window->document().SiteModified()) << "the ledger is the site file's";
    pelvaro::base::SettingsStore stored(TestDirs::settingsFile());
    ASSERT_TRUE(stored.LoadSettings());
    EXPECT_TRUE(stored.settings().serviceWaits.startsWith(server.url(QStringLiteral("/indexnow"))))
        << stored.settings().serviceWaits.toStdString();

    // Still waiting: the next run sends nothing there.
    module->setField(QStringLiteral("Ausgewaehlt"), true, delta);
    module->refreshListViews();
    module->recount();
    const qsizetype requestsBefore = server.requests().size();
    ui.answer(MessageAnswer::Ok); // the unsaved report of the last run
    window->findChild<QAction*>(QStringLiteral("SubmitBtn"))->trigger();
    EXPECT_EQ(server.requests().size(), requestsBefore);
    EXPECT_TRUE(selectedEndpoint());
    EXPECT_TRUE(window->FehlgeschlagenListe.last().contains(QStringLiteral("zu viele Anfragen")));

    // The filter's "nur geänderte/noch nicht angenommene" reads the open site's ledger:
    // Alpha took the site, Delta asked to wait, Beta and Gamma never had it.
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        box->findChild<QCheckBox*>(QStringLiteral("NurAusstehendeChkBox"))->click();
        box->findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
    });
    window->pageControl()->setCurrentIndex(2);
    window->findChild<QAction*>(QStringLiteral("ActionFilterAktivieren"))->trigger();
    std::vector<qint64> selected;
    for (const auto& row :
         module->readRows({QStringLiteral("Nr")}, QStringLiteral("Ausgewaehlt = 1")))
        selected.push_back(row.values.at(0).toLongLong());
    EXPECT_EQ(selected, (std::vector<qint64>{2, 3, 4}));
}

// The scheduler window closed without Start sends nothing, so it may take nothing away: the
// selection and the last run's report stay. An abort keeps what never went out selected.
TEST_F(MainWindowRunTest, WhatWasNeverSentStaysSelectedAndTheLastReportStays)
{
    fillSite();
    const QString previous = pelvaro::submit::resultLine(
        QStringLiteral("Vorher"), QStringLiteral("Not Found"), 404, 9, QStringLiteral("http://x/"));
    window->FehlgeschlagenListe << previous;
    const pelvaro::catalogue::SelectionCounters before{0, 4, 3, 1};
    ASSERT_EQ(module->counters(), before);
    ui.answer(MessageAnswer::Ok); // go on without saving the last report
    submit([&](TThreadForm& form) {
        form.findChild<QPushButton*>(QStringLiteral("SchliessenButton"))->click();
    });
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(module->counters(), before) << "the automatic services are selected again";
    EXPECT_EQ(window->FehlgeschlagenListe, QStringList{previous});
    EXPECT_EQ(column("OvcDataReportViewFehlgeschlagen", 0), QStringList{QStringLiteral("Vorher")});

    // One worker, stopped at once after the first request went out: the two services whose
    // turn never came are selected again, and this run's outcome is the report now.
    settings->settings().threadCount = 1;
    ui.answer(MessageAnswer::Ok);
    submit([&](TThreadForm& form) {
        auto* start = form.findChild<QPushButton*>(QStringLiteral("StartenButton"));
        start->click();
        ui.answer(MessageAnswer::Yes);
        start->click();
        start->click();
        form.findChild<QPushButton*>(QStringLiteral("SchliessenButton"))->click();
    });
    std::vector<QString> selected;
    for (const auto& row :
         module->readRows({QStringLiteral("Name")}, QStringLiteral("Ausgewaehlt = 1")))
        selected.push_back(row.values.at(0).toString());
    EXPECT_EQ(selected, (std::vector<QString>{QStringLiteral("Beta"), QStringLiteral("Gamma"),
                                              QStringLiteral("Delta")}));
    EXPECT_EQ(module->counters(), (pelvaro::catalogue::SelectionCounters{1, 3, 2, 1}));
    EXPECT_FALSE(window->FehlgeschlagenListe.contains(previous));
}

// An address the field check called invalid, kept by answering No, is not sent: the run and
// the preview stop with a message naming the field, and the user is put back into it.
TEST_F(MainWindowRunTest, AnAddressWithoutSchemeIsNotSent)
{
    fillSite();
    auto* url = window->findChild<QLineEdit*>(QStringLiteral("URLEdit"));
    bool inField = false;
    for (const char* command : {"SubmitBtn", "ActionVorschau"}) {
        window->pageControl()->setCurrentIndex(0);
        url->setText(QStringLiteral("meine-seite.de"));
        // Back in the field, leaving it runs its check again; the user keeps his address.
        if (inField)
            ui.answer(MessageAnswer::No);
        window->pageControl()->setCurrentIndex(3);
        window->findChild<QAction*>(QLatin1String(command))->trigger();
        EXPECT_TRUE(ui.messageTexts().last().startsWith(
            QStringLiteral("Die Anmeldung kann nicht gestartet werden: Die Adresse im Feld "
                           "\"URL\" (\"meine-seite.de\")")))
            << command << ": " << ui.messageTexts().join(u'|').toStdString();
        EXPECT_EQ(window->pageControl()->currentIndex(), 0) << command;
        QApplication::processEvents();
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("URLEdit"));
        inField = true;
    }
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(module->counters().AnzAutomatisch, 3) << "nothing was prepared";
}

// Leaving the site page empties the keyword slots; the editor opens with the keywords of the
// list all the same, and adding one keeps the others.
TEST_F(MainWindowRunTest, TheKeywordEditorKeepsTheKeywordsAfterAPageChange)
{
    const auto editKeywords = [this](const std::function<void(QDialog&)>& work) {
        QTimer::singleShot(0, [&work] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            work(*dialog);
            dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
        });
        window->findChild<QToolButton*>(QStringLiteral("OvcAttachedButton1"))->click();
    };
    const auto field = [](QDialog& dialog, int index) {
        return dialog.findChild<QLineEdit*>(pelvaro::site::ui::KeywordsDialog::fieldName(index));
    };
    window->pageControl()->setCurrentIndex(0);
    editKeywords([&](QDialog& dialog) {
        field(dialog, 0)->setText(QStringLiteral("Obst"));
        field(dialog, 1)->setText(QStringLiteral("Gemüse"));
    });
    window->pageControl()->setCurrentIndex(3); // the slots are emptied on leaving
    window->pageControl()->setCurrentIndex(0);
    QStringList shown;
    editKeywords([&](QDialog& dialog) {
        for (int i = 0; i < 3; ++i)
            shown << field(dialog, i)->text();
        field(dialog, 2)->setText(QStringLiteral("Äpfel"));
    });
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Obst"), QStringLiteral("Gemüse"), QString()}));
    window->pageControl()->setCurrentIndex(3);
    EXPECT_EQ(window->document().record().KeywordsMemo, QStringLiteral("Obst, Gemüse, Äpfel"));
}

// A report saved after the run is no longer "not saved": the next run does not say so.
TEST_F(MainWindowRunTest, ASavedReportIsNotCalledUnsaved)
{
    server.script("/gamma", ScriptedAnswer::ok("Auch gut"));
    fillSite();
    const auto runToEnd = [this] {
        submit([&](TThreadForm& form) {
            auto* start = form.findChild<QPushButton*>(QStringLiteral("StartenButton"));
            start->click();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !start->isEnabled(); }, 60000));
            form.findChild<QPushButton*>(QStringLiteral("SchliessenButton"))->click();
        });
    };
    runToEnd();
    QTimer::singleShot(0, [this] {
        auto* report = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(report, nullptr);
        ui.answerFile(TestDirs::root() + QStringLiteral("/bericht"));
        report->findChild<QAction*>(QStringLiteral("FileSaveAs"))->trigger();
        report->close();
    });
    window->findChild<QAction*>(QStringLiteral("BtnRTFBericht"))->trigger();
    EXPECT_TRUE(QFileInfo::exists(TestDirs::root() + QStringLiteral("/bericht.rtf")));

    module->AllesAuswaehlen();
    const qsizetype shown = ui.messageTexts().size();
    runToEnd();
    for (const QString& text : ui.messageTexts().mid(shown))
        EXPECT_FALSE(text.startsWith(QStringLiteral("Der aktuelle RTF-Bericht")))
            << text.toStdString();
    EXPECT_TRUE(ui.allAnswersUsed());

    // This run's report was neither saved nor printed: the run after it asks again.
    module->AllesAuswaehlen();
    ui.answer(MessageAnswer::Cancel);
    window->pageControl()->setCurrentIndex(3);
    window->findChild<QAction*>(QStringLiteral("SubmitBtn"))->trigger();
    EXPECT_TRUE(ui.messageTexts().last().startsWith(QStringLiteral("Der aktuelle RTF-Bericht")));
}
