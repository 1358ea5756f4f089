#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <memory>

namespace pelvaro::test {

// A TLS server on 127.0.0.1 (ephemeral port) for the https tests. Its certificates are
// made in memory at start by a test certificate authority that lives as long as the
// process; a client trusts them only with that authority's certificate (caPem()). Each
// connection gets its own thread: the server completes the handshake, reads one request
// (header block and a Content-Length body), records its decrypted bytes and answers with
// the set answer, then closes with TLS's closing message.
class TestTlsServer
{
public:
    enum class Certificate
    {
        Good,       // by the test authority, for 127.0.0.1 and TlsTestHost
        Expired,    // as Good, but its time ran out yesterday
        WrongHost,  // by the test authority, for another name only
        SelfSigned, // for 127.0.0.1 and TlsTestHost, signed by itself
    };
    enum class Behaviour
    {
        Answer,
        StallHandshake, // accepts the connection and never says a word
    };

    explicit TestTlsServer(Certificate certificate = Certificate::Good,
                           Behaviour behaviour = Behaviour::Answer);
    ~TestTlsServer(); // ends every connection and waits for the threads
    TestTlsServer(const TestTlsServer&) = delete;
    TestTlsServer& operator=(const TestTlsServer&) = delete;

    quint16 port() const;
    // "https://127.0.0.1:<port>" followed by pathAndQuery.
    QString url(const QString& pathAndQuery) const;
    // Sent after each request (default: "HTTP/1.0 200 OK", a Content-Type and a short page).
    void setAnswer(const QByteArray& answer);

    // The test authority's certificate, PEM.
    static QByteArray caPem();
    // The name besides 127.0.0.1 the good certificates are for.
    static constexpr const char* TlsTestHost = "suchdienst.test";

    // Connections accepted so far (also those that never finish a handshake).
    int connections() const;
    bool waitForConnections(int count, std::chrono::milliseconds timeout) const;
    // Open connections on the server's side.
    bool waitForNoConnections(std::chrono::milliseconds timeout) const;
    // StallHandshake: a client has sent its first handshake bytes and now waits.
    bool waitForStalledHello(std::chrono::milliseconds timeout) const;
    // The decrypted bytes of every request, in the order they arrived complete.
    QList<QByteArray> requests() const;
    bool waitForRequests(int count, std::chrono::milliseconds timeout) const;
    // For every finished handshake: whether it resumed an earlier session, and the name
    // the client sent as SNI (empty: none).
    QList<bool> resumed() const;
    QList<QByteArray> serverNames() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// A proxy that understands only CONNECT: it records each request head and then either
// tunnels to a fixed port on 127.0.0.1 whatever host was asked for, refuses with a set
// status line, or closes without a word.
class TestConnectProxy
{
public:
    enum class Behaviour
    {
        Tunnel,
        Refuse,
        Close,
    };

    TestConnectProxy(quint16 targetPort, Behaviour behaviour,
                     const QByteArray& refusal = "HTTP/1.1 403 Forbidden");
    ~TestConnectProxy();
    TestConnectProxy(const TestConnectProxy&) = delete;
    TestConnectProxy& operator=(const TestConnectProxy&) = delete;

    // "127.0.0.1:<port>", as the proxy setting takes it.
    QString address() const;
    // The bytes of each CONNECT request up to and with its empty line.
    QList<QByteArray> requests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pelvaro::test
