#include "CatalogueFixture.h"
#include "ProcessResources.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "TestHttpServer.h"
#include "base/SettingsStore.h"
#include "catalogue/TDataModule1.h"
#include "updates/LoopTransferDisplay.h"
#include "updates/TransferJob.h"
#include "updates/UpdateSequence.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

using namespace pelvaro;
using namespace pelvaro::updates;
using test::FullBacklogListener;
using test::Hostile;
using test::hostileAnswer;
using test::ScriptedUiServices;
using test::TestDirs;
using test::TestHttpServer;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

using Resources = pelvaro::test::ProcessResources;

// A failure the client detects itself is shown on the spot, then the sequence's warning.
QStringList clientFailure(const QString& reason)
{
    return {QStringLiteral("Fehler beim Abrufen der Aktualisierungsinformation.\n"
                           "Ausnahmebedingung: %1.")
                .arg(reason),
            UpdateSequence::fetchFailedText(reason)};
}

// A status other than 200 is shown as its number, then the sequence's warning.
QStringList serverFailure(int status, const QString& text)
{
    return {QString::number(status), UpdateSequence::fetchFailedText(text)};
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error)) + QStringLiteral(" (Error #%1)").arg(error);
}

const QString silentFor1s =
    QStringLiteral("Zeitüberschreitung: 1 Sekunde lang keine Daten empfangen");
const QString noStatusLine = QStringLiteral("Ungültige Antwort des Servers: keine Statuszeile");
// A page that names no version offers nothing newer.
const QStringList upToDate{QStringLiteral(
    "Ihre Software ist auf dem neuesten Stand. Es ist zur Zeit keine neuere Version vorhanden.")};

enum class CancelAt
{
    Never, // the case ends on its own within milliseconds
    Start, // as soon as the transfer is waited for
    Request,
};

struct Row
{
    const char* name;
    std::optional<Hostile> kind; // none: a listener that never accepts
    CancelAt cancelAt;
    QStringList boxes = {};
    bool failed = true;
};

// The same servers as the submissions meet, now asked for the catalogue's information page.
const Row rows[] = {
    {"nie angenommen", std::nullopt, CancelAt::Start, clientFailure(silentFor1s)},
    {"keine Antwort", Hostile::NeverAnswer, CancelAt::Request, clientFailure(silentFor1s)},
    {"tröpfelt (50 ms/Byte)", Hostile::DripAnswer, CancelAt::Request, upToDate, false},
    {"tröpfelt (1,5 s/Byte)", Hostile::DripSlowerThanLimit, CancelAt::Request,
     clientFailure(silentFor1s)},
    // The fetch keeps the exchange's own total limit: ten times the idle limit.
    {"tröpfelt endlos (0,4 s/Byte)", Hostile::DripForever, CancelAt::Request,
     clientFailure(
         QStringLiteral("Zeitüberschreitung: Antwort nach 10 Sekunden noch nicht vollständig"))},
    {"endloser Körper", Hostile::EndlessBody, CancelAt::Never,
     clientFailure(TransferJob::tooLargeText(TWebFileInfo::PageCap))},
    {"Statuszeile 1 MB", Hostile::HugeStatusLine, CancelAt::Never, clientFailure(noStatusLine)},
    {"Kopfzeilen ohne Ende", Hostile::EndlessHeaders, CancelAt::Never,
     clientFailure(QStringLiteral("Ungültige Antwort des Servers: Kopfzeilen zu lang"))},
    {"Ende in der Statuszeile", Hostile::CloseInStatusLine, CancelAt::Never,
     clientFailure(noStatusLine)},
    {"Reset", Hostile::Reset, CancelAt::Never, clientFailure(systemError(ECONNRESET))},
    // An interim answer is no page, whatever follows it.
    // An interim answer is passed over: with nothing after it the server has not answered,
    // and the answer after it is the one that counts.
    {"100, dann Ende", Hostile::ContinueOnly, CancelAt::Never,
     clientFailure(QStringLiteral("Ungültige Antwort des Servers: Verbindung ohne Antwort "
                                  "geschlossen"))},
    {"100, dann Stille", Hostile::ContinueThenSilence, CancelAt::Request,
     clientFailure(silentFor1s)},
    {"100, dann 200", Hostile::ContinueThenAnswer, CancelAt::Never, upToDate, false},
    {"302 auf sich selbst", Hostile::RedirectLoop, CancelAt::Never,
     serverFailure(302, QStringLiteral("Found"))},
    {"Körper länger als Länge", Hostile::BodyLongerThanLength, CancelAt::Never, upToDate, false},
    {"Körper kürzer, Ende", Hostile::BodyShorterThanLength, CancelAt::Never, upToDate, false},
    {"Körper kürzer, offen", Hostile::BodyShorterThanLengthHeld, CancelAt::Request,
     clientFailure(silentFor1s)},
};

class HostileUpdateServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(settings.LoadSettings());
        settings.settings().idleTimeLimit = 1;
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        test::createCatalogue(data, {test::engine(1, QStringLiteral("Alpha"))});
        ASSERT_TRUE(module.open(data, QStringLiteral("2.9")));
    }

    struct Outcome
    {
        UpdateResult result;
        QStringList boxes;
        qint64 milliseconds = 0;
        qint64 afterCancelUs = -1;
        qsizetype requests = 0;
    };

    // One catalogue update against the row's server, cancelled from another thread when
    // asked; it must leave no descriptor or thread of its own behind.
    Outcome runRow(const Row& row, bool cancel)
    {
        Outcome out;
        ScriptedUiServices ui;
        LoopTransferDisplay display;
        TestHttpServer server;
        FullBacklogListener stalled;
        const QString page = UpdateSequence::catalogueInfoPath();
        const QString base = row.kind ? server.url(QString()) : stalled.url(QString());
        if (row.kind)
            server.script(page.toLatin1(), hostileAnswer(*row.kind, base + page));
        else
            EXPECT_TRUE(stalled.ready()) << "the backlog could not be filled";

        std::mutex mutex;
        std::condition_variable shown;
        TransferJob* waitedFor = nullptr;
        display.setShownHook([&](TransferJob& job) {
            std::lock_guard lock(mutex);
            waitedFor = &job;
            shown.notify_all();
        });

        const Resources before;
        {
            UpdateSequence sequence(ui, settings, display);
            sequence.setServer(base);
            std::atomic<Clock::time_point> cancelledAt{Clock::time_point()};
            std::thread canceller;
            if (cancel) {
                canceller = std::thread([&] {
                    if (row.cancelAt == CancelAt::Request) {
                        EXPECT_TRUE(server.waitForRequests(1, 10s));
                    }
                    std::unique_lock lock(mutex);
                    shown.wait(lock, [&] { return waitedFor != nullptr; });
                    cancelledAt = Clock::now();
                    waitedFor->cancel();
                });
            }
            const Clock::time_point start = Clock::now();
            out.result = sequence.updateCatalogue(module);
            const Clock::time_point end = Clock::now();
            if (canceller.joinable())
                canceller.join();
            out.milliseconds =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
            if (cancel)
                out.afterCancelUs =
                    std::chrono::duration_cast<std::chrono::microseconds>(end - cancelledAt.load())
                        .count();
        }
        EXPECT_TRUE(server.waitForNoConnections(10s));
        const Resources after;
        EXPECT_EQ(after.descriptors, before.descriptors) << "descriptors left behind";
        EXPECT_EQ(after.threads, before.threads) << "threads left behind";
        out.boxes = ui.messageTexts();
        out.requests = server.requests().size();
        return out;
    }

    struct Download
    {
        UpdateResult result;
        QStringList boxes;
        QByteArray file;       // what the target holds afterwards; "<none>" when missing
        QStringList leftovers; // other files in the download folder
        bool cancelled = false;
        qint64 milliseconds = 0;
    };

    // The program update: a good information page, then the download from the row's server
    // into a fresh folder, declining the installation. A cancel comes once the download's
    // request has arrived.
    Download downloadRow(Hostile kind, bool cancel, bool arrives = false)
    {
        Download out;
        ScriptedUiServices ui;
        LoopTransferDisplay display;
        TestHttpServer server;
        const QString package = server.url(QStringLiteral("/p.deb"));
        server.script("/p.deb", hostileAnswer(kind, package));
        server.script(UpdateSequence::programInfoPath().toLatin1(),
                      test::ScriptedAnswer::ok(
                          "<html><head>\r\n<META HTTP-EQUIV=\"produkt\" CONTENT=\"Pelvaro!\">\r\n"
                          "<META HTTP-EQUIV=\"version\" CONTENT=\"1.7\">\r\n"
                          "<META HTTP-EQUIV=\"datum\" CONTENT=\"Dec 07, 2026\">\r\n"
                          "<META HTTP-EQUIV=\"url\" CONTENT=\"" +
                          package.toLatin1() + "\">\r\n</head></html>\r\n"));
        const QString folder = TestDirs::root() + QStringLiteral("/hostile-downloads");
        QDir(folder).removeRecursively();
        EXPECT_TRUE(QDir().mkpath(folder));
        const QString target = folder + QStringLiteral("/p.deb");
        ui.answer(base::MessageAnswer::Yes);
        ui.answerFile(target);
        if (arrives)
            ui.answer(base::MessageAnswer::No); // only a whole file is offered for installing

        std::mutex mutex;
        std::condition_variable shown;
        TransferJob* latest = nullptr;
        int transfers = 0;
        display.setShownHook([&](TransferJob& job) {
            std::lock_guard lock(mutex);
            latest = &job;
            ++transfers;
            shown.notify_all();
        });

        const Resources before;
        {
            UpdateSequence sequence(ui, settings, display);
            sequence.setServer(server.url(QString()));
            sequence.setDownloadDirectory(folder);
            std::thread canceller;
            if (cancel) {
                canceller = std::thread([&] {
                    EXPECT_TRUE(server.waitForRequests(2, 10s));
                    std::unique_lock lock(mutex);
                    if (shown.wait_for(lock, 10s, [&] { return transfers == 2; }))
                        latest->cancel();
                    else
                        ADD_FAILURE() << "the download was never waited for";
                });
            }
            const Clock::time_point start = Clock::now();
            out.result = sequence.updateProgram();
            out.milliseconds =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            if (canceller.joinable())
                canceller.join();
            out.cancelled = sequence.info().DownloadCancelled();
        }
        EXPECT_TRUE(server.waitForNoConnections(10s));
        const Resources after;
        EXPECT_EQ(after.descriptors, before.descriptors) << "descriptors left behind";
        EXPECT_EQ(after.threads, before.threads) << "threads left behind";
        out.boxes = ui.messageTexts();
        QFile file(target);
        out.file = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
        out.leftovers = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        out.leftovers.removeAll(QStringLiteral("p.deb"));
        return out;
    }

    base::SettingsStore settings{TestDirs::settingsFile()};
    ScriptedUiServices moduleUi;
    catalogue::TDataModule1 module{moduleUi};
};

} // namespace

TEST_F(HostileUpdateServer, EveryInformationFetchEndsWithAClearResult)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Outcome o = runRow(row, false);
        std::printf("[hostile] Aktualisierung %-28s %6lld ms\n", row.name,
                    static_cast<long long>(o.milliseconds));
        EXPECT_EQ(o.boxes, row.boxes);
        EXPECT_EQ(o.result.failed, row.failed);
        EXPECT_EQ(o.result.outcome, UpdateOutcome::Nothing);
        // A redirection is not followed either: one request per fetch.
        EXPECT_EQ(o.requests, row.kind ? 1 : 0);
    }
}

TEST_F(HostileUpdateServer, CancelFromAnotherThreadEndsAStalledFetchAtOnce)
{
    for (const Row& row : rows) {
        if (row.cancelAt == CancelAt::Never)
            continue;
        SCOPED_TRACE(row.name);
        const Outcome o = runRow(row, true);
        std::printf("[hostile] Aktualisierung abgebrochen %-28s %6lld ms, nach cancel() %lld µs\n",
                    row.name, static_cast<long long>(o.milliseconds),
                    static_cast<long long>(o.afterCancelUs));
        EXPECT_TRUE(o.result.failed);
        EXPECT_EQ(o.boxes,
                  QStringList{UpdateSequence::fetchFailedText(TWebFileInfo::cancelledText())});
    }
}

namespace {

QString downloadFailure(const QString& reason)
{
    return QStringLiteral("Fehler beim Herunterladen der neuen Version.\nFehler: \"%1.\"")
        .arg(reason);
}

} // namespace

// The download goes to a file without a size cap, so the cases that differ from the page's
// are those about the body's length and what stands before it.
TEST_F(HostileUpdateServer, EveryDownloadEndsWithAClearResultAndNoStrayFile)
{
    struct DownloadRow
    {
        const char* name;
        Hostile kind;
        QString failure; // empty: the file arrives whole
    };
    const DownloadRow downloads[] = {
        {"tröpfelt (50 ms/Byte)", Hostile::DripAnswer, {}},
        // Too many bytes are as wrong as too few; the text says the same for both.
        {"Körper länger als Länge", Hostile::BodyLongerThanLength,
         QStringLiteral("Übertragung unvollständig: 18 von 2 Bytes empfangen")},
        {"Körper kürzer, Ende", Hostile::BodyShorterThanLength,
         QStringLiteral("Übertragung unvollständig: 18 von 100 Bytes empfangen")},
        {"100, dann 200", Hostile::ContinueThenAnswer, {}},
        {"302 auf sich selbst", Hostile::RedirectLoop, QStringLiteral("Found")},
    };
    for (const DownloadRow& row : downloads) {
        SCOPED_TRACE(row.name);
        const Download d = downloadRow(row.kind, false, row.failure.isEmpty());
        std::printf("[hostile] Herunterladen %-28s %6lld ms\n", row.name,
                    static_cast<long long>(d.milliseconds));
        EXPECT_FALSE(d.cancelled);
        EXPECT_TRUE(d.leftovers.isEmpty()) << d.leftovers.join(u' ').toStdString();
        if (row.failure.isEmpty()) {
            EXPECT_FALSE(d.result.failed);
            EXPECT_EQ(d.file, QByteArray(test::HostileBody));
        } else {
            EXPECT_TRUE(d.result.failed);
            ASSERT_FALSE(d.boxes.isEmpty());
            EXPECT_EQ(d.boxes.last(), downloadFailure(row.failure));
            EXPECT_EQ(d.file, QByteArray("<none>"));
        }
    }
}

// Long before an endless download reaches its cap, the user's cancel ends it: nothing is kept
// of it.
TEST_F(HostileUpdateServer, CancelEndsAnEndlessDownloadAndKeepsNothing)
{
    for (const Hostile kind : {Hostile::EndlessBody, Hostile::DripForever}) {
        const Download d = downloadRow(kind, true);
        std::printf("[hostile] Herunterladen abgebrochen %s %6lld ms\n",
                    kind == Hostile::EndlessBody ? "endloser Körper" : "tröpfelt endlos",
                    static_cast<long long>(d.milliseconds));
        EXPECT_TRUE(d.cancelled);
        EXPECT_FALSE(d.result.failed);
        EXPECT_EQ(d.file, QByteArray("<none>"));
        EXPECT_TRUE(d.leftovers.isEmpty()) << d.leftovers.join(u' ').toStdString();
    }
}

// Unwatched, an endless download stops at the job's cap (a gigabyte for the update's
// downloads, a quarter megabyte here) with its reason, and leaves no part file behind.
TEST(HostileDownload, AnEndlessBodyStopsAtTheCapAndLeavesNothing)
{
    constexpr qint64 cap = 256 * 1024;
    TestHttpServer server;
    submit::ExchangeRequest request;
    request.url = server.url(QStringLiteral("/p.deb"));
    server.script("/p.deb", hostileAnswer(Hostile::EndlessBody, request.url));
    const QString folder = TestDirs::root() + QStringLiteral("/capped-download");
    QDir(folder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/p.deb");
    {
        const std::unique_ptr<TransferJob> job = TransferJob::toFile(request, target, cap);
        job->start();
        job->join();
        const TransferJob::Outcome& o = job->outcome();
        EXPECT_FALSE(o.cancelled);
        EXPECT_FALSE(o.result.Erfolg);
        EXPECT_EQ(o.result.Meldung, TransferJob::tooLargeText(cap));
        EXPECT_EQ(TransferJob::tooLargeText(cap),
                  QStringLiteral("Die Antwort ist größer als 256 KB"));
        EXPECT_LE(o.received, cap);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(TransferJob::tooLargeText(TransferJob::DownloadCap),
              QStringLiteral("Die Antwort ist größer als 1024 MB"));
}
