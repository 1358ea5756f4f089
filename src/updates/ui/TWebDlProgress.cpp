#include "updates/ui/TWebDlProgress.h"

#include "updates/TransferJob.h"
#include "updates/TransferProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace pelvaro::updates::ui {

TWebDlProgress::TWebDlProgress(const QString& text, QWidget* parent)
    : TransferDialog(parent), m_lblDownloading(new QLabel(text, this)),
      m_pbarProgress(new QProgressBar(this)), m_lblProgress(new QLabel(this)),
      m_btnCancel(new QPushButton(tr("&Abbrechen"), this))
{
    setObjectName(QStringLiteral("TWebDlProgress"));
    setWindowTitle(tr("Fortschritt"));
    setFixedSize(272, 123);
    m_lblDownloading->setObjectName(QStringLiteral("lblDownloading"));
    m_lblDownloading->setGeometry(8, 8, 256, 16);
    m_pbarProgress->setObjectName(QStringLiteral("pbarProgress"));
    m_pbarProgress->setGeometry(8, 30, 256, 18);
    m_pbarProgress->setRange(0, 100);
    m_pbarProgress->setValue(0);
    m_pbarProgress->setTextVisible(false);
    m_lblProgress->setObjectName(QStringLiteral("lblProgress"));
    m_lblProgress->setGeometry(8, 56, 256, 16);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setGeometry(98, 86, 75, 25);
    connect(m_btnCancel, &QPushButton::clicked, this, &TWebDlProgress::cancelTransfer);
}

TWebDlProgress::~TWebDlProgress() = default;

void TWebDlProgress::follow(TransferJob& job)
{
    connect(&job, &TransferJob::progress, this, &TWebDlProgress::setProgress);
}

void TWebDlProgress::setProgress(qint64 received, qint64 total)
{
    if (cancelled())
        return;
    m_pbarProgress->setValue(
        TransferProgress::barPosition(m_pbarProgress->value(), received, total));
    m_lblProgress->setText(TransferProgress::label(received, total));
}

std::unique_ptr<TWebDlProgress> TWebDlProgress::ForPicture(QWidget* parent)
{
    auto window = std::make_unique<TWebDlProgress>(tr("Neue Version wird heruntergeladen"), parent);
    window->setProgress(5'347'328, 12'582'912);
    window->show();
    return window;
}

} // namespace pelvaro::updates::ui
