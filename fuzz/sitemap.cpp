// Sitemaps as IndexNow's address list reads them from the site: the input is the first file's
// body (plain or gzip-compressed XML, a sitemap or an index); every further file it leads to
// answers 404, so one input costs one parse.

#include "FuzzSupport.h"
#include "submit/SitemapReader.h"

#include <algorithm>

using pelvaro::submit::ExchangeRequest;
using pelvaro::submit::ExchangeResult;
using pelvaro::submit::HttpExchange;
using pelvaro::submit::SitemapReader;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = pelvaro::fuzz::bytesOf(data, size);
    bool first = true;
    const auto exchange = [&](const ExchangeRequest&, const HttpExchange::BodySink& sink) {
        ExchangeResult result;
        result.answered = true;
        if (!first) {
            result.StatusCode = 404;
            result.Meldung = QStringLiteral("Not Found");
            return result;
        }
        first = false;
        result.StatusCode = 200;
        result.Meldung = QStringLiteral("OK");
        result.contentLength = body.size();
        result.bodyBytes = body.size();
        // Delivered in blocks as a socket delivers them, so the sink's size check sees pieces.
        constexpr qsizetype block = 16 * 1024;
        for (qsizetype pos = 0; pos < body.size(); pos += block) {
            const QString problem =
                sink(QByteArrayView(body).sliced(pos).first(std::min(block, body.size() - pos)));
            if (!problem.isEmpty()) {
                result.Meldung = problem;
                result.StatusCode = 404;
                result.answered = false;
                return result;
            }
        }
        result.Erfolg = true;
        return result;
    };
    static_cast<void>(SitemapReader::read(QStringLiteral("http://www.example.org/"), exchange));
    return 0;
}
