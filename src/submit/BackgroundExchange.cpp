#include "submit/BackgroundExchange.h"

#include <QMetaObject>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <system_error>

namespace pelvaro::submit {

BackgroundExchange::BackgroundExchange(QObject* parent) : QObject(parent) {}

BackgroundExchange::~BackgroundExchange()
{
    cancel();
    joinThread();
}

void BackgroundExchange::joinThread()
{
    if (m_thread.joinable())
        m_thread.join();
    if (m_cancelEvent >= 0) {
        ::close(m_cancelEvent);
        m_cancelEvent = -1;
    }
}

bool BackgroundExchange::start(Work work, const ExchangeRequest& settings)
{
    if (m_running)
        return false;
    joinThread();
    m_cancelEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_cancelEvent < 0)
        return false;
    const ExchangeRunner runner = plainExchangeRunner(settings, m_cancelEvent);
    try {
        m_thread = std::thread([work = std::move(work), runner, this] {
            work(runner);
            // Queued to this object's thread. The destructor joins this thread, so `this`
            // is alive while the call is queued, and Qt drops the call should the object be
            // gone before it is delivered.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_running = false;
                    joinThread();
                    emit finished();
                },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        ::close(m_cancelEvent);
        m_cancelEvent = -1;
        return false;
    }
    m_running = true;
    return true;
}

void BackgroundExchange::cancel()
{
    if (m_cancelEvent < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_cancelEvent, &one, sizeof one);
}

} // namespace pelvaro::submit
