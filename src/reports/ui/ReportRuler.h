#pragma once

#include <QWidget>

#include <array>

namespace pelvaro::reports::ui {

// The strip above the report editor with a scale and three indent markers that the user
// drags: first-line indent (top row, pointing down), left indent and right indent (bottom
// row, pointing up). It knows positions only; what a position means for the paragraph is
// ReportEditorRules' business, reached through the window.
class ReportRuler : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReportRuler)

public:
    enum class Marker
    {
        FirstIndent,
        LeftIndent,
        RightIndent
    };
    static constexpr int MarkerWidth = 9;
    static constexpr int MarkerHeight = 8;
    // Where the scale line starts; it ends as far from the right edge.
    static constexpr int LineOffset = 6;

    explicit ReportRuler(QWidget* parent = nullptr);

    void setMarkerLeft(Marker marker, int left);
    int markerLeft(Marker marker) const { return m_lefts[index(marker)]; }
    // The marker's rectangle, for hit tests and for tests that drag it.
    QRect markerRect(Marker marker) const;
    bool dragging() const { return m_dragging; }

    QSize sizeHint() const override;

signals:
    // A marker was let go at its current left edge; offset is half its width, as used
    // while dragging.
    void markerReleased(pelvaro::reports::ui::ReportRuler::Marker marker, int left, int offset);
    void widthChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    static size_t index(Marker marker) { return size_t(marker); }

    std::array<int, 3> m_lefts{2, 2, 0};
    bool m_dragging = false;
    Marker m_dragged = Marker::FirstIndent;
    int m_dragOffset = 0;
};

} // namespace pelvaro::reports::ui
