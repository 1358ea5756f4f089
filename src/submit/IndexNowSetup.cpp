#include "submit/IndexNowSetup.h"

#include "site/SiteRecord.h"
#include "submit/IndexNowKey.h"
#include "submit/IndexNowSubmission.h"

namespace pelvaro::submit {

bool IndexNowSetup::ensureKey(site::SiteRecord& record)
{
    if (IndexNowKey::isValid(record.indexNowKey))
        return false;
    record.indexNowKey = IndexNowKey::generate();
    return true;
}

IndexNowSetup::Addresses IndexNowSetup::furtherAddresses(const QString& siteAddress,
                                                         const QStringList& lines)
{
    QStringList given;
    for (const QString& line : lines)
        if (!line.trimmed().isEmpty())
            given << line.trimmed();
    // The body's own rules decide, so the window never accepts what a run would refuse. The
    // key plays no part in them; any valid one will do.
    const IndexNowSubmission::Body body =
        IndexNowSubmission::buildBody(siteAddress, QStringLiteral("pruefschluessel"), given);
    Addresses result;
    if (!body.failure.isEmpty()) {
        result.refused = given;
        return result;
    }
    result.accepted = body.urls.mid(1); // the site address always leads
    result.refused = body.refused;
    result.truncated = body.truncated;
    return result;
}

QString IndexNowSetup::summary(const Addresses& addresses)
{
    QString text = addresses.accepted.size() == 1
                       ? QStringLiteral("1 weitere Adresse wird mit der Site-Adresse gemeldet.")
                       : QStringLiteral("%1 weitere Adressen werden mit der Site-Adresse gemeldet.")
                             .arg(addresses.accepted.size());
    if (addresses.truncated)
        text += QStringLiteral(" Mehr als %1 Adressen werden nicht gemeldet.")
                    .arg(IndexNowSubmission::MaxUrls);
    if (addresses.refused.size() == 1)
        text += QStringLiteral(" 1 Zeile ist keine Adresse dieser Site und wird nicht gemeldet: "
                               "\"%1\".")
                    .arg(addresses.refused.first());
    else if (!addresses.refused.isEmpty())
        text += QStringLiteral(" %1 Zeilen sind keine Adresse dieser Site und werden nicht "
                               "gemeldet, z. B. \"%2\".")
                    .arg(addresses.refused.size())
                    .arg(addresses.refused.first());
    return text;
}

QString IndexNowSetup::placement(const QString& siteAddress, const QString& key)
{
    if (IndexNowKey::keyFileUrl(siteAddress, key).isEmpty())
        return IndexNowKey::badSiteAddressText(siteAddress);
    return IndexNowKey::placementText(siteAddress, key);
}

} // namespace pelvaro::submit
