#include "catalogue/FilterSession.h"

#include "base/DayNumber.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <memory>

using pelvaro::base::DayNumber;
using pelvaro::catalogue::FilterCriteria;
using pelvaro::catalogue::FilterSession;
using pelvaro::catalogue::SelectionCounters;
using pelvaro::catalogue::TDataModule1;
using pelvaro::site::LedgerEntry;
using pelvaro::site::SiteRecord;
using pelvaro::site::SubmissionLedger;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

// The sample catalogue (604 entries, none selected, none registered yet) in a real file.
class FilterSessionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        settings = TestDirs::settingsFile();
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        pelvaro::test::installSampleCatalogue(data);
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QString()));
    }

    std::unique_ptr<FilterSession> open()
    {
        return std::make_unique<FilterSession>(ui, *module, criteria, settings);
    }
    // The store positions of the entries that meet an SQL condition, read past every view.
    QList<qint64> rowsWhere(const char* condition)
    {
        QList<qint64> rows;
        for (const TDataModule1::StoreRow& row :
             module->readRows({QStringLiteral("Nr")}, QString::fromUtf8(condition)))
            rows << row.rowid;
        return rows;
    }
    QList<qint64> selectedRows() { return rowsWhere("IFNULL(Ausgewaehlt, 0) <> 0"); }
    void writeSetting(const QString& key, const QString& value)
    {
        QSettings file(settings, QSettings::IniFormat);
        file.setValue(FilterSession::settingsGroup() + QLatin1Char('/') + key, value);
    }

    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
    FilterCriteria criteria;
    QString settings;
};

TEST_F(FilterSessionTest, NothingTickedCountsEveryEntryAndOkSelectsNone)
{
    module->AllesAuswaehlen();
    {
        const auto session = open();
        EXPECT_TRUE(module->TableFilter().isOpen());
        EXPECT_EQ(session->statusText(), QStringLiteral("Kein Filter"));
        EXPECT_EQ(session->countText(), QStringLiteral("Anz. passender Datensätze: 604"));
        EXPECT_EQ(module->TableFilter().filter(), QStringLiteral("(Kategorie = 'X')"));
        EXPECT_FALSE(module->TableFilter().filtered());

        session->apply();
        EXPECT_EQ(ui.lastWaitText(), QStringLiteral("Tabelle wird neu sortiert, bitte warten ..."));
        EXPECT_FALSE(ui.waitNoticeShown());
    }
    EXPECT_FALSE(module->TableFilter().isOpen());
    EXPECT_TRUE(selectedRows().isEmpty());
    EXPECT_EQ(module->counters(), (SelectionCounters{604, 0, 0, 0}));
}

struct SelectCase
{
    const char* name;
    std::vector<FilterCriteria::Criterion> clicked;
    std::vector<int> countries;
    const char* passing; // SQL over table dba
};

class FilterSessionSelects : public FilterSessionTest,
                             public testing::WithParamInterface<SelectCase>
{
};

// What the status bar counts is what OK then selects, and nothing else stays selected.
TEST_P(FilterSessionSelects, OkSelectsExactlyWhatTheStatusCounts)
{
    const SelectCase& c = GetParam();
    const QList<qint64> passing = rowsWhere(c.passing);
    // A case that passes all or nothing would prove little.
    ASSERT_GT(passing.size(), 0);
    ASSERT_LT(passing.size(), 604);
    module->setField(QStringLiteral("Ausgewaehlt"), true, QStringLiteral("rowid % 3 = 0"));
    module->recount();

    const auto session = open();
    for (const FilterCriteria::Criterion box : c.clicked)
        session->click(box, true);
    for (const int code : c.countries)
        session->setCountryTicked(code, true);
    EXPECT_EQ(session->statusText(), QStringLiteral("Filter aktiv"));
    EXPECT_EQ(session->count(), passing.size());

    session->apply();
    EXPECT_EQ(selectedRows(), passing);
    EXPECT_EQ(module->counters().AnzAusgewaehlt, passing.size());
    EXPECT_EQ(module->counters().AnzNichtAusgewaehlt, 604 - passing.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterSessionSelects,
    testing::Values(SelectCase{"TopOnly", {FilterCriteria::Top100}, {}, "Bewertung IN (2, 3, 4)"},
                    SelectCase{"EveryKindButOther",
                               {FilterCriteria::Directories, FilterCriteria::SpiderEngines},
                               {},
                               "Kategorie IN ('V', 'S')"},
                    SelectCase{"OtherAmongTopNotRegistered",
                               {FilterCriteria::Other, FilterCriteria::Top100,
                                FilterCriteria::NotRegistered},
                               {},
                               "Kategorie = 'A' AND Bewertung > 1 AND ZuletztRegistriert IS NULL"},
                    SelectCase{"TwoCountries",
                               {FilterCriteria::LimitCountries},
                               {0, 17},
                               "CodeFuerFlagge IN (0, 17)"}),
    [](const auto& info) { return std::string(info.param.name); });

// The three kinds together cover the whole sample catalogue, so every entry passes.
TEST_F(FilterSessionTest, AllThreeKindsSelectEveryEntryOfThem)
{
    const auto session = open();
    for (const FilterCriteria::Criterion kind :
         {FilterCriteria::Directories, FilterCriteria::SpiderEngines, FilterCriteria::Other})
        session->click(kind, true);
    EXPECT_EQ(module->TableFilter().filter(),
              QStringLiteral("((Kategorie = 'V') or (Kategorie = 'S') or (Kategorie = 'A'))"));
    EXPECT_TRUE(module->TableFilter().filtered());
    session->apply();
    EXPECT_EQ(selectedRows(), rowsWhere("Kategorie IN ('V', 'S', 'A')"));
    EXPECT_EQ(module->counters().AnzAusgewaehlt, 604);
}

TEST_F(FilterSessionTest, CountriesCountOnlyWhileTheirBoxIsTicked)
{
    const auto session = open();
    EXPECT_FALSE(session->countriesEnabled());
    session->setCountryTicked(17, true);
    EXPECT_EQ(session->statusText(), QStringLiteral("Kein Filter"));

    session->click(FilterCriteria::LimitCountries, true);
    EXPECT_TRUE(session->countriesEnabled());
    EXPECT_EQ(session->count(), rowsWhere("CodeFuerFlagge = 17").size());

    session->setCountryTicked(17, false);
    // The box with no country ticked adds nothing.
    EXPECT_EQ(criteria.expression(), QString());
    EXPECT_EQ(session->statusText(), QStringLiteral("Kein Filter"));
    EXPECT_EQ(session->count(), 604);

    session->setCountryTicked(3, true);
    session->click(FilterCriteria::LimitCountries, false);
    EXPECT_FALSE(session->countriesEnabled());
    EXPECT_TRUE(session->isCountryTicked(3));
    EXPECT_EQ(session->count(), 604);
}

TEST_F(FilterSessionTest, ThePickersDateCountsOnlyWhenTheBoxIsClicked)
{
    // Ten entries registered in 2020, five more in 2024.
    module->setField(QStringLiteral("ZuletztRegistriert"), DayNumber::fromDate(QDate(2020, 6, 1)),
                     QStringLiteral("rowid <= 10"));
    module->setField(QStringLiteral("ZuletztRegistriert"), DayNumber::fromDate(QDate(2024, 6, 1)),
                     QStringLiteral("rowid > 10 AND rowid <= 15"));
    const auto session = open();
    session->setPickerDate(QDate(2021, 1, 1));
    session->click(FilterCriteria::RegisteredBefore, true);
    EXPECT_EQ(module->TableFilter().filter(),
              QStringLiteral("(ZuletztRegistriert <=  '01.01.2021')"));
    EXPECT_EQ(session->count(), 10);

    session->setPickerDate(QDate(2025, 1, 1));
    EXPECT_EQ(criteria.filterDate(), QDate(2021, 1, 1));
    EXPECT_EQ(session->count(), 10);
    session->setPickerDate(QDate());
    EXPECT_EQ(session->pickerDate(), QDate(2025, 1, 1)) << "no date is no date to keep";

    session->click(FilterCriteria::RegisteredBefore, false);
    session->click(FilterCriteria::RegisteredBefore, true);
    EXPECT_EQ(session->count(), 15);
}

TEST_F(FilterSessionTest, CancelLeavesTheSelectionButKeepsTheTicks)
{
    module->setField(QStringLiteral("Ausgewaehlt"), true, QStringLiteral("rowid <= 20"));
    module->recount();
    const SelectionCounters before = module->counters();
    const QList<qint64> selected = selectedRows();
    {
        const auto session = open();
        session->click(FilterCriteria::Top100, true);
        session->click(FilterCriteria::Directories, true);
        session->save();
    }
    EXPECT_EQ(module->counters(), before);
    module->recount();
    EXPECT_EQ(module->counters(), before);
    EXPECT_EQ(selectedRows(), selected);

    EXPECT_EQ(criteria.bits(), FilterCriteria::Top100 | FilterCriteria::Directories);
    const auto again = open();
    EXPECT_TRUE(again->isTicked(FilterCriteria::Top100));
    EXPECT_TRUE(again->isTicked(FilterCriteria::Directories));
    EXPECT_EQ(again->count(), rowsWhere("Kategorie = 'V' AND Bewertung > 1").size());
}

// A restored date box takes the restored picker date, and the country part is made from the
// restored country ticks: what the box shows is what it filters with.
TEST_F(FilterSessionTest, TheTicksComeBackFromTheSettingsFile)
{
    FilterSession::State saved;
    {
        const auto session = open();
        session->setPickerDate(QDate(2024, 3, 15));
        session->click(FilterCriteria::RegisteredBefore, true);
        session->click(FilterCriteria::LimitCountries, true);
        session->setCountryTicked(0, true);
        session->setCountryTicked(17, true);
        // Moved after the click: the criterion still has 15 March.
        session->setPickerDate(QDate(2025, 5, 5));
        EXPECT_TRUE(session->save());
        saved = session->state();
    }
    {
        const QSettings file(settings, QSettings::IniFormat);
        const auto value = [&file](const char* key) {
            return file.value(QStringLiteral("FilterOptionen/TFilterBox/") + QLatin1String(key))
                .toString();
        };
        EXPECT_EQ(value("AbDatumChkBox"), QStringLiteral("1"));
        EXPECT_EQ(value("LaenderBegrenzungChkBox"), QStringLiteral("1"));
        EXPECT_EQ(value("DirectoriesChkBox"), QStringLiteral("0"));
        EXPECT_EQ(value("DateTimePicker1"), QStringLiteral("05.05.2025"));
        EXPECT_EQ(value("LaenderListeChkBox/17"), QStringLiteral("1"));
        EXPECT_EQ(value("LaenderListeChkBox/3"), QStringLiteral("0"));
    }

    // The next program run starts with empty criteria; a stale bit must not survive either.
    FilterCriteria fresh;
    fresh.set(FilterCriteria::Top100, true);
    const FilterSession session(ui, *module, fresh, settings);
    EXPECT_EQ(session.state(), saved);
    EXPECT_EQ(fresh.bits(), FilterCriteria::RegisteredBefore | FilterCriteria::LimitCountries);
    EXPECT_EQ(fresh.filterDate(), QDate(2025, 5, 5));
    EXPECT_EQ(module->TableFilter().filter(),
              QStringLiteral("(ZuletztRegistriert <=  '05.05.2025') and ((CodefuerFlagge = 0) "
                             "or (CodefuerFlagge = 17))"));
}

TEST_F(FilterSessionTest, MistypedValuesTickNothingAndABadDateIsTheDesignDate)
{
    writeSetting(QStringLiteral("DirectoriesChkBox"), QStringLiteral("ja"));
    writeSetting(QStringLiteral("SpiderEnginesChkBox"), QStringLiteral("true"));
    writeSetting(QStringLiteral("OtherChkBox"), QStringLiteral("2"));
    writeSetting(QStringLiteral("NurFehlerhafteRegChkBox"), QString());
    writeSetting(QStringLiteral("AbDatumChkBox"), QStringLiteral("1"));
    writeSetting(QStringLiteral("DateTimePicker1"), QStringLiteral("31.02.2020"));
    writeSetting(QStringLiteral("LaenderBegrenzungChkBox"), QStringLiteral("1"));
    writeSetting(QStringLiteral("LaenderListeChkBox/5"), QStringLiteral("1"));
    writeSetting(QStringLiteral("LaenderListeChkBox/6"), QStringLiteral("x"));

    const auto session = open();
    const FilterSession::State& state = session->state();
    // The box of pending services came later: a file without it leaves it unticked.
    EXPECT_EQ(state.boxes,
              (std::array<bool, 8>{false, false, true, false, false, true, true, false}));
    EXPECT_EQ(state.pickerDate, QDate(1999, 1, 1));
    EXPECT_TRUE(state.countries[5]);
    EXPECT_FALSE(state.countries[6]);
    EXPECT_EQ(module->TableFilter().filter(),
              QStringLiteral("((Kategorie = 'A')) and (ZuletztRegistriert <=  '01.01.1999') and "
                             "(CodefuerFlagge = 5)"));
}

// The box of services that still need the site marks them from the open site's ledger before
// it counts and before OK selects; a site edited since makes its form services pending again.
TEST_F(FilterSessionTest, PendingServicesComeFromTheOpenSitesLedger)
{
    module->setField(QStringLiteral("IndexNow"), true, QStringLiteral("Nr % 10 = 0"));
    QList<qint32> forms;
    QList<qint32> endpoints;
    for (const TDataModule1::StoreRow& row :
         module->readRows({QStringLiteral("Nr"), QStringLiteral("IndexNow")}))
        (row.values[1].toBool() ? endpoints : forms).append(row.values[0].toInt());
    ASSERT_GE(forms.size(), 4);
    ASSERT_GE(endpoints.size(), 2);
    const int all = int(forms.size() + endpoints.size());

    SiteRecord site;
    site.TitleEdit = QStringLiteral("Bäckerei Sommer");
    site.URLEdit = QStringLiteral("https://www.example.org/");
    site.indexNowKey = QStringLiteral("key-0123456789");
    const auto sent = [&site](qint32 nr, LedgerEntry::Outcome outcome, const QByteArray& print) {
        LedgerEntry entry;
        entry.nr = nr;
        entry.outcome = outcome;
        entry.fingerprint = print;
        site.ledger.record(entry);
    };
    const QByteArray formPrint = SubmissionLedger::siteFingerprint(site);
    const QByteArray indexNowPrint = SubmissionLedger::indexNowFingerprint(site);
    sent(forms[0], LedgerEntry::Outcome::Accepted, formPrint);
    sent(forms[1], LedgerEntry::Outcome::Accepted, formPrint);
    sent(forms[2], LedgerEntry::Outcome::Failed, formPrint);
    sent(forms[3], LedgerEntry::Outcome::Accepted, "an older site");
    sent(endpoints[0], LedgerEntry::Outcome::AcceptedPending, indexNowPrint);
    sent(endpoints[1], LedgerEntry::Outcome::TooManyRequests, indexNowPrint);
    const QList<qint64> upToDate = rowsWhere(QStringLiteral("Nr IN (%1, %2, %3)")
                                                 .arg(forms[0])
                                                 .arg(forms[1])
                                                 .arg(endpoints[0])
                                                 .toUtf8()
                                                 .constData());
    ASSERT_EQ(upToDate.size(), 3);

    const SiteRecord* open = &site;
    const auto session = this->open();
    session->setSiteSource([&open] { return open; });
    session->click(FilterCriteria::NotAccepted, true);
    EXPECT_EQ(module->TableFilter().filter(), QStringLiteral("(Ausstehend = 'True')"));
    EXPECT_EQ(session->count(), all - 3);
    EXPECT_EQ(rowsWhere("IFNULL(Ausstehend, 0) = 0"), upToDate);

    // Edited after the last run: the form services want it again, the endpoint does not.
    site.DescriptionMemo = QStringLiteral("Frisches Brot jeden Morgen");
    session->apply();
    EXPECT_EQ(selectedRows().size(), all - 1);
    EXPECT_EQ(rowsWhere("IFNULL(Ausgewaehlt, 0) = 0"),
              rowsWhere(QStringLiteral("Nr = %1").arg(endpoints[0]).toUtf8().constData()));
    EXPECT_EQ(module->counters().AnzAusgewaehlt, all - 1);

    // Without an open site nothing is known to be done: every service is pending.
    open = nullptr;
    session->setSiteSource([&open] { return open; });
    EXPECT_EQ(session->count(), all);
    session->setSiteSource({});
    module->setField(QStringLiteral("Ausstehend"), false);
    session->apply();
    EXPECT_EQ(module->counters().AnzAusgewaehlt, all);

    // The tick is kept for the next opening like the others.
    EXPECT_TRUE(session->save());
    EXPECT_TRUE(FilterSession::load(settings).boxes[7]);
    EXPECT_EQ(FilterSession::boxes()[7], FilterCriteria::NotAccepted);
}

struct StoredDateCase
{
    const char* name;
    const char* text; // nullptr: no value at all
    QDate expected;
};

class FilterSessionStoredDate : public FilterSessionTest,
                                public testing::WithParamInterface<StoredDateCase>
{
};

TEST_P(FilterSessionStoredDate, ReadsOnlyARealDate)
{
    if (GetParam().text)
        writeSetting(FilterSession::pickerName(), QString::fromUtf8(GetParam().text));
    EXPECT_EQ(FilterSession::load(settings).pickerDate, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterSessionStoredDate,
    testing::Values(StoredDateCase{"Missing", nullptr, QDate(1999, 1, 1)},
                    StoredDateCase{"Empty", "", QDate(1999, 1, 1)},
                    StoredDateCase{"NoSuchDay", "30.02.2021", QDate(1999, 1, 1)},
                    StoredDateCase{"Words", "gestern", QDate(1999, 1, 1)},
                    StoredDateCase{"TwoDigitYear", "07.12.26", QDate(1999, 1, 1)},
                    StoredDateCase{"Good", "07.12.2026", QDate(2026, 12, 7)}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
