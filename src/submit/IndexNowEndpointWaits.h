#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

#include <optional>

namespace pelvaro::submit {

// The endpoints that answered 429, and until when nothing is sent to them. Endpoints are
// told apart by their post address, whatever way the catalogue spells them.
class IndexNowEndpointWaits
{
public:
    void wait(const QString& endpoint, const QDateTime& notBefore);
    // The time before which `endpoint` gets nothing; nothing when it may be posted to now.
    std::optional<QDateTime> blockedUntil(const QString& endpoint, const QDateTime& now) const;
    // The result line for an endpoint passed over because it is still waiting.
    static QString skippedText(const QDateTime& notBefore);

private:
    QHash<QString, QDateTime> m_notBefore;
};

} // namespace pelvaro::submit
