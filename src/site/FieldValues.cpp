#include "site/FieldValues.h"

#include "base/Error.h"
#include "site/SiteItemLists.h"

#include <limits>

namespace pelvaro::site {

int FieldValues::categoryNumber(const SiteRecord& record)
{
    // An index outside the list (a damaged or foreign file) shows no choice on screen, so
    // it must mean no choice here too: the required-field check then asks for a category
    // instead of the run sending one nobody chose.
    const qint32 index = record.CategoryCombo;
    if (index < 0 || index >= SiteItemLists::CategoryCombo().size())
        return 0;
    return index + 1;
}

QString FieldValues::encodedUrl(const QString& url)
{
    const QString separator = QStringLiteral("://");
    const qsizetype at = url.indexOf(separator);
    if (at < 0)
        return QStringLiteral("FEHLER!!!");
    QString encoded = url;
    encoded.replace(at, separator.size(), QStringLiteral("%3A%2F%2F"));
    return encoded;
}

std::optional<QString> FieldValues::FeldWert(const SiteRecord& record, int number,
                                             const CategoryTextLookup* categories)
{
    if (number >= 31 && number <= 45)
        return record.Key[size_t(number - 31)];

    switch (number) {
    case 1:
        return record.TitleEdit;
    case 2:
        return encodedUrl(record.URLEdit);
    case 3:
        return record.KeywordsMemo;
    case 4:
        return record.DescriptionMemo;
    case 5:
        return SiteItemLists::itemText(SiteItemLists::LanguageCombo(), record.LanguageCombo);
    case 6:
        return SiteItemLists::itemText(SiteItemLists::webtypeCombo(), record.webtypeCombo);
    case 7:
        if (categories == nullptr)
            throw Error(QStringLiteral("Feldnummer 7 (Kategorie des Suchdienstes) kann nur "
                                       "zusammen mit dem Suchdienst-Katalog ermittelt werden."));
        return categories->categoryText(categoryNumber(record));
    case 8:
        return record.FirstNameEdit;
    case 9:
        return record.LastNameEdit;
    case 10:
        return SiteItemLists::itemText(SiteItemLists::GreetingCombo(), record.GreetingCombo);
    case 11:
        return record.title_personEdit;
    case 12:
        return record.CompanyEdit;
    case 13:
        return record.emailEdit;
    case 14:
        return record.passwordedit;
    case 15:
        return record.WebmasterEmailEdit;
    case 16:
        return record.StateEdit;
    case 17:
        return SiteItemLists::itemText(SiteItemLists::countryCombo(), record.countryCombo);
    case 18:
        return record.AddressEdit;
    case 19:
        return record.PostcodeEdit;
    case 20:
        return record.CityEdit;
    case 21:
        return record.phoneEdit;
    case 22:
        return record.FaxEdit;
    case 23:
        return record.mobileEdit;
    case 24:
        return record.tollfreeEdit;
    case 25:
        return record.productsEdit;
    case 26:
        return record.ageEdit;
    case 27:
        return SiteItemLists::itemText(SiteItemLists::sexCombo(), record.sexCombo);
    case 28:
        return record.FullName;
    case 29:
    case 30:
        return record.NameVornameWebMasterEdit;
    case 46:
        return record.DescriptionShortEdit;
    default:
        return std::nullopt;
    }
}

} // namespace pelvaro::site
