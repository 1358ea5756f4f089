#pragma once

#include "updates/TransferDisplay.h"

#include <QStringList>

#include <functional>

namespace pelvaro::updates {

// Waits for transfers in a local event loop, without a window: the command line's display.
// What would be shown is handed to `report` (a line for each window and the information
// file's text); `onProgress` sees every progress step and may cancel the job, as a user
// would with the window's button.
class LoopTransferDisplay : public TransferDisplay
{
public:
    using Report = std::function<void(const QString& line)>;
    using ProgressHook = std::function<void(TransferJob& job, qint64 received, qint64 total)>;

    explicit LoopTransferDisplay(Report report = {}) : m_report(std::move(report)) {}

    void setProgressHook(ProgressHook hook) { m_onProgress = std::move(hook); }
    // Called as each transfer starts to be waited for; it may cancel the job at once.
    void setShownHook(std::function<void(TransferJob& job)> hook) { m_onShown = std::move(hook); }

    void waitFor(TransferJob& job, const QString& text) override;
    void showProgress(TransferJob& job, const QString& text) override;
    void showInfoText(const QString& text) override;
    void setBusy(bool) override {}

    // Window texts in the order they were shown, for tests and the command's output.
    const QStringList& shown() const { return m_shown; }

private:
    void run(TransferJob& job, const QString& text);

    Report m_report;
    ProgressHook m_onProgress;
    std::function<void(TransferJob& job)> m_onShown;
    QStringList m_shown;
};

} // namespace pelvaro::updates
