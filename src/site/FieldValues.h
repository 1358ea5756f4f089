#pragma once

#include "site/CategoryTextLookup.h"
#include "site/SiteRecord.h"

#include <QString>

#include <optional>

namespace pelvaro::site {

// The numbered site values a service's form fields are filled from.
class FieldValues
{
public:
    static constexpr int LastFieldNumber = 46;

    // The 1-based position of the chosen category item, 0 with no choice. An index the
    // list lacks still yields index + 1, which simply matches no service row.
    static int categoryNumber(const SiteRecord& record);

    // The value behind a field number, exactly as stored; std::nullopt for numbers that
    // denote no site value (0, negative, above LastFieldNumber). Number 7 needs the
    // service's category texts and throws pelvaro::Error without them.
    static std::optional<QString> FeldWert(const SiteRecord& record, int number,
                                           const CategoryTextLookup* categories);

private:
    // The site address as services expect it, or "FEHLER!!!" when it has no scheme.
    static QString encodedUrl(const QString& url);
};

} // namespace pelvaro::site
