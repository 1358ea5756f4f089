#pragma once

#include "submit/HttpExchange.h"

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace pelvaro::submit {

class SubmissionScheduler;

// One worker of the scheduler: a thread that sleeps until it is handed an exchange, performs
// it with a fresh client, writes the answer page of a success, reports the outcome to the
// scheduler in the main thread, and sleeps again. Its inputs are written only while it
// sleeps.
class THTTPThread
{
public:
    struct Assignment
    {
        ExchangeRequest request;
        QString name;
        // Where the answer page of a success goes; empty: the service gets none.
        QString answerFile;
        qint32 nr = 0;
        quint64 ticket = 0; // tells a result of this assignment from one of a discarded worker
        // Instead of sending the request: fetch the site's IndexNow key file (with the
        // request's proxy and certificate settings) and report whether it holds the key.
        bool keyCheck = false;
        QString siteAddress;
        QString key;
    };

    // Starts the thread asleep, at the lowest priority. Throws std::system_error when the
    // system has no thread to give.
    THTTPThread(SubmissionScheduler& owner, int slot);
    // Tells the thread to terminate, abandons a running exchange and waits for the thread.
    ~THTTPThread();
    THTTPThread(const THTTPThread&) = delete;
    THTTPThread& operator=(const THTTPThread&) = delete;

    int slot() const { return m_slot; }
    // Hands over the next exchange and wakes the thread.
    void assign(const Assignment& assignment);

private:
    void Execute();

    SubmissionScheduler& m_owner;
    const int m_slot;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_hasWork = false;
    bool m_terminate = false;
    Assignment m_work;
    HttpExchange* m_exchange = nullptr; // the running exchange, for cancelling it
    std::thread m_thread;
};

} // namespace pelvaro::submit
