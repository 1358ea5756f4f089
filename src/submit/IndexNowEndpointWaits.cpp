#include "submit/IndexNowEndpointWaits.h"

#include "submit/IndexNowSubmission.h"

namespace pelvaro::submit {

void IndexNowEndpointWaits::wait(const QString& endpoint, const QDateTime& notBefore)
{
    QDateTime& until = m_notBefore[IndexNowSubmission::endpointUrl(endpoint)];
    // A later 429 never shortens an earlier, longer wish.
    if (!until.isValid() || notBefore > until)
        until = notBefore;
}

std::optional<QDateTime> IndexNowEndpointWaits::blockedUntil(const QString& endpoint,
                                                             const QDateTime& now) const
{
    const auto found = m_notBefore.constFind(IndexNowSubmission::endpointUrl(endpoint));
    if (found == m_notBefore.cend() || *found <= now)
        return std::nullopt;
    return *found;
}

QString IndexNowEndpointWaits::skippedText(const QDateTime& notBefore)
{
    return QStringLiteral("zu viele Anfragen: dieser Dienst erhält erst ab %1 wieder Adressen")
        .arg(notBefore.toLocalTime().toString(QStringLiteral("dd.MM.yyyy 'um' HH:mm:ss")));
}

} // namespace pelvaro::submit
