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
    };

    Kind kind = Kind::Normal;
    QByteArray statusLine = "HTTP/1.0 200 OK";
    QList<QByteArray> headers; // whole lines without CR LF
    QByteArray body;
    QByteArray raw;
    std::chrono::milliseconds delay{0}; // before anything is sent

    static ScriptedAnswer ok(const QByteArray& body);
    static ScriptedAnswer status(const QByteArray& statusLine, const QList<QByteArray>& headers,
                                 const QByteArray& body = {});
    static ScriptedAnswer rawBytes(const QByteArray& bytes);
    static ScriptedAnswer reset();
    static ScriptedAnswer neverAnswer(const QByteArray& sendFirst = {});
    static ScriptedAnswer sendForever(const QByteArray& statusLine = "HTTP/1.0 200 OK",
                                      const QList<QByteArray>& headers = {});
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
