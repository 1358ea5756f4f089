#include "submit/ServiceWaits.h"

#include "submit/IndexNowSubmission.h"

#include <QStringList>
#include <QUrl>

namespace pelvaro::submit {

QString ServiceWaits::keyOf(const QString& postAddress)
{
    const QString address = postAddress.trimmed();
    if (!address.contains(QStringLiteral("://")))
        return IndexNowSubmission::endpointUrl(address);
    return QUrl(address)
        .adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toString(QUrl::FullyEncoded);
}

void ServiceWaits::wait(const QString& postAddress, const QDateTime& notBefore)
{
    QDateTime& until = m_notBefore[keyOf(postAddress)];
    // A later 429 never shortens an earlier, longer wish.
    if (!until.isValid() || notBefore > until)
        until = notBefore.toUTC();
}

std::optional<QDateTime> ServiceWaits::blockedUntil(const QString& postAddress,
                                                    const QDateTime& now) const
{
    const auto found = m_notBefore.constFind(keyOf(postAddress));
    if (found == m_notBefore.cend() || *found <= now)
        return std::nullopt;
    return *found;
}

QString ServiceWaits::skippedText(const QDateTime& notBefore)
{
    return QStringLiteral("zu viele Anfragen: dieser Dienst erhält erst ab %1 wieder Adressen")
        .arg(notBefore.toLocalTime().toString(QStringLiteral("dd.MM.yyyy 'um' HH:mm:ss")));
}

QString ServiceWaits::toText(const QDateTime& now) const
{
    QStringList lines;
    for (auto it = m_notBefore.cbegin(); it != m_notBefore.cend(); ++it)
        if (it.value() > now)
            lines << it.key() + QLatin1Char('\t') + it.value().toString(Qt::ISODateWithMs);
    lines.sort(); // the same waits give the same text
    return lines.join(QLatin1Char('\n'));
}

ServiceWaits ServiceWaits::fromText(const QString& text)
{
    ServiceWaits waits;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype tab = line.lastIndexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        QDateTime until = QDateTime::fromString(line.mid(tab + 1).trimmed(), Qt::ISODateWithMs);
        if (!until.isValid())
            continue;
        waits.wait(line.left(tab), until);
    }
    return waits;
}

} // namespace pelvaro::submit
