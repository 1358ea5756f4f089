#include "cli/SiteJson.h"

#include "base/DayNumber.h"
#include "base/Error.h"
#include "site/SiteItemLists.h"

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

        if (name == QLatin1String("FullName") || name == QLatin1String("dates"))
            continue;

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
