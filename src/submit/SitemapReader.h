#pragma once

#include "submit/ExchangeRunner.h"

#include <QStringList>

#include <optional>

namespace pelvaro::submit {

// Reads the page addresses of a site from its sitemap: plain or gzip-compressed XML, a
// sitemap or an index of sitemaps. Everything is bounded, since the file comes from the
// network: addresses, files, nesting, downloaded and unpacked bytes.
class SitemapReader
{
public:
    static constexpr qsizetype MaxUrls = 10000;
    // One sitemap file as downloaded (compressed or not).
    static constexpr qsizetype MaxDownloadBytes = 10 * 1024 * 1024;
    // One sitemap unpacked: the sitemap protocol's own limit.
    static constexpr qsizetype MaxXmlBytes = 50 * 1024 * 1024;
    // Sitemap files read in all, and how deep indexes may lead (index, nested index, sitemap).
    static constexpr int MaxFiles = 50;
    static constexpr int MaxDepth = 3;

    struct Result
    {
        QStringList urls; // of the site's host only, each once, in document order
        // German, one per problem: a sitemap missing, broken, too large, or not followed.
        // Addresses read before a problem are kept.
        QStringList problems;
        bool truncated = false;    // stopped at MaxUrls
        qsizetype foreignUrls = 0; // addresses of other hosts left out
        int filesRead = 0;
        bool cancelled = false;
    };

    // "<scheme>://<host>[:port]/sitemap.xml"; empty when the site address is not usable.
    static QString defaultSitemapUrl(const QString& siteAddress);
    // Starts at `sitemapUrl`, or at the default address when it is empty.
    static Result read(const QString& siteAddress, const ExchangeRunner& exchange,
                       const QString& sitemapUrl = {});

    // Unpacks gzip data up to `cap` bytes; nothing (and the reason) when it is damaged or larger.
    static std::optional<QByteArray> gunzip(QByteArrayView data, qsizetype cap, QString* failure);
};

} // namespace pelvaro::submit
