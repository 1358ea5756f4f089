#include "submit/THTTPThread.h"

#include "submit/AnswerPage.h"
#include "submit/IndexNowKeyCheck.h"
#include "submit/SubmissionScheduler.h"

#include <optional>

#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace pelvaro::submit {

namespace {

std::mutex& answerPageLock()
{
    static std::mutex lock;
    return lock;
}

// The key file check as a worker's assignment: its outcome in the shape of an exchange's,
// Erfolg when the file holds the key, and the check's message.
ExchangeResult checkKeyFile(HttpExchange& exchange, const THTTPThread::Assignment& work,
                            const HttpExchange::Progress& progress)
{
    const ExchangeRunner runner = [&](const ExchangeRequest& request,
                                      const HttpExchange::BodySink& sink) {
        ExchangeRequest full = work.request;
        full.url = request.url;
        full.post = false;
        full.body.clear();
        full.contentType.clear();
        full.referer.clear();
        if (sink)
            exchange.setBodySink(sink);
        return exchange.run(full, progress);
    };
    const IndexNowKeyCheck::Result check =
        IndexNowKeyCheck::run(work.siteAddress, work.key, runner);
    ExchangeResult result;
    result.Erfolg = check.ok();
    result.Meldung = check.message;
    result.cancelled = check.outcome == IndexNowKeyCheck::Outcome::Cancelled;
    return result;
}

} // namespace

THTTPThread::THTTPThread(SubmissionScheduler& owner, int slot)
    : m_owner(owner), m_slot(slot), m_thread([this] { Execute(); })
{
}

THTTPThread::~THTTPThread()
{
    {
        std::lock_guard lock(m_mutex);
        m_terminate = true;
        if (m_exchange)
            m_exchange->cancel();
    }
    m_wake.notify_all();
    m_thread.join();
}

void THTTPThread::assign(const Assignment& assignment)
{
    {
        std::lock_guard lock(m_mutex);
        m_work = assignment;
        m_hasWork = true;
    }
    m_wake.notify_all();
}

void THTTPThread::Execute()
{
    // The lowest priority there is, so the window stays responsive however many exchanges
    // run. Refused (some containers forbid it): the thread simply runs at normal priority.
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);

    // One cancel event for all of this worker's exchanges: a cancel only ever comes with
    // the order to end, so a signalled event is never handed to another exchange. Without
    // it each exchange makes its own (and fails with the reason when it cannot).
    struct CancelEvent
    {
        int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        ~CancelEvent()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } const cancelEvent;

    for (;;) {
        Assignment work;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_hasWork || m_terminate; });
            if (m_terminate)
                return;
            work = m_work;
            m_hasWork = false;
        }
        const quint64 ticket = work.ticket;
        m_owner.postProgress(m_slot, ticket, 5);

        std::optional<HttpExchange> owned;
        HttpExchange& exchange =
            cancelEvent.fd >= 0 ? owned.emplace(cancelEvent.fd) : owned.emplace();
        {
            std::lock_guard lock(m_mutex);
            if (m_terminate)
                return;
            m_exchange = &exchange;
        }
        const HttpExchange::Progress progress = [this, ticket](int percent) {
            m_owner.postProgress(m_slot, ticket, percent);
        };
        ExchangeResult result = work.keyCheck ? checkKeyFile(exchange, work, progress)
                                              : exchange.run(work.request, progress);
        {
            std::lock_guard lock(m_mutex);
            m_exchange = nullptr;
            if (m_terminate || result.cancelled)
                return;
        }
        // Pages are written here, off the main thread. Two services of one name share a
        // page: writing and reporting under one lock lets the page of the result filed last
        // be the one that stays, as if the main thread had written them in turn. A page that
        // cannot be written changes nothing about the success.
        std::unique_lock pageLock(answerPageLock(), std::defer_lock);
        if (result.Erfolg && !work.answerFile.isEmpty()) {
            pageLock.lock();
            AnswerPage::write(work.answerFile, result.body);
        }
        result.body = QByteArray(); // the page has it; the result line does not need it
        // The result is filed in the main thread; this worker sleeps until it is handed the
        // next entry.
        m_owner.postResult(m_slot, ticket, std::move(result));
    }
}

} // namespace pelvaro::submit
