#pragma once

namespace pelvaro::site {

struct SiteRecord;

// The controls of the site description page as the site-info file logic sees them. The page
// implements it; tests use a plain fake.
class SiteForm
{
public:
    virtual ~SiteForm() = default;

    // Copies the twenty edit fields, the age, both memos and the six item indexes into a
    // record that the caller has just emptied (ToRecord's copying steps). Texts are taken as
    // they stand; the caller cuts them to their capacities.
    virtual void readInto(SiteRecord& record) const = 0;
    // Shows the record's edit fields, age, memos and item indexes (FromRecord). Showing is
    // no change by the user: it never counts as a modification.
    virtual void showRecord(const SiteRecord& record) = 0;
};

} // namespace pelvaro::site
