#include "app/StartupGuard.h"

#include "TestDirs.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using pelvaro::app::StartupGuard;
using pelvaro::test::TestDirs;

TEST(StartupGuard, SecondInstanceIsRefusedAndWakesTheFirst)
{
    StartupGuard first(QStringLiteral("pelvaro"), TestDirs::runtimeDir());
    ASSERT_TRUE(first.acquire());
    EXPECT_EQ(first.name(), QStringLiteral("PREVINST:pelvaro"));
    QSignalSpy woken(&first, &StartupGuard::activationRequested);

    StartupGuard second(QStringLiteral("pelvaro"), TestDirs::runtimeDir());
    EXPECT_FALSE(second.acquire());
    EXPECT_FALSE(second.isFirstInstance());
    EXPECT_TRUE(woken.count() > 0 || woken.wait(3000));

    // Another program name is another program.
    StartupGuard other(QStringLiteral("anderes"), TestDirs::runtimeDir());
    EXPECT_TRUE(other.acquire());
}

TEST(StartupGuard, LeftoversOfADeadInstanceDoNotBlock)
{
    {
        StartupGuard gone(QStringLiteral("pelvaro"), TestDirs::runtimeDir());
        ASSERT_TRUE(gone.acquire());
    }
    // A socket file without a listener, as a crash leaves it.
    QFile stale(TestDirs::runtimeDir() + QStringLiteral("/PREVINST_pelvaro.socket"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    StartupGuard next(QStringLiteral("pelvaro"), TestDirs::runtimeDir());
    ASSERT_TRUE(next.acquire());
    QSignalSpy woken(&next, &StartupGuard::activationRequested);
    StartupGuard later(QStringLiteral("pelvaro"), TestDirs::runtimeDir());
    EXPECT_FALSE(later.acquire());
    EXPECT_TRUE(woken.count() > 0 || woken.wait(3000));
}

// A double-click on a file while the program runs: the file goes to the running program,
// named absolutely, whatever its name holds, and before the window comes forward.
TEST(StartupGuard, ALaterStartHandsItsFileToTheFirst)
{
    StartupGuard first(QStringLiteral("pelvaro"), TestDirs::runtimeDir());
    ASSERT_TRUE(first.acquire());
    QStringList events;
    QObject::connect(&first, &StartupGuard::fileHandedOver,
                     [&events](const QString& path) { events << path; });
    QObject::connect(&first, &StartupGuard::activationRequested,
                     [&events] { events << QStringLiteral("activate"); });

    const QString odd = QStringLiteral("Site mit\nZeilenumbruch, Ümlaut & \"open \".sit");
    StartupGuard second(QStringLiteral("pelvaro"), TestDirs::runtimeDir());
    EXPECT_FALSE(second.acquire(odd));
    ASSERT_TRUE(QTest::qWaitFor([&events] { return events.size() >= 2; }, 5000));
    EXPECT_EQ(events,
              (QStringList{QDir::current().absoluteFilePath(odd), QStringLiteral("activate")}));
}

// A runtime folder that cannot be made (a broken XDG_RUNTIME_DIR) used to end every start
// silently as if another instance ran.
TEST(StartupGuard, AnUnusableRuntimeFolderStillLetsOneInstanceRun)
{
    QFile blocker(TestDirs::root() + QStringLiteral("/not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString broken = blocker.fileName() + QStringLiteral("/runtime");

    StartupGuard first(QStringLiteral("pelvaro-kaputt"), broken);
    ASSERT_TRUE(first.acquire());
    EXPECT_NE(first.directory(), broken);
    QSignalSpy woken(&first, &StartupGuard::activationRequested);
    StartupGuard second(QStringLiteral("pelvaro-kaputt"), broken);
    EXPECT_FALSE(second.acquire()) << "both find the same fallback folder";
    EXPECT_TRUE(woken.count() > 0 || woken.wait(3000));
}
