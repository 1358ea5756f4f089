#include "app/StartupGuard.h"

#include "TestDirs.h"

#include <QFile>
#include <QSignalSpy>

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
