#include "site/FieldGuidance.h"

#include "QtPrinters.h"
#include "ScriptedUiServices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using pelvaro::base::MessageAnswer;
using pelvaro::base::MessageButtons;
using pelvaro::base::MessageKind;
using pelvaro::site::FieldGuidance;
using pelvaro::test::ScriptedUiServices;
using ExitCheck = FieldGuidance::ExitCheck;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The boxes a check showed, as "text|buttons" so a wrong button set fails as clearly as a
// wrong text; every box of these checks is an information box.
QStringList boxes(const ScriptedUiServices& ui)
{
    QStringList shown;
    for (const auto& box : ui.shown()) {
        EXPECT_EQ(box.messageKind, MessageKind::Information) << box.text.toStdString();
        shown << box.text + (box.buttons == MessageButtons::YesNo ? QStringLiteral("|YesNo")
                                                                  : QStringLiteral("|Ok"));
    }
    return shown;
}

QString yesNo(const QString& text)
{
    return text + QStringLiteral("|YesNo");
}

QString ok(const QString& text)
{
    return text + QStringLiteral("|Ok");
}

} // namespace

TEST(FieldGuidance, TagsFollowThePageInRequiredOrder)
{
    const QStringList names{
        s("TitleEdit"),          s("URLEdit"),       s("DescriptionShortEdit"),
        s("DescriptionMemo"),    s("KeywordsMemo"),  s("LanguageCombo"),
        s("webtypeCombo"),       s("CategoryCombo"), s("FirstNameEdit"),
        s("LastNameEdit"),       s("sexCombo"),      s("GreetingCombo"),
        s("title_personEdit"),   s("ageEdit"),       s("NameVornameWebMasterEdit"),
        s("WebmasterEmailEdit"), s("passwordedit"),  s("CompanyEdit"),
        s("emailEdit"),          s("countryCombo"),  s("StateEdit"),
        s("AddressEdit"),        s("PostcodeEdit"),  s("CityEdit"),
        s("phoneEdit"),          s("FaxEdit"),       s("mobileEdit"),
        s("tollfreeEdit"),       s("productsEdit")};
    ASSERT_EQ(names.size(), FieldGuidance::TagCount);
    const std::vector<int> trimmedTags{0,  2,  8,  9,  12, 14, 16, 17, 20,
                                       21, 22, 23, 24, 25, 26, 27, 28};
    for (int tag = 0; tag < FieldGuidance::TagCount; ++tag) {
        SCOPED_TRACE(tag);
        EXPECT_EQ(FieldGuidance::controlName(tag), names.at(tag));
        EXPECT_EQ(FieldGuidance::tagOf(names.at(tag)), tag);
        EXPECT_FALSE(FieldGuidance::hint(tag).isEmpty());
        const bool trims =
            std::find(trimmedTags.cbegin(), trimmedTags.cend(), tag) != trimmedTags.cend();
        EXPECT_EQ(FieldGuidance::check(tag) == FieldGuidance::Check::Trim, trims);
    }
    EXPECT_EQ(FieldGuidance::check(1), FieldGuidance::Check::Url);
    EXPECT_EQ(FieldGuidance::check(7), FieldGuidance::Check::Category);
    EXPECT_EQ(FieldGuidance::check(13), FieldGuidance::Check::Age);
    EXPECT_EQ(FieldGuidance::check(15), FieldGuidance::Check::Email);
    EXPECT_EQ(FieldGuidance::check(18), FieldGuidance::Check::Email);
    EXPECT_EQ(FieldGuidance::tagOf(u"KeywordsDialog"), -1);
    EXPECT_TRUE(FieldGuidance::hint(29).isEmpty());
    EXPECT_TRUE(FieldGuidance::controlName(-1).isEmpty());
}

TEST(FieldGuidance, HintsAndMessagesReadAsWritten)
{
    // Blanks at the edges are part of the texts.
    EXPECT_EQ(FieldGuidance::hint(0),
              s(" Der Titel muß kurz sein, OHNE Superlativen und den Firmennamen enthalten! "));
    EXPECT_EQ(FieldGuidance::hint(22), s(" Bitte geben Sie die Postleistzahl ein."));
    EXPECT_EQ(FieldGuidance::hint(10), FieldGuidance::hint(11));
    EXPECT_EQ(FieldGuidance::hint(1),
              s("Geben Sie bitte die komplette URL (beginnt mit \"http://\", z. B. "
                "\"http://www.ihre-firma.example/\") an, und vergewissern Sie sich, daß sie "
                "korrekt ist."));
    EXPECT_EQ(FieldGuidance::hint(15), s(" Bitte geben Sie die E-Mail-Adresse des Webmasters ein "
                                         "(z. B. webmaster@ihre-firma.example)."));
    EXPECT_EQ(FieldGuidance::hint(18), s(" Bitte geben Sie die allgemeine Firmen-E-Mail-Adresse "
                                         "ein (z. B. info@ihre-firma.example)."));

    EXPECT_EQ(FieldGuidance::badUrlMessage(),
              s("Die eingegebene URL ist ungültig. Geben Sie die URL bitte wie folgt ein: z. B. "
                "\"http://www.ihre-firma.example/\"\n\nMöchten Sie den Fehler korrigieren?"));
    EXPECT_EQ(FieldGuidance::urlNamesMakerMessage(),
              s("Bitte geben Sie korrekte Daten ein: z. B. \"http://www.ihre-firma.example/\""));
    EXPECT_EQ(FieldGuidance::badEmailMessage(),
              s("Die eingegebene E-Mail-Adresse ungültig. Geben Sie die E-Mail-Adresse bitte "
                "wie folgt ein: z. B. \"info@ihre-firma.example\"\n\nMöchten Sie den Fehler "
                "korrigieren?"));
    EXPECT_EQ(FieldGuidance::emailNamesMakerMessage(),
              s("Bitte geben Sie korrekte Daten ein: z. B. \"info@ihre-firma.example\""));
    EXPECT_EQ(FieldGuidance::badCategoryMessage(),
              s("Die Auswahl einer korrekten Kategorie ist für den Anmeldevorgang sehr wichtig! "
                "Bitte wählen Sie eine gültige Kategorie aus.\n\nMöchten Sie den Fehler "
                "korrigieren?"));
    EXPECT_EQ(FieldGuidance::ageMessage(), s("Geben Sie bitte ein Zahl zwischen 6 und 99 ein"));

    // The examples themselves must pass the checks they illustrate.
    ScriptedUiServices ui;
    EXPECT_EQ(FieldGuidance::checkUrl(FieldGuidance::exampleUrl(), ui).focusBack, false);
    EXPECT_EQ(FieldGuidance::checkEmail(FieldGuidance::exampleInfoMail(), ui).focusBack, false);
    EXPECT_EQ(FieldGuidance::checkEmail(FieldGuidance::exampleWebmasterMail(), ui).focusBack,
              false);
    EXPECT_TRUE(ui.shown().empty());
}

struct TextCheckCase
{
    const char* name;
    const char* typed;
    std::vector<MessageAnswer> answers;
    QStringList expectedBoxes;
    const char* text;
    bool focusBack;
};

void PrintTo(const TextCheckCase& c, std::ostream* out)
{
    *out << c.name;
}

class UrlCheck : public testing::TestWithParam<TextCheckCase>
{
};

TEST_P(UrlCheck, StepsRunInOrderOnTheTextAsTyped)
{
    const TextCheckCase& c = GetParam();
    ScriptedUiServices ui;
    for (MessageAnswer answer : c.answers)
        ui.answer(answer);
    const ExitCheck result = FieldGuidance::checkUrl(s(c.typed), ui);
    EXPECT_EQ(boxes(ui), c.expectedBoxes);
    EXPECT_EQ(result, (ExitCheck{s(c.text), c.focusBack}));
}

const QString badUrl = yesNo(FieldGuidance::badUrlMessage());
const QString urlNamed = ok(FieldGuidance::urlNamesMakerMessage());

INSTANTIATE_TEST_SUITE_P(
    FieldGuidance, UrlCheck,
    testing::Values(
        TextCheckCase{
            "valid", "http://www.beispiel.example/", {}, {}, "http://www.beispiel.example/", false},
        TextCheckCase{
            "mixedCaseScheme", "Http://beispiel.example", {}, {}, "Http://beispiel.example", false},
        TextCheckCase{"leadingBlankYes",
                      " http://beispiel.example",
                      {MessageAnswer::Yes},
                      {badUrl},
                      " http://beispiel.example",
                      true},
        TextCheckCase{"noSchemeNo",
                      "www.beispiel.example",
                      {MessageAnswer::No},
                      {badUrl},
                      "www.beispiel.example",
                      false},
        TextCheckCase{"emptyNo", "", {MessageAnswer::No}, {badUrl}, "", false},
        TextCheckCase{"makerLowerCase", "http://www.trevanix.example/", {}, {urlNamed}, "", true},
        TextCheckCase{"product", "http://Pelvaro.example/", {}, {urlNamed}, "", true},
        // The URL check wants the longer form of the product's name.
        TextCheckCase{"shortProductFormPasses",
                      "http://pelvar.example/",
                      {},
                      {},
                      "http://pelvar.example/",
                      false},
        // Emptied once, the text no longer names the product: one complaint, not two.
        TextCheckCase{
            "makerAndProduct", "http://trevanix.example/pelvaro", {}, {urlNamed}, "", true},
        // Answering No to the scheme does not spare the maker check.
        TextCheckCase{"noSchemeAndMaker",
                      "www.trevanix.example",
                      {MessageAnswer::No},
                      {badUrl, urlNamed},
                      "",
                      true}),
    [](const testing::TestParamInfo<TextCheckCase>& info) { return info.param.name; });

class EmailCheck : public testing::TestWithParam<TextCheckCase>
{
};

TEST_P(EmailCheck, FormThenMakerThenProduct)
{
    const TextCheckCase& c = GetParam();
    ScriptedUiServices ui;
    for (MessageAnswer answer : c.answers)
        ui.answer(answer);
    const ExitCheck result = FieldGuidance::checkEmail(s(c.typed), ui);
    EXPECT_EQ(boxes(ui), c.expectedBoxes);
    EXPECT_EQ(result, (ExitCheck{s(c.text), c.focusBack}));
}

const QString badMail = yesNo(FieldGuidance::badEmailMessage());
const QString mailNamed = ok(FieldGuidance::emailNamesMakerMessage());

INSTANTIATE_TEST_SUITE_P(
    FieldGuidance, EmailCheck,
    testing::Values(
        TextCheckCase{"shortestAccepted", "a@b.c", {}, {}, "a@b.c", false},
        TextCheckCase{"dotBeforeAtRejected",
                      "a.b@firma.example",
                      {MessageAnswer::Yes},
                      {badMail},
                      "a.b@firma.example",
                      true},
        TextCheckCase{"dotAtThirdRejected",
                      "ab.c@firma",
                      {MessageAnswer::No},
                      {badMail},
                      "ab.c@firma",
                      false},
        TextCheckCase{"atFirstRejected",
                      "@firma.example",
                      {MessageAnswer::No},
                      {badMail},
                      "@firma.example",
                      false},
        TextCheckCase{
            "noDotRejected", "info@firma", {MessageAnswer::Yes}, {badMail}, "info@firma", true},
        TextCheckCase{"emptyRejected", "", {MessageAnswer::No}, {badMail}, "", false},
        TextCheckCase{"maker", "info@Trevanix.example", {}, {mailNamed}, "", true},
        // The shorter form of the product's name is enough here.
        TextCheckCase{"productShortForm", "info@pelvar.example", {}, {mailNamed}, "", true},
        TextCheckCase{
            "badAndMaker", "trevanix", {MessageAnswer::No}, {badMail, mailNamed}, "", true}),
    [](const testing::TestParamInfo<TextCheckCase>& info) { return info.param.name; });

TEST(FieldGuidance, CategoryChoiceMustNameACategory)
{
    struct Case
    {
        int index;
        bool valid;
    };
    const Case cases[] = {{0, true},    {17, true},  {18, false},  {19, true},   {27, true},
                          {28, false},  {29, true},  {109, true},  {110, false}, {111, true},
                          {130, false}, {145, true}, {146, false}, {-1, false},  {147, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(FieldGuidance::categoryValid(c.index), c.valid);
        ScriptedUiServices ui;
        if (!c.valid)
            ui.answer(MessageAnswer::Yes);
        EXPECT_EQ(FieldGuidance::checkCategory(c.index, ui), !c.valid);
        EXPECT_EQ(boxes(ui), c.valid ? QStringList()
                                     : QStringList{yesNo(FieldGuidance::badCategoryMessage())});
    }
    ScriptedUiServices ui;
    ui.answer(MessageAnswer::No);
    EXPECT_FALSE(FieldGuidance::checkCategory(18, ui)) << "No keeps the focus where the user went";
}

TEST(FieldGuidance, TrimRemovesBlanksAndControlCharactersAtTheEdgesOnly)
{
    const std::pair<QString, QString> cases[] = {
        {s("  Wort  "), s("Wort")},
        {s("\t Zwei  Worte\r\n"), s("Zwei  Worte")},
        {QString(QChar(0x01)) + s(" x ") + QChar(0x7F), s("x")},
        {QChar(0x00A0) + s("x"), QChar(0x00A0) + s("x")},
        {s("   "), QString()},
        {QString(), QString()},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(FieldGuidance::trimmed(text), expected) << text.toStdString();
}

TEST(FieldGuidance, AgeIsEmptyOrAWholeNumberFrom6To99)
{
    for (const char* accepted : {"", "6", "06", "42", "99"})
        EXPECT_TRUE(FieldGuidance::ageAccepted(s(accepted))) << accepted;
    for (const char* rejected : {"0", "5", "05", "100", "1a", " 7", "-7"})
        EXPECT_FALSE(FieldGuidance::ageAccepted(s(rejected))) << rejected;

    ScriptedUiServices ui;
    EXPECT_TRUE(FieldGuidance::checkAge(s("5"), ui));
    EXPECT_FALSE(FieldGuidance::checkAge(s("18"), ui));
    EXPECT_EQ(boxes(ui), QStringList{ok(FieldGuidance::ageMessage())});
}

TEST(FieldGuidance, LeavingRunsTheCheckOfTheTag)
{
    ScriptedUiServices ui;
    EXPECT_EQ(FieldGuidance::leave(0, s("  Titel  "), -1, ui), (ExitCheck{s("Titel"), false}));
    // Memos and plain lists keep their text untouched.
    EXPECT_EQ(FieldGuidance::leave(3, s("  lang  "), -1, ui), (ExitCheck{s("  lang  "), false}));
    EXPECT_EQ(FieldGuidance::leave(19, s("Germany"), 80, ui), (ExitCheck{s("Germany"), false}));
    EXPECT_TRUE(ui.shown().empty());

    EXPECT_EQ(FieldGuidance::leave(13, s("5"), -1, ui), (ExitCheck{s("5"), true}));
    ui.answer(MessageAnswer::Yes);
    EXPECT_TRUE(FieldGuidance::leave(7, s("---"), 18, ui).focusBack);
    ui.answer(MessageAnswer::No);
    EXPECT_FALSE(FieldGuidance::leave(1, s("  http://x.example"), -1, ui).focusBack);
    ui.answer(MessageAnswer::No);
    EXPECT_FALSE(FieldGuidance::leave(15, QString(), -1, ui).focusBack);
    EXPECT_EQ(ui.messageTexts(),
              (QStringList{FieldGuidance::ageMessage(), FieldGuidance::badCategoryMessage(),
                           FieldGuidance::badUrlMessage(), FieldGuidance::badEmailMessage()}));
}

TEST(FieldGuidance, FirstEmptyRequiredFieldInTagOrder)
{
    std::array<QString, FieldGuidance::TagCount> texts;
    texts.fill(s("---"));
    EXPECT_EQ(FieldGuidance::firstEmptyRequired(texts), -1) << "\"---\" counts as filled";

    texts[28].clear();
    EXPECT_EQ(FieldGuidance::firstEmptyRequired(texts), 28);

    texts[13].clear();
    texts[10] = s(" ");
    EXPECT_EQ(FieldGuidance::firstEmptyRequired(texts), 28) << "age never empty, blanks count";

    texts[5].clear();
    texts[3].clear();
    EXPECT_EQ(FieldGuidance::firstEmptyRequired(texts), 3);

    texts.fill(QString());
    EXPECT_EQ(FieldGuidance::firstEmptyRequired(texts), 0);
}

TEST(FieldGuidance, MemoLengthCountsLineBreaksAsTheyAreStored)
{
    EXPECT_EQ(FieldGuidance::memoLength(s("abc")), 3);
    EXPECT_EQ(FieldGuidance::memoLength(s("ab\ncd\n")), 8);
}

TEST(FieldGuidance, MetaFieldsMarkedTooLongExplainThemselves)
{
    EXPECT_EQ(FieldGuidance::metaFieldStatus(true, QStringLiteral("/home/anna/index.html")),
              QStringLiteral("Unzulässige Größe: Eintrag (aus /home/anna/index.html) überschreitet "
                             "die zulässige Größe!"));
    EXPECT_EQ(FieldGuidance::metaFieldStatus(false, QStringLiteral("/home/anna/index.html")),
              QString());
}
