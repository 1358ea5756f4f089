#include "reports/ui/ReportRuler.h"

#include "reports/ReportEditorRules.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace pelvaro::reports::ui {

namespace {

// The first-line marker hangs above the scale band, the other two stand below it.
constexpr int topRow = 0;
constexpr int bandTop = 8;
constexpr int bandHeight = 9;
constexpr int bottomRow = bandTop + bandHeight;
// A mark every half inch, where the editor's default tab stops fall, and a short one
// between.
constexpr int tickSpacing = 24;

} // namespace

ReportRuler::ReportRuler(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(ReportEditorRules::RulerHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
}

QSize ReportRuler::sizeHint() const
{
    return {400, ReportEditorRules::RulerHeight};
}

void ReportRuler::setMarkerLeft(Marker marker, int left)
{
    if (m_dragging && marker == m_dragged)
        return;
    if (m_lefts[index(marker)] == left)
        return;
    m_lefts[index(marker)] = left;
    update();
}

QRect ReportRuler::markerRect(Marker marker) const
{
    const int top = marker == Marker::FirstIndent ? topRow : bottomRow;
    return {m_lefts[index(marker)], top, MarkerWidth, MarkerHeight};
}

void ReportRuler::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colours = palette();
    const QRect band(LineOffset, bandTop, std::max(0, width() - 2 * LineOffset), bandHeight);
    painter.fillRect(band, colours.color(QPalette::Base));
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawRect(band.adjusted(0, 0, -1, -1));
    painter.setPen(colours.color(QPalette::WindowText));
    const int middle = band.center().y();
    painter.drawLine(band.left() + 1, middle, band.right() - 1, middle);
    for (int i = 1; LineOffset + i * tickSpacing < band.right(); ++i) {
        const int x = LineOffset + i * tickSpacing;
        const int reach = i % 2 == 0 ? 3 : 1;
        painter.drawLine(x, middle - reach, x, middle + reach);
    }

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colours.color(QPalette::WindowText), 1.0));
    painter.setBrush(colours.color(QPalette::Base));
    for (Marker marker : {Marker::FirstIndent, Marker::LeftIndent, Marker::RightIndent}) {
        const QRectF r = QRectF(markerRect(marker)).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath triangle;
        if (marker == Marker::FirstIndent) {
            triangle.moveTo(r.topLeft());
            triangle.lineTo(r.topRight());
            triangle.lineTo(r.center().x(), r.bottom());
        } else {
            triangle.moveTo(r.bottomLeft());
            triangle.lineTo(r.bottomRight());
            triangle.lineTo(r.center().x(), r.top());
        }
        triangle.closeSubpath();
        painter.drawPath(triangle);
    }
}

void ReportRuler::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    for (Marker marker : {Marker::FirstIndent, Marker::LeftIndent, Marker::RightIndent}) {
        if (markerRect(marker).contains(at)) {
            m_dragging = true;
            m_dragged = marker;
            m_dragOffset = MarkerWidth / 2;
            return;
        }
    }
}

void ReportRuler::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    // The marker stays on the ruler, so it can always be caught again.
    const int left = int(event->position().x()) - m_dragOffset;
    m_lefts[index(m_dragged)] = std::clamp(left, 0, std::max(0, width() - MarkerWidth));
    update();
}

void ReportRuler::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    emit markerReleased(m_dragged, m_lefts[index(m_dragged)], m_dragOffset);
}

void ReportRuler::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit widthChanged();
}

} // namespace pelvaro::reports::ui
