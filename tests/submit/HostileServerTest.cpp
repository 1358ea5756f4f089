#include "submit/HttpExchange.h"

#include "ProcessResources.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

using namespace pelvaro::submit;
using pelvaro::test::FullBacklogListener;
using pelvaro::test::Hostile;
using pelvaro::test::hostileAnswer;
using pelvaro::test::HostileBody;
using pelvaro::test::TestHttpServer;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

using Resources = pelvaro::test::ProcessResources;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error)) + QStringLiteral(" (Error #%1)").arg(error);
}

const QString silentFor1s =
    QStringLiteral("Zeitüberschreitung: 1 Sekunde lang keine Daten empfangen");
const QString noStatusLine = QStringLiteral("Ungültige Antwort des Servers: keine Statuszeile");
const QString endlessHeaders = QStringLiteral("Ungültige Antwort des Servers: Kopfzeilen zu lang");

const QByteArray body = HostileBody;

// When the cancel of the second variant comes: as soon as the exchange has begun (a server
// that never accepts gives no later sign), or once the server holds the whole request.
enum class CancelAt
{
    Never, // the case ends on its own within milliseconds; there is nothing to cancel
    Start,
    Request,
};

struct Row
{
    const char* name;
    std::optional<Hostile> kind; // none: a listener that never accepts
    CancelAt cancelAt;
    bool erfolg = false;
    int status = 404;
    QString text = {};
    QByteArray body = {};
    qsizetype bodySize = -1; // checked instead of `body` when not -1
    qint64 contentLength = -1;
};

// Submissions are judged by the exchange's result alone: what a server sends decides
// whether the entry counts. An interim 1xx answer is passed over: only the answer after it
// counts, and without one the exchange fails.
const Row rows[] = {
    {"nie angenommen", std::nullopt, CancelAt::Start, false, 404, silentFor1s},
    {"keine Antwort", Hostile::NeverAnswer, CancelAt::Request, false, 404, silentFor1s},
    {"tröpfelt (50 ms/Byte)", Hostile::DripAnswer, CancelAt::Request, true, 200,
     QStringLiteral("OK"), body},
    {"tröpfelt (1,5 s/Byte)", Hostile::DripSlowerThanLimit, CancelAt::Request, false, 404,
     silentFor1s},
    {"tröpfelt endlos (0,4 s/Byte)", Hostile::DripForever, CancelAt::Request, false, 404,
     QStringLiteral("Zeitüberschreitung: Antwort nach 5 Sekunden noch nicht vollständig")},
    {"endloser Körper",
     Hostile::EndlessBody,
     CancelAt::Never,
     true,
     200,
     QStringLiteral("OK"),
     {},
     HttpExchange::BodyCap},
    {"Statuszeile 1 MB", Hostile::HugeStatusLine, CancelAt::Never, false, 404, noStatusLine},
    {"Kopfzeilen ohne Ende", Hostile::EndlessHeaders, CancelAt::Never, false, 404, endlessHeaders},
    {"Ende in der Statuszeile", Hostile::CloseInStatusLine, CancelAt::Never, false, 404,
     noStatusLine},
    {"Reset", Hostile::Reset, CancelAt::Never, false, 404, systemError(ECONNRESET)},
    {"100, dann Ende", Hostile::ContinueOnly, CancelAt::Never, false, 404,
     QStringLiteral("Ungültige Antwort des Servers: Verbindung ohne Antwort geschlossen")},
    {"100, dann Stille", Hostile::ContinueThenSilence, CancelAt::Request, false, 404, silentFor1s},
    {"100, dann 200", Hostile::ContinueThenAnswer, CancelAt::Never, true, 200, QStringLiteral("OK"),
     body},
    {"302 auf sich selbst", Hostile::RedirectLoop, CancelAt::Never, true, 302,
     QStringLiteral("Found")},
    {"Körper länger als Länge", Hostile::BodyLongerThanLength, CancelAt::Never, true, 200,
     QStringLiteral("OK"), body, -1, 2},
    {"Körper kürzer, Ende", Hostile::BodyShorterThanLength, CancelAt::Never, true, 200,
     QStringLiteral("OK"), body, -1, 100},
    {"Körper kürzer, offen", Hostile::BodyShorterThanLengthHeld, CancelAt::Request, false, 404,
     silentFor1s},
};

struct Outcome
{
    ExchangeResult result;
    qint64 milliseconds = 0;   // from run() to its return
    qint64 afterCancelUs = -1; // from cancel() to the return of run(), in µs
    qsizetype requests = 0;
};

// Runs one exchange against the row's server, cancelled from another thread when asked,
// and checks that it leaves no descriptor or thread of its own behind.
Outcome runRow(const Row& row, bool cancel)
{
    Outcome out;
    TestHttpServer server;
    FullBacklogListener stalled;
    const QString url =
        row.kind ? server.url(QStringLiteral("/h")) : stalled.url(QStringLiteral("/h"));
    if (row.kind)
        server.script("/h", hostileAnswer(*row.kind, url));
    else
        EXPECT_TRUE(stalled.ready()) << "the backlog could not be filled";

    ExchangeRequest request;
    request.url = url;
    request.idleTimeLimit = 1;
    // Long enough for the 50 ms drip to finish its answer; the endless drip runs into it.
    request.totalTimeLimit = 5;

    const Resources before;
    {
        HttpExchange exchange;
        std::mutex mutex;
        std::condition_variable started;
        bool running = false;
        const HttpExchange::Progress progress = [&](int percent) {
            if (percent != 5)
                return;
            std::lock_guard lock(mutex);
            running = true;
            started.notify_all();
        };
        std::atomic<Clock::time_point> cancelledAt{Clock::time_point()};
        std::thread canceller;
        if (cancel) {
            canceller = std::thread([&] {
                if (row.cancelAt == CancelAt::Request) {
                    EXPECT_TRUE(server.waitForRequests(1, 10s));
                } else {
                    std::unique_lock lock(mutex);
                    started.wait(lock, [&] { return running; });
                }
                cancelledAt = Clock::now();
                exchange.cancel();
            });
        }
        const Clock::time_point start = Clock::now();
        out.result = exchange.run(request, progress);
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
    // The server's side of the connection is the server's; it goes once it sees the close.
    EXPECT_TRUE(server.waitForNoConnections(10s));
    const Resources after;
    EXPECT_EQ(after.descriptors, before.descriptors) << "descriptors left behind";
    EXPECT_EQ(after.threads, before.threads) << "threads left behind";
    out.requests = server.requests().size();
    return out;
}

} // namespace

TEST(HostileServer, EveryExchangeEndsWithAClearResult)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Outcome o = runRow(row, false);
        const ExchangeResult& r = o.result;
        std::printf("[hostile] Übermittlung %-28s %6lld ms\n", row.name,
                    static_cast<long long>(o.milliseconds));
        EXPECT_FALSE(r.cancelled);
        EXPECT_EQ(r.Erfolg, row.erfolg);
        EXPECT_EQ(r.StatusCode, row.status);
        EXPECT_EQ(r.Meldung, row.text);
        if (row.bodySize >= 0) {
            EXPECT_EQ(r.body.size(), row.bodySize);
        } else {
            EXPECT_EQ(r.body, row.body);
        }
        if (r.Erfolg) {
            EXPECT_EQ(r.contentLength, row.contentLength);
        }
        // Neither a redirect nor anything else is followed: one request per exchange.
        EXPECT_EQ(o.requests, row.kind ? 1 : 0);
    }
}

TEST(HostileServer, CancelFromAnotherThreadEndsAStalledExchangeAtOnce)
{
    for (const Row& row : rows) {
        if (row.cancelAt == CancelAt::Never)
            continue;
        SCOPED_TRACE(row.name);
        const Outcome o = runRow(row, true);
        std::printf("[hostile] Übermittlung abgebrochen %-28s %6lld ms, nach cancel() %lld µs\n",
                    row.name, static_cast<long long>(o.milliseconds),
                    static_cast<long long>(o.afterCancelUs));
        EXPECT_TRUE(o.result.cancelled);
        EXPECT_FALSE(o.result.Erfolg);
        EXPECT_TRUE(o.result.Meldung.isEmpty());
    }
}
