// HTTP answers (status line, headers, body) as a submission's exchange receives them, through
// the real exchange over a real socket: a server thread of this process answers every
// connection with the input's bytes and closes. Each input is received twice, once collected
// in memory as a submission keeps it and once handed block by block to a sink as a download
// takes it, and what the program reads further from an answer (the Retry-After value, the
// answer page's lines and file bytes) is read from the result.

#include "FuzzSupport.h"
#include "submit/AnswerPage.h"
#include "submit/HttpExchange.h"
#include "submit/RetryAfter.h"

#include <QDateTime>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

using pelvaro::submit::ExchangeRequest;
using pelvaro::submit::ExchangeResult;
using pelvaro::submit::HttpExchange;

// One listening socket for the whole process; the next answer is handed over before the
// exchange connects, and the server takes it from there.
class AnswerServer
{
public:
    AnswerServer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 ||
            ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener, 8) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        m_port = ntohs(address.sin_port);
        std::thread([this] { serve(); }).detach();
    }

    quint16 port() const { return m_port; }

    // Sets the bytes the next connection is answered with.
    void setAnswer(QByteArray answer)
    {
        std::lock_guard lock(m_mutex);
        m_answer = std::move(answer);
    }

    // Waits until the server has finished with the connection of the last exchange, so the
    // next input's answer cannot go to it.
    void waitForIdle()
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_served == m_expected; });
    }

    void expectConnection()
    {
        std::lock_guard lock(m_mutex);
        ++m_expected;
    }

private:
    void serve()
    {
        for (;;) {
            const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0)
                continue;
            QByteArray answer;
            {
                std::lock_guard lock(m_mutex);
                answer = m_answer;
            }
            // The client may stop reading early (a garbled status line, a full body): a
            // broken pipe is then its right, not an error, and must not signal the process.
            for (qsizetype sent = 0; sent < answer.size();) {
                const ssize_t n = ::send(connection, answer.constData() + sent,
                                         size_t(answer.size() - sent), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += n;
            }
            ::shutdown(connection, SHUT_WR);
            // Reading the request to its end before closing keeps the kernel from answering
            // unread request bytes with a reset that could cut the answer short.
            char drain[4096];
            while (::recv(connection, drain, sizeof drain, 0) > 0) {
            }
            ::close(connection);
            {
                std::lock_guard lock(m_mutex);
                ++m_served;
            }
            m_idle.notify_all();
        }
    }

    int m_listener = -1;
    quint16 m_port = 0;
    std::mutex m_mutex;
    std::condition_variable m_idle;
    QByteArray m_answer;
    quint64 m_expected = 0;
    quint64 m_served = 0;
};

// Never destroyed: its thread waits in accept() until the process ends.
AnswerServer& server()
{
    static AnswerServer* const instance = new AnswerServer;
    return *instance;
}

void readAnswer(const ExchangeResult& result)
{
    static const QDateTime now = QDateTime::fromSecsSinceEpoch(1796000000, Qt::UTC);
    static_cast<void>(pelvaro::submit::RetryAfter::parse(result.retryAfter, now));
    static_cast<void>(pelvaro::submit::AnswerPage::lines(result.body));
    static_cast<void>(pelvaro::submit::AnswerPage::fileBytes(result.body));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AnswerServer& answers = server();
    answers.setAnswer(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));

    ExchangeRequest request;
    request.url = QStringLiteral("http://127.0.0.1:%1/anmelden?url=http%3A%2F%2Fwww.example.org")
                      .arg(answers.port());
    request.post = true;
    request.body = QStringLiteral("url=http%3A%2F%2Fwww.example.org&email=a%40example.org");
    // The server always closes after its answer; the limit only guards against a harness fault.
    request.idleTimeLimit = 30;

    {
        answers.expectConnection();
        HttpExchange exchange;
        readAnswer(exchange.run(request));
        answers.waitForIdle();
    }
    {
        answers.expectConnection();
        HttpExchange exchange;
        QByteArray received;
        exchange.setBodySink([&received](QByteArrayView block) {
            received.append(block);
            return QString();
        });
        exchange.setByteProgress([](qint64, qint64) {});
        ExchangeResult result = exchange.run(request);
        result.body = received;
        readAnswer(result);
        answers.waitForIdle();
    }
    return 0;
}
