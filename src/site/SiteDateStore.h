#pragma once

namespace pelvaro::site {

struct SiteRecord;

// Where a site's submission dates live while its file is open: the catalogue. The site
// description only knows this interface, so it never reaches into the catalogue itself.
class SiteDateStore
{
public:
    virtual ~SiteDateStore() = default;

    // Fills the record's date table with the number and last submission date of every
    // service, in store order.
    virtual void collectDates(SiteRecord& record) = 0;
    // Puts the record's dates into the catalogue, entry by entry in store order. Returns true
    // when the table does not match the catalogue's services.
    virtual bool applyDates(const SiteRecord& record) = 0;
    // Forgets every service's submission date.
    virtual void clearDates() = 0;
};

} // namespace pelvaro::site
