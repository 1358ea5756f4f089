#include "reports/rtf/RtfCodec.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

using namespace pelvaro::reports::rtf;

namespace {

// RTF as other programs write it, and what the editor must show of it.
struct ForeignCase
{
    const char* name;
    QByteArray rtf;
    const char* text;    // paragraphText, UTF-8
    const char* bullets; // one mark per paragraph: '*' bullet, '-' none
};

class RtfForeignFiles : public testing::TestWithParam<ForeignCase>
{
};

QString bulletMarks(const QTextDocument& document)
{
    QString marks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextList* list = block.textList();
        marks += list && list->format().style() == QTextListFormat::ListDisc ? QLatin1Char('*')
                                                                             : QLatin1Char('-');
    }
    return marks;
}

} // namespace

TEST_P(RtfForeignFiles, ReadsTheTextAndBullets)
{
    const ForeignCase& c = GetParam();
    QTextDocument document;
    document.setPlainText(QStringLiteral("vorher"));
    readRtf(c.rtf, document);
    EXPECT_EQ(paragraphText(document).toStdString(), c.text);
    EXPECT_EQ(bulletMarks(document).toStdString(), c.bullets);
}

INSTANTIATE_TEST_SUITE_P(
    Snippets, RtfForeignFiles,
    testing::Values(
        // The older paragraph numbering alone, bullet set once and kept until \pard.
        ForeignCase{
            "numbering_only",
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
            "{\\f1\\fnil\\fcharset2 Symbol;}}\r\n\\viewkind4\\uc1\\pard{\\pntext\\f1\\'B7"
            "\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-720\\li720\\f0"
            "\\fs20 Eins\\par\r\n{\\pntext\\f1\\'B7\\tab}Zwei\\par\r\n\\pard Ende\\par\r\n}",
            "Eins\nZwei\nEnde\n", "**-"},
        // A list table and the rendered bullet in \listtext; list 2 has no number at all.
        ForeignCase{
            "list_table",
            "{\\rtf1\\ansi{\\*\\listtable{\\list\\listtemplateid9{\\listlevel\\levelnfc23"
            "{\\leveltext\\'01\\u-3913 ?;}{\\levelnumbers;}\\fi-360\\li720}{\\listlevel"
            "\\levelnfc0{\\leveltext\\'02\\'01.;}{\\levelnumbers\\'01;}}\\listid7}{\\list"
            "{\\listlevel\\levelnfc255{\\leveltext\\'00;}}\\listid8}}{\\*\\listoverridetable"
            "{\\listoverride\\listid7\\listoverridecount0\\ls1}{\\listoverride\\listid8\\ls2}}"
            "\\pard\\plain{\\listtext\\pard\\plain\\f3 \\'b7\\tab}\\ls1\\ilvl0 A\\par"
            "{\\listtext\\pard\\plain\\f3 \\'b7\\tab}B\\par\\pard\\ls2 C\\par\\pard D\\par}",
            "A\nB\nC\nD\n", "**--"},
        // What LibreOffice writes: a list table without \*, \listtext, text in groups.
        ForeignCase{"libreoffice",
                    "{\\rtf1\\ansi\\deff3\\adeflang1025\n{\\fonttbl{\\f3\\froman\\fprq2\\fcharset0 "
                    "Liberation Serif{\\*\\falt Times New Roman};}}\n{\\stylesheet{\\s0\\snext0 "
                    "Normal;}}{\\*\\listtable{\\list\\listtemplateid1\n{\\listlevel\\levelnfc23"
                    "{\\leveltext \\'01\\u8226 ?;}{\\levelnumbers;}\\fi-283\\li709}\\listid1}}"
                    "{\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}"
                    "{\\*\\generator LibreOffice/7.4;}{\\info{\\creatim\\yr0}}\\deftab709\n"
                    "\\pard\\plain \\s0\\qc{\\loch\\b\\loch\nFett}{\\loch\n normal}\n\\par "
                    "\\pard\\plain \\s0{\\listtext\\pard\\plain \\u8226\\'95\\tab}\\ilvl0\\ls1 "
                    "\\li709\\fi-283{\\loch\nEins}\n\\par }",
                    "Fett normal\nEins\n", "-*"},
        ForeignCase{"unknown_words_and_destinations",
                    "{\\rtf1 A\\foo123 B{\\*\\bar versteckt {verschachtelt} auch}C{\\qqq D}"
                    "\\*\\zzz E\\par}",
                    "ABCDE\n", "-"},
        ForeignCase{"skipped_tables_and_fields",
                    "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title Titel}{\\author Ich}}"
                    "{\\header Kopf\\par}{\\footnote Fuss}{\\*\\themedata 0a0b}"
                    "{\\pict\\pngblip 89504e47}"
                    "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt Verweis}}\\par}",
                    "Verweis\n", "-"},
        // Binary data: braces and backslashes inside do not count, a length past the end
        // ends the file, a negative one is nothing.
        ForeignCase{
            "binary",
            "{\\rtf1 A{\\*\\blob\\bin5 }{\\x}}B\\bin3 {\\}C\\bin-4 D\\par E\\bin99999999 xyz",
            "ABCD\nE\n", "--"},
        ForeignCase{"missing_closing_braces", "{\\rtf1{\\b fett\\par{{nicht zu", "fett\nnicht zu\n",
                    "--"},
        ForeignCase{"surplus_closing_braces", "}}A}{\\rtf1 B}\\par C", "AB\nC\n", "--"},
        ForeignCase{"unicode_fallbacks",
                    "{\\rtf1\\uc1\\u8364?\\uc2\\u937 xy\\uc0\\u916 z\\uc1\\u-10179?\\u-8704?"
                    "\\u228\\'e4{\\u246 }o\\u10?\\u8233?x\\par}",
                    "€ΩΔz😀äöo\nx\n", "-"},
        ForeignCase{"code_page_and_symbols",
                    "{\\rtf1\\ansi\\ansicpg1252 Gr\\'fc\\'DFe \\{x\\} \\\\ a\\~b\\-c\\_d \\'8\\'zz"
                    "\\lquote q\\rquote\\endash\\emdash\\bullet\\par}",
                    "Grüße {x} \\ a\u00a0bc\u2011d 8zz‘q’–—•\n", "-"},
        ForeignCase{"breaks",
                    "{\\rtf1 a\\line b\\tab c\td\\\r\ne\\par\\par f\\sect g\\par\\sect\\page"
                    "\\trowd\\cellx100\\cellx200 x\\cell y\\cell\\row}",
                    "a\nb\tc\td\ne\n\nf\ng\nx\ty\n", "------"},
        ForeignCase{"hidden_text", "{\\rtf1 a{\\v versteckt}b\\v c\\v0 d\\par}", "abd\n", "-"},
        ForeignCase{"after_the_document", "{\\rtf1 a}\\par junk", "a\n", "-"},
        ForeignCase{"empty", "", "\n", "-"},
        ForeignCase{"not_rtf", "Hallo\r\nWelt", "HalloWelt\n", "-"}),
    [](const testing::TestParamInfo<ForeignCase>& info) { return std::string(info.param.name); });

TEST(RtfForeignAttributes, ReadsFontsSizesColoursIndentsAndTabStops)
{
    QTextDocument document;
    readRtf("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}"
            "{\\f1\\fswiss\\fcharset0 Arial{\\*\\falt Helvetica};}{\\f2\\fnil K\\'f6ln;}}"
            "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\r\n"
            "\\pard\\qr\\li1440\\ri720\\fi-360\\tqr\\tx4320\\tx6000\\f1\\fs28\\cf2\\b fett\\b0"
            "\\i kursiv\\i0\\ul unter\\ulnone\\cf1 rot\\cf7 ohne\\par\r\n"
            "\\pard\\plain normal\\f2\\fs0 klein\\par\r\n"
            "\\pard\\qc\\fs1000000 gross\\par}",
            document);
    ASSERT_EQ(document.blockCount(), 3);

    const QTextBlock first = document.begin();
    const QTextBlockFormat format = first.blockFormat();
    EXPECT_EQ(format.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_DOUBLE_EQ(format.leftMargin(), 96);  // 1 inch
    EXPECT_DOUBLE_EQ(format.rightMargin(), 48); // 1/2 inch
    EXPECT_DOUBLE_EQ(format.textIndent(), -24);
    ASSERT_EQ(format.tabPositions().size(), 2);
    EXPECT_DOUBLE_EQ(format.tabPositions().at(0).position, 288);
    EXPECT_EQ(format.tabPositions().at(0).type, QTextOption::RightTab);
    EXPECT_DOUBLE_EQ(format.tabPositions().at(1).position, 400); // 300 pt
    EXPECT_EQ(format.tabPositions().at(1).type, QTextOption::LeftTab);

    struct Run
    {
        const char* text;
        const char* family;
        qreal points;
        bool bold, italic, underline;
        QColor color; // invalid: none set
    };
    const Run runs[] = {
        {"fett", "Arial", 14, true, false, false, QColor(0, 0, 128)},
        {"kursiv", "Arial", 14, false, true, false, QColor(0, 0, 128)},
        {"unter", "Arial", 14, false, false, true, QColor(0, 0, 128)},
        {"rot", "Arial", 14, false, false, false, QColor(255, 0, 0)},
        {"ohne", "Arial", 14, false, false, false, QColor()}, // index beyond the table
        {"normal", "Times New Roman", 12, false, false, false, QColor()},
        {"klein", "Köln", 1, false, false, false, QColor()},
        {"gross", "Köln", 1638, false, false, false, QColor()},
    };
    std::vector<std::pair<QString, QTextCharFormat>> fragments;
    for (QTextBlock block = first; block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
            fragments.emplace_back(it.fragment().text(), it.fragment().charFormat());
    ASSERT_EQ(fragments.size(), std::size(runs));
    for (size_t i = 0; i < fragments.size(); ++i) {
        const Run& expected = runs[i];
        const QTextCharFormat& actual = fragments[i].second;
        SCOPED_TRACE(expected.text);
        EXPECT_EQ(fragments[i].first.toStdString(), expected.text);
        EXPECT_EQ(actual.fontFamilies().toStringList().value(0).toStdString(), expected.family);
        EXPECT_DOUBLE_EQ(actual.fontPointSize(), expected.points);
        EXPECT_EQ(actual.fontWeight() == QFont::Bold, expected.bold);
        EXPECT_EQ(actual.fontItalic(), expected.italic);
        EXPECT_EQ(actual.fontUnderline(), expected.underline);
        if (expected.color.isValid())
            EXPECT_EQ(actual.foreground().color(), expected.color);
        else
            EXPECT_FALSE(actual.hasProperty(QTextFormat::ForegroundBrush));
    }
    EXPECT_EQ(first.next().next().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
}

TEST(RtfForeignAttributes, BulletIndentsCountFromTheListIndent)
{
    // A bullet at 1/4 inch with its text at 1/2 inch, as word processors set it by default.
    QTextDocument document;
    readRtf("{\\rtf1{\\*\\pn\\pnlvlblt}\\fi-360\\li720 Punkt\\par}", document);
    const QTextBlock block = document.begin();
    ASSERT_NE(block.textList(), nullptr);
    EXPECT_EQ(block.textList()->format().indent(), 1);
    EXPECT_DOUBLE_EQ(block.textList()->format().indent() * document.indentWidth() +
                         block.blockFormat().leftMargin(),
                     48);
    EXPECT_DOUBLE_EQ(block.blockFormat().textIndent(), 0);
}

TEST(RtfForeignAttributes, ReadingReplacesTheContentWithoutUndoHistory)
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("alt\nalt"));
    QTextCursor(&document).insertText(QStringLiteral("getippt"));
    readRtf("{\\rtf1 neu\\par}", document);
    EXPECT_EQ(paragraphText(document).toStdString(), "neu\n");
    EXPECT_FALSE(document.isUndoAvailable());
    EXPECT_TRUE(document.isUndoRedoEnabled());
}
