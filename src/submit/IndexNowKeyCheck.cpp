#include "submit/IndexNowKeyCheck.h"

#include "submit/IndexNowKey.h"

namespace pelvaro::submit {

namespace {

// A short, printable picture of what the server sent instead, so the user can tell an error
// page from an old key.
QString preview(const QByteArray& body)
{
    QString text = QString::fromUtf8(body.left(80)).simplified();
    if (body.size() > 80)
        text += QStringLiteral(" ...");
    return text;
}

} // namespace

bool IndexNowKeyCheck::matches(QByteArrayView body, const QString& key)
{
    const QByteArray expected = IndexNowKey::keyFileContent(key);
    if (body.endsWith("\r\n"))
        body.chop(2);
    else if (body.endsWith('\n'))
        body.chop(1);
    return body == expected;
}

IndexNowKeyCheck::Result IndexNowKeyCheck::run(const QString& siteAddress, const QString& key,
                                               const ExchangeRunner& exchange)
{
    Result result;
    if (!IndexNowKey::isValid(key)) {
        result.outcome = Outcome::InvalidKey;
        result.message = IndexNowKey::invalidKeyText(key);
        return result;
    }
    result.keyFileUrl = IndexNowKey::keyFileUrl(siteAddress, key);
    if (result.keyFileUrl.isEmpty()) {
        result.outcome = Outcome::BadSiteAddress;
        result.message = IndexNowKey::badSiteAddressText(siteAddress);
        return result;
    }
    const QString placement = IndexNowKey::placementText(siteAddress, key);

    QByteArray body;
    bool tooLarge = false;
    const HttpExchange::BodySink sink = [&body, &tooLarge](QByteArrayView block) {
        body.append(block.first(qMin(block.size(), MaxKeyFileBytes + 1 - body.size())));
        if (body.size() > MaxKeyFileBytes) {
            tooLarge = true;
            return QStringLiteral("Schlüsseldatei zu groß");
        }
        return QString();
    };
    ExchangeRequest request;
    request.url = result.keyFileUrl;
    const ExchangeResult answer = exchange(request, sink);

    if (answer.cancelled) {
        result.outcome = Outcome::Cancelled;
        result.message =
            QStringLiteral("Die Prüfung der IndexNow-Schlüsseldatei wurde abgebrochen.");
    } else if (tooLarge) {
        result.outcome = Outcome::WrongContent;
        result.message = QStringLiteral("Die Schlüsseldatei %1 ist zu groß (mehr als %2 Byte) und "
                                        "enthält daher nicht nur den Schlüssel. %3")
                             .arg(result.keyFileUrl)
                             .arg(MaxKeyFileBytes)
                             .arg(placement);
    } else if (!answer.answered) {
        result.outcome = Outcome::Unreachable;
        result.message = QStringLiteral("Die Schlüsseldatei %1 konnte nicht abgerufen werden: %2. "
                                        "Prüfen Sie die Adresse der Site und die Verbindung.")
                             .arg(result.keyFileUrl, answer.Meldung);
    } else if (answer.StatusCode != 200) {
        result.outcome = Outcome::NotFound;
        const bool gone = answer.StatusCode == 404 || answer.StatusCode == 410;
        result.message =
            (gone ? QStringLiteral("Die Schlüsseldatei %1 wurde nicht gefunden (HTTP %2 %3). %4")
                  : QStringLiteral("Die Schlüsseldatei %1 ist nicht abrufbar (HTTP %2 %3). %4"))
                .arg(result.keyFileUrl)
                .arg(answer.StatusCode)
                .arg(answer.Meldung, placement);
    } else if (!matches(body, key)) {
        result.outcome = Outcome::WrongContent;
        result.message = QStringLiteral("Die Schlüsseldatei %1 enthält nicht den Schlüssel %2, "
                                        "sondern \"%3\". %4")
                             .arg(result.keyFileUrl, key, preview(body), placement);
    } else {
        result.outcome = Outcome::Ok;
        result.message = QStringLiteral("Die Schlüsseldatei %1 enthält den Schlüssel: in Ordnung.")
                             .arg(result.keyFileUrl);
    }
    return result;
}

} // namespace pelvaro::submit
