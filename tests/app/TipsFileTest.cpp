// The tips file: its rotation over openings, its encodings and its failures.
#include "app/TipsFile.h"
#include "app/AboutInfo.h"

#include "base/Error.h"
#include "base/Windows1252.h"

#include "TestDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using pelvaro::app::AboutInfo;
using pelvaro::app::TipsFile;
using pelvaro::test::TestDirs;

namespace {

QString tipsPath()
{
    return TestDirs::programDir() + QStringLiteral("/tips.txt");
}

void writeBytes(const QByteArray& bytes)
{
    QFile file(tipsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readBytes()
{
    QFile file(tipsPath());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// One opening of the tip window: the tip shown first, `nexts` presses of "Nächster Tip",
// then OK. Returns the tips shown, in order.
QStringList opening(int nexts)
{
    TipsFile tips = TipsFile::load(tipsPath());
    QStringList shown{tips.current()};
    for (int i = 0; i < nexts; ++i) {
        tips.next();
        shown << tips.current();
    }
    tips.finish();
    return shown;
}

QByteArray highBytesLine()
{
    QByteArray line("x");
    for (int b = 0x80; b <= 0xff; ++b)
        line.append(char(b));
    return line;
}

QString highBytesTip()
{
    return pelvaro::base::Windows1252::decode(highBytesLine());
}

QByteArray highBytesFile()
{
    return highBytesLine() + "\r\nB\r\n";
}

struct RotationCase
{
    const char* name;
    QByteArray file;
    int nexts;
    QStringList shown;
    QByteArray after;
};

class TipsRotation : public testing::TestWithParam<RotationCase>
{
};

} // namespace

TEST_P(TipsRotation, OpeningsRotateTheFile)
{
    const RotationCase& c = GetParam();
    writeBytes(c.file);
    EXPECT_EQ(opening(c.nexts), c.shown);
    EXPECT_EQ(readBytes(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    TipsFile, TipsRotation,
    testing::Values(
        RotationCase{"OkAlone", "A\r\nB\r\nC\r\n", 0, {QStringLiteral("A")}, "B\r\nC\r\nA\r\n"},
        RotationCase{"NextTwiceThenOk",
                     "A\r\nB\r\nC\r\n",
                     2,
                     {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
                     "A\r\nB\r\nC\r\n"},
        RotationCase{"OneLine",
                     "Nur einer\r\n",
                     1,
                     {QStringLiteral("Nur einer"), QStringLiteral("Nur einer")},
                     "Nur einer\r\n"},
        // Windows-1252 stays Windows-1252; blank lines are no tips.
        RotationCase{"Windows1252AndBlankLines",
                     "Gr\xfc\xdf Gott\r\n\r\nZweiter\r\n",
                     0,
                     {QString::fromUtf8("Grüß Gott")},
                     "Zweiter\r\nGr\xfc\xdf Gott\r\n"},
        // Every byte above ASCII, the five the code page leaves undefined included, comes
        // back as it was.
        RotationCase{"EveryHighByteSurvives",
                     highBytesFile(),
                     0,
                     {highBytesTip()},
                     "B\r\n" + highBytesLine() + "\r\n"},
        // A file saved by a modern editor keeps its encoding and its line ends.
        RotationCase{"Utf8WithUnixLineEnds",
                     "Gr\xc3\xbc\xc3\x9f Gott\nZweiter\n",
                     0,
                     {QString::fromUtf8("Grüß Gott")},
                     "Zweiter\nGr\xc3\xbc\xc3\x9f Gott\n"},
        RotationCase{"Utf8ByteOrderMark",
                     "\xef\xbb\xbf\xc3\xa4\r\nb\r\n",
                     0,
                     {QString::fromUtf8("ä")},
                     "\xef\xbb\xbf"
                     "b\r\n\xc3\xa4\r\n"}),
    [](const testing::TestParamInfo<RotationCase>& info) { return std::string(info.param.name); });

TEST(TipsFile, TheNextOpeningStartsWithTheFollowingTip)
{
    writeBytes("A\r\nB\r\nC\r\n");
    EXPECT_EQ(opening(0), QStringList{QStringLiteral("A")});
    EXPECT_EQ(opening(0), QStringList{QStringLiteral("B")});
    EXPECT_EQ(opening(1), (QStringList{QStringLiteral("C"), QStringLiteral("A")}));
    EXPECT_EQ(opening(0), QStringList{QStringLiteral("B")});
}

TEST(TipsFile, FailuresNameTheFileAndChangeNothing)
{
    QFile::remove(tipsPath());
    try {
        TipsFile::load(tipsPath());
        ADD_FAILURE() << "a missing file was read";
    } catch (const pelvaro::Error& e) {
        EXPECT_EQ(e.message(), TipsFile::missingText(tipsPath()));
    }

    for (const QByteArray& empty : {QByteArray(), QByteArray("\r\n  \r\n")}) {
        writeBytes(empty);
        try {
            TipsFile::load(tipsPath());
            ADD_FAILURE() << "an empty file was read";
        } catch (const pelvaro::Error& e) {
            EXPECT_EQ(e.message(), TipsFile::emptyText(tipsPath()));
        }
        EXPECT_EQ(readBytes(), empty);
    }

    // A file that cannot be replaced any more when OK is pressed (here a folder took its
    // place, which stops root as well): reported, and what is there stays.
    writeBytes("A\r\nB\r\n");
    TipsFile tips = TipsFile::load(tipsPath());
    ASSERT_TRUE(QFile::remove(tipsPath()));
    ASSERT_TRUE(QDir().mkpath(tipsPath() + QStringLiteral("/inhalt")));
    EXPECT_THROW(tips.finish(), pelvaro::Error);
    EXPECT_TRUE(QFileInfo(tipsPath() + QStringLiteral("/inhalt")).isDir());
    QDir(tipsPath()).removeRecursively();
}

TEST(AboutInfo, VersionLineAndCentring)
{
    EXPECT_EQ(AboutInfo::versionLine(QString()),
              QStringLiteral("Programmversion: 1.6.1    Datenbankversion: 2.9"));
    EXPECT_EQ(AboutInfo::versionLine(QStringLiteral("3.0")),
              QStringLiteral("Programmversion: 1.6.1    Datenbankversion: 3.0"));
    EXPECT_EQ(AboutInfo::centredLeft(400, 301), 49);
    // Wider than the window: truncated toward zero, not rounded down.
    EXPECT_EQ(AboutInfo::centredLeft(100, 103), -1);
    EXPECT_EQ(AboutInfo::centredLeft(100, 105), -2);
}
