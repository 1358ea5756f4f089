#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <memory>

namespace pelvaro::test {

// How the test server answers one request path.
struct ScriptedAnswer
{
    enum class Kind
    {
        Normal,      // status line, header lines, empty line, body; then close
        Raw,         // exactly `raw` (garbage, a partial status line or nothing); then close
        Reset,       // close with a reset instead of an answer
        NeverAnswer, // send `raw` (usually nothing), then hold the connection open
        SendForever, // status line and header lines, then body bytes until the client closes
        Drip,        // `raw` one byte per `interval`, then `filler` the same way for ever (if
                     // any), else close
        Repeat,      // `raw`, then `filler` over and over until the client closes
    };

    Kind kind = Kind::Normal;
    QByteArray statusLine = "HTTP/1.0 200 OK";
    QList<QByteArray> headers; // whole lines without CR LF
    QByteArray body;
    QByteArray raw;
    std::chrono::milliseconds delay{0};       // before anything is sent
    std::chrono::milliseconds interval{1000}; // Drip: before each byte
    QByteArray filler;                        // Drip and Repeat: what follows `raw`

    static ScriptedAnswer ok(const QByteArray& body);
    static ScriptedAnswer status(const QByteArray& statusLine, const QList<QByteArray>& headers,
                                 const QByteArray& body = {});
    static ScriptedAnswer rawBytes(const QByteArray& bytes);
    static ScriptedAnswer reset();
    static ScriptedAnswer neverAnswer(const QByteArray& sendFirst = {});
    static ScriptedAnswer sendForever(const QByteArray& statusLine = "HTTP/1.0 200 OK",
                                      const QList<QByteArray>& headers = {});
    static ScriptedAnswer drip(const QByteArray& bytes, std::chrono::milliseconds interval,
                               const QByteArray& thenForever = {});
    static ScriptedAnswer repeat(const QByteArray& first, const QByteArray& filler);
};

// Answers of servers that misbehave, shared by the tests of every client that talks HTTP.
enum class Hostile
{
    NeverAnswer,         // reads the request, then holds the connection silently
    DripAnswer,          // a short 200 answer, one byte every 50 ms, then close
    DripSlowerThanLimit, // the same, one byte every 1.5 s (beyond a 1 s idle limit)
    DripForever,         // a 200 status line, then a body byte every 0.4 s (inside a 1 s idle
                         // limit, as one a second is inside the usual two minutes) for ever
    EndlessBody,         // a 200 header block, then body bytes until the client closes
    HugeStatusLine,      // a status line of 1 MB
    EndlessHeaders,      // a status line, then header lines that never end
    CloseInStatusLine,   // "HTTP/1.0 20" and close
    Reset,               // a reset instead of an answer
    ContinueOnly,        // "HTTP/1.0 100 Continue" and an empty line, then close
    ContinueThenSilence, // the same, then the connection is held
    ContinueThenAnswer,  // the same, followed by a real 200 answer
    RedirectLoop,        // 302 with a Location naming the same address
    BodyLongerThanLength,
    BodyShorterThanLength,     // then close
    BodyShorterThanLengthHeld, // then the connection is held
};

// The answer for `kind`; `self` is the address the answer is scripted for (the redirect
// names it).
ScriptedAnswer hostileAnswer(Hostile kind, const QString& self);

// The body the 200 answers of hostileAnswer() carry.
inline constexpr char HostileBody[] = "Eintrag angenommen";

// A listening socket on 127.0.0.1 that nobody accepts from and whose backlog is already
// full: a connect to it gets no answer at all (its SYN is dropped), as from a host that
// has stalled.
class FullBacklogListener
{
public:
    FullBacklogListener();
    ~FullBacklogListener();
    FullBacklogListener(const FullBacklogListener&) = delete;
    FullBacklogListener& operator=(const FullBacklogListener&) = delete;

    // False when the backlog could not be filled (the test cannot use it).
    bool ready() const { return m_ready; }
    QString url(const QString& pathAndQuery) const;

private:
    int m_listenFd = -1;
    int m_fillerFd = -1;
    quint16 m_port = 0;
    bool m_ready = false;
};

// An HTTP server on 127.0.0.1 (ephemeral port) in its own thread, for tests whose thread
// blocks in a client. It reads each request in full with the program's own request parser
// (the demo farm's), records its exact bytes, and answers as scripted for the request's
// path. It also answers absolute-form request lines ("GET http://host/path HTTP/1.0") for
// that path, so it stands in for a proxy whose received bytes can be checked. Unscripted
// paths get "404 Not Found", bytes that are no request "400 Bad Request".
class TestHttpServer
{
public:
    TestHttpServer();
    ~TestHttpServer(); // stops the thread and closes every socket
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    quint16 port() const;
    // "http://127.0.0.1:<port>" followed by pathAndQuery.
    QString url(const QString& pathAndQuery) const;

    // Scripts a path; a script with a query is matched first, then the path without it.
    void script(const QByteArray& path, const ScriptedAnswer& answer);

    // The exact bytes of every request so far, in the order they arrived complete (a
    // connection closed mid-request is recorded with what it sent).
    QList<QByteArray> requests() const;
    bool waitForRequests(int count, std::chrono::milliseconds timeout) const;
    // Connections still open on the server's side.
    int openConnections() const;
    bool waitForNoConnections(std::chrono::milliseconds timeout) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pelvaro::test
