#pragma once

#include <QString>
#include <QStringList>

namespace pelvaro::site {

// The items of the site page's six drop-down lists, in item-index order. The record stores
// only indexes; a field value is the visible text of the item an index chooses, so these
// texts are kept exactly as the lists show them (trailing blanks and old spellings too).
class SiteItemLists
{
public:
    static const QStringList& LanguageCombo();
    static const QStringList& webtypeCombo();
    static const QStringList& GreetingCombo();
    static const QStringList& sexCombo();
    static const QStringList& countryCombo();
    // Category numbers are 1-based positions in this list, separators and the blank item
    // included.
    static const QStringList& CategoryCombo();

    // The item at index, or an empty text for no choice (-1) or an index the list lacks,
    // as a record read from a file may carry any number.
    static QString itemText(const QStringList& items, int index);
};

} // namespace pelvaro::site
