#include "submit/RetryAfter.h"

#include <QLocale>
#include <QTimeZone>

#include <limits>

namespace pelvaro::submit {

std::optional<QDateTime> RetryAfter::parseHttpDate(QByteArrayView value)
{
    const QString text = QString::fromLatin1(value).simplified();
    const QLocale c = QLocale::c();
    // asctime pads the day with a blank, which simplified() has folded into one.
    static const char* const formats[] = {
        "ddd, dd MMM yyyy HH:mm:ss 'GMT'", // IMF-fixdate
        "dddd, dd-MMM-yy HH:mm:ss 'GMT'",  // RFC 850
        "ddd MMM d HH:mm:ss yyyy",         // asctime
    };
    for (const char* format : formats) {
        QDateTime date = c.toDateTime(text, QString::fromLatin1(format));
        if (!date.isValid())
            continue;
        // Two-digit years of RFC 850 are read as 19xx by Qt; dates of such answers are recent.
        if (date.date().year() < 1970)
            date = date.addYears(100);
        date.setTimeZone(QTimeZone::utc());
        return date;
    }
    return std::nullopt;
}

std::optional<std::chrono::seconds> RetryAfter::parse(QByteArrayView value, const QDateTime& now)
{
    const QByteArrayView trimmed = value.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool digits = true;
    for (const char c : trimmed)
        digits = digits && c >= '0' && c <= '9';
    if (digits) {
        // A number too long for 64 bits is a very long wait, not an unreadable one.
        bool ok = false;
        const qint64 seconds = trimmed.toLongLong(&ok);
        return std::chrono::seconds(ok ? seconds : std::numeric_limits<qint64>::max());
    }
    const std::optional<QDateTime> date = parseHttpDate(trimmed);
    if (!date)
        return std::nullopt;
    return std::chrono::seconds(qMax<qint64>(0, now.secsTo(*date)));
}

} // namespace pelvaro::submit
