#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pelvaro::updates {
class TransferJob;
}

namespace pelvaro::updates::ui {

// "Fortschritt": the download's progress, with a cancel button that ends it at once.
class TWebDlProgress : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TWebDlProgress)

public:
    explicit TWebDlProgress(const QString& text, QWidget* parent = nullptr);
    ~TWebDlProgress() override;

    // Modal until the job finishes (Accepted) or the user cancels it (Rejected).
    int run(TransferJob& job);
    bool cancelled() const { return m_cancelled; }
    // Shows a step of the transfer; nothing changes any more once cancelled.
    void setProgress(qint64 received, qint64 total);

    // Mid-download, for pictures of the window.
    static std::unique_ptr<TWebDlProgress> ForPicture(QWidget* parent = nullptr);

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void btnCancelClick();

    QLabel* m_lblDownloading;
    QProgressBar* m_pbarProgress;
    QLabel* m_lblProgress;
    QPushButton* m_btnCancel;
    TransferJob* m_job = nullptr;
    bool m_cancelled = false;
};

} // namespace pelvaro::updates::ui
