#include "tools/MetaTagSiteImport.h"

#include "ScriptedUiServices.h"
#include "site/SiteRecord.h"

#include <gtest/gtest.h>

using pelvaro::base::MessageAnswer;
using pelvaro::site::SiteRecord;
using pelvaro::test::ScriptedUiServices;
using pelvaro::tools::ExpiryChoice;
using pelvaro::tools::MetaTagForm;
using pelvaro::tools::MetaTagSiteImport;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

SiteRecord storedSite()
{
    SiteRecord record;
    record.NameVornameWebMasterEdit = s("Erika Muster");
    record.CompanyEdit = s("Muster GmbH");
    record.KeywordsMemo = s("Bücher, Antiquariat");
    record.DescriptionMemo = s("Alte Bücher\r\naus aller Welt");
    // Fields that feed no meta tag.
    record.TitleEdit = s("Titel");
    record.DescriptionShortEdit = s("Kurz");
    return record;
}

const QString category = s("Computer/Software/Spiele (Games)");
const QString webtype = s("Private Homepage");

QString question(const char* label)
{
    return MetaTagSiteImport::overwriteQuestion(s(label));
}

} // namespace

TEST(MetaTagSiteImport, FillsAnEmptyFormWithoutAskingAndLeavesTheOtherFieldsAlone)
{
    ScriptedUiServices ui;
    MetaTagForm empty;
    empty.ComboBoxZielgruppe = s("Alle");
    empty.ComboBoxIndizierung = 1;
    empty.expiry = ExpiryChoice::Sofort;

    const MetaTagForm result = MetaTagSiteImport::apply(empty, storedSite(), category, webtype, ui);

    MetaTagForm expected = empty;
    expected.EditAutor = s("Erika Muster");
    expected.EditHerausgeber = s("Muster GmbH");
    expected.EditCopyright = s("Muster GmbH");
    expected.ComboBoxThema = s("Spiele (Games)");
    expected.MemoKeys = s("Bücher, Antiquariat");
    expected.MemoBeschreibung = s("Alte Bücher\r\naus aller Welt");
    expected.ComboBoxSeitentyp = webtype;
    EXPECT_EQ(result, expected);
    EXPECT_TRUE(ui.messageTexts().isEmpty());
}

// Filled fields are asked about one by one, in the page's order, and only a Yes replaces;
// a blank-only field counts as filled, and a Yes takes even an empty source value.
TEST(MetaTagSiteImport, AsksForEachFilledFieldInOrderAndReplacesOnlyOnYes)
{
    ScriptedUiServices ui;
    MetaTagForm filled;
    filled.EditAutor = s("alt");
    filled.EditCopyright = s(" ");
    filled.ComboBoxThema = s("alt");
    filled.MemoKeys = s("alt");
    filled.MemoBeschreibung = s("alt");
    filled.ComboBoxSeitentyp = s("alt");
    SiteRecord stored = storedSite();
    stored.KeywordsMemo.clear();

    for (MessageAnswer a : {MessageAnswer::No, MessageAnswer::Yes, MessageAnswer::Yes,
                            MessageAnswer::Yes, MessageAnswer::No, MessageAnswer::Yes})
        ui.answer(a);
    const MetaTagForm result = MetaTagSiteImport::apply(filled, stored, category, webtype, ui);

    EXPECT_EQ(ui.messageTexts(), QStringList({question("Autor"), question("Copyright"),
                                              question("Thema"), question("Schlüsselwörter"),
                                              question("Beschreibung"), question("Web-Typ")}));
    MetaTagForm expected;
    expected.EditAutor = s("alt");
    expected.EditHerausgeber = s("Muster GmbH");
    expected.EditCopyright = s("Muster GmbH");
    expected.ComboBoxThema = s("Spiele (Games)");
    expected.MemoKeys = QString();
    expected.MemoBeschreibung = s("alt");
    expected.ComboBoxSeitentyp = webtype;
    EXPECT_EQ(result, expected);
}

TEST(MetaTagSiteImport, QuestionNamesTheFieldsLabel)
{
    EXPECT_EQ(question("Schlüsselwörter"),
              s("Das Feld \"Schlüsselwörter\" wurde bereits ausgefüllt. Soll es mit der Eingabe "
                "aus dem Kenndaten-Formular überschrieben werden?"));
}

TEST(MetaTagSiteImport, TopicIsTheCategoryBehindItsLastSlash)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Computer/Software/Spiele (Games)", "Spiele (Games)"},
        {"Reisen (Travel)", "Reisen (Travel)"},
        {"Computer/", ""},
        {"", ""},
    };
    for (const auto& [categoryText, topic] : cases)
        EXPECT_EQ(MetaTagSiteImport::topicOf(s(categoryText)), s(topic)) << categoryText;
}
