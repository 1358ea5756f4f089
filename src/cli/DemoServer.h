#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <thread>

class QTextStream;

namespace pelvaro::cli {

// A farm of made-up search services on 127.0.0.1, so that a whole submission run can be
// tried without the network: it answers as the services' own server (origin form) and as
// the HTTP proxy in front of them (absolute form), for any host. Each service gets a fixed
// answer chosen from its host and path, so a run shows successes, redirects and failures
// the same way every time. Requests are HTTP/1.0: one request per connection, closed after
// the answer.
//
// As the proxy it also opens tunnels (CONNECT host:port) and speaks TLS inside them, with a
// certificate for the asked host made on first use by a certificate authority of its own,
// created at start: a client that trusts caCertificatePem() reaches every service over
// https, with the same answers as over http.
//
// The server runs in its own thread on plain sockets and poll(), so tests and the console
// command can use it without an event loop.
class DemoServer
{
public:
    Q_DISABLE_COPY_MOVE(DemoServer)

    enum class Outcome
    {
        Accepted,
        Redirected,
        NotFound,
        ServerError
    };

    DemoServer();
    ~DemoServer();

    // Called from the server's thread with one line per answered request: method, target,
    // status code. Set before listen().
    void setLogger(std::function<void(const QString&)> logger);

    // Listens on 127.0.0.1:port (0 picks a free port) and starts serving; every service
    // answer waits delayMs first, each connection on its own clock. False with a German
    // message in *error when the address cannot be used.
    bool listen(quint16 port, int delayMs, QString* error);
    quint16 port() const { return m_port; }
    // The farm's own certificate authority, PEM; empty before listen().
    QByteArray caCertificatePem() const;
    // Stops serving and drops open connections; the destructor does this too.
    void close();

    // The answer kind of a service, from its lower-case host followed by its path (without
    // query), e.g. "www.suchfix.example/cgi-bin/add.cgi".
    static Outcome outcomeFor(const QByteArray& hostAndPath);
    // The complete answer bytes to one complete request (head and body as received);
    // `secure`: it came through a TLS tunnel, so addresses the answer names are https.
    static QByteArray responseFor(const QByteArray& request, bool secure = false);

    // pelvaro-cli demo-server [--port P] [--delay MS] [--verbose] [--ca-out FILE]: serves
    // until SIGINT or SIGTERM, then returns the exit status (0, or 1 after an error on err).
    // --ca-out writes the farm's CA certificate for "submit --ca-file".
    static int runCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

    struct Tls;

private:
    void serve();

    std::unique_ptr<Tls> m_tls;
    std::function<void(const QString&)> m_logger;
    std::thread m_thread;
    int m_listenFd = -1;
    int m_wakeFd = -1;
    int m_delayMs = 0;
    quint16 m_port = 0;
};

} // namespace pelvaro::cli
