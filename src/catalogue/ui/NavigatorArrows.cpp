#include "catalogue/ui/NavigatorArrows.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pelvaro::catalogue::ui {

QIcon navigatorArrowIcon(NavigatorArrow arrow, const QColor& colour)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    QPainterPath triangle;
    if (arrow == NavigatorArrow::First || arrow == NavigatorArrow::Prior) {
        triangle.moveTo(9.5, 1.5);
        triangle.lineTo(9.5, 10.5);
        triangle.lineTo(3.5, 6);
    } else {
        triangle.moveTo(2.5, 1.5);
        triangle.lineTo(2.5, 10.5);
        triangle.lineTo(8.5, 6);
    }
    painter.drawPath(triangle);
    if (arrow == NavigatorArrow::First)
        painter.drawRect(QRectF(1.5, 1.5, 2, 9));
    if (arrow == NavigatorArrow::Last)
        painter.drawRect(QRectF(8.5, 1.5, 2, 9));
    return QIcon(pixmap);
}

} // namespace pelvaro::catalogue::ui
