#include "reports/StandardReport.h"

#include "PdfText.h"
#include "QtPrinters.h"
#include "TestDirs.h"

#include <QBuffer>
#include <QDate>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using pelvaro::reports::StandardReport;
using pelvaro::submit::ResultRow;
using pelvaro::test::TestDirs;
using Row = StandardReport::Row;
using View = StandardReport::View;

namespace {

ResultRow result(const char* name, const char* code, const char* message, const char* address = "")
{
    return {QString::fromUtf8(name), QString::fromUtf8(code), QString::fromUtf8(message),
            QString::fromUtf8(address)};
}

const std::vector<ResultRow> successes{result("Fundfalke", "200", "OK"),
                                       result("ProbeDeck", "302", "Umgeleitet")};
const std::vector<ResultRow> failures{
    result("Dixie", "0", "Timeout", "http://dixie.example/add.cgi")};

// The PDF's text as pdftotext lays it out, one line per printed line, runs of blanks made one.
QStringList pdfLines(const QByteArray& pdf)
{
    QStringList lines;
    const QString text = pelvaro::test::pdfLayoutText(pdf);
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        // A form feed starts a new page; keep it as a line of its own.
        QString page = line;
        if (page.startsWith(QLatin1Char('\f'))) {
            lines << QStringLiteral("\f");
            page.remove(0, 1);
        }
        const QString simple = page.simplified();
        if (!simple.isEmpty())
            lines << simple;
    }
    return lines;
}

} // namespace

TEST(StandardReport, SuccessesComeFirstAndTheAddressStaysBehind)
{
    EXPECT_EQ(
        StandardReport::rows(successes, failures),
        (std::vector<Row>{
            {QStringLiteral("Fundfalke"), QStringLiteral("200"), QStringLiteral("OK")},
            {QStringLiteral("ProbeDeck"), QStringLiteral("302"), QStringLiteral("Umgeleitet")},
            {QStringLiteral("Dixie"), QStringLiteral("0"), QStringLiteral("Timeout")}}));
    EXPECT_EQ(StandardReport::rows({}, failures).size(), 1u) << "only failures: only they";
    EXPECT_TRUE(StandardReport::rows({}, {}).empty());
}

TEST(StandardReport, TheViewsOrderTheColumns)
{
    const Row row{QStringLiteral("Fundfalke"), QStringLiteral("200"), QStringLiteral("OK")};
    EXPECT_EQ(
        StandardReport::cells(row, View::Dienst),
        (QStringList{QStringLiteral("Fundfalke"), QStringLiteral("200"), QStringLiteral("OK")}));
    EXPECT_EQ(
        StandardReport::cells(row, View::Statuscode),
        (QStringList{QStringLiteral("200"), QStringLiteral("Fundfalke"), QStringLiteral("OK")}));

    const auto describe = [](View view) {
        QStringList parts{StandardReport::viewName(view)};
        for (const StandardReport::Column& c : StandardReport::columns(view))
            parts << QStringLiteral("%1 %2 %3").arg(c.caption).arg(c.screenWidth).arg(c.printWidth);
        return parts;
    };
    EXPECT_EQ(
        describe(View::Dienst),
        (QStringList{QStringLiteral("Dienst"), QStringLiteral("Suchdienst 134 1440"),
                     QStringLiteral("Statuscode 189 1440"), QStringLiteral("Meldung 144 1440")}));
    EXPECT_EQ(
        describe(View::Statuscode),
        (QStringList{QStringLiteral("Statuscode"), QStringLiteral("Statuscode 50 1440"),
                     QStringLiteral("Suchdienst 50 1440"), QStringLiteral("Meldung 50 1440")}));
}

TEST(StandardReport, PrintsTheListInTheChosenViewToPdf)
{
    const std::vector<Row> rows = StandardReport::rows(successes, failures);
    const StandardReport::PrintHeader header{QStringLiteral("http://www.muster.example/"),
                                             QDate(2026, 12, 10)};
    EXPECT_EQ(
        pdfLines(StandardReport::pdf(rows, View::Dienst, header)),
        (QStringList{QStringLiteral("Standardbericht"),
                     QStringLiteral("Registrierte URL: http://www.muster.example/ Anmeldung vom "
                                    "10.12.2026"),
                     QStringLiteral("Suchdienst Statuscode Meldung"),
                     QStringLiteral("Fundfalke 200 OK"), QStringLiteral("ProbeDeck 302 Umgeleitet"),
                     QStringLiteral("Dixie 0 Timeout"), QStringLiteral("Seite 1 von 1"),
                     QStringLiteral("\f")}));
    EXPECT_EQ(
        pdfLines(StandardReport::pdf(rows, View::Statuscode)),
        (QStringList{QStringLiteral("Standardbericht"),
                     QStringLiteral("Statuscode Suchdienst Meldung"),
                     QStringLiteral("200 Fundfalke OK"), QStringLiteral("302 ProbeDeck Umgeleitet"),
                     QStringLiteral("0 Dixie Timeout"), QStringLiteral("Seite 1 von 1"),
                     QStringLiteral("\f")}));
}

// A long run fills several pages; each page repeats the header and the captions and says
// which page of how many it is; no row is lost or doubled, and names keep their words whole.
TEST(StandardReport, ALongRunBreaksIntoPagesWithCaptionsOnEach)
{
    std::vector<Row> rows;
    for (int i = 1; i <= 150; ++i)
        rows.push_back(
            {QStringLiteral("Dienst%1").arg(i), QStringLiteral("200"), QStringLiteral("OK")});
    rows.push_back({QStringLiteral("Letzter"), QStringLiteral("0"),
                    QStringLiteral("Keine Antwort vom Server erhalten")});
    const QStringList lines = pdfLines(StandardReport::pdf(
        rows, View::Dienst, {QStringLiteral("http://www.muster.example/"), QDate(2026, 12, 10)}));

    const qsizetype pages = lines.count(QStringLiteral("\f"));
    EXPECT_GE(pages, 3);
    EXPECT_EQ(lines.count(QStringLiteral("Suchdienst Statuscode Meldung")), pages);
    EXPECT_EQ(lines.count(QStringLiteral("Standardbericht")), pages);
    for (qsizetype page = 1; page <= pages; ++page)
        EXPECT_EQ(lines.count(StandardReport::pageNumberText(int(page), int(pages))), 1) << page;
    QStringList printed;
    for (const QString& line : lines)
        if (line.startsWith(QStringLiteral("Dienst")) && line != QStringLiteral("Dienst"))
            printed << line;
    ASSERT_EQ(printed.size(), 150);
    for (int i = 1; i <= 150; ++i)
        EXPECT_EQ(printed.at(i - 1), QStringLiteral("Dienst%1 200 OK").arg(i));
    const QString tail =
        lines.mid(lines.lastIndexOf(QStringLiteral("Dienst150 200 OK"))).join(QLatin1Char(' '));
    EXPECT_EQ(tail, QStringLiteral("Dienst150 200 OK Letzter 0 Keine Antwort vom Server erhalten "
                                   "Seite %1 von %1 \f")
                        .arg(pages));
}

// A page range prints the pages of the whole print that it names, and only them.
TEST(StandardReport, APageRangePrintsOnlyThosePagesOfTheWholePrint)
{
    std::vector<Row> rows;
    for (int i = 1; i <= 150; ++i)
        rows.push_back(
            {QStringLiteral("Dienst%1").arg(i), QStringLiteral("200"), QStringLiteral("OK")});
    const auto pages = [](const QStringList& lines) {
        QList<QStringList> split{{}};
        for (const QString& line : lines) {
            if (line == QStringLiteral("\f"))
                split << QStringList();
            else
                split.last() << line;
        }
        return split;
    };
    const QList<QStringList> whole = pages(pdfLines(StandardReport::pdf(rows, View::Dienst)));
    ASSERT_GE(whole.size(), 4);

    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        // The page of StandardReport::pdf, so that its pages hold the same rows.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
        QPageRanges range;
        range.addRange(2, 3);
        writer.setPageRanges(range);
        StandardReport::print(writer, rows, View::Dienst);
    }
    const QList<QStringList> chosen = pages(pdfLines(bytes));
    ASSERT_EQ(chosen.size(), 3) << "two pages and what follows the last form feed";
    EXPECT_EQ(chosen.at(0), whole.at(1));
    EXPECT_EQ(chosen.at(1), whole.at(2));
}

TEST(StandardReport, ColumnsAreAsWideAsTheirTextsAndShareWhatIsLeft)
{
    const struct
    {
        std::vector<double> natural;
        double available;
        std::vector<double> widths;
    } cases[] = {
        {{100, 50, 150}, 600, {100, 50, 450}}, // room to spare: the last column takes it
        {{100, 50, 150}, 300, {100, 50, 150}}, // exactly
        {{100, 50, 600}, 450, {100, 50, 300}}, // the wide message gives way
        {{400, 50, 600}, 450, {200, 50, 200}}, // two wide ones share what the narrow one leaves
        {{500, 500, 500}, 300, {100, 100, 100}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StandardReport::columnWidths(c.natural, c.available), c.widths)
            << c.natural[0] << " " << c.available;
}

// Over the width of the page: a long name and a message each stay on one line, where
// inch-wide columns broke them in the middle of a word; a message longer than the page's
// room wraps between its words.
TEST(StandardReport, LongNamesAndMessagesStayWholeOverThePageWidth)
{
    const QString tooLong =
        QStringLiteral("Zeitüberschreitung: Antwort nach 120 Sekunden noch nicht vollständig, "
                       "die Verbindung wurde nach dem Senden der Anfrage getrennt");
    const std::vector<Row> rows{{QStringLiteral("Burgenländischer Linkführer"), QStringLiteral("0"),
                                 QStringLiteral("Zeitüberschreitung nach 120 Sekunden")},
                                {QStringLiteral("Fundfalke"), QStringLiteral("0"), tooLong}};
    const QStringList lines = pdfLines(StandardReport::pdf(rows, View::Dienst));
    EXPECT_TRUE(lines.contains(
        QStringLiteral("Burgenländischer Linkführer 0 Zeitüberschreitung nach 120 Sekunden")))
        << lines.join(QLatin1Char('|')).toStdString();
    qsizetype first = 0;
    while (first < lines.size() && !lines.at(first).startsWith(QStringLiteral("Fundfalke 0 ")))
        ++first;
    first = first < lines.size() ? first : -1;
    ASSERT_GE(first, 0) << lines.join(QLatin1Char('|')).toStdString();
    const qsizetype footer = lines.indexOf(QStringLiteral("Seite 1 von 1"));
    ASSERT_GT(footer, first + 1) << "the message wraps";
    QStringList pieces{lines.at(first).mid(QStringLiteral("Fundfalke 0 ").size())};
    pieces << lines.mid(first + 1, footer - first - 1);
    EXPECT_EQ(pieces.join(QLatin1Char(' ')), tooLong) << "broken between words only";
}

// A printer that gives next to no margin (a PDF printer) still gets paper with a margin: the
// first word stands at least 15 mm from the page's edges.
TEST(StandardReport, KeepsAMarginOnAPrinterWithout)
{
    const QString path = TestDirs::root() + QStringLiteral("/ohne-rand.pdf");
    {
        QPdfWriter writer(path);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        StandardReport::print(writer, StandardReport::rows(successes, failures), View::Dienst);
    }
    QProcess bbox;
    bbox.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    ASSERT_TRUE(bbox.waitForFinished(30000));
    const QString html = QString::fromUtf8(bbox.readAllStandardOutput());
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                       "yMax=\"([0-9.]+)\">([^<]*)</word>"));
    const double margin = 15 / 25.4 * 72; // points
    int words = 0;
    for (auto match = word.globalMatch(html); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        ++words;
        EXPECT_GE(m.captured(1).toDouble(), margin - 0.5) << m.captured(5).toStdString();
        EXPECT_GE(m.captured(2).toDouble(), margin - 0.5) << m.captured(5).toStdString();
        EXPECT_LE(m.captured(3).toDouble(), 595.3 - margin + 0.5) << m.captured(5).toStdString();
        EXPECT_LE(m.captured(4).toDouble(), 841.9 - margin + 0.5) << m.captured(5).toStdString();
    }
    EXPECT_GE(words, 10);
}
