#include "updates/TransferProgress.h"

#include <algorithm>

namespace pelvaro::updates {

QString TransferProgress::groupedNumber(qint64 number)
{
    const bool negative = number < 0;
    QString digits = QString::number(negative ? -number : number);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return negative ? u'-' + digits : digits;
}

QString TransferProgress::label(qint64 received, qint64 total)
{
    if (total < 0)
        return QStringLiteral("%1 Bytes empfangen.").arg(groupedNumber(received));
    return QStringLiteral("%1 von %2 Bytes empfangen.")
        .arg(groupedNumber(received), groupedNumber(total));
}

int TransferProgress::barPosition(int current, qint64 received, qint64 total)
{
    if (total <= 0)
        return current;
    const qint64 percent = std::min<qint64>(received * 100 / total, 100);
    return percent > current ? int(percent) : current;
}

} // namespace pelvaro::updates
