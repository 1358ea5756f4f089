#pragma once

#include "submit/HttpExchange.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace pelvaro::updates {

// One GET of the update mechanism on a worker thread, while the main thread keeps its
// event loop (and a modal window) going. Progress and the end reach the main thread as
// queued signals, so a window can react to them directly. cancel() ends the exchange
// within milliseconds; the destructor cancels and joins, the thread is never detached.
//
// The body goes either into memory, up to a cap (information pages and files are small,
// so a larger or binary answer is a failure rather than a growing buffer), or into a file
// that only replaces the target when the caller commits it.
class TransferJob : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferJob)

public:
    struct Outcome
    {
        submit::ExchangeResult result;
        QByteArray body;        // memory mode
        bool cancelled = false; // by cancel(), or the window's cancel
        qint64 received = 0;    // body bytes
        qint64 total = -1;      // announced length, -1 when none
    };

    static std::unique_ptr<TransferJob> toMemory(const submit::ExchangeRequest& request,
                                                 qsizetype cap);
    // Fails at once (finished with the reason as a client failure) when the file cannot be
    // created, and later when the body grows past `cap` bytes: a server that sends without
    // end must not fill the disk while nobody watches the progress.
    static std::unique_ptr<TransferJob> toFile(const submit::ExchangeRequest& request,
                                               const QString& path, qint64 cap = DownloadCap);
    // Far above any program or catalogue file the update offers.
    static constexpr qint64 DownloadCap = qint64(1) << 30;
    ~TransferJob() override;

    void start();
    // Thread-safe; the job then reports itself cancelled.
    void cancel();
    bool cancelRequested() const { return m_cancelRequested.load(); }
    // Set on the main thread when finished() is emitted.
    bool isFinished() const { return m_finished; }
    // Blocks until the worker is gone; after cancel() that is a matter of milliseconds.
    void join();
    // Valid once finished (or after join()).
    const Outcome& outcome() const { return m_outcome; }
    // File mode: puts the received file in place of the target; false with the reason in
    // commitError() when that fails.
    bool commitFile();
    QString commitError() const { return m_commitError; }

    qint64 received() const { return m_received.load(); }
    qint64 total() const { return m_total.load(); }

    static QString tooLargeText(qint64 cap);
    static QString notTextText();

signals:
    void progress(qint64 received, qint64 total);
    void finished();

private slots:
    void deliverProgress();
    void deliverFinished();

private:
    explicit TransferJob(const submit::ExchangeRequest& request);
    void work();
    void postProgress();
    QString takeBlock(QByteArrayView block);

    submit::ExchangeRequest m_request;
    submit::HttpExchange m_exchange;
    std::thread m_thread;
    Outcome m_outcome;
    qint64 m_cap = 0;
    qint64 m_written = 0; // file mode
    void discardFile();

    // File mode: the body goes to a hidden file beside the target, renamed over it on commit.
    int m_fd = -1;
    QString m_target;
    QByteArray m_partPath;
    QString m_openError;
    QString m_commitError;
    std::atomic<bool> m_cancelRequested{false};
    std::atomic<qint64> m_received{0};
    std::atomic<qint64> m_total{-1};
    std::atomic<bool> m_progressPosted{false};
    bool m_finished = false;
};

} // namespace pelvaro::updates
