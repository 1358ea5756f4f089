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

    // Shown for any key pressed in the read-only keyword list.
    static QString directEditMessage();
};

} // namespace pelvaro::site
