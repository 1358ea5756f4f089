#include "submit/SitemapReader.h"

#include "submit/IndexNowKey.h"

#include <QSet>
#include <QUrl>
#include <QXmlStreamReader>

#include <zlib.h>

#include <deque>

namespace pelvaro::submit {

namespace {

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

struct Pending
{
    QString url;
    int depth = 1;
};

} // namespace

std::optional<QByteArray> SitemapReader::gunzip(QByteArrayView data, qsizetype cap,
                                                QString* failure)
{
    z_stream stream{};
    // 16 + MAX_WBITS: a gzip wrapper, not a bare zlib stream.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        *failure = QStringLiteral("Entpacken nicht möglich");
        return std::nullopt;
    }
    QByteArray out;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    int status = Z_OK;
    char buffer[64 * 1024];
    while (status != Z_STREAM_END) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof(buffer);
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&stream);
            *failure = QStringLiteral("die gzip-Daten sind beschädigt oder unvollständig");
            return std::nullopt;
        }
        out.append(buffer, static_cast<qsizetype>(sizeof(buffer) - stream.avail_out));
        if (out.size() > cap) {
            inflateEnd(&stream);
            *failure = QStringLiteral("entpackt größer als %1 MB").arg(cap / (1024 * 1024));
            return std::nullopt;
        }
    }
    inflateEnd(&stream);
    return out;
}

QString SitemapReader::defaultSitemapUrl(const QString& siteAddress)
{
    const QUrl site = IndexNowKey::siteUrl(siteAddress);
    if (site.isEmpty())
        return {};
    QUrl url;
    url.setScheme(site.scheme().toLower());
    url.setHost(site.host());
    url.setPort(site.port());
    url.setPath(QStringLiteral("/sitemap.xml"));
    return url.toString(QUrl::FullyEncoded);
}

SitemapReader::Result SitemapReader::read(const QString& siteAddress,
                                          const ExchangeRunner& exchange, const QString& sitemapUrl)
{
    Result result;
    const QUrl site = IndexNowKey::siteUrl(siteAddress);
    if (site.isEmpty()) {
        result.problems << IndexNowKey::badSiteAddressText(siteAddress);
        return result;
    }
    const QString host = IndexNowKey::hostKey(site);
    std::deque<Pending> pending{
        {sitemapUrl.isEmpty() ? defaultSitemapUrl(siteAddress) : sitemapUrl, 1}};
    QSet<QString> visited;
    QSet<QString> seen;

    while (!pending.empty() && !result.truncated) {
        const Pending current = pending.front();
        pending.pop_front();
        if (visited.contains(current.url))
            continue;
        visited.insert(current.url);
        if (result.filesRead >= MaxFiles) {
            result.problems << QStringLiteral("Es werden höchstens %1 Sitemaps gelesen; %2 und "
                                              "weitere wurden übergangen.")
                                   .arg(MaxFiles)
                                   .arg(current.url);
            break;
        }
        ++result.filesRead;

        QByteArray data;
        const HttpExchange::BodySink sink = [&data](QByteArrayView block) {
            if (data.size() + block.size() > MaxDownloadBytes)
                return QStringLiteral("größer als %1 MB").arg(MaxDownloadBytes / (1024 * 1024));
            data.append(block);
            return QString();
        };
        ExchangeRequest request;
        request.url = current.url;
        const ExchangeResult answer = exchange(request, sink);
        if (answer.cancelled) {
            result.cancelled = true;
            return result;
        }
        if (!answer.Erfolg || answer.StatusCode != 200) {
            result.problems << QStringLiteral("Die Sitemap %1 konnte nicht gelesen werden: %2")
                                   .arg(current.url, answer.answered && answer.StatusCode != 200
                                                         ? QStringLiteral("HTTP %1 %2")
                                                               .arg(answer.StatusCode)
                                                               .arg(answer.Meldung)
                                                         : answer.Meldung);
            continue;
        }
        if (data.startsWith("\x1f\x8b")) {
            QString failure;
            std::optional<QByteArray> unpacked = gunzip(data, MaxXmlBytes, &failure);
            if (!unpacked) {
                result.problems << QStringLiteral("Die Sitemap %1 kann nicht entpackt werden: %2.")
                                       .arg(current.url, failure);
                continue;
            }
            data = std::move(*unpacked);
        } else if (data.size() > MaxXmlBytes) {
            result.problems << QStringLiteral("Die Sitemap %1 ist größer als %2 MB.")
                                   .arg(current.url)
                                   .arg(MaxXmlBytes / (1024 * 1024));
            continue;
        }

        QXmlStreamReader xml(data);
        data = QByteArray();
        bool index = false;
        bool rootSeen = false;
        QString parent;
        while (!xml.atEnd() && !result.truncated) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QStringView name = xml.name();
            if (!rootSeen) {
                rootSeen = true;
                if (name == QLatin1String("sitemapindex")) {
                    index = true;
                } else if (name != QLatin1String("urlset")) {
                    result.problems << QStringLiteral("%1 ist keine Sitemap (Wurzelelement <%2> "
                                                      "statt <urlset> oder <sitemapindex>).")
                                           .arg(current.url, name.toString());
                    break;
                }
                continue;
            }
            if (name == QLatin1String("url") || name == QLatin1String("sitemap")) {
                parent = name.toString();
                continue;
            }
            if (name != QLatin1String("loc"))
                continue;
            const QString loc = xml.readElementText().trimmed();
            const QUrl url(loc);
            if (!isWebAddress(url) || IndexNowKey::hostKey(url) != host) {
                if (index) {
                    result.problems << QStringLiteral("Die Sitemap %1 liegt nicht auf %2 und "
                                                      "wurde übergangen.")
                                           .arg(loc, host);
                } else {
                    ++result.foreignUrls;
                }
                continue;
            }
            if (index && parent == QLatin1String("sitemap")) {
                if (current.depth >= MaxDepth)
                    result.problems << QStringLiteral("Die Sitemap %1 ist zu tief verschachtelt "
                                                      "und wurde übergangen.")
                                           .arg(loc);
                else
                    pending.push_back({url.toString(QUrl::FullyEncoded), current.depth + 1});
                continue;
            }
            if (index || parent != QLatin1String("url"))
                continue;
            const QString address = url.toString(QUrl::FullyEncoded);
            if (seen.contains(address))
                continue;
            if (result.urls.size() >= MaxUrls) {
                result.truncated = true;
                break;
            }
            seen.insert(address);
            result.urls << address;
        }
        if (xml.hasError())
            result.problems << QStringLiteral("Die Sitemap %1 ist kein gültiges XML (Zeile %2, "
                                              "Spalte %3: %4).")
                                   .arg(current.url)
                                   .arg(xml.lineNumber())
                                   .arg(xml.columnNumber())
                                   .arg(xml.errorString());
    }
    if (result.truncated)
        result.problems << QStringLiteral("Die Sitemap nennt mehr als %1 Adressen; nur die ersten "
                                          "%1 werden verwendet.")
                               .arg(MaxUrls);
    return result;
}

} // namespace pelvaro::submit
