#include "reports/StandardReport.h"

#include "base/Error.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextOption>

#include <algorithm>

namespace pelvaro::reports {

namespace {

constexpr double TwipsPerInch = 1440.0;

QFont printFont(double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Lays the table out page by page. Everything is measured in the device's own units, so a
// printer and a PDF writer of any resolution get the same inch-wide columns.
class TablePrinter
{
public:
    TablePrinter(QPagedPaintDevice& device, QPainter& painter,
                 const std::array<StandardReport::Column, 3>& columns)
        : m_device(device), m_painter(painter)
    {
        const double dpi = device.logicalDpiX();
        double x = 0;
        for (const StandardReport::Column& column : columns) {
            m_left.push_back(x);
            m_width.push_back(column.printWidth * dpi / TwipsPerInch);
            m_captions << column.caption;
            x += m_width.back();
        }
        m_tableWidth = x;
        m_padding = dpi / 20.0;
        m_wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_ranges = device.pageRanges();
        m_pageShown = shown(1);
        m_deviceUsed = m_pageShown;
    }

    void title()
    {
        m_painter.setFont(printFont(14, true));
        const QRectF area(0, 0, m_device.width(), m_device.height());
        const QRectF used =
            m_painter.boundingRect(area, Qt::AlignLeft | Qt::AlignTop, StandardReport::title());
        if (m_pageShown)
            m_painter.drawText(area, Qt::AlignLeft | Qt::AlignTop, StandardReport::title());
        m_y = used.height() + used.height() / 2;
        captions();
    }

    void row(const QStringList& cells)
    {
        m_painter.setFont(printFont(10, false));
        const double height = rowHeight(cells);
        if (m_y + height > m_device.height() && m_rowsOnPage > 0) {
            nextPage();
            m_y = 0;
            captions();
            m_painter.setFont(printFont(10, false));
        }
        drawCells(cells, height);
        ++m_rowsOnPage;
    }

private:
    // Pages are laid out whatever range was asked for, so that page 3 holds the same rows
    // as in a whole print; only the pages in the range reach the device.
    bool shown(int page) const { return m_ranges.isEmpty() || m_ranges.contains(page); }

    void nextPage()
    {
        ++m_page;
        m_pageShown = shown(m_page);
        if (!m_pageShown)
            return;
        // The device starts with one page; the first page printed uses it.
        if (m_deviceUsed)
            m_device.newPage();
        m_deviceUsed = true;
    }

    void captions()
    {
        m_painter.setFont(printFont(10, true));
        const double height = rowHeight(m_captions);
        drawCells(m_captions, height);
        if (m_pageShown)
            m_painter.drawLine(QPointF(0, m_y), QPointF(m_tableWidth, m_y));
        m_y += m_padding;
        m_rowsOnPage = 0;
    }

    double rowHeight(const QStringList& cells) const
    {
        double height = m_painter.fontMetrics().height();
        for (qsizetype i = 0; i < cells.size(); ++i)
            height =
                std::max(height, m_painter.boundingRect(cell(i, 0), cells.at(i), m_wrap).height());
        return height + m_padding;
    }

    void drawCells(const QStringList& cells, double height)
    {
        if (m_pageShown)
            for (qsizetype i = 0; i < cells.size(); ++i)
                m_painter.drawText(cell(i, m_y), cells.at(i), m_wrap);
        m_y += height;
    }

    QRectF cell(qsizetype column, double y) const
    {
        return QRectF(m_left[size_t(column)], y, m_width[size_t(column)] - m_padding,
                      m_device.height());
    }

    QPagedPaintDevice& m_device;
    QPainter& m_painter;
    std::vector<double> m_left;
    std::vector<double> m_width;
    QStringList m_captions;
    double m_tableWidth = 0;
    double m_padding = 0;
    double m_y = 0;
    int m_rowsOnPage = 0;
    QTextOption m_wrap;
    QPageRanges m_ranges;
    int m_page = 1;
    bool m_pageShown = true;
    bool m_deviceUsed = false;
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

void StandardReport::print(QPagedPaintDevice& device, const std::vector<Row>& rows, View view)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("Der Standardbericht kann nicht gedruckt werden."));
    TablePrinter table(device, painter, columns(view));
    table.title();
    for (const Row& row : rows)
        table.row(cells(row, view));
    // A printer that fails (a full disk, a vanished queue) says so only here.
    if (!painter.end())
        throw Error(QStringLiteral("Der Standardbericht kann nicht gedruckt werden."));
}

QByteArray StandardReport::pdf(const std::vector<Row>& rows, View view)
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
        print(writer, rows, view);
    }
    return bytes;
}

} // namespace pelvaro::reports
