#include "site/ui/SiteDescriptionPage.h"

#include "site/SiteItemLists.h"
#include "site/SiteRecord.h"

#include "QtPrinters.h"
#include "ScriptedUiServices.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <numeric>

using pelvaro::base::MessageAnswer;
using pelvaro::site::FieldGuidance;
using pelvaro::site::KeywordEditor;
using pelvaro::site::SiteItemLists;
using pelvaro::site::SiteRecord;
using pelvaro::site::ui::SiteDescriptionPage;
using pelvaro::test::ScriptedUiServices;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A record with every field the page shows set to something distinct.
SiteRecord filledRecord()
{
    SiteRecord record;
    record.FirstNameEdit = s("Jörg");
    record.LastNameEdit = s("Müller");
    record.title_personEdit = s("Dr.");
    record.mobileEdit = s("0171 555");
    record.tollfreeEdit = s("0800 555");
    record.FaxEdit = s("030 556");
    record.phoneEdit = s("030 555");
    record.PostcodeEdit = s("10115");
    record.CityEdit = s("Berlin");
    record.AddressEdit = s("Hauptstraße 1");
    record.emailEdit = s("info@muster.example");
    record.CompanyEdit = s("Muster & Söhne");
    record.productsEdit = s("Äpfel");
    record.StateEdit = s("Berlin");
    record.TitleEdit = s("  Titel mit Rand  ");
    record.URLEdit = s("http://www.muster.example/");
    record.DescriptionShortEdit = s("Kurz");
    record.NameVornameWebMasterEdit = s("Müller, Jörg");
    record.WebmasterEmailEdit = s("web@muster.example");
    record.passwordedit = s("geheim");
    record.ageEdit = s("42");
    record.KeywordsMemo = s("eins, zwei");
    record.DescriptionMemo = s("Erste Zeile\r\nZweite Zeile\r\n");
    record.LanguageCombo = 16;
    record.webtypeCombo = 0;
    record.CategoryCombo = 17;
    record.countryCombo = 80;
    record.GreetingCombo = 1;
    record.sexCombo = 0;
    return record;
}

class SiteDescriptionPageTest : public testing::Test
{
protected:
    template <typename T> T* control(const char* name)
    {
        T* found = page.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
    QComboBox* combo(const char* name) { return control<QComboBox>(name); }

    // The page's window is never activated here, so the focus changes it would get from the
    // window system are handed to the controls directly.
    static void enter(QWidget* widget)
    {
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(widget, &in);
    }
    static void leave(QWidget* widget)
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(widget, &out);
    }
    // Leaves a field for an elsewhere the page itself did not choose, so page.focusWidget()
    // tells whether the page asked for the focus back.
    void leaveFor(QWidget* widget, QWidget* next)
    {
        next->setFocus(Qt::TabFocusReason);
        leave(widget);
    }

    // Runs the keyword dialog through the "..." button and lets work() fill it in.
    void runKeywordDialog(const std::function<void(QDialog*)>& work)
    {
        bool seen = false;
        QTimer::singleShot(0, &page, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            work(dialog);
            // Whatever work() did, the dialog must not stay open.
            if (dialog->isVisible())
                dialog->reject();
        });
        control<QToolButton>("OvcAttachedButton1")->click();
        EXPECT_TRUE(seen);
    }

    ScriptedUiServices ui;
    SiteDescriptionPage page{ui};
    QSignalSpy modified{&page, &SiteDescriptionPage::userModified};
    QSignalSpy hints{&page, &SiteDescriptionPage::hintShown};
    QSignalSpy finished{&page, &SiteDescriptionPage::hintFinished};
};

TEST_F(SiteDescriptionPageTest, ControlsCarryTheRecordsNamesCaptionsAndCapacities)
{
    struct Field
    {
        const char* name;
        int capacity;
        const char* caption;
    };
    const Field fields[] = {
        {"FirstNameEdit", 30, "Vorname"},
        {"LastNameEdit", 30, "Nachname"},
        {"title_personEdit", 30, "Titel"},
        {"mobileEdit", 30, "Handy"},
        {"tollfreeEdit", 30, "Gebührenfrei"},
        {"FaxEdit", 30, "Fax"},
        {"phoneEdit", 30, "Telefon"},
        {"PostcodeEdit", 15, "Postleitzahl"},
        {"CityEdit", 50, "Ort"},
        {"AddressEdit", 60, "Straße"},
        {"emailEdit", 60, "Allg. E-Mail"},
        {"CompanyEdit", 50, "Firma"},
        {"productsEdit", 50, "Produkte"},
        {"StateEdit", 30, "Bundesland"},
        {"TitleEdit", 50, "Titel"},
        {"URLEdit", 100, "URL"},
        {"DescriptionShortEdit", 60, "Beschreibung (kurz)"},
        {"NameVornameWebMasterEdit", 100, "Name und Vorname"},
        {"WebmasterEmailEdit", 60, "E-Mail"},
        {"passwordedit", 15, "Paßwort"},
        {"ageEdit", 2, "Alter"},
    };
    const auto captionOf = [this](QWidget* field) {
        for (QLabel* label : page.findChildren<QLabel*>())
            if (label->buddy() == field)
                return label->text().replace(QLatin1Char('\n'), QLatin1Char(' '));
        return QString();
    };
    for (const Field& field : fields) {
        QLineEdit* line = edit(field.name);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->maxLength(), field.capacity) << field.name;
        EXPECT_EQ(captionOf(line), s(field.caption)) << field.name;
    }

    const std::pair<const char*, const QStringList*> lists[] = {
        {"LanguageCombo", &SiteItemLists::LanguageCombo()},
        {"webtypeCombo", &SiteItemLists::webtypeCombo()},
        {"CategoryCombo", &SiteItemLists::CategoryCombo()},
        {"countryCombo", &SiteItemLists::countryCombo()},
        {"GreetingCombo", &SiteItemLists::GreetingCombo()},
        {"sexCombo", &SiteItemLists::sexCombo()},
    };
    for (const auto& [name, items] : lists) {
        QComboBox* box = combo(name);
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->isEditable());
        EXPECT_EQ(box->currentIndex(), -1) << name;
        ASSERT_EQ(box->count(), items->size()) << name;
        EXPECT_EQ(box->itemText(box->count() - 1), items->last()) << name;
    }
    EXPECT_EQ(captionOf(combo("webtypeCombo")), s("Web-Typ"));
    EXPECT_EQ(captionOf(combo("sexCombo")), s("Geschlecht"));

    auto* keywords = control<QPlainTextEdit>("KeywordsMemo");
    EXPECT_TRUE(keywords->isReadOnly());
    EXPECT_FALSE(keywords->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(captionOf(keywords), s("Schlüssel- wörter"));
    EXPECT_EQ(control<QToolButton>("OvcAttachedButton1")->toolTip(),
              s("Klicken Sie hier, um die Schlüsselwörter einzugeben"));
    EXPECT_EQ(captionOf(control<QPlainTextEdit>("DescriptionMemo")), s("Beschreibung (lang)"));
}

TEST_F(SiteDescriptionPageTest, TabOrderFollowsTheTags)
{
    QWidget* first = page.findChild<QWidget*>(FieldGuidance::controlName(0));
    std::vector<int> tags;
    QWidget* widget = first;
    do {
        const int tag = FieldGuidance::tagOf(widget->objectName());
        if (tag >= 0)
            tags.push_back(tag);
        widget = widget->nextInFocusChain();
    } while (widget != first && tags.size() < 40);
    std::vector<int> expected(FieldGuidance::TagCount);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(tags, expected);
}

TEST_F(SiteDescriptionPageTest, LayoutFitsThePageAtTheProgramsFont)
{
    const QFont before = QApplication::font();
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    QApplication::setFont(font);
    {
        ScriptedUiServices otherUi;
        SiteDescriptionPage fresh(otherUi);
        const QSize needed = fresh.minimumSizeHint();
        EXPECT_LE(needed.width(), 769);
        EXPECT_LE(needed.height(), 470);
    }
    QApplication::setFont(before);
}

TEST_F(SiteDescriptionPageTest, EnteringShowsTheHintAndLeavingTrims)
{
    QLineEdit* title = edit("TitleEdit");
    enter(title);
    ASSERT_EQ(hints.size(), 1);
    EXPECT_EQ(hints.at(0).at(0).toString(), FieldGuidance::hint(0));

    QTest::keyClicks(title, s("  Wort  "));
    EXPECT_GE(modified.size(), 1);
    leave(title);
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(title->text(), s("Wort"));
    EXPECT_TRUE(ui.shown().empty());
}

TEST_F(SiteDescriptionPageTest, BadUrlAsksAndYesTakesTheFocusBack)
{
    QLineEdit* url = edit("URLEdit");
    QLineEdit* next = edit("DescriptionShortEdit");
    QTest::keyClicks(url, s(" http://www.muster.example/"));

    ui.answer(MessageAnswer::No);
    leaveFor(url, next);
    EXPECT_EQ(page.focusWidget(), next) << "No leaves the user where he went";

    ui.answer(MessageAnswer::Yes);
    hints.clear();
    leaveFor(url, next);
    EXPECT_EQ(page.focusWidget(), url);
    EXPECT_EQ(url->text(), s(" http://www.muster.example/")) << "the URL check does not trim";
    ASSERT_FALSE(hints.isEmpty());
    EXPECT_EQ(hints.last().at(0).toString(), FieldGuidance::hint(1));
    EXPECT_EQ(ui.messageTexts(),
              (QStringList{FieldGuidance::badUrlMessage(), FieldGuidance::badUrlMessage()}));
}

// With real focus changes: taking the focus back passes through the field the user was
// heading for, and that field must not run its own check on the way.
TEST_F(SiteDescriptionPageTest, FocusTakenBackDoesNotCheckTheFieldPassedThrough)
{
    page.show();
    // The application's own notion of the active window is all the focus needs; no window
    // manager is asked.
    QApplication::setActiveWindow(&page);
    ASSERT_TRUE(page.isActiveWindow());
    QLineEdit* url = edit("URLEdit");
    url->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(url, s("ftp://www.muster.example/"));

    ui.answer(MessageAnswer::Yes);
    edit("emailEdit")->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(ui.messageTexts(), QStringList{FieldGuidance::badUrlMessage()})
        << "the empty e-mail field was never really entered";
    EXPECT_EQ(page.focusWidget(), url);
    EXPECT_EQ(hints.last().at(0).toString(), FieldGuidance::hint(FieldGuidance::UrlTag));
}

TEST_F(SiteDescriptionPageTest, AddressNamingTheMakerIsEmptied)
{
    QLineEdit* url = edit("URLEdit");
    QTest::keyClicks(url, s("http://www.trevanix.example/"));
    leaveFor(url, edit("DescriptionShortEdit"));
    EXPECT_TRUE(url->text().isEmpty());
    EXPECT_EQ(page.focusWidget(), url);
    EXPECT_EQ(ui.messageTexts(), QStringList{FieldGuidance::urlNamesMakerMessage()});

    QLineEdit* mail = edit("emailEdit");
    ui.answer(MessageAnswer::No);
    leaveFor(mail, combo("countryCombo"));
    EXPECT_EQ(ui.messageTexts().last(), FieldGuidance::badEmailMessage())
        << "an empty address is no address";
    EXPECT_EQ(page.focusWidget(), combo("countryCombo"));
}

TEST_F(SiteDescriptionPageTest, CategorySeparatorIsRefusedOnLeaving)
{
    QComboBox* category = combo("CategoryCombo");
    category->setCurrentIndex(18);
    EXPECT_EQ(modified.size(), 1);
    ui.answer(MessageAnswer::Yes);
    leaveFor(category, edit("FirstNameEdit"));
    EXPECT_EQ(ui.messageTexts(), QStringList{FieldGuidance::badCategoryMessage()});
    EXPECT_EQ(page.focusWidget(), category);

    category->setCurrentIndex(17);
    leaveFor(category, edit("FirstNameEdit"));
    EXPECT_EQ(ui.messageTexts().size(), 1);
}

TEST_F(SiteDescriptionPageTest, AgeTakesTwoDigitsAndComplainsOutsideItsRange)
{
    QLineEdit* age = edit("ageEdit");
    QTest::keyClicks(age, s("a5x"));
    EXPECT_EQ(age->text(), s("5"));
    EXPECT_EQ(modified.size(), 1);
    leaveFor(age, edit("NameVornameWebMasterEdit"));
    EXPECT_EQ(ui.messageTexts(), QStringList{FieldGuidance::ageMessage()});
    EXPECT_EQ(page.focusWidget(), age);
    EXPECT_EQ(age->text(), s("5")) << "the user corrects it himself";

    QTest::keyClicks(age, s("789"));
    EXPECT_EQ(age->text(), s("57"));
    leaveFor(age, edit("NameVornameWebMasterEdit"));
    EXPECT_EQ(ui.messageTexts().size(), 1);
    EXPECT_EQ(page.focusWidget(), edit("NameVornameWebMasterEdit"));
}

TEST_F(SiteDescriptionPageTest, KeywordListRefusesTyping)
{
    auto* keywords = control<QPlainTextEdit>("KeywordsMemo");
    SiteRecord record;
    record.KeywordsMemo = s("eins, zwei");
    page.showRecord(record);

    QTest::keyClick(keywords, Qt::Key_A);
    QTest::keyClick(keywords, Qt::Key_Delete);
    QTest::keyClick(keywords, Qt::Key_Tab);
    EXPECT_EQ(keywords->toPlainText(), s("eins, zwei"));
    EXPECT_EQ(ui.messageTexts(), (QStringList{KeywordEditor::directEditMessage(),
                                              KeywordEditor::directEditMessage()}));
    EXPECT_TRUE(ui.messageTexts().first().contains(s("\"Schlüsselwörter\"),\num die")));
    EXPECT_TRUE(modified.isEmpty());
}

TEST_F(SiteDescriptionPageTest, KeywordDialogOkFillsSlotsAndList)
{
    KeywordEditor::Keywords slotTexts;
    slotTexts[0] = s("alt");
    page.setKeywordSlots(&slotTexts);
    const QString longKeyword = s("Suchmaschineneintragsdienstleistung");

    runKeywordDialog([&](QDialog* dialog) {
        EXPECT_EQ(dialog->objectName(), s("TKeywordsDlg"));
        EXPECT_EQ(dialog->windowTitle(), s("Schlüsselwörter"));
        auto* key1 = dialog->findChild<QLineEdit*>(s("Key1"));
        ASSERT_NE(key1, nullptr);
        EXPECT_EQ(key1->text(), s("alt"));
        key1->clear();
        dialog->findChild<QLineEdit*>(s("Key2"))->setText(s("Suchmaschine"));
        dialog->findChild<QLineEdit*>(s("key5"))->setText(longKeyword);
        EXPECT_NE(dialog->findChild<QLineEdit*>(s("key15")), nullptr);
        dialog->findChild<QPushButton*>(s("HelpButton"))->click();
        EXPECT_TRUE(dialog->isVisible()) << "help leaves the dialog open";
        dialog->findChild<QPushButton*>(s("OKButton"))->click();
    });

    EXPECT_EQ(control<QPlainTextEdit>("KeywordsMemo")->toPlainText(),
              s("Suchmaschine, ") + longKeyword);
    EXPECT_TRUE(slotTexts[0].isEmpty());
    EXPECT_EQ(slotTexts[1], s("Suchmaschine"));
    EXPECT_EQ(slotTexts[4], longKeyword.left(30));
    EXPECT_EQ(modified.size(), 1);
    ASSERT_FALSE(ui.shown().empty());
    EXPECT_EQ(ui.shown().back().helpContext, 10);

    // Confirming empty fields empties the list, and that is a change too.
    runKeywordDialog([](QDialog* dialog) {
        for (QLineEdit* field : dialog->findChildren<QLineEdit*>())
            field->clear();
        dialog->findChild<QPushButton*>(s("OKButton"))->click();
    });
    EXPECT_TRUE(control<QPlainTextEdit>("KeywordsMemo")->toPlainText().isEmpty());
    EXPECT_EQ(modified.size(), 2);
}

TEST_F(SiteDescriptionPageTest, KeywordDialogCancelChangesNothing)
{
    KeywordEditor::Keywords slotTexts;
    slotTexts[2] = s("bleibt");
    page.setKeywordSlots(&slotTexts);
    SiteRecord record;
    record.KeywordsMemo = s("bleibt");
    page.showRecord(record);

    runKeywordDialog([](QDialog* dialog) {
        dialog->findChild<QLineEdit*>(s("Key3"))->setText(s("anders"));
        dialog->findChild<QPushButton*>(s("CancelButton"))->click();
    });
    EXPECT_EQ(slotTexts[2], s("bleibt"));
    EXPECT_EQ(control<QPlainTextEdit>("KeywordsMemo")->toPlainText(), s("bleibt"));
    EXPECT_TRUE(modified.isEmpty());
}

TEST_F(SiteDescriptionPageTest, RecordRoundTripKeepsTextsAsTheyStand)
{
    const SiteRecord shown = filledRecord();
    page.showRecord(shown);
    EXPECT_TRUE(modified.isEmpty()) << "showing a record is no change by the user";
    EXPECT_EQ(control<QPlainTextEdit>("DescriptionMemo")->document()->blockCount(), 3);
    EXPECT_EQ(combo("countryCombo")->currentText(), SiteItemLists::countryCombo().at(80));

    SiteRecord read;
    read.Clear();
    page.readInto(read);
    SiteRecord expected = shown;
    EXPECT_EQ(read, expected);
}

// A file may carry a list index the list does not have. It shows as no choice, reads back
// as none, and the required-field check then asks for the category instead of passing a
// category number that matches nothing.
TEST_F(SiteDescriptionPageTest, ListIndexOutsideTheListCountsAsNoChoice)
{
    for (const qint32 index :
         {qint32(SiteItemLists::CategoryCombo().size()), qint32(500), qint32(-7),
          std::numeric_limits<qint32>::max(), std::numeric_limits<qint32>::min()}) {
        SCOPED_TRACE(index);
        SiteRecord odd = filledRecord();
        odd.CategoryCombo = index;
        page.showRecord(odd);
        EXPECT_EQ(combo("CategoryCombo")->currentIndex(), -1);
        SiteRecord read;
        page.readInto(read);
        EXPECT_EQ(read.CategoryCombo, -1);
        EXPECT_EQ(page.RequiredFieldCheck(), FieldGuidance::CategoryTag);
    }
    EXPECT_TRUE(ui.shown().empty());
}

// The menu bar takes no focus, so the main window asks the page to leave the field the user
// is in before a menu opens.
TEST_F(SiteDescriptionPageTest, LeavingTheCurrentFieldOnRequest)
{
    page.show();
    QLineEdit* url = edit("URLEdit");
    enter(url);
    ASSERT_EQ(page.currentField(), FieldGuidance::UrlTag);
    QTest::keyClicks(url, s("ftp://www.muster.example/"));

    ui.answer(MessageAnswer::Yes);
    EXPECT_TRUE(page.leaveCurrentField()) << "the user goes back to correct it";
    EXPECT_EQ(page.currentField(), FieldGuidance::UrlTag);
    ui.answer(MessageAnswer::No);
    EXPECT_FALSE(page.leaveCurrentField());
    EXPECT_EQ(page.currentField(), -1);
    EXPECT_FALSE(page.leaveCurrentField()) << "a field left once is not left again";
    EXPECT_EQ(ui.messageTexts(),
              (QStringList{FieldGuidance::badUrlMessage(), FieldGuidance::badUrlMessage()}));

    // A page out of sight has no field the user is in.
    enter(url);
    page.hide();
    EXPECT_FALSE(page.leaveCurrentField());
    EXPECT_EQ(ui.messageTexts().size(), 2);
}

TEST_F(SiteDescriptionPageTest, UserChangesAreReportedButTheSexListIsNot)
{
    combo("sexCombo")->setCurrentIndex(1);
    EXPECT_TRUE(modified.isEmpty());
    edit("CityEdit")->setText(s("programmatisch"));
    EXPECT_TRUE(modified.isEmpty());

    for (const char* name :
         {"GreetingCombo", "countryCombo", "LanguageCombo", "webtypeCombo", "CategoryCombo"}) {
        modified.clear();
        combo(name)->setCurrentIndex(1);
        EXPECT_EQ(modified.size(), 1) << name;
    }
    modified.clear();
    QTest::keyClicks(control<QPlainTextEdit>("DescriptionMemo"), s("x"));
    EXPECT_EQ(modified.size(), 1);
    modified.clear();
    QTest::keyClicks(edit("CityEdit"), s("y"));
    EXPECT_EQ(modified.size(), 1);
}

TEST_F(SiteDescriptionPageTest, DescriptionStopsAt200WithLineBreaksCountingTwice)
{
    auto* memo = control<QPlainTextEdit>("DescriptionMemo");
    QTest::keyClicks(memo, QString(190, QLatin1Char('a')));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QString(20, QLatin1Char('b')));
    EXPECT_EQ(memo->toPlainText(),
              QString(190, QLatin1Char('a')) + QLatin1Char('\n') + QString(8, QLatin1Char('b')));

    // A record may hold more than the keyboard lets in; showing it keeps it whole.
    SiteRecord record;
    record.DescriptionMemo = QString(255, QLatin1Char('c'));
    page.showRecord(record);
    EXPECT_EQ(memo->toPlainText().size(), 255);
}

TEST_F(SiteDescriptionPageTest, RequiredFieldCheckFocusesTheFirstEmptyField)
{
    QSignalSpy focused(&page, &SiteDescriptionPage::requiredFieldFocused);
    SiteRecord record = filledRecord();
    record.productsEdit.clear();
    record.ageEdit.clear();
    record.FaxEdit = s("---");
    page.showRecord(record);

    EXPECT_EQ(page.RequiredFieldCheck(), 28);
    ASSERT_EQ(focused.size(), 1);
    EXPECT_EQ(focused.at(0).at(0).toInt(), 28);
    EXPECT_EQ(page.focusWidget(), edit("productsEdit"));

    edit("productsEdit")->setText(s(" "));
    EXPECT_EQ(page.RequiredFieldCheck(), -1);
    EXPECT_EQ(focused.size(), 1);

    page.showRecord(SiteRecord{});
    EXPECT_EQ(page.RequiredFieldCheck(), 0);
    EXPECT_EQ(page.focusWidget(), edit("TitleEdit"));
}

} // namespace
