#pragma once

#include <QString>
#include <QStringList>

namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::submit {

// What the IndexNow window does with a site, without the window: its key and the further
// page addresses the user gives or a sitemap yields.
class IndexNowSetup
{
public:
    // Gives the site a new key when it has no usable one. Returns whether it made one.
    static bool ensureKey(site::SiteRecord& record);

    struct Addresses
    {
        QStringList accepted; // as they will be sent, each once, the site address left out
        QStringList refused;  // not http(s), unreadable, or of another host
        bool truncated = false;
    };
    // The further addresses among `lines` (one per line; blank lines are nothing), checked
    // against the site's host as a submission checks them.
    static Addresses furtherAddresses(const QString& siteAddress, const QStringList& lines);
    // The summary under the address list.
    static QString summary(const Addresses& addresses);
    // What to place where, for the user.
    static QString placement(const QString& siteAddress, const QString& key);
};

} // namespace pelvaro::submit
