#pragma once

#include "updates/ui/TransferDialog.h"

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pelvaro::updates::ui {

// "Fortschritt": the download's progress, with a cancel button that ends it at once.
class TWebDlProgress : public TransferDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TWebDlProgress)

public:
    explicit TWebDlProgress(const QString& text, QWidget* parent = nullptr);
    ~TWebDlProgress() override;

    // Shows a step of the transfer; nothing changes any more once cancelled.
    void setProgress(qint64 received, qint64 total);

    // Mid-download, for pictures of the window.
    static std::unique_ptr<TWebDlProgress> ForPicture(QWidget* parent = nullptr);

protected:
    void follow(TransferJob& job) override;

private:
    QLabel* m_lblDownloading;
    QProgressBar* m_pbarProgress;
    QLabel* m_lblProgress;
    QPushButton* m_btnCancel;
};

} // namespace pelvaro::updates::ui
