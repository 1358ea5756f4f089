#pragma once

#include <QByteArray>

#include <chrono>
#include <memory>

namespace pelvaro::test {

// A name server on 127.0.0.1 (ephemeral UDP port) in its own thread, for look-ups that
// must not depend on the machine's resolver: a silent one reads every query and never
// answers, so a look-up hangs until it is cancelled; an unknowing one answers every query
// with "no such name" (NXDOMAIN).
class TestNameServer
{
public:
    enum class Behaviour
    {
        Silent,
        NoSuchName,
    };

    explicit TestNameServer(Behaviour behaviour);
    ~TestNameServer(); // stops the thread and closes the socket
    TestNameServer(const TestNameServer&) = delete;
    TestNameServer& operator=(const TestNameServer&) = delete;

    // "127.0.0.1:<port>", as a resolver's server list takes it.
    QByteArray address() const;
    // Queries received so far.
    int queries() const;
    bool waitForQueries(int count, std::chrono::milliseconds timeout) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pelvaro::test
