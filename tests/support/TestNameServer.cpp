#include "TestNameServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

namespace pelvaro::test {

namespace {

constexpr qsizetype DnsHeaderSize = 12;

// The header and question of a query turned into its "no such name" answer; nothing when
// the datagram is no query this server understands.
std::optional<QByteArray> noSuchNameAnswer(const QByteArray& query)
{
    if (query.size() < DnsHeaderSize || (quint8(query.at(2)) & 0x80) != 0)
        return std::nullopt;
    // The question: labels up to the root label, then type and class.
    qsizetype at = DnsHeaderSize;
    while (at < query.size() && query.at(at) != 0) {
        if ((quint8(query.at(at)) & 0xc0) != 0)
            return std::nullopt; // no compression inside a question
        at += 1 + quint8(query.at(at));
    }
    at += 1 + 4;
    if (at > query.size())
        return std::nullopt;
    QByteArray answer = query.left(at);
    // Answer flag, opcode and "recursion desired" kept; "recursion available", NXDOMAIN.
    answer[2] = char(0x80 | (quint8(query.at(2)) & 0x79));
    answer[3] = char(0x80 | 3);
    // One question, no answer, authority or additional records.
    const char counts[8] = {0, 1, 0, 0, 0, 0, 0, 0};
    answer.replace(4, 8, counts, 8);
    return answer;
}

} // namespace

struct TestNameServer::Impl
{
    Behaviour behaviour = Behaviour::Silent;
    int socketFd = -1;
    int wakeFd = -1;
    quint16 port = 0;
    std::thread thread;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    int queries = 0;

    void loop()
    {
        for (;;) {
            pollfd fds[2] = {{wakeFd, POLLIN, 0}, {socketFd, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                return;
            if (fds[0].revents)
                return;
            if (!fds[1].revents)
                continue;
            char buffer[1500];
            sockaddr_storage from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = ::recvfrom(socketFd, buffer, sizeof buffer, 0,
                                         reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n <= 0)
                continue;
            {
                std::lock_guard lock(mutex);
                ++queries;
                changed.notify_all();
            }
            if (behaviour == Behaviour::Silent)
                continue;
            if (const auto answer = noSuchNameAnswer(QByteArray(buffer, n))) {
                ::sendto(socketFd, answer->constData(), size_t(answer->size()), 0,
                         reinterpret_cast<const sockaddr*>(&from), fromLength);
            }
        }
    }
};

TestNameServer::TestNameServer(Behaviour behaviour) : m_impl(std::make_unique<Impl>())
{
    Impl& d = *m_impl;
    d.behaviour = behaviour;
    d.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    d.socketFd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool ok = d.wakeFd >= 0 && d.socketFd >= 0 &&
                    ::bind(d.socketFd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                    ::getsockname(d.socketFd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    EXPECT_TRUE(ok) << "test name server could not bind: " << std::strerror(errno);
    d.port = ntohs(address.sin_port);
    if (ok)
        d.thread = std::thread([&d] { d.loop(); });
}

TestNameServer::~TestNameServer()
{
    Impl& d = *m_impl;
    if (d.thread.joinable()) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(d.wakeFd, &one, sizeof one);
        d.thread.join();
    }
    if (d.socketFd >= 0)
        ::close(d.socketFd);
    if (d.wakeFd >= 0)
        ::close(d.wakeFd);
}

QByteArray TestNameServer::address() const
{
    return "127.0.0.1:" + QByteArray::number(m_impl->port);
}

int TestNameServer::queries() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->queries;
}

bool TestNameServer::waitForQueries(int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_impl->mutex);
    return m_impl->changed.wait_for(lock, timeout, [&] { return m_impl->queries >= count; });
}

} // namespace pelvaro::test
