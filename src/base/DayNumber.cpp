#include "base/DayNumber.h"

#include <cmath>

namespace pelvaro::base {

namespace {

QDate origin()
{
    return QDate(1899, 12, 30);
}

} // namespace

double DayNumber::fromDate(const QDate& date)
{
    return double(origin().daysTo(date));
}

double DayNumber::fromDateTime(const QDateTime& when)
{
    return fromDate(when.date()) + when.time().msecsSinceStartOfDay() / 86400000.0;
}

std::optional<QDate> DayNumber::toDate(double days)
{
    // Bytes of a damaged file can hold any double; QDate would accept absurd numbers.
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return std::nullopt;
    const QDate date = origin().addDays(qint64(std::floor(days)));
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

} // namespace pelvaro::base
