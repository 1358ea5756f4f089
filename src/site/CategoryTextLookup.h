#pragma once

#include <QString>

namespace pelvaro::site {

// A service's own text for one of the user's category numbers. The caller that walks the
// catalogue hands it in, so the site description never depends on the catalogue.
class CategoryTextLookup
{
public:
    virtual ~CategoryTextLookup();

    // Empty when the service has no row for that number.
    virtual QString categoryText(int categoryNumber) const = 0;
};

} // namespace pelvaro::site
