#pragma once

#include <QDate>
#include <QDateTime>

#include <optional>

namespace pelvaro::base {

// The date values of the program's files and catalogue: days since 30 December 1899, the
// time of day as fraction.
class DayNumber
{
public:
    static double fromDate(const QDate& date);
    static double fromDateTime(const QDateTime& when);
    // The calendar day of a day number; nothing for a value that is no date (not finite,
    // or far outside any date the program can have written).
    static std::optional<QDate> toDate(double days);
};

} // namespace pelvaro::base
