#include "submit/HttpExchange.h"

#include "TestHttpServer.h"
#include "TestTlsServer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

using namespace pelvaro::submit;
using pelvaro::test::TestConnectProxy;
using pelvaro::test::TestHttpServer;
using pelvaro::test::TestTlsServer;
using namespace std::chrono_literals;

namespace {

std::string str(const QByteArray& bytes)
{
    return bytes.toStdString();
}

// The test authority's certificate in a file, as a user names it in the settings.
class CaFile
{
public:
    CaFile() : m_path(m_dir.filePath(QStringLiteral("test-ca.pem")))
    {
        QFile file(m_path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(TestTlsServer::caPem());
    }
    const QString& path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

ExchangeRequest trustedRequest(const QString& url, const CaFile& ca)
{
    ExchangeRequest request;
    request.url = url;
    request.caFile = ca.path();
    return request;
}

} // namespace

// Inside TLS go exactly the bytes the same request gets over plain http, and the answer is
// judged as over http.
TEST(HttpExchangeTls, SendsTheHttpBytesInsideTls)
{
    TestTlsServer server;
    const CaFile ca;
    ExchangeRequest request =
        trustedRequest(server.url(QStringLiteral("/cgi-bin/add.pl?firma=M\u00fcller")), ca);
    request.post = true;
    request.body = QStringLiteral("name=Gr\u00fc\u00dfe");
    request.referer = QStringLiteral("http://www.example.org/");
    ExchangeRequest overHttp = request;
    overHttp.url =
        QStringLiteral("http://127.0.0.1:%1/cgi-bin/add.pl?firma=M\u00fcller").arg(server.port());

    const ExchangeResult result = HttpExchange().run(request);

    EXPECT_TRUE(result.Erfolg) << result.Meldung.toStdString();
    EXPECT_EQ(result.StatusCode, 200);
    EXPECT_EQ(str(result.body), "<html>eingetragen</html>");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(str(server.requests().first()), str(HttpExchange::requestBytes(overHttp)));
    EXPECT_EQ(str(HttpExchange::requestBytes(request)), str(HttpExchange::requestBytes(overHttp)));
    // A numeric address is checked against the certificate but is no name for SNI.
    EXPECT_EQ(server.serverNames(), QList<QByteArray>{QByteArray()});
}

TEST(HttpExchangeTls, ErrorStatusOverTlsIsTheServersAnswer)
{
    TestTlsServer server;
    server.setAnswer("HTTP/1.0 403 Verboten\r\n\r\nnein");
    const CaFile ca;

    const ExchangeResult result =
        HttpExchange().run(trustedRequest(server.url(QStringLiteral("/add")), ca));

    EXPECT_FALSE(result.Erfolg);
    EXPECT_TRUE(result.answered);
    EXPECT_EQ(result.StatusCode, 403);
    EXPECT_EQ(result.Meldung, QStringLiteral("Verboten"));
}

struct CertificateCase
{
    const char* name;
    TestTlsServer::Certificate certificate;
    bool trustTestAuthority;
    const char16_t* meldung;
};

class CertificateFailure : public ::testing::TestWithParam<CertificateCase>
{
};

// A certificate that does not hold is never accepted: the request does not leave the client.
TEST_P(CertificateFailure, IsAFailureNamingTheReason)
{
    const CertificateCase& c = GetParam();
    TestTlsServer server(c.certificate);
    const CaFile ca;
    ExchangeRequest request = trustedRequest(server.url(QStringLiteral("/add")), ca);
    if (!c.trustTestAuthority)
        request.caFile.clear();

    const ExchangeResult result = HttpExchange().run(request);

    EXPECT_FALSE(result.Erfolg);
    EXPECT_FALSE(result.cancelled);
    EXPECT_FALSE(result.answered);
    EXPECT_EQ(result.StatusCode, 404);
    EXPECT_EQ(result.Meldung, QString::fromUtf16(c.meldung));
    EXPECT_TRUE(server.requests().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    HttpExchangeTls, CertificateFailure,
    ::testing::Values(CertificateCase{"Expired", TestTlsServer::Certificate::Expired, true,
                                      u"Zertifikat abgelaufen"},
                      CertificateCase{"WrongHost", TestTlsServer::Certificate::WrongHost, true,
                                      u"Zertifikat gilt nicht für 127.0.0.1"},
                      CertificateCase{"SelfSigned", TestTlsServer::Certificate::SelfSigned, true,
                                      u"Aussteller des Zertifikats unbekannt (selbst signiert?)"},
                      // Without the CA file the test authority is a stranger like any other.
                      CertificateCase{"IssuerNotTrustedWithoutCaFile",
                                      TestTlsServer::Certificate::Good, false,
                                      u"Aussteller des Zertifikats unbekannt (selbst signiert?)"}),
    [](const auto& info) { return std::string(info.param.name); });

// A server that answers the handshake in plain HTTP is no TLS server: the failure names
// what OpenSSL saw instead of a certificate reason.
TEST(HttpExchangeTls, PlainServerFailsTheHandshake)
{
    TestHttpServer plain;
    ExchangeRequest request;
    request.url = QStringLiteral("https://127.0.0.1:%1/add").arg(plain.port());

    const ExchangeResult result = HttpExchange().run(request);

    EXPECT_FALSE(result.Erfolg);
    EXPECT_FALSE(result.answered);
    EXPECT_EQ(result.StatusCode, 404);
    EXPECT_EQ(result.Meldung,
              QStringLiteral("TLS-Verbindung fehlgeschlagen: wrong version number"));
}

TEST(HttpExchangeTls, CaFileThatCannotBeUsed)
{
    const QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("fehlt.pem"));
    const QString garbage = dir.filePath(QStringLiteral("kaputt.pem"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("kein Zertifikat\n");
    file.close();

    const QString missingText =
        QStringLiteral("Die Zertifikatsdatei %1 kann nicht verwendet werden: ").arg(missing) +
        QString::fromLocal8Bit(std::strerror(ENOENT)) + QStringLiteral(" (Error #2)");
    EXPECT_EQ(HttpExchange::checkCaFile(missing), missingText);
    EXPECT_EQ(HttpExchange::checkCaFile(garbage),
              QStringLiteral("Die Zertifikatsdatei %1 kann nicht verwendet werden: keine lesbaren "
                             "Zertifikate (PEM)")
                  .arg(garbage));
    EXPECT_EQ(HttpExchange::checkCaFile(QString()), QString());
    const CaFile ca;
    EXPECT_EQ(HttpExchange::checkCaFile(ca.path()), QString());

    // The exchange itself fails the same way before it connects.
    TestTlsServer server;
    ExchangeRequest request;
    request.url = server.url(QStringLiteral("/add"));
    request.caFile = missing;
    const ExchangeResult result = HttpExchange().run(request);
    EXPECT_FALSE(result.Erfolg);
    EXPECT_EQ(result.StatusCode, 404);
    EXPECT_EQ(result.Meldung, missingText);
    EXPECT_EQ(server.connections(), 0);
}

// A server that accepts the connection and never answers the client's hello: without the
// cancel the exchange would wait for ever (no idle limit), so returning is the proof.
TEST(HttpExchangeTls, CancelEndsAStalledHandshake)
{
    TestTlsServer server(TestTlsServer::Certificate::Good,
                         TestTlsServer::Behaviour::StallHandshake);
    const CaFile ca;
    ExchangeRequest request = trustedRequest(server.url(QStringLiteral("/add")), ca);
    request.idleTimeLimit = 0;
    HttpExchange exchange;
    std::atomic<bool> issued{false};
    std::thread canceller([&] {
        // Ten seconds keep a broken exchange from hanging the test; it then fails below.
        server.waitForStalledHello(10s);
        issued = true;
        exchange.cancel();
    });

    const ExchangeResult result = exchange.run(request);
    canceller.join();

    EXPECT_TRUE(issued);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.Erfolg);
    EXPECT_TRUE(server.waitForNoConnections(5s)) << "the socket was left open";
}

TEST(HttpExchangeTls, IdleLimitEndsAStalledHandshake)
{
    TestTlsServer server(TestTlsServer::Certificate::Good,
                         TestTlsServer::Behaviour::StallHandshake);
    const CaFile ca;
    ExchangeRequest request = trustedRequest(server.url(QStringLiteral("/add")), ca);
    request.idleTimeLimit = 1;

    const ExchangeResult result = HttpExchange().run(request);

    EXPECT_FALSE(result.Erfolg);
    EXPECT_EQ(result.StatusCode, 404);
    EXPECT_EQ(result.Meldung,
              QStringLiteral("Zeitüberschreitung: 1 Sekunde lang keine Daten empfangen"));
}

// Through a proxy the exchange asks for a tunnel to the target's host and port; inside it
// the request is the direct one, and the name in the address is what the certificate must
// be for and what SNI carries. Only the proxy is looked up.
TEST(HttpExchangeTls, ProxyTunnelCarriesTheDirectRequest)
{
    TestTlsServer server;
    TestConnectProxy proxy(server.port(), TestConnectProxy::Behaviour::Tunnel);
    const CaFile ca;
    ExchangeRequest request = trustedRequest(QStringLiteral("https://suchdienst.test/add?x=1"), ca);
    request.proxyHost = proxy.address();
    ExchangeRequest direct = request;
    direct.proxyHost.clear();

    const ExchangeResult result = HttpExchange().run(request);

    EXPECT_TRUE(result.Erfolg) << result.Meldung.toStdString();
    EXPECT_EQ(str(result.body), "<html>eingetragen</html>");
    ASSERT_EQ(proxy.requests().size(), 1);
    EXPECT_EQ(str(proxy.requests().first()),
              "CONNECT suchdienst.test:443 HTTP/1.1\r\nHost: suchdienst.test:443\r\n\r\n");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(str(server.requests().first()), str(HttpExchange::requestBytes(direct)));
    EXPECT_EQ(str(HttpExchange::requestBytes(request)), str(HttpExchange::requestBytes(direct)));
    EXPECT_TRUE(server.requests().first().startsWith("GET /add?x=1 HTTP/1.0\r\n"));
    EXPECT_EQ(server.serverNames(), QList<QByteArray>{"suchdienst.test"});

    // Another name on the same certificate's server is refused by its name.
    request.url = QStringLiteral("https://falsch.test:8443/add");
    const ExchangeResult wrong = HttpExchange().run(request);
    EXPECT_EQ(wrong.StatusCode, 404);
    EXPECT_EQ(wrong.Meldung, QStringLiteral("Zertifikat gilt nicht für falsch.test"));
    ASSERT_EQ(proxy.requests().size(), 2);
    EXPECT_EQ(str(proxy.requests().last()),
              "CONNECT falsch.test:8443 HTTP/1.1\r\nHost: falsch.test:8443\r\n\r\n");
}

struct ProxyCase
{
    const char* name;
    TestConnectProxy::Behaviour behaviour;
    int statusCode;
    const char16_t* meldung;
};

class ProxyRefusal : public ::testing::TestWithParam<ProxyCase>
{
};

TEST_P(ProxyRefusal, IsAFailureWithTheProxysWord)
{
    const ProxyCase& c = GetParam();
    TestTlsServer server;
    TestConnectProxy proxy(server.port(), c.behaviour, "HTTP/1.1 403 Forbidden");
    const CaFile ca;
    ExchangeRequest request = trustedRequest(QStringLiteral("https://suchdienst.test/add"), ca);
    request.proxyHost = proxy.address();

    const ExchangeResult result = HttpExchange().run(request);

    EXPECT_FALSE(result.Erfolg);
    EXPECT_FALSE(result.answered); // the service never saw the request
    EXPECT_EQ(result.StatusCode, c.statusCode);
    EXPECT_EQ(result.Meldung, QString::fromUtf16(c.meldung));
    EXPECT_EQ(server.connections(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    HttpExchangeTls, ProxyRefusal,
    ::testing::Values(ProxyCase{"Refuses", TestConnectProxy::Behaviour::Refuse, 403,
                                u"Proxy verweigert die Verbindung: HTTP/1.1 403 Forbidden"},
                      ProxyCase{"ClosesWithoutAWord", TestConnectProxy::Behaviour::Close, 404,
                                u"Proxy hat die Verbindung ohne Antwort geschlossen"}),
    [](const auto& info) { return std::string(info.param.name); });

// The second exchange with a server offers the first one's session, unless told not to.
TEST(HttpExchangeTls, SessionResumptionFollowsTheSwitch)
{
    for (const bool reuse : {true, false}) {
        SCOPED_TRACE(reuse ? "on" : "off");
        TestTlsServer server;
        const CaFile ca;
        ExchangeRequest request = trustedRequest(server.url(QStringLiteral("/add")), ca);
        request.reuseTlsSessions = reuse;

        EXPECT_TRUE(HttpExchange().run(request).Erfolg);
        EXPECT_TRUE(HttpExchange().run(request).Erfolg);

        EXPECT_EQ(server.resumed(), (QList<bool>{false, reuse}));
    }
}

// Workers running at once share the context and the session cache.
TEST(HttpExchangeTls, ParallelExchangesShareContextAndSessions)
{
    TestTlsServer server;
    const CaFile ca;
    const ExchangeRequest request = trustedRequest(server.url(QStringLiteral("/add")), ca);
    constexpr int Workers = 8;
    std::atomic<int> successes{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < Workers; ++i)
        threads.emplace_back([&] {
            for (int round = 0; round < 3; ++round)
                if (HttpExchange().run(request).Erfolg)
                    ++successes;
        });
    for (std::thread& t : threads)
        t.join();

    EXPECT_EQ(successes, Workers * 3);
    EXPECT_EQ(server.requests().size(), Workers * 3);
    EXPECT_TRUE(server.resumed().contains(true));
}
