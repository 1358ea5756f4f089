#pragma once

#include "site/SiteRecord.h"

#include <QString>

#include <array>

namespace pelvaro::site {

// What confirming the keyword dialog makes of its fifteen fields: the record's keyword
// slots and the one-line keyword list the rest of the program submits.
class KeywordEditor
{
public:
    static constexpr int FieldCount = SiteRecord::KeyCount;
    static constexpr qsizetype SlotCapacity = 30;
    static constexpr int HelpContext = 10;

    using Keywords = std::array<QString, FieldCount>;

    struct Result
    {
        // Each field cut to SlotCapacity, in field order.
        Keywords slotTexts;
        // The non-empty fields in full, joined by ", ".
        QString memoText;
    };

    static Result confirm(const Keywords& fields);

    // What the dialog's fields show when it opens: the slots, as the user last confirmed
    // them. Leaving the site page or saving empties the slots while the list keeps the
    // keywords; the fields then show the list's keywords again, so that confirming the
    // dialog does not wipe them. Keywords beyond the fifteenth stay together in the last
    // field, so none is lost either.
    static Keywords preset(const Keywords& keywordSlots, const QString& memoText);

    // Shown for any key pressed in the read-only keyword list.
    static QString directEditMessage();
};

} // namespace pelvaro::site
