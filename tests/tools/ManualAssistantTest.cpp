#include "tools/ManualAssistant.h"

#include "base/DayNumber.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

using pelvaro::base::MessageAnswer;
using pelvaro::base::MessageKind;
using pelvaro::catalogue::SelectionCounters;
using pelvaro::catalogue::TDataModule1;
using pelvaro::site::SiteRecord;
using pelvaro::test::engine;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using pelvaro::tools::ManualAssistant;

namespace {

TEST(ManualAssistantValues, EveryButtonCopiesItsOwnFieldWithLineBreaksKept)
{
    SiteRecord record;
    record.Clear();
    record.TitleEdit = QStringLiteral("Titel der Site");
    record.URLEdit = QStringLiteral("http://www.beispiel.example/");
    record.DescriptionShortEdit = QStringLiteral("Kurz");
    record.DescriptionMemo = QStringLiteral("Erste Zeile\nZweite Zeile\n");
    record.KeywordsMemo = QStringLiteral("eins, zwei");
    record.FirstNameEdit = QStringLiteral("Erika");
    record.LastNameEdit = QStringLiteral("Muster");
    record.WebmasterEmailEdit = QStringLiteral("webmaster@beispiel.example");
    record.CompanyEdit = QStringLiteral("Muster GmbH");
    record.PostcodeEdit = QStringLiteral("12345");
    record.CityEdit = QStringLiteral("Musterstadt");
    record.AddressEdit = QStringLiteral("Hauptstr. 1");
    // Look-alike fields that must not be taken instead.
    record.emailEdit = QStringLiteral("info@beispiel.example");
    record.NameVornameWebMasterEdit = QStringLiteral("Max Muster");

    const ManualAssistant::Values values = ManualAssistant::valuesOf(record);
    const std::pair<int, QString> expected[] = {
        {1, record.TitleEdit},
        {2, record.URLEdit},
        {3, record.DescriptionShortEdit},
        {4, record.DescriptionMemo},
        {5, record.KeywordsMemo},
        {6, record.FirstNameEdit},
        {7, record.LastNameEdit},
        {8, record.WebmasterEmailEdit},
        {9, record.CompanyEdit},
        {10, record.PostcodeEdit},
        {11, record.CityEdit},
        {12, record.AddressEdit},
    };
    for (const auto& [number, value] : expected)
        EXPECT_EQ(values.at(size_t(number)), value)
            << ManualAssistant::caption(number).toStdString();
    EXPECT_TRUE(values.at(0).isEmpty());
}

// ---- starting ----

struct StartCase
{
    const char* name;
    int firstEmptyField; // -1: all filled
    std::optional<MessageAnswer> answer;
    int anzManuell;
    ManualAssistant::Start expected;
    std::vector<MessageKind> boxes;
};

class ManualAssistantStart : public testing::TestWithParam<StartCase>
{
};

TEST_P(ManualAssistantStart, AsksAboutMissingValuesAndRefusesWithoutManualServices)
{
    const StartCase& c = GetParam();
    ScriptedUiServices ui;
    if (c.answer)
        ui.answer(*c.answer);
    SelectionCounters counters;
    counters.AnzAusgewaehlt = 5;
    counters.AnzManuell = c.anzManuell;
    int checks = 0;
    const auto check = [&] {
        ++checks;
        return c.firstEmptyField;
    };

    EXPECT_EQ(ManualAssistant::checkStart(ui, check, counters), c.expected);

    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(ui.allAnswersUsed());
    ASSERT_EQ(ui.shown().size(), c.boxes.size());
    for (size_t i = 0; i < c.boxes.size(); ++i) {
        const auto& box = ui.shown()[i];
        EXPECT_EQ(box.messageKind, c.boxes[i]);
        EXPECT_EQ(box.text, c.boxes[i] == MessageKind::Question
                                ? ManualAssistant::missingValuesQuestion()
                                : ManualAssistant::nothingManualText());
        EXPECT_EQ(box.buttons, c.boxes[i] == MessageKind::Question
                                   ? pelvaro::base::MessageButtons::YesNo
                                   : pelvaro::base::MessageButtons::Ok);
    }
}

using Start = ManualAssistant::Start;
INSTANTIATE_TEST_SUITE_P(
    Cases, ManualAssistantStart,
    testing::Values(
        StartCase{"AllFilled", -1, std::nullopt, 3, Start::Go, {}},
        StartCase{"MissingAnsweredNo",
                  28,
                  MessageAnswer::No,
                  3,
                  Start::ToSitePage,
                  {MessageKind::Question}},
        StartCase{
            "MissingAnsweredYes", 0, MessageAnswer::Yes, 3, Start::Go, {MessageKind::Question}},
        StartCase{"MissingYesButNoManual",
                  4,
                  MessageAnswer::Yes,
                  0,
                  Start::Stop,
                  {MessageKind::Question, MessageKind::Information}},
        StartCase{"NoManual", -1, std::nullopt, 0, Start::Stop, {MessageKind::Information}}),
    [](const testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST(ManualAssistantTexts, LineBreaksAreQtLineBreaks)
{
    for (const QString& text :
         {ManualAssistant::missingValuesQuestion(), ManualAssistant::nothingManualText()}) {
        EXPECT_FALSE(text.contains(QLatin1Char('\r')));
        EXPECT_TRUE(text.contains(QStringLiteral("\n\n")));
    }
    EXPECT_TRUE(ManualAssistant::missingValuesQuestion().startsWith(
        QStringLiteral("Sie haben keine Kenndaten eingegeben (Seitenregister \"Kenndaten "
                       "eingeben\"). \n\nDie Anmeldehilfe")));
    EXPECT_TRUE(ManualAssistant::nothingManualText().endsWith(
        QStringLiteral("\n\nHinweis: Die \"Anmeldehilfe\" ist nur für Suchdienste verfügbar, bei "
                       "denen *nicht* automatisch angemeldet werden kann.")));
}

// ---- the service display ----

struct DisplayCase
{
    const char* name;
    QString serviceName, url, manuellUrl;
    QString shownName;
    bool startEnabled, registrationEnabled;
};

class ManualAssistantDisplay : public testing::TestWithParam<DisplayCase>
{
};

TEST_P(ManualAssistantDisplay, LinksAndName)
{
    const DisplayCase& c = GetParam();
    const QString remark = QStringLiteral("Anmeldung nur mit Konto.");
    const auto shown = ManualAssistant::display(c.serviceName, c.url, c.manuellUrl, remark);

    EXPECT_EQ(shown.name, c.shownName);
    EXPECT_EQ(shown.remark, remark);
    const ManualAssistant::Link off{ManualAssistant::noLinkCaption(), QString(), false};
    const ManualAssistant::Link start{QStringLiteral("Zur Startseite"), c.url, true};
    const ManualAssistant::Link registration{QStringLiteral("Zur \"Anmeldung\""), c.manuellUrl,
                                             true};
    EXPECT_EQ(shown.startPage, c.startEnabled ? start : off);
    EXPECT_EQ(shown.registrationPage, c.registrationEnabled ? registration : off);
}

const QString home = QStringLiteral("http://a.example/");
const QString form = QStringLiteral("http://a.example/add");
INSTANTIATE_TEST_SUITE_P(
    Cases, ManualAssistantDisplay,
    testing::Values(DisplayCase{"TenCharactersWhole", QStringLiteral("Zehn Zeich"), home, form,
                                QStringLiteral("Zehn Zeich"), true, true},
                    DisplayCase{"ElevenCharactersCut", QStringLiteral("Elf Zeichen"), home, form,
                                QStringLiteral("Elf Zeiche..."), true, true},
                    DisplayCase{"UmlautsCountAsOne", QStringLiteral("Größenwahn!"), home, form,
                                QStringLiteral("Größenwahn..."), true, true},
                    DisplayCase{"NoRegistrationPage", QStringLiteral("Dienst"), home, QString(),
                                QStringLiteral("Dienst"), true, false},
                    DisplayCase{"NoStartPageNoLinks", QStringLiteral("Dienst"), QString(), form,
                                QStringLiteral("Dienst"), false, false},
                    DisplayCase{"NoNameNoLinks", QString(), home, form, QString(), false, false}),
    [](const testing::TestParamInfo<DisplayCase>& info) { return std::string(info.param.name); });

// ---- against the catalogue ----

class ManualAssistantCatalogue : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        const QVariantMap manual{{QStringLiteral("NurManuell"), true},
                                 {QStringLiteral("Ausgewaehlt"), true}};
        QVariantMap dated = manual;
        dated.insert(QStringLiteral("ZuletztRegistriert"), earlier);
        QVariantMap remarked = manual;
        remarked.insert(QStringLiteral("Bemerkung"), QStringLiteral("Nur mit Anmeldung."));
        // Store order differs from name order, which the view walks.
        pelvaro::test::createCatalogue(
            data,
            {engine(1, QStringLiteral("Cäsar"), dated),
             engine(2, QStringLiteral("Automatisch"), {{QStringLiteral("Ausgewaehlt"), true}}),
             engine(3, QStringLiteral("Anton"), remarked),
             engine(4, QStringLiteral("Berta"), dated),
             engine(5, QStringLiteral("Abgewählt"), {{QStringLiteral("NurManuell"), true}})});
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QStringLiteral("1")));
        ASSERT_EQ(manualView().rowCount(), 3);
    }

    pelvaro::catalogue::store::TableCursor& manualView() { return module->TableManuellSenden(); }

    // The dates as the file holds them, by Nr.
    std::map<int, QVariant> dates()
    {
        std::map<int, QVariant> out;
        for (const auto& row :
             module->readRows({QStringLiteral("Nr"), QStringLiteral("ZuletztRegistriert")}))
            out[row.values.at(0).toInt()] = row.values.at(1);
        return out;
    }

    static constexpr double earlier = 40000.0;
    const QDate today{2026, 12, 10};
    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
};

TEST_F(ManualAssistantCatalogue, RegistrationDatesTheServiceAndOpensTheNextStartPage)
{
    auto& view = manualView();
    view.first();
    EXPECT_EQ(ManualAssistant::display(view).name, QStringLiteral("Anton"));
    EXPECT_EQ(ManualAssistant::display(view).remark, QStringLiteral("Nur mit Anmeldung."));

    EXPECT_EQ(ManualAssistant::registrationDone(view, today),
              QStringLiteral("http://www.dienst4.example/"));

    EXPECT_EQ(view.position(), 1);
    EXPECT_EQ(ManualAssistant::display(view).name, QStringLiteral("Berta"));
    const auto after = dates();
    EXPECT_DOUBLE_EQ(after.at(3).toDouble(), pelvaro::base::DayNumber::fromDate(today));
    EXPECT_EQ(after.at(1).toDouble(), earlier);
    EXPECT_EQ(after.at(4).toDouble(), earlier);
    EXPECT_FALSE(after.at(2).isValid());
    EXPECT_FALSE(after.at(5).isValid());
    EXPECT_EQ(view.rowCount(), 3) << "a dated service stays in the manual list";
}

TEST_F(ManualAssistantCatalogue, RegistrationOnTheLastServiceStaysThereAndOpensItAgain)
{
    auto& view = manualView();
    view.last();
    ASSERT_EQ(ManualAssistant::display(view).name, QStringLiteral("Cäsar"));

    EXPECT_EQ(ManualAssistant::registrationDone(view, today),
              QStringLiteral("http://www.dienst1.example/"));

    EXPECT_EQ(view.position(), 2);
    EXPECT_EQ(ManualAssistant::display(view).name, QStringLiteral("Cäsar"));
    EXPECT_DOUBLE_EQ(dates().at(1).toDouble(), pelvaro::base::DayNumber::fromDate(today));
}

TEST_F(ManualAssistantCatalogue, AnEmptyManualListShowsNoServiceAndRecordsNothing)
{
    module->AllesNichtAuswaehlen();
    auto& view = manualView();
    view.refresh();
    ASSERT_TRUE(view.isEmpty());

    const auto shown = ManualAssistant::display(view);
    EXPECT_TRUE(shown.name.isEmpty());
    EXPECT_FALSE(shown.startPage.enabled);
    EXPECT_TRUE(ManualAssistant::registrationDone(view, today).isEmpty());
    EXPECT_EQ(dates().at(3), QVariant());
}

} // namespace
