#pragma once

#include <QDialog>

namespace pelvaro::updates {
class TransferJob;
}

namespace pelvaro::updates::ui {

// A modal window that lasts as long as one transfer: it closes itself when the transfer
// finishes, and Escape, its cancel button and closing it all end the transfer at once.
class TransferDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferDialog)

public:
    // Modal until the job finishes (Accepted) or the user cancels it (Rejected).
    int run(TransferJob& job);
    bool cancelled() const { return m_cancelled; }

protected:
    explicit TransferDialog(QWidget* parent);

    // What the window follows of the job besides its end; called before it is shown.
    virtual void follow(TransferJob& job);
    // The cancel button.
    void cancelTransfer();
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    TransferJob* m_job = nullptr;
    bool m_cancelled = false;
};

} // namespace pelvaro::updates::ui
