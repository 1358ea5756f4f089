#include "updates/ui/TWebWaitWindow.h"

#include "updates/TransferJob.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace pelvaro::updates::ui {

TWebWaitWindow::TWebWaitWindow(const QString& text, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_lblText(new QLabel(text, this)), m_btnCancel(new QPushButton(tr("Abbrechen"), this))
{
    setObjectName(QStringLiteral("TWebWaitWindow"));
    setWindowTitle(tr("Bitte warten ..."));
    setFixedSize(240, 100);
    setCursor(Qt::WaitCursor);
    m_lblText->setObjectName(QStringLiteral("lblText"));
    m_lblText->setAlignment(Qt::AlignCenter);
    m_lblText->setGeometry(8, 16, 224, 32);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setGeometry(82, 62, 75, 25);
    // The one control that still does something gets the ordinary pointer.
    m_btnCancel->setCursor(Qt::ArrowCursor);
    connect(m_btnCancel, &QPushButton::clicked, this, &TWebWaitWindow::btnCancelClick);
}

TWebWaitWindow::~TWebWaitWindow() = default;

int TWebWaitWindow::run(TransferJob& job)
{
    m_job = &job;
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

void TWebWaitWindow::btnCancelClick()
{
    if (!m_cancelled) {
        m_cancelled = true;
        if (m_job)
            m_job->cancel();
    }
    done(Rejected);
}

void TWebWaitWindow::reject()
{
    btnCancelClick();
}

void TWebWaitWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    btnCancelClick();
}

std::unique_ptr<TWebWaitWindow> TWebWaitWindow::ForPicture(QWidget* parent)
{
    auto window = std::make_unique<TWebWaitWindow>(tr("Suche nach neuer Version ..."), parent);
    window->show();
    return window;
}

} // namespace pelvaro::updates::ui
