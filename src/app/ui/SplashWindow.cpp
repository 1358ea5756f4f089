#include "app/ui/SplashWindow.h"

#include "base/AppInfo.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace pelvaro::app::ui {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashWindow"));
    // Shown by no caption, but named so in task lists and pagers.
    setWindowTitle(base::AppInfo::title());
    setFixedSize(420, 240);
}

void SplashWindow::showNow()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintPicture(p, size());
}

void SplashWindow::paintPicture(QPainter& p, const QSize& size)
{
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0.0, QColor(0x0b, 0x3d, 0x6e));
    sky.setColorAt(1.0, QColor(0x2f, 0x80, 0xc4));
    p.fillRect(QRect(QPoint(0, 0), size), sky);

    // A few announcement rays leaving a globe: the program's one idea in a picture.
    const QPointF globe(size.width() - 110, size.height() / 2.0);
    p.setPen(QPen(QColor(255, 255, 255, 70), 2));
    for (int i = -3; i <= 3; ++i)
        p.drawLine(globe, QPointF(size.width(), globe.y() + i * 40));
    p.setBrush(QColor(0xf2, 0xb7, 0x05));
    p.setPen(Qt::NoPen);
    p.drawEllipse(globe, 46, 46);
    p.setPen(QPen(QColor(0x0b, 0x3d, 0x6e), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(globe, 46, 20);
    p.drawLine(globe - QPointF(46, 0), globe + QPointF(46, 0));
    p.drawLine(globe - QPointF(0, 46), globe + QPointF(0, 46));

    p.setPen(Qt::white);
    QFont title(QStringLiteral("Liberation Sans"), 30, QFont::Bold);
    p.setFont(title);
    p.drawText(QRectF(28, 50, 260, 60), Qt::AlignLeft | Qt::AlignVCenter, base::AppInfo::title());
    QFont line(QStringLiteral("Liberation Sans"), 10);
    p.setFont(line);
    p.drawText(QRectF(30, 112, 260, 40), Qt::AlignLeft | Qt::TextWordWrap,
               tr("Ihre Web-Site bei Suchmaschinen und Katalogen anmelden"));
    p.drawText(QRectF(30, size.height() - 44, 300, 20), Qt::AlignLeft,
               tr("Version %1 · %2").arg(base::AppInfo::version(), base::AppInfo::organisation()));
    p.setPen(QColor(255, 255, 255, 120));
    p.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
}

} // namespace pelvaro::app::ui
