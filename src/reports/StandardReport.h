#pragma once

#include "submit/SubmissionRun.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

class QPagedPaintDevice;

namespace pelvaro::reports {

// The standard report: every service of the last run in one plain table, in two column
// orders, on screen and on paper.
class StandardReport
{
public:
    // The report list's three fields, RvField1 to RvField3.
    enum class Field
    {
        Suchdienst,
        Statuscode,
        Meldung
    };
    enum class View
    {
        Dienst,
        Statuscode
    };

    struct Row
    {
        QString Suchdienst;
        QString Statuscode;
        QString Meldung;
        bool operator==(const Row&) const = default;
        const QString& field(Field f) const;
    };

    struct Column
    {
        Field field;
        QString caption;
        int screenWidth; // pixels
        int printWidth;  // twips
    };

    static QString title(); // "Standardbericht"
    static QString viewName(View view);
    static std::array<View, 2> views() { return {View::Dienst, View::Statuscode}; }
    static std::array<Column, 3> columns(View view);

    // The success view's rows, then the failure view's, each in its order; the failure view's
    // hidden address column stays behind.
    static std::vector<Row> rows(const std::vector<submit::ResultRow>& successes,
                                 const std::vector<submit::ResultRow>& failures);
    // A row's texts in the view's column order.
    static QStringList cells(const Row& row, View view);

    // What every printed page says of the run above its table.
    struct PrintHeader
    {
        QString siteAddress;
        QDate runDate; // when the run ended; none: not printed
    };

    // Prints the rows in the view's column order over the width of the device's pages: on
    // every page the title with the site's address and the run's date, the column captions,
    // the rows, and "Seite n von m" at its foot. The columns are as wide as their texts; the
    // last one takes what is left, and when the texts do not fit, the widest columns give
    // way and wrap at word boundaries. Throws pelvaro::Error when the device cannot be
    // painted on.
    static void print(QPagedPaintDevice& device, const std::vector<Row>& rows, View view,
                      const PrintHeader& header = {});
    // The same as a PDF file's bytes, on A4 paper.
    static QByteArray pdf(const std::vector<Row>& rows, View view, const PrintHeader& header = {});

    // The printed columns' widths for these natural widths (a column's widest text) on a
    // line this wide: all as wide as they need, the last one taking the rest; when they do
    // not fit, the columns narrower than an even share keep their width and the others
    // share the rest evenly.
    static std::vector<double> columnWidths(const std::vector<double>& natural, double available);
    static QString pageNumberText(int page, int pages);
    static QString headerText(const PrintHeader& header);
};

} // namespace pelvaro::reports
