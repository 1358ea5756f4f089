#include "catalogue/EngineDetails.h"

#include "catalogue/TDataModule1.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <gtest/gtest.h>

using pelvaro::catalogue::EngineDetails;
using pelvaro::catalogue::EngineDetailTexts;
using pelvaro::catalogue::TDataModule1;
using pelvaro::test::engine;
using pelvaro::test::TestDirs;

namespace {

// Every label holds this before a row is decoded, so a rule that leaves a label unchanged
// shows up as this text.
EngineDetailTexts previousTexts()
{
    const QString p = QStringLiteral("vorher");
    return {p, p, p, p, p, p, p, p, p, p, p, p, p};
}

struct DetailCase
{
    const char* what;
    QVariantMap row; // on top of a plain service: kind "S", automatic, rating 2, free
    int listCode;
    QString EngineDetailTexts::*label;
    QString expected;
};

void PrintTo(const DetailCase& c, std::ostream* out)
{
    *out << c.what;
}

QVariantMap row(const QVariantMap& extra)
{
    return engine(7, QStringLiteral("Fundgrube"), extra);
}

const QString Max = QStringLiteral("AufnahmeMax");
const QString Kind = QStringLiteral("Kategorie");
const QString Rating = QStringLiteral("Bewertung");
const QString Weeks = QStringLiteral("Unterschiedlich (in der Regel mehrere Wochen)");
const QString Days = QStringLiteral("Unterschiedlich (in der Regel einige Tage)");
constexpr auto Wait = &EngineDetailTexts::wartezeit;

class EngineDetailsDecoding : public testing::TestWithParam<DetailCase>
{
};

TEST_P(EngineDetailsDecoding, ShowsTheRuleText)
{
    const DetailCase& c = GetParam();
    const EngineDetailTexts texts =
        EngineDetails::describe(row(c.row), c.listCode, previousTexts());
    EXPECT_EQ(texts.*c.label, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    WaitingTime, EngineDetailsDecoding,
    testing::Values(
        DetailCase{"0 days, search engine", {{Max, 0}, {Kind, QStringLiteral("S")}}, 1, Wait, Days},
        DetailCase{"0 days, directory", {{Max, 0}, {Kind, QStringLiteral("V")}}, 1, Wait, Weeks},
        DetailCase{"0 days, other kind", {{Max, 0}, {Kind, QStringLiteral("A")}}, 1, Wait, Weeks},
        DetailCase{"no value counts as 0", {{Max, QVariant()}}, 1, Wait, Days},
        DetailCase{"0 days, unknown kind keeps the label",
                   {{Max, 0}, {Kind, QStringLiteral("X")}},
                   1,
                   Wait,
                   QStringLiteral("vorher")},
        DetailCase{"1 day", {{Max, 1}}, 1, Wait, QStringLiteral("Ca. 1 Tage")},
        DetailCase{"3 days", {{Max, 3}}, 1, Wait, QStringLiteral("Ca. 3 Tage")},
        DetailCase{"4 days round up", {{Max, 4}}, 1, Wait, QStringLiteral("Bis zu 1 Wochen")},
        DetailCase{"10 days", {{Max, 10}}, 1, Wait, QStringLiteral("Bis zu 1 Wochen")},
        DetailCase{"11 days", {{Max, 11}}, 1, Wait, QStringLiteral("Bis zu 2 Wochen")},
        DetailCase{"14 days", {{Max, 14}}, 1, Wait, QStringLiteral("Bis zu 2 Wochen")},
        DetailCase{"17 days", {{Max, 17}}, 1, Wait, QStringLiteral("Bis zu 2 Wochen")},
        DetailCase{"28 days", {{Max, 28}}, 1, Wait, QStringLiteral("Bis zu 4 Wochen")},
        DetailCase{"negative days", {{Max, -10}}, 1, Wait, QStringLiteral("Ca. -10 Tage")}));

INSTANTIATE_TEST_SUITE_P(
    Rating, EngineDetailsDecoding,
    testing::Values(DetailCase{"no rating",
                               {{Rating, QVariant()}},
                               1,
                               &EngineDetailTexts::bewertung,
                               QStringLiteral("Suchdienst wurde noch nicht bewertet")},
                    DetailCase{"rating 0",
                               {{Rating, 0}},
                               1,
                               &EngineDetailTexts::bewertung,
                               QStringLiteral("Neuer, bzw. nicht sehr wichtiger Suchdienst")},
                    DetailCase{"rating 1",
                               {{Rating, 1}},
                               1,
                               &EngineDetailTexts::bewertung,
                               QStringLiteral("Kleiner Suchdienst")},
                    DetailCase{"rating 2",
                               {{Rating, 2}},
                               1,
                               &EngineDetailTexts::bewertung,
                               QStringLiteral("Wichtiger Suchdienst")},
                    DetailCase{"rating 3",
                               {{Rating, 3}},
                               1,
                               &EngineDetailTexts::bewertung,
                               QStringLiteral("Sehr wichtiger Suchdienst")},
                    DetailCase{"rating 4",
                               {{Rating, 4}},
                               1,
                               &EngineDetailTexts::bewertung,
                               QStringLiteral("Top-Suchdienst")},
                    DetailCase{"rating 5 keeps the label",
                               {{Rating, 5}},
                               1,
                               &EngineDetailTexts::bewertung,
                               QStringLiteral("vorher")}));

INSTANTIATE_TEST_SUITE_P(
    OtherLabels, EngineDetailsDecoding,
    testing::Values(
        DetailCase{"automatic from the not-selected list",
                   {},
                   1,
                   &EngineDetailTexts::aAnmeldung,
                   QStringLiteral("Ja")},
        DetailCase{"automatic from the selected list",
                   {},
                   2,
                   &EngineDetailTexts::aAnmeldung,
                   QStringLiteral("Ja!")},
        DetailCase{"automatic from the manual page's list",
                   {},
                   4,
                   &EngineDetailTexts::aAnmeldung,
                   QStringLiteral("Ja!")},
        DetailCase{"manual only",
                   {{QStringLiteral("NurManuell"), true}},
                   1,
                   &EngineDetailTexts::aAnmeldung,
                   QStringLiteral("Nur manuelle Anmeldung")},
        DetailCase{"costs money",
                   {{QStringLiteral("KostetGeld"), true}},
                   1,
                   &EngineDetailTexts::kostenpflichtig,
                   QStringLiteral("Ja, dies ist ein kostenpflichtiger Suchdienst")},
        DetailCase{"cost unknown is free",
                   {{QStringLiteral("KostetGeld"), QVariant()}},
                   1,
                   &EngineDetailTexts::kostenpflichtig,
                   QStringLiteral("Nein, die Anmeldung ist kostenfrei")},
        DetailCase{"country given",
                   {{QStringLiteral("Land"), QStringLiteral("de")}},
                   1,
                   &EngineDetailTexts::land,
                   QStringLiteral("de")},
        DetailCase{"no country",
                   {},
                   1,
                   &EngineDetailTexts::land,
                   QStringLiteral("<Information nicht verfügbar>")},
        DetailCase{"directory",
                   {{Kind, QStringLiteral("V")}},
                   1,
                   &EngineDetailTexts::kategorie,
                   QStringLiteral("Verzeichnis (Directory)")},
        DetailCase{"other kind",
                   {{Kind, QStringLiteral("A")}},
                   1,
                   &EngineDetailTexts::kategorie,
                   QStringLiteral("Sonstiges")},
        DetailCase{"lower-case kind is unknown",
                   {{Kind, QStringLiteral("s")}},
                   1,
                   &EngineDetailTexts::kategorie,
                   QStringLiteral("vorher")},
        DetailCase{"registered",
                   {{QStringLiteral("ZuletztRegistriert"), 37028.75}},
                   1,
                   &EngineDetailTexts::zuletztRegistriert,
                   QStringLiteral(
                       "Die letzte Registrierung bei diesem Suchdienst ist am 17.05.01 erfolgt")},
        DetailCase{"registration date 0 is none",
                   {{QStringLiteral("ZuletztRegistriert"), 0.0}},
                   1,
                   &EngineDetailTexts::zuletztRegistriert,
                   QStringLiteral("Sie haben Ihre aktuelle Web-Site noch nicht bei diesem "
                                  "Suchdienst angemeldet")},
        DetailCase{"no remark", {}, 1, &EngineDetailTexts::bemerkung, QStringLiteral("/")},
        DetailCase{"home page",
                   {},
                   1,
                   &EngineDetailTexts::url1Address,
                   QStringLiteral("http://www.dienst7.example/")},
        DetailCase{"no home page",
                   {{QStringLiteral("URL"), QString()}},
                   1,
                   &EngineDetailTexts::url1Address,
                   EngineDetails::productHomePage()},
        DetailCase{"no registration page",
                   {{QStringLiteral("ManuellURL"), QVariant()}},
                   1,
                   &EngineDetailTexts::url2Address,
                   EngineDetails::productDemoPage()},
        DetailCase{"registration link caption",
                   {},
                   1,
                   &EngineDetailTexts::url2Caption,
                   QStringLiteral("Zur Seite \"URL anmelden\" von Fundgrube")}));

// A row whose values have no text keeps each of those labels from the previous showing and
// overwrites all others.
TEST(EngineDetails, UnknownValuesKeepOnlyTheirOwnLabels)
{
    EngineDetailTexts previous = previousTexts();
    const EngineDetailTexts texts = EngineDetails::describe(
        row({{Kind, QStringLiteral("Q")}, {Rating, 9}, {Max, 0}}), 1, previous);
    EXPECT_EQ(texts.kategorie, QStringLiteral("vorher"));
    EXPECT_EQ(texts.bewertung, QStringLiteral("vorher"));
    EXPECT_EQ(texts.wartezeit, QStringLiteral("vorher"));
    EXPECT_EQ(texts.name, QStringLiteral("Fundgrube"));
    EXPECT_EQ(texts.url1Caption, QStringLiteral("Zur Startseite von Fundgrube"));
    EXPECT_EQ(texts.aAnmeldung, QStringLiteral("Ja"));
}

TEST(EngineDetails, ReadsTheCurrentRowOfAView)
{
    const QString data = TestDirs::programDir() + QStringLiteral("/daten");
    pelvaro::test::createCatalogue(
        data, {engine(1, QStringLiteral("Beta"),
                      {{QStringLiteral("Bemerkung"), QStringLiteral("nur englisch")}}),
               engine(2, QStringLiteral("Alpha"), {{Kind, QStringLiteral("V")}, {Max, 21}})});
    pelvaro::test::ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(data, QStringLiteral("x")));

    module.TableEngines().last();
    const EngineDetailTexts texts =
        EngineDetails::describe(module.TableEngines(), 1, previousTexts());
    EXPECT_EQ(texts.name, QStringLiteral("Beta"));
    EXPECT_EQ(texts.bemerkung, QStringLiteral("nur englisch"));
    EXPECT_EQ(texts.kategorie, QStringLiteral("Suchmaschine (Engine)"));

    module.TableEngines().first();
    const EngineDetailTexts first =
        EngineDetails::describe(module.TableEngines(), 1, previousTexts());
    EXPECT_EQ(first.name, QStringLiteral("Alpha"));
    EXPECT_EQ(first.wartezeit, QStringLiteral("Bis zu 3 Wochen"));

    // Nothing is selected: the selected list has no row to describe.
    EXPECT_EQ(EngineDetails::describe(module.TableEngToSend(), 2, previousTexts()),
              previousTexts());
}

} // namespace
