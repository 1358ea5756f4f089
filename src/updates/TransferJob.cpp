#include "updates/TransferJob.h"

#include <algorithm>

namespace pelvaro::updates {

TransferJob::TransferJob(const submit::ExchangeRequest& request) : m_request(request)
{
    m_exchange.setBodySink([this](QByteArrayView block) { return takeBlock(block); });
    m_exchange.setByteProgress([this](qint64 received, qint64 total) {
        m_received.store(received);
        m_total.store(total);
        postProgress();
    });
}

std::unique_ptr<TransferJob> TransferJob::toMemory(const submit::ExchangeRequest& request,
                                                   qsizetype cap)
{
    std::unique_ptr<TransferJob> job(new TransferJob(request));
    job->m_cap = cap;
    return job;
}

std::unique_ptr<TransferJob> TransferJob::toFile(const submit::ExchangeRequest& request,
                                                 const QString& path)
{
    std::unique_ptr<TransferJob> job(new TransferJob(request));
    job->m_file = std::make_unique<QSaveFile>(path);
    // Writing over the target directly would lose the old file to a failed download.
    job->m_file->setDirectWriteFallback(false);
    if (!job->m_file->open(QIODevice::WriteOnly))
        job->m_openError = QStringLiteral("Die Datei %1 kann nicht angelegt werden: %2")
                               .arg(path, job->m_file->errorString());
    return job;
}

TransferJob::~TransferJob()
{
    cancel();
    join();
}

QString TransferJob::tooLargeText(qsizetype cap)
{
    return QStringLiteral("Die Antwort ist größer als %1 KB").arg(cap / 1024);
}

QString TransferJob::notTextText()
{
    return QStringLiteral("Die Antwort ist keine Textdatei");
}

void TransferJob::start()
{
    if (!m_openError.isEmpty()) {
        m_outcome.result.StatusCode = 404;
        m_outcome.result.Meldung = m_openError;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_finished = true;
                emit finished();
            },
            Qt::QueuedConnection);
        return;
    }
    m_thread = std::thread([this] { work(); });
}

void TransferJob::cancel()
{
    m_cancelRequested = true;
    m_exchange.cancel();
}

void TransferJob::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool TransferJob::commitFile()
{
    if (!m_file)
        return false;
    if (m_file->commit())
        return true;
    m_commitError = QStringLiteral("Die Datei %1 kann nicht gespeichert werden: %2")
                        .arg(m_file->fileName(), m_file->errorString());
    return false;
}

QString TransferJob::takeBlock(QByteArrayView block)
{
    if (m_file) {
        if (m_file->write(block.data(), block.size()) != block.size())
            return QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                .arg(m_file->fileName(), m_file->errorString());
        return {};
    }
    if (m_outcome.body.size() + block.size() > m_cap)
        return tooLargeText(m_cap);
    if (block.contains('\0'))
        return notTextText();
    m_outcome.body.append(block);
    return {};
}

// Blocks arrive far more often than a window can paint; one pending update at a time
// keeps the main thread's queue short, and it always shows the latest count.
void TransferJob::postProgress()
{
    if (m_progressPosted.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_progressPosted = false;
            emit progress(m_received.load(), m_total.load());
        },
        Qt::QueuedConnection);
}

void TransferJob::work()
{
    submit::ExchangeResult result = m_exchange.run(m_request);
    m_outcome.cancelled = result.cancelled || m_cancelRequested;
    m_outcome.received = std::max(result.bodyBytes, m_received.load());
    m_outcome.total = result.cancelled ? m_total.load() : result.contentLength;
    m_outcome.result = std::move(result);
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_finished = true;
            emit finished();
        },
        Qt::QueuedConnection);
}

} // namespace pelvaro::updates
