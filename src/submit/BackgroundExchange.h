#pragma once

#include "submit/ExchangeRunner.h"

#include <QObject>

#include <functional>
#include <thread>

namespace pelvaro::submit {

// Runs network work that blocks (a key file check, reading a sitemap) on a thread of its
// own, so the window stays responsive, and ends it at once on cancel(): every exchange the
// work makes through the runner it is handed watches one cancel event. `finished` is
// emitted on the thread that owns the object, after the work has returned.
class BackgroundExchange : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundExchange)

public:
    using Work = std::function<void(const ExchangeRunner& exchange)>;

    explicit BackgroundExchange(QObject* parent = nullptr);
    // Cancels unfinished work and waits for its thread.
    ~BackgroundExchange() override;

    // `settings` gives the proxy, idle limit and certificates of every exchange. False when
    // work is still running or no thread could be started.
    bool start(Work work, const ExchangeRequest& settings);
    void cancel();
    bool running() const { return m_running; }

signals:
    void finished();

private:
    void joinThread();

    int m_cancelEvent = -1;
    std::thread m_thread;
    bool m_running = false;
};

} // namespace pelvaro::submit
