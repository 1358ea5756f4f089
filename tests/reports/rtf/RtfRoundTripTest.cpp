#include "reports/rtf/RtfCodec.h"

#include "RtfTestDocuments.h"

#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace pelvaro::reports::rtf;
using namespace pelvaro::reports::rtf::test;

namespace {

std::string text(const QString& s)
{
    return s.toStdString();
}

} // namespace

TEST(RtfRoundTrip, EditorDocumentComesBackFromTheFileAsItWas)
{
    QTextDocument original;
    fillEditorDocument(original);
    const QString path = writeFile(QStringLiteral("bericht.rtf"), writeRtf(original));

    QTextDocument read;
    read.setDefaultFont(original.defaultFont());
    readRtf(readFile(path), read);

    EXPECT_EQ(text(describe(read).join(QLatin1Char('\n'))),
              text(describe(original).join(QLatin1Char('\n'))));
    // Written again, the document gives the same bytes: nothing drifts from save to save.
    EXPECT_EQ(writeRtf(read), readFile(path));
}

TEST(RtfRoundTrip, WritesWhatOtherReadersLookFor)
{
    QTextDocument document;
    fillEditorDocument(document);
    const QByteArray rtf = writeRtf(document);

    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0")) << rtf.left(60).constData();
    EXPECT_TRUE(rtf.endsWith("}\r\n"));
    const char* const expected[] = {
        "{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset0 Courier New;}}",
        "{\\colortbl ;\\red0\\green0\\blue128;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}",
        "\\pard\\qc\\f0\\fs32\\b\\cf1 Anmeldungsprotokoll\\par",
        // the empty line's own size and style
        "\\pard\\qc\\fs24\\cf0\\par",
        // 300 pt
        "\\tx6000",
        "\\ul\\cf2 Name\\tab Statusmeldung",
        // both list forms on each bullet paragraph, the text in line with the tab stop
        "{\\*\\listtable{\\list\\listtemplateid1",
        "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}",
        "\\pard\\ls1\\ilvl0\\ql\\fi-360\\li600\\tx6000{\\*\\pn\\pnlvlblt\\pnf0\\pnindent360{"
        "\\pntxtb\\'95}}{\\pntext\\f0\\'95\\tab}",
        "Zwei \\{x\\} \\\\ C:\\\\Pfad\\tab Not Found",
        "\\pard\\qr\\fi-225\\li450\\ri225\\tqr\\tx1800\\tqc\\tx3000",
        "Gr\\'fc\\'dfe aus K\\'f6ln, 5 \\'80",
        // Windows-1252 holds the dash but not the Greek letters or the emoji
        "\\line\\u937?\\u956?\\u941?\\u947?\\u945? \\'96 \\u-10179?\\u-8704?",
        "\\qj",
        "\\fs21",
    };
    for (const char* needle : expected)
        EXPECT_TRUE(rtf.contains(needle)) << "missing " << needle << "\nin\n" << rtf.constData();
    for (const char byte : rtf)
        ASSERT_GE(static_cast<signed char>(byte), 0) << "the file must be 7-bit";
}

TEST(RtfRoundTrip, ParagraphTextIsOneLinePerParagraph)
{
    QTextDocument document;
    fillEditorDocument(document);
    EXPECT_EQ(text(paragraphText(document)),
              text(QStringLiteral("Anmeldungsprotokoll\n\nName\tStatusmeldung und -Code\n"
                                  "Suchdienst Eins\tOK\t200\nZwei {x} \\ C:\\Pfad\tNot Found\t404\n"
                                  "Grüße aus Köln, 5 €\nΩμέγα – 😀\nfett kursiv unterstrichen grün\n"
                                  "Standard\n")));
    EXPECT_EQ(text(paragraphText(QTextDocument())), "\n");
}

// Plain-text mode reads any of the three line ends and writes CR LF, in Windows-1252.
struct PlainTextCase
{
    const char* name;
    QByteArray file;
    const char* paragraphs; // UTF-8, "|" between paragraphs
    QByteArray writtenBack;
};

class RtfPlainText : public testing::TestWithParam<PlainTextCase>
{
};

TEST_P(RtfPlainText, ReadsAndWritesTheFile)
{
    const PlainTextCase& c = GetParam();
    QTextDocument document;
    document.setPlainText(QStringLiteral("alter Inhalt"));
    readPlainText(readFile(writeFile(QStringLiteral("text.txt"), c.file)), document);

    QStringList paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        paragraphs << block.text();
    EXPECT_EQ(text(paragraphs.join(QLatin1Char('|'))), c.paragraphs);
    EXPECT_EQ(writePlainText(document), c.writtenBack);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, RtfPlainText,
    testing::Values(PlainTextCase{"crlf", "a\r\nb\r\n", "a|b|", "a\r\nb\r\n"},
                    PlainTextCase{"lf", "a\nb", "a|b", "a\r\nb"},
                    PlainTextCase{"cr", "a\rb\r\rc", "a|b||c", "a\r\nb\r\n\r\nc"},
                    PlainTextCase{"mixed", "a\r\n\nb\r", "a||b|", "a\r\n\r\nb\r\n"},
                    PlainTextCase{"windows1252",
                                  "Gr\xfc\xdf"
                                  "e \x80 \x96 <meta>\t!",
                                  "Grüße € – <meta>\t!",
                                  "Gr\xfc\xdf"
                                  "e \x80 \x96 <meta>\t!"},
                    PlainTextCase{"empty", "", "", ""}),
    [](const testing::TestParamInfo<PlainTextCase>& info) { return std::string(info.param.name); });

TEST(RtfPlainTextWriting, CharactersOutsideWindows1252BecomeQuestionMarks)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("Ω 😀 ä"));
    cursor.insertText(QString(QChar::LineSeparator) + QStringLiteral("neu"));
    EXPECT_EQ(writePlainText(document), QByteArray("? ? \xe4\r\nneu"));
}
