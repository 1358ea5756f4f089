#include "submit/HttpExchange.h"

#include "base/Windows1252.h"

#include <QFile>

#include <ares.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace pelvaro::submit {

using base::Windows1252;

namespace {

const QString noStatusLine = QStringLiteral("keine Statuszeile");

// A status line or header block larger than this is no HTTP answer; it ends the exchange
// instead of growing without bound when a server streams garbage.
constexpr qsizetype MaxStatusLine = 8 * 1024;
constexpr qsizetype MaxHeaderBlock = 64 * 1024;
// Interim answers (1xx) passed over before the final one; more is no server worth waiting for.
constexpr int MaxInterimAnswers = 8;
// Answer pages are small; a modest block keeps two dozen workers' buffers small too.
constexpr qsizetype ReadBlock = 16 * 1024;
// Downloads go to a file: large blocks mean few system calls per megabyte.
constexpr qsizetype SinkBlock = 256 * 1024;
constexpr int ClientFailureCode = 404;
constexpr int TooManyRequests = 429;

using Clock = std::chrono::steady_clock;

QString cantResolve()
{
    return QStringLiteral("Can't resolve hostname to IP address");
}

QString systemError(int error)
{
    char buffer[256];
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text) + QStringLiteral(" (Error #%1)").arg(error);
}

QString badAnswer(const QString& detail)
{
    return QStringLiteral("Ungültige Antwort des Servers: ") + detail;
}

QString idleTimeout(int seconds)
{
    return seconds == 1
               ? QStringLiteral("Zeitüberschreitung: 1 Sekunde lang keine Daten empfangen")
               : QStringLiteral("Zeitüberschreitung: %1 Sekunden lang keine Daten empfangen")
                     .arg(seconds);
}

QString totalTimeout(int seconds)
{
    return QStringLiteral("Zeitüberschreitung: Antwort nach %1 Sekunden noch nicht vollständig")
        .arg(seconds);
}

// A line break inside an address would end the request line (or the Referer line) early
// and let the rest of the value pose as header lines; escaped, it stays part of the value.
QByteArray escapeLineBreaks(QByteArray address)
{
    if (address.contains('\r') || address.contains('\n'))
        address.replace('\r', "%0D").replace('\n', "%0A");
    return address;
}

bool hasControlOrBlank(const QByteArray& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return (c >= 0 && c <= ' ') || c == 0x7f; });
}

std::optional<quint16> parsePort(const QByteArray& digits)
{
    if (digits.isEmpty() || digits.size() > 5)
        return std::nullopt;
    int port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

struct HostPort
{
    QByteArray host;   // as written, an IPv6 literal with its brackets (the Host header)
    QByteArray lookup; // what the resolver gets
    std::optional<quint16> port;
    bool ok = false;
};

// "host", "host:port", "[v6]" or "[v6]:port"; an empty port (a trailing colon) is no port.
HostPort splitHostPort(const QByteArray& text)
{
    HostPort out;
    QByteArray portText;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close < 0)
            return out;
        out.host = text.left(close + 1);
        out.lookup = text.mid(1, close - 1);
        const QByteArray rest = text.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(':'))
            return out;
        portText = rest.mid(1);
    } else {
        const qsizetype colon = text.indexOf(':');
        out.host = colon < 0 ? text : text.left(colon);
        out.lookup = out.host;
        portText = colon < 0 ? QByteArray() : text.mid(colon + 1);
    }
    if (out.lookup.isEmpty())
        return out;
    if (!portText.isEmpty()) {
        out.port = parsePort(portText);
        if (!out.port)
            return out;
    }
    out.ok = true;
    return out;
}

bool startsWithHttpScheme(const QByteArray& bytes)
{
    return bytes.left(7).toLower() == "http://";
}

bool startsWithHttpsScheme(const QByteArray& bytes)
{
    return bytes.left(8).toLower() == "https://";
}

bool isIpLiteral(const QByteArray& host)
{
    unsigned char address[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, host.constData(), address) == 1 ||
           ::inet_pton(AF_INET6, host.constData(), address) == 1;
}

// The target address, read by hand on its Windows-1252 bytes: a parser that normalises
// would change the bytes the services expect to see.
struct Target
{
    QByteArray wire; // the whole address as sent through a proxy
    HostPort hostPort;
    QByteArray pathAndQuery;
    std::optional<QByteArray> credentials; // "user:password"
    bool tls = false;

    quint16 port() const { return hostPort.port.value_or(tls ? 443 : 80); }
};

struct ParsedTarget
{
    std::optional<Target> target;
    QString problem;
};

ParsedTarget parseTarget(const QString& url)
{
    ParsedTarget out;
    Target t;
    t.wire = Windows1252::encode(url);
    t.tls = startsWithHttpsScheme(t.wire);
    if (!t.tls && !startsWithHttpScheme(t.wire)) {
        out.problem = QStringLiteral("Nicht unterstützte Adresse: ") + url;
        return out;
    }
    const qsizetype start = t.tls ? 8 : 7;
    qsizetype end = start;
    while (end < t.wire.size() && t.wire.at(end) != '/' && t.wire.at(end) != '?')
        ++end;
    QByteArray authority = t.wire.mid(start, end - start);
    const qsizetype at = authority.lastIndexOf('@');
    if (at >= 0) {
        const QByteArray userInfo = authority.left(at);
        const qsizetype colon = userInfo.indexOf(':');
        if (colon > 0)
            t.credentials = userInfo;
        authority = authority.mid(at + 1);
    }
    t.hostPort = splitHostPort(authority);
    // The host goes into the Host line as it is written.
    if (!t.hostPort.ok || hasControlOrBlank(t.hostPort.host)) {
        out.problem = QStringLiteral("Ungültige Zieladresse: ") + url;
        return out;
    }
    t.pathAndQuery = t.wire.mid(end);
    if (!t.pathAndQuery.startsWith('/'))
        t.pathAndQuery.prepend('/');
    out.target = t;
    return out;
}

struct ProxySetting
{
    QByteArray host;
    quint16 port = 80;
};

struct ParsedProxy
{
    std::optional<ProxySetting> proxy; // empty with an empty problem: direct
    QString problem;
};

ParsedProxy parseProxy(const QString& proxyHost, const QString& proxyPort)
{
    ParsedProxy out;
    QByteArray text = proxyHost.trimmed().toUtf8();
    if (text.isEmpty())
        return out;
    // People paste the proxy as an address; its host and port are what is meant.
    if (startsWithHttpScheme(text))
        text = text.mid(7);
    const qsizetype slash = text.indexOf('/');
    if (slash >= 0)
        text = text.left(slash);
    const HostPort hp = splitHostPort(text);
    std::optional<quint16> port = hp.port;
    const QByteArray portSetting = proxyPort.trimmed().toUtf8();
    if (!port)
        port = portSetting.isEmpty() ? std::optional<quint16>(80) : parsePort(portSetting);
    if (!hp.ok || !port) {
        out.problem = QStringLiteral("Ungültige Proxy-Einstellung: ") + proxyHost;
        if (!hp.port)
            out.problem += QStringLiteral(", Port ") + proxyPort;
        return out;
    }
    out.proxy = ProxySetting{hp.lookup, *port};
    return out;
}

// Over TLS the proxy only carries the tunnel: the request inside is the direct one.
QByteArray buildRequest(const ExchangeRequest& request, const Target& target, bool viaProxy)
{
    viaProxy = viaProxy && !target.tls;
    const QByteArray crlf = "\r\n";
    QByteArray out;
    out += request.post ? "POST " : "GET ";
    out += escapeLineBreaks(viaProxy ? target.wire : target.pathAndQuery);
    out += " HTTP/1.0" + crlf;
    out += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*" + crlf;
    if (!request.referer.isEmpty())
        out += "Referer: " + escapeLineBreaks(Windows1252::encode(request.referer)) + crlf;
    if (request.post)
        out += "Content-Type: " +
               (request.contentType.isEmpty() ? QByteArray("application/x-www-form-urlencoded")
                                              : escapeLineBreaks(request.contentType)) +
               crlf;
    out += "User-Agent: Mozilla/3.0 (compatible)" + crlf;
    out += "Host: " + target.hostPort.host + crlf;
    // After Host, so the lines every request carries keep their order with or without it.
    if (target.credentials)
        out += "Authorization: Basic " + target.credentials->toBase64() + crlf;
    const QByteArray body = request.post ? Windows1252::encode(request.body) : QByteArray();
    if (request.post)
        out += "Content-Length: " + QByteArray::number(body.size()) + crlf;
    out += crlf;
    out += body;
    return out;
}

// Names under ".invalid" never resolve (RFC 6761); answering at once spares a round trip
// to a name server that may not even be reachable.
bool reservedInvalidName(QByteArray host)
{
    host = host.toLower();
    while (host.endsWith('.'))
        host.chop(1);
    return host == "invalid" || host.endsWith(".invalid");
}

void initAresOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { ares_library_init(ARES_LIB_INIT_ALL); });
}

// --- TLS -------------------------------------------------------------------------------

QString tlsFailure(const QString& detail)
{
    return QStringLiteral("TLS-Verbindung fehlgeschlagen: ") + detail;
}

// The reason of the last OpenSSL error on this thread, as its library words it.
QString openSslReason()
{
    const unsigned long error = ERR_peek_last_error();
    const char* reason = error ? ERR_reason_error_string(error) : nullptr;
    return reason ? QString::fromLatin1(reason) : QStringLiteral("unbekannter Fehler");
}

QString certificateFailure(long verifyResult, const QByteArray& host)
{
    switch (verifyResult) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return QStringLiteral("Zertifikat abgelaufen");
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return QStringLiteral("Zertifikat noch nicht gültig");
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return QStringLiteral("Zertifikat gilt nicht für ") + QString::fromLatin1(host);
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return QStringLiteral("Aussteller des Zertifikats unbekannt (selbst signiert?)");
    default:
        return QStringLiteral("Zertifikat ungültig: ") +
               QString::fromLatin1(X509_verify_cert_error_string(verifyResult));
    }
}

// Sessions of earlier exchanges, by context and "host:port", so the next exchange with the
// same service may skip the full handshake. A TLS 1.3 server hands its session over after
// the handshake, so it is stored when it comes, not when the handshake ends. A session
// object is changed by the connection that uses it (a TLS 1.3 ticket, a session given up
// after an error), so workers never share one: the cache keeps its own copy and hands out
// copies of it.
class SessionCache
{
public:
    // Never destroyed: a worker may still finish an exchange while the process exits.
    static SessionCache& instance()
    {
        static SessionCache* const cache = new SessionCache;
        return *cache;
    }

    static int keyIndex()
    {
        static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
        return index;
    }

    // The callback OpenSSL calls with a new session; 0: OpenSSL keeps its reference.
    static int store(SSL* ssl, SSL_SESSION* session)
    {
        const auto* key = static_cast<const QByteArray*>(SSL_get_ex_data(ssl, keyIndex()));
        SSL_SESSION* copy = key ? SSL_SESSION_dup(session) : nullptr;
        if (!copy)
            return 0;
        SessionCache& cache = instance();
        std::lock_guard lock(cache.m_lock);
        // Hundreds of services, each visited once per run: the cache only needs a bound.
        if (cache.m_sessions.size() >= MaxSessions)
            cache.clearLocked();
        SSL_SESSION*& slot = cache.m_sessions[{SSL_get_SSL_CTX(ssl), *key}];
        if (slot)
            SSL_SESSION_free(slot);
        slot = copy;
        return 0;
    }

    void offer(SSL* ssl, const QByteArray& key)
    {
        std::lock_guard lock(m_lock);
        const auto found = m_sessions.find({SSL_get_SSL_CTX(ssl), key});
        SSL_SESSION* copy = found != m_sessions.end() ? SSL_SESSION_dup(found->second) : nullptr;
        if (!copy)
            return;
        SSL_set_session(ssl, copy);
        SSL_SESSION_free(copy); // the connection holds its own reference
    }

private:
    static constexpr size_t MaxSessions = 4096;

    void clearLocked()
    {
        for (auto& entry : m_sessions)
            SSL_SESSION_free(entry.second);
        m_sessions.clear();
    }

    std::mutex m_lock;
    std::map<std::pair<const SSL_CTX*, QByteArray>, SSL_SESSION*> m_sessions;
};

struct TlsContext
{
    SSL_CTX* context = nullptr;
    QString problem;
};

QString caFileProblem(const QString& path, const QString& reason)
{
    return QStringLiteral("Die Zertifikatsdatei %1 kann nicht verwendet werden: %2")
        .arg(path, reason);
}

// One context per CA file for the whole process: loading the system's certificate store
// costs far more than a handshake, and the contexts are safe to share between workers.
// A file that could not be used is tried again next time, so a repaired one counts.
TlsContext tlsContext(const QString& caFile)
{
    static std::mutex lock;
    // Never destroyed, for the same reason as the session cache.
    static auto* const contexts = new std::map<QString, SSL_CTX*>;
    std::lock_guard guard(lock);
    const auto found = contexts->find(caFile);
    if (found != contexts->end())
        return {found->second, {}};

    TlsContext out;
    if (!caFile.isEmpty()) {
        // OpenSSL's own text for a missing file says little; the system's does.
        const int fd = ::open(QFile::encodeName(caFile).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            out.problem = caFileProblem(caFile, systemError(errno));
            return out;
        }
        ::close(fd);
    }
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (!context) {
        out.problem = tlsFailure(openSslReason());
        return out;
    }
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(context);
    ERR_clear_error();
    if (!caFile.isEmpty() && SSL_CTX_load_verify_locations(
                                 context, QFile::encodeName(caFile).constData(), nullptr) != 1) {
        out.problem = caFileProblem(caFile, QStringLiteral("keine lesbaren Zertifikate (PEM)"));
        SSL_CTX_free(context);
        return out;
    }
    SSL_CTX_set_session_cache_mode(context,
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context, &SessionCache::store);
    contexts->emplace(caFile, context);
    out.context = context;
    return out;
}

// How an exchange ends early: cancelled, or a failure with the client's code and text.
struct Ended
{
    bool cancelled = false;
    int code = 0;
    QString text;
    bool answered = false; // the code is the server's
    QByteArray retryAfter = {};
};

// Where the body goes besides the in-memory answer.
struct Delivery
{
    const HttpExchange::BodySink& sink;
    const HttpExchange::ByteProgress& byteProgress;
};

class Connection
{
public:
    Connection(int cancelFd, const std::atomic<bool>& cancelled,
               const HttpExchange::Progress& progress, int idleTimeLimit, int totalTimeLimit,
               const QByteArray& nameServers)
        : m_cancelFd(cancelFd), m_cancelled(cancelled), m_progress(progress),
          m_nameServers(nameServers), m_idleSeconds(std::max(idleTimeLimit, 0)),
          m_totalSeconds(totalTimeLimit >= 0 ? totalTimeLimit : derivedTotal(m_idleSeconds)),
          m_totalDeadline(Clock::now() + std::chrono::seconds(m_totalSeconds))
    {
        heardFromPeer();
    }
    ~Connection()
    {
        closeSocket(false);
        if (m_channel)
            ares_destroy(m_channel);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void report(int percent) const
    {
        if (m_progress)
            m_progress(percent);
    }

    void connectTo(const QByteArray& host, quint16 port)
    {
        const std::vector<sockaddr_storage> addresses = resolve(host, port);
        int lastError = ECONNREFUSED;
        for (const sockaddr_storage& address : addresses) {
            const int error = tryConnect(address);
            if (error == 0)
                return;
            lastError = error;
        }
        throw Ended{false, ClientFailureCode,
                    QStringLiteral("Can't connect: ") + systemError(lastError)};
    }

    // Sending and receiving try the socket first and wait only when it has nothing to
    // give: most calls then cost one system call instead of two. The cancel flag is looked
    // at before each try, so a server that never pauses cannot keep a cancel out.
    void sendAll(const QByteArray& bytes)
    {
        qsizetype sent = 0;
        while (m_ssl && sent < bytes.size()) {
            throwIfCancelled();
            ERR_clear_error();
            size_t n = 0;
            const int done =
                SSL_write_ex(m_ssl, bytes.constData() + sent, size_t(bytes.size() - sent), &n);
            if (done == 1)
                sent += qsizetype(n);
            else
                waitForTls(done);
        }
        while (sent < bytes.size()) {
            throwIfCancelled();
            const ssize_t n = ::send(m_socket, bytes.constData() + sent,
                                     size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n >= 0)
                sent += n;
            else if (errno == EAGAIN || errno == EWOULDBLOCK)
                waitFor(m_socket, POLLOUT);
            else if (errno != EINTR)
                throw socketError(errno);
        }
        m_justSent = true;
    }

    // Appends at most `limit` bytes to `into`; 0 means the server closed. A service needs a
    // moment to answer a request just sent: the first read after sending waits before it
    // tries, which spares a read that would only say "not yet" on every exchange.
    qsizetype receive(QByteArray& into, qsizetype limit = ReadBlock)
    {
        char buffer[ReadBlock];
        const qsizetype n = receiveRaw(buffer, std::min(limit, ReadBlock));
        into.append(buffer, n);
        return n;
    }

    // As receive(), into the caller's buffer.
    qsizetype receiveRaw(char* buffer, qsizetype size)
    {
        if (m_justSent) {
            m_justSent = false;
            if (!(m_ssl && SSL_has_pending(m_ssl)))
                waitFor(m_socket, POLLIN);
        }
        while (m_ssl) {
            throwIfCancelled();
            ERR_clear_error();
            size_t n = 0;
            const int done = SSL_read_ex(m_ssl, buffer, size_t(size), &n);
            if (done == 1)
                return qsizetype(n);
            if (SSL_get_error(m_ssl, done) == SSL_ERROR_ZERO_RETURN)
                return 0;
            waitForTls(done);
        }
        for (;;) {
            throwIfCancelled();
            const ssize_t n = ::recv(m_socket, buffer, size_t(size), 0);
            if (n >= 0) {
                heardFromPeer();
                return n;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                waitFor(m_socket, POLLIN);
            else if (errno != EINTR)
                throw socketError(errno);
        }
    }

    // `orderly`: the exchange went well, so a TLS session says goodbye (one attempt, no
    // waiting) and stays good for resumption.
    void closeSocket(bool orderly = true)
    {
        if (m_ssl) {
            if (orderly && m_tlsUp && !m_tlsBroken)
                SSL_shutdown(m_ssl);
            SSL_free(m_ssl);
            m_ssl = nullptr;
        }
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = -1;
    }

    // The handshake on the connected socket. The host is checked against the certificate
    // and sent as SNI (a numeric address only checked: SNI carries names).
    void startTls(SSL_CTX* context, const QByteArray& host, quint16 port, bool reuseSessions)
    {
        m_ssl = SSL_new(context);
        BIO* bio = m_ssl ? BIO_new(socketMethod()) : nullptr;
        if (!bio)
            throw Ended{false, ClientFailureCode, tlsFailure(openSslReason())};
        BIO_set_data(bio, this);
        BIO_set_init(bio, 1);
        SSL_set_bio(m_ssl, bio, bio);
        m_tlsHost = host;
        if (isIpLiteral(host)) {
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), host.constData());
        } else {
            SSL_set_tlsext_host_name(m_ssl, host.constData());
            SSL_set1_host(m_ssl, host.constData());
        }
        if (reuseSessions) {
            m_sessionKey = host.toLower() + ':' + QByteArray::number(port);
            SSL_set_ex_data(m_ssl, SessionCache::keyIndex(), &m_sessionKey);
            SessionCache::instance().offer(m_ssl, m_sessionKey);
        }
        for (;;) {
            throwIfCancelled();
            ERR_clear_error();
            const int done = SSL_connect(m_ssl);
            if (done == 1)
                break;
            waitForTls(done);
        }
        m_tlsUp = true;
    }

private:
    // Waits for what an unfinished TLS call needs, or throws the reason it failed.
    void waitForTls(int returned)
    {
        const int error = SSL_get_error(m_ssl, returned);
        if (error == SSL_ERROR_WANT_READ) {
            waitFor(m_socket, POLLIN);
            return;
        }
        if (error == SSL_ERROR_WANT_WRITE) {
            waitFor(m_socket, POLLOUT);
            return;
        }
        m_tlsBroken = true;
        if (error == SSL_ERROR_SYSCALL && m_ioError != 0)
            throw socketError(m_ioError);
        if (!m_tlsUp) {
            const long verified = SSL_get_verify_result(m_ssl);
            if (verified != X509_V_OK)
                throw Ended{false, ClientFailureCode, certificateFailure(verified, m_tlsHost)};
        }
        if (error == SSL_ERROR_SYSCALL && ERR_peek_last_error() == 0)
            throw Ended{false, ClientFailureCode,
                        tlsFailure(QStringLiteral("Verbindung vom Server geschlossen"))};
        throw Ended{false, ClientFailureCode, tlsFailure(openSslReason())};
    }

    // TLS reaches the socket through this instead of OpenSSL's socket BIO, whose writes
    // would raise SIGPIPE on a connection the server has closed; reads count as heard.
    static BIO_METHOD* socketMethod()
    {
        static BIO_METHOD* const method = [] {
            BIO_METHOD* m =
                BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "pelvaro exchange socket");
            BIO_meth_set_write(m, &Connection::bioWrite);
            BIO_meth_set_read(m, &Connection::bioRead);
            BIO_meth_set_ctrl(m, &Connection::bioCtrl);
            return m;
        }();
        return method;
    }

    static int bioWrite(BIO* bio, const char* data, int size)
    {
        auto* self = static_cast<Connection*>(BIO_get_data(bio));
        BIO_clear_retry_flags(bio);
        const ssize_t n = ::send(self->m_socket, data, size_t(size), MSG_NOSIGNAL);
        if (n >= 0)
            return int(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            BIO_set_retry_write(bio);
        else
            self->m_ioError = errno;
        return -1;
    }

    static int bioRead(BIO* bio, char* data, int size)
    {
        auto* self = static_cast<Connection*>(BIO_get_data(bio));
        BIO_clear_retry_flags(bio);
        const ssize_t n = ::recv(self->m_socket, data, size_t(size), 0);
        if (n > 0)
            self->heardFromPeer();
        if (n >= 0)
            return int(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            BIO_set_retry_read(bio);
        else
            self->m_ioError = errno;
        return -1;
    }

    static long bioCtrl(BIO* /*bio*/, int command, long /*number*/, void* /*pointer*/)
    {
        return command == BIO_CTRL_FLUSH ? 1 : 0;
    }

    // Capped at a year, which keeps the deadline far inside the clock's range.
    static int derivedTotal(int idleSeconds)
    {
        constexpr qint64 year = 365 * 24 * 3600;
        return int(std::min(qint64(idleSeconds) * ExchangeRequest::TotalPerIdleLimit, year));
    }
    static Ended socketError(int error)
    {
        return Ended{false, ClientFailureCode, systemError(error)};
    }

    void throwIfCancelled() const
    {
        if (m_cancelled.load(std::memory_order_relaxed))
            throw Ended{true, 0, {}};
    }

    void heardFromPeer()
    {
        if (m_idleSeconds > 0)
            m_idleDeadline = Clock::now() + std::chrono::seconds(m_idleSeconds);
    }

    // The one place an exchange waits: `fds` plus the cancel event, at most until the idle
    // or the total time limit runs out. Returns poll's count (0: `timeoutMs` passed).
    int pollWithCancel(std::vector<pollfd>& fds, int timeoutMs)
    {
        fds.push_back(pollfd{m_cancelFd, POLLIN, 0});
        for (;;) {
            int waitMs = timeoutMs;
            bool limited = false;
            const auto limit = [&](int seconds, Clock::time_point deadline, auto text) {
                if (seconds <= 0)
                    return;
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
                if (left <= 0)
                    throw Ended{false, ClientFailureCode, text(seconds)};
                if (waitMs < 0 || left < waitMs) {
                    waitMs = int(left);
                    limited = true;
                }
            };
            limit(m_totalSeconds, m_totalDeadline, totalTimeout);
            limit(m_idleSeconds, m_idleDeadline, idleTimeout);
            const int n = ::poll(fds.data(), nfds_t(fds.size()), waitMs);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw socketError(errno);
            if (fds.back().revents != 0)
                throw Ended{true, 0, {}};
            if (n == 0 && limited)
                continue; // the checks at the top end the exchange when a limit is reached
            fds.pop_back();
            return n;
        }
    }

    // Returns what poll saw on `fd`.
    short waitFor(int fd, short events)
    {
        std::vector<pollfd> fds{pollfd{fd, events, 0}};
        pollWithCancel(fds, -1);
        return fds.front().revents;
    }

    struct Lookup
    {
        bool done = false;
        int status = ARES_ENOTFOUND;
        std::vector<sockaddr_storage> addresses;
    };

    static void lookupDone(void* arg, int status, int /*timeouts*/, ares_addrinfo* info)
    {
        auto* lookup = static_cast<Lookup*>(arg);
        lookup->done = true;
        lookup->status = status;
        if (!info)
            return;
        for (ares_addrinfo_node* node = info->nodes; node; node = node->ai_next) {
            if ((node->ai_family != AF_INET && node->ai_family != AF_INET6) ||
                node->ai_addrlen > sizeof(sockaddr_storage))
                continue;
            sockaddr_storage address{};
            std::memcpy(&address, node->ai_addr, node->ai_addrlen);
            lookup->addresses.push_back(address);
        }
        ares_freeaddrinfo(info);
    }

    std::vector<sockaddr_storage> resolve(const QByteArray& host, quint16 port)
    {
        if (reservedInvalidName(host) || host.contains('\0'))
            throw Ended{false, ClientFailureCode, cantResolve()};
        // This c-ares asks the name server even for a numeric address when both families
        // are wanted, so numeric hosts are taken as they are.
        sockaddr_storage numeric{};
        auto& v4 = reinterpret_cast<sockaddr_in&>(numeric);
        auto& v6 = reinterpret_cast<sockaddr_in6&>(numeric);
        if (::inet_pton(AF_INET, host.constData(), &v4.sin_addr) == 1) {
            v4.sin_family = AF_INET;
            v4.sin_port = htons(port);
            return {numeric};
        }
        if (::inet_pton(AF_INET6, host.constData(), &v6.sin6_addr) == 1) {
            v6.sin6_family = AF_INET6;
            v6.sin6_port = htons(port);
            return {numeric};
        }
        initAresOnce();
        if (ares_init(&m_channel) != ARES_SUCCESS) {
            m_channel = nullptr;
            throw Ended{false, ClientFailureCode, cantResolve()};
        }
        if (!m_nameServers.isEmpty() &&
            ares_set_servers_ports_csv(m_channel, m_nameServers.constData()) != ARES_SUCCESS) {
            throw Ended{false, ClientFailureCode,
                        QStringLiteral("Namensserver nicht verwendbar: ") +
                            QString::fromLatin1(m_nameServers)};
        }
        // The callback may run during ares_destroy when a cancel ends the look-up, so the
        // record lives as long as the channel.
        m_lookup = Lookup{};
        ares_addrinfo_hints hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        ares_getaddrinfo(m_channel, host.constData(), nullptr, &hints, &Connection::lookupDone,
                         &m_lookup);
        while (!m_lookup.done) {
            ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
            const int bits = ares_getsock(m_channel, sockets, ARES_GETSOCK_MAXNUM);
            std::vector<pollfd> fds;
            for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
                short events = 0;
                if (ARES_GETSOCK_READABLE(bits, i))
                    events |= POLLIN;
                if (ARES_GETSOCK_WRITABLE(bits, i))
                    events |= POLLOUT;
                if (events)
                    fds.push_back(pollfd{sockets[i], events, 0});
            }
            timeval tv{};
            const timeval* timeout = ares_timeout(m_channel, nullptr, &tv);
            if (fds.empty() && !timeout)
                break; // nothing left that could finish the look-up
            const int timeoutMs =
                timeout ? int(timeout->tv_sec * 1000 + (timeout->tv_usec + 999) / 1000) : -1;
            if (pollWithCancel(fds, timeoutMs) == 0) {
                ares_process_fd(m_channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
                continue;
            }
            for (const pollfd& p : fds) {
                const bool readable = p.revents & (POLLIN | POLLERR | POLLHUP);
                const bool writable = p.revents & POLLOUT;
                if (readable)
                    heardFromPeer();
                if (readable || writable)
                    ares_process_fd(m_channel, readable ? p.fd : ARES_SOCKET_BAD,
                                    writable ? p.fd : ARES_SOCKET_BAD);
            }
        }
        std::vector<sockaddr_storage> addresses = std::move(m_lookup.addresses);
        ares_destroy(m_channel);
        m_channel = nullptr;
        if (addresses.empty())
            throw Ended{false, ClientFailureCode, cantResolve()};
        for (sockaddr_storage& address : addresses) {
            if (address.ss_family == AF_INET)
                reinterpret_cast<sockaddr_in&>(address).sin_port = htons(port);
            else
                reinterpret_cast<sockaddr_in6&>(address).sin6_port = htons(port);
        }
        return addresses;
    }

    // 0 when connected, else the error number.
    int tryConnect(const sockaddr_storage& address)
    {
        m_socket = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (m_socket < 0)
            return errno;
        const socklen_t length =
            address.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
        int error = 0;
        if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
            error = errno;
            if (error == EINPROGRESS || error == EINTR) {
                // Writable without an error flag means connected; only a failed connect
                // needs its reason fetched.
                error = 0;
                if (waitFor(m_socket, POLLOUT) & (POLLERR | POLLHUP)) {
                    socklen_t size = sizeof error;
                    if (::getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
                        error = errno;
                }
            }
        }
        if (error != 0)
            closeSocket();
        return error;
    }

    int m_cancelFd;
    const std::atomic<bool>& m_cancelled;
    const HttpExchange::Progress& m_progress;
    const QByteArray& m_nameServers;
    const int m_idleSeconds;
    const int m_totalSeconds;
    const Clock::time_point m_totalDeadline;
    Clock::time_point m_idleDeadline;
    int m_socket = -1;
    bool m_justSent = false;
    ares_channel m_channel = nullptr;
    Lookup m_lookup;
    SSL* m_ssl = nullptr;
    bool m_tlsUp = false;
    bool m_tlsBroken = false;
    int m_ioError = 0;
    QByteArray m_tlsHost;
    QByteArray m_sessionKey; // lives as long as the SSL that points at it
};

struct StatusLine
{
    int code = 0;
    QString text;
};

// The code is the three characters from position 10, the text the rest from position 14.
std::optional<StatusLine> parseStatusLine(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (!(line.startsWith("HTTP/1.0") || line.startsWith("HTTP/1.1")) || line.size() < 12)
        return std::nullopt;
    int code = 0;
    for (qsizetype i = 9; i < 12; ++i) {
        const char c = line.at(i);
        if (c < '0' || c > '9')
            return std::nullopt;
        code = code * 10 + (c - '0');
    }
    return StatusLine{code, Windows1252::decode(line.mid(13))};
}

// While fewer than eight bytes are there, a prefix of the version still counts as possible.
bool couldBeStatusLine(const QByteArray& received)
{
    const qsizetype n = std::min<qsizetype>(received.size(), 8);
    return QByteArrayView("HTTP/1.0").first(n) == received.left(n) ||
           QByteArrayView("HTTP/1.1").first(n) == received.left(n);
}

// The value of the first Retry-After line of a header block, empty when there is none.
QByteArray retryAfterHeader(QByteArrayView headers)
{
    for (QByteArrayView rest = headers; !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 &&
            line.first(colon).trimmed().compare("retry-after", Qt::CaseInsensitive) == 0)
            return line.sliced(colon + 1).trimmed().toByteArray();
    }
    return {};
}

bool isLocationHeader(QByteArrayView line)
{
    const qsizetype colon = line.indexOf(':');
    return colon > 0 && line.first(colon).trimmed().compare("location", Qt::CaseInsensitive) == 0;
}

// The announced body length, for the progress of a download; -1 when the line names none.
std::optional<qint64> contentLengthHeader(QByteArrayView line)
{
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 ||
        line.first(colon).trimmed().compare("content-length", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    bool ok = false;
    const qint64 length = line.sliced(colon + 1).trimmed().toLongLong(&ok);
    return ok && length >= 0 ? std::optional<qint64>(length) : std::nullopt;
}

// The body, block by block to the sink; nothing of it stays in memory.
void deliverBody(Connection& connection, const Delivery& delivery, QByteArray& received,
                 qsizetype pos, bool closed, ExchangeResult& result)
{
    const auto deliver = [&](const char* data, qsizetype size) {
        const QString problem = delivery.sink(QByteArrayView(data, size));
        if (!problem.isEmpty())
            throw Ended{false, ClientFailureCode, problem};
        result.bodyBytes += size;
        if (delivery.byteProgress)
            delivery.byteProgress(result.bodyBytes, result.contentLength);
        connection.report(80);
    };
    if (pos < received.size())
        deliver(received.constData() + pos, received.size() - pos);
    received = QByteArray();
    const std::unique_ptr<char[]> buffer(new char[SinkBlock]);
    while (!closed) {
        const qsizetype n = connection.receiveRaw(buffer.get(), SinkBlock);
        closed = n == 0;
        if (!closed)
            deliver(buffer.get(), n);
    }
}

// Asks the proxy for a tunnel to the target and reads its answer up to the empty line. The
// server speaks only after the client's first TLS message, so nothing may follow it.
void openTunnel(Connection& connection, const Target& target)
{
    const QByteArray authority = target.hostPort.host + ':' + QByteArray::number(target.port());
    connection.sendAll("CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n\r\n");
    QByteArray received;
    qsizetype end = -1;
    while (end < 0) {
        if (received.size() > MaxHeaderBlock)
            throw Ended{false, ClientFailureCode, badAnswer(QStringLiteral("Kopfzeilen zu lang"))};
        const qsizetype before = received.size();
        if (connection.receive(received) == 0)
            break;
        end = received.indexOf("\r\n\r\n", std::max<qsizetype>(before - 3, 0));
    }
    if (received.isEmpty())
        throw Ended{false, ClientFailureCode,
                    QStringLiteral("Proxy hat die Verbindung ohne Antwort geschlossen")};
    const qsizetype lineEnd = received.indexOf('\n');
    QByteArray line = lineEnd < 0 ? received : received.left(lineEnd);
    if (line.endsWith('\r'))
        line.chop(1);
    const std::optional<StatusLine> status = parseStatusLine(line);
    if (!status)
        throw Ended{false, ClientFailureCode, badAnswer(noStatusLine)};
    if (status->code < 200 || status->code > 299)
        throw Ended{false, status->code,
                    QStringLiteral("Proxy verweigert die Verbindung: ") +
                        Windows1252::decode(line)};
    if (end < 0)
        throw Ended{false, ClientFailureCode,
                    QStringLiteral("Proxy hat die Verbindung vor dem Tunnel geschlossen")};
    if (end + 4 != received.size())
        throw Ended{false, ClientFailureCode,
                    badAnswer(QStringLiteral("Daten des Proxys nach der Tunnel-Zusage"))};
}

ExchangeResult exchange(Connection& connection, const ExchangeRequest& request,
                        const Delivery& delivery)
{
    ExchangeResult result;
    const ParsedTarget parsed = parseTarget(request.url);
    if (!parsed.target)
        throw Ended{false, ClientFailureCode, parsed.problem};
    const Target& target = *parsed.target;
    const ParsedProxy proxy = parseProxy(request.proxyHost, request.proxyPort);
    if (!proxy.problem.isEmpty())
        throw Ended{false, ClientFailureCode, proxy.problem};

    // A CA file that cannot be used fails the exchange before it goes on the network.
    const TlsContext tls = target.tls ? tlsContext(request.caFile) : TlsContext{};
    if (!tls.problem.isEmpty())
        throw Ended{false, ClientFailureCode, tls.problem};

    if (proxy.proxy)
        connection.connectTo(proxy.proxy->host, proxy.proxy->port);
    else
        connection.connectTo(target.hostPort.lookup, target.port());
    if (target.tls) {
        if (proxy.proxy)
            openTunnel(connection, target);
        connection.startTls(tls.context, target.hostPort.lookup, target.port(),
                            request.reuseTlsSessions);
    }
    connection.report(20);

    // Header and body in one go: a request is small, and one write lets it leave in as few
    // packets as possible.
    const QByteArray wire = buildRequest(request, target, proxy.proxy.has_value());
    connection.report(30);
    connection.sendAll(wire);
    connection.report(40);

    // Status line.
    QByteArray received;
    bool closed = connection.receive(received) == 0;
    if (!closed)
        connection.report(50);
    const QString closedWithoutAnswer = QStringLiteral("Verbindung ohne Antwort geschlossen");
    qsizetype lineEnd = -1;
    std::optional<StatusLine> status;
    for (int interim = 0;; ++interim) {
        lineEnd = received.indexOf('\n');
        while (lineEnd < 0 && !closed) {
            if (!couldBeStatusLine(received) || received.size() > MaxStatusLine)
                throw Ended{false, ClientFailureCode, badAnswer(noStatusLine)};
            const qsizetype before = received.size();
            closed = connection.receive(received) == 0;
            lineEnd = received.indexOf('\n', before);
        }
        if (received.isEmpty())
            throw Ended{false, ClientFailureCode, badAnswer(closedWithoutAnswer)};
        status = parseStatusLine(lineEnd < 0 ? received : received.left(lineEnd));
        if (!status)
            throw Ended{false, ClientFailureCode, badAnswer(noStatusLine)};
        if (status->code >= 200)
            break;
        // An interim answer ("100 Continue" and the like) is not the service's answer: its
        // header block is passed over and the status line after it counts. A server that
        // sends nothing else never gets its interim status filed as a success.
        if (interim >= MaxInterimAnswers)
            throw Ended{false, ClientFailureCode,
                        badAnswer(QStringLiteral("zu viele Zwischenantworten"))};
        qsizetype pos = lineEnd < 0 ? received.size() : lineEnd + 1;
        for (;;) {
            const qsizetype end = received.indexOf('\n', pos);
            if ((end < 0 ? received.size() : end) > MaxHeaderBlock)
                throw Ended{false, ClientFailureCode,
                            badAnswer(QStringLiteral("Kopfzeilen zu lang"))};
            if (end < 0) {
                if (closed)
                    throw Ended{false, ClientFailureCode, badAnswer(closedWithoutAnswer)};
                closed = connection.receive(received) == 0;
                continue;
            }
            QByteArrayView line = QByteArrayView(received).sliced(pos, end - pos);
            pos = end + 1;
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.isEmpty())
                break;
        }
        received.remove(0, pos);
    }
    result.StatusCode = status->code;
    result.Meldung = status->text;
    result.answered = true;
    if (status->code >= 400) {
        connection.closeSocket();
        // A refusal for too many requests may say when to come again. Only the lines that
        // came with the status line are read: a server that stalls after it must not turn
        // its refusal into a time-out.
        const QByteArray retryAfter = status->code == TooManyRequests
                                          ? retryAfterHeader(QByteArrayView(received).sliced(
                                                lineEnd < 0 ? received.size() : lineEnd + 1))
                                          : QByteArray();
        throw Ended{false, status->code, status->text, true, retryAfter};
    }

    // Header block, up to the empty line. The status line has judged the answer already;
    // what follows only has to be told apart from the body. Servers that close inside the
    // block have sent no body, and a line that is no header is passed over.
    qsizetype pos = lineEnd < 0 ? received.size() : lineEnd + 1;
    bool location = false;
    for (;;) {
        lineEnd = received.indexOf('\n', pos);
        if ((lineEnd < 0 ? received.size() : lineEnd) > MaxHeaderBlock)
            throw Ended{false, ClientFailureCode, badAnswer(QStringLiteral("Kopfzeilen zu lang"))};
        if (lineEnd < 0) {
            if (closed) {
                location = location || isLocationHeader(QByteArrayView(received).sliced(pos));
                pos = received.size();
                break;
            }
            closed = connection.receive(received) == 0;
            continue;
        }
        QByteArrayView line = QByteArrayView(received).sliced(pos, lineEnd - pos);
        pos = lineEnd + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        // A folded continuation belongs to the line above; a line without a colon names
        // nothing. Neither can be a Location.
        if (!line.startsWith(' ') && !line.startsWith('\t') && isLocationHeader(line))
            location = true;
        if (const std::optional<qint64> length = contentLengthHeader(line))
            result.contentLength = *length;
    }
    connection.report(60);
    if (location) {
        // A new location is not followed; its body is of no interest.
        connection.closeSocket();
        result.Erfolg = true;
        return result;
    }

    // Body, until the server closes; an announced length does not end it.
    connection.report(70);
    if (delivery.sink) {
        deliverBody(connection, delivery, received, pos, closed, result);
        connection.closeSocket();
        result.Erfolg = true;
        return result;
    }
    result.body = received.mid(pos, HttpExchange::BodyCap);
    received = QByteArray();
    const auto bodyProgress = [&] {
        result.bodyBytes = result.body.size();
        if (delivery.byteProgress)
            delivery.byteProgress(result.bodyBytes, result.contentLength);
    };
    if (!result.body.isEmpty()) {
        connection.report(80);
        bodyProgress();
    }
    while (!closed && result.body.size() < HttpExchange::BodyCap) {
        closed = connection.receive(result.body, HttpExchange::BodyCap - result.body.size()) == 0;
        if (!closed) {
            connection.report(80);
            bodyProgress();
        }
    }
    connection.closeSocket();
    result.Erfolg = true;
    return result;
}

} // namespace

struct HttpExchange::Impl
{
    int cancelFd = -1;
    bool ownsCancelFd = true;
    int cancelFdError = 0;
    std::atomic<bool> cancelled{false};
    QByteArray nameServers;
    BodySink sink;
    ByteProgress byteProgress;
};

HttpExchange::HttpExchange() : m_impl(std::make_unique<Impl>())
{
    // Without its cancel event an exchange could not be stopped; run() then fails at once
    // with the system's reason instead of starting.
    m_impl->cancelFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_impl->cancelFd < 0)
        m_impl->cancelFdError = errno;
}

HttpExchange::HttpExchange(int cancelEvent) : m_impl(std::make_unique<Impl>())
{
    m_impl->cancelFd = cancelEvent;
    m_impl->ownsCancelFd = false;
}

HttpExchange::~HttpExchange()
{
    if (m_impl->ownsCancelFd && m_impl->cancelFd >= 0)
        ::close(m_impl->cancelFd);
}

void HttpExchange::cancel()
{
    m_impl->cancelled = true;
    if (m_impl->cancelFd >= 0) {
        // The counter is never read back, so every later poll sees the event too.
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_impl->cancelFd, &one, sizeof one);
    }
}

void HttpExchange::setNameServers(const QByteArray& servers)
{
    m_impl->nameServers = servers;
}

void HttpExchange::setBodySink(BodySink sink)
{
    m_impl->sink = std::move(sink);
}

void HttpExchange::setByteProgress(ByteProgress progress)
{
    m_impl->byteProgress = std::move(progress);
}

bool tlsSessionReuseDefault()
{
    static const bool reuse = [] {
        const char* value = std::getenv("PELVARO_TLS_SESSIONS");
        return !(value && QByteArrayView(value) == "0");
    }();
    return reuse;
}

QString HttpExchange::checkCaFile(const QString& path)
{
    return path.isEmpty() ? QString() : tlsContext(path).problem;
}

QByteArray HttpExchange::requestBytes(const ExchangeRequest& request)
{
    const ParsedTarget parsed = parseTarget(request.url);
    if (!parsed.target)
        return {};
    const bool viaProxy = parseProxy(request.proxyHost, request.proxyPort).proxy.has_value();
    return buildRequest(request, *parsed.target, viaProxy);
}

ExchangeResult HttpExchange::run(const ExchangeRequest& request, const Progress& progress)
{
    ExchangeResult result;
    if (m_impl->cancelled) {
        result.cancelled = true;
        return result;
    }
    if (progress)
        progress(5);
    try {
        if (m_impl->cancelFd < 0)
            throw Ended{false, ClientFailureCode, systemError(m_impl->cancelFdError)};
        Connection connection(m_impl->cancelFd, m_impl->cancelled, progress, request.idleTimeLimit,
                              request.totalTimeLimit, m_impl->nameServers);
        result = exchange(connection, request, Delivery{m_impl->sink, m_impl->byteProgress});
    } catch (const Ended& ended) {
        result = ExchangeResult();
        if (ended.cancelled) {
            result.cancelled = true;
            return result;
        }
        result.StatusCode = ended.code;
        result.Meldung = ended.text;
        result.answered = ended.answered;
        result.retryAfter = ended.retryAfter;
    }
    if (progress)
        progress(100);
    return result;
}

} // namespace pelvaro::submit
