#pragma once

#include <QWidget>

class QPainter;

namespace pelvaro::app::ui {

// The borderless start picture shown while the program starts.
class SplashWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SplashWindow)

public:
    explicit SplashWindow(QWidget* parent = nullptr);

    // Shows the window centred and paints it at once.
    void showNow();
    // Paints the start picture, also for other windows that show it (the about box).
    static void paintPicture(QPainter& p, const QSize& size);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pelvaro::app::ui
