#include "updates/ui/TransferDialog.h"

#include "updates/TransferJob.h"

#include <QCloseEvent>

namespace pelvaro::updates::ui {

TransferDialog::TransferDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
}

int TransferDialog::run(TransferJob& job)
{
    m_job = &job;
    follow(job);
    connect(&job, &TransferJob::finished, this, [this] {
        if (!m_cancelled)
            accept();
    });
    if (job.isFinished())
        return Accepted;
    const int result = exec();
    disconnect(&job, nullptr, this, nullptr);
    m_job = nullptr;
    return result;
}

void TransferDialog::follow(TransferJob&) {}

void TransferDialog::cancelTransfer()
{
    if (!m_cancelled) {
        m_cancelled = true;
        if (m_job)
            m_job->cancel();
    }
    done(Rejected);
}

// Escape and closing the window mean the same as the cancel button.
void TransferDialog::reject()
{
    cancelTransfer();
}

void TransferDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    cancelTransfer();
}

} // namespace pelvaro::updates::ui
