#include "catalogue/EngineDetails.h"

#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <gtest/gtest.h>

using pelvaro::catalogue::EngineDetails;
using pelvaro::catalogue::EngineDetailTexts;
using pelvaro::catalogue::SubmissionTexts;
using pelvaro::catalogue::TDataModule1;
using pelvaro::site::LedgerEntry;
using pelvaro::site::SiteRecord;
using pelvaro::site::SubmissionLedger;
using pelvaro::test::engine;
using pelvaro::test::TestDirs;

namespace {

// Every label holds this before a row is decoded, so a rule that leaves a label unchanged
// shows up as this text.
EngineDetailTexts previousTexts()
{
    const QString p = QStringLiteral("vorher");
    return {p, p, p, p, p, p, p, p, p, p, p, p, p, {}};
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

// The ledger entry in words; times are the user's local time.
TEST(EngineDetails, SubmissionTexts)
{
    // Made from local times, so the expected texts hold in any time zone.
    const QDateTime when = QDateTime(QDate(2026, 12, 11), QTime(5, 3, 12)).toUTC();
    const QDateTime retry = QDateTime(QDate(2026, 12, 11), QTime(6, 0, 0)).toUTC();
    const auto entry = [&when](LedgerEntry::Outcome outcome, int status, const char* message) {
        LedgerEntry e;
        e.nr = 7;
        e.when = when;
        e.outcome = outcome;
        e.statusCode = status;
        e.message = QString::fromUtf8(message);
        return e;
    };
    LedgerEntry accepted = entry(LedgerEntry::Outcome::Accepted, 200, "Anmeldung erfolgreich");
    LedgerEntry pending = entry(LedgerEntry::Outcome::AcceptedPending, 202, "");
    pending.addresses = {QStringLiteral("https://www.example.org/a"),
                         QStringLiteral("https://www.example.org/b"),
                         QStringLiteral("https://www.example.org/c")};
    LedgerEntry failed =
        entry(LedgerEntry::Outcome::Failed, 0, "Keine Verbindung\r\nZeitüberschreitung\rEnde");
    LedgerEntry tooMany = entry(LedgerEntry::Outcome::TooManyRequests, 429, "");
    tooMany.notBefore = retry;
    LedgerEntry tooManyNoTime = entry(LedgerEntry::Outcome::TooManyRequests, 429, "Später");
    LedgerEntry one = entry(LedgerEntry::Outcome::Accepted, 200, "OK");
    one.addresses = {QStringLiteral("https://www.example.org/")};
    LedgerEntry many = entry(LedgerEntry::Outcome::Accepted, 200, "OK");
    for (int i = 0; i < 10'000; ++i)
        many.addresses.append(QStringLiteral("https://www.example.org/%1").arg(i));
    const LedgerEntry noAddresses = entry(LedgerEntry::Outcome::Failed, 400, "Bad Request");

    const QString sentAt = QStringLiteral("11.12.2026 05:03:12");
    const struct
    {
        const char* name;
        const LedgerEntry* entry;
        bool indexNow;
        SubmissionTexts expected;
    } cases[] = {
        {"nothing sent", nullptr, false, {}},
        {"nothing sent, IndexNow", nullptr, true, {}},
        {"accepted",
         &accepted,
         false,
         {sentAt,
          QStringLiteral("angenommen"),
          QStringLiteral("Status 200: Anmeldung erfolgreich"),
          {},
          {}}},
        {"202 with addresses",
         &pending,
         true,
         {sentAt, QStringLiteral("angenommen, Schlüssel wird noch geprüft"),
          QStringLiteral("Status 202"), QStringLiteral("3 Adressen übermittelt"),
          pending.addresses}},
        {"failed without a status, lines broken as in the message",
         &failed,
         false,
         {sentAt,
          QStringLiteral("fehlgeschlagen"),
          QStringLiteral("Keine Verbindung\nZeitüberschreitung\nEnde"),
          {},
          {}}},
        {"429 with the next try",
         &tooMany,
         true,
         {sentAt,
          QStringLiteral("zu viele Anfragen – nächster Versuch frühestens 11.12.2026 06:00:00"),
          QStringLiteral("Status 429"),
          QStringLiteral("0 Adressen übermittelt"),
          {}}},
        {"429 without a time",
         &tooManyNoTime,
         false,
         {sentAt,
          QStringLiteral("zu viele Anfragen"),
          QStringLiteral("Status 429: Später"),
          {},
          {}}},
        {"one address",
         &one,
         true,
         {sentAt, QStringLiteral("angenommen"), QStringLiteral("Status 200: OK"),
          QStringLiteral("1 Adresse übermittelt"), one.addresses}},
        {"ten thousand addresses",
         &many,
         true,
         {sentAt, QStringLiteral("angenommen"), QStringLiteral("Status 200: OK"),
          QStringLiteral("10.000 Adressen übermittelt"), many.addresses}},
        {"form service: no address line",
         &noAddresses,
         false,
         {sentAt,
          QStringLiteral("fehlgeschlagen"),
          QStringLiteral("Status 400: Bad Request"),
          {},
          {}}},
    };
    for (const auto& c : cases) {
        const SubmissionTexts texts = EngineDetails::describeSubmission(c.entry, c.indexNow);
        EXPECT_EQ(texts, c.expected) << c.name;
    }
    EXPECT_EQ(SubmissionTexts().last, QStringLiteral("Noch nicht angemeldet."));
}

// The row's Nr finds its entry in the open site's ledger, and its IndexNow flag says which
// part of the site counts; an accepted site edited since says so.
TEST(EngineDetails, DescribeReadsTheOpenSitesLedger)
{
    SiteRecord site;
    site.TitleEdit = QStringLiteral("Bäckerei Sommer");
    site.indexNowKey = QStringLiteral("key-0123456789");
    LedgerEntry sent;
    sent.nr = 7;
    sent.when = QDateTime(QDate(2026, 12, 11), QTime(5, 3, 12)).toUTC();
    sent.outcome = LedgerEntry::Outcome::Accepted;
    sent.statusCode = 200;
    sent.fingerprint = SubmissionLedger::siteFingerprint(site);
    site.ledger.record(sent);

    const auto outcome = [&site](const QVariantMap& extra, const SiteRecord* open) {
        return EngineDetails::describe(row(extra), 1, previousTexts(), open).submission;
    };
    EXPECT_EQ(outcome({}, &site).outcome, QStringLiteral("angenommen"));
    EXPECT_EQ(outcome({}, &site).last, QStringLiteral("11.12.2026 05:03:12"));
    EXPECT_EQ(outcome({}, nullptr), SubmissionTexts());
    EXPECT_EQ(outcome({{QStringLiteral("Nr"), 8}}, &site), SubmissionTexts());
    // Sent the form, now an IndexNow endpoint: what it got is not what it would get.
    EXPECT_EQ(outcome({{QStringLiteral("IndexNow"), true}}, &site).outcome,
              QStringLiteral("angenommen (Schlüssel oder Adressen wurden seither geändert)"));

    site.indexNowUrls = {QStringLiteral("https://www.example.org/neu")};
    EXPECT_EQ(outcome({}, &site).outcome, QStringLiteral("angenommen"));
    site.TitleEdit = QStringLiteral("Bäckerei Sommer & Söhne");
    EXPECT_EQ(outcome({}, &site).outcome,
              QStringLiteral("angenommen (die Angaben wurden seither geändert)"));
}

} // namespace
