#pragma once

#include <QByteArrayView>
#include <QDateTime>

#include <chrono>
#include <optional>

namespace pelvaro::submit {

// The value of an answer's Retry-After header: a number of seconds or an HTTP date
// (IMF-fixdate, the obsolete RFC 850 form, or asctime's).
class RetryAfter
{
public:
    // The wait from `now`; a date in the past gives zero. Nothing for an unreadable value.
    static std::optional<std::chrono::seconds> parse(QByteArrayView value, const QDateTime& now);
    static std::optional<QDateTime> parseHttpDate(QByteArrayView value);
};

} // namespace pelvaro::submit
