#include "reports/rtf/RtfCodec.h"

#include "RtfTestDocuments.h"

#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <random>

using namespace pelvaro::reports::rtf;

namespace {

// Whatever the reader made of a file, the writer must keep: reading its own output again gives
// the same text. A fault in either shows up as a difference, a crash or a sanitizer report.
void expectStableAfterReading(const QByteArray& input)
{
    QTextDocument first;
    readRtf(input, first);
    ASSERT_GE(first.blockCount(), 1);
    QTextDocument second;
    readRtf(writeRtf(first), second);
    ASSERT_EQ(paragraphText(second), paragraphText(first))
        << "input (" << input.size() << " bytes): " << input.toPercentEncoding().constData();
}

} // namespace

TEST(RtfRobustness, RandomBytesAndDamagedFilesAreReadWithoutHarm)
{
    std::mt19937 random(20240611);
    const auto below = [&random](int n) { return int(random() % unsigned(n)); };

    // Mostly the bytes that steer the reader, so the damage lands where it hurts.
    static const char syntax[] = "{}\\\\\\'*;-0123456789 \r\nabfiulpqrstxc\x80\xff";
    for (int i = 0; i < 1500; ++i) {
        QByteArray bytes(below(300), '\0');
        for (char& byte : bytes)
            byte = below(4) == 0 ? char(below(256)) : syntax[below(int(sizeof syntax) - 1)];
        expectStableAfterReading(bytes);
    }

    QTextDocument editor;
    pelvaro::reports::rtf::test::fillEditorDocument(editor);
    const QByteArray valid = writeRtf(editor);
    static const char* const insertions[] = {"{",    "}",     "\\",  "\\bin", "\\bin999999 ",
                                             "\\'",  "\\u",   "\\*", "\\par", "\\uc9",
                                             "\\u-", "\\pard"};
    for (int i = 0; i < 3000; ++i) {
        QByteArray damaged = valid;
        const int edits = 1 + below(6);
        for (int e = 0; e < edits; ++e) {
            const int at = below(int(damaged.size()) + 1);
            switch (below(4)) {
            case 0:
                damaged.truncate(at);
                break;
            case 1:
                if (at < damaged.size())
                    damaged[at] = char(below(256));
                break;
            case 2:
                damaged.insert(at, insertions[below(int(std::size(insertions)))]);
                break;
            default:
                damaged.remove(at, below(40));
                break;
            }
        }
        expectStableAfterReading(damaged);
    }
}

TEST(RtfRobustness, GroupsNestedBeyondTheLimitAreSkippedWithoutRecursion)
{
    struct Case
    {
        int depth;
        bool closed;
        const char* text;
    };
    const Case cases[] = {
        {MaxGroupDepth - 1, true, "innen aussen\n"},
        {MaxGroupDepth + 1, true, " aussen\n"},
        {200000, true, " aussen\n"},
        {1000000, false, "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        QByteArray rtf = "{\\rtf1 " + QByteArray(c.depth, '{') + "innen";
        if (c.closed)
            rtf += QByteArray(c.depth, '}') + " aussen}";
        QTextDocument document;
        readRtf(rtf, document);
        EXPECT_EQ(paragraphText(document).toStdString(), c.text);
    }
}

TEST(RtfRobustness, AnythingBeyondABinaryLengthEndsTheFile)
{
    // Lengths past the end, past int and past any number: none of them may wrap around.
    for (const QByteArray& length :
         {QByteArray("2147483647"), QByteArray("2147483648"), QByteArray("99999999999999999999")}) {
        QTextDocument document;
        readRtf("{\\rtf1 Text\\bin" + length + " {}\\par weg}", document);
        EXPECT_EQ(paragraphText(document).toStdString(), "Text\n") << length.constData();
    }
}

TEST(RtfRobustness, LargeReportIsReadCompletely)
{
    // 60,000 bullet lines, about 3 MB: every line arrives, in order, with its bullet. Read
    // naively, Qt's lists make this quadratic; the test would then run for minutes.
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}";
    const int lines = 60000;
    for (int i = 0; i < lines; ++i)
        rtf += "\\pard{\\*\\pn\\pnlvlblt}\\tx6000\\fs20 Dienst " + QByteArray::number(i) +
               "\\tab OK\\tab 200\\par\r\n";
    rtf += '}';
    QTextDocument document;
    readRtf(rtf, document);
    ASSERT_EQ(document.blockCount(), lines);
    EXPECT_EQ(document.lastBlock().text().toStdString(), "Dienst 59999\tOK\t200");
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        ASSERT_NE(block.textList(), nullptr) << block.blockNumber();
}
