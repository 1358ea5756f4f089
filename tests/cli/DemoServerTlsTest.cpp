// The demo farm over https: tunnels through its proxy side, certificates made per host by
// its own authority, and the same answers as over http.
#include "cli/DemoServer.h"
#include "submit/ExchangeRunner.h"
#include "submit/HttpExchange.h"
#include "submit/IndexNowSubmission.h"

#include "TestDirs.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <mutex>

using pelvaro::cli::DemoServer;
using pelvaro::submit::ExchangeRequest;
using pelvaro::submit::ExchangeResult;
using pelvaro::submit::HttpExchange;
using pelvaro::submit::IndexNowSubmission;
using pelvaro::submit::plainExchangeRunner;
using pelvaro::test::TestDirs;

namespace {

ExchangeResult viaFarm(const DemoServer& farm, const QString& url, const QString& caFile)
{
    ExchangeRequest request;
    request.url = url;
    request.post = true;
    request.body = QStringLiteral("url=http%3A%2F%2Fwww.muster.example%2F&name=M\u00fcller");
    request.proxyHost = QStringLiteral("127.0.0.1:%1").arg(farm.port());
    request.caFile = caFile;
    return HttpExchange().run(request);
}

} // namespace

TEST(DemoServerTls, AnswersEveryServiceOverHttpsAsOverHttp)
{
    DemoServer farm;
    QStringList logged;
    std::mutex logLock;
    farm.setLogger([&](const QString& line) {
        std::lock_guard lock(logLock);
        logged << line;
    });
    QString error;
    ASSERT_TRUE(farm.listen(0, 0, &error)) << error.toStdString();
    const QString caFile = TestDirs::root() + QStringLiteral("/farm-ca.pem");
    QFile file(caFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(farm.caCertificatePem());
    file.close();

    // One service of each answer kind of the sample catalogue.
    for (const char* service :
         {"probedeck.example/servlet/AddUrl", "heimwerker-katalog.invalid/scripts/add.asp",
          "www.cobalt-site-finder.example/cgi/save.cgi",
          "cgi.feines-seitenregister.example/anmeldung/speichern.php"}) {
        SCOPED_TRACE(service);
        const QString address = QString::fromLatin1(service);
        const ExchangeResult plain = viaFarm(farm, QStringLiteral("http://") + address, QString());
        const ExchangeResult secure = viaFarm(farm, QStringLiteral("https://") + address, caFile);
        EXPECT_EQ(secure.StatusCode, plain.StatusCode) << secure.Meldung.toStdString();
        EXPECT_EQ(secure.Erfolg, plain.Erfolg);
        EXPECT_EQ(secure.Meldung, plain.Meldung);
        EXPECT_EQ(secure.body, plain.body);
    }
    {
        std::lock_guard lock(logLock);
        // Inside the tunnel the request is in origin form.
        EXPECT_TRUE(logged.contains(QStringLiteral("POST /servlet/AddUrl 200")))
            << logged.join(QLatin1Char('|')).toStdString();
    }

    // Without the farm's authority its certificates are refused.
    const ExchangeResult untrusted =
        viaFarm(farm, QStringLiteral("https://probedeck.example/servlet/AddUrl"), QString());
    EXPECT_EQ(untrusted.StatusCode, 404);
    EXPECT_EQ(untrusted.Meldung,
              QStringLiteral("Aussteller des Zertifikats unbekannt (selbst signiert?)"));
}

// IndexNow tried offline: the submission goes over https through the farm, which answers as
// an endpoint, and a 429's Retry-After sets the wait.
TEST(DemoServerTls, ActsAsAnIndexNowEndpoint)
{
    DemoServer farm;
    QString error;
    ASSERT_TRUE(farm.listen(0, 0, &error)) << error.toStdString();
    const QString caFile = TestDirs::root() + QStringLiteral("/farm-ca.pem");
    QFile file(caFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(farm.caCertificatePem());
    file.close();
    ExchangeRequest settings;
    settings.proxyHost = QStringLiteral("127.0.0.1:%1").arg(farm.port());
    settings.caFile = caFile;
    const IndexNowSubmission::Body body = IndexNowSubmission::buildBody(
        QStringLiteral("https://www.muster.example/"), QStringLiteral("abcdef1234567890"),
        {QStringLiteral("https://www.muster.example/neu.html")});
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), QTimeZone::utc());
    const auto send = [&](const char* endpoint) {
        return IndexNowSubmission::send(QString::fromLatin1(endpoint), body,
                                        plainExchangeRunner(settings), now);
    };

    const IndexNowSubmission::Outcome accepted = send("indexnow.demo");
    EXPECT_EQ(accepted.kind, IndexNowSubmission::Outcome::Kind::Success)
        << accepted.Meldung.toStdString();
    EXPECT_EQ(accepted.StatusCode, 200);
    EXPECT_EQ(send("indexnow-202.demo").Meldung,
              QStringLiteral("angenommen, Schlüssel wird noch geprüft"));
    const IndexNowSubmission::Outcome busy = send("indexnow-429.demo");
    EXPECT_EQ(busy.kind, IndexNowSubmission::Outcome::Kind::TooManyRequests);
    EXPECT_EQ(busy.wait.count(), 120);
    EXPECT_EQ(send("indexnow-429-ohne-wartezeit.demo").wait.count(), 3600);
}
