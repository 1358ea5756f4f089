#pragma once

#include <QWidget>

class QLabel;

namespace pelvaro::app::ui {

// The small please-wait window: no caption, centred on the screen, one centred line.
class WaitNoticeWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WaitNoticeWindow)

public:
    explicit WaitNoticeWindow(QWidget* parent = nullptr);

    // Shows the notice and paints it before returning.
    void showNotice(const QString& text);
    QString text() const;

private:
    QLabel* m_label;
};

} // namespace pelvaro::app::ui
