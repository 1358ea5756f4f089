#include "cli/DemoServer.h"

#include "base/Error.h"
#include "cli/DemoUpdateFiles.h"
#include "submit/HttpRequestParser.h"

#include <QList>
#include <QStringDecoder>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
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

Answer answer(const QByteArray& raw, quint16 ownPort)
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
            (request->host.isEmpty() ? QByteArray() : "http://" + request->host) +
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

class Connection
{
public:
    enum class State
    {
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
          logLine(std::move(other.logLine)), m_fd(std::exchange(other.m_fd, -1))
    {
    }
    Connection& operator=(Connection&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
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

private:
    int m_fd;
};

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

QByteArray DemoServer::responseFor(const QByteArray& request)
{
    return answer(request, 0).bytes;
}

void DemoServer::serve()
{
    std::vector<Connection> connections;
    Clock::time_point acceptPausedUntil;
    std::vector<pollfd> polled;

    const auto startAnswer = [&](Connection& connection, const QByteArray& raw) {
        Answer result = answer(raw, m_port);
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
            case Connection::State::Reading:
            case Connection::State::Draining:
                events = POLLIN;
                break;
            case Connection::State::Writing:
                events = POLLOUT;
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
            if (connection.state == Connection::State::Reading && revents != 0) {
                const bool open = receive(connection, &connection.input);
                const qsizetype size = requestSize(connection.input);
                if (size > 0)
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
    const QString usage =
        QStringLiteral("Aufruf: pelvaro-cli demo-server [--port P] [--delay MS] [--verbose]");
    const auto fail = [&](const QString& text) {
        err << text << Qt::endl << usage << Qt::endl;
        return 1;
    };

    int port = 8080;
    int delayMs = 0;
    bool verbose = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--verbose")) {
            verbose = true;
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
