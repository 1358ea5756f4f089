// The pelvaro executable as a user starts it.
#include "CatalogueFixture.h"
#include "ProcessRunner.h"
#include "TestDirs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <gtest/gtest.h>

using pelvaro::test::binaryDir;
using pelvaro::test::runProgram;
using pelvaro::test::TestDirs;
using pelvaro::test::testEnvironment;

namespace {

class ProgramProcess : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pelvaro::test::installSampleCatalogue(TestDirs::programDir() + QStringLiteral("/daten"));
    }
};

} // namespace

TEST_F(ProgramProcess, ExitAfterStartRunsTheWholeStartAndShutdown)
{
    const auto result =
        runProgram(QStringLiteral("pelvaro"), {QStringLiteral("--exit-after-start")});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    QSettings ini(TestDirs::settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDTDT")).toString(), QStringLiteral("1"));
    EXPECT_TRUE(QDir(TestDirs::programDir() + QStringLiteral("/HTML")).exists());
}

TEST_F(ProgramProcess, ScreenshotsOfEveryPageAndWindow)
{
    const QString dir = TestDirs::root() + QStringLiteral("/shots");
    const auto result =
        runProgram(QStringLiteral("pelvaro"), {QStringLiteral("--screenshots"), dir});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    for (const char* name : {"main-TabSiteDescription", "main-TabMetaTags", "main-TabSelectEngine",
                             "main-TabAutoSubmit", "main-TabManuell", "main-TabStatusbericht",
                             "splash", "wait-notice", "help", "details", "keywords"}) {
        const QImage image(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
        EXPECT_FALSE(image.isNull()) << name;
    }
    const QImage main(dir + QStringLiteral("/main-TabSiteDescription.png"));
    EXPECT_GE(main.width(), 769);
    EXPECT_GE(main.height(), 544);
}

TEST_F(ProgramProcess, SecondInstanceEndsAtOnceWithoutAWord)
{
    QProcess first;
    first.setProcessEnvironment(testEnvironment());
    first.start(binaryDir() + QStringLiteral("/pelvaro"), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    // The first instance has taken its guard once its socket exists.
    const QString socket = TestDirs::runtimeDir() + QStringLiteral("/PREVINST_pelvaro.socket");
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(socket) && clock.elapsed() < 30000)
        QThread::msleep(20);
    ASSERT_TRUE(QFile::exists(socket));

    const auto second = runProgram(QStringLiteral("pelvaro"), {}, {}, 20000);
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.out.isEmpty());
    EXPECT_EQ(first.state(), QProcess::Running) << "the first instance goes on";

    first.terminate();
    if (!first.waitForFinished(10000))
        first.kill();
}
