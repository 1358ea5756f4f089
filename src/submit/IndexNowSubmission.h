#pragma once

#include "submit/ExchangeRunner.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <chrono>

namespace pelvaro::submit {

// One IndexNow submission: a JSON body with the site's host, key, key file address and its
// page addresses, posted once to each endpoint, and what the endpoint's answer means.
class IndexNowSubmission
{
public:
    // The most addresses one post may carry.
    static constexpr qsizetype MaxUrls = 10000;
    // A 429 without a readable Retry-After: an hour keeps us clear of the spam flag most
    // services raise, and is short enough to retry the same day.
    static constexpr std::chrono::seconds DefaultWait{3600};
    // A service may ask for a day at most; a longer wish is taken as a day.
    static constexpr std::chrono::seconds MaxWait{24 * 3600};
    // "Retry-After: 0" would have us post again at once into the same refusal.
    static constexpr std::chrono::seconds MinWait{60};

    struct Body
    {
        QByteArray json;  // empty when `failure` says why
        QString host;     // as sent (ACE form for international names)
        QStringList urls; // as sent, the site address first
        // Addresses left out: not http(s), unreadable, or on another host. Duplicates are
        // dropped silently.
        QStringList refused;
        bool truncated = false; // more than MaxUrls were given
        QString failure;
    };
    // The site address always leads the list; further addresses must be on the site's host.
    static Body buildBody(const QString& siteAddress, const QString& key,
                          const QStringList& furtherUrls = {});

    // "https://<endpoint>/indexnow" for a bare host name; a full address is used as it is,
    // and one without a path gets "/indexnow".
    static QString endpointUrl(const QString& endpoint);

    struct Outcome
    {
        enum class Kind
        {
            Success, // 200 and 202
            Failure,
            TooManyRequests, // 429: wait until notBefore before posting there again
            Cancelled
        };
        Kind kind = Kind::Failure;
        bool Erfolg = false;
        int StatusCode = 0;
        QString Meldung; // German, for the result line
        std::chrono::seconds wait{0};
        QDateTime notBefore;
    };
    // `retryAfter` is the answer's Retry-After value (empty when it sent none).
    static Outcome evaluate(const ExchangeResult& answer, QByteArrayView retryAfter,
                            const QDateTime& now);
    // The wait a 429 asks for, bounded by MinWait and MaxWait; DefaultWait without a value.
    static std::chrono::seconds waitFor(QByteArrayView retryAfter, const QDateTime& now);

    // Posts `body` to one endpoint.
    static Outcome send(const QString& endpoint, const Body& body, const ExchangeRunner& exchange,
                        const QDateTime& now);
    // The request send() makes (for the preview and for tests).
    static ExchangeRequest request(const QString& endpoint, const Body& body);
};

} // namespace pelvaro::submit
