#include "reports/StandardReport.h"

#include "base/Error.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextOption>

#include <algorithm>
#include <numeric>

namespace pelvaro::reports {

namespace {

QFont printFont(double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Lays the table out over the page width, page by page. Everything is measured in the
// device's own units, so a printer and a PDF writer of any resolution give the same pages.
// The pages are laid out first and painted after, so that each can say how many there are.
class TablePrinter
{
public:
    TablePrinter(QPagedPaintDevice& device, QPainter& painter,
                 const std::array<StandardReport::Column, 3>& columns,
                 const StandardReport::PrintHeader& header)
        : m_device(device), m_painter(painter), m_header(StandardReport::headerText(header))
    {
        const double dpi = device.logicalDpiX();
        m_padding = dpi / 20.0;
        m_wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        for (const StandardReport::Column& column : columns)
            m_captions << column.caption;
        m_ranges = device.pageRanges();
        // Paper needs a margin the printer's own may not give (a PDF printer gives next to
        // none): at least MinMarginMm on every side.
        const QMarginsF given = device.pageLayout().margins(QPageLayout::Millimeter);
        const double perMm = device.logicalDpiX() / 25.4;
        const auto extra = [perMm](double mm) { return std::max(0.0, MinMarginMm - mm) * perMm; };
        m_area = QRectF(0, 0, device.width(), device.height())
                     .adjusted(extra(given.left()), extra(given.top()), -extra(given.right()),
                               -extra(given.bottom()));
        painter.translate(m_area.topLeft());
    }

    void print(const std::vector<QStringList>& rows)
    {
        measureColumns(rows);
        std::vector<double> heights;
        heights.reserve(rows.size());
        m_painter.setFont(printFont(RowPoints, false));
        for (const QStringList& cells : rows)
            heights.push_back(rowHeight(cells));
        const std::vector<size_t> firstRows = paginate(heights);
        const int pages = int(firstRows.size());
        bool deviceUsed = false;
        for (int page = 1; page <= pages; ++page) {
            if (!m_ranges.isEmpty() && !m_ranges.contains(page))
                continue;
            // The device starts with one page; the first page printed uses it.
            if (deviceUsed) {
                m_device.newPage();
                m_painter.resetTransform();
                m_painter.translate(m_area.topLeft());
            }
            deviceUsed = true;
            const size_t first = firstRows[size_t(page - 1)];
            const size_t end = page < pages ? firstRows[size_t(page)] : rows.size();
            double y = paintTop();
            m_painter.setFont(printFont(RowPoints, false));
            for (size_t i = first; i < end; ++i) {
                drawCells(rows[i], y);
                y += heights[i];
            }
            paintFoot(page, pages);
        }
    }

private:
    static constexpr double MinMarginMm = 15;
    static constexpr double TitlePoints = 14;
    static constexpr double HeaderPoints = 9;
    static constexpr double RowPoints = 10;
    static constexpr double FootPoints = 8;

    void measureColumns(const std::vector<QStringList>& rows)
    {
        std::vector<double> natural(size_t(m_captions.size()), 0.0);
        const auto widen = [&](const QStringList& cells) {
            const QFontMetricsF metrics(m_painter.font(), &m_device);
            for (qsizetype i = 0; i < cells.size() && i < qsizetype(natural.size()); ++i)
                natural[size_t(i)] = std::max(
                    natural[size_t(i)], metrics.horizontalAdvance(cells.at(i)) + m_padding * 2);
        };
        m_painter.setFont(printFont(RowPoints, true));
        widen(m_captions);
        m_painter.setFont(printFont(RowPoints, false));
        for (const QStringList& cells : rows)
            widen(cells);
        m_width = StandardReport::columnWidths(natural, m_area.width());
        m_left.clear();
        double x = 0;
        for (const double width : m_width) {
            m_left.push_back(x);
            x += width;
        }
        m_tableWidth = x;
    }

    // The index of the first row on each page; at least one page, also without rows.
    std::vector<size_t> paginate(const std::vector<double>& heights)
    {
        const double top = topHeight();
        const double bottom = m_area.height() - footHeight();
        std::vector<size_t> firstRows{0};
        double y = top;
        for (size_t i = 0; i < heights.size(); ++i) {
            // A row taller than a whole page still gets a page of its own.
            if (y + heights[i] > bottom && i > firstRows.back()) {
                firstRows.push_back(i);
                y = top;
            }
            y += heights[i];
        }
        return firstRows;
    }

    double lineHeight(double points, bool bold) const
    {
        return QFontMetricsF(printFont(points, bold), &m_device).height();
    }

    double topHeight()
    {
        double height =
            lineHeight(TitlePoints, true) + lineHeight(HeaderPoints, false) + m_padding * 2;
        m_painter.setFont(printFont(RowPoints, true));
        return height + rowHeight(m_captions) + m_padding;
    }

    double footHeight() const { return lineHeight(FootPoints, false) + m_padding * 2; }

    // Title, the run's line, the column captions; returns where the rows start.
    double paintTop()
    {
        const double width = m_area.width();
        double y = 0;
        m_painter.setFont(printFont(TitlePoints, true));
        const double title = lineHeight(TitlePoints, true);
        m_painter.drawText(QRectF(0, y, width, title), Qt::AlignLeft | Qt::AlignVCenter,
                           StandardReport::title());
        y += title;
        m_painter.setFont(printFont(HeaderPoints, false));
        const double line = lineHeight(HeaderPoints, false);
        m_painter.drawText(QRectF(0, y, width, line), Qt::AlignLeft | Qt::AlignVCenter, m_header);
        y += line + m_padding * 2;
        m_painter.setFont(printFont(RowPoints, true));
        drawCells(m_captions, y);
        y += rowHeight(m_captions);
        m_painter.drawLine(QPointF(0, y), QPointF(m_tableWidth, y));
        return y + m_padding;
    }

    void paintFoot(int page, int pages)
    {
        m_painter.setFont(printFont(FootPoints, false));
        const double line = lineHeight(FootPoints, false);
        m_painter.drawText(QRectF(0, m_area.height() - line, m_area.width(), line),
                           Qt::AlignHCenter | Qt::AlignVCenter,
                           StandardReport::pageNumberText(page, pages));
    }

    double rowHeight(const QStringList& cells) const
    {
        double height = m_painter.fontMetrics().height();
        for (qsizetype i = 0; i < cells.size(); ++i)
            height =
                std::max(height, m_painter.boundingRect(cell(i, 0), cells.at(i), m_wrap).height());
        return height + m_padding;
    }

    void drawCells(const QStringList& cells, double y)
    {
        for (qsizetype i = 0; i < cells.size(); ++i)
            m_painter.drawText(cell(i, y), cells.at(i), m_wrap);
    }

    QRectF cell(qsizetype column, double y) const
    {
        return QRectF(m_left[size_t(column)], y, std::max(1.0, m_width[size_t(column)] - m_padding),
                      m_area.height());
    }

    QPagedPaintDevice& m_device;
    QPainter& m_painter;
    QString m_header;
    // The part of the page the report uses, in device units.
    QRectF m_area;
    std::vector<double> m_left;
    std::vector<double> m_width;
    QStringList m_captions;
    double m_tableWidth = 0;
    double m_padding = 0;
    QTextOption m_wrap;
    QPageRanges m_ranges;
};

} // namespace

const QString& StandardReport::Row::field(Field f) const
{
    switch (f) {
    case Field::Suchdienst:
        return Suchdienst;
    case Field::Statuscode:
        return Statuscode;
    case Field::Meldung:
        break;
    }
    return Meldung;
}

QString StandardReport::title()
{
    return QStringLiteral("Standardbericht");
}

QString StandardReport::viewName(View view)
{
    return view == View::Dienst ? QStringLiteral("Dienst") : QStringLiteral("Statuscode");
}

std::array<StandardReport::Column, 3> StandardReport::columns(View view)
{
    const QString service = QStringLiteral("Suchdienst");
    const QString code = QStringLiteral("Statuscode");
    const QString message = QStringLiteral("Meldung");
    if (view == View::Dienst)
        return {{{Field::Suchdienst, service, 134, 1440},
                 {Field::Statuscode, code, 189, 1440},
                 {Field::Meldung, message, 144, 1440}}};
    return {{{Field::Statuscode, code, 50, 1440},
             {Field::Suchdienst, service, 50, 1440},
             {Field::Meldung, message, 50, 1440}}};
}

std::vector<StandardReport::Row>
StandardReport::rows(const std::vector<submit::ResultRow>& successes,
                     const std::vector<submit::ResultRow>& failures)
{
    std::vector<Row> all;
    all.reserve(successes.size() + failures.size());
    for (const auto* view : {&successes, &failures})
        for (const submit::ResultRow& r : *view)
            all.push_back({r.Suchdienst, r.Statuscode, r.Meldung});
    return all;
}

QStringList StandardReport::cells(const Row& row, View view)
{
    QStringList texts;
    for (const Column& column : columns(view))
        texts << row.field(column.field);
    return texts;
}

std::vector<double> StandardReport::columnWidths(const std::vector<double>& natural,
                                                 double available)
{
    std::vector<double> widths = natural;
    if (widths.empty())
        return widths;
    const double needed = std::accumulate(natural.begin(), natural.end(), 0.0);
    if (needed <= available) {
        widths.back() += available - needed;
        return widths;
    }
    std::vector<bool> kept(natural.size(), false);
    double rest = available;
    size_t open = natural.size();
    for (bool changed = true; changed && open > 0;) {
        changed = false;
        const double share = rest / double(open);
        for (size_t i = 0; i < natural.size(); ++i) {
            if (!kept[i] && natural[i] <= share) {
                kept[i] = true;
                rest -= natural[i];
                --open;
                changed = true;
            }
        }
    }
    for (size_t i = 0; i < natural.size(); ++i)
        if (!kept[i])
            widths[i] = rest / double(open);
    return widths;
}

QString StandardReport::pageNumberText(int page, int pages)
{
    return QStringLiteral("Seite %1 von %2").arg(page).arg(pages);
}

QString StandardReport::headerText(const PrintHeader& header)
{
    QStringList parts;
    if (!header.siteAddress.isEmpty())
        parts << QStringLiteral("Registrierte URL: %1").arg(header.siteAddress);
    if (header.runDate.isValid())
        parts << QStringLiteral("Anmeldung vom %1")
                     .arg(header.runDate.toString(QStringLiteral("dd.MM.yyyy")));
    return parts.join(QStringLiteral("    "));
}

void StandardReport::print(QPagedPaintDevice& device, const std::vector<Row>& rows, View view,
                           const PrintHeader& header)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("Der Standardbericht kann nicht gedruckt werden."));
    std::vector<QStringList> texts;
    texts.reserve(rows.size());
    for (const Row& row : rows)
        texts.push_back(cells(row, view));
    TablePrinter(device, painter, columns(view), header).print(texts);
    // A printer that fails (a full disk, a vanished queue) says so only here.
    if (!painter.end())
        throw Error(QStringLiteral("Der Standardbericht kann nicht gedruckt werden."));
}

QByteArray StandardReport::pdf(const std::vector<Row>& rows, View view, const PrintHeader& header)
{
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(title());
        writer.setCreator(QStringLiteral("Pelvaro!"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
        print(writer, rows, view, header);
    }
    return bytes;
}

} // namespace pelvaro::reports
