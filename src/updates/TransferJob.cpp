#include "updates/TransferJob.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

namespace {

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

std::unique_ptr<TransferJob> TransferJob::toFile(const submit::ExchangeRequest& request,
                                                 const QString& path, qint64 cap)
{
    std::unique_ptr<TransferJob> job(new TransferJob(request));
    job->m_target = path;
    job->m_cap = cap;
    // Writing over the target directly would lose the old file to a failed download. The
    // part file is not synced to disk before it takes the target's place: a download is
    // fetched again more easily than a hundred megabytes are flushed while the user waits.
    const QFileInfo target(path);
    for (int attempt = 0; attempt < 100 && job->m_fd < 0; ++attempt) {
        job->m_partPath = QFile::encodeName(
            target.absolutePath() + QStringLiteral("/.") + target.fileName() +
            QStringLiteral(".%1.part")
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        job->m_fd =
            ::open(job->m_partPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (job->m_fd < 0 && errno != EEXIST)
            break;
    }
    if (job->m_fd < 0) {
        job->m_openError = QStringLiteral("Die Datei %1 kann nicht angelegt werden: %2")
                               .arg(path, systemText(errno));
        job->m_partPath.clear();
    }
    return job;
}

TransferJob::~TransferJob()
{
    cancel();
    join();
    discardFile();
}

void TransferJob::discardFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_partPath.isEmpty())
        ::unlink(m_partPath.constData());
    m_partPath.clear();
}

QString TransferJob::tooLargeText(qint64 cap)
{
    constexpr qint64 mb = 1024 * 1024;
    return cap > 16 * mb ? QStringLiteral("Die Antwort ist größer als %1 MB").arg(cap / mb)
                         : QStringLiteral("Die Antwort ist größer als %1 KB").arg(cap / 1024);
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
        QMetaObject::invokeMethod(this, "deliverFinished", Qt::QueuedConnection);
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
    if (m_partPath.isEmpty())
        return false;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 || ::rename(m_partPath.constData(), QFile::encodeName(m_target)) != 0) {
        m_commitError = QStringLiteral("Die Datei %1 kann nicht gespeichert werden: %2")
                            .arg(m_target, systemText(errno));
        discardFile();
        return false;
    }
    m_partPath.clear();
    return true;
}

QString TransferJob::takeBlock(QByteArrayView block)
{
    if (!m_partPath.isEmpty()) {
        if (m_written + block.size() > m_cap)
            return tooLargeText(m_cap);
        m_written += block.size();
        const char* data = block.data();
        qsizetype left = block.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, data, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                    .arg(m_target, systemText(errno));
            data += n;
            left -= n;
        }
        return {};
    }
    if (m_outcome.body.size() + block.size() > m_cap)
        return tooLargeText(m_cap);
    if (block.contains('\0'))
        return notTextText();
    m_outcome.body.append(block);
    return {};
}

// The worker wakes the main thread by the slot's name: nothing of ours is made on one thread
// and freed on the other, and the outcome is handed over by joining or by the event queue.
// Blocks arrive far more often than a window can paint; one pending update at a time
// keeps the main thread's queue short, and it always shows the latest count.
void TransferJob::postProgress()
{
    if (m_progressPosted.exchange(true))
        return;
    QMetaObject::invokeMethod(this, "deliverProgress", Qt::QueuedConnection);
}

void TransferJob::deliverProgress()
{
    m_progressPosted = false;
    emit progress(m_received.load(), m_total.load());
}

void TransferJob::deliverFinished()
{
    m_finished = true;
    emit finished();
}

void TransferJob::work()
{
    submit::ExchangeResult result = m_exchange.run(m_request);
    m_outcome.cancelled = result.cancelled || m_cancelRequested;
    m_outcome.received = std::max(result.bodyBytes, m_received.load());
    m_outcome.total = result.cancelled ? m_total.load() : result.contentLength;
    m_outcome.result = std::move(result);
    QMetaObject::invokeMethod(this, "deliverFinished", Qt::QueuedConnection);
}

} // namespace pelvaro::updates
