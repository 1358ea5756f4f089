#include "base/ProgramPaths.h"

#include "TestDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using pelvaro::base::ProgramPaths;
using pelvaro::test::TestDirs;

namespace {

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(ProgramPaths, ChoosesHomeThenExecutableDirectoryThenUserData)
{
    const QString root = TestDirs::root();
    const QString exe = root + QStringLiteral("/exe");
    const QString user = root + QStringLiteral("/user");
    QDir().mkpath(exe);

    // The executable's folder counts only once it holds a catalogue folder.
    EXPECT_EQ(ProgramPaths::resolve({}, exe, user).programDirectory(), user);
    QDir().mkpath(exe + QStringLiteral("/daten"));
    EXPECT_EQ(ProgramPaths::resolve({}, exe, user).programDirectory(), exe);
    EXPECT_EQ(ProgramPaths::resolve(root + QStringLiteral("/home/"), exe, user).programDirectory(),
              root + QStringLiteral("/home"));

    const ProgramPaths paths(root + QStringLiteral("/p"));
    EXPECT_EQ(paths.dataDirectory(), root + QStringLiteral("/p/daten"));
    EXPECT_EQ(paths.answerPageDirectory(), root + QStringLiteral("/p/HTML"));
    EXPECT_EQ(paths.tipsFile(), root + QStringLiteral("/p/tips.txt"));
}

TEST(ProgramPaths, EnvironmentVariableNamesTheHome)
{
    EXPECT_EQ(ProgramPaths::fromEnvironment().programDirectory(), TestDirs::programDir());
    EXPECT_EQ(ProgramPaths::fromEnvironment(TestDirs::root()).programDirectory(), TestDirs::root());
}

TEST(ProgramPaths, CreatesMissingFoldersAndReportsThoseThatCannotBe)
{
    const ProgramPaths fresh(TestDirs::root() + QStringLiteral("/fresh"));
    EXPECT_TRUE(fresh.ensureDirectories().isEmpty());
    EXPECT_TRUE(QFileInfo(fresh.dataDirectory()).isDir());
    EXPECT_TRUE(QFileInfo(fresh.answerPageDirectory()).isDir());
    EXPECT_TRUE(fresh.ensureDirectories().isEmpty()) << "existing folders are fine";

    // A file where a folder belongs cannot be replaced by one.
    const ProgramPaths blockedData(TestDirs::root() + QStringLiteral("/a"));
    QDir().mkpath(blockedData.programDirectory());
    touch(blockedData.dataDirectory());
    EXPECT_EQ(blockedData.ensureDirectories(),
              QStringList{QStringLiteral("Fehler-Nr. 219910 - Anwendung wird beendet!")});
    EXPECT_TRUE(QFileInfo(blockedData.answerPageDirectory()).isDir());

    const ProgramPaths blockedBoth(TestDirs::root() + QStringLiteral("/b"));
    QDir().mkpath(blockedBoth.programDirectory());
    touch(blockedBoth.dataDirectory());
    touch(blockedBoth.answerPageDirectory());
    EXPECT_EQ(blockedBoth.ensureDirectories(),
              (QStringList{QStringLiteral("Fehler-Nr. 219910 - Anwendung wird beendet!"),
                           QStringLiteral("Fehler-Nr. 09910 - Anwendung wird beendet!")}));
}

TEST(ProgramPaths, FirstStartSeedsTheUserFolderFromTheInstallation)
{
    const QString installed = TestDirs::root() + QStringLiteral("/share/pelvaro/daten");
    QDir().mkpath(installed);
    touch(installed + QStringLiteral("/pelvarodaten.db"));
    touch(installed + QStringLiteral("/weitere.dat"));
    touch(installed + QStringLiteral("/../tips.txt"));
    const ProgramPaths paths(TestDirs::root() + QStringLiteral("/user"));
    ASSERT_TRUE(paths.ensureDirectories().isEmpty());
    EXPECT_EQ(paths.seedDataDirectory(installed), 3);
    EXPECT_TRUE(QFileInfo(paths.dataDirectory() + QStringLiteral("/pelvarodaten.db")).isWritable());
    EXPECT_TRUE(QFileInfo(paths.tipsFile()).isWritable()) << "the tip window rewrites it";
    // The user's own catalogue is never replaced.
    EXPECT_EQ(paths.seedDataDirectory(installed), 0);
    EXPECT_EQ(paths.seedDataDirectory(TestDirs::root() + QStringLiteral("/gibtsnicht")), 0);
}
