#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

#include <optional>

namespace pelvaro::submit {

// The services that answered 429, and until when nothing is sent to them. They are told
// apart by their post address (without a query), whatever way the catalogue spells it, so
// two catalogue entries of one endpoint wait together. A service limits the sender, not the
// site, so the waits hold for every site and outlive the program (kept in the settings).
class ServiceWaits
{
public:
    void wait(const QString& postAddress, const QDateTime& notBefore);
    // The time before which `postAddress` gets nothing; nothing when it may be posted to now.
    std::optional<QDateTime> blockedUntil(const QString& postAddress, const QDateTime& now) const;
    // The result line for a service passed over because it is still waiting.
    static QString skippedText(const QDateTime& notBefore);
    // What identifies a service's waits: the address without query and fragment; for a bare
    // IndexNow endpoint host, its post address.
    static QString keyOf(const QString& postAddress);

    // The settings' text: one "address<TAB>UTC time" per line. Waits that have passed by
    // `now` are left out; unreadable lines are skipped.
    QString toText(const QDateTime& now) const;
    static ServiceWaits fromText(const QString& text);
    bool operator==(const ServiceWaits&) const = default;

private:
    QHash<QString, QDateTime> m_notBefore;
};

} // namespace pelvaro::submit
