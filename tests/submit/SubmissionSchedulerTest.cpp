// The scheduler's rules against a real local server: slots, counters, the brake, both abort
// paths, the closing rules and the result lines.
#include "submit/SubmissionScheduler.h"

#include "DescriptorLimit.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "TestHttpServer.h"
#include "TestTlsServer.h"
#include "TestWaits.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;
using pelvaro::base::MessageAnswer;
using pelvaro::submit::SendList;
using pelvaro::submit::SubmissionScheduler;
using pelvaro::test::ScriptedAnswer;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using pelvaro::test::TestHttpServer;
using pelvaro::test::TestTlsServer;
using State = SubmissionScheduler::SlotState;

namespace {

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::NoDotAndDotDot | QDir::System)
                   .size());
}

class SchedulerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.script("/ok", ScriptedAnswer::ok("a\r\nb\nc"));
        server.script("/fail", ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}));
        server.script("/never", ScriptedAnswer::neverAnswer());
        server.script("/slow", [] {
            ScriptedAnswer a = ScriptedAnswer::ok("langsam");
            a.delay = 300ms;
            return a;
        }());
        QDir().mkpath(answers());
    }

    static QString answers() { return TestDirs::programDir() + QStringLiteral("/HTML"); }

    // Entries named "Dienst <i>" (or the given names) going to the given paths.
    void fill(const QStringList& paths, const QStringList& names = {})
    {
        list.clear();
        for (int i = 0; i < paths.size(); ++i) {
            auto& e = list.entries[size_t(i)];
            e.Name = names.value(i, QStringLiteral("Dienst %1").arg(i + 1));
            e.Nr = 100 + i;
            e.URL = server.url(paths.at(i));
            e.PostDaten = QStringLiteral("XXX");
            e.AntwortDatei = answers() + QLatin1Char('/') + e.Name + QStringLiteral(".html");
        }
        list.count = int(paths.size());
    }

    std::unique_ptr<SubmissionScheduler> make(int threads, int idleTimeLimit = 120)
    {
        SubmissionScheduler::Settings settings;
        settings.threadCount = threads;
        settings.idleTimeLimit = idleTimeLimit;
        auto scheduler =
            std::make_unique<SubmissionScheduler>(ui, list, success, failure, settings);
        scheduler->FormActivate();
        return scheduler;
    }

    static QString runToEnd(SubmissionScheduler& scheduler)
    {
        QSignalSpy ended(&scheduler, &SubmissionScheduler::runEnded);
        scheduler.StartenButtonClick();
        if (ended.isEmpty()) {
            EXPECT_TRUE(ended.wait(pelvaro::test::HealthyWaitMs));
        }
        return ended.isEmpty() ? QString() : ended.first().first().toString();
    }

    TestHttpServer server;
    ScriptedUiServices ui;
    SendList list;
    QStringList success;
    QStringList failure;
};

} // namespace

TEST_F(SchedulerTest, HandsOutInListOrderToTheLowestFreeSlots)
{
    fill({QStringLiteral("/slow"), QStringLiteral("/slow"), QStringLiteral("/fail")});
    auto scheduler = make(5);
    EXPECT_EQ(scheduler->panel(0), QStringLiteral("Aktivierte Threads: 5"));
    EXPECT_EQ(scheduler->panel(2), QStringLiteral("Zu übertragen: Einträge 3"));
    EXPECT_EQ(scheduler->startButtonCaption(), QStringLiteral("Start"));

    QSignalSpy ended(scheduler.get(), &SubmissionScheduler::runEnded);
    scheduler->StartenButtonClick();
    EXPECT_EQ(scheduler->startButtonCaption(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(scheduler->slot(0).caption, QStringLiteral("Thread 1 belegt"));
    EXPECT_EQ(scheduler->slot(2).state, State::Belegt);
    EXPECT_EQ(scheduler->slot(3).caption, QStringLiteral("Thread 4 bereit"));
    EXPECT_EQ(scheduler->slot(4).state, State::Bereit);
    EXPECT_EQ(scheduler->slot(5).caption, QStringLiteral("Thread 6 deaktiviert"));
    EXPECT_EQ(scheduler->LaufendeThreads(), 3);
    EXPECT_EQ(scheduler->ImLauf(), 3);

    ASSERT_TRUE(ended.wait(pelvaro::test::HealthyWaitMs));
    EXPECT_EQ(ended.first().first().toString(),
              QStringLiteral("Die Übertragung ist abgeschlossen!"));
    EXPECT_EQ(ui.messageTexts().last(), QStringLiteral("Die Übertragung ist abgeschlossen!"));
    // Results are filed in the order the exchanges end: the quick failure first.
    ASSERT_EQ(failure.size(), 1);
    EXPECT_EQ(failure.first(), QStringLiteral("Dienst 3\tNot Found\t404\r102\t") +
                                   server.url(QStringLiteral("/fail")));
    ASSERT_EQ(success.size(), 2);
    QStringList sorted = success;
    sorted.sort();
    EXPECT_EQ(sorted.first(),
              QStringLiteral("Dienst 1\tOK\t200\r100\t") + server.url(QStringLiteral("/slow")));
    EXPECT_EQ(scheduler->labelErfolg(), QStringLiteral("Erfolgreiche Anmeldungen: 2"));
    EXPECT_EQ(scheduler->labelFehler(), QStringLiteral("Nicht gelungene Anmeldungen: 1"));
    EXPECT_FALSE(scheduler->startButtonEnabled());
    EXPECT_EQ(scheduler->startButtonCaption(), QStringLiteral("Start"));
    EXPECT_TRUE(scheduler->SchliessenButtonClick());
}

TEST_F(SchedulerTest, AnswerPagesAreSavedOnlyUnderSafeNames)
{
    fill({QStringLiteral("/ok"), QStringLiteral("/ok"), QStringLiteral("/fail")},
         {QStringLiteral("Gut"), QStringLiteral("../böse"), QStringLiteral("Fehler")});
    auto scheduler = make(2);
    EXPECT_EQ(runToEnd(*scheduler), QStringLiteral("Die Übertragung ist abgeschlossen!"));
    QFile page(answers() + QStringLiteral("/Gut.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_EQ(page.readAll(), QByteArray("a\r\nb\nc\r\n"));
    EXPECT_EQ(success.size(), 2) << "a name that is no file name still counts as a success";
    EXPECT_EQ(QDir(answers()).entryList(QDir::Files), QStringList{QStringLiteral("Gut.html")});
    EXPECT_FALSE(QFile::exists(TestDirs::programDir() + QStringLiteral("/böse.html")));
}

// Two services of one name share an answer page. Their workers write at the same time, yet
// the page holds one whole answer: the one whose result was filed last.
TEST_F(SchedulerTest, OneNameTwoAnswersLeavesTheLastFiledPage)
{
    const QByteArray first = QByteArray("erste Seite\r\n").repeated(20000);
    const QByteArray second = QByteArray("zweite\r\n").repeated(30000);
    server.script("/erste", ScriptedAnswer::ok(first));
    server.script("/zweite", ScriptedAnswer::ok(second));
    fill({QStringLiteral("/erste"), QStringLiteral("/zweite")},
         {QStringLiteral("Doppelt"), QStringLiteral("Doppelt")});
    auto scheduler = make(2);

    EXPECT_EQ(runToEnd(*scheduler), QStringLiteral("Die Übertragung ist abgeschlossen!"));

    ASSERT_EQ(success.size(), 2);
    const bool secondFiledLast = success.last().endsWith(server.url(QStringLiteral("/zweite")));
    QFile page(answers() + QStringLiteral("/Doppelt.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll() == (secondFiledLast ? second : first));
}

// A service that accepts the connection and then says nothing no longer keeps the run from
// ending: after the idle time limit its exchange is filed as a failure.
// The short limit is the hung service's only: a healthy service beside it would be held to
// it too, and on a busy machine may not answer within a second.
TEST_F(SchedulerTest, TheIdleLimitEndsAHungService)
{
    fill({QStringLiteral("/never")});
    auto scheduler = make(2, 1);

    EXPECT_EQ(runToEnd(*scheduler), QStringLiteral("Die Übertragung ist abgeschlossen!"));

    EXPECT_TRUE(success.isEmpty());
    ASSERT_EQ(failure.size(), 1);
    EXPECT_EQ(failure.first(),
              QStringLiteral("Dienst 1\tZeitüberschreitung: 1 Sekunde lang keine Daten "
                             "empfangen\t404\r100\t") +
                  server.url(QStringLiteral("/never")));
    EXPECT_EQ(scheduler->LaufendeThreads(), 0);
}

// Without an eventfd for the inbox the workers' reports still reach the main thread.
TEST_F(SchedulerTest, RunsWithoutAWakeEvent)
{
    fill({QStringLiteral("/ok"), QStringLiteral("/fail"), QStringLiteral("/ok")});
    std::unique_ptr<SubmissionScheduler> scheduler;
    {
        pelvaro::test::DescriptorLimit limit;
        ASSERT_TRUE(limit.active());
        scheduler = make(2);
    }

    EXPECT_EQ(runToEnd(*scheduler), QStringLiteral("Die Übertragung ist abgeschlossen!"));
    EXPECT_EQ(success.size(), 2);
    EXPECT_EQ(failure.size(), 1);
}

TEST_F(SchedulerTest, TheErrorRateBrakeStopsHandingOut)
{
    const auto failing = [](int n) {
        QStringList paths;
        for (int i = 0; i < n; ++i)
            paths << QStringLiteral("/fail");
        return paths;
    };
    // 30 failures alone do not brake.
    fill(failing(30));
    auto thirty = make(1);
    EXPECT_EQ(runToEnd(*thirty), QStringLiteral("Die Übertragung ist abgeschlossen!"));
    EXPECT_EQ(failure.size(), 30);

    // The 31st does: no new entry is handed out, and the box gives the rate.
    failure.clear();
    fill(failing(40));
    auto forty = make(1);
    const QString message = runToEnd(*forty);
    EXPECT_EQ(failure.size(), 31);
    EXPECT_TRUE(message.startsWith(QStringLiteral(
        "Die Übertragung wurde wegen zu hoher Fehlerquote (100%) abgebrochen! \n\n")))
        << message.toStdString();
    EXPECT_EQ(SubmissionScheduler::Fehlerquote(20, 20), 50);
    EXPECT_EQ(SubmissionScheduler::Fehlerquote(0, 0), 0);
    EXPECT_EQ(SubmissionScheduler::Fehlerquote(2, 1), 66);
}

TEST_F(SchedulerTest, AnAbortRequestLetsTheRunningOnesFinish)
{
    fill({QStringLiteral("/ok"), QStringLiteral("/fail"), QStringLiteral("/ok"),
          QStringLiteral("/ok")});
    auto scheduler = make(2);
    QSignalSpy ended(scheduler.get(), &SubmissionScheduler::runEnded);
    scheduler->StartenButtonClick();
    ui.answer(MessageAnswer::Yes);
    scheduler->StartenButtonClick();
    EXPECT_TRUE(scheduler->AbbruchAngefordert());
    EXPECT_EQ(scheduler->panel(2), QStringLiteral("Abbruchanforderung wird bearbeitet."));
    EXPECT_TRUE(scheduler->abortTimerActive());
    ASSERT_TRUE(ended.wait(pelvaro::test::HealthyWaitMs));
    // One success and one failure: rate 50, so the plain message.
    EXPECT_EQ(ended.first().first().toString(),
              QStringLiteral("Die Übertragung wurde abgebrochen!"));
    EXPECT_EQ(success.size() + failure.size(), 2);
    EXPECT_FALSE(scheduler->abortTimerActive());
}

TEST_F(SchedulerTest, SecondAbortDiscardsHangingWorkersAtOnce)
{
    QStringList paths;
    for (int i = 0; i < 30; ++i)
        paths << QStringLiteral("/never");
    fill(paths);
    const int descriptorsBefore = openDescriptors();
    {
        auto scheduler = make(24);
        scheduler->StartenButtonClick();
        ASSERT_TRUE(server.waitForRequests(24, pelvaro::test::HealthyWait));
        EXPECT_EQ(scheduler->LaufendeThreads(), 24);
        // A hanging worker shows its service and that its request has gone out.
        EXPECT_TRUE(QTest::qWaitFor([&] { return scheduler->slot(23).progress == 40; }, 10000));
        EXPECT_EQ(scheduler->slot(23).label, QStringLiteral("Dienst 24"));
        EXPECT_EQ(scheduler->slot(23).caption, QStringLiteral("Thread 24 belegt"));

        // Closing is refused while exchanges run.
        EXPECT_FALSE(scheduler->FormCloseQuery());
        EXPECT_EQ(ui.messageTexts().last(),
                  QStringLiteral("Bitte warten Sie, bis alle 24 laufenden Threads beendet sind, "
                                 "oder klicken Sie auf \"Abbrechen\"!"));
        EXPECT_FALSE(scheduler->SchliessenButtonClick());
        EXPECT_TRUE(ui.messageTexts().last().startsWith(
            QStringLiteral("Bitte warten Sie, bis alle 24 laufenden Threads")));

        ui.answer(MessageAnswer::Yes);
        scheduler->StartenButtonClick();
        QSignalSpy ended(scheduler.get(), &SubmissionScheduler::runEnded);
        scheduler->StartenButtonClick();
        ASSERT_EQ(ended.size(), 1) << "the second click ends the run at once";
        EXPECT_EQ(ui.messageTexts().last(),
                  QStringLiteral("Ihre Abbruchanforderung wurde durchgeführt!"));
        EXPECT_EQ(scheduler->LaufendeThreads(), 0);
        EXPECT_EQ(scheduler->slot(0).state, State::Deaktiviert);
        EXPECT_FALSE(scheduler->startButtonEnabled());
        EXPECT_TRUE(success.isEmpty() && failure.isEmpty()) << "abandoned exchanges file no line";
        EXPECT_TRUE(scheduler->FormCloseQuery());
    }
    EXPECT_TRUE(server.waitForNoConnections(5s));
    EXPECT_EQ(openDescriptors(), descriptorsBefore) << "no socket or event left behind";
}

TEST_F(SchedulerTest, TheAbortTimerDiscardsSilently)
{
    fill({QStringLiteral("/never"), QStringLiteral("/never"), QStringLiteral("/ok")});
    auto scheduler = make(2);
    scheduler->StartenButtonClick();
    ui.answer(MessageAnswer::Yes);
    scheduler->StartenButtonClick();
    const auto messages = ui.messageTexts().size();
    QSignalSpy ended(scheduler.get(), &SubmissionScheduler::runEnded);
    scheduler->TimerAbbruchanforderungTimer();
    EXPECT_EQ(ended.size(), 1);
    EXPECT_EQ(ui.messageTexts().size(), messages) << "no message";
    EXPECT_FALSE(scheduler->startButtonEnabled());
    EXPECT_EQ(scheduler->LaufendeThreads(), 0);
}

TEST_F(SchedulerTest, NothingToSend)
{
    fill({});
    auto scheduler = make(5);
    scheduler->StartenButtonClick();
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Die Übertragung kann nicht an 0 Suchdienste durchgeführt werden! "
                             "Vorgang wird abgebrochen!"));
}

// The workers take the extra certificates along to every https service; a file that cannot
// be used stops the run before the first service with one message.
TEST_F(SchedulerTest, HttpsServicesTrustTheCaFileAndAnUnusableOneStopsTheRun)
{
    TestTlsServer tls;
    const QString caPath = TestDirs::programDir() + QStringLiteral("/test-ca.pem");
    QFile caFile(caPath);
    ASSERT_TRUE(caFile.open(QIODevice::WriteOnly));
    caFile.write(TestTlsServer::caPem());
    caFile.close();
    const auto makeWith = [&](const QString& certificates) {
        SubmissionScheduler::Settings settings;
        settings.threadCount = 2;
        settings.caFile = certificates;
        auto scheduler =
            std::make_unique<SubmissionScheduler>(ui, list, success, failure, settings);
        scheduler->FormActivate();
        return scheduler;
    };
    fill({QStringLiteral("/ok"), QStringLiteral("/ok"), QStringLiteral("/ok")});
    for (int i = 0; i < list.count; ++i)
        list.entries[size_t(i)].URL = tls.url(QStringLiteral("/add%1").arg(i));

    const QString missing = TestDirs::programDir() + QStringLiteral("/fehlt.pem");
    auto refused = makeWith(missing);
    const QString problem = pelvaro::submit::HttpExchange::checkCaFile(missing);
    ASSERT_FALSE(problem.isEmpty());
    EXPECT_EQ(runToEnd(*refused), problem);
    EXPECT_EQ(ui.messageTexts().last(), problem);
    EXPECT_TRUE(refused->finished());
    EXPECT_TRUE(success.isEmpty());
    EXPECT_TRUE(failure.isEmpty());
    EXPECT_EQ(tls.connections(), 0);
    refused.reset();

    auto scheduler = makeWith(caPath);
    EXPECT_EQ(runToEnd(*scheduler), QStringLiteral("Die Übertragung ist abgeschlossen!"));
    EXPECT_EQ(success.size(), 3);
    EXPECT_TRUE(failure.isEmpty()) << failure.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(tls.requests().size(), 3);
}

namespace {

struct KeyGateCase
{
    const char* name;
    pelvaro::test::ScriptedAnswer keyFile;
    bool passes;
};

class IndexNowGate : public SchedulerTest, public ::testing::WithParamInterface<KeyGateCase>
{
};

} // namespace

// The key file is fetched once, before the first IndexNow post; the form services go on
// meanwhile. A bad key file keeps every endpoint from being asked and is nobody's failure.
TEST_P(IndexNowGate, TheKeyFileDecidesWhetherEndpointsAreAsked)
{
    const KeyGateCase c = GetParam();
    const QString key = QStringLiteral("Schluessel-0123456789");
    server.script("/" + key.toLatin1() + ".txt", c.keyFile);
    server.script("/indexnow", ScriptedAnswer::status("HTTP/1.0 202 Accepted", {}));
    server.script("/bremse/indexnow",
                  ScriptedAnswer::status("HTTP/1.0 429 Too Many Requests", {"Retry-After: 600"}));
    fill({QStringLiteral("/indexnow"), QStringLiteral("/ok"), QStringLiteral("/bremse/indexnow"),
          QStringLiteral("/indexnow")});
    for (const int i : {0, 2, 3}) {
        list.entries[size_t(i)].IndexNow = true;
        list.entries[size_t(i)].PostDaten = QStringLiteral("{\"host\":\"127.0.0.1\"}");
    }
    list.indexNowSite = server.url(QStringLiteral("/"));
    list.indexNowKey = key;

    pelvaro::submit::RunJournal journal;
    SubmissionScheduler::Settings settings;
    settings.threadCount = 4;
    settings.journal = &journal;
    SubmissionScheduler scheduler(ui, list, success, failure, settings);
    scheduler.FormActivate();
    const QDateTime before = QDateTime::currentDateTimeUtc();
    EXPECT_EQ(runToEnd(scheduler), QStringLiteral("Die Übertragung ist abgeschlossen!"));

    int keyFetches = 0;
    int posts = 0;
    for (const QByteArray& request : server.requests()) {
        keyFetches += request.startsWith("GET /" + key.toLatin1() + ".txt ");
        posts += request.contains("/indexnow HTTP/1.0");
    }
    EXPECT_EQ(keyFetches, 1);
    if (c.passes) {
        EXPECT_EQ(posts, 3);
        EXPECT_TRUE(journal.indexNowStop.isEmpty());
        EXPECT_TRUE(journal.heldBack.isEmpty());
        ASSERT_EQ(success.size(), 3); // the form service and both 202s
        ASSERT_EQ(failure.size(), 1);
        EXPECT_TRUE(failure.first().startsWith(QStringLiteral("Dienst 3\tzu viele Anfragen")));
        EXPECT_TRUE(success.filter(QStringLiteral("Schlüssel wird noch geprüft\t202")).size() == 2);
        ASSERT_EQ(journal.outcomes.size(), 4u);
        for (const auto& outcome : journal.outcomes) {
            EXPECT_EQ(outcome.indexNow, outcome.nr != 101) << outcome.nr;
            EXPECT_EQ(outcome.keyPending, outcome.nr == 100 || outcome.nr == 103) << outcome.nr;
            EXPECT_EQ(outcome.notBefore.isValid(), outcome.nr == 102) << outcome.nr;
        }
        // The endpoint that asked for ten minutes gets them, in this run's journal and beyond.
        const auto until = journal.waits.blockedUntil(
            server.url(QStringLiteral("/bremse/indexnow")), before.addSecs(590));
        ASSERT_TRUE(until);
        EXPECT_GE(*until, before.addSecs(600));
    } else {
        EXPECT_EQ(posts, 0);
        EXPECT_FALSE(journal.indexNowStop.isEmpty());
        QList<qint32> held = journal.heldBack;
        std::sort(held.begin(), held.end());
        EXPECT_EQ(held, (QList<qint32>{100, 102, 103}));
        EXPECT_EQ(success.size(), 1) << "the form service is sent all the same";
        EXPECT_TRUE(failure.isEmpty()) << "a missing key file is no service's failure";
        EXPECT_EQ(scheduler.FehlerZaehler(), 0);
        ASSERT_EQ(journal.outcomes.size(), 1u);
        EXPECT_EQ(journal.outcomes.front().nr, 101);
    }
}

INSTANTIATE_TEST_SUITE_P(
    KeyFile, IndexNowGate,
    ::testing::Values(
        KeyGateCase{"holds_the_key", ScriptedAnswer::ok("Schluessel-0123456789\n"), true},
        KeyGateCase{"missing", ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}), false},
        KeyGateCase{"another_key", ScriptedAnswer::ok("ein-anderer-Schluessel"), false}),
    [](const auto& info) { return std::string(info.param.name); });
