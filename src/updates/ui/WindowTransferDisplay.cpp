#include "updates/ui/WindowTransferDisplay.h"

#include "updates/ui/TWebDlProgress.h"
#include "updates/ui/TWebInfoFileWindow.h"
#include "updates/ui/TWebWaitWindow.h"

#include <QApplication>

namespace pelvaro::updates::ui {

WindowTransferDisplay::~WindowTransferDisplay()
{
    while (m_busy > 0)
        setBusy(false);
}

void WindowTransferDisplay::waitFor(TransferJob& job, const QString& text)
{
    TWebWaitWindow window(text, m_parent);
    window.run(job);
}

void WindowTransferDisplay::showProgress(TransferJob& job, const QString& text)
{
    TWebDlProgress window(text, m_parent);
    window.run(job);
}

void WindowTransferDisplay::showInfoText(const QString& text)
{
    TWebInfoFileWindow window(text, m_parent);
    window.exec();
}

void WindowTransferDisplay::setBusy(bool busy)
{
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_busy;
    } else if (m_busy > 0) {
        QApplication::restoreOverrideCursor();
        --m_busy;
    }
}

} // namespace pelvaro::updates::ui
