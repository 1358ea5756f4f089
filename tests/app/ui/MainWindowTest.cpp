// The main window driven as a user drives it, with the sample catalogue and scripted answers.
#include "app/ui/THauptFormular.h"

#include "catalogue/SelectionFile.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/ui/CatalogueListPanel.h"
#include "catalogue/ui/DetailsWindow.h"
#include "site/FieldGuidance.h"
#include "site/SiteDocument.h"
#include "site/SiteRecord.h"
#include "site/ui/SiteDescriptionPage.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using pelvaro::app::ui::THauptFormular;
using pelvaro::base::MessageAnswer;
using pelvaro::catalogue::TDataModule1;
using pelvaro::catalogue::ui::CatalogueListPanel;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        pelvaro::test::installSampleCatalogue(data);
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QString()));
        window = std::make_unique<THauptFormular>(ui, TestDirs::settingsFile());
        window->attachCatalogue(*module);
        window->show();
        QApplication::setActiveWindow(window.get());
    }

    void TearDown() override
    {
        window.reset();
        module.reset();
    }

    QAction* action(const char* name) const
    {
        auto* found = window->findChild<QAction*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void showPage(int pageCode) { window->pageControl()->setCurrentIndex(pageCode - 1); }

    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
    std::unique_ptr<THauptFormular> window;
};

} // namespace

TEST_F(MainWindowTest, PagesMenusAndHelp)
{
    const QStringList captions{
        QStringLiteral("Kenndaten eingeben"),    QStringLiteral("Meta-Tags generieren"),
        QStringLiteral("Suchdienste auswählen"), QStringLiteral("Automatische Anmeldung"),
        QStringLiteral("Manuelle Anmeldung"),    QStringLiteral("Statusbericht")};
    const int toolBarHelp[] = {3, 3000, 4, 5, 172, 174};
    QTabWidget* pages = window->pageControl();
    ASSERT_EQ(pages->count(), 6);
    EXPECT_EQ(window->ActivePageCode(), 1);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(pages->tabText(i), captions[i]);
        auto* help = window->findChild<QAction*>(pages->widget(i)->objectName() +
                                                 QStringLiteral("HelpButton"));
        ASSERT_NE(help, nullptr);
        help->trigger();
        EXPECT_EQ(ui.shown().back().helpContext, toolBarHelp[i]);
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Pelvaro! - <Unbenannt>"));

    struct Item
    {
        const char* name;
        const char* caption;
        int context;
        QKeySequence shortcut;
    };
    const Item items[] = {
        {"ActionNeu", "N&eu", 14, QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"ActionOeffnen", "Öff&nen ...", 15, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"ActionSpeichern", "&Speichern", 16, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"ActionSpeichernUnter", "Speichern &unter ...", 17, {}},
        {"ActionBeenden", "&Beenden", 20, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X)},
        {"ActionSuchdiensteAktualisieren", "S&uchdienste aktualisieren", 12, {}},
        {"ActionSoftwareAktualisieren", "&Software aktualisieren", 11, {}},
        {"ActionOptionen", "&Optionen", 21, {}},
        {"ActionInhalt", "&Inhalt", 1, {}},
        {"ActionHinweise", "10 &wichtige Hinweise!", 99, {}},
        {"ActionNeuerSuchdienst", "Neuer &Suchdienst", 2000, {}},
        {"ActionInfo", "I&nfo ...", 8, {}},
    };
    for (const Item& item : items) {
        QAction* a = action(item.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(item.caption));
        EXPECT_EQ(a->property("helpContext").toInt(), item.context) << item.name;
        EXPECT_EQ(a->shortcut(), item.shortcut) << item.name;
    }
    for (const char* name : {"ActionInhalt", "ActionHinweise", "ActionNeuerSuchdienst"}) {
        action(name)->trigger();
        EXPECT_EQ(ui.shown().back().helpContext, action(name)->property("helpContext").toInt());
    }
}

TEST_F(MainWindowTest, StatusBarFollowsPagesAndGuidedFields)
{
    EXPECT_EQ(window->statusText(),
              QStringLiteral("Füllen Sie bitte alle Felder im Formular aus."));
    EXPECT_FALSE(window->statusAlarm());

    auto* url = window->findChild<QLineEdit*>(QStringLiteral("URLEdit"));
    auto* title = window->findChild<QLineEdit*>(QStringLiteral("TitleEdit"));
    ASSERT_TRUE(url && title);
    url->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(window->statusAlarm());
    EXPECT_TRUE(
        window->statusText().startsWith(QStringLiteral("Geben Sie bitte die komplette URL")));
    url->setText(QStringLiteral("http://www.meine-seite.example/"));
    title->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(window->statusAlarm()) << "the title's own hint";
    EXPECT_TRUE(window->statusText().startsWith(QStringLiteral(" Der Titel")));

    showPage(2);
    EXPECT_FALSE(window->statusAlarm());
    EXPECT_TRUE(window->statusText().startsWith(
        QStringLiteral("Füllen Sie die Felder aus, laden Sie die Tags")));
    EXPECT_EQ(window->ActivePageCode(), 2);
    // Leaving the description page took the controls into the record.
    EXPECT_EQ(window->document().record().URLEdit,
              QStringLiteral("http://www.meine-seite.example/"));

    showPage(3);
    EXPECT_EQ(window->statusText(), QStringLiteral("Gesamtanzahl der vorhandenen Einträge: 604"));
    EXPECT_EQ(window->listPanel(1)->title(),
              QStringLiteral("Anzahl der nicht ausgewählten Suchdienste: 604"));
    EXPECT_EQ(window->listPanel(2)->title(),
              QStringLiteral("Anzahl der ausgewählten Suchdienste: 0"));

    // With no results yet, the report page offers no report.
    showPage(6);
    EXPECT_EQ(window->statusText(), QStringLiteral("Wählen Sie einen Bericht."));
    for (QAction* a :
         window->findChild<QToolBar*>(QStringLiteral("TabStatusberichtToolBar"))->actions()) {
        if (a->text().endsWith(QStringLiteral("Bericht"))) {
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
        }
    }
    EXPECT_EQ(window->ActivePageCode(), 6);
}

TEST_F(MainWindowTest, SearchFieldsOnlyInNameOrder)
{
    showPage(3);
    auto* search = window->findChild<QLineEdit*>(QStringLiteral("SearchEdit1"));
    auto* chooser = window->findChild<QComboBox*>(QStringLiteral("OvcDbIndexSelect1"));
    ASSERT_TRUE(search && chooser);
    EXPECT_TRUE(search->isEnabled());
    const int byNumber = chooser->findText(QStringLiteral("Nr"));
    ASSERT_GE(byNumber, 0);
    chooser->setCurrentIndex(byNumber);
    emit chooser->activated(byNumber);
    EXPECT_FALSE(search->isEnabled()) << "another order than the name disables the search at once";
    const int byName = chooser->findText(QStringLiteral("Name"));
    chooser->setCurrentIndex(byName);
    emit chooser->activated(byName);
    EXPECT_TRUE(search->isEnabled());
}

TEST_F(MainWindowTest, ContextMenuOfTheLists)
{
    showPage(3);
    CatalogueListPanel* notSelected = window->listPanel(1);
    emit notSelected->contextMenuRequested(QPoint());
    EXPECT_EQ(window->FocusedListCode(), 1);
    const auto enabled = [this](const char* name) {
        return window->listContextMenu()->findChild<QAction*>(QLatin1String(name))->isEnabled();
    };
    EXPECT_TRUE(enabled("ActionDetails"));
    EXPECT_TRUE(enabled("ActionStartseite"));
    EXPECT_TRUE(enabled("ActionAnmeldeseite"));
    EXPECT_FALSE(enabled("ActionAuswahlAufheben"));

    // The home page of the marked service opens in the browser.
    module->TableEngines().first();
    const QString home = module->TableEngines().value(QStringLiteral("URL")).toString();
    window->listContextMenu()->findChild<QAction*>(QStringLiteral("ActionStartseite"))->trigger();
    ASSERT_FALSE(ui.openedUrls().empty());
    EXPECT_EQ(ui.openedUrls().back().toString(), home);

    // Select two services, then take one back through the selected list's menu.
    module->EintragAuswaehlen();
    module->EintragAuswaehlen();
    window->RefreshCounts();
    emit window->listPanel(2)->contextMenuRequested(QPoint());
    EXPECT_TRUE(enabled("ActionAuswahlAufheben"));
    window->listContextMenu()
        ->findChild<QAction*>(QStringLiteral("ActionAuswahlAufheben"))
        ->trigger();
    EXPECT_EQ(module->counters().AnzAusgewaehlt, 1);
    EXPECT_EQ(window->listPanel(2)->title(),
              QStringLiteral("Anzahl der ausgewählten Suchdienste: 1"));
    EXPECT_EQ(window->statusText(),
              QStringLiteral("Gesamtanzahl der vorhandenen Suchdienste: 604"));

    // Details of the service still selected, in its own modal window.
    QString name;
    QString automatic;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        name = dialog->findChild<QLabel*>(QStringLiteral("LabelName"))->text();
        automatic = dialog->findChild<QLabel*>(QStringLiteral("LabelAAnmeldung"))->text();
        dialog->findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
    });
    window->listContextMenu()->findChild<QAction*>(QStringLiteral("ActionDetails"))->trigger();
    // The sample catalogue's first service in name order is automatic; being selected, it
    // will really be registered.
    EXPECT_EQ(name, QString::fromUtf8("Allgäuer Firmenverzeichnis"));
    EXPECT_EQ(automatic, QStringLiteral("Ja!"));
}

// The selection page as a user works it: buttons between the lists, double-clicks, the link
// bar below and the selection files of the tool bar.
TEST_F(MainWindowTest, SelectionPageMovesServicesAndFollowsTheMarkedOne)
{
    showPage(3);
    const auto button = [this](int n) {
        return window->findChild<QToolButton*>(QStringLiteral("SpeedButton%1").arg(n));
    };
    const QStringList hints{QStringLiteral("Aktuellen Eintrag auswählen"),
                            QStringLiteral("Alle Einträge auswählen"),
                            QStringLiteral("Auswahl des aktuellen Eintrags aufheben"),
                            QStringLiteral("Auswahl aller Einträge aufheben")};
    for (int n = 1; n <= 4; ++n) {
        ASSERT_NE(button(n), nullptr) << n;
        EXPECT_EQ(button(n)->toolTip(), hints.at(n - 1));
    }
    auto* home = window->findChild<QLabel*>(QStringLiteral("URLHyperlink1"));
    auto* form = window->findChild<QLabel*>(QStringLiteral("ManuellURLHyperlink1"));
    ASSERT_TRUE(home && form);
    EXPECT_FALSE(home->isEnabled());
    EXPECT_EQ(home->text(), QStringLiteral("Zur Startseite des markierten Eintrags"));
    EXPECT_EQ(home->toolTip(), QStringLiteral("Hier klicken, um Browser zu starten"));

    // Entering the left grid and moving in it: the bar names the marked service.
    QTableView* left = window->listPanel(1)->grid();
    left->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(window->FocusedListCode(), 1);
    QTest::keyClick(left, Qt::Key_Down);
    QApplication::processEvents();
    const QString name = module->TableEngines().value(QStringLiteral("Name")).toString();
    EXPECT_TRUE(home->isEnabled());
    EXPECT_TRUE(home->text().contains(QStringLiteral("Zur Startseite von ") + name.toHtmlEscaped()))
        << home->text().toStdString();
    emit home->linkActivated(QString());
    ASSERT_EQ(ui.openedUrls().size(), 1u);
    EXPECT_EQ(ui.openedUrls().back().toString(),
              module->TableEngines().value(QStringLiteral("URL")).toString());

    // A double-click on the marked row selects it; the captions follow.
    emit window->listPanel(1)->rowDoubleClicked();
    EXPECT_EQ(module->counters().AnzAusgewaehlt, 1);
    EXPECT_EQ(window->listPanel(1)->title(),
              QStringLiteral("Anzahl der nicht ausgewählten Suchdienste: 603"));
    button(2)->click();
    EXPECT_EQ(window->listPanel(1)->title(),
              QStringLiteral("Anzahl der nicht ausgewählten Suchdienste: 0"));
    EXPECT_EQ(ui.lastWaitText(), QStringLiteral("Tabelle wird neu sortiert, bitte warten ..."));
    button(1)->click();
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Alle Suchdienste sind bereits ausgewählt!"));

    // The selection as a file, and back after everything was unselected.
    const QString path = TestDirs::root() + QStringLiteral("/alle.suc");
    ui.answerFile(path);
    action("ActionAuswahlSpeichern")->trigger();
    EXPECT_EQ(QFileInfo(path).size(), 5600);
    button(4)->click();
    emit window->listPanel(2)->rowDoubleClicked();
    EXPECT_EQ(ui.messageTexts().last(), QStringLiteral("Diese Spalte ist leer!"));
    ui.answerFile(path);
    action("ActionAuswahlLaden")->trigger();
    EXPECT_EQ(window->listPanel(2)->title(),
              QStringLiteral("Anzahl der ausgewählten Suchdienste: 604"));
    EXPECT_EQ(window->statusText(),
              QStringLiteral("Gesamtanzahl der vorhandenen Suchdienste: 604"));
    ui.answerFile(std::nullopt);
    action("ActionAuswahlLaden")->trigger();
    ui.answerFile(TestDirs::root() + QStringLiteral("/fehlt.suc"));
    action("ActionAuswahlLaden")->trigger();
    EXPECT_EQ(ui.messageTexts().last(), QStringLiteral("Datei nicht gefunden!"));
    EXPECT_TRUE(ui.allAnswersUsed());

    // The automatic page has its own bar, following its own list.
    showPage(4);
    window->listPanel(3)->grid()->setFocus();
    QApplication::processEvents();
    auto* automatic = window->findChild<QLabel*>(QStringLiteral("URLHyperlink3"));
    ASSERT_NE(automatic, nullptr);
    EXPECT_TRUE(automatic->text().contains(
        module->TableAutomatischSenden().value(QStringLiteral("Name")).toString().toHtmlEscaped()));
}

TEST_F(MainWindowTest, FileCommandsThroughMenuAndToolBar)
{
    auto* title = window->findChild<QLineEdit*>(QStringLiteral("TitleEdit"));
    QTest::keyClicks(title, QStringLiteral("Meine Seite"));
    EXPECT_TRUE(window->document().SiteModified());

    const QString path = TestDirs::root() + QStringLiteral("/meine.sit");
    ui.answerFile(path);
    action("ActionSpeichernUnter")->trigger();
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Pelvaro! - meine.sit"));
    EXPECT_EQ(pelvaro::site::SiteRecord::decode([&path] {
                  QFile f(path);
                  f.open(QIODevice::ReadOnly);
                  return f.readAll();
              }())
                  .TitleEdit,
              QStringLiteral("Meine Seite"));

    // The recent file list lives in the settings file the window was given.
    const QSettings settings(TestDirs::settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(
        settings.value(QStringLiteral("MRUDateiliste/MRUList/FileMenuList.Items")).toStringList(),
        QStringList{path});

    // The recent files sit after "Beenden" in the File menu.
    QMenu* file = window->findChild<QMenu*>(QStringLiteral("MenuDatei"));
    emit file->aboutToShow();
    QAction* recent = action("ActionZuletzt1");
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->text(), QStringLiteral("&1 ") + path);
    const QList<QAction*> items = file->actions();
    EXPECT_GT(items.indexOf(recent), items.indexOf(action("ActionBeenden")));

    // "Felder löschen" empties the page; reopening from the recent list brings it back.
    window->findChild<QToolBar*>(QStringLiteral("TabSiteDescriptionToolBar"))
        ->actions()
        .at(0)
        ->trigger();
    EXPECT_TRUE(title->text().isEmpty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Pelvaro! - <Unbenannt>"));
    recent->trigger();
    EXPECT_EQ(title->text(), QStringLiteral("Meine Seite"));

    // Quitting with changes asks Yes, No or Cancel; Cancel (also Escape or closing the box)
    // stays, by the menu and by the window's frame alike. No closes without saving.
    QSignalSpy closed(window.get(), &THauptFormular::closed);
    QTest::keyClicks(title, QStringLiteral("!"));
    ui.answer(MessageAnswer::Cancel);
    action("ActionBeenden")->trigger();
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Soll die Datei %1 zuvor gespeichert werden?").arg(path));
    EXPECT_EQ(ui.shown().back().buttons, pelvaro::base::MessageButtons::YesNoCancel);
    EXPECT_TRUE(window->isVisible());
    ui.answer(MessageAnswer::Cancel);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(title->text(), QStringLiteral("Meine Seite!"));
    EXPECT_EQ(closed.count(), 0);
    ui.answer(MessageAnswer::No);
    action("ActionBeenden")->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closed.count(), 1) << "the program ends with its main window";
}

// The commands behind the menus read the fields, so opening the menu bar leaves the field the
// user is in, by mouse and by keyboard alike: its check runs first.
TEST_F(MainWindowTest, OpeningTheMenuBarRunsTheFieldsLeaveCheck)
{
    using pelvaro::site::FieldGuidance;
    auto* url = window->findChild<QLineEdit*>(QStringLiteral("URLEdit"));
    ASSERT_NE(url, nullptr);
    url->setFocus();
    QTest::keyClicks(url, QStringLiteral("ftp://www.meine-seite.example/"));
    ASSERT_EQ(window->sitePage().currentField(), FieldGuidance::UrlTag);
    QMenuBar* bar = window->menuBar();
    QMenu* file = window->findChild<QMenu*>(QStringLiteral("MenuDatei"));
    const QPoint fileTitle = bar->actionGeometry(file->menuAction()).center();

    // "Yes" keeps the user in the field to correct it, and the menu stays shut.
    ui.answer(MessageAnswer::Yes);
    QTest::mouseClick(bar, Qt::LeftButton, {}, fileTitle);
    EXPECT_EQ(ui.messageTexts(), QStringList{FieldGuidance::badUrlMessage()});
    EXPECT_FALSE(file->isVisible());
    EXPECT_EQ(window->sitePage().currentField(), FieldGuidance::UrlTag);

    // "No" lets him go on to the menu.
    ui.answer(MessageAnswer::No);
    QTest::mouseClick(bar, Qt::LeftButton, {}, fileTitle);
    EXPECT_EQ(ui.messageTexts().size(), 2);
    EXPECT_TRUE(file->isVisible());
    file->close();
    EXPECT_EQ(window->sitePage().currentField(), FieldGuidance::UrlTag)
        << "back from the menu, the user is in the field again";

    // The same by keyboard: the menu's Alt shortcut, and Alt alone.
    ui.answer(MessageAnswer::Yes);
    QTest::keyClick(url, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(ui.messageTexts().size(), 3);
    EXPECT_FALSE(file->isVisible());
    EXPECT_EQ(window->sitePage().currentField(), FieldGuidance::UrlTag);

    ui.answer(MessageAnswer::Yes);
    QTest::keyPress(url, Qt::Key_Alt);
    QTest::keyRelease(url, Qt::Key_Alt);
    EXPECT_EQ(ui.messageTexts().size(), 4);
    EXPECT_EQ(window->sitePage().currentField(), FieldGuidance::UrlTag);
    EXPECT_EQ(QApplication::focusWidget(), url);
}

// Files the program is started with, or that a later start hands over: a site-info file
// opens as "Öffnen" opens it (save question included), a selection file loads as
// "Auswahl laden" loads it, anything else waits for the report window; a handed-over file
// waits while a dialog holds the window.
TEST_F(MainWindowTest, StartFilesOpenAsTheirCommandsWouldAndWaitForDialogs)
{
    auto* title = window->findChild<QLineEdit*>(QStringLiteral("TitleEdit"));
    QTest::keyClicks(title, QStringLiteral("Vom Desktop"));
    const QString site = TestDirs::root() + QStringLiteral("/vom desktop.sit");
    ui.answerFile(site);
    action("ActionSpeichernUnter")->trigger();
    ASSERT_TRUE(QFile::exists(site));
    action("ActionNeu")->trigger();
    QTest::keyClicks(title, QStringLiteral("Ungespeichert"));
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(std::nullopt);
    window->openStartFile(site);
    EXPECT_EQ(title->text(), QStringLiteral("Ungespeichert"))
        << "cancelling the save keeps the changes";
    ui.answer(MessageAnswer::No);
    window->openStartFile(site);
    EXPECT_EQ(title->text(), QStringLiteral("Vom Desktop"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Pelvaro! - vom desktop.sit"));
    EXPECT_EQ(ui.messageTexts().mid(1),
              QStringList(2, QStringLiteral(
                                 "Sollen die aktuellen Formulardaten zuvor gespeichert werden?")));
    EXPECT_EQ(QSettings(TestDirs::settingsFile(), QSettings::IniFormat)
                  .value(QStringLiteral("MRUDateiliste/MRUList/FileMenuList.Items"))
                  .toStringList(),
              QStringList{site});

    module->AllesAuswaehlen();
    const QString selection = TestDirs::root() + QStringLiteral("/alle.SUC");
    ASSERT_TRUE(pelvaro::catalogue::SelectionFile::save(*module, selection).isEmpty());
    const pelvaro::catalogue::SelectionCounters all = module->counters();
    module->AllesNichtAuswaehlen();
    ASSERT_EQ(module->counters().AnzAusgewaehlt, 0);
    window->openStartFile(selection);
    EXPECT_EQ(module->counters(), all);

    const QString report = TestDirs::root() + QStringLiteral("/bericht.rtf");
    window->openStartFile(report);
    EXPECT_EQ(window->startArgument(), report);

    // Handed over while a dialog is open: nothing changes under the dialog.
    ui.answer(MessageAnswer::No);
    QTest::keyClicks(title, QStringLiteral(" neu"));
    QDialog dialog(window.get());
    QTimer::singleShot(0, &dialog, [&] {
        window->handOverFile(site);
        EXPECT_EQ(title->text(), QStringLiteral("Vom Desktop neu"));
        EXPECT_EQ(window->handedOverFiles(), QStringList{site});
        dialog.reject();
    });
    dialog.exec();
    QApplication::setActiveWindow(window.get());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(window.get(), &activate);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->handedOverFiles().isEmpty(); }, 5000));
    EXPECT_EQ(title->text(), QStringLiteral("Vom Desktop"));
    EXPECT_TRUE(ui.allAnswersUsed());
}
