#include "app/ui/TEinstellungenDialog.h"

#include "app/ProgramOptions.h"
#include "base/SettingsStore.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using pelvaro::app::ProgramOptions;
using pelvaro::app::ui::TEinstellungenDialog;
using pelvaro::base::Settings;
using pelvaro::base::SettingsStore;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray iniWith(const QByteArray& threads, int choice, const QByteArray& host,
                   const QByteArray& port)
{
    return "[Optionen]\nIDGlobAnzThreads=" + threads + "\nIDGlobProxy=" + host +
           "\nIDGlobProxyPort=" + port + "\nIDProxyVorauswahl=" + QByteArray::number(choice) +
           "\nIDBerichtUeberschreiben=0\nIDTDT=1\nIDNSDV=\n";
}

class OptionsDialogTest : public testing::Test
{
protected:
    // Starts the program's settings from this file, as start-up does.
    void load(const QByteArray& ini)
    {
        QDir().mkpath(QFileInfo(TestDirs::settingsFile()).absolutePath());
        QFile file(TestDirs::settingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(ini);
        file.close();
        ASSERT_TRUE(store.LoadSettings());
    }

    static QByteArray fileBytes()
    {
        QFile file(TestDirs::settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The settings as a later start (or a run reading the file) would find them.
    static Settings reloaded()
    {
        SettingsStore fresh(TestDirs::settingsFile());
        EXPECT_TRUE(fresh.LoadSettings());
        return fresh.settings();
    }

    template <typename T> T* control(const char* name)
    {
        T* found = dialog ? dialog->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* threads() { return control<QLineEdit>("EditAnzThreads"); }
    QLineEdit* host() { return control<QLineEdit>("EditProxy"); }
    QLineEdit* port() { return control<QLineEdit>("EditProxyPort"); }
    QRadioButton* radio(const char* name) { return control<QRadioButton>(name); }
    void click(const char* name) { control<QAbstractButton>(name)->click(); }

    // Leaves the thread-count field for another control. The window system need not have
    // made the dialog active, so the field is told it lost the focus when it had none.
    void leaveThreads(QWidget* next)
    {
        const bool hadFocus = threads()->hasFocus();
        next->setFocus(Qt::TabFocusReason);
        if (!hadFocus) {
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QCoreApplication::sendEvent(threads(), &out);
        }
    }

    // Runs the menu command and lets work() operate the dialog it shows. Whatever work()
    // did, the dialog must not stay open.
    bool openSettings(const std::function<void()>& work)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            dialog = qobject_cast<TEinstellungenDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            work();
            if (dialog->isVisible())
                dialog->reject();
        });
        const bool taken = TEinstellungenDialog::OpenSettings(ui, store);
        EXPECT_TRUE(seen);
        dialog = nullptr;
        return taken;
    }

    ScriptedUiServices ui;
    SettingsStore store{TestDirs::settingsFile()};
    TEinstellungenDialog* dialog = nullptr;
};

TEST_F(OptionsDialogTest, ShowsItsCaptionsAndOpensTheHelp)
{
    load(iniWith("5", 1, "", ""));
    openSettings([&] {
        EXPECT_EQ(dialog->windowTitle(), s("Programmoptionen"));
        EXPECT_EQ(control<QCheckBox>("CheckBoxBerichtUeberschreiben")->text(),
                  s("Proto&kolle ohne Rückfrage überschreiben"));
        EXPECT_EQ(radio("RadioButtonOHNEProxy")->text(), s("Ohne"));
        EXPECT_EQ(radio("RadioButtonAOL")->text(), s("AOL"));
        EXPECT_EQ(radio("RadioButtonTOnline")->text(), s("T-Online"));
        EXPECT_EQ(radio("RadioButtonAndere")->text(), s("Andere"));
        QStringList labels;
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            if (label->buddy())
                labels << label->buddy()->objectName() + QLatin1Char('=') + label->text();
        labels.sort();
        EXPECT_EQ(labels, (QStringList{s("EditAnzThreads=&Maximale Anzahl Threads (1 - 24):"),
                                       s("EditProxy=Pro&xy:"), s("EditProxyPort=Proxy-&Port:")}));
        EXPECT_EQ(control<QPushButton>("OKButton")->text(), s("&OK"));
        EXPECT_EQ(control<QPushButton>("CancelButton")->text(), s("&Abbrechen"));
        click("HelpButton");
    });
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown()[0].kind, ScriptedUiServices::Shown::Kind::Help);
    EXPECT_EQ(ui.shown()[0].helpContext, ProgramOptions::HelpContext);
}

TEST_F(OptionsDialogTest, OkWritesTheEntriesIntoTheStoreAndItsFile)
{
    load(iniWith("12", 4, "cache.intern", "3128"));
    const bool taken = openSettings([&] {
        EXPECT_EQ(threads()->text(), s("12"));
        EXPECT_TRUE(radio("RadioButtonAndere")->isChecked());
        EXPECT_TRUE(host()->isEnabled() && port()->isEnabled());
        EXPECT_EQ(host()->text(), s("cache.intern"));
        EXPECT_EQ(port()->text(), s("3128"));
        EXPECT_FALSE(control<QCheckBox>("CheckBoxBerichtUeberschreiben")->isChecked());

        threads()->selectAll();
        QTest::keyClicks(threads(), s("9"));
        host()->setText(s("proxy.firma.example"));
        port()->setText(s("8080"));
        click("CheckBoxBerichtUeberschreiben");
        click("OKButton");
    });
    EXPECT_TRUE(taken);
    // The store a run reads its workers and proxy from, and the file a later start reads.
    for (const Settings& settings : {store.settings(), reloaded()}) {
        EXPECT_EQ(settings.threadCount, 9);
        EXPECT_EQ(settings.proxyChoice, ProgramOptions::OtherProxy);
        EXPECT_EQ(settings.proxyHost, s("proxy.firma.example"));
        EXPECT_EQ(settings.proxyPort, s("8080"));
        EXPECT_TRUE(settings.overwriteReport);
        EXPECT_TRUE(settings.showTips) << "what the dialog does not edit stays";
    }
}

TEST_F(OptionsDialogTest, PresetChoicesShowClosedEditsAndKeepTheirPreset)
{
    load(iniWith("5", 2, "proxy.aol.example", "80"));
    const bool taken = openSettings([&] {
        EXPECT_TRUE(radio("RadioButtonAOL")->isChecked());
        EXPECT_EQ(host()->text(), QString());
        EXPECT_EQ(port()->text(), QString());
        EXPECT_FALSE(host()->isEnabled() || port()->isEnabled());
        const QColor normal = QApplication::palette(host()).color(QPalette::Active, QPalette::Base);
        EXPECT_NE(host()->palette().color(QPalette::Base), normal);
        EXPECT_EQ(port()->palette().color(QPalette::Base), host()->palette().color(QPalette::Base));

        // "Andere" opens the edits and takes the user there; going away and back keeps
        // what was typed.
        click("RadioButtonAndere");
        EXPECT_TRUE(host()->isEnabled() && port()->isEnabled());
        EXPECT_EQ(host()->palette().color(QPalette::Base), normal);
        EXPECT_EQ(dialog->focusWidget(), host());
        host()->setText(s("cache.intern"));
        port()->setText(s("3128"));
        click("RadioButtonOHNEProxy");
        EXPECT_FALSE(radio("RadioButtonAndere")->isChecked());
        EXPECT_FALSE(host()->isEnabled());
        EXPECT_EQ(host()->text(), s("cache.intern"));
        click("RadioButtonAndere");
        EXPECT_EQ(port()->text(), s("3128"));

        click("RadioButtonAOL");
        click("OKButton");
    });
    EXPECT_TRUE(taken);
    const Settings settings = reloaded();
    EXPECT_EQ(settings.proxyChoice, ProgramOptions::AolProxy);
    EXPECT_EQ(settings.proxyHost, ProgramOptions::aolProxyHost());
    EXPECT_EQ(settings.proxyPort, s("80"));
}

// The keystroke rules and the leave check as the user meets them, and the way out of a
// count the dialog cannot accept.
TEST_F(OptionsDialogTest, ThreadCountTakesOnlyCountsFromOneTo24)
{
    load(iniWith("5", 1, "", ""));
    const bool taken = openSettings([&] {
        QLineEdit* field = threads();
        field->clear();
        QTest::keyClicks(field, s("25"));
        EXPECT_EQ(field->text(), s("2"));
        EXPECT_EQ(ui.beeps(), 1);
        field->clear();
        QTest::keyClicks(field, s("0x 1"));
        EXPECT_EQ(field->text(), s("1"));
        EXPECT_EQ(ui.beeps(), 4);
        QTest::keyClicks(field, s("23"));
        EXPECT_EQ(field->text(), s("12"));
        EXPECT_EQ(ui.beeps(), 5);
        QTest::keyClick(field, Qt::Key_Backspace);
        EXPECT_EQ(field->text(), s("1"));

        // Over a selection anything passes; leaving with 0 beeps, empties and stays.
        field->selectAll();
        QTest::keyClicks(field, s("0"));
        EXPECT_EQ(field->text(), s("0"));
        leaveThreads(control<QCheckBox>("CheckBoxBerichtUeberschreiben"));
        EXPECT_EQ(field->text(), QString());
        EXPECT_EQ(ui.beeps(), 6);
        EXPECT_EQ(dialog->focusWidget(), field);

        // Enter in the field reaches OK without the leave check: no count, no OK, and a box
        // that says which counts are taken.
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(ui.beeps(), 7);
        EXPECT_EQ(ui.messageTexts(),
                  QStringList{s("Bitte geben Sie unter \"Maximale Anzahl Threads\" eine ganze "
                                "Zahl von 1 bis 24 ein.")});
        field->setText(s("12"));
        field->selectAll();
        QTest::keyClicks(field, s("0"));
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(field->text(), QString());
        EXPECT_EQ(ui.beeps(), 8);
        EXPECT_EQ(dialog->focusWidget(), field);

        QTest::keyClicks(field, s("7"));
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_FALSE(dialog->isVisible());
    });
    EXPECT_TRUE(taken);
    EXPECT_EQ(reloaded().threadCount, 7);
    EXPECT_EQ(ui.messageTexts().size(), 2) << "once per refused OK";
}

// A hand-edited file's count is shown as a count the dialog accepts, and OK writes that.
TEST_F(OptionsDialogTest, AnUnsoundStoredCountBecomesASoundOne)
{
    load(iniWith("99", 1, "", ""));
    EXPECT_TRUE(openSettings([&] {
        EXPECT_EQ(threads()->text(), s("24"));
        click("OKButton");
    }));
    EXPECT_EQ(reloaded().threadCount, 24);
}

TEST_F(OptionsDialogTest, CancelAndClosingChangeNothing)
{
    const QByteArray ini = iniWith("12", 4, "cache.intern", "3128");
    const std::function<void()> ways[] = {
        [this] { click("CancelButton"); },
        [this] { dialog->close(); },
        [this] { QTest::keyClick(threads(), Qt::Key_Escape); },
    };
    for (size_t i = 0; i < std::size(ways); ++i) {
        SCOPED_TRACE(i);
        load(ini);
        const Settings before = store.settings();
        const QByteArray bytesBefore = fileBytes();
        const bool taken = openSettings([&] {
            threads()->selectAll();
            QTest::keyClicks(threads(), s("3"));
            host()->setText(s("anderer.example"));
            click("RadioButtonTOnline");
            click("CheckBoxBerichtUeberschreiben");
            ways[i]();
            EXPECT_FALSE(dialog->isVisible());
        });
        EXPECT_FALSE(taken);
        EXPECT_EQ(store.settings(), before);
        EXPECT_EQ(fileBytes(), bytesBefore);
    }
}

} // namespace
