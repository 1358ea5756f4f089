#include "catalogue/FilterCriteria.h"
#include "catalogue/TDataModule1.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <gtest/gtest.h>

using pelvaro::catalogue::FilterCriteria;
using pelvaro::catalogue::TDataModule1;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

struct ExpressionCase
{
    const char* name;
    std::vector<FilterCriteria::Criterion> ticked;
    std::vector<int> countries;
    const char* expected;
};

class FilterExpressionText : public ::testing::TestWithParam<ExpressionCase>
{
};

} // namespace

// The pieces are joined exactly so, blanks included: the store reads the text as it stands.
TEST_P(FilterExpressionText, JoinsThePiecesAsTicked)
{
    const ExpressionCase& c = GetParam();
    FilterCriteria criteria;
    criteria.setFilterDate(QDate(2026, 12, 7));
    for (const FilterCriteria::Criterion criterion : c.ticked)
        criteria.set(criterion, true);
    std::array<bool, FilterCriteria::CountryCount> countries{};
    for (const int code : c.countries)
        countries[size_t(code)] = true;
    criteria.setCountries(countries);
    EXPECT_EQ(criteria.expression(), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterExpressionText,
    ::testing::Values(
        ExpressionCase{"Nothing", {}, {}, ""},
        ExpressionCase{"KindsAndNotRegistered",
                       {FilterCriteria::Directories, FilterCriteria::SpiderEngines,
                        FilterCriteria::NotRegistered},
                       {},
                       "((Kategorie = 'V') or (Kategorie = 'S')) and (ZuletztRegistriert = null)"},
        ExpressionCase{
            "AllKindsInOrder",
            {FilterCriteria::Other, FilterCriteria::SpiderEngines, FilterCriteria::Directories},
            {},
            "((Kategorie = 'V') or (Kategorie = 'S') or (Kategorie = 'A'))"},
        ExpressionCase{"TopAlone", {FilterCriteria::Top100}, {}, "(Bewertung > 1)"},
        ExpressionCase{"DateWithFourDigitYear",
                       {FilterCriteria::NotRegistered, FilterCriteria::RegisteredBefore},
                       {},
                       "(ZuletztRegistriert = null) and (ZuletztRegistriert <=  '07.12.2026')"},
        ExpressionCase{"CountriesNest",
                       {FilterCriteria::Other, FilterCriteria::LimitCountries},
                       {0, 17, 28},
                       "((Kategorie = 'A')) and (((CodefuerFlagge = 0) or (CodefuerFlagge = "
                       "17)) or (CodefuerFlagge = 28))"},
        ExpressionCase{
            "NotAcceptedAlone", {FilterCriteria::NotAccepted}, {}, "(Ausstehend = 'True')"},
        ExpressionCase{"NotAcceptedLast",
                       {FilterCriteria::NotAccepted, FilterCriteria::LimitCountries,
                        FilterCriteria::NotRegistered, FilterCriteria::Directories},
                       {5},
                       "((Kategorie = 'V')) and (ZuletztRegistriert = null) and (CodefuerFlagge = "
                       "5) and (Ausstehend = 'True')"},
        ExpressionCase{"CountryBoxWithoutCountries", {FilterCriteria::LimitCountries}, {}, ""},
        ExpressionCase{"CountriesWithoutTheirBox", {}, {3}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FilterCriteria, BitsAndWhatTheViewGets)
{
    FilterCriteria criteria;
    criteria.set(FilterCriteria::Top100, true);
    criteria.set(FilterCriteria::LimitCountries, true);
    criteria.set(FilterCriteria::Top100, false);
    EXPECT_EQ(criteria.bits(), 128);
    criteria.set(FilterCriteria::NotAccepted, true);
    EXPECT_EQ(criteria.bits(), 128 + 256);

    const FilterCriteria::ViewFilter none = FilterCriteria::viewFilter(QString());
    EXPECT_EQ(none.text, QStringLiteral("(Kategorie = 'X')"));
    EXPECT_FALSE(none.filtered);
    EXPECT_EQ(none.status, QStringLiteral("Kein Filter"));
    const FilterCriteria::ViewFilter some =
        FilterCriteria::viewFilter(QStringLiteral("(Bewertung > 1)"));
    EXPECT_EQ(some.text, QStringLiteral("(Bewertung > 1)"));
    EXPECT_TRUE(some.filtered);
    EXPECT_EQ(some.status, QStringLiteral("Filter aktiv"));
    EXPECT_EQ(FilterCriteria::matchesText(42), QStringLiteral("Anz. passender Datensätze: 42"));
}

// The store refuses a date it cannot read, so such a date never reaches the expression; the
// criterion starts with the picker's design-time date rather than with none.
TEST(FilterCriteria, KeepsTheLastUsableDate)
{
    FilterCriteria criteria;
    criteria.set(FilterCriteria::RegisteredBefore, true);
    EXPECT_EQ(criteria.expression(), QStringLiteral("(ZuletztRegistriert <=  '01.01.1999')"));
    EXPECT_TRUE(criteria.setFilterDate(QDate(2026, 12, 7)));
    for (const QDate& bad :
         {QDate(), QDate(2026, 2, 30), QDate(10000, 1, 1), QDate(999, 12, 31), QDate(-5, 1, 1)})
        EXPECT_FALSE(criteria.setFilterDate(bad)) << bad.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(criteria.expression(), QStringLiteral("(ZuletztRegistriert <=  '07.12.2026')"));
}

// What the texts select in the sample catalogue, read back through an independent view.
TEST(FilterCriteria, TextsSelectInTheCatalogue)
{
    const QString data = TestDirs::programDir() + QStringLiteral("/daten");
    pelvaro::test::installSampleCatalogue(data);
    ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(data, QString()));
    auto& all = module.TableTMP();
    const int rating = all.fieldIndex(QStringLiteral("Bewertung"));
    const int kind = all.fieldIndex(QStringLiteral("Kategorie"));
    int top = 0, directoriesAndEngines = 0;
    for (int row = 0; row < all.rowCount(); ++row) {
        top += all.valueAt(row, rating).toInt() > 1;
        const QString k = all.valueAt(row, kind).toString();
        directoriesAndEngines += k == QLatin1String("V") || k == QLatin1String("S");
    }
    // Both must be real parts of the catalogue, or the checks below would prove nothing.
    ASSERT_GT(top, 0);
    ASSERT_LT(top, 604);
    ASSERT_GT(directoriesAndEngines, top / 2);
    ASSERT_LT(directoriesAndEngines, 604);

    const auto apply = [&module](const FilterCriteria& criteria) {
        const FilterCriteria::ViewFilter filter = FilterCriteria::viewFilter(criteria.expression());
        module.TableFilter().setFilter(filter.text);
        module.TableFilter().setFiltered(filter.filtered);
        const int matches = module.TableFilter().rowCount();
        module.TableFilter().setFilter(filter.text);
        module.TableFilter().setFiltered(true);
        module.FilterAuswahlUebernehmen();
        return matches;
    };

    FilterCriteria onlyTop;
    onlyTop.set(FilterCriteria::Top100, true);
    EXPECT_EQ(apply(onlyTop), top);
    EXPECT_EQ(module.counters().AnzAusgewaehlt, top);

    FilterCriteria kinds;
    kinds.set(FilterCriteria::Directories, true);
    kinds.set(FilterCriteria::SpiderEngines, true);
    EXPECT_EQ(apply(kinds), directoriesAndEngines);
    EXPECT_EQ(module.counters().AnzAusgewaehlt, directoriesAndEngines);

    // Pending services, as markPending leaves the column: only those marked true pass.
    module.setField(QStringLiteral("Ausstehend"), false);
    const int pending =
        module.setField(QStringLiteral("Ausstehend"), true, QStringLiteral("Nr % 5 = 0"));
    ASSERT_GT(pending, 0);
    FilterCriteria notAccepted;
    notAccepted.set(FilterCriteria::NotAccepted, true);
    EXPECT_EQ(apply(notAccepted), pending);
    EXPECT_EQ(module.counters().AnzAusgewaehlt, pending);

    // Nothing ticked counts every entry, and OK then selects none.
    EXPECT_EQ(apply(FilterCriteria()), 604);
    EXPECT_EQ(module.counters().AnzAusgewaehlt, 0);
}
