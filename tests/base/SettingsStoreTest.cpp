#include "base/SettingsStore.h"

#include "TestDirs.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

using pelvaro::base::Settings;
using pelvaro::base::SettingsStore;
using pelvaro::test::TestDirs;

namespace {

QString iniPath()
{
    return TestDirs::root() + QStringLiteral("/cfg/Pelvaro.ini");
}

void writeIni(const QByteArray& content)
{
    QDir().mkpath(TestDirs::root() + QStringLiteral("/cfg"));
    QFile file(iniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray readIni()
{
    QFile file(iniPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray customIni = "[Optionen]\n"
                             "IDGlobAnzThreads=12\n"
                             "IDGlobProxy=proxy.example.net\n"
                             "IDGlobProxyPort=8080\n"
                             "IDProxyVorauswahl=4\n"
                             "IDBerichtUeberschreiben=1\n"
                             "IDTDT=0\n"
                             "IDNSDV=3.1\n";

Settings customSettings()
{
    Settings s;
    s.threadCount = 12;
    s.proxyHost = QStringLiteral("proxy.example.net");
    s.proxyPort = QStringLiteral("8080");
    s.proxyChoice = 4;
    s.overwriteReport = true;
    s.showTips = false;
    s.catalogueVersion = QStringLiteral("3.1");
    s.idleTimeLimit = 120; // not in the file: its default
    return s;
}

} // namespace

TEST(SettingsStore, FirstStartWritesTheDefaults)
{
    SettingsStore store(iniPath());
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_EQ(store.settings(), Settings::defaults());
    const Settings d = Settings::defaults();
    EXPECT_EQ(d.threadCount, 5);
    EXPECT_EQ(d.proxyChoice, 1);
    EXPECT_EQ(d.idleTimeLimit, 120);
    EXPECT_FALSE(d.overwriteReport);
    EXPECT_TRUE(d.showTips);
    EXPECT_TRUE(d.proxyHost.isEmpty() && d.proxyPort.isEmpty() && d.catalogueVersion.isEmpty());

    // Written back at once, all ten values.
    QSettings ini(iniPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDGlobAnzThreads")).toString(),
              QStringLiteral("5"));
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDProxyVorauswahl")).toString(),
              QStringLiteral("1"));
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDBerichtUeberschreiben")).toString(),
              QStringLiteral("0"));
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDTDT")).toString(), QStringLiteral("1"));
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDZeitlimit")).toString(), QStringLiteral("120"));
    EXPECT_TRUE(ini.contains(QStringLiteral("Optionen/IDUpdateServer")));
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDUpdateServer")).toString(), QString());
    EXPECT_TRUE(ini.contains(QStringLiteral("Optionen/IDZusatzZertifikate")));
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDZusatzZertifikate")).toString(), QString());
    EXPECT_TRUE(ini.contains(QStringLiteral("Optionen/IDWartezeiten")));
    EXPECT_EQ(ini.allKeys().size(), 11);
}

TEST(SettingsStore, ServiceWaitsSurviveTheFileWithTheirLineBreaksAndTabs)
{
    const QString waits = QStringLiteral("https://a.example/indexnow\t2026-03-01T13:00:00.000Z\n"
                                         "http://b.example/add.cgi\t2026-03-01T14:00:00.000Z");
    {
        SettingsStore store(iniPath());
        ASSERT_TRUE(store.LoadSettings());
        store.settings().serviceWaits = waits;
        ASSERT_TRUE(store.SaveSettings());
    }
    SettingsStore store(iniPath());
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_EQ(store.settings().serviceWaits, waits);
}

TEST(SettingsStore, ReadsStoredValuesAndWritesThemBackUnchanged)
{
    writeIni(customIni);
    SettingsStore store(iniPath());
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_EQ(store.settings(), customSettings());
    EXPECT_EQ(readIni(), customIni) << "nothing is written while every value is sound";

    store.settings().threadCount = 24;
    ASSERT_TRUE(store.SaveSettings());
    SettingsStore again(iniPath());
    ASSERT_TRUE(again.LoadSettings());
    EXPECT_EQ(again.settings().threadCount, 24);
    EXPECT_EQ(again.settings().proxyHost, QStringLiteral("proxy.example.net"));
}

struct BrokenValueCase
{
    const char* name;
    QByteArray replace; // the line of customIni to change
    QByteArray with;    // its new text; empty: the line is dropped
    bool resetsAll;
};

class SettingsStoreBrokenValue : public ::testing::TestWithParam<BrokenValueCase>
{
};

TEST_P(SettingsStoreBrokenValue, ResetsEverythingOrOnlyReadsEmpty)
{
    const BrokenValueCase& c = GetParam();
    QByteArray ini = customIni;
    ini.replace(c.replace, c.with);
    writeIni(ini);

    SettingsStore store(iniPath());
    ASSERT_TRUE(store.LoadSettings());
    if (c.resetsAll) {
        // A thread count of 12 returns to 5 with the rest, and the defaults are written.
        EXPECT_EQ(store.settings(), Settings::defaults());
        SettingsStore reread(iniPath());
        ASSERT_TRUE(reread.LoadSettings());
        EXPECT_EQ(reread.settings(), Settings::defaults());
    } else {
        Settings expected = customSettings();
        expected.proxyHost.clear();
        EXPECT_EQ(store.settings(), expected);
        EXPECT_EQ(readIni(), ini) << "a missing text is no reason to write";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsStoreBrokenValue,
    ::testing::Values(
        BrokenValueCase{"TipsMissing", "IDTDT=0\n", "", true},
        BrokenValueCase{"ThreadsNotANumber", "IDGlobAnzThreads=12", "IDGlobAnzThreads=zwölf", true},
        BrokenValueCase{"ThreadsTooLarge", "IDGlobAnzThreads=12", "IDGlobAnzThreads=4294967296",
                        true},
        BrokenValueCase{"ChoiceMissing", "IDProxyVorauswahl=4\n", "", true},
        BrokenValueCase{"ReportFlagEmpty", "IDBerichtUeberschreiben=1",
                        "IDBerichtUeberschreiben=", true},
        // A comma list is not a text in the INI format.
        BrokenValueCase{"VersionIsAList", "IDNSDV=3.1", "IDNSDV=3, 1", true},
        BrokenValueCase{"ProxyHostMissing", "IDGlobProxy=proxy.example.net\n", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

// The time limit came after the original seven: a file without it, or with a senseless
// value, keeps everything else and only takes the default limit.
TEST(SettingsStore, TimeLimitFallsBackAloneAndIsKeptWhenSound)
{
    const struct
    {
        QByteArray line;
        int expected;
    } cases[] = {{"", 120},
                 {"IDZeitlimit=30\n", 30},
                 {"IDZeitlimit=0\n", 0},
                 {"IDZeitlimit=-5\n", 120},
                 {"IDZeitlimit=lange\n", 120}};
    for (const auto& c : cases) {
        writeIni(customIni + c.line);
        SettingsStore store(iniPath());
        ASSERT_TRUE(store.LoadSettings());
        Settings expected = customSettings();
        expected.idleTimeLimit = c.expected;
        EXPECT_EQ(store.settings(), expected) << c.line.constData();
        EXPECT_EQ(readIni(), customIni + c.line) << "no reason to write";
    }
}

TEST(SettingsStore, YesNoValuesReadAsYesWhenNotZero)
{
    QByteArray ini = customIni;
    ini.replace("IDTDT=0", "IDTDT=7");
    writeIni(ini);
    SettingsStore store(iniPath());
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_TRUE(store.settings().showTips);
    EXPECT_EQ(store.settings().threadCount, 12);
}

TEST(SettingsStore, UnreadableLocationFailsAndWritesNothing)
{
    // The settings folder is taken by a file: the location can be neither read nor made.
    QFile blocker(TestDirs::root() + QStringLiteral("/cfg"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store(iniPath());
    EXPECT_FALSE(store.LoadSettings());
    EXPECT_EQ(store.settings(), Settings()) << "every field zero or empty";
    EXPECT_FALSE(store.SaveSettings());

    // The settings file itself is a folder.
    const QString dirAsFile = TestDirs::root() + QStringLiteral("/cfg2/Pelvaro.ini");
    QDir().mkpath(dirAsFile);
    SettingsStore second(dirAsFile);
    EXPECT_FALSE(second.LoadSettings());
    EXPECT_FALSE(second.SaveSettings());
}

TEST(SettingsStore, DefaultFileLivesInTheUserConfigFolder)
{
    EXPECT_EQ(SettingsStore::defaultFilePath(),
              TestDirs::root() + QStringLiteral("/config/Trevanix GmbH/Pelvaro! 1.6.1.ini"));
}
