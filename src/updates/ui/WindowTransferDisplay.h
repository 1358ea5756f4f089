#pragma once

#include "updates/TransferDisplay.h"

#include <QPointer>
#include <QWidget>

namespace pelvaro::updates::ui {

// The update mechanism's windows: the wait window for pages, the progress window for
// downloads and the information file's window, each modal over `parent`.
class WindowTransferDisplay : public TransferDisplay
{
public:
    explicit WindowTransferDisplay(QWidget* parent) : m_parent(parent) {}
    ~WindowTransferDisplay() override;

    void waitFor(TransferJob& job, const QString& text) override;
    void showProgress(TransferJob& job, const QString& text) override;
    void showInfoText(const QString& text) override;
    void setBusy(bool busy) override;

private:
    QPointer<QWidget> m_parent;
    int m_busy = 0;
};

} // namespace pelvaro::updates::ui
