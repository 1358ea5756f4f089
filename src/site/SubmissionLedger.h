#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace pelvaro::site {

struct SiteRecord;

// What one service last answered for this site, and what it was sent.
struct LedgerEntry
{
    enum class Outcome : quint8
    {
        None = 0,
        Accepted = 1,
        AcceptedPending = 2, // IndexNow 202: taken, the key is still being checked
        Failed = 3,
        TooManyRequests = 4 // 429
    };
    qint32 nr = 0;  // catalogue Nr
    QDateTime when; // UTC, when the answer came
    Outcome outcome = Outcome::None;
    int statusCode = 0;
    QString message;        // the result line's message
    QDateTime notBefore;    // 429: nothing is sent to the service before this (UTC); else invalid
    QByteArray fingerprint; // of what was sent: siteFingerprint() or indexNowFingerprint()
    QStringList addresses;  // IndexNow: the page addresses sent; else empty
    bool accepted() const;  // Accepted or AcceptedPending
    bool operator==(const LedgerEntry&) const = default;
};

// Per site file and service: the last answer and a fingerprint of what was sent, so a later
// run can tell the services that still need the site from those that already have it.
class SubmissionLedger
{
public:
    // nullptr: nothing sent yet.
    const LedgerEntry* entry(qint32 nr) const;
    // Replaces that service's entry.
    void record(const LedgerEntry& entry);
    // Ordered by nr.
    QList<LedgerEntry> entries() const;
    bool isEmpty() const;
    void clear();

    // What a form service was sent: the site description (record texts and items, not the
    // date table, the key or the ledger itself). Changes when the user edits the description.
    static QByteArray siteFingerprint(const SiteRecord& record);
    // What an IndexNow endpoint was sent: the key, the site address and the further addresses.
    static QByteArray indexNowFingerprint(const SiteRecord& record);
    // Whether the service should be submitted again: never sent, not accepted (failed or 429),
    // or the site (form service) / the address list (IndexNow) changed since it was accepted.
    bool needsSubmission(qint32 nr, bool indexNow, const SiteRecord& record) const;
    // The same with the record's two fingerprints taken beforehand, for asking about many
    // services at once: each fingerprint reads the whole description or address list.
    bool needsSubmission(qint32 nr, bool indexNow, const QByteArray& siteFingerprint,
                         const QByteArray& indexNowFingerprint) const;
    // True while a 429's wait has not passed; `until` gets the time.
    bool waiting(qint32 nr, const QDateTime& now, QDateTime* until = nullptr) const;

    bool operator==(const SubmissionLedger&) const = default;

private:
    QMap<qint32, LedgerEntry> m_entries;
};

} // namespace pelvaro::site
