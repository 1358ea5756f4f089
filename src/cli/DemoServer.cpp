#include "cli/DemoServer.h"

#include "base/Error.h"
#include "cli/DemoUpdateFiles.h"
#include "submit/HttpRequestParser.h"
#include "submit/IndexNowKey.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStringDecoder>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pelvaro::cli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t MaxConnections = 1000;
constexpr int MaxDelayMs = 3600 * 1000;
// After the answer the client may still be sending; reading it away before the close
// keeps the kernel from resetting the connection under the answer.
constexpr auto DrainTime = std::chrono::seconds(2);

using Request = submit::HttpRequestParser::Request;

struct Answer
{
    int status = 400;
    bool delayed = false; // a service answer, as opposed to a protocol error
    QByteArray bytes;
    QString logLine;
};

// What the socket side needs to know about the bytes so far: how many form the request, or
// 0 while more must arrive. Bytes that cannot become a request are answered at once.
qsizetype requestSize(const QByteArray& data)
{
    Request request;
    switch (submit::HttpRequestParser::parse(data, request)) {
    case submit::HttpRequestParser::Status::Complete:
        return request.size;
    case submit::HttpRequestParser::Status::Malformed:
        return data.size();
    case submit::HttpRequestParser::Status::NeedMore:
        break;
    }
    return 0;
}

QString fromWindows1252(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-1252");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

// For the console: what arrived, readable on one line.
QString printable(const QByteArray& bytes)
{
    QString text = fromWindows1252(bytes.left(200));
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('?');
    }
    return text;
}

QString escapeHtml(const QString& text)
{
    return text.toHtmlEscaped();
}

QList<std::pair<QString, QString>> fields(const QByteArray& data)
{
    QList<std::pair<QString, QString>> result;
    for (const QByteArray& pair : data.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype equals = pair.indexOf('=');
        if (equals < 0)
            result.append({fromWindows1252(pair), QString()});
        else
            result.append(
                {fromWindows1252(pair.left(equals)), fromWindows1252(pair.mid(equals + 1))});
    }
    return result;
}

QByteArray page(const QString& title, const QString& body)
{
    const QString html = QStringLiteral("<!DOCTYPE html>\r\n"
                                        "<html lang=\"de\">\r\n"
                                        "<head>\r\n"
                                        "<meta charset=\"utf-8\">\r\n"
                                        "<title>%1</title>\r\n"
                                        "</head>\r\n"
                                        "<body>\r\n"
                                        "<h1>%1</h1>\r\n"
                                        "%2"
                                        "</body>\r\n"
                                        "</html>\r\n")
                             .arg(escapeHtml(title), body);
    return html.toUtf8();
}

QByteArray message(int status, const QByteArray& reason, const QByteArray& extraHeaders,
                   const QByteArray& body,
                   const QByteArray& contentType = "text/html; charset=utf-8")
{
    QByteArray bytes = "HTTP/1.0 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    bytes += "Server: Pelvaro-Demo-Suchdienst\r\n";
    bytes += extraHeaders;
    if (!body.isEmpty())
        bytes += "Content-Type: " + contentType + "\r\n";
    bytes += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    bytes += "Connection: close\r\n\r\n";
    return bytes + body;
}

QByteArray thankYouPage(const Request& request)
{
    const QString host = escapeHtml(fromWindows1252(request.host));
    const QList<std::pair<QString, QString>> received =
        fields(request.query) + fields(request.method == "POST" ? request.body : QByteArray());
    QString body = QStringLiteral("<p>Der Suchdienst <b>%1</b> hat Ihre Anmeldung erhalten "
                                  "(%2 %3).</p>\r\n")
                       .arg(host, QString::fromLatin1(request.method),
                            escapeHtml(fromWindows1252(request.path)));
    if (received.isEmpty()) {
        body += QStringLiteral("<p>Es wurden keine Felder übermittelt.</p>\r\n");
    } else {
        body += QStringLiteral("<table border=\"1\">\r\n<tr><th>Feld</th><th>Wert</th></tr>\r\n");
        for (const auto& [name, value] : received) {
            body += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>\r\n")
                        .arg(escapeHtml(name), escapeHtml(value));
        }
        body += QStringLiteral("</table>\r\n");
    }
    body += QStringLiteral("<p>Ihre Seite wird in den nächsten Tagen geprüft und aufgenommen."
                           "</p>\r\n");
    return page(QStringLiteral("Vielen Dank für Ihre Anmeldung!"), body);
}

// Host and port the client addressed: the update pages name their files there. A Host
// header names no port when the client leaves the default out, so the port the server
// listens on fills it in.
QByteArray authority(const Request& request, quint16 ownPort)
{
    if (request.target.startsWith("http://")) {
        const QByteArray rest = request.target.mid(7);
        const qsizetype slash = rest.indexOf('/');
        return slash < 0 ? rest : rest.left(slash);
    }
    QByteArray host = request.header("Host");
    if (host.isEmpty())
        host = request.host;
    if (ownPort != 0 && !host.contains(':'))
        host += ':' + QByteArray::number(ownPort);
    return host;
}

// The farm's IndexNow endpoint: POST /indexnow on any host. A host named
// "indexnow-<status>..." answers with that status (429 with "Retry-After: 120", or without
// it when the name also holds "ohne-wartezeit"), so every outcome can be tried; any other
// host checks the body as the real endpoints do.
std::optional<Answer> indexNowAnswer(const Request& request)
{
    if (request.path != "/indexnow")
        return std::nullopt;
    struct Status
    {
        int code;
        const char* reason;
        const char* text;
    };
    static const Status statuses[] = {
        {200, "OK", "Die Adressen wurden übernommen."},
        {202, "Accepted", "Die Adressen wurden angenommen; der Schlüssel wird noch geprüft."},
        {400, "Bad Request", "Die Anfrage ist ungültig."},
        {403, "Forbidden", "Der Schlüssel passt nicht zur Schlüsseldatei der Site."},
        {422, "Unprocessable Entity",
         "Die Adressen gehören nicht zum Host, oder der Schlüssel hat die falsche Form."},
        {429, "Too Many Requests", "Zu viele Anfragen; bitte später noch einmal."},
    };
    const auto statusOf = [](int code) {
        return *std::find_if(std::begin(statuses), std::end(statuses),
                             [code](const Status& status) { return status.code == code; });
    };

    int code = 200;
    const QByteArray host = request.host.toLower();
    if (host.startsWith("indexnow-") && host.size() >= 12) {
        const int asked = host.mid(9, 3).toInt();
        if (std::any_of(std::begin(statuses), std::end(statuses),
                        [asked](const Status& status) { return status.code == asked; }))
            code = asked;
    } else {
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(request.body, &error);
        const QJsonObject object = json.object();
        const QString site = object.value(QStringLiteral("host")).toString();
        const QJsonArray urls = object.value(QStringLiteral("urlList")).toArray();
        if (request.method != "POST" || error.error != QJsonParseError::NoError ||
            !json.isObject() || site.isEmpty() || urls.isEmpty()) {
            code = 400;
        } else if (!submit::IndexNowKey::isValid(object.value(QStringLiteral("key")).toString())) {
            code = 422;
        } else if (std::any_of(urls.begin(), urls.end(), [&site](const QJsonValue& url) {
                       return QUrl(url.toString()).host().compare(site, Qt::CaseInsensitive) != 0;
                   })) {
            code = 422;
        }
    }
    const Status status = statusOf(code);
    QByteArray headers;
    if (code == 429 && !host.contains("ohne-wartezeit"))
        headers = "Retry-After: 120\r\n";
    Answer result;
    result.status = code;
    result.delayed = true;
    result.bytes =
        message(code, status.reason, headers, QByteArray(status.text), "text/plain; charset=utf-8");
    result.logLine = QStringLiteral("%1 %2 %3")
                         .arg(QString::fromLatin1(request.method), printable(request.target),
                              QString::number(code));
    return result;
}

// The farm plays the user's site too: "GET /<key>.txt" on any host serves that key, as a
// site with its key file in place does. A host whose name holds "ohne-schluessel" has no
// key file (404), one with "falscher-schluessel" serves another key, so a failing check can
// be tried as well.
std::optional<Answer> keyFileAnswer(const Request& request)
{
    if (request.method != "GET" || !request.path.startsWith('/') || !request.path.endsWith(".txt"))
        return std::nullopt;
    const QString key = QString::fromLatin1(request.path.mid(1, request.path.size() - 5));
    if (!submit::IndexNowKey::isValid(key))
        return std::nullopt;
    const QByteArray host = request.host.toLower();
    Answer result;
    result.delayed = true;
    if (host.contains("ohne-schluessel")) {
        result.status = 404;
        result.bytes = message(404, "Not Found", {}, "Keine solche Datei.", "text/plain");
    } else {
        result.status = 200;
        const QByteArray served = host.contains("falscher-schluessel")
                                      ? QByteArray("ein-anderer-Schluessel")
                                      : key.toLatin1();
        result.bytes = message(200, "OK", {}, served + '\n', "text/plain");
    }
    result.logLine = QStringLiteral("%1 %2 %3")
                         .arg(QString::fromLatin1(request.method), printable(request.target),
                              QString::number(result.status));
    return result;
}

Answer answer(const QByteArray& raw, quint16 ownPort, bool secure)
{
    Answer result;
    Request parsed;
    const bool complete = submit::HttpRequestParser::parse(raw, parsed) ==
                          submit::HttpRequestParser::Status::Complete;
    const Request* request = complete && parsed.method != "HEAD" ? &parsed : nullptr;
    if (!request) {
        const QByteArray firstLine = raw.left(raw.indexOf('\n')).trimmed();
        result.status = 400;
        result.bytes =
            message(400, "Bad Request", {},
                    page(QStringLiteral("Ungültige Anfrage"),
                         QStringLiteral("<p>Die Demo-Suchdienste verstehen nur GET und POST nach "
                                        "HTTP/1.0, direkt oder über den Proxy.</p>\r\n")));
        result.logLine = QStringLiteral("%1 400").arg(firstLine.isEmpty() ? QStringLiteral("(leer)")
                                                                          : printable(firstLine));
        return result;
    }

    // The product server's update files are answered at once, without a service's delay.
    if (const std::optional<DemoUpdateFiles::File> file =
            DemoUpdateFiles::find(authority(*request, ownPort), request->path)) {
        result.status = file->status;
        result.bytes = message(file->status, file->reason, {}, file->body, file->contentType);
        result.logLine = QStringLiteral("%1 %2 %3")
                             .arg(QString::fromLatin1(request->method), printable(request->target),
                                  QString::number(result.status));
        return result;
    }

    if (std::optional<Answer> indexNow = indexNowAnswer(*request))
        return *indexNow;
    if (std::optional<Answer> keyFile = keyFileAnswer(*request))
        return *keyFile;

    const QString host = escapeHtml(fromWindows1252(request->host));
    const QString path = escapeHtml(fromWindows1252(request->path));
    result.delayed = true;
    switch (DemoServer::outcomeFor(request->host + request->path)) {
    case DemoServer::Outcome::Accepted:
        result.status = 200;
        result.bytes = message(200, "OK", {}, thankYouPage(*request));
        break;
    case DemoServer::Outcome::Redirected: {
        // Many services sent their thank-you page from another address.
        const QByteArray location =
            (request->host.isEmpty() ? QByteArray()
                                     : (secure ? "https://" : "http://") + request->host) +
            "/anmeldung-erhalten.html";
        result.status = 302;
        result.bytes = message(302, "Found", "Location: " + location + "\r\n", {});
        break;
    }
    case DemoServer::Outcome::NotFound:
        result.status = 404;
        result.bytes =
            message(404, "Not Found", {},
                    page(QStringLiteral("Seite nicht gefunden"),
                         QStringLiteral("<p>Die Seite %1 gibt es bei %2 nicht (mehr).</p>\r\n")
                             .arg(path, host)));
        break;
    case DemoServer::Outcome::ServerError:
        result.status = 500;
        result.bytes = message(
            500, "Internal Server Error", {},
            page(QStringLiteral("Interner Serverfehler"),
                 QStringLiteral("<p>Der Suchdienst %1 kann Anmeldungen gerade nicht "
                                "bearbeiten. Bitte versuchen Sie es später noch einmal.</p>\r\n")
                     .arg(host)));
        break;
    }
    result.logLine = QStringLiteral("%1 %2 %3")
                         .arg(QString::fromLatin1(request->method), printable(request->target),
                              QString::number(result.status));
    return result;
}

QString systemError(int error)
{
    return qt_error_string(error);
}

// A CONNECT request's head, complete: the host it asks for, or empty when it names none
// a certificate could be made for.
std::optional<QByteArray> tunnelHost(const QByteArray& input)
{
    const qsizetype end = input.indexOf("\r\n\r\n");
    if (end < 0)
        return std::nullopt;
    const QList<QByteArray> words = input.left(input.indexOf("\r\n")).split(' ');
    QByteArray host = words.value(1);
    const qsizetype colon = host.lastIndexOf(':');
    if (colon > 0)
        host = host.left(colon);
    host = host.toLower();
    const bool usable =
        !host.isEmpty() && host.size() <= 253 && std::all_of(host.begin(), host.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
        });
    return usable ? host : QByteArray();
}

class Connection
{
public:
    enum class State
    {
        TunnelReply, // the proxy's "200 Connection established", in plain text
        Handshake,
        Reading,
        Waiting,
        Writing,
        Draining,
        Done
    };

    explicit Connection(int fd) : m_fd(fd) {}
    Connection(Connection&& other) noexcept
        : state(other.state), due(other.due), input(std::move(other.input)),
          output(std::move(other.output)), written(other.written),
          logLine(std::move(other.logLine)), ssl(std::exchange(other.ssl, nullptr)),
          wants(other.wants), m_fd(std::exchange(other.m_fd, -1))
    {
    }
    Connection& operator=(Connection&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        std::swap(ssl, other.ssl);
        wants = other.wants;
        state = other.state;
        due = other.due;
        input = std::move(other.input);
        output = std::move(other.output);
        written = other.written;
        logLine = std::move(other.logLine);
        return *this;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection()
    {
        if (ssl)
            SSL_free(ssl);
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int fd() const { return m_fd; }

    State state = State::Reading;
    Clock::time_point due;
    QByteArray input;
    QByteArray output;
    qsizetype written = 0;
    QString logLine;
    SSL* ssl = nullptr;   // inside a tunnel
    short wants = POLLIN; // what the unfinished TLS call waits for

private:
    int m_fd;
};

// What an unfinished TLS call needs; false when the connection has failed.
bool tlsWaits(Connection& connection, int returned)
{
    switch (SSL_get_error(connection.ssl, returned)) {
    case SSL_ERROR_WANT_READ:
        connection.wants = POLLIN;
        return true;
    case SSL_ERROR_WANT_WRITE:
        connection.wants = POLLOUT;
        return true;
    default:
        return false;
    }
}

// The answer inside a tunnel, then TLS's closing message; what the client still sends is
// drained as after a plain answer.
void sendSecretly(Connection& connection)
{
    while (connection.written < connection.output.size()) {
        ERR_clear_error();
        std::size_t n = 0;
        const int done =
            SSL_write_ex(connection.ssl, connection.output.constData() + connection.written,
                         std::size_t(connection.output.size() - connection.written), &n);
        if (done == 1) {
            connection.written += qsizetype(n);
            continue;
        }
        if (!tlsWaits(connection, done))
            connection.state = Connection::State::Done;
        return;
    }
    SSL_shutdown(connection.ssl);
    ::shutdown(connection.fd(), SHUT_WR);
    connection.state = Connection::State::Draining;
    connection.due = Clock::now() + DrainTime;
}

// Reads what is there; false when the peer closed its side or the connection failed.
bool receive(Connection& connection, QByteArray* into)
{
    char buffer[16 * 1024];
    while (true) {
        const ssize_t n = ::recv(connection.fd(), buffer, sizeof buffer, 0);
        if (n > 0) {
            if (into)
                into->append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

void sendAnswer(Connection& connection)
{
    while (connection.written < connection.output.size()) {
        const ssize_t n =
            ::send(connection.fd(), connection.output.constData() + connection.written,
                   std::size_t(connection.output.size() - connection.written), MSG_NOSIGNAL);
        if (n > 0) {
            connection.written += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        connection.state = Connection::State::Done;
        return;
    }
    ::shutdown(connection.fd(), SHUT_WR);
    connection.state = Connection::State::Draining;
    connection.due = Clock::now() + DrainTime;
}

// The signal handler's only way out: it writes one byte to this pipe.
// A lock-free atomic rather than a volatile flag: the signal may be handled on any thread,
// while the command's own thread sets and clears it.
std::atomic<int> signalPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read inside a signal handler");

extern "C" void onStopSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    const int fd = signalPipe.load();
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

// The farm's certificate authority and the certificates it has made, one per host.
struct DemoServer::Tls
{
    SSL_CTX* context = nullptr;
    EVP_PKEY* key = nullptr; // the authority's and every certificate's key
    X509* authority = nullptr;
    std::map<QByteArray, X509*> certificates;

    ~Tls()
    {
        for (auto& entry : certificates)
            X509_free(entry.second);
        X509_free(authority);
        EVP_PKEY_free(key);
        SSL_CTX_free(context);
    }

    static bool extend(X509* certificate, X509* issuer, int nid, const QByteArray& value)
    {
        X509V3_CTX context;
        X509V3_set_ctx_nodb(&context);
        X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
        X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.constData());
        if (!extension)
            return false;
        X509_add_ext(certificate, extension, -1);
        X509_EXTENSION_free(extension);
        return true;
    }

    // A certificate for `host` (an authority's when empty), valid from yesterday for a year.
    X509* make(const QByteArray& host)
    {
        static std::atomic<long> serial{1};
        X509* certificate = X509_new();
        X509_set_version(certificate, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial++);
        X509_gmtime_adj(X509_getm_notBefore(certificate), -24 * 3600);
        X509_gmtime_adj(X509_getm_notAfter(certificate), 365 * 24 * 3600);
        X509_set_pubkey(certificate, key);
        const QByteArray commonName = host.isEmpty() ? "Pelvaro Demo-Suchdienste CA" : host;
        X509_NAME* name = X509_get_subject_name(certificate);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(commonName.constData()),
                                   -1, -1, 0);
        X509* issuer = host.isEmpty() ? certificate : authority;
        X509_set_issuer_name(certificate, X509_get_subject_name(issuer));
        unsigned char address[16];
        const bool numeric = ::inet_pton(AF_INET, host.constData(), address) == 1;
        const bool ok =
            host.isEmpty()
                ? extend(certificate, issuer, NID_basic_constraints, "critical,CA:TRUE") &&
                      extend(certificate, issuer, NID_key_usage, "critical,keyCertSign,cRLSign")
                : extend(certificate, issuer, NID_basic_constraints, "critical,CA:FALSE") &&
                      extend(certificate, issuer, NID_subject_alt_name,
                             (numeric ? "IP:" : "DNS:") + host);
        if (!ok || X509_sign(certificate, key, EVP_sha256()) <= 0) {
            X509_free(certificate);
            return nullptr;
        }
        return certificate;
    }

    bool start()
    {
        key = EVP_EC_gen("P-256");
        authority = key ? make({}) : nullptr;
        context = SSL_CTX_new(TLS_server_method());
        if (!authority || !context)
            return false;
        SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
        SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
        return SSL_CTX_use_PrivateKey(context, key) == 1 &&
               SSL_CTX_add1_chain_cert(context, authority) == 1;
    }

    // A connection's TLS for `host`, or null when no certificate could be made.
    SSL* accept(int fd, const QByteArray& host)
    {
        X509*& certificate = certificates[host];
        if (!certificate)
            certificate = make(host);
        if (!certificate)
            return nullptr;
        SSL* ssl = SSL_new(context);
        if (ssl && SSL_use_certificate(ssl, certificate) == 1 && SSL_set_fd(ssl, fd) == 1)
            return ssl;
        SSL_free(ssl);
        return nullptr;
    }
};

DemoServer::DemoServer() = default;

DemoServer::~DemoServer()
{
    close();
}

void DemoServer::setLogger(std::function<void(const QString&)> logger)
{
    m_logger = std::move(logger);
}

bool DemoServer::listen(quint16 port, int delayMs, QString* error)
{
    const auto fail = [&](const QString& reason) {
        if (error) {
            *error = QStringLiteral("Die Demo-Suchdienste können nicht auf 127.0.0.1:%1 "
                                    "lauschen: %2")
                         .arg(port)
                         .arg(reason);
        }
        close();
        return false;
    };
    if (m_thread.joinable())
        return fail(QStringLiteral("Der Server läuft bereits."));

    m_delayMs = std::clamp(delayMs, 0, MaxDelayMs);
    // Packed before the first request, so a download is not kept waiting and a fault in the
    // packing shows at the start instead of as a failed download.
    try {
        DemoUpdateFiles::catalogueArchive();
    } catch (const Error& e) {
        return fail(e.message());
    }
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return fail(systemError(errno));
    const int on = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, SOMAXCONN) != 0)
        return fail(systemError(errno));
    socklen_t length = sizeof address;
    if (::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return fail(systemError(errno));
    m_port = ntohs(address.sin_port);
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0)
        return fail(systemError(errno));
    m_tls = std::make_unique<Tls>();
    if (!m_tls->start())
        return fail(QStringLiteral("Die Zertifizierungsstelle der Demo-Suchdienste kann nicht "
                                   "angelegt werden."));
    m_thread = std::thread(&DemoServer::serve, this);
    return true;
}

void DemoServer::close()
{
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    for (int* fd : {&m_listenFd, &m_wakeFd}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_tls.reset();
}

QByteArray DemoServer::caCertificatePem() const
{
    if (!m_tls || !m_tls->authority)
        return {};
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, m_tls->authority);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    const QByteArray pem(data, int(size));
    BIO_free(bio);
    return pem;
}

DemoServer::Outcome DemoServer::outcomeFor(const QByteArray& hostAndPath)
{
    // FNV-1a: the same answer for the same service in every run and on every machine, which
    // a seeded hash would not give.
    quint32 hash = 2166136261u;
    for (const char c : hostAndPath) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    const quint32 bucket = hash % 100;
    if (bucket < 80)
        return Outcome::Accepted;
    if (bucket < 88)
        return Outcome::Redirected;
    if (bucket < 94)
        return Outcome::NotFound;
    return Outcome::ServerError;
}

QByteArray DemoServer::responseFor(const QByteArray& request, bool secure)
{
    return answer(request, 0, secure).bytes;
}

void DemoServer::serve()
{
    std::vector<Connection> connections;
    Clock::time_point acceptPausedUntil;
    std::vector<pollfd> polled;

    const auto startAnswer = [&](Connection& connection, const QByteArray& raw) {
        Answer result = answer(raw, m_port, connection.ssl != nullptr);
        connection.input.clear();
        connection.output = std::move(result.bytes);
        connection.logLine = std::move(result.logLine);
        if (result.delayed && m_delayMs > 0) {
            connection.state = Connection::State::Waiting;
            connection.due = Clock::now() + std::chrono::milliseconds(m_delayMs);
        } else {
            connection.state = Connection::State::Writing;
        }
    };

    // A CONNECT head: the proxy's consent goes out in plain text, TLS follows.
    const auto openTunnel = [&](Connection& connection, bool open) {
        const std::optional<QByteArray> host = tunnelHost(connection.input);
        if (!host) {
            if (!open)
                connection.state = Connection::State::Done;
            else if (connection.input.size() > 64 * 1024)
                startAnswer(connection, connection.input); // no request: 400
            return;
        }
        if (host->isEmpty() || !(connection.ssl = m_tls->accept(connection.fd(), *host))) {
            connection.input.clear();
            connection.output = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n";
            connection.state = Connection::State::Writing;
            return;
        }
        connection.input.clear();
        connection.output = "HTTP/1.1 200 Connection established\r\n\r\n";
        connection.written = 0;
        connection.state = Connection::State::TunnelReply;
    };

    // One step of a tunnel: its consent, the handshake or reading the request inside.
    const auto serveTunnel = [&](Connection& connection) {
        if (connection.state == Connection::State::TunnelReply) {
            while (connection.written < connection.output.size()) {
                const ssize_t n = ::send(
                    connection.fd(), connection.output.constData() + connection.written,
                    std::size_t(connection.output.size() - connection.written), MSG_NOSIGNAL);
                if (n > 0)
                    connection.written += n;
                else if (n < 0 && errno == EINTR)
                    continue;
                else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                    return;
                else {
                    connection.state = Connection::State::Done;
                    return;
                }
            }
            connection.output.clear();
            connection.written = 0;
            connection.state = Connection::State::Handshake;
        }
        if (connection.state == Connection::State::Handshake) {
            ERR_clear_error();
            const int done = SSL_accept(connection.ssl);
            if (done != 1) {
                if (!tlsWaits(connection, done))
                    connection.state = Connection::State::Done;
                return;
            }
            connection.state = Connection::State::Reading;
        }
        char buffer[16 * 1024];
        bool open = true;
        for (;;) {
            ERR_clear_error();
            std::size_t n = 0;
            const int done = SSL_read_ex(connection.ssl, buffer, sizeof buffer, &n);
            if (done == 1) {
                connection.input.append(buffer, qsizetype(n));
                continue;
            }
            open = tlsWaits(connection, done);
            break;
        }
        const qsizetype size = requestSize(connection.input);
        if (size > 0)
            startAnswer(connection, connection.input.left(size));
        else if (!open && connection.input.isEmpty())
            connection.state = Connection::State::Done;
        else if (!open)
            startAnswer(connection, connection.input);
    };

    while (true) {
        auto now = Clock::now();
        int timeout = -1;
        const auto wakeAt = [&](Clock::time_point when) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(when - now).count();
            const int ms = int(std::clamp<decltype(wait)>(wait, 0, MaxDelayMs));
            timeout = timeout < 0 ? ms : std::min(timeout, ms);
        };

        polled.clear();
        polled.push_back({m_wakeFd, POLLIN, 0});
        // Out of descriptors, or flooded: let the backlog wait instead of spinning.
        const bool acceptPaused = now < acceptPausedUntil || connections.size() >= MaxConnections;
        if (now < acceptPausedUntil)
            wakeAt(acceptPausedUntil);
        polled.push_back({m_listenFd, short(acceptPaused ? 0 : POLLIN), 0});
        for (const Connection& connection : connections) {
            short events = 0;
            switch (connection.state) {
            case Connection::State::TunnelReply:
                events = POLLOUT;
                break;
            case Connection::State::Handshake:
                events = connection.wants;
                break;
            case Connection::State::Reading:
            case Connection::State::Draining:
                events = connection.ssl && connection.state == Connection::State::Reading
                             ? connection.wants
                             : short(POLLIN);
                break;
            case Connection::State::Writing:
                events = connection.ssl ? connection.wants : short(POLLOUT);
                break;
            case Connection::State::Waiting:
            case Connection::State::Done:
                break;
            }
            if (connection.state == Connection::State::Waiting ||
                connection.state == Connection::State::Draining)
                wakeAt(connection.due);
            polled.push_back({connection.fd(), events, 0});
        }

        if (::poll(polled.data(), nfds_t(polled.size()), timeout) < 0 && errno != EINTR)
            return;
        if (polled[0].revents != 0)
            return;
        now = Clock::now();

        for (std::size_t i = 0; i < connections.size(); ++i) {
            Connection& connection = connections[i];
            const short revents = polled[i + 2].revents;
            if (connection.state == Connection::State::TunnelReply ||
                connection.state == Connection::State::Handshake ||
                (connection.ssl && connection.state == Connection::State::Reading)) {
                if (revents != 0)
                    serveTunnel(connection);
            } else if (connection.state == Connection::State::Reading && revents != 0) {
                const bool open = receive(connection, &connection.input);
                const qsizetype size = requestSize(connection.input);
                // The method may still be arriving: a tunnel is told from a request by it.
                if (connection.input.startsWith("CONNECT ") ||
                    (open && QByteArray("CONNECT ").startsWith(connection.input)))
                    openTunnel(connection, open);
                else if (size > 0)
                    startAnswer(connection, connection.input.left(size));
                else if (!open && connection.input.isEmpty())
                    connection.state = Connection::State::Done;
                else if (!open)
                    startAnswer(connection, connection.input); // cut short: 400
            } else if (connection.state == Connection::State::Waiting) {
                if (revents & (POLLERR | POLLHUP | POLLNVAL))
                    connection.state = Connection::State::Done;
                else if (now >= connection.due)
                    connection.state = Connection::State::Writing;
            } else if (connection.state == Connection::State::Draining) {
                if ((revents != 0 && !receive(connection, nullptr)) || now >= connection.due)
                    connection.state = Connection::State::Done;
            } else if (connection.state == Connection::State::Writing &&
                       (revents & (POLLERR | POLLNVAL))) {
                connection.state = Connection::State::Done;
            }

            if (connection.state == Connection::State::Writing) {
                if (connection.written == 0 && !connection.logLine.isEmpty()) {
                    if (m_logger)
                        m_logger(connection.logLine);
                    connection.logLine.clear();
                }
                if (connection.ssl)
                    sendSecretly(connection);
                else
                    sendAnswer(connection);
            }
        }
        std::erase_if(connections, [](const Connection& connection) {
            return connection.state == Connection::State::Done;
        });

        if (polled[1].revents & POLLIN) {
            while (connections.size() < MaxConnections) {
                const int fd =
                    ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd >= 0) {
                    connections.emplace_back(fd);
                    continue;
                }
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                    acceptPausedUntil = Clock::now() + std::chrono::milliseconds(100);
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                break;
            }
        }
    }
}

int DemoServer::runCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    const QString usage = QStringLiteral(
        "Aufruf: pelvaro-cli demo-server [--port P] [--delay MS] [--verbose] [--ca-out DATEI]");
    const auto fail = [&](const QString& text) {
        err << text << Qt::endl << usage << Qt::endl;
        return 1;
    };

    int port = 8080;
    int delayMs = 0;
    bool verbose = false;
    QString caOut;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--verbose")) {
            verbose = true;
            continue;
        }
        if (argument == QLatin1String("--ca-out")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
                return fail(QStringLiteral("--ca-out erwartet einen Dateinamen."));
            caOut = arguments.at(++i);
            continue;
        }
        if (argument != QLatin1String("--port") && argument != QLatin1String("--delay"))
            return fail(QStringLiteral("Unbekannte Angabe \"%1\".").arg(argument));
        bool ok = false;
        const int value = i + 1 < arguments.size() ? arguments.at(i + 1).toInt(&ok) : 0;
        if (argument == QLatin1String("--port")) {
            if (!ok || value < 0 || value > 65535)
                return fail(QStringLiteral("--port erwartet eine Portnummer von 0 bis 65535."));
            port = value;
        } else {
            if (!ok || value < 0 || value > MaxDelayMs)
                return fail(QStringLiteral("--delay erwartet eine Wartezeit in Millisekunden "
                                           "von 0 bis %1.")
                                .arg(MaxDelayMs));
            delayMs = value;
        }
        ++i;
    }

    // The server thread logs while this thread may still be printing.
    std::mutex outLock;
    DemoServer server;
    if (verbose) {
        server.setLogger([&](const QString& line) {
            const std::lock_guard lock(outLock);
            out << line << Qt::endl;
        });
    }

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(systemError(errno));
    signalPipe.store(pipeFds[1]);
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    struct sigaction oldInterrupt
    {
    };
    struct sigaction oldTerminate
    {
    };
    ::sigaction(SIGINT, &action, &oldInterrupt);
    ::sigaction(SIGTERM, &action, &oldTerminate);
    const auto restoreSignals = [&] {
        ::sigaction(SIGINT, &oldInterrupt, nullptr);
        ::sigaction(SIGTERM, &oldTerminate, nullptr);
        signalPipe.store(-1);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
    };

    QString error;
    if (!server.listen(quint16(port), delayMs, &error)) {
        restoreSignals();
        err << error << Qt::endl;
        return 1;
    }
    if (!caOut.isEmpty()) {
        QFile file(caOut);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(server.caCertificatePem()) < 0 || !file.flush()) {
            server.close();
            restoreSignals();
            err << QStringLiteral("Das Zertifikat kann nicht nach %1 geschrieben werden: %2")
                       .arg(caOut, file.errorString())
                << Qt::endl;
            return 1;
        }
    }
    {
        const std::lock_guard lock(outLock);
        out << QStringLiteral("Demo-Suchdienste lauschen auf 127.0.0.1:%1").arg(server.port())
            << Qt::endl
            << QStringLiteral("Im Programm als Proxy eintragen: Andere, 127.0.0.1, Port %1. "
                              "Beenden mit Strg+C.")
                   .arg(server.port())
            << Qt::endl;
    }

    pollfd stop{pipeFds[0], POLLIN, 0};
    while (::poll(&stop, 1, -1) < 0 && errno == EINTR) {
    }
    // Taking the byte orders the handler's write before the pipe is closed below.
    char byte = 0;
    [[maybe_unused]] const ssize_t taken = ::read(pipeFds[0], &byte, 1);
    server.close();
    restoreSignals();
    out << QStringLiteral("Demo-Suchdienste beendet.") << Qt::endl;
    return 0;
}

} // namespace pelvaro::cli
