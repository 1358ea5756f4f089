#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace pelvaro::submit {

// The site's IndexNow key and the key file that proves the site owns it: a file at the
// root of the site's host, named after the key and holding exactly the key.
class IndexNowKey
{
public:
    static constexpr int MinLength = 8;
    static constexpr int MaxLength = 128;
    static constexpr int GeneratedLength = 32;

    // A new key of GeneratedLength letters and digits from the system's secure random source.
    static QString generate();
    // 8 to 128 characters, each a letter A-Z/a-z, a digit or "-".
    static bool isValid(const QString& key);
    static QString invalidKeyText(const QString& key);
    // For a site that has no key yet: where to make one.
    static QString noKeyText();

    // The site address read leniently: "www.example.org" is taken as "http://www.example.org/".
    // Invalid when it is no http or https address with a host.
    // The host as the same-host rule compares it: encoded, in lower case, without a
    // trailing dot ("www.x" and "x" stay different hosts).
    static QString hostKey(const QUrl& url);
    static QUrl siteUrl(const QString& siteAddress);
    static QString badSiteAddressText(const QString& siteAddress);
    // "<scheme>://<host>[:port]/<key>.txt" for the site's address; empty when the address is
    // not usable.
    static QString keyFileUrl(const QString& siteAddress, const QString& key);
    // What the key file holds: the key in UTF-8, nothing else.
    static QByteArray keyFileContent(const QString& key) { return key.toUtf8(); }
    // Tells the user which file with which content to put where.
    static QString placementText(const QString& siteAddress, const QString& key);
};

} // namespace pelvaro::submit
