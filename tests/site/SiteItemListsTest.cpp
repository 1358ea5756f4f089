#include "site/SiteItemLists.h"

#include <QSet>

#include <gtest/gtest.h>

#include <limits>

using pelvaro::site::SiteItemLists;

namespace {

void expectSortedWithoutDuplicates(const QStringList& items)
{
    for (qsizetype i = 1; i < items.size(); ++i)
        EXPECT_LT(QString::compare(items.at(i - 1), items.at(i), Qt::CaseInsensitive), 0)
            << items.at(i - 1).toStdString() << " / " << items.at(i).toStdString();
    EXPECT_EQ(QSet<QString>(items.cbegin(), items.cend()).size(), items.size());
}

} // namespace

TEST(SiteItemLists, SmallListsHoldTheirItemsInIndexOrder)
{
    EXPECT_EQ(SiteItemLists::GreetingCombo(),
              (QStringList{QStringLiteral("Frau"), QStringLiteral("Herr")}));
    EXPECT_EQ(SiteItemLists::sexCombo(),
              (QStringList{QStringLiteral("Männlich"), QStringLiteral("Weiblich")}));
    EXPECT_EQ(SiteItemLists::webtypeCombo(),
              (QStringList{QStringLiteral("Akademische/Bildung "), QStringLiteral("Gemeinnützig"),
                           QStringLiteral("Kommerziell"), QStringLiteral("Persönliche Homepage"),
                           QStringLiteral("Regierung/Verwaltung")}));
    expectSortedWithoutDuplicates(SiteItemLists::webtypeCombo());

    const QStringList& languages = SiteItemLists::LanguageCombo();
    ASSERT_EQ(languages.size(), 39);
    EXPECT_EQ(languages.first(), QStringLiteral("Afrikaans/Afrikaans"));
    EXPECT_EQ(languages.at(16), QStringLiteral("German/Deutsch"));
    EXPECT_EQ(languages.at(5), QStringLiteral("Byelorussian/Weißrussisch"));
    // Not alphabetical: Serbian follows Slovenian, Other comes last.
    EXPECT_EQ(languages.at(31), QStringLiteral("Slovenian/Slowenisch"));
    EXPECT_EQ(languages.at(32), QStringLiteral("Serbian/Serbisch"));
    EXPECT_EQ(languages.last(), QStringLiteral("Other/Sonstige"));
}

TEST(SiteItemLists, CountryListKeepsItsOldSpellingsAndOrder)
{
    const QStringList& countries = SiteItemLists::countryCombo();
    ASSERT_EQ(countries.size(), 239);
    EXPECT_EQ(countries.first(), QStringLiteral("Afghanistan"));
    EXPECT_EQ(countries.last(), QStringLiteral("Zimbabwe"));
    for (const char* name : {"Bolovia", "Paupa New Guinea", "Saint kitts and Nevis",
                             "South Georgia and the South Sa", "FYROM", "Germany"})
        EXPECT_TRUE(countries.contains(QString::fromLatin1(name))) << name;
    for (const char* name : {"Bolivia", "Papua New Guinea", "Saint Kitts and Nevis"})
        EXPECT_FALSE(countries.contains(QString::fromLatin1(name))) << name;
    for (const QString& country : countries)
        EXPECT_LE(country.size(), 30) << country.toStdString();
    expectSortedWithoutDuplicates(countries);
}

TEST(SiteItemLists, CategoryNumbersCountSeparatorsAndTheBlankItem)
{
    const QStringList& categories = SiteItemLists::CategoryCombo();
    ASSERT_EQ(categories.size(), 147);
    const QString separator(63, QLatin1Char('-'));
    auto number = [&](int n) { return categories.at(n - 1); };

    for (int n = 1; n <= 147; ++n) {
        const bool isSeparator = n == 19 || n == 29 || n == 111 || n == 131;
        EXPECT_EQ(number(n) == separator, isSeparator) << "number " << n;
    }
    EXPECT_EQ(number(147), QStringLiteral(" "));
    EXPECT_EQ(number(1), QStringLiteral("Allgemeine Konsumgüter (General Merchandise)"));
    EXPECT_EQ(number(20), QStringLiteral("Computer/Beratung (Consulting)"));
    EXPECT_EQ(number(46),
              QStringLiteral("Computer/Software/Künstliche Intelligenz (Artificial Intelligence)"));
    EXPECT_EQ(number(99), QStringLiteral("Körperpflege (Personal Care)"));
    EXPECT_EQ(number(112), QStringLiteral("Paranormale Phänomene (Paranormal Phenomena)"));
    EXPECT_EQ(number(146), QStringLiteral("Wissenschaften (Scientific)"));
    // Apart from the separators every text occurs once, so a number names one item.
    QSet<QString> distinct(categories.cbegin(), categories.cend());
    distinct.remove(separator);
    EXPECT_EQ(distinct.size(), 147 - 4);
}

TEST(SiteItemLists, ItemTextIsEmptyForNoOrAnImpossibleChoice)
{
    const QStringList& greetings = SiteItemLists::GreetingCombo();
    EXPECT_EQ(SiteItemLists::itemText(greetings, 0), QStringLiteral("Frau"));
    EXPECT_EQ(SiteItemLists::itemText(greetings, 1), QStringLiteral("Herr"));
    for (int index :
         {-1, -2, 2, 1000, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()})
        EXPECT_TRUE(SiteItemLists::itemText(greetings, index).isEmpty()) << index;
    EXPECT_TRUE(SiteItemLists::itemText({}, 0).isEmpty());
}
