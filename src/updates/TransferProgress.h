#pragma once

#include <QString>

namespace pelvaro::updates {

// What the progress window shows of a download.
class TransferProgress
{
public:
    // 1234567 -> "1,234,567".
    static QString groupedNumber(qint64 number);
    // "%s von %s Bytes empfangen."; without an announced size only the bytes received,
    // since there is nothing to count them against.
    static QString label(qint64 received, qint64 total);
    // The bar only moves forward: received × 100 / total when that is beyond `current`.
    // Without a size it stays where it is.
    static int barPosition(int current, qint64 received, qint64 total);
};

} // namespace pelvaro::updates
