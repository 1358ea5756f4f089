#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace pelvaro::submit {

// Whether https exchanges offer a session from an earlier exchange with the same host and
// port: on, unless the environment variable PELVARO_TLS_SESSIONS is "0" when first asked
// (so a whole run can be measured without resumption).
bool tlsSessionReuseDefault();

// What one exchange sends.
struct ExchangeRequest
{
    QString url;       // the target address as prepared (no escaping is added)
    bool post = false; // POST with `body`, else GET without body
    QString body;      // sent as Windows-1252 bytes
    // The POST body's type; empty: a form (application/x-www-form-urlencoded).
    QByteArray contentType;
    QString referer;   // empty: no Referer header
    QString proxyHost; // empty: no proxy; "host" or "host:port"
    QString proxyPort; // used when proxyHost names no port
    // Seconds the exchange waits without receiving a single byte before it gives up
    // (IDZeitlimit); 0 or less: no limit.
    int idleTimeLimit = 120;
    // Seconds the whole exchange may last, however steadily bytes trickle in: a server that
    // sends one byte a second never trips the idle limit and would hold a worker for ever.
    // Less than 0: TotalPerIdleLimit times the idle limit (none when that is none); 0: none.
    int totalTimeLimit = -1;
    static constexpr int TotalPerIdleLimit = 10;
    // https only: a PEM file of further certificates trusted besides the system's
    // (IDZusatzZertifikate); empty: the system's alone.
    QString caFile;
    bool reuseTlsSessions = tlsSessionReuseDefault();
};

// How it ended.
struct ExchangeResult
{
    bool Erfolg = false;
    int StatusCode = 0;
    QString Meldung;
    QByteArray body;        // the answer body (only read for status codes below 400)
    bool cancelled = false; // ended by cancel(): no result line is filed
    // The server sent a status line: a failure with its code is the server's answer, not
    // one the client detected itself (both may carry 404).
    bool answered = false;
    qint64 contentLength = -1; // the announced body length; -1 when the server named none
    qint64 bodyBytes = 0;      // body bytes received, also those handed to a body sink
    // The Retry-After value of a 429 answer, as far as it came with the status line.
    QByteArray retryAfter;
};

// One HTTP/1.0 exchange on a fresh POSIX socket. run() blocks in one poll() loop that also
// watches a cancel event, so cancel() from any thread ends it within milliseconds, in any
// phase: resolving, connecting, the TLS handshake, sending or receiving.
//
// An "https://" address (port 443 unless named) goes over TLS 1.2 or newer with the same
// request bytes as over http: the system's certificate store plus the request's CA file,
// the host name checked against the certificate and sent as SNI. Through a proxy the
// exchange first asks for a tunnel ("CONNECT host:port HTTP/1.1"), and the request inside
// it is the direct request, not the absolute form a plain http proxy gets. A proxy that
// refuses the tunnel fails the exchange with its own status code ("Proxy verweigert die
// Verbindung: <status line>", not `answered`: the service never saw the request). A
// certificate that does not hold fails with status 404 and the reason ("Zertifikat
// abgelaufen", "Zertifikat gilt nicht für <host>", "Aussteller des Zertifikats unbekannt
// (selbst signiert?)"), a handshake that fails otherwise with "TLS-Verbindung
// fehlgeschlagen: …". A server that closes without TLS's closing message has still ended
// its answer: an HTTP/1.0 body ends with the connection anyway.
//
// Failures the client detects itself carry status code 404, like the resolve and connect
// failures: an address that is neither "http://" nor "https://" ("Nicht unterstützte
// Adresse: …"), an address or proxy setting that cannot be read, a later socket error
// ("<system text> (Error #n)"), the idle or the total time limit running out
// ("Zeitüberschreitung: …"), and an answer whose status line is garbled or whose header
// block grows past its cap ("Ungültige Antwort des Servers: …"). A header line without a
// colon is skipped, and a server that closes inside its header block has sent an answer
// without body: the status line alone judges it.
//
// Line breaks inside the addresses (request target and Referer) go out as %0D and %0A, so
// a value with a line break cannot split the request into lines of its own. A user name
// and password in the address are sent as an Authorization header directly after Host.
class HttpExchange
{
public:
    using Progress = std::function<void(int percent)>;
    // Takes the answer body block by block as it arrives, on the thread that runs the
    // exchange. Returns an empty text to go on, or the reason the exchange fails with.
    using BodySink = std::function<QString(QByteArrayView block)>;
    // Bytes of the body received so far and the announced length (-1 when unknown).
    using ByteProgress = std::function<void(qint64 received, qint64 total)>;

    HttpExchange();
    // Hears a cancel on the caller's event instead of an event of its own: a worker keeps
    // one for its life rather than making and closing one per exchange. The caller keeps it
    // open while the exchange lives and must not reuse it once it was signalled.
    explicit HttpExchange(int cancelEvent);
    ~HttpExchange();
    HttpExchange(const HttpExchange&) = delete;
    HttpExchange& operator=(const HttpExchange&) = delete;

    ExchangeResult run(const ExchangeRequest& request, const Progress& progress = {});
    // Name servers to ask instead of the system's, as "host:port,host:port" (for tests that
    // bring their own name server). Set before run().
    void setNameServers(const QByteArray& servers);
    // Thread-safe; also before run() (it then returns at once as cancelled).
    void cancel();
    // Downloads: with a sink the body is not collected in memory and BodyCap does not
    // apply; the sink decides how much it takes. Set before run().
    void setBodySink(BodySink sink);
    void setByteProgress(ByteProgress progress);

    // The exact request bytes for a request (for tests and the preview of a run); for https
    // the bytes inside TLS, which through a proxy follow the tunnel's CONNECT.
    static QByteArray requestBytes(const ExchangeRequest& request);
    // Empty when the CA file can be used (or none is named), else the reason in German; for
    // a run to check once before its first exchange.
    static QString checkCaFile(const QString& path);
    // An answer body is kept in memory up to this size; reading stops there.
    static constexpr qsizetype BodyCap = 16 * 1024 * 1024;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pelvaro::submit
