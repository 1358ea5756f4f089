#include "app/StartFiles.h"

#include "TestDirs.h"

#include <QFile>

#include <gtest/gtest.h>

using pelvaro::app::StartFiles;
using pelvaro::test::TestDirs;

TEST(StartFiles, TheSuffixDecidesWhatAStartFileIs)
{
    const struct
    {
        const char* path;
        StartFiles::Kind kind;
    } cases[] = {
        {"/home/anna/meine site.sit", StartFiles::Kind::SiteInfo},
        {"ALT.SIT", StartFiles::Kind::SiteInfo},
        {"/tmp/auswahl.Suc", StartFiles::Kind::Selection},
        {"bericht.rtf", StartFiles::Kind::Other},
        {"/home/anna/sit", StartFiles::Kind::Other},
        {"archiv.sit.bak", StartFiles::Kind::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StartFiles::kindOf(QString::fromUtf8(c.path)), c.kind) << c.path;
}

TEST(StartFiles, AFolderThatCannotBeWrittenIsNamedInOneMessage)
{
    const QString usable = TestDirs::root() + QStringLiteral("/neu/angelegt");
    EXPECT_FALSE(StartFiles::unwritableFolderProblem({usable}).has_value());
    EXPECT_TRUE(QFile::exists(usable)) << "a missing folder is created";

    // Below a plain file nothing can be created, not even by an administrator.
    QFile file(TestDirs::root() + QStringLiteral("/datei"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString blocked = file.fileName() + QStringLiteral("/.config");
    const auto problem = StartFiles::unwritableFolderProblem({usable, blocked});
    ASSERT_TRUE(problem.has_value());
    EXPECT_TRUE(problem->startsWith(QStringLiteral("Pelvaro! kann nicht starten")));
    EXPECT_TRUE(problem->contains(blocked));
    EXPECT_FALSE(problem->contains(usable));
}
