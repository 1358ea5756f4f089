// The pelvaro executable as a user starts it.
#include "CatalogueFixture.h"
#include "ProcessRunner.h"
#include "TestDirs.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QTest>

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

// Colours in the picture, counted up to a few: a blank grab has one.
int coloursIn(const QImage& image)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height() && seen.size() < 4; y += 3)
        for (int x = 0; x < image.width() && seen.size() < 4; x += 3)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

} // namespace

TEST_F(ProgramProcess, ExitAfterStartRunsTheWholeStartAndShutdown)
{
    const auto result =
        runProgram(QStringLiteral("pelvaro"), {QStringLiteral("--exit-after-start")});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    QSettings ini(TestDirs::settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDTDT")).toString(), QStringLiteral("1"));
    EXPECT_TRUE(QDir(TestDirs::programDir() + QStringLiteral("/HTML")).exists());
}

// A smoke test must never wait for a person: every box goes to standard error with the
// answer it got.
TEST_F(ProgramProcess, ExitAfterStartWritesItsBoxesAndTellsAFailedStart)
{
    const QString data = TestDirs::programDir() + QStringLiteral("/daten");
    ASSERT_TRUE(QDir(data).removeRecursively());
    pelvaro::test::createCatalogue(data, {pelvaro::test::engine(1, QStringLiteral("Eins")),
                                          pelvaro::test::engine(2, QStringLiteral("Zwei"))});
    auto result = runProgram(QStringLiteral("pelvaro"), {QStringLiteral("--exit-after-start")});
    ASSERT_TRUE(result.finished) << "a box waited for an answer";
    EXPECT_EQ(result.exitCode, 0) << "a catalogue of another size is only warned about";
    EXPECT_EQ(QString::fromUtf8(result.err),
              QStringLiteral("Warnung \"Pelvaro!\": Fehler Nr. 12912 (2)- Die Datenbank ist "
                             "beschädigt. \nBitte wenden Sie sich an die technische Hotline.\nEs "
                             "wird empfohlen, die Anwendung zu beenden und die Datenbankdateien "
                             "erneut zu installieren! -> OK\n"));

    ASSERT_TRUE(QDir(data).removeRecursively());
    result = runProgram(QStringLiteral("pelvaro"), {QStringLiteral("--exit-after-start")});
    ASSERT_TRUE(result.finished) << "a box waited for an answer";
    EXPECT_EQ(result.exitCode, 1) << "without a catalogue the start failed";
    EXPECT_TRUE(QString::fromUtf8(result.err)
                    .startsWith(QStringLiteral("Warnung \"Pelvaro!\": Fehler Nr. 12911 \n")))
        << result.err.toStdString();
}

TEST_F(ProgramProcess, WithoutADisplayOneLineSaysSoAndNamesTheCommandLineProgram)
{
    const QString line = QStringLiteral(
        "Pelvaro! findet keine grafische Oberfläche (DISPLAY oder WAYLAND_DISPLAY führt zu "
        "keinem erreichbaren Anzeigeserver); für die Arbeit ohne Fenster gibt es "
        "pelvaro-cli.\n");
    QProcessEnvironment env = testEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    // No display at all, and a display nobody serves.
    for (const QString& display : {QString(), QStringLiteral(":64999")}) {
        SCOPED_TRACE(display.toStdString());
        if (!display.isEmpty())
            env.insert(QStringLiteral("DISPLAY"), display);
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(binaryDir() + QStringLiteral("/pelvaro"), {});
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "no abort, no core dump";
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()), line);
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    }
}

TEST_F(ProgramProcess, ScreenshotsOfEveryPageAndWindow)
{
    const QString dir = TestDirs::root() + QStringLiteral("/shots");
    const auto result =
        runProgram(QStringLiteral("pelvaro"), {QStringLiteral("--screenshots"), dir});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const auto picture = [&dir](const char* name) {
        return QImage(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
    };
    for (const char* name : {"main-TabSiteDescription",
                             "main-TabMetaTags",
                             "main-TabSelectEngine",
                             "main-TabAutoSubmit",
                             "main-TabManuell",
                             "main-TabStatusbericht",
                             "main-TabStatusbericht-run",
                             "splash",
                             "wait-notice",
                             "help",
                             "details",
                             "keywords",
                             "filter",
                             "options",
                             "scheduler-running",
                             "scheduler-finished",
                             "preview",
                             "report",
                             "print-preview",
                             "report-file-editing",
                             "metatags",
                             "head-section",
                             "assistant",
                             "ping",
                             "update-question",
                             "update-progress",
                             "update-info-file",
                             "tip-of-the-day",
                             "about",
                             "standard-report-dienst",
                             "standard-report-statuscode"}) {
        const QImage image = picture(name);
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_GT(coloursIn(image), 2) << name << " is blank";
    }
    // Every page is the whole main window; the splash is its own picture.
    for (const char* name : {"main-TabSiteDescription", "main-TabStatusbericht"}) {
        const QImage main = picture(name);
        EXPECT_EQ(main.width(), 769) << name;
        EXPECT_GT(main.height(), 544) << name << ": the client area and the menu bar";
    }
    EXPECT_NE(picture("main-TabSiteDescription"), picture("main-TabSelectEngine"));
    const QImage splash = picture("splash");
    EXPECT_EQ(splash.size(), QSize(420, 240));
    const QColor sky = splash.pixelColor(4, 4);
    EXPECT_GT(sky.blue(), sky.red() + 60) << "the splash's blue sky";
    EXPECT_EQ(picture("wait-notice").width(), 200);
}

TEST_F(ProgramProcess, SecondInstanceEndsAtOnceWithoutAWord)
{
    QProcess first;
    first.setProcessEnvironment(testEnvironment());
    first.start(binaryDir() + QStringLiteral("/pelvaro"), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    // The first instance has taken its guard once its socket exists.
    const QString socket = TestDirs::runtimeDir() + QStringLiteral("/PREVINST_pelvaro.socket");
    ASSERT_TRUE(QTest::qWaitFor([&socket] { return QFile::exists(socket); }, 60000));

    const auto second = runProgram(QStringLiteral("pelvaro"), {}, {}, 20000);
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.out.isEmpty());
    EXPECT_TRUE(second.err.isEmpty());
    EXPECT_EQ(first.state(), QProcess::Running) << "the first instance goes on";

    first.terminate();
    if (!first.waitForFinished(10000))
        first.kill();
}

// A double-click on a site-info file while the program runs: the second start hands the
// file, named relative to its own folder, to the running program, which opens it as
// "Öffnen" would (the recent-file list shows it at once) and goes on.
TEST_F(ProgramProcess, ASecondStartHandsItsFileToTheRunningProgram)
{
    // A first start writes the whole settings file; then the tip window is switched off.
    ASSERT_EQ(
        runProgram(QStringLiteral("pelvaro"), {QStringLiteral("--exit-after-start")}).exitCode, 0);
    QSettings(TestDirs::settingsFile(), QSettings::IniFormat)
        .setValue(QStringLiteral("Optionen/IDTDT"), QStringLiteral("0"));
    const QString folder = TestDirs::root() + QStringLiteral("/Meine Sites");
    ASSERT_TRUE(QDir().mkpath(folder));
    const auto made = runProgram(
        QStringLiteral("pelvaro-cli"),
        {QStringLiteral("site"), QStringLiteral("new"), folder + QStringLiteral("/Bäckerei.sit")},
        R"({"URLEdit": "http://www.example.org/"})");
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();

    QProcess first;
    first.setProcessEnvironment(testEnvironment());
    first.start(binaryDir() + QStringLiteral("/pelvaro"), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    const QString socket = TestDirs::runtimeDir() + QStringLiteral("/PREVINST_pelvaro.socket");
    ASSERT_TRUE(QTest::qWaitFor([&socket] { return QFile::exists(socket); }, 60000));

    QProcess second;
    second.setProcessEnvironment(testEnvironment());
    second.setWorkingDirectory(folder);
    second.start(binaryDir() + QStringLiteral("/pelvaro"), {QStringLiteral("Bäckerei.sit")});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().isEmpty());

    const auto recent = [] {
        return QSettings(TestDirs::settingsFile(), QSettings::IniFormat)
            .value(QStringLiteral("MRUDateiliste/MRUList/FileMenuList.Items"))
            .toStringList();
    };
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return recent().contains(folder + QStringLiteral("/Bäckerei.sit")); }, 20000))
        << recent().join(QLatin1Char(';')).toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    if (!first.waitForFinished(10000))
        first.kill();
}

// Settings and data need a folder the user can write; without one the program says so in
// one message and ends, instead of a row of error numbers.
TEST_F(ProgramProcess, WithoutAWritableHomeOneMessageAndEnd)
{
    QFile file(TestDirs::root() + QStringLiteral("/eine-datei"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QProcessEnvironment env = testEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), file.fileName() + QStringLiteral("/config"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(binaryDir() + QStringLiteral("/pelvaro"), {QStringLiteral("--exit-after-start")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(err.startsWith(QStringLiteral("Fehler \"Pelvaro!\": Pelvaro! kann nicht starten")))
        << err.toStdString();
    EXPECT_EQ(err.count(QStringLiteral(" -> ")), 1) << "one box only: " << err.toStdString();
}
