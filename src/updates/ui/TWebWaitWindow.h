#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class QPushButton;

namespace pelvaro::updates {
class TransferJob;
}

namespace pelvaro::updates::ui {

// "Bitte warten ...": one centred line while a page is fetched. A server that never
// answers must not hold the user: Escape, the cancel button and closing the window end the
// fetch at once.
class TWebWaitWindow : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TWebWaitWindow)

public:
    explicit TWebWaitWindow(const QString& text, QWidget* parent = nullptr);
    ~TWebWaitWindow() override;

    // Modal until the job finishes (Accepted) or the user cancels it (Rejected).
    int run(TransferJob& job);
    bool cancelled() const { return m_cancelled; }

    static std::unique_ptr<TWebWaitWindow> ForPicture(QWidget* parent = nullptr);

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void btnCancelClick();

    QLabel* m_lblText;
    QPushButton* m_btnCancel;
    TransferJob* m_job = nullptr;
    bool m_cancelled = false;
};

} // namespace pelvaro::updates::ui
