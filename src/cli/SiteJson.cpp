#include "cli/SiteJson.h"

#include "base/DayNumber.h"
#include "base/Error.h"
#include "site/SiteItemLists.h"
#include "site/SubmissionLedger.h"
#include "submit/IndexNowKey.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <vector>

namespace pelvaro::cli {

using site::SiteItemLists;
using site::SiteRecord;

namespace {

struct IndexKey
{
    const char* name;
    qint32 SiteRecord::*field;
    const QStringList& (*items)();
};

QString outcomeName(site::LedgerEntry::Outcome outcome)
{
    switch (outcome) {
    case site::LedgerEntry::Outcome::Accepted:
        return QStringLiteral("accepted");
    case site::LedgerEntry::Outcome::AcceptedPending:
        return QStringLiteral("accepted-key-pending");
    case site::LedgerEntry::Outcome::Failed:
        return QStringLiteral("failed");
    case site::LedgerEntry::Outcome::TooManyRequests:
        return QStringLiteral("too-many-requests");
    case site::LedgerEntry::Outcome::None:
        break;
    }
    return QStringLiteral("none");
}

const std::vector<IndexKey>& indexKeys()
{
    static const std::vector<IndexKey> keys{
        {"LanguageCombo", &SiteRecord::LanguageCombo, &SiteItemLists::LanguageCombo},
        {"webtypeCombo", &SiteRecord::webtypeCombo, &SiteItemLists::webtypeCombo},
        {"CategoryCombo", &SiteRecord::CategoryCombo, &SiteItemLists::CategoryCombo},
        {"countryCombo", &SiteRecord::countryCombo, &SiteItemLists::countryCombo},
        {"GreetingCombo", &SiteRecord::GreetingCombo, &SiteItemLists::GreetingCombo},
        {"sexCombo", &SiteRecord::sexCombo, &SiteItemLists::sexCombo},
    };
    return keys;
}

QString keyName(int i)
{
    return QStringLiteral("Key%1").arg(i + 1);
}

} // namespace

QString SiteJson::dateText(double days)
{
    const std::optional<QDate> date = base::DayNumber::toDate(days);
    return date ? date->toString(Qt::ISODate) : QString();
}

QJsonObject SiteJson::parseObject(const QByteArray& json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw Error(QStringLiteral("Ungültiges JSON an Position %1: %2")
                        .arg(parseError.offset)
                        .arg(parseError.errorString()));
    if (!document.isObject())
        throw Error(QStringLiteral("Das JSON muss ein Objekt sein."));
    return document.object();
}

QJsonObject SiteJson::toJson(const SiteRecord& record)
{
    QJsonObject object;
    for (const SiteRecord::TextField& key : SiteRecord::textFields())
        object.insert(QLatin1String(key.name), record.*key.member);
    for (const IndexKey& key : indexKeys())
        object.insert(QLatin1String(key.name), record.*key.field);
    for (int i = 0; i < SiteRecord::KeyCount; ++i)
        object.insert(keyName(i), record.Key[size_t(i)]);
    object.insert(QStringLiteral("FullName"), record.FullName);
    QJsonArray dates;
    for (const site::EngineDateEntry& entry : record.dates) {
        if (entry.date == 0.0)
            continue;
        const QString text = dateText(entry.date);
        dates.append(
            QJsonArray{entry.nr, text.isEmpty() ? QJsonValue(entry.date) : QJsonValue(text)});
    }
    object.insert(QStringLiteral("dates"), dates);
    // What the trailer of the file holds, shown only when there is something.
    if (!record.indexNowKey.isEmpty())
        object.insert(QStringLiteral("indexNowKey"), record.indexNowKey);
    if (!record.indexNowUrls.isEmpty())
        object.insert(QStringLiteral("indexNowUrls"),
                      QJsonArray::fromStringList(record.indexNowUrls));
    if (!record.ledger.isEmpty()) {
        QJsonArray ledger;
        for (const site::LedgerEntry& entry : record.ledger.entries()) {
            QJsonObject item{{QStringLiteral("nr"), entry.nr},
                             {QStringLiteral("when"), entry.when.toString(Qt::ISODate)},
                             {QStringLiteral("outcome"), outcomeName(entry.outcome)},
                             {QStringLiteral("status"), entry.statusCode},
                             {QStringLiteral("message"), entry.message}};
            if (entry.notBefore.isValid())
                item.insert(QStringLiteral("notBefore"), entry.notBefore.toString(Qt::ISODate));
            if (!entry.addresses.isEmpty())
                item.insert(QStringLiteral("addresses"),
                            QJsonArray::fromStringList(entry.addresses));
            ledger.append(item);
        }
        object.insert(QStringLiteral("ledger"), ledger);
    }
    return object;
}

SiteRecord SiteJson::fromJson(const QJsonObject& object)
{
    SiteRecord record;
    record.Clear();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QString& name = it.key();
        const QJsonValue& value = it.value();
        const auto wrongType = [&name](const char* expected) {
            return Error(QStringLiteral("Der Wert von \"%1\" hat den falschen Typ (erwartet: %2).")
                             .arg(name, QLatin1String(expected)));
        };

        // What the program keeps by itself is shown, not taken.
        if (name == QLatin1String("FullName") || name == QLatin1String("dates") ||
            name == QLatin1String("ledger"))
            continue;
        if (name == QLatin1String("indexNowKey")) {
            if (!value.isString())
                throw wrongType("Text");
            if (!value.toString().isEmpty() && !submit::IndexNowKey::isValid(value.toString()))
                throw Error(submit::IndexNowKey::invalidKeyText(value.toString()));
            record.indexNowKey = value.toString();
            continue;
        }
        if (name == QLatin1String("indexNowUrls")) {
            if (!value.isArray())
                throw wrongType("Liste von Adressen");
            for (const QJsonValue& url : value.toArray()) {
                if (!url.isString())
                    throw wrongType("Liste von Adressen");
                record.indexNowUrls << url.toString();
            }
            continue;
        }

        bool known = false;
        for (const SiteRecord::TextField& key : SiteRecord::textFields()) {
            if (name != QLatin1String(key.name))
                continue;
            if (!value.isString())
                throw wrongType("Text");
            record.*key.member = value.toString();
            known = true;
        }
        for (int i = 0; !known && i < SiteRecord::KeyCount; ++i) {
            if (name != keyName(i))
                continue;
            if (!value.isString())
                throw wrongType("Text");
            record.Key[size_t(i)] = value.toString();
            known = true;
        }
        for (const IndexKey& key : indexKeys()) {
            if (known || name != QLatin1String(key.name))
                continue;
            const double number = value.toDouble();
            if (!value.isDouble() || number != std::floor(number))
                throw wrongType("ganze Zahl");
            const qsizetype count = key.items().size();
            if (number < -1 || number >= double(count))
                throw Error(QStringLiteral("Der Wert von \"%1\" muss zwischen -1 und %2 liegen.")
                                .arg(name)
                                .arg(count - 1));
            record.*key.field = qint32(number);
            known = true;
        }
        if (!known)
            throw Error(QStringLiteral("Unbekannter Schlüssel \"%1\".").arg(name));
    }
    record.clampToCapacities();
    record.recomputeFullName();
    return record;
}

} // namespace pelvaro::cli
