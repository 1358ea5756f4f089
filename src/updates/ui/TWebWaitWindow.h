#pragma once

#include "updates/ui/TransferDialog.h"

#include <memory>

class QLabel;
class QPushButton;

namespace pelvaro::updates::ui {

// "Bitte warten ...": one centred line while a page is fetched. A server that never
// answers must not hold the user: Escape, the cancel button and closing the window end the
// fetch at once.
class TWebWaitWindow : public TransferDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TWebWaitWindow)

public:
    explicit TWebWaitWindow(const QString& text, QWidget* parent = nullptr);
    ~TWebWaitWindow() override;

    static std::unique_ptr<TWebWaitWindow> ForPicture(QWidget* parent = nullptr);

private:
    QLabel* m_lblText;
    QPushButton* m_btnCancel;
};

} // namespace pelvaro::updates::ui
