#include "app/ui/StartupSequence.h"

#include "app/StartupGuard.h"
#include "app/ui/THauptFormular.h"
#include "catalogue/TDataModule1.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using pelvaro::app::ui::StartupOptions;
using pelvaro::app::ui::StartupSequence;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using Outcome = StartupSequence::Outcome;

namespace {

StartupOptions options(bool withCatalogue = true)
{
    if (withCatalogue)
        pelvaro::test::installSampleCatalogue(TestDirs::programDir() + QStringLiteral("/daten"));
    StartupOptions o;
    o.runtimeDir = TestDirs::runtimeDir();
    o.settingsFile = TestDirs::settingsFile();
    o.programHome = TestDirs::programDir();
    o.screenSize = QSize(1024, 768);
    o.screenDepth = 32;
    return o;
}

void blockWithFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

// A start without its catalogue names the file it is missing and what to do.
QString catalogueMissingText()
{
    const QString path = TestDirs::programDir() + QStringLiteral("/daten/pelvarodaten.db");
    const QString text = pelvaro::catalogue::TDataModule1::missingCatalogueText(path);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Fehler Nr. 12911 \n\nDer Suchdienst-Katalog "
                                               "fehlt: Die Datei ") +
                                path + QStringLiteral(" ist nicht vorhanden.")));
    EXPECT_FALSE(text.contains(QStringLiteral("nicht ordnungsgemäß beendet")));
    return text;
}

} // namespace

TEST(StartupSequence, FirstStartPreparesSettingsFoldersAndWindow)
{
    ScriptedUiServices ui;
    StartupSequence startup(ui, options());
    const QString displayName = QGuiApplication::applicationDisplayName();
    ASSERT_EQ(startup.start(), Outcome::Running);
    EXPECT_TRUE(ui.shown().empty()) << "a sound start says nothing";
    // A display name would be appended by the window system to every title.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), displayName);

    // The defaults are on disk before the main window is shown.
    QSettings ini(TestDirs::settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDGlobAnzThreads")).toString(),
              QStringLiteral("5"));
    EXPECT_TRUE(QFileInfo(TestDirs::programDir() + QStringLiteral("/daten")).isDir());
    EXPECT_TRUE(QFileInfo(TestDirs::programDir() + QStringLiteral("/HTML")).isDir());

    ASSERT_NE(startup.mainWindow(), nullptr);
    EXPECT_FALSE(startup.mainWindow()->isVisible()) << "the event loop shows it, not start-up";
    ASSERT_NE(startup.dataModule(), nullptr);
    EXPECT_EQ(startup.dataModule()->counters().AnzNichtAusgewaehlt, 604);
    EXPECT_EQ(startup.mainWindow()->windowTitle(), QStringLiteral("Pelvaro! - <Unbenannt>"));

    startup.settings()->settings().threadCount = 9;
    startup.shutdown();
    EXPECT_EQ(startup.mainWindow(), nullptr);
    QSettings reread(TestDirs::settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(reread.value(QStringLiteral("Optionen/IDGlobAnzThreads")).toString(),
              QStringLiteral("9"));
    EXPECT_TRUE(ui.shown().empty());
}

TEST(StartupSequence, SmallScreenEndsBeforeAnyWindow)
{
    ScriptedUiServices ui;
    StartupOptions o = options();
    o.screenSize = QSize(640, 480);
    StartupSequence startup(ui, o);
    EXPECT_EQ(startup.start(), Outcome::Ended);
    EXPECT_EQ(ui.messageTexts(), QStringList{QStringLiteral(
                                     "Bitte wählen Sie eine höhrere Bildschirmauflösung. Pelvaro! "
                                     "kann bei der aktuell eingestellten Auflösung von 640 x 480 "
                                     "nicht ausgeführt werden.")});
    EXPECT_EQ(ui.shown().front().messageKind, pelvaro::base::MessageKind::Information);
    EXPECT_EQ(startup.mainWindow(), nullptr);
    EXPECT_FALSE(QFile::exists(TestDirs::settingsFile())) << "settings are loaded after the check";
}

TEST(StartupSequence, FewColoursOnlyWarn)
{
    ScriptedUiServices ui;
    StartupOptions o = options();
    o.screenDepth = 8;
    StartupSequence startup(ui, o);
    EXPECT_EQ(startup.start(), Outcome::Running);
    ASSERT_EQ(ui.messageTexts().size(), 1);
    EXPECT_TRUE(ui.messageTexts().front().startsWith(
        QStringLiteral("Ihr System kann zur Zeit nur 256 Farben")));
}

TEST(StartupSequence, UnreadableSettingsEndTheProgramWithoutOverwritingThem)
{
    // The folder can be written, the settings file cannot be read: a folder stands there.
    ASSERT_TRUE(QDir().mkpath(TestDirs::settingsFile()));
    ScriptedUiServices ui;
    StartupSequence startup(ui, options());
    EXPECT_EQ(startup.start(), Outcome::Ended);
    EXPECT_EQ(ui.messageTexts(),
              QStringList{QStringLiteral("Fehler beim Lesen der Registry. Bitte überprüfen Sie Ihr "
                                         "System!\n\nDie Anwendung wird beendet!")});
    EXPECT_EQ(ui.shown().front().messageKind, pelvaro::base::MessageKind::Error);
    // The remaining steps still ran.
    EXPECT_NE(startup.mainWindow(), nullptr);
    startup.shutdown();
    EXPECT_EQ(ui.messageTexts().size(), 1) << "nothing was loaded, so nothing is written back";
}

// Without a folder for the settings nothing else is tried: one message, and the end.
TEST(StartupSequence, NoWritableSettingsFolderEndsWithOneMessage)
{
    blockWithFile(TestDirs::configDir() + QStringLiteral("/Trevanix GmbH"));
    ScriptedUiServices ui;
    StartupSequence startup(ui, options());
    EXPECT_EQ(startup.start(), Outcome::Ended);
    ASSERT_EQ(ui.messageTexts().size(), 1);
    EXPECT_TRUE(ui.messageTexts().front().contains(TestDirs::configDir() +
                                                   QStringLiteral("/Trevanix GmbH\n")));
    EXPECT_EQ(startup.mainWindow(), nullptr);
    EXPECT_EQ(startup.guard(), nullptr) << "the check comes before the guard";
    EXPECT_TRUE(startup.shutdown());
    EXPECT_EQ(ui.messageTexts().size(), 1) << "nothing was loaded, so nothing is written back";
}

TEST(StartupSequence, FoldersThatCannotBeMadeEndTheProgram)
{
    blockWithFile(TestDirs::programDir() + QStringLiteral("/daten"));
    blockWithFile(TestDirs::programDir() + QStringLiteral("/HTML"));
    ScriptedUiServices ui;
    StartupSequence startup(ui, options(false));
    EXPECT_EQ(startup.start(), Outcome::Ended);
    // The remaining steps still run, so the catalogue that cannot be there is reported too.
    const QStringList texts = ui.messageTexts();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[0], QStringLiteral("Fehler-Nr. 219910 - Anwendung wird beendet!"));
    EXPECT_EQ(texts[1], QStringLiteral("Fehler-Nr. 09910 - Anwendung wird beendet!"));
    EXPECT_EQ(texts[2], catalogueMissingText());
}

TEST(StartupSequence, DeletedDataFolderIsMadeAgainThenTheCatalogueFails)
{
    const StartupOptions o = options();
    QDir(TestDirs::programDir() + QStringLiteral("/daten")).removeRecursively();
    ScriptedUiServices ui;
    StartupSequence startup(ui, o);
    EXPECT_EQ(startup.start(), Outcome::Ended);
    EXPECT_TRUE(QDir(TestDirs::programDir() + QStringLiteral("/daten")).isEmpty());
    EXPECT_EQ(ui.messageTexts(), QStringList{catalogueMissingText()});
}

TEST(StartupSequence, SettingsThatCannotBeWrittenAtShutdownAreReported)
{
    ScriptedUiServices ui;
    StartupSequence startup(ui, options());
    ASSERT_EQ(startup.start(), Outcome::Running);
    const QString folder = QFileInfo(TestDirs::settingsFile()).absolutePath();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    blockWithFile(folder);
    startup.shutdown();
    EXPECT_EQ(ui.messageTexts(),
              QStringList{QStringLiteral("Fehler beim Schreiben in die Registry")});
}

TEST(StartupSequence, SecondStartRaisesTheFirstWindowSilently)
{
    ScriptedUiServices ui;
    StartupSequence first(ui, options());
    ASSERT_EQ(first.start(), Outcome::Running);
    first.mainWindow()->showMinimized();
    ASSERT_TRUE(first.mainWindow()->isMinimized());
    QSignalSpy asked(first.guard(), &pelvaro::app::StartupGuard::activationRequested);

    ScriptedUiServices secondUi;
    StartupSequence second(secondUi, options());
    EXPECT_EQ(second.start(), Outcome::SecondInstance);
    EXPECT_TRUE(secondUi.shown().empty());
    EXPECT_EQ(second.mainWindow(), nullptr);
    EXPECT_EQ(second.settings(), nullptr) << "a second start does not even read the settings";

    // The request travels through the first instance's socket, so it arrives with the
    // event loop.
    ASSERT_TRUE(asked.wait());
    EXPECT_FALSE(first.mainWindow()->isMinimized());
}

TEST(StartupSequence, ClosingTheMainWindowEndsTheProgramWhateverElseIsOpen)
{
    ScriptedUiServices ui;
    StartupSequence startup(ui, options());
    ASSERT_EQ(startup.start(), Outcome::Running);
    // A window of its own, as the help window is, stays open.
    QWidget other;
    other.setWindowTitle(QStringLiteral("Hilfe"));
    other.show();
    startup.settings()->settings().threadCount = 7;

    QTimer::singleShot(0, startup.mainWindow(), [&startup] { startup.mainWindow()->close(); });
    EXPECT_EQ(startup.run(), 0);
    EXPECT_TRUE(other.isVisible()) << "the loop ended by the main window, not the last one";
    EXPECT_TRUE(startup.shutdown());
    QSettings ini(TestDirs::settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Optionen/IDGlobAnzThreads")).toString(),
              QStringLiteral("7"));
}
