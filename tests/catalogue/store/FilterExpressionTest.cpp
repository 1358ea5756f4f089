#include "catalogue/store/FilterExpression.h"

#include "base/Error.h"

#include <QStringList>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <random>

namespace pelvaro::catalogue::store {
namespace {

using namespace Qt::StringLiterals;

const TableDef& dba()
{
    return CatalogueSchema::dba();
}

// A dba table in memory, typed as the store types it, with rows that tell the cases apart:
// NULL booleans and dates, a date with a time of day, names differing only in case.
class FilterDatabase
{
public:
    FilterDatabase()
    {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
        m_db.reset(db);
        QStringList columns;
        for (const FieldDef& field : dba().fields) {
            const char* type = field.type == FieldType::Text       ? "TEXT"
                               : field.type == FieldType::DateTime ? "REAL"
                                                                   : "INTEGER";
            columns << QStringLiteral("\"%1\" %2").arg(field.name, QLatin1String(type));
        }
        exec(QStringLiteral("CREATE TABLE dba (%1)").arg(columns.join(QStringLiteral(", "))));
        // Nr, Name, Kategorie, Ausgewaehlt, NurManuell, Bewertung, ZuletztRegistriert (days),
        // CodeFuerFlagge
        exec(QStringLiteral(
            "INSERT INTO dba (Nr, Name, Kategorie, Ausgewaehlt, NurManuell, Bewertung, "
            "ZuletztRegistriert, CodeFuerFlagge) VALUES "
            "(1, 'Alpha', 'S', 1, 0, 3, NULL, 17),"
            "(2, 'Beta', 'V', 0, 1, 1, 36526.0, 0),"     // 01.01.2000
            "(3, 'Gamma', 'A', NULL, 0, 2, 37012.5, 5)," // 01.05.2001, noon
            "(4, 'delta', 'V', 1, 1, 4, 36891.0, 1),"    // 31.12.2000
            "(5, 'O''Brien', 'S', 0, NULL, 0, NULL, 17)"));
    }

    void exec(const QString& sql)
    {
        char* message = nullptr;
        const int rc =
            sqlite3_exec(m_db.get(), sql.toUtf8().constData(), nullptr, nullptr, &message);
        EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
        sqlite3_free(message);
    }

    // The names of the rows that pass, in Nr order.
    QStringList passing(const CompiledFilter& filter)
    {
        const QByteArray sql = QStringLiteral("SELECT Name FROM dba WHERE %1 ORDER BY Nr")
                                   .arg(filter.whereSql)
                                   .toUtf8();
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(m_db.get(), sql.constData(), -1, &raw, nullptr);
        const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(
            raw, &sqlite3_finalize);
        if (rc != SQLITE_OK) {
            ADD_FAILURE() << "invalid SQL: " << sql.constData() << ": "
                          << sqlite3_errmsg(m_db.get());
            return {};
        }
        EXPECT_EQ(sqlite3_bind_parameter_count(raw), filter.parameters.size()) << sql.constData();
        for (int i = 0; i < filter.parameters.size(); ++i) {
            const QVariant& value = filter.parameters.at(i);
            switch (value.typeId()) {
            case QMetaType::LongLong:
            case QMetaType::Int:
                sqlite3_bind_int64(raw, i + 1, value.toLongLong());
                break;
            case QMetaType::Double:
                sqlite3_bind_double(raw, i + 1, value.toDouble());
                break;
            case QMetaType::QString:
                sqlite3_bind_text(raw, i + 1, value.toString().toUtf8().constData(), -1,
                                  SQLITE_TRANSIENT);
                break;
            default:
                ADD_FAILURE() << "unexpected parameter type " << value.typeName();
            }
        }
        QStringList names;
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(raw)) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
        EXPECT_EQ(step, SQLITE_DONE) << sqlite3_errmsg(m_db.get());
        return names;
    }

private:
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> m_db{nullptr, &sqlite3_close};
};

struct RowCase
{
    const char* filter;
    QStringList expected;
};

void PrintTo(const RowCase& c, std::ostream* os)
{
    *os << c.filter;
}

class FilterRows : public ::testing::TestWithParam<RowCase>
{
};

TEST_P(FilterRows, SelectsTheRowsTheExpressionMeans)
{
    FilterDatabase db;
    const CompiledFilter filter =
        FilterExpression::compile(QString::fromUtf8(GetParam().filter), dba());
    EXPECT_EQ(db.passing(filter), GetParam().expected) << filter.whereSql.toStdString();
}

const QString OBrien = QStringLiteral("O'Brien");

INSTANTIATE_TEST_SUITE_P(
    FilterExpression, FilterRows,
    ::testing::Values(
        // The views' filters; NULL booleans pass only where the text asks for Null.
        RowCase{"(Ausgewaehlt='False') or (Ausgewaehlt=Null)", {u"Beta"_s, u"Gamma"_s, OBrien}},
        RowCase{"(Ausgewaehlt='False')", {u"Beta"_s, OBrien}},
        RowCase{"(Ausgewaehlt='True')", {u"Alpha"_s, u"delta"_s}},
        RowCase{"(Nurmanuell='False') and (Ausgewaehlt='True')", {u"Alpha"_s}},
        RowCase{"(NurManuell='True') and (Ausgewaehlt='True')", {u"delta"_s}},
        RowCase{"ausgewaehlt = 1 OR Ausgewaehlt <> null",
                {u"Alpha"_s, u"Beta"_s, u"delta"_s, OBrien}},
        // What the filter dialog writes.
        RowCase{"((Kategorie = 'V') or (Kategorie = 'S')) and (ZuletztRegistriert = null)",
                {u"Alpha"_s, OBrien}},
        RowCase{"(((CodefuerFlagge = 0) or (CodefuerFlagge = 17)) or (CodefuerFlagge = 5))",
                {u"Alpha"_s, u"Beta"_s, u"Gamma"_s, OBrien}},
        RowCase{"(Bewertung > 1)", {u"Alpha"_s, u"Gamma"_s, u"delta"_s}},
        RowCase{"(ZuletztRegistriert <=  '31.12.00')", {u"Beta"_s, u"delta"_s}},
        // A date is the whole day: a registration at noon of that day is on it, not after it.
        RowCase{"(ZuletztRegistriert <=  '01.05.2001')", {u"Beta"_s, u"Gamma"_s, u"delta"_s}},
        RowCase{"(ZuletztRegistriert <=  '30.04.2001')", {u"Beta"_s, u"delta"_s}},
        RowCase{"ZuletztRegistriert = '01.05.01'", {u"Gamma"_s}},
        RowCase{"ZuletztRegistriert <> '01.05.01'", {u"Beta"_s, u"delta"_s}},
        RowCase{"ZuletztRegistriert > '01.05.01'", {}},
        RowCase{"ZuletztRegistriert > '30.04.01'", {u"Gamma"_s}},
        RowCase{"ZuletztRegistriert >= '01.05.01'", {u"Gamma"_s}},
        RowCase{"ZuletztRegistriert < '01.05.01'", {u"Beta"_s, u"delta"_s}},
        // A day number is a moment, compared as it stands.
        RowCase{"ZuletztRegistriert <= 37012", {u"Beta"_s, u"delta"_s}},
        RowCase{"(ZuletztRegistriert <= '31.12.2000') and (Bewertung > 1)", {u"delta"_s}},
        RowCase{"ZuletztRegistriert < '2000-12-31'", {u"Beta"_s}},
        RowCase{"ZuletztRegistriert >= 36891", {u"Gamma"_s, u"delta"_s}},
        // and binds tighter than or; not binds to the comparison after it.
        RowCase{"Kategorie = 'S' or Kategorie = 'V' and Bewertung > 3",
                {u"Alpha"_s, u"delta"_s, OBrien}},
        RowCase{"not Kategorie = 'V' and Bewertung >= '2'", {u"Alpha"_s, u"Gamma"_s}},
        RowCase{"NOT (Ausgewaehlt = 'true')", {u"Beta"_s, OBrien}},
        // Texts compare exactly; quotes inside texts.
        RowCase{"Name = 'delta'", {u"delta"_s}}, RowCase{"Name = 'Delta'", {}},
        RowCase{"Name = 'O''Brien'", {OBrien}}, RowCase{"Name = \"O'Brien\"", {OBrien}},
        RowCase{"Name = 'x''); DROP TABLE dba; --'", {}},
        RowCase{"Name > 'B' and Name < 'Z'", {u"Beta"_s, u"Gamma"_s, OBrien}},
        // Numbers, signed and decimal, also quoted for number fields.
        RowCase{"Bewertung < 0.5", {OBrien}},
        RowCase{"Nr >= -1 and Nr<='2'", {u"Alpha"_s, u"Beta"_s}}));

TEST(FilterExpression, WritesQuotedColumnsAndTypedParameters)
{
    const CompiledFilter views = FilterExpression::compile(
        QStringLiteral("(Ausgewaehlt='False') or (Ausgewaehlt=Null)"), dba());
    EXPECT_EQ(views.whereSql, QStringLiteral("(\"Ausgewaehlt\" = ?) OR (\"Ausgewaehlt\" IS NULL)"));
    EXPECT_EQ(views.parameters, QVariantList{QVariant(qlonglong(0))});

    // The schema's spelling of the field, the number as a whole number.
    const CompiledFilter flag =
        FilterExpression::compile(QStringLiteral("(CodefuerFlagge = 17)"), dba());
    EXPECT_EQ(flag.whereSql, QStringLiteral("(\"CodeFuerFlagge\" = ?)"));
    EXPECT_EQ(flag.parameters.at(0).typeId(), QMetaType::LongLong);

    // A number given to a text field is compared as the text written.
    const CompiledFilter land =
        FilterExpression::compile(QStringLiteral("Land <> 17.50 and Land <> Null"), dba());
    EXPECT_EQ(land.whereSql,
              QStringLiteral("\"Land\" <> ? COLLATE BINARY AND \"Land\" IS NOT NULL"));
    EXPECT_EQ(land.parameters, QVariantList{QVariant(QStringLiteral("17.50"))});

    // A date is compared against its day's bounds, the column left bare.
    const CompiledFilter day = FilterExpression::compile(
        QStringLiteral("(ZuletztRegistriert <=  '07.12.2026') or ZuletztRegistriert = '1.1.2000'"),
        dba());
    EXPECT_EQ(day.whereSql, QStringLiteral("(\"ZuletztRegistriert\" < ?) OR "
                                           "(\"ZuletztRegistriert\" >= ? AND "
                                           "\"ZuletztRegistriert\" < ?)"));
    EXPECT_EQ(day.parameters, (QVariantList{46364.0, 36526.0, 36527.0}));

    const CompiledFilter nested =
        FilterExpression::compile(QStringLiteral("not ((Nr = 1) or not Nr > 2.5)"), dba());
    EXPECT_EQ(nested.whereSql, QStringLiteral("NOT ((\"Nr\" = ?) OR NOT \"Nr\" > ?)"));
    EXPECT_EQ(nested.parameters, (QVariantList{QVariant(qlonglong(1)), QVariant(2.5)}));
}

struct DateCase
{
    const char* text;
    double days;
};

void PrintTo(const DateCase& c, std::ostream* os)
{
    *os << c.text;
}

class FilterDates : public ::testing::TestWithParam<DateCase>
{
};

TEST_P(FilterDates, ReadAsTheDaysFirstMoment)
{
    const CompiledFilter filter = FilterExpression::compile(
        QStringLiteral("ZuletztRegistriert >= '%1'").arg(QLatin1String(GetParam().text)), dba());
    ASSERT_EQ(filter.parameters.size(), 1);
    EXPECT_EQ(filter.parameters.at(0).typeId(), QMetaType::Double);
    EXPECT_EQ(filter.parameters.at(0).toDouble(), GetParam().days);
}

INSTANTIATE_TEST_SUITE_P(FilterExpression, FilterDates,
                         ::testing::Values(DateCase{"01.01.00", 36526}, DateCase{"31.12.99", 36525},
                                           DateCase{"29.02.00", 36585}, // 2000, not 1900
                                           DateCase{"01.01.49", 54424}, DateCase{"01.01.50", 18264},
                                           DateCase{"01.01.2049", 54424},
                                           DateCase{"1.1.2000", 36526},
                                           DateCase{"2000-01-01", 36526},
                                           DateCase{"30.12.1899", 0}));

TEST(FilterExpression, ReadsDatesInTheGivenLocalesShortFormat)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const CompiledFilter filter =
        FilterExpression::compile(QStringLiteral("ZuletztRegistriert >= '12/31/00'"), dba(), us);
    EXPECT_EQ(filter.parameters, QVariantList{QVariant(36891.0)});
    // The filter dialog writes German dates whatever the system's language; a dotted date
    // cannot be mistaken for the slashed one of other locales.
    EXPECT_EQ(
        FilterExpression::compile(QStringLiteral("ZuletztRegistriert >=  '31.12.2000'"), dba(), us)
            .parameters,
        QVariantList{QVariant(36891.0)});
    EXPECT_THROW(
        FilterExpression::compile(QStringLiteral("ZuletztRegistriert <= '31/12/00'"), dba(), us),
        Error);
}

TEST(FilterExpression, TakesTheDeepestNestingTheCountryListBuilds)
{
    // As the filter dialog joins ticked countries: every further one wraps the text so far.
    QString countries;
    for (int code = 0; code <= 28; ++code) {
        const QString comparison = QStringLiteral("(CodefuerFlagge = %1)").arg(code);
        countries = countries.isEmpty() ? comparison
                                        : QStringLiteral("(%1 or %2)").arg(countries, comparison);
    }
    FilterDatabase db;
    EXPECT_EQ(db.passing(FilterExpression::compile(countries, dba())),
              (QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s, u"delta"_s, OBrien}));

    const QString tooDeep = QString(10000, QLatin1Char('(')) + QStringLiteral("Nr = 1") +
                            QString(10000, QLatin1Char(')'));
    EXPECT_THROW(FilterExpression::compile(tooDeep, dba()), Error);
}

struct ErrorCase
{
    const char* filter;
    int position;
    const char* mentions;
};

void PrintTo(const ErrorCase& c, std::ostream* os)
{
    *os << c.filter;
}

class FilterErrors : public ::testing::TestWithParam<ErrorCase>
{
};

TEST_P(FilterErrors, NameThePositionOfTheFault)
{
    try {
        FilterExpression::compile(QString::fromUtf8(GetParam().filter), dba());
        FAIL() << "accepted";
    } catch (const Error& error) {
        const std::string message = error.message().toStdString();
        const std::string position =
            "Fehler im Filter an Position " + std::to_string(GetParam().position) + ":";
        EXPECT_NE(message.find(position), std::string::npos) << message;
        EXPECT_NE(message.find(GetParam().mentions), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    FilterExpression, FilterErrors,
    ::testing::Values(ErrorCase{"(Name = 'x'", 12, "')' erwartet"},
                      ErrorCase{"Name == 'x'", 7, "Wert erwartet"},
                      ErrorCase{"(Unbekannt = 1)", 2, "Unbekannt"},
                      ErrorCase{"(Ausgewaehlt = 'Vielleicht')", 16, "Vielleicht"},
                      ErrorCase{"(Ausgewaehlt = 2)", 16, "Wahrheitswert"},
                      ErrorCase{"(ZuletztRegistriert <= '31.02.2001')", 24, "31.02.2001"},
                      ErrorCase{"(ZuletztRegistriert <= 'gestern')", 24, "Datum"},
                      ErrorCase{"(Bewertung > Null)", 12, "Null"},
                      ErrorCase{"(Bewertung > 'viel')", 14, "keine Zahl"},
                      ErrorCase{"Name = 'abc", 8, "Anführungszeichen"},
                      ErrorCase{"(Name = 'x') garbage", 14, "Ende des Filters erwartet"},
                      ErrorCase{"(Name = 'x'))", 13, "Ende des Filters erwartet"},
                      ErrorCase{"(Name = 'x') and", 17, "Feldname"},
                      ErrorCase{"Name 'x'", 6, "Vergleichsoperator"},
                      ErrorCase{"Name = 'x' # 1", 12, "Unerwartetes Zeichen"},
                      ErrorCase{"Nr = 1.", 7, "Unerwartetes Zeichen"}, ErrorCase{"", 1, "leer"},
                      ErrorCase{"  \t ", 1, "leer"}));

// Builds texts in the filter's grammar from random parts; mutations then break them.
class FilterGarbage
{
public:
    explicit FilterGarbage(unsigned seed) : m_random(seed) {}

    QString next()
    {
        QString text = expression(0);
        for (int mutations = pick(4); mutations > 0; --mutations) {
            const int at = text.isEmpty() ? 0 : pick(int(text.size()));
            switch (pick(3)) {
            case 0:
                text.remove(at, 1 + pick(3));
                break;
            case 1:
                text.insert(at, one(pieces()));
                break;
            default:
                text.insert(at, QChar(char16_t(m_random() % 0x10000))); // surrogates too
            }
        }
        return text;
    }

private:
    int pick(int n) { return int(m_random() % unsigned(n)); }
    QString one(const QStringList& from) { return from.at(pick(int(from.size()))); }

    static const QStringList& pieces()
    {
        static const QStringList list{
            u"("_s,     u")"_s,    u"'"_s, u"\""_s, u"="_s, u"<"_s, u">"_s, u" and "_s, u" or "_s,
            u" not "_s, u"Null"_s, u"-"_s, u"."_s,  u"?"_s, u";"_s, u"ä"_s, u"''"_s,    u"  "_s};
        return list;
    }

    QString expression(int depth)
    {
        const int kind = depth > 3 ? 0 : pick(4);
        if (kind == 1)
            return u"("_s + expression(depth + 1) + u")"_s;
        if (kind == 2)
            return expression(depth + 1) + one({u" and "_s, u" OR "_s}) + expression(depth + 1);
        if (kind == 3)
            return u"not "_s + expression(depth + 1);
        static const QStringList fields{u"Name"_s,      u"ausgewaehlt"_s, u"ZuletztRegistriert"_s,
                                        u"Bewertung"_s, u"Nr"_s,          u"Unbekannt"_s};
        static const QStringList operators{u"="_s, u"<>"_s, u"<"_s, u">"_s, u"<="_s, u">="_s};
        static const QStringList values{u"'True'"_s,
                                        u"'x''y'"_s,
                                        u"\"z\""_s,
                                        u"Null"_s,
                                        u"1"_s,
                                        u"-2.5"_s,
                                        u"'17'"_s,
                                        u"'31.12.99'"_s,
                                        u"'2000-02-30'"_s,
                                        u"99999999999999999999"_s};
        return one(fields) + u" "_s + one(operators) + u" "_s + one(values);
    }

    std::mt19937 m_random;
};

// Whatever is typed or stored, compile() either returns SQL that SQLite accepts with exactly
// as many parameters as it has placeholders, or throws pelvaro::Error.
TEST(FilterExpression, SurvivesGarbage)
{
    FilterGarbage garbage(20240229);
    FilterDatabase db;
    int compiled = 0;
    for (int round = 0; round < 4000; ++round) {
        const QString text = garbage.next();
        try {
            db.passing(FilterExpression::compile(text, dba()));
            ++compiled;
        } catch (const Error&) {
        } catch (...) {
            ADD_FAILURE() << "unexpected exception for: " << text.toStdString();
        }
    }
    // Both sides must be reached, or the loop proves little.
    EXPECT_GT(compiled, 200);
    EXPECT_LT(compiled, 3600);
}

} // namespace
} // namespace pelvaro::catalogue::store
