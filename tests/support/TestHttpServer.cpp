#include "TestHttpServer.h"

#include "submit/HttpRequestParser.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHash>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

namespace pelvaro::test {

using pelvaro::submit::HttpRequestParser;
using Clock = std::chrono::steady_clock;

ScriptedAnswer ScriptedAnswer::ok(const QByteArray& body)
{
    return status("HTTP/1.0 200 OK", {"Content-Type: text/html"}, body);
}

ScriptedAnswer ScriptedAnswer::status(const QByteArray& statusLine,
                                      const QList<QByteArray>& headers, const QByteArray& body)
{
    ScriptedAnswer a;
    a.statusLine = statusLine;
    a.headers = headers;
    a.body = body;
    return a;
}

ScriptedAnswer ScriptedAnswer::rawBytes(const QByteArray& bytes)
{
    ScriptedAnswer a;
    a.kind = Kind::Raw;
    a.raw = bytes;
    return a;
}

ScriptedAnswer ScriptedAnswer::reset()
{
    ScriptedAnswer a;
    a.kind = Kind::Reset;
    return a;
}

ScriptedAnswer ScriptedAnswer::neverAnswer(const QByteArray& sendFirst)
{
    ScriptedAnswer a;
    a.kind = Kind::NeverAnswer;
    a.raw = sendFirst;
    return a;
}

ScriptedAnswer ScriptedAnswer::sendForever(const QByteArray& statusLine,
                                           const QList<QByteArray>& headers)
{
    ScriptedAnswer a = status(statusLine, headers);
    a.kind = Kind::SendForever;
    return a;
}

ScriptedAnswer ScriptedAnswer::drip(const QByteArray& bytes, std::chrono::milliseconds interval,
                                    const QByteArray& thenForever)
{
    ScriptedAnswer a;
    a.kind = Kind::Drip;
    a.raw = bytes;
    a.interval = interval;
    a.filler = thenForever;
    return a;
}

ScriptedAnswer ScriptedAnswer::repeat(const QByteArray& first, const QByteArray& filler)
{
    ScriptedAnswer a;
    a.kind = Kind::Repeat;
    a.raw = first;
    a.filler = filler;
    return a;
}

ScriptedAnswer hostileAnswer(Hostile kind, const QString& self)
{
    using A = ScriptedAnswer;
    using std::chrono::milliseconds;
    const QByteArray body = HostileBody;
    const QByteArray answer = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body;
    const QByteArray cont = "HTTP/1.0 100 Continue\r\n\r\n";
    const QByteArray length100 = "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n";
    switch (kind) {
    case Hostile::NeverAnswer:
        return A::neverAnswer();
    case Hostile::DripAnswer:
        return A::drip("HTTP/1.0 200 OK\r\n\r\n" + body, milliseconds(50));
    case Hostile::DripSlowerThanLimit:
        return A::drip(answer, milliseconds(1500));
    case Hostile::DripForever:
        return A::drip("HTTP/1.0 200 OK\r\n\r\n", milliseconds(400), "x");
    case Hostile::EndlessBody:
        return A::sendForever();
    case Hostile::HugeStatusLine:
        return A::rawBytes("HTTP/1.0 200 " + QByteArray(1024 * 1024, 'O') + "\r\n\r\n" + body);
    case Hostile::EndlessHeaders:
        return A::repeat("HTTP/1.0 200 OK\r\n", "X-Fuell: 0123456789abcdef\r\n");
    case Hostile::CloseInStatusLine:
        return A::rawBytes("HTTP/1.0 20");
    case Hostile::Reset:
        return A::reset();
    case Hostile::ContinueOnly:
        return A::rawBytes(cont);
    case Hostile::ContinueThenSilence:
        return A::neverAnswer(cont);
    case Hostile::ContinueThenAnswer:
        return A::rawBytes(cont + answer);
    case Hostile::RedirectLoop:
        return A::status("HTTP/1.0 302 Found", {"Location: " + self.toLatin1()}, "weiter");
    case Hostile::BodyLongerThanLength:
        return A::status("HTTP/1.0 200 OK", {"Content-Length: 2"}, body);
    case Hostile::BodyShorterThanLength:
        return A::rawBytes(length100 + body);
    case Hostile::BodyShorterThanLengthHeld:
        return A::neverAnswer(length100 + body);
    }
    return A::neverAnswer();
}

FullBacklogListener::FullBacklogListener()
{
    // With a backlog of 0 Linux queues one connection and drops the SYN of every further
    // one while nobody accepts; the filler takes that one place.
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listenFd < 0 || ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listenFd, 0) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_fillerFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fillerFd < 0 ||
        ::connect(m_fillerFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return;
    // A listening socket is readable once a connection waits in its queue.
    pollfd queued{m_listenFd, POLLIN, 0};
    m_ready = ::poll(&queued, 1, 10000) == 1;
}

FullBacklogListener::~FullBacklogListener()
{
    if (m_fillerFd >= 0)
        ::close(m_fillerFd);
    if (m_listenFd >= 0)
        ::close(m_listenFd);
}

QString FullBacklogListener::url(const QString& pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port) + pathAndQuery;
}

namespace {

enum class Phase
{
    Reading, // the request is not complete yet
    Waiting, // complete; the scripted delay runs
    Writing, // sending `out`, then close
    Holding, // never answers; closes when the client does
    Streaming,
    Dripping, // one byte of `out` at `answerAt`, the next one an interval later
};

struct Client
{
    int fd = -1;
    Phase phase = Phase::Reading;
    QByteArray received;
    ScriptedAnswer answer;
    Clock::time_point answerAt;
    QByteArray out;
    qsizetype sent = 0;
    bool done = false;
};

} // namespace

struct TestHttpServer::Impl
{
    int listenFd = -1;
    int wakeFd = -1;
    quint16 port = 0;
    std::thread thread;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    QHash<QByteArray, ScriptedAnswer> scripts;
    QList<QByteArray> requests;
    int open = 0;

    std::list<Client> clients; // the server thread's own

    ScriptedAnswer answerFor(const HttpRequestParser::Request& request)
    {
        std::lock_guard lock(mutex);
        if (scripts.contains(request.pathAndQuery))
            return scripts.value(request.pathAndQuery);
        if (scripts.contains(request.path))
            return scripts.value(request.path);
        return ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}, "not scripted");
    }

    void record(const QByteArray& bytes)
    {
        std::lock_guard lock(mutex);
        requests << bytes;
        changed.notify_all();
    }

    void setOpen(int count)
    {
        std::lock_guard lock(mutex);
        open = count;
        changed.notify_all();
    }

    void startAnswer(Client& c)
    {
        const ScriptedAnswer& a = c.answer;
        switch (a.kind) {
        case ScriptedAnswer::Kind::Normal:
        case ScriptedAnswer::Kind::SendForever:
            c.out = a.statusLine + "\r\n";
            for (const QByteArray& header : a.headers)
                c.out += header + "\r\n";
            c.out += "\r\n";
            if (a.kind == ScriptedAnswer::Kind::Normal) {
                c.out += a.body;
                c.phase = Phase::Writing;
            } else {
                c.phase = Phase::Streaming;
            }
            break;
        case ScriptedAnswer::Kind::Raw:
            c.out = a.raw;
            c.phase = Phase::Writing;
            break;
        case ScriptedAnswer::Kind::Reset: {
            const linger hard{1, 0};
            ::setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            c.done = true;
            break;
        }
        case ScriptedAnswer::Kind::NeverAnswer:
            c.out = a.raw;
            c.phase = Phase::Writing;
            break;
        case ScriptedAnswer::Kind::Drip:
            c.out = a.raw;
            c.phase = Phase::Dripping;
            c.answerAt = Clock::now() + a.interval;
            break;
        case ScriptedAnswer::Kind::Repeat:
            c.out = a.raw;
            c.phase = Phase::Streaming;
            break;
        }
    }

    void readFrom(Client& c)
    {
        char buffer[16 * 1024];
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            if (c.phase == Phase::Reading && !c.received.isEmpty())
                record(c.received);
            c.done = true;
            return;
        }
        if (c.phase != Phase::Reading)
            return; // nothing more is expected from an HTTP/1.0 client
        c.received.append(buffer, n);
        HttpRequestParser::Request request;
        const HttpRequestParser::Status status = HttpRequestParser::parse(c.received, request);
        if (status == HttpRequestParser::Status::NeedMore)
            return;
        record(c.received);
        c.answer = status == HttpRequestParser::Status::Complete
                       ? answerFor(request)
                       : ScriptedAnswer::status("HTTP/1.0 400 Bad Request", {}, "no request");
        c.answerAt = Clock::now() + c.answer.delay;
        c.phase = Phase::Waiting;
    }

    void writeTo(Client& c)
    {
        if (c.phase == Phase::Streaming && c.sent == c.out.size()) {
            const QByteArray& filler = c.answer.filler;
            c.out = filler.isEmpty()
                        ? QByteArray(64 * 1024, 'x')
                        : filler.repeated(std::max<qsizetype>(1, 64 * 1024 / filler.size()));
            c.sent = 0;
        }
        while (c.sent < c.out.size()) {
            const ssize_t n = ::send(c.fd, c.out.constData() + c.sent,
                                     size_t(c.out.size() - c.sent), MSG_NOSIGNAL);
            if (n < 0) {
                if (errno != EAGAIN && errno != EINTR)
                    c.done = true; // the client went away
                return;
            }
            c.sent += n;
        }
        if (c.phase == Phase::Writing && c.answer.kind == ScriptedAnswer::Kind::NeverAnswer)
            c.phase = Phase::Holding;
        else if (c.phase == Phase::Writing)
            c.done = true;
    }

    void dripTo(Client& c)
    {
        if (c.sent == c.out.size()) {
            if (c.answer.filler.isEmpty()) {
                c.done = true;
                return;
            }
            c.out = c.answer.filler;
            c.sent = 0;
        }
        const ssize_t n = ::send(c.fd, c.out.constData() + c.sent, 1, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            c.done = true;
            return;
        }
        c.sent += std::max<ssize_t>(n, 0);
        c.done = c.sent == c.out.size() && c.answer.filler.isEmpty();
        c.answerAt = Clock::now() + c.answer.interval;
    }

    void loop()
    {
        for (;;) {
            std::vector<pollfd> fds{{wakeFd, POLLIN, 0}, {listenFd, POLLIN, 0}};
            int timeoutMs = -1;
            const Clock::time_point now = Clock::now();
            for (Client& c : clients) {
                short events = POLLIN;
                if (c.phase == Phase::Writing || c.phase == Phase::Streaming)
                    events = POLLOUT;
                if (c.phase == Phase::Waiting || c.phase == Phase::Dripping) {
                    const auto left =
                        std::chrono::ceil<std::chrono::milliseconds>(c.answerAt - now).count();
                    const int ms = int(std::max<long long>(0, left));
                    timeoutMs = timeoutMs < 0 ? ms : std::min(timeoutMs, ms);
                }
                fds.push_back(pollfd{c.fd, events, 0});
            }
            if (::poll(fds.data(), nfds_t(fds.size()), timeoutMs) < 0 && errno != EINTR)
                return;
            if (fds[0].revents)
                return;
            if (fds[1].revents) {
                for (;;) {
                    const int fd =
                        ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                    if (fd < 0)
                        break;
                    clients.push_back(Client{});
                    clients.back().fd = fd;
                }
            }
            size_t i = 2;
            for (Client& c : clients) {
                if (i >= fds.size() || fds[i].fd != c.fd)
                    break; // accepted in this round; polled next time
                const short revents = fds[i++].revents;
                if (revents & POLLOUT)
                    writeTo(c);
                else if (revents & (POLLIN | POLLHUP | POLLERR))
                    readFrom(c);
                if (!c.done && c.phase == Phase::Waiting && Clock::now() >= c.answerAt)
                    startAnswer(c);
                else if (!c.done && c.phase == Phase::Dripping && Clock::now() >= c.answerAt)
                    dripTo(c);
            }
            for (auto it = clients.begin(); it != clients.end();) {
                if (it->done) {
                    ::close(it->fd);
                    it = clients.erase(it);
                } else {
                    ++it;
                }
            }
            setOpen(int(clients.size()));
        }
    }
};

TestHttpServer::TestHttpServer() : m_impl(std::make_unique<Impl>())
{
    Impl& d = *m_impl;
    d.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    d.listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool ok = d.wakeFd >= 0 && d.listenFd >= 0 &&
                    ::bind(d.listenFd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                    ::listen(d.listenFd, 64) == 0 &&
                    ::getsockname(d.listenFd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    EXPECT_TRUE(ok) << "test server could not listen: " << std::strerror(errno);
    d.port = ntohs(address.sin_port);
    if (ok)
        d.thread = std::thread([&d] { d.loop(); });
}

TestHttpServer::~TestHttpServer()
{
    Impl& d = *m_impl;
    if (d.thread.joinable()) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(d.wakeFd, &one, sizeof one);
        d.thread.join();
    }
    for (const Client& c : d.clients)
        ::close(c.fd);
    if (d.listenFd >= 0)
        ::close(d.listenFd);
    if (d.wakeFd >= 0)
        ::close(d.wakeFd);
}

quint16 TestHttpServer::port() const
{
    return m_impl->port;
}

QString TestHttpServer::url(const QString& pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port()) + pathAndQuery;
}

void TestHttpServer::script(const QByteArray& path, const ScriptedAnswer& answer)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->scripts.insert(path, answer);
}

QList<QByteArray> TestHttpServer::requests() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests;
}

bool TestHttpServer::waitForRequests(int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_impl->mutex);
    return m_impl->changed.wait_for(lock, timeout,
                                    [&] { return m_impl->requests.size() >= count; });
}

int TestHttpServer::openConnections() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->open;
}

bool TestHttpServer::waitForNoConnections(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_impl->mutex);
    return m_impl->changed.wait_for(lock, timeout, [&] { return m_impl->open == 0; });
}

} // namespace pelvaro::test
