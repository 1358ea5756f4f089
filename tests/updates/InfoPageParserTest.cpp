#include "updates/InfoPageParser.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "base/Error.h"
#include "base/SettingsStore.h"
#include "updates/LoopTransferDisplay.h"
#include "updates/TWebFileInfo.h"
#include "updates/TransferProgress.h"
#include "updates/UpdateSequence.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace pelvaro::updates;

namespace {

struct TagCase
{
    const char* line;
    const char* name; // nullptr: the line holds no tag
    const char* value;
};

class TagOfLine : public ::testing::TestWithParam<TagCase>
{
};

TEST_P(TagOfLine, ReadsTheFirstTagOfALineByItsLetterCaseRules)
{
    const TagCase& c = GetParam();
    const std::optional<InfoPageParser::Tag> tag =
        InfoPageParser::tagOfLine(QString::fromUtf8(c.line));
    if (!c.name) {
        EXPECT_FALSE(tag.has_value()) << c.line;
        return;
    }
    ASSERT_TRUE(tag.has_value()) << c.line;
    EXPECT_EQ(tag->name, QString::fromUtf8(c.name));
    EXPECT_EQ(tag->value, QString::fromUtf8(c.value));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TagOfLine,
    ::testing::Values(
        TagCase{R"(<META HTTP-EQUIV="version" CONTENT="3.0">)", "version", "3.0"},
        TagCase{R"(<meta http-equiv="version" CONTENT="3.0">)", "version", "3.0"},
        TagCase{R"(  <Meta Http-Equiv="url" CONTENT="http://h/a b.deb"> trailing)", "url",
                "http://h/a b.deb"},
        // CONTENT only in capitals.
        TagCase{R"(<META HTTP-EQUIV="version" content="3.0">)", nullptr, nullptr},
        TagCase{R"(<META HTTP-EQUIV="version" Content="3.0">)", nullptr, nullptr},
        // The equals sign and the quote right after HTTP-EQUIV.
        TagCase{R"(<META HTTP-EQUIV = "version" CONTENT="3.0">)", nullptr, nullptr},
        TagCase{R"(<META HTTP-EQUIV=version CONTENT="3.0">)", nullptr, nullptr},
        TagCase{R"(<META NAME="version" CONTENT="3.0">)", nullptr, nullptr},
        TagCase{R"(<META HTTP-EQUIV="version" CONTENT="3.0)", nullptr, nullptr},
        // Only the first tag of a line counts.
        TagCase{R"(<META HTTP-EQUIV="version" CONTENT="3.0"><META HTTP-EQUIV="url" CONTENT="x">)",
                "version", "3.0"},
        TagCase{R"(<META HTTP-EQUIV="datum" CONTENT="">)", "datum", ""}));

TEST(InfoPage, TagNamesMatchExactlyAndLaterLinesOverride)
{
    const QString page = QStringLiteral("<html><head>\r\n"
                                        "<META HTTP-EQUIV=\"Version\" CONTENT=\"9.9\">\r\n"
                                        "<META HTTP-EQUIV=\"version\" CONTENT=\"3.0\">\r\n"
                                        "<META HTTP-EQUIV=\"produkt\" CONTENT=\"Pelvaro!\">\r\n"
                                        "<META HTTP-EQUIV=\"version\" CONTENT=\"3.1\">\r\n"
                                        "<META HTTP-EQUIV=\"url\" CONTENT=\"http://h/k.tar.gz\">\n"
                                        "<META HTTP-EQUIV=\"datum\" CONTENT=\"Dec 07, 2026\">\n"
                                        "<META HTTP-EQUIV=\"autor\" CONTENT=\"Trevanix\">\n"
                                        "<META HTTP-EQUIV=\"info\" CONTENT=\"http://h/i.txt\">\n"
                                        "<META HTTP-EQUIV=\"parameter\" CONTENT=\"/S\">\n"
                                        "<META HTTP-EQUIV=\"umleitung\" CONTENT=\"http://h/x\">\n"
                                        "</head></html>");
    InfoValues expected;
    expected.ProductName = QStringLiteral("Pelvaro!");
    expected.ProductVersion = QStringLiteral("3.1");
    expected.DownloadURL = QStringLiteral("http://h/k.tar.gz");
    expected.ProductDateStr = QStringLiteral("Dec 07, 2026");
    expected.ProductAuthor = QStringLiteral("Trevanix");
    expected.ProductReadMe = QStringLiteral("http://h/i.txt");
    expected.RunParams = QStringLiteral("/S");
    EXPECT_EQ(InfoPageParser::parse(page, TWfiTags()), expected);

    // A tag with an empty name is not read; a named redirect tag is.
    TWfiTags tags;
    tags.VersionTag.clear();
    tags.RedirectTag = QStringLiteral("umleitung");
    expected.ProductVersion.clear();
    expected.Redirect = QStringLiteral("http://h/x");
    EXPECT_EQ(InfoPageParser::parse(page, tags), expected);
}

TEST(InfoPage, DatesInTheMonthDayYearForm)
{
    EXPECT_EQ(InfoPageParser::parseDate(QStringLiteral("Dec 07, 2026")), QDate(2026, 12, 7));
    EXPECT_EQ(InfoPageParser::parseDate(QStringLiteral("jan 31, 2027")), QDate(2027, 1, 31));
    EXPECT_EQ(InfoPageParser::parseDate(QStringLiteral("FEB 28, 2025")), QDate(2025, 2, 28));
    EXPECT_EQ(InfoPageParser::parseDate(QStringLiteral("Sep 1 09,  1999")), QDate(1999, 9, 9));
    for (const char* bad : {"07.12.2026", "Dez 07, 2026", "Dec 7, 2026", "Dec 07 2026",
                            "Dec 32, 2026", "Feb 29, 2025", "Dec 07, 26", "ANF 07, 2026", "x"}) {
        EXPECT_THROW(InfoPageParser::parseDate(QString::fromUtf8(bad)), pelvaro::Error) << bad;
    }
}

struct VersionCase
{
    const char* installed;
    const char* offered;
    bool newer;
};

class NewerVersion : public ::testing::TestWithParam<VersionCase>
{
};

TEST_P(NewerVersion, ComparesPartByPart)
{
    const VersionCase& c = GetParam();
    EXPECT_EQ(TWebFileInfo::IsNewerVersion(QString::fromUtf8(c.installed),
                                           QString::fromUtf8(c.offered),
                                           TWebFileInfoVersionFormat::wfivBuildNumber),
              c.newer)
        << c.installed << " / " << c.offered;
}

INSTANTIATE_TEST_SUITE_P(
    BuildNumbers, NewerVersion,
    ::testing::Values(VersionCase{"1.6.1", "1.6.2", true}, VersionCase{"2.9", "2.9.1", false},
                      VersionCase{"1.6.1", "1.6", true}, VersionCase{"2.9", "3.0", true},
                      VersionCase{"2.9", "2.10", true}, VersionCase{"3.0", "2.9", false},
                      VersionCase{"2.9", "2.9", false}, VersionCase{"2.9", "", false},
                      VersionCase{"", "1", true}, VersionCase{"1.x", "1.1", true},
                      VersionCase{"1.6.1", "1.6.1.1", false}));

TEST(NewerVersion, SimpleStringsSortAsText)
{
    const auto newer = [](const char* c, const char* p) {
        return TWebFileInfo::IsNewerVersion(QString::fromUtf8(c), QString::fromUtf8(p),
                                            TWebFileInfoVersionFormat::wfivSimpleString);
    };
    EXPECT_TRUE(newer("2026a", "2026b"));
    EXPECT_FALSE(newer("2026b", "2026a"));
    EXPECT_FALSE(newer("2.9", "2.9"));
    EXPECT_FALSE(newer("2.9", "2.10")); // as text, "2.1" sorts before "2.9"
}

TEST(WebFileInfo, HomeUrlTakesOnlyHttpAddressesAndForgetsTheLastFetch)
{
    pelvaro::test::ScriptedUiServices ui;
    LoopTransferDisplay display;
    TWebFileInfo info(ui, display);
    info.setHomeURL(QStringLiteral("http://a/x.html"));
    EXPECT_EQ(info.HomeURL(), QStringLiteral("http://a/x.html"));
    for (const char* ignored : {"", "http:/", "https://a/x.html", "ftp://a/x", "www.a.de"}) {
        info.setHomeURL(QString::fromUtf8(ignored));
        EXPECT_EQ(info.HomeURL(), QStringLiteral("http://a/x.html")) << ignored;
    }
    info.setHomeURL(QStringLiteral("HTTP://"));
    EXPECT_EQ(info.HomeURL(), QStringLiteral("HTTP://"));

    info.setOptions(wfioRunUpdate);
    EXPECT_EQ(info.Options(), wfioRunUpdate | wfioDisplayUI);
}

TEST(WebFileInfo, ProposedFileNamesAreTheAddressesLastPartMadeSafe)
{
    const QString fallback = QStringLiteral("update.deb");
    const std::pair<const char*, const char*> cases[] = {
        {"http://h/files/pelvaro_1.7.0.deb", "pelvaro_1.7.0.deb"},
        {"http://h/files/k.tar.gz?session=1#top", "k.tar.gz"},
        {"http://h/a/../../etc/passwd", "passwd"},
        {"http://h/dl/..%2F..%2F.bashrc", "bashrc"},
        {"http://h/dl/..", "update.deb"},
        {"http://h/dl/...", "update.deb"},
        {"http://h/dl/", "update.deb"},
        {"http://h", "update.deb"},
        {"", "update.deb"},
        {"http://h/dl/a%0D%0Ab%09c.deb", "abc.deb"},
        {"http://h/dl/C:%5Cwin%5Csetup.exe", "setup.exe"},
        {"http://h/dl/Katalog%20neu.tar.gz", "Katalog neu.tar.gz"},
    };
    for (const auto& [url, name] : cases)
        EXPECT_EQ(TWebFileInfo::safeFileName(QString::fromUtf8(url), fallback),
                  QString::fromUtf8(name))
            << url;
}

TEST(WebFileInfo, TheChosenFilterLineGivesTheExtension)
{
    const QStringList lines = TWebFileInfo::saveFilterLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(TWebFileInfo::extensionForFilter(lines.at(0)), QStringLiteral(".deb"));
    EXPECT_EQ(TWebFileInfo::extensionForFilter(lines.at(1)), QStringLiteral(".tar.gz"));
    EXPECT_EQ(TWebFileInfo::extensionForFilter(lines.at(2)), QString());
    EXPECT_EQ(TWebFileInfo::extensionForFilter(QString()), QStringLiteral(".deb"));
}

TEST(TransferProgress, GroupsDigitsAndOnlyMovesForward)
{
    EXPECT_EQ(TransferProgress::groupedNumber(0), QStringLiteral("0"));
    EXPECT_EQ(TransferProgress::groupedNumber(999), QStringLiteral("999"));
    EXPECT_EQ(TransferProgress::groupedNumber(1000), QStringLiteral("1,000"));
    EXPECT_EQ(TransferProgress::groupedNumber(1234567), QStringLiteral("1,234,567"));
    EXPECT_EQ(TransferProgress::groupedNumber(104857600), QStringLiteral("104,857,600"));
    EXPECT_EQ(TransferProgress::label(1234, 1234567),
              QStringLiteral("1,234 von 1,234,567 Bytes empfangen."));
    // No announced size: the bytes alone, and the bar stays.
    EXPECT_EQ(TransferProgress::label(1234567, -1), QStringLiteral("1,234,567 Bytes empfangen."));
    EXPECT_EQ(TransferProgress::barPosition(0, 1234567, -1), 0);
    EXPECT_EQ(TransferProgress::barPosition(0, 0, 0), 0);
    EXPECT_EQ(TransferProgress::barPosition(0, 199, 200), 99);
    EXPECT_EQ(TransferProgress::barPosition(40, 10, 100), 40);
    EXPECT_EQ(TransferProgress::barPosition(40, 100, 100), 100);
    EXPECT_EQ(TransferProgress::barPosition(0, qint64(5) << 40, qint64(10) << 40), 50);
}

TEST(UpdateServer, EmptyMeansTheBuiltInExampleHost)
{
    EXPECT_EQ(UpdateSequence::serverBase(QString()),
              QStringLiteral("http://aktualisierung.pelvaro.example"));
    EXPECT_EQ(UpdateSequence::serverBase(QStringLiteral(" http://127.0.0.1:8080/ ")),
              QStringLiteral("http://127.0.0.1:8080"));
}

TEST(UpdateServer, AMissingSettingTakesOnlyItsOwnDefault)
{
    const QString path = pelvaro::test::TestDirs::settingsFile();
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Optionen]\nIDGlobAnzThreads=7\nIDGlobProxy=\nIDGlobProxyPort=\n"
                   "IDProxyVorauswahl=1\nIDBerichtUeberschreiben=0\nIDTDT=0\nIDNSDV=3.0\n");
    }
    pelvaro::base::SettingsStore store(path);
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_EQ(store.settings().threadCount, 7);
    EXPECT_EQ(store.settings().catalogueVersion, QStringLiteral("3.0"));
    EXPECT_EQ(store.settings().updateServer, QString());

    store.settings().updateServer = QStringLiteral("http://127.0.0.1:8080");
    ASSERT_TRUE(store.SaveSettings());
    pelvaro::base::SettingsStore again(path);
    ASSERT_TRUE(again.LoadSettings());
    EXPECT_EQ(again.settings().updateServer, QStringLiteral("http://127.0.0.1:8080"));
    EXPECT_EQ(again.settings().threadCount, 7);
}

} // namespace
