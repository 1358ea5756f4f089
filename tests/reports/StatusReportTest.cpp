#include "reports/StatusReport.h"

#include "site/SiteRecord.h"

#include "QtPrinters.h"
#include "ScriptedUiServices.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <vector>

using pelvaro::reports::StatusReport;
using pelvaro::site::SiteRecord;
using pelvaro::test::ScriptedUiServices;

namespace {

// What the reader sees of one paragraph.
struct Paragraph
{
    QString text;
    bool centred = false;
    QColor colour;
    bool bold = false;
    bool underline = false;
    double size = 0;
    bool bullet = false;
    bool tabStop = false; // exactly the one stop at 300 pt

    bool operator==(const Paragraph&) const = default;
};

void PrintTo(const Paragraph& p, std::ostream* out)
{
    *out << '"' << p.text.toStdString() << '"' << (p.centred ? " centred" : " left") << ' '
         << p.colour.name().toStdString() << (p.bold ? " bold" : "")
         << (p.underline ? " underline" : "") << ' ' << p.size << "pt"
         << (p.bullet ? " bullet" : "") << (p.tabStop ? " tab300" : "");
}

// The character attributes must hold for the whole paragraph; a mixed paragraph shows up as
// a mismatch on its first differing fragment.
Paragraph read(const QTextBlock& block)
{
    Paragraph p;
    p.text = block.text();
    p.centred = block.blockFormat().alignment() & Qt::AlignHCenter;
    std::vector<QTextCharFormat> formats;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        formats.push_back(it.fragment().charFormat());
    if (formats.empty())
        formats.push_back(block.charFormat());
    QTextCharFormat f = formats.front();
    for (const QTextCharFormat& other : formats)
        if (other != f)
            f = QTextCharFormat(); // reads as a paragraph no row expects
    p.colour = f.foreground().color();
    p.bold = f.fontWeight() == QFont::Bold;
    p.underline = f.fontUnderline();
    p.size = f.fontPointSize();
    p.bullet = block.textList() && block.textList()->format().style() == QTextListFormat::ListDisc;
    const QList<QTextOption::Tab> tabs = block.blockFormat().tabPositions();
    p.tabStop = tabs.size() == 1 && tabs.front().position == 400.0;
    return p;
}

std::vector<Paragraph> paragraphs(const QTextDocument& document)
{
    std::vector<Paragraph> all;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        all.push_back(read(b));
    return all;
}

const QColor Navy(0, 0, 128);
const QColor Red(255, 0, 0);
const QColor Black(0, 0, 0);

Paragraph titleBlock(const QString& text)
{
    return {text, true, Navy, true, false, 16, false, false};
}
Paragraph headerBlock(const QString& text)
{
    return {text, true, Black, true, false, 12, false, false};
}
Paragraph columnsBlock(const QString& text)
{
    return {text, false, Red, true, true, 12, false, true};
}
Paragraph headingBlock(const QString& text)
{
    return {text, false, Black, false, true, 10, false, true};
}
Paragraph entryBlock(const QString& text)
{
    return {text, false, Black, false, false, 10, true, true};
}
Paragraph lastBlock()
{
    return {QString(), false, Black, false, false, 10, false, true};
}

SiteRecord site(const QString& address, const QString& title)
{
    SiteRecord record;
    record.URLEdit = address;
    record.TitleEdit = title;
    return record;
}

StatusReport::Clock day(int y, int m, int d)
{
    return [=] { return QDate(y, m, d); };
}

} // namespace

TEST(StatusReport, ARunBecomesTheFormattedLog)
{
    ScriptedUiServices ui;
    QTextDocument document;
    const QStringList successes{
        QStringLiteral("Fundfalke\tErfolgreich\t200\r1\thttp://fundfalke.example/add"),
        QString(), // no line in the report, but counted
        QStringLiteral("ProbeDeck\tOK\t200\r6\thttp://probe.example/?a=1")};
    const QStringList failures{
        QStringLiteral("Dixie Links\tNicht verfügbar!\t0\r68\thttp://dixie.example/"),
        QStringLiteral("Ohne Zeilenende\tFehler\t500")}; // no CR: an empty line at its place
    const QTextCursor caret = StatusReport::generate(
        ui, document, successes, failures,
        site(QStringLiteral("http://www.muster.example/"), QStringLiteral("Muster & Söhne")),
        day(2031, 5, 17));

    const std::vector<Paragraph> expected{
        titleBlock(QString()),
        titleBlock(QStringLiteral("Anmeldungsprotokoll")),
        titleBlock(QString()),
        titleBlock(QString()),
        headerBlock(QStringLiteral("Erzeugt am 17.05.2031 mit Pelvaro!")),
        headerBlock(QStringLiteral("Registrierte URL: http://www.muster.example/")),
        headerBlock(QStringLiteral("Titel der registrierten URL: Muster & Söhne")),
        headerBlock(QString()),
        headerBlock(QString()),
        headerBlock(QString()),
        headerBlock(QString()),
        headerBlock(QStringLiteral("Erfolgreiche Anmeldungen: 3")),
        headerBlock(QStringLiteral("Fehlgeschlagene Anmeldungen: 2")),
        headerBlock(QStringLiteral(" ")),
        headerBlock(QStringLiteral(" ")),
        columnsBlock(QStringLiteral("Name\tStatusmeldung und -Code")),
        headingBlock(QStringLiteral("Erfolgreiche Übertragung")),
        entryBlock(QStringLiteral("Fundfalke\tErfolgreich\t200")),
        entryBlock(QStringLiteral("ProbeDeck\tOK\t200")),
        headingBlock(QStringLiteral("Fehler bei der Übertragung")),
        entryBlock(QStringLiteral("Dixie Links\tNicht verfügbar!\t0")),
        entryBlock(QString()),
        lastBlock(),
    };
    EXPECT_EQ(paragraphs(document), expected);
    EXPECT_EQ(caret.position(), 0);
    EXPECT_FALSE(caret.hasSelection());
    EXPECT_TRUE(ui.shown().empty());
}

TEST(StatusReport, WithoutResultsBothSectionsSayNoEntries)
{
    ScriptedUiServices ui;
    QTextDocument document;
    StatusReport::generate(ui, document, {}, {}, site({}, {}), day(2031, 5, 17));
    const std::vector<Paragraph> all = paragraphs(document);
    ASSERT_EQ(all.size(), 21u);
    EXPECT_EQ(all[11].text, QStringLiteral("Erfolgreiche Anmeldungen: 0"));
    EXPECT_EQ(all[12].text, QStringLiteral("Fehlgeschlagene Anmeldungen: 0"));
    EXPECT_EQ(
        std::vector<Paragraph>(all.begin() + 16, all.end()),
        (std::vector<Paragraph>{headingBlock(QStringLiteral("Erfolgreiche Übertragung")),
                                entryBlock(QStringLiteral("<Keine Einträge>")),
                                headingBlock(QStringLiteral("Fehler bei der Übertragung")),
                                entryBlock(QStringLiteral("<Keine Einträge>")), lastBlock()}));
}

// Step 3 formats from the first "Name" it finds, wherever that is: in the site's title the red
// begins in the middle of its line.
TEST(StatusReport, ANameInTheSiteTitleMovesTheColumnFormatting)
{
    const auto generate = [](QTextDocument& document, const QString& title) {
        ScriptedUiServices ui;
        StatusReport::generate(ui, document, {}, {},
                               site(QStringLiteral("http://a.example/"), title), day(2031, 5, 17));
        return paragraphs(document);
    };
    QTextDocument named;
    const std::vector<Paragraph> withName = generate(named, QStringLiteral("Namensvetter"));
    EXPECT_EQ(withName[5], headerBlock(QStringLiteral("Registrierte URL: http://a.example/")));
    const QTextBlock titleLine = named.findBlockByNumber(6);
    EXPECT_FALSE(withName[6].centred);
    EXPECT_TRUE(withName[6].tabStop);
    const auto charactersAt = [&](int offset) {
        QTextCursor at(titleLine);
        at.setPosition(titleLine.position() + offset + 1);
        const QTextCharFormat f = at.charFormat();
        return Paragraph{{},
                         false,
                         f.foreground().color(),
                         f.fontWeight() == QFont::Bold,
                         f.fontUnderline(),
                         f.fontPointSize(),
                         false,
                         false};
    };
    const int name = int(titleLine.text().indexOf(QStringLiteral("Name")));
    EXPECT_EQ(charactersAt(name - 1), (Paragraph{{}, false, Black, true, false, 12, false, false}));
    EXPECT_EQ(charactersAt(name), (Paragraph{{}, false, Red, true, true, 12, false, false}));
    EXPECT_EQ(withName[11], columnsBlock(QStringLiteral("Erfolgreiche Anmeldungen: 0")));

    QTextDocument lower;
    const std::vector<Paragraph> lowerCase = generate(lower, QStringLiteral("Firmenname"));
    EXPECT_EQ(lowerCase[6], headerBlock(QStringLiteral("Titel der registrierten URL: Firmenname")));
    EXPECT_EQ(lowerCase[15], columnsBlock(QStringLiteral("Name\tStatusmeldung und -Code")));
}

TEST(StatusReport, AFailedHeaderIsReportedAndTheEntriesStillFollow)
{
    ScriptedUiServices ui;
    QTextDocument document;
    const StatusReport::Clock broken = []() -> QDate { throw std::runtime_error("Uhr"); };
    StatusReport::generate(ui, document, {QStringLiteral("A\tOK\t200\r1\thttp://a/")}, {},
                           site({}, {}), broken);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().front().messageKind, pelvaro::base::MessageKind::Error);
    EXPECT_EQ(ui.shown().front().buttons, pelvaro::base::MessageButtons::Ok);
    EXPECT_EQ(ui.shown().front().text, QStringLiteral("Fehler-Nr. 88273"));
    // The lines before the failing date stay; the title's step still formats from the start.
    EXPECT_EQ(paragraphs(document),
              (std::vector<Paragraph>{
                  titleBlock(QString()), titleBlock(QStringLiteral("Anmeldungsprotokoll")),
                  titleBlock(QString()), titleBlock(QString()),
                  headingBlock(QStringLiteral("Erfolgreiche Übertragung")),
                  entryBlock(QStringLiteral("A\tOK\t200")),
                  headingBlock(QStringLiteral("Fehler bei der Übertragung")),
                  entryBlock(QStringLiteral("<Keine Einträge>")), lastBlock()}));
}

TEST(StatusReport, AnOpenedFileKeepsItsLinesAndTheReportStartsOnANewOne)
{
    ScriptedUiServices ui;
    QTextDocument document;
    document.setPlainText(QStringLiteral("Vorher"));
    StatusReport::generate(ui, document, {}, {}, site({}, {}), day(2031, 5, 17));
    ASSERT_GE(document.blockCount(), 3);
    EXPECT_EQ(document.begin().text(), QStringLiteral("Vorher"));
    EXPECT_EQ(document.begin().next().text(), QString());
    EXPECT_EQ(document.begin().next().next().text(), QStringLiteral("Anmeldungsprotokoll"));
}

TEST(StatusReport, ShortDateKeepsTheFullYear)
{
    const QDate date(2031, 5, 7);
    EXPECT_EQ(StatusReport::shortDate(date, QLocale(QLocale::German, QLocale::Germany)),
              QStringLiteral("07.05.2031"));
    EXPECT_EQ(StatusReport::shortDate(date, QLocale::c()), QStringLiteral("07.05.2031"));
    EXPECT_EQ(StatusReport::shortDate(date, QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("5/7/2031"));
}
