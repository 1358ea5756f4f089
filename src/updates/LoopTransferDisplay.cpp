#include "updates/LoopTransferDisplay.h"

#include "updates/TransferJob.h"
#include "updates/TransferProgress.h"

#include <QEventLoop>

namespace pelvaro::updates {

void LoopTransferDisplay::run(TransferJob& job, const QString& text)
{
    m_shown << text;
    if (m_report)
        m_report(text);
    QEventLoop loop;
    QObject::connect(&job, &TransferJob::finished, &loop, &QEventLoop::quit);
    QObject::connect(&job, &TransferJob::progress, &loop,
                     [this, &job, &loop](qint64 received, qint64 total) {
                         if (m_onProgress)
                             m_onProgress(job, received, total);
                         if (job.cancelRequested())
                             loop.quit();
                     });
    if (m_onShown)
        m_onShown(job);
    if (!job.isFinished() && !job.cancelRequested())
        loop.exec();
    if (m_report && job.isFinished() && !job.cancelRequested() && job.outcome().received > 0)
        m_report(TransferProgress::label(job.outcome().received, job.outcome().total));
}

void LoopTransferDisplay::waitFor(TransferJob& job, const QString& text)
{
    run(job, text);
}

void LoopTransferDisplay::showProgress(TransferJob& job, const QString& text)
{
    run(job, text);
}

void LoopTransferDisplay::showInfoText(const QString& text)
{
    m_shown << text;
    if (m_report)
        m_report(text);
}

} // namespace pelvaro::updates
