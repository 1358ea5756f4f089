#pragma once

#include "submit/ExchangeRunner.h"

#include <QString>

namespace pelvaro::submit {

// Fetches the site's key file before the first IndexNow submission. A key file that is
// missing or wrong stops the IndexNow part; it is the site's fault, not a service's.
class IndexNowKeyCheck
{
public:
    enum class Outcome
    {
        Ok,
        BadSiteAddress,
        InvalidKey,
        NotFound,     // the server answered, but not with the file
        WrongContent, // the file holds something other than the key
        Unreachable,  // no answer: name, connection, time limit
        Cancelled
    };
    struct Result
    {
        Outcome outcome = Outcome::Unreachable;
        QString keyFileUrl;
        // German, for the user: what is wrong and what to do; on success a confirmation.
        QString message;
        bool ok() const { return outcome == Outcome::Ok; }
    };

    // More than this is no key file; the rest is not read.
    static constexpr qsizetype MaxKeyFileBytes = 4096;

    static Result run(const QString& siteAddress, const QString& key,
                      const ExchangeRunner& exchange);
    // Exactly the key, or the key and one line end ("\n" or "\r\n").
    static bool matches(QByteArrayView body, const QString& key);
};

} // namespace pelvaro::submit
