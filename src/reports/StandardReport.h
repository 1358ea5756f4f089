#pragma once

#include "submit/SubmissionRun.h"

#include <QByteArray>
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

    // Prints the rows in the view's column order on the device's pages: the title, the column
    // captions at the top of every page, then the rows; a text wider than its column wraps.
    // Throws pelvaro::Error when the device cannot be painted on.
    static void print(QPagedPaintDevice& device, const std::vector<Row>& rows, View view);
    // The same as a PDF file's bytes, on A4 paper.
    static QByteArray pdf(const std::vector<Row>& rows, View view);
};

} // namespace pelvaro::reports
