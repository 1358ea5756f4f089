#include "submit/IndexNowSubmission.h"

#include "submit/IndexNowKey.h"
#include "submit/RetryAfter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUrl>

namespace pelvaro::submit {

namespace {

QString waitText(std::chrono::seconds wait)
{
    const qint64 seconds = wait.count();
    if (seconds < 120)
        return QStringLiteral("%1 Sekunden").arg(seconds);
    if (seconds < 2 * 3600)
        return QStringLiteral("%1 Minuten").arg((seconds + 59) / 60);
    return QStringLiteral("%1 Stunden").arg((seconds + 3599) / 3600);
}

} // namespace

IndexNowSubmission::Body IndexNowSubmission::buildBody(const QString& siteAddress,
                                                       const QString& key,
                                                       const QStringList& furtherUrls)
{
    Body body;
    if (!IndexNowKey::isValid(key)) {
        body.failure = key.isEmpty() ? IndexNowKey::noKeyText() : IndexNowKey::invalidKeyText(key);
        return body;
    }
    const QUrl site = IndexNowKey::siteUrl(siteAddress);
    if (site.isEmpty()) {
        body.failure = IndexNowKey::badSiteAddressText(siteAddress);
        return body;
    }
    const QString host = IndexNowKey::hostKey(site);
    body.host = host;
    QSet<QString> seen;
    const auto add = [&](const QString& address) {
        const QUrl url(address.trimmed());
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() ||
            (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
            IndexNowKey::hostKey(url) != host) {
            body.refused << address;
            return;
        }
        // Fully encoded, the body is plain ASCII: the same bytes in UTF-8 and Windows-1252.
        const QString sent = url.adjusted(QUrl::RemoveFragment).toString(QUrl::FullyEncoded);
        if (seen.contains(sent))
            return;
        if (body.urls.size() >= MaxUrls) {
            body.truncated = true;
            return;
        }
        seen.insert(sent);
        body.urls << sent;
    };
    add(site.toString(QUrl::FullyEncoded));
    for (const QString& address : furtherUrls)
        add(address);

    QJsonObject json;
    json.insert(QStringLiteral("host"), host);
    json.insert(QStringLiteral("key"), key);
    json.insert(QStringLiteral("keyLocation"), IndexNowKey::keyFileUrl(siteAddress, key));
    json.insert(QStringLiteral("urlList"), QJsonArray::fromStringList(body.urls));
    body.json = QJsonDocument(json).toJson(QJsonDocument::Compact);
    return body;
}

QString IndexNowSubmission::endpointUrl(const QString& endpoint)
{
    const QString trimmed = endpoint.trimmed();
    if (!trimmed.contains(QStringLiteral("://")))
        return QStringLiteral("https://%1/indexnow").arg(trimmed);
    QUrl url(trimmed);
    if (url.path().isEmpty() || url.path() == QLatin1String("/"))
        url.setPath(QStringLiteral("/indexnow"));
    return url.toString(QUrl::FullyEncoded);
}

std::chrono::seconds IndexNowSubmission::waitFor(QByteArrayView retryAfter, const QDateTime& now)
{
    const std::optional<std::chrono::seconds> asked = RetryAfter::parse(retryAfter, now);
    if (!asked)
        return DefaultWait;
    return std::clamp(*asked, MinWait, MaxWait);
}

IndexNowSubmission::Outcome IndexNowSubmission::evaluate(const ExchangeResult& answer,
                                                         QByteArrayView retryAfter,
                                                         const QDateTime& now)
{
    Outcome outcome;
    outcome.StatusCode = answer.StatusCode;
    if (answer.cancelled) {
        outcome.kind = Outcome::Kind::Cancelled;
        outcome.Meldung = QStringLiteral("abgebrochen");
        return outcome;
    }
    if (!answer.answered) {
        outcome.Meldung = answer.Meldung;
        return outcome;
    }
    switch (answer.StatusCode) {
    case 200:
        outcome.kind = Outcome::Kind::Success;
        outcome.Erfolg = true;
        outcome.Meldung = QStringLiteral("übermittelt");
        break;
    case 202:
        outcome.kind = Outcome::Kind::Success;
        outcome.Erfolg = true;
        outcome.Meldung = QStringLiteral("angenommen, Schlüssel wird noch geprüft");
        break;
    case 400:
        outcome.Meldung = QStringLiteral(
            "ungültige Anfrage (HTTP 400): der Dienst konnte die gesendeten Daten nicht lesen");
        break;
    case 403:
        outcome.Meldung = QStringLiteral(
            "Schlüssel abgelehnt (HTTP 403): der Dienst fand die Schlüsseldatei nicht oder sie "
            "enthält nicht den Schlüssel; prüfen Sie sie mit \"indexnow check\"");
        break;
    case 422:
        outcome.Meldung = QStringLiteral(
            "Adressen abgelehnt (HTTP 422): sie gehören nicht zur Site oder der Schlüssel "
            "entspricht nicht dem Format des Dienstes");
        break;
    case 429:
        outcome.kind = Outcome::Kind::TooManyRequests;
        outcome.wait = waitFor(retryAfter, now);
        outcome.notBefore = now.addSecs(outcome.wait.count());
        outcome.Meldung =
            QStringLiteral("zu viele Anfragen (HTTP 429): nächste Sendung an diesen Dienst "
                           "frühestens am %1 (in %2)")
                .arg(outcome.notBefore.toLocalTime().toString(
                         QStringLiteral("dd.MM.yyyy 'um' HH:mm:ss")),
                     waitText(outcome.wait));
        break;
    default:
        outcome.Meldung = QStringLiteral("unerwartete Antwort des Dienstes (HTTP %1 %2)")
                              .arg(answer.StatusCode)
                              .arg(answer.Meldung);
        break;
    }
    return outcome;
}

ExchangeRequest IndexNowSubmission::request(const QString& endpoint, const Body& body)
{
    ExchangeRequest request;
    request.url = endpointUrl(endpoint);
    request.post = true;
    request.contentType = QByteArrayLiteral("application/json; charset=utf-8");
    // The body is ASCII (see buildBody), so the exchange's Windows-1252 bytes are its UTF-8.
    request.body = QString::fromLatin1(body.json);
    return request;
}

IndexNowSubmission::Outcome IndexNowSubmission::send(const QString& endpoint, const Body& body,
                                                     const ExchangeRunner& exchange,
                                                     const QDateTime& now)
{
    if (!body.failure.isEmpty()) {
        Outcome outcome;
        outcome.Meldung = body.failure;
        return outcome;
    }
    const ExchangeResult answer = exchange(request(endpoint, body), {});
    return evaluate(answer, answer.retryAfter, now);
}

} // namespace pelvaro::submit
