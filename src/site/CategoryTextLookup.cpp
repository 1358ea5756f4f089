#include "site/CategoryTextLookup.h"

namespace pelvaro::site {

CategoryTextLookup::~CategoryTextLookup() = default;

} // namespace pelvaro::site
