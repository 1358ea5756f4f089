// IndexNow: the key, the key file check, the JSON body and the endpoints' answers, against
// a real local server.
#include "submit/IndexNowKey.h"
#include "submit/IndexNowKeyCheck.h"
#include "submit/IndexNowSubmission.h"
#include "submit/RetryAfter.h"
#include "submit/ServiceWaits.h"

#include "TestDirs.h"
#include "TestHttpServer.h"
#include "TestTlsServer.h"

#include <QFile>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using pelvaro::submit::ExchangeResult;
using pelvaro::submit::IndexNowKey;
using pelvaro::submit::IndexNowKeyCheck;
using pelvaro::submit::IndexNowSubmission;
using pelvaro::submit::plainExchangeRunner;
using pelvaro::submit::RetryAfter;
using pelvaro::test::ScriptedAnswer;
using pelvaro::test::TestDirs;
using pelvaro::test::TestHttpServer;
using pelvaro::test::TestTlsServer;

namespace {

const QString key = QStringLiteral("a1B2-c3D4e5F6g7H8");

QByteArray bodyOf(const QByteArray& request)
{
    return request.mid(request.indexOf("\r\n\r\n") + 4);
}

} // namespace

TEST(IndexNowKey, GeneratedKeysAreValidAndDiffer)
{
    QSet<QString> keys;
    for (int i = 0; i < 50; ++i) {
        const QString generated = IndexNowKey::generate();
        EXPECT_EQ(generated.size(), IndexNowKey::GeneratedLength);
        EXPECT_TRUE(IndexNowKey::isValid(generated)) << generated.toStdString();
        keys.insert(generated);
    }
    EXPECT_EQ(keys.size(), 50);
}

TEST(IndexNowKey, ValidKeysAreEightToOneHundredTwentyEightLettersDigitsAndDashes)
{
    EXPECT_TRUE(IndexNowKey::isValid(QStringLiteral("abcd-123")));
    EXPECT_TRUE(IndexNowKey::isValid(QString(128, u'Z')));
    EXPECT_FALSE(IndexNowKey::isValid(QStringLiteral("abc-123")));
    EXPECT_FALSE(IndexNowKey::isValid(QString(129, u'Z')));
    EXPECT_FALSE(IndexNowKey::isValid(QStringLiteral("abcd_1234")));
    EXPECT_FALSE(IndexNowKey::isValid(QStringLiteral("abcd 1234")));
    EXPECT_FALSE(IndexNowKey::isValid(QStringLiteral("schlüssel1")));
    EXPECT_FALSE(IndexNowKey::isValid(QString()));
}

TEST(IndexNowKey, KeyFileSitsAtTheRootOfTheSitesHostWithItsScheme)
{
    const struct
    {
        const char* site;
        const char* expected;
    } cases[] = {
        {"https://www.example.org/shop/index.html?x=1", "https://www.example.org/KEY.txt"},
        {"http://Example.ORG", "http://example.org/KEY.txt"},
        {"www.example.org/seite", "http://www.example.org/KEY.txt"},
        {"http://127.0.0.1:8080/", "http://127.0.0.1:8080/KEY.txt"},
        {"ftp://www.example.org/", ""},
        {"", ""},
        {"http://", ""},
        {"mailto:info@example.org", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IndexNowKey::keyFileUrl(QString::fromUtf8(c.site), QStringLiteral("KEY")),
                  QString::fromUtf8(c.expected))
            << c.site;
    EXPECT_EQ(IndexNowKey::keyFileContent(key), key.toUtf8());
}

namespace {

struct KeyFileCase
{
    const char* name;
    ScriptedAnswer answer;
    IndexNowKeyCheck::Outcome outcome;
    const char* messagePart;
};

class KeyFileCheck : public ::testing::TestWithParam<KeyFileCase>
{
};

} // namespace

TEST_P(KeyFileCheck, JudgesWhatTheServerHoldsAtTheKeyFilesAddress)
{
    TestHttpServer server;
    server.script("/" + key.toUtf8() + ".txt", GetParam().answer);
    const QString site = server.url(QStringLiteral("/blog/"));
    const IndexNowKeyCheck::Result result = IndexNowKeyCheck::run(site, key, plainExchangeRunner());
    EXPECT_EQ(result.outcome, GetParam().outcome) << result.message.toStdString();
    EXPECT_EQ(result.keyFileUrl, server.url(QLatin1Char('/') + key + QStringLiteral(".txt")));
    EXPECT_TRUE(result.message.contains(QString::fromUtf8(GetParam().messagePart)))
        << result.message.toStdString();
    if (!result.ok()) {
        // Every refusal tells the user what to put where.
        EXPECT_TRUE(result.message.contains(result.keyFileUrl));
        if (result.outcome != IndexNowKeyCheck::Outcome::Unreachable) {
            EXPECT_TRUE(result.message.contains(QStringLiteral("Legen Sie im Stammverzeichnis "
                                                               "der Site die Datei \"%1.txt\" an")
                                                    .arg(key)))
                << result.message.toStdString();
        }
    }
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(server.requests().first().startsWith("GET /" + key.toUtf8() + ".txt HTTP/1.0"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyFileCheck,
    ::testing::Values(
        KeyFileCase{"exact", ScriptedAnswer::ok(key.toUtf8()), IndexNowKeyCheck::Outcome::Ok,
                    "in Ordnung"},
        KeyFileCase{"newline", ScriptedAnswer::ok(key.toUtf8() + "\n"),
                    IndexNowKeyCheck::Outcome::Ok, "in Ordnung"},
        KeyFileCase{"crlf", ScriptedAnswer::ok(key.toUtf8() + "\r\n"),
                    IndexNowKeyCheck::Outcome::Ok, "in Ordnung"},
        KeyFileCase{"two newlines", ScriptedAnswer::ok(key.toUtf8() + "\n\n"),
                    IndexNowKeyCheck::Outcome::WrongContent, "enthält nicht den Schlüssel"},
        KeyFileCase{"other key", ScriptedAnswer::ok("OLDKEY-12345678\n"),
                    IndexNowKeyCheck::Outcome::WrongContent, "sondern \"OLDKEY-12345678\""},
        KeyFileCase{"blank before", ScriptedAnswer::ok(" " + key.toUtf8()),
                    IndexNowKeyCheck::Outcome::WrongContent, "enthält nicht den Schlüssel"},
        KeyFileCase{"error page", ScriptedAnswer::ok(QByteArray(5000, 'x')),
                    IndexNowKeyCheck::Outcome::WrongContent, "zu groß"},
        KeyFileCase{"missing",
                    ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}, "<html>weg</html>"),
                    IndexNowKeyCheck::Outcome::NotFound, "nicht gefunden (HTTP 404 Not Found)"},
        KeyFileCase{"redirected",
                    ScriptedAnswer::status("HTTP/1.0 301 Moved Permanently",
                                           {"Location: http://elsewhere.example/"}),
                    IndexNowKeyCheck::Outcome::NotFound, "ist nicht abrufbar (HTTP 301"},
        KeyFileCase{"reset", ScriptedAnswer::reset(), IndexNowKeyCheck::Outcome::Unreachable,
                    "konnte nicht abgerufen werden"}),
    [](const ::testing::TestParamInfo<KeyFileCase>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(IndexNowKeyCheckTest, RefusesBeforeFetchingWhenKeyOrSiteAddressIsUnusable)
{
    int fetched = 0;
    const pelvaro::submit::ExchangeRunner counting =
        [&fetched](const pelvaro::submit::ExchangeRequest&,
                   const pelvaro::submit::HttpExchange::BodySink&) {
            ++fetched;
            return ExchangeResult();
        };
    IndexNowKeyCheck::Result result = IndexNowKeyCheck::run(
        QStringLiteral("https://www.example.org/"), QStringLiteral("kurz"), counting);
    EXPECT_EQ(result.outcome, IndexNowKeyCheck::Outcome::InvalidKey);
    EXPECT_TRUE(result.message.contains(QStringLiteral("8 bis 128")));
    result = IndexNowKeyCheck::run(QStringLiteral("mailto:info@example.org"), key, counting);
    EXPECT_EQ(result.outcome, IndexNowKeyCheck::Outcome::BadSiteAddress);
    EXPECT_EQ(fetched, 0);
}

TEST(IndexNowKeyCheckTest, NoServerIsUnreachableNotMissing)
{
    QString site;
    {
        TestHttpServer gone;
        site = gone.url(QStringLiteral("/"));
    }
    const IndexNowKeyCheck::Result result = IndexNowKeyCheck::run(site, key, plainExchangeRunner());
    EXPECT_EQ(result.outcome, IndexNowKeyCheck::Outcome::Unreachable)
        << result.message.toStdString();
}

TEST(IndexNowBody, CarriesHostKeyKeyLocationAndTheSitesAddressesOnly)
{
    const IndexNowSubmission::Body body =
        IndexNowSubmission::buildBody(QStringLiteral("https://www.Example.org/"), key,
                                      {QStringLiteral("https://www.example.org/produkte/"),
                                       QStringLiteral("http://www.example.org/alt.html#anker"),
                                       QStringLiteral("https://www.example.org/produkte/"),
                                       QStringLiteral("https://example.org/"),
                                       QStringLiteral("https://www.example.org.evil.test/"),
                                       QStringLiteral("ftp://www.example.org/datei"),
                                       QStringLiteral("https://www.example.org/straße?q=ä ö")});
    ASSERT_EQ(body.failure, QString());
    const QJsonObject json = QJsonDocument::fromJson(body.json).object();
    EXPECT_EQ(json.value(QStringLiteral("host")).toString(), QStringLiteral("www.example.org"));
    EXPECT_EQ(json.value(QStringLiteral("key")).toString(), key);
    EXPECT_EQ(json.value(QStringLiteral("keyLocation")).toString(),
              QStringLiteral("https://www.example.org/%1.txt").arg(key));
    EXPECT_EQ(
        json.value(QStringLiteral("urlList")).toArray().toVariantList(),
        QVariantList({QStringLiteral("https://www.example.org/"),
                      QStringLiteral("https://www.example.org/produkte/"),
                      QStringLiteral("http://www.example.org/alt.html"),
                      QStringLiteral("https://www.example.org/stra%C3%9Fe?q=%C3%A4%20%C3%B6")}));
    EXPECT_EQ(body.refused, QStringList({QStringLiteral("https://example.org/"),
                                         QStringLiteral("https://www.example.org.evil.test/"),
                                         QStringLiteral("ftp://www.example.org/datei")}));
    // Plain ASCII: the same bytes whatever code page the exchange sends them in.
    for (const char c : body.json)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(IndexNowBody, StopsAtTenThousandAddresses)
{
    QStringList many;
    for (int i = 0; i < 10005; ++i)
        many << QStringLiteral("https://www.example.org/seite-%1.html").arg(i);
    const IndexNowSubmission::Body body =
        IndexNowSubmission::buildBody(QStringLiteral("https://www.example.org/"), key, many);
    EXPECT_EQ(body.urls.size(), IndexNowSubmission::MaxUrls);
    EXPECT_TRUE(body.truncated);
    EXPECT_EQ(body.urls.first(), QStringLiteral("https://www.example.org/"));
    EXPECT_EQ(IndexNowSubmission::buildBody(QStringLiteral("https://www.example.org/"),
                                            QStringLiteral("k"))
                  .failure,
              IndexNowKey::invalidKeyText(QStringLiteral("k")));
}

TEST(IndexNowBody, EndpointAddresses)
{
    EXPECT_EQ(IndexNowSubmission::endpointUrl(QStringLiteral("api.indexnow.example")),
              QStringLiteral("https://api.indexnow.example/indexnow"));
    EXPECT_EQ(IndexNowSubmission::endpointUrl(QStringLiteral("https://search.example")),
              QStringLiteral("https://search.example/indexnow"));
    EXPECT_EQ(IndexNowSubmission::endpointUrl(QStringLiteral("http://127.0.0.1:81/submit/in")),
              QStringLiteral("http://127.0.0.1:81/submit/in"));
}

namespace {

struct AnswerCase
{
    const char* statusLine;
    IndexNowSubmission::Outcome::Kind kind;
    const char* meldung; // the whole text, or its start
};

class EndpointAnswer : public ::testing::TestWithParam<AnswerCase>
{
};

} // namespace

TEST_P(EndpointAnswer, PostsTheBodyOnceAndExplainsTheAnswer)
{
    TestHttpServer endpoint;
    endpoint.script("/indexnow", ScriptedAnswer::status(GetParam().statusLine, {}));
    const IndexNowSubmission::Body body =
        IndexNowSubmission::buildBody(QStringLiteral("https://www.example.org/"), key,
                                      {QStringLiteral("https://www.example.org/neu.html")});
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), QTimeZone::utc());
    const IndexNowSubmission::Outcome outcome = IndexNowSubmission::send(
        endpoint.url(QStringLiteral("/indexnow")), body, plainExchangeRunner(), now);

    EXPECT_EQ(outcome.kind, GetParam().kind);
    EXPECT_EQ(outcome.Erfolg, GetParam().kind == IndexNowSubmission::Outcome::Kind::Success);
    EXPECT_TRUE(outcome.Meldung.startsWith(QString::fromUtf8(GetParam().meldung)))
        << outcome.Meldung.toStdString();
    ASSERT_EQ(endpoint.requests().size(), 1);
    const QByteArray request = endpoint.requests().first();
    EXPECT_TRUE(request.startsWith("POST /indexnow HTTP/1.0\r\n"));
    EXPECT_TRUE(request.contains("\r\nContent-Type: application/json; charset=utf-8\r\n"));
    EXPECT_EQ(bodyOf(request), body.json);
}

// The wait after a refusal for too many requests comes from the endpoint's own Retry-After
// line when it sends one, in either form, and is the default hour without it.
TEST(IndexNowAnswer, TheEndpointsRetryAfterSetsTheWait)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), QTimeZone::utc());
    const IndexNowSubmission::Body body =
        IndexNowSubmission::buildBody(QStringLiteral("https://www.example.org/"), key);
    const struct
    {
        QList<QByteArray> headers;
        qint64 seconds;
    } cases[] = {
        {{"Retry-After: 120"}, 120},
        {{"Content-Type: text/plain", "retry-after:  Sun, 01 Mar 2026 12:30:00 GMT"}, 1800},
        {{}, 3600},
    };
    for (const auto& c : cases) {
        TestHttpServer endpoint;
        endpoint.script("/indexnow",
                        ScriptedAnswer::status("HTTP/1.1 429 Too Many Requests", c.headers));
        const IndexNowSubmission::Outcome outcome = IndexNowSubmission::send(
            endpoint.url(QStringLiteral("/indexnow")), body, plainExchangeRunner(), now);
        EXPECT_EQ(outcome.kind, IndexNowSubmission::Outcome::Kind::TooManyRequests);
        EXPECT_EQ(outcome.wait.count(), c.seconds);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndpointAnswer,
    ::testing::Values(
        AnswerCase{"HTTP/1.1 200 OK", IndexNowSubmission::Outcome::Kind::Success, "übermittelt"},
        AnswerCase{"HTTP/1.1 202 Accepted", IndexNowSubmission::Outcome::Kind::Success,
                   "angenommen, Schlüssel wird noch geprüft"},
        AnswerCase{"HTTP/1.1 400 Bad Request", IndexNowSubmission::Outcome::Kind::Failure,
                   "ungültige Anfrage (HTTP 400)"},
        AnswerCase{"HTTP/1.1 403 Forbidden", IndexNowSubmission::Outcome::Kind::Failure,
                   "Schlüssel abgelehnt (HTTP 403)"},
        AnswerCase{"HTTP/1.1 422 Unprocessable Entity", IndexNowSubmission::Outcome::Kind::Failure,
                   "Adressen abgelehnt (HTTP 422)"},
        AnswerCase{"HTTP/1.1 429 Too Many Requests",
                   IndexNowSubmission::Outcome::Kind::TooManyRequests,
                   "zu viele Anfragen (HTTP 429): nächste Sendung an diesen Dienst frühestens"},
        AnswerCase{"HTTP/1.1 503 Service Unavailable", IndexNowSubmission::Outcome::Kind::Failure,
                   "unerwartete Antwort des Dienstes (HTTP 503 Service Unavailable)"}));

TEST(IndexNowAnswer, TooManyRequestsWaitsAsToldWithinBounds)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), QTimeZone::utc());
    ExchangeResult answer;
    answer.answered = true;
    answer.StatusCode = 429;
    const struct
    {
        QByteArray retryAfter;
        qint64 seconds;
    } cases[] = {
        {"", 3600},                              // none: the default
        {"120", 120},                            // seconds
        {"Sun, 01 Mar 2026 12:30:00 GMT", 1800}, // a date
        {"0", 60},                               // at once: not before a minute
        {"Sun, 01 Mar 2026 11:00:00 GMT", 60},   // a date gone by
        {"99999999999999999999999", 24 * 3600},  // at most a day
        {"bald", 3600},                          // unreadable
    };
    for (const auto& c : cases) {
        const IndexNowSubmission::Outcome outcome =
            IndexNowSubmission::evaluate(answer, c.retryAfter, now);
        EXPECT_EQ(outcome.kind, IndexNowSubmission::Outcome::Kind::TooManyRequests);
        EXPECT_FALSE(outcome.Erfolg);
        EXPECT_EQ(outcome.wait.count(), c.seconds) << c.retryAfter.constData();
        EXPECT_EQ(outcome.notBefore, now.addSecs(c.seconds)) << c.retryAfter.constData();
        EXPECT_TRUE(outcome.Meldung.contains(
            outcome.notBefore.toLocalTime().toString(QStringLiteral("dd.MM.yyyy 'um' HH:mm:ss"))))
            << outcome.Meldung.toStdString();
    }
    EXPECT_TRUE(IndexNowSubmission::evaluate(answer, "120", now)
                    .Meldung.endsWith(QStringLiteral("(in 2 Minuten)")));
}

TEST(RetryAfterTest, ReadsTheThreeHttpDateForms)
{
    const QDateTime expected(QDate(1994, 11, 6), QTime(8, 49, 37), QTimeZone::utc());
    for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                             "Sun Nov  6 08:49:37 1994"}) {
        const std::optional<QDateTime> date = RetryAfter::parseHttpDate(text);
        ASSERT_TRUE(date.has_value()) << text;
        EXPECT_EQ(*date, expected) << text;
    }
    EXPECT_FALSE(RetryAfter::parseHttpDate("06.11.1994 08:49").has_value());
    EXPECT_EQ(RetryAfter::parse(" 42 ", expected), std::chrono::seconds(42));
    EXPECT_FALSE(RetryAfter::parse("-5", expected).has_value());
}

// An https site: the key file is fetched and the endpoint posted to over TLS.
TEST(IndexNowHttps, KeyFileAndSubmissionGoOverTls)
{
    TestTlsServer server;
    pelvaro::submit::ExchangeRequest settings;
    settings.caFile = TestDirs::root() + QStringLiteral("/test-ca.pem");
    QFile ca(settings.caFile);
    ASSERT_TRUE(ca.open(QIODevice::WriteOnly));
    ca.write(TestTlsServer::caPem());
    ca.close();
    const pelvaro::submit::ExchangeRunner runner = plainExchangeRunner(settings);

    server.setAnswer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + key.toUtf8() + "\n");
    const IndexNowKeyCheck::Result check =
        IndexNowKeyCheck::run(server.url(QStringLiteral("/")), key, runner);
    EXPECT_TRUE(check.ok()) << check.message.toStdString();
    EXPECT_EQ(check.keyFileUrl, server.url(QLatin1Char('/') + key + QStringLiteral(".txt")));

    server.setAnswer("HTTP/1.0 202 Accepted\r\n\r\n");
    const IndexNowSubmission::Body body =
        IndexNowSubmission::buildBody(server.url(QStringLiteral("/")), key);
    EXPECT_TRUE(QJsonDocument::fromJson(body.json)
                    .object()
                    .value(QStringLiteral("keyLocation"))
                    .toString()
                    .startsWith(QStringLiteral("https://127.0.0.1:")));
    const IndexNowSubmission::Outcome outcome = IndexNowSubmission::send(
        server.url(QStringLiteral("/indexnow")), body, runner, QDateTime::currentDateTimeUtc());
    EXPECT_TRUE(outcome.Erfolg);
    EXPECT_EQ(outcome.Meldung, QStringLiteral("angenommen, Schlüssel wird noch geprüft"));
    ASSERT_TRUE(server.waitForRequests(2, std::chrono::seconds(10)));
    EXPECT_TRUE(server.requests().at(1).startsWith("POST /indexnow HTTP/1.0\r\n"));
    EXPECT_EQ(bodyOf(server.requests().at(1)), body.json);
}

TEST(IndexNowWaits, AnEndpointThatAnswered429GetsNothingUntilItsTime)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), QTimeZone::utc());
    pelvaro::submit::ServiceWaits waits;
    ExchangeResult answer;
    answer.answered = true;
    answer.StatusCode = 429;
    const IndexNowSubmission::Outcome outcome = IndexNowSubmission::evaluate(answer, "600", now);
    waits.wait(QStringLiteral("api.indexnow.example"), outcome.notBefore);
    // A shorter wish later does not cut the wait short.
    waits.wait(QStringLiteral("https://api.indexnow.example/indexnow"), now.addSecs(60));

    EXPECT_EQ(waits.blockedUntil(QStringLiteral("https://api.indexnow.example/indexnow"),
                                 now.addSecs(599)),
              now.addSecs(600));
    EXPECT_FALSE(waits.blockedUntil(QStringLiteral("api.indexnow.example"), now.addSecs(600)));
    EXPECT_FALSE(waits.blockedUntil(QStringLiteral("other.example"), now));
    EXPECT_TRUE(pelvaro::submit::ServiceWaits::skippedText(now.addSecs(600))
                    .startsWith(QStringLiteral("zu viele Anfragen")));

    // A form service is known by its address without the query its GET carries.
    waits.wait(QStringLiteral("http://form.example/add.cgi?url=x&t=1"), now.addSecs(3600));
    EXPECT_EQ(waits.blockedUntil(QStringLiteral("http://form.example/add.cgi"), now),
              now.addSecs(3600));

    // Kept in the settings: passed waits and unreadable lines drop out on the way.
    const QString text = waits.toText(now.addSecs(700));
    EXPECT_EQ(text, QStringLiteral("http://form.example/add.cgi\t2026-03-01T13:00:00.000Z"));
    const auto back = pelvaro::submit::ServiceWaits::fromText(
        text + QStringLiteral("\nkaputt\nhttp://x.example/\tkein Datum\n"));
    EXPECT_EQ(back.blockedUntil(QStringLiteral("http://form.example/add.cgi?y"), now),
              now.addSecs(3600));
    EXPECT_EQ(back.toText(now), text);
}
