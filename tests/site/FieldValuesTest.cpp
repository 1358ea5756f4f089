#include "site/FieldValues.h"

#include "base/Error.h"

#include <QList>

#include <gtest/gtest.h>

#include <limits>

using pelvaro::site::CategoryTextLookup;
using pelvaro::site::FieldValues;
using pelvaro::site::SiteRecord;

namespace {

// Stands in for one service's category rows and remembers what it was asked.
class FakeCategories : public CategoryTextLookup
{
public:
    QString categoryText(int categoryNumber) const override
    {
        m_asked.append(categoryNumber);
        return categoryNumber == 0 ? QString()
                                   : QStringLiteral("Dienst-Kategorie %1").arg(categoryNumber);
    }

    mutable QList<int> m_asked;
};

// Every value distinct, with blanks at the edges where a trim would show.
SiteRecord filledRecord()
{
    SiteRecord record;
    record.FirstNameEdit = QStringLiteral("Jörg");
    record.LastNameEdit = QStringLiteral("Müller");
    record.title_personEdit = QStringLiteral("Dr.");
    record.mobileEdit = QStringLiteral("0171 555");
    record.tollfreeEdit = QStringLiteral("0800 555");
    record.FaxEdit = QStringLiteral("030 556");
    record.phoneEdit = QStringLiteral("030 555");
    record.PostcodeEdit = QStringLiteral("10115");
    record.CityEdit = QStringLiteral("Berlin");
    record.AddressEdit = QStringLiteral("Hauptstraße 1");
    record.emailEdit = QStringLiteral("info@example.org");
    record.CompanyEdit = QStringLiteral("Muster & Söhne");
    record.productsEdit = QStringLiteral("Äpfel");
    record.StateEdit = QStringLiteral("Berlin-Mitte");
    record.TitleEdit = QStringLiteral("  Titel mit Rand  ");
    record.URLEdit = QStringLiteral("http://www.example.org/?a=1&b=2");
    record.DescriptionShortEdit = QStringLiteral("Kurz ");
    record.NameVornameWebMasterEdit = QStringLiteral("Müller, Jörg");
    record.WebmasterEmailEdit = QStringLiteral("web@example.org");
    record.passwordedit = QStringLiteral("geheim");
    record.ageEdit = QStringLiteral("42");
    record.KeywordsMemo = QStringLiteral("eins, zwei,\r\ndrei");
    record.DescriptionMemo = QStringLiteral("Lang <b>&</b>\r\n");
    record.LanguageCombo = 16;
    record.webtypeCombo = 2;
    record.CategoryCombo = 18;
    record.countryCombo = 0;
    record.GreetingCombo = 1;
    record.sexCombo = 1;
    for (int i = 0; i < SiteRecord::KeyCount; ++i)
        record.Key[size_t(i)] = QStringLiteral("key%1").arg(i + 1);
    record.recomputeFullName();
    return record;
}

struct FieldCase
{
    int number;
    std::optional<QString> expected;
};

void PrintTo(const FieldCase& c, std::ostream* out)
{
    *out << "field " << c.number;
}

class FieldValuesTable : public testing::TestWithParam<FieldCase>
{
};

FieldCase text(int number, const char* value)
{
    return {number, QString::fromUtf8(value)};
}

} // namespace

TEST_P(FieldValuesTable, ValueOfFilledRecord)
{
    const FakeCategories categories;
    const auto value = FieldValues::FeldWert(filledRecord(), GetParam().number, &categories);
    EXPECT_EQ(value, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    AllNumbers, FieldValuesTable,
    testing::Values(
        text(1, "  Titel mit Rand  "), text(2, "http%3A%2F%2Fwww.example.org/?a=1&b=2"),
        text(3, "eins, zwei,\r\ndrei"), text(4, "Lang <b>&</b>\r\n"), text(5, "German/Deutsch"),
        text(6, "Kommerziell"), text(7, "Dienst-Kategorie 19"), text(8, "Jörg"), text(9, "Müller"),
        text(10, "Herr"), text(11, "Dr."), text(12, "Muster & Söhne"), text(13, "info@example.org"),
        text(14, "geheim"), text(15, "web@example.org"), text(16, "Berlin-Mitte"),
        text(17, "Afghanistan"), text(18, "Hauptstraße 1"), text(19, "10115"), text(20, "Berlin"),
        text(21, "030 555"), text(22, "030 556"), text(23, "0171 555"), text(24, "0800 555"),
        text(25, "Äpfel"), text(26, "42"), text(27, "Weiblich"), text(28, "Jörg Müller"),
        text(29, "Müller, Jörg"), text(30, "Müller, Jörg"), text(31, "key1"), text(32, "key2"),
        text(33, "key3"), text(34, "key4"), text(35, "key5"), text(36, "key6"), text(37, "key7"),
        text(38, "key8"), text(39, "key9"), text(40, "key10"), text(41, "key11"), text(42, "key12"),
        text(43, "key13"), text(44, "key14"), text(45, "key15"), text(46, "Kurz "),
        FieldCase{0, std::nullopt}, FieldCase{47, std::nullopt}, FieldCase{-1, std::nullopt},
        FieldCase{std::numeric_limits<int>::max(), std::nullopt},
        FieldCase{std::numeric_limits<int>::min(), std::nullopt}),
    [](const testing::TestParamInfo<FieldCase>& info) {
        const int n = info.param.number;
        return n >= 0 ? std::to_string(n) : "minus" + std::to_string(-(qint64(n)));
    });

struct UrlCase
{
    const char* url;
    const char* expected;
};

TEST(FieldValues, AddressReplacesOnlyItsFirstSchemeSeparator)
{
    const UrlCase cases[] = {
        {"http://www.example.org", "http%3A%2F%2Fwww.example.org"},
        {"http://example.org/go?to=ftp://other", "http%3A%2F%2Fexample.org/go?to=ftp://other"},
        {"://", "%3A%2F%2F"},
        {" https://x ", " https%3A%2F%2Fx "},
        {"www.example.org", "FEHLER!!!"},
        {"http:/example.org", "FEHLER!!!"},
        {"", "FEHLER!!!"},
    };
    SiteRecord record;
    for (const UrlCase& c : cases) {
        record.URLEdit = QString::fromLatin1(c.url);
        EXPECT_EQ(FieldValues::FeldWert(record, 2, nullptr), QString::fromLatin1(c.expected))
            << c.url;
    }
}

TEST(FieldValues, CategoryTextNeedsTheServiceLookup)
{
    SiteRecord record;
    record.CategoryCombo = 3;
    try {
        FieldValues::FeldWert(record, 7, nullptr);
        FAIL() << "no error without the catalogue";
    } catch (const pelvaro::Error& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("Feldnummer 7")));
    }
    // Every other number works without it.
    for (int number = -1; number <= 47; ++number) {
        if (number != 7) {
            EXPECT_NO_THROW(FieldValues::FeldWert(record, number, nullptr)) << number;
        }
    }
}

TEST(FieldValues, CategoryNumberIsThePositionOfTheChosenItem)
{
    const struct
    {
        qint32 index;
        int number;
    } cases[] = {
        {-1, 0},
        {0, 1},
        {18, 19}, // a separator line counts like any item
        {146, 147},
        // Outside the list nothing is chosen on screen, so nothing is chosen here either.
        {147, 0},
        {-5, 0},
        {std::numeric_limits<qint32>::max(), 0},
        {std::numeric_limits<qint32>::min(), 0},
    };
    for (const auto& c : cases) {
        SiteRecord record;
        record.CategoryCombo = c.index;
        EXPECT_EQ(FieldValues::categoryNumber(record), c.number) << c.index;

        const FakeCategories categories;
        const auto value = FieldValues::FeldWert(record, 7, &categories);
        ASSERT_EQ(categories.m_asked, QList<int>{c.number});
        EXPECT_EQ(value, categories.categoryText(c.number));
    }
    // No choice asks for number 0, which this service has no text for.
    SiteRecord cleared;
    const FakeCategories categories;
    EXPECT_EQ(FieldValues::FeldWert(cleared, 7, &categories), QString());
}

TEST(FieldValues, ListFieldsAreEmptyWithoutAValidChoice)
{
    for (qint32 index : {-1, -2, 239, 100000, std::numeric_limits<qint32>::min(),
                         std::numeric_limits<qint32>::max()}) {
        SiteRecord record;
        record.LanguageCombo = record.webtypeCombo = record.countryCombo = index;
        record.GreetingCombo = record.sexCombo = index;
        for (int number : {5, 6, 10, 17, 27})
            EXPECT_EQ(FieldValues::FeldWert(record, number, nullptr), QString())
                << "field " << number << ", index " << index;
    }

    SiteRecord record;
    record.webtypeCombo = 0;
    record.countryCombo = 238;
    record.GreetingCombo = 0;
    record.sexCombo = 0;
    record.LanguageCombo = 38;
    EXPECT_EQ(FieldValues::FeldWert(record, 6, nullptr), QStringLiteral("Akademische/Bildung "));
    EXPECT_EQ(FieldValues::FeldWert(record, 17, nullptr), QStringLiteral("Zimbabwe"));
    EXPECT_EQ(FieldValues::FeldWert(record, 10, nullptr), QStringLiteral("Frau"));
    EXPECT_EQ(FieldValues::FeldWert(record, 27, nullptr), QStringLiteral("Männlich"));
    EXPECT_EQ(FieldValues::FeldWert(record, 5, nullptr), QStringLiteral("Other/Sonstige"));
}
