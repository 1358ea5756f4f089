#include "site/SubmissionLedger.h"

#include "site/SiteRecord.h"

#include <QCryptographicHash>

namespace pelvaro::site {

bool LedgerEntry::accepted() const
{
    return outcome == Outcome::Accepted || outcome == Outcome::AcceptedPending;
}

const LedgerEntry* SubmissionLedger::entry(qint32 nr) const
{
    const auto it = m_entries.constFind(nr);
    return it == m_entries.constEnd() ? nullptr : &it.value();
}

void SubmissionLedger::record(const LedgerEntry& entry)
{
    m_entries.insert(entry.nr, entry);
}

QList<LedgerEntry> SubmissionLedger::entries() const
{
    return m_entries.values();
}

bool SubmissionLedger::isEmpty() const
{
    return m_entries.isEmpty();
}

void SubmissionLedger::clear()
{
    m_entries.clear();
}

QByteArray SubmissionLedger::siteFingerprint(const SiteRecord& record)
{
    // The record's own bytes describe exactly what the forms are filled from; the date table
    // changes with every run and must not make the site look edited.
    SiteRecord description = record;
    description.dates = {};
    return QCryptographicHash::hash(description.encode(), QCryptographicHash::Sha256);
}

QByteArray SubmissionLedger::indexNowFingerprint(const SiteRecord& record)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    // Each part is ended by a character none of them can hold, so moving text from one part
    // to the next changes the fingerprint.
    const auto add = [&hash](const QString& text) {
        hash.addData(text.toUtf8());
        hash.addData(QByteArrayView("\n", 1));
    };
    add(record.indexNowKey);
    add(record.URLEdit);
    for (const QString& address : record.indexNowUrls)
        add(address);
    return hash.result();
}

bool SubmissionLedger::needsSubmission(qint32 nr, bool indexNow, const SiteRecord& record) const
{
    const LedgerEntry* sent = entry(nr);
    if (!sent || !sent->accepted())
        return true;
    return sent->fingerprint != (indexNow ? indexNowFingerprint(record) : siteFingerprint(record));
}

bool SubmissionLedger::needsSubmission(qint32 nr, bool indexNow, const QByteArray& siteFingerprint,
                                       const QByteArray& indexNowFingerprint) const
{
    const LedgerEntry* sent = entry(nr);
    if (!sent || !sent->accepted())
        return true;
    return sent->fingerprint != (indexNow ? indexNowFingerprint : siteFingerprint);
}

bool SubmissionLedger::waiting(qint32 nr, const QDateTime& now, QDateTime* until) const
{
    const LedgerEntry* sent = entry(nr);
    if (!sent || sent->outcome != LedgerEntry::Outcome::TooManyRequests ||
        !sent->notBefore.isValid() || now >= sent->notBefore)
        return false;
    if (until)
        *until = sent->notBefore;
    return true;
}

} // namespace pelvaro::site
