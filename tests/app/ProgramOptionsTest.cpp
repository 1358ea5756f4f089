#include "app/ProgramOptions.h"

#include "base/SettingsStore.h"

#include "TestDirs.h"

#include <QFile>

#include <gtest/gtest.h>

using pelvaro::app::ProgramOptions;
using pelvaro::base::Settings;
using pelvaro::base::SettingsStore;
using pelvaro::test::TestDirs;
using Entries = ProgramOptions::Entries;
using LeaveAction = ProgramOptions::LeaveAction;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

// ---- The thread-count field's keystroke filter ----

struct KeyCase
{
    const char* text;
    bool selected;
    char16_t typed;
    bool passes;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"' << (c.selected ? " selected" : "") << " + U+" << std::hex
        << int(c.typed);
}

class ThreadKeyTest : public testing::TestWithParam<KeyCase>
{
};

TEST_P(ThreadKeyTest, PassesOrIsRefused)
{
    const KeyCase& c = GetParam();
    EXPECT_EQ(ProgramOptions::threadKeyPasses(s(c.text), c.selected, QChar(c.typed)), c.passes);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ThreadKeyTest,
    testing::Values(
        // Only digits, Backspace and Escape get in, with or without a selection.
        KeyCase{"", false, u'a', false}, KeyCase{"1", false, u' ', false},
        KeyCase{"1", false, u'-', false}, KeyCase{"", false, u'\r', false},
        KeyCase{"12", true, u'x', false}, KeyCase{"", false, u'\xff15', false}, // fullwidth 5
        // The appended candidate must stay within 1 to 24.
        KeyCase{"", false, u'2', true}, KeyCase{"2", false, u'4', true},
        KeyCase{"2", false, u'5', false}, KeyCase{"", false, u'0', false},
        KeyCase{"3", false, u'0', false}, KeyCase{"1", false, u'0', true},
        KeyCase{"0", false, u'7', true}, // "07" is 7
        // A third digit never, unless it replaces a selection, which is not checked at all.
        KeyCase{"12", false, u'3', false}, KeyCase{"24", false, u'0', false},
        KeyCase{"12", true, u'9', true}, KeyCase{"12", true, u'0', true},
        // Backspace and Escape make no number of the candidate and so always pass.
        KeyCase{"12", false, u'\b', true}, KeyCase{"", false, u'\b', true},
        KeyCase{"5", false, u'\x1b', true}, KeyCase{"99", false, u'\b', true}));

// ---- The check when the thread-count field is left ----

struct LeaveCase
{
    const char* text;
    LeaveAction action;
};

class ThreadLeaveTest : public testing::TestWithParam<LeaveCase>
{
};

TEST_P(ThreadLeaveTest, KeepsRefusesOrClears)
{
    EXPECT_EQ(ProgramOptions::threadLeaveCheck(s(GetParam().text)), GetParam().action)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ThreadLeaveTest,
    testing::Values(LeaveCase{"1", LeaveAction::Keep}, LeaveCase{"24", LeaveAction::Keep},
                    LeaveCase{"07", LeaveAction::Keep}, LeaveCase{"0", LeaveAction::RefuseNumber},
                    LeaveCase{"25", LeaveAction::RefuseNumber},
                    LeaveCase{"-3", LeaveAction::RefuseNumber},
                    LeaveCase{"123", LeaveAction::RefuseNumber}, LeaveCase{"", LeaveAction::Clear},
                    LeaveCase{"1a", LeaveAction::Clear},
                    LeaveCase{"99999999999", LeaveAction::Clear}));

// ---- Proxy choices ----

TEST(ProgramOptions, EachProxyChoiceHasItsEditStateAndAddress)
{
    const QString typedHost = QStringLiteral("cache.intern");
    const QString typedPort = QStringLiteral("3128");
    struct ChoiceCase
    {
        int choice;
        bool editsOpen;
        QString host;
        QString port;
    };
    const ChoiceCase cases[] = {
        {ProgramOptions::NoProxy, false, QString(), QString()},
        {ProgramOptions::AolProxy, false, ProgramOptions::aolProxyHost(), QStringLiteral("80")},
        {ProgramOptions::TOnlineProxy, false, ProgramOptions::tOnlineProxyHost(),
         QStringLiteral("80")},
        {ProgramOptions::OtherProxy, true, typedHost, typedPort},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.choice);
        EXPECT_EQ(ProgramOptions::proxyEditsEnabled(c.choice), c.editsOpen);
        EXPECT_EQ(ProgramOptions::focusesProxyHost(c.choice), c.editsOpen);
        EXPECT_EQ(ProgramOptions::proxyEditBackground(c.choice),
                  c.editsOpen ? ProgramOptions::EditBackground::Normal
                              : ProgramOptions::EditBackground::InactiveCaption);
        EXPECT_EQ(ProgramOptions::proxyFor(c.choice, typedHost, typedPort),
                  (ProgramOptions::ProxyAddress{c.host, c.port}));
    }
    EXPECT_FALSE(ProgramOptions::proxyFor(0, typedHost, typedPort));
    EXPECT_FALSE(ProgramOptions::proxyFor(5, typedHost, typedPort));

    // A preset must never send the user's traffic to somebody's real server.
    for (const QString& preset :
         {ProgramOptions::aolProxyHost(), ProgramOptions::tOnlineProxyHost()})
        EXPECT_TRUE(preset.endsWith(QStringLiteral(".example"))) << qPrintable(preset);
    EXPECT_NE(ProgramOptions::aolProxyHost(), ProgramOptions::tOnlineProxyHost());
}

// ---- Opening ----

TEST(ProgramOptions, OpeningShowsTheTypedProxyOnlyForAndere)
{
    Settings other = Settings::defaults();
    other.threadCount = 12;
    other.proxyChoice = ProgramOptions::OtherProxy;
    other.proxyHost = QStringLiteral("cache.intern");
    other.proxyPort = QStringLiteral("3128");
    other.overwriteReport = true;
    EXPECT_EQ(ProgramOptions::opening(other),
              (Entries{QStringLiteral("12"), 4, other.proxyHost, other.proxyPort, true}));

    Settings aol = other;
    aol.proxyChoice = ProgramOptions::AolProxy;
    aol.proxyHost = ProgramOptions::aolProxyHost();
    aol.proxyPort = QStringLiteral("80");
    EXPECT_EQ(ProgramOptions::opening(aol), (Entries{QStringLiteral("12"), 2, {}, {}, true}));

    // A choice the dialog does not know checks no button.
    Settings unknown = other;
    unknown.proxyChoice = 7;
    EXPECT_EQ(ProgramOptions::opening(unknown), (Entries{QStringLiteral("12"), 0, {}, {}, true}));
}

// A hand-edited settings file: the field shows only counts it would accept itself, the
// ones a run would use.
TEST(ProgramOptions, OpeningShowsASoundCountForAnyStoredOne)
{
    struct FileCase
    {
        QByteArray stored;
        QString shown;
    };
    const FileCase cases[] = {{"0", QStringLiteral("5")},
                              {"-4", QStringLiteral("5")},
                              {"99", QStringLiteral("24")},
                              {"zwölf", QStringLiteral("5")},
                              {"17", QStringLiteral("17")}};
    // One file per case: QSettings keeps what it read of a file and would not notice a
    // rewrite of the same size within the same instant.
    int index = 0;
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.stored.constData());
        const QString path = TestDirs::root() + QStringLiteral("/options-%1.ini").arg(++index);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Optionen]\nIDGlobAnzThreads=" + c.stored +
                   "\nIDGlobProxy=\nIDGlobProxyPort=\nIDProxyVorauswahl=1\n"
                   "IDBerichtUeberschreiben=0\nIDTDT=1\nIDNSDV=\n");
        file.close();
        SettingsStore store(path);
        ASSERT_TRUE(store.LoadSettings());
        const Entries shown = ProgramOptions::opening(store.settings());
        EXPECT_EQ(shown.threadCount, c.shown);
        EXPECT_TRUE(ProgramOptions::threadCount(shown.threadCount).has_value());
    }
}

// ---- OK ----

TEST(ProgramOptions, OkTakesTheEntriesOverByTheirChoice)
{
    const Settings before = Settings::defaults();
    struct OkCase
    {
        Entries entries;
        QString host;
        QString port;
    };
    const QString typedHost = QStringLiteral("cache.intern");
    const QString typedPort = QStringLiteral("3128");
    const OkCase cases[] = {
        {{QStringLiteral("12"), 4, typedHost, typedPort, true}, typedHost, typedPort},
        // Typed text left in the closed edits does not count.
        {{QStringLiteral("1"), 2, typedHost, typedPort, false},
         ProgramOptions::aolProxyHost(),
         QStringLiteral("80")},
        {{QStringLiteral("24"), 3, typedHost, typedPort, true},
         ProgramOptions::tOnlineProxyHost(),
         QStringLiteral("80")},
        {{QStringLiteral("7"), 1, typedHost, typedPort, false}, QString(), QString()},
        // "Andere" with nothing typed: no proxy for the run.
        {{QStringLiteral("5"), 4, QString(), QString(), false}, QString(), QString()},
    };
    for (const OkCase& c : cases) {
        SCOPED_TRACE(c.entries.proxyChoice);
        Settings after = before;
        ASSERT_TRUE(ProgramOptions::accept(c.entries, after));
        Settings expected = before;
        expected.threadCount = c.entries.threadCount.toInt();
        expected.proxyChoice = c.entries.proxyChoice;
        expected.proxyHost = c.host;
        expected.proxyPort = c.port;
        expected.overwriteReport = c.entries.overwriteReport;
        EXPECT_EQ(after, expected);
    }
}

TEST(ProgramOptions, OkWithoutACheckedChoiceLeavesTheProxyAlone)
{
    Settings settings = Settings::defaults();
    settings.proxyChoice = 7;
    settings.proxyHost = QStringLiteral("cache.intern");
    settings.proxyPort = QStringLiteral("3128");
    ASSERT_TRUE(ProgramOptions::accept({QStringLiteral("3"), 0, {}, {}, true}, settings));
    EXPECT_EQ(settings.threadCount, 3);
    EXPECT_EQ(settings.proxyChoice, 7);
    EXPECT_EQ(settings.proxyHost, QStringLiteral("cache.intern"));
    EXPECT_EQ(settings.proxyPort, QStringLiteral("3128"));
    EXPECT_TRUE(settings.overwriteReport);
}

// Without a count the dialog accepts, OK takes nothing over, the proxy included.
TEST(ProgramOptions, OkIsRefusedWithoutAnAcceptedCount)
{
    for (const char* text : {"", "0", "25", "abc"}) {
        SCOPED_TRACE(text);
        Settings settings = Settings::defaults();
        EXPECT_FALSE(ProgramOptions::accept(
            {s(text), 4, QStringLiteral("cache.intern"), QStringLiteral("3128"), true}, settings));
        EXPECT_EQ(settings, Settings::defaults());
    }
}
