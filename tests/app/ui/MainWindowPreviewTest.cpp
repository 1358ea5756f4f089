// "Vorschau" on the automatic-submission page: the run's checks, then the requests each
// service would get, with nothing sent and nothing changed; "Anmeldung starten" there goes on
// into the real run.
#include "app/ui/THauptFormular.h"

#include "base/SettingsStore.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteDocument.h"
#include "site/ui/SiteDescriptionPage.h"
#include "submit/ui/TThreadForm.h"
#include "submit/ui/TVorschauForm.h"

#include "BenchmarkSite.h"
#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "TestHttpServer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using pelvaro::app::ui::THauptFormular;
using pelvaro::catalogue::TDataModule1;
using pelvaro::submit::ui::TThreadForm;
using pelvaro::submit::ui::TVorschauForm;
using pelvaro::test::engine;
using pelvaro::test::ScriptedAnswer;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using pelvaro::test::TestHttpServer;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(fehlt)");
}

class MainWindowPreviewTest : public ::testing::Test
{
protected:
    // Alpha is asked by GET, Beta by POST; Gamma has no form fields; Delta is manual only.
    void SetUp() override
    {
        server.script("/alpha", ScriptedAnswer::ok("Danke"));
        server.script("/beta", ScriptedAnswer::ok("Danke"));
        const auto service = [this](int nr, const QString& name, const QString& action,
                                    const QString& methode) {
            return engine(nr, name,
                          {{QStringLiteral("Action"), action},
                           {QStringLiteral("Methode"), methode},
                           {QStringLiteral("Ausgewaehlt"), true}});
        };
        std::vector<QVariantMap> fields;
        for (int nr = 1; nr <= 2; ++nr)
            fields.push_back({{QStringLiteral("FelderID"), nr},
                              {QStringLiteral("EngineID"), nr},
                              {QStringLiteral("FeldNrInVindrel"), 1},
                              {QStringLiteral("FeldNameInEngine"), QStringLiteral("titel;Titel")}});
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        pelvaro::test::createCatalogue(
            data,
            {service(1, QStringLiteral("Alpha"), server.url(QStringLiteral("/alpha")),
                     QStringLiteral("G")),
             service(2, QStringLiteral("Beta"), server.url(QStringLiteral("/beta")),
                     QStringLiteral("P")),
             service(3, QStringLiteral("Gamma"), server.url(QStringLiteral("/gamma")),
                     QStringLiteral("G")),
             engine(4, QStringLiteral("Delta"),
                    {{QStringLiteral("NurManuell"), true}, {QStringLiteral("Ausgewaehlt"), true}})},
            {}, fields);
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QStringLiteral("x")));
        settings = std::make_unique<pelvaro::base::SettingsStore>(TestDirs::settingsFile());
        settings->settings() = pelvaro::base::Settings::defaults();
        settings->settings().threadCount = 2;
        ASSERT_TRUE(settings->SaveSettings());
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
    static QString siteFile() { return TestDirs::root() + QStringLiteral("/obst.sit"); }

    // A complete description, saved and open as the current site file.
    void openSite()
    {
        const pelvaro::site::SiteRecord record = pelvaro::bench::filledRecord();
        window->document().record() = record;
        window->sitePage().showRecord(record);
        ASSERT_TRUE(window->document().StoreFile(siteFile()));
        ASSERT_TRUE(window->document().LoadFile(siteFile()));
        window->document().SetCurrentSiteFile(siteFile());
    }

    // Everything a run would leave a trace in.
    struct Traces
    {
        std::vector<QVariantList> catalogue;
        QByteArray siteFile;
        QStringList answerPages;
        QByteArray settingsFile;
        QStringList successLines;
        QStringList failureLines;
        bool operator==(const Traces&) const = default;
    };
    Traces traces()
    {
        Traces now;
        for (const auto& row :
             module->readRows({QStringLiteral("Nr"), QStringLiteral("Ausgewaehlt"),
                               QStringLiteral("NurManuell"), QStringLiteral("ZuletztRegistriert")}))
            now.catalogue.push_back(row.values);
        now.siteFile = bytesOf(siteFile());
        now.answerPages = QDir(answers()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        now.settingsFile = bytesOf(TestDirs::settingsFile());
        now.successLines = window->ErfolgreichListe;
        now.failureLines = window->FehlgeschlagenListe;
        return now;
    }

    // Clicks "Vorschau"; work() gets the preview window once it is up and must close it.
    void preview(const std::function<void(TVorschauForm&)>& work)
    {
        window->pageControl()->setCurrentIndex(3);
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TVorschauForm*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            seen = true;
            work(*form);
            if (form->isVisible()) {
                ADD_FAILURE() << "the preview was left open";
                form->reject();
            }
        });
        window->findChild<QAction*>(QStringLiteral("ActionVorschau"))->trigger();
        EXPECT_TRUE(seen);
    }

    static QStringList row(const QTreeWidget* list, int index)
    {
        QStringList texts;
        for (int c = 0; c < list->columnCount(); ++c)
            texts << list->topLevelItem(index)->text(c);
        return texts;
    }

    TestHttpServer server;
    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
    std::unique_ptr<pelvaro::base::SettingsStore> settings;
    std::unique_ptr<THauptFormular> window;
};

} // namespace

TEST_F(MainWindowPreviewTest, ShowsEachRequestAndChangesNothing)
{
    openSite();
    const auto* action = window->findChild<QAction*>(QStringLiteral("ActionVorschau"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("Vorschau"));
    EXPECT_EQ(
        action->toolTip(),
        QStringLiteral("Zeigt, was an jeden Suchdienst gesendet würde, ohne etwas zu senden"));
    const Traces before = traces();
    const qsizetype shown = ui.messageTexts().size();
    const QString title = QStringLiteral("Wert äöü & Co");

    preview([&](TVorschauForm& form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Vorschau der Anmeldung"));
        auto* services = form.findChild<QTreeWidget*>(QStringLiteral("ServiceList"));
        ASSERT_EQ(services->topLevelItemCount(), 2);
        EXPECT_EQ(row(services, 0),
                  (QStringList{QStringLiteral("1"), QStringLiteral("Alpha"), QStringLiteral("GET"),
                               server.url(QStringLiteral("/alpha?titel=")) + title}));
        EXPECT_EQ(row(services, 1),
                  (QStringList{QStringLiteral("2"), QStringLiteral("Beta"), QStringLiteral("POST"),
                               server.url(QStringLiteral("/beta"))}));
        auto* request = form.findChild<QPlainTextEdit*>(QStringLiteral("RequestText"));
        EXPECT_TRUE(request->isReadOnly());
        EXPECT_TRUE(request->toPlainText().startsWith(QStringLiteral("GET /alpha?titel=") + title +
                                                      QStringLiteral(" HTTP/1.0\n")))
            << request->toPlainText().toStdString();
        services->setCurrentItem(services->topLevelItem(1));
        const QString post = request->toPlainText();
        EXPECT_TRUE(post.startsWith(QStringLiteral("POST /beta HTTP/1.0\n")));
        EXPECT_TRUE(post.endsWith(QStringLiteral("\n\ntitel=") + title)) << post.toStdString();
        EXPECT_FALSE(post.contains(QLatin1Char('\r')));

        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("SummaryLabel"))->text(),
                  QStringLiteral("2 Suchdienste würden angeschrieben"));
        auto* unprepared = form.findChild<QTreeWidget*>(QStringLiteral("UnpreparedList"));
        EXPECT_TRUE(unprepared->isVisible());
        ASSERT_EQ(unprepared->topLevelItemCount(), 1);
        EXPECT_EQ(row(unprepared, 0),
                  (QStringList{QStringLiteral("3"), QStringLiteral("Gamma"),
                               QStringLiteral("Nicht verfügbar!"),
                               QStringLiteral("http://www.dienst3.example/anmelden")}));
        form.findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    });

    // The run's box about the service without form fields; nothing else, not the run's
    // connection notice.
    EXPECT_EQ(ui.messageTexts().mid(shown),
              QStringList{QStringLiteral(" Nicht-kritischer Fehler Nr. 110219 (Gamma)")});
    EXPECT_EQ(traces(), before);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(module->counters(), (pelvaro::catalogue::SelectionCounters{0, 4, 3, 1}));
    EXPECT_EQ(window->pageControl()->currentIndex(), 3);
}

TEST_F(MainWindowPreviewTest, StartingFromThePreviewRunsTheRealRun)
{
    openSite();
    // The preview's start goes the normal way: the connection notice, then the scheduler.
    bool schedulerSeen = false;
    bool waiting = true;
    // The scheduler opens once the preview's own loop has ended; until then the preview is
    // still the modal window, so the look is repeated.
    std::function<void()> driveScheduler = [&] {
        auto* scheduler = qobject_cast<TThreadForm*>(QApplication::activeModalWidget());
        if (!waiting)
            return;
        if (!scheduler) {
            QTimer::singleShot(0, driveScheduler);
            return;
        }
        schedulerSeen = true;
        auto* start = scheduler->findChild<QPushButton*>(QStringLiteral("StartenButton"));
        start->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !start->isEnabled(); }, 60000));
        scheduler->findChild<QPushButton*>(QStringLiteral("SchliessenButton"))->click();
    };
    preview([&](TVorschauForm& form) {
        QTimer::singleShot(0, driveScheduler);
        form.findChild<QPushButton*>(QStringLiteral("StartButton"))->click();
    });
    // A look still queued ends here, not in a later test.
    waiting = false;
    QCoreApplication::processEvents();
    EXPECT_TRUE(schedulerSeen);
    EXPECT_EQ(server.requests().size(), 2);
    QStringList succeeded = window->ErfolgreichListe;
    succeeded.sort();
    ASSERT_EQ(succeeded.size(), 2);
    EXPECT_TRUE(succeeded[0].startsWith(QStringLiteral("Alpha\t")));
    EXPECT_TRUE(succeeded[1].startsWith(QStringLiteral("Beta\t")));
    EXPECT_EQ(window->pageControl()->currentIndex(), 5);
}

TEST_F(MainWindowPreviewTest, TheRunsChecksComeFirst)
{
    struct Case
    {
        std::function<void()> arrange;
        QString message;
        int page;
    };
    const std::vector<Case> cases{
        {[this] { module->AllesNichtAuswaehlen(); },
         QStringLiteral("Bevor die Anmeldung gestartet werden kann, müssen Sie mindestens "
                        "einen Suchdienst auswählen!"),
         2},
        {[this] {
             module->AllesNichtAuswaehlen();
             module->setField(QStringLiteral("Ausgewaehlt"), true, QStringLiteral("Nr = 4"));
             module->recount();
         },
         QStringLiteral("Bei keinem der von Ihnen ausgewählten Suchdienste kann automatisch "
                        "angemeldet. Bitte führen Sie eine manuelle Anmeldung durch!"),
         4},
        // The description is still empty.
        {[this] { module->AllesAuswaehlen(); },
         QStringLiteral("Bevor die Anmeldung gestartet werden kann, müssen Sie alle "
                        "Formularfelder ausfüllen!\n\nFalls Sie bestimmte Informationen nicht "
                        "angeben möchten, geben Sie in das entsprechende Feld z.B. \"---\" ein."),
         0},
    };
    for (const Case& c : cases) {
        c.arrange();
        const qsizetype shown = ui.messageTexts().size();
        window->pageControl()->setCurrentIndex(3);
        // No preview window may come up; should one, this closes it instead of hanging. The
        // timer ends with the case, so it cannot reach into a later one.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a window came up: " << modal->objectName().toStdString();
                modal->close();
            }
        });
        guard.start(0);
        window->findChild<QAction*>(QStringLiteral("ActionVorschau"))->trigger();
        EXPECT_EQ(ui.messageTexts().mid(shown), QStringList{c.message});
        EXPECT_EQ(window->pageControl()->currentIndex(), c.page) << c.message.toStdString();
    }
    EXPECT_TRUE(server.requests().isEmpty());
}
