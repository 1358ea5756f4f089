// "pelvaro-cli submit" with the sample catalogue's real IndexNow endpoints, every one of them
// answered by the demo farm through its proxy over https: the key file check, the posts, the
// site's ledger, and a site whose key file is missing.
#include "cli/DemoServer.h"

#include "CatalogueFixture.h"
#include "CliRun.h"
#include "TestDirs.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <set>

using pelvaro::test::cli;
using pelvaro::test::Output;
using pelvaro::test::TestDirs;

namespace {

const QString endpoints = QStringLiteral("17,23,169,380,538,587");

// The complete test site at `address`, with a key and one further page.
QString writeSite(const QString& address)
{
    QJsonObject site = QJsonDocument::fromJson(pelvaro::test::completeSite).object();
    site.insert(QStringLiteral("URLEdit"), address);
    site.insert(QStringLiteral("indexNowKey"), QStringLiteral("Farm-Schluessel-2026"));
    site.insert(QStringLiteral("indexNowUrls"), QJsonArray{address + QStringLiteral("neu.html")});
    const QString path = TestDirs::root() + QStringLiteral("/site.sit");
    const Output made =
        cli({QStringLiteral("site"), QStringLiteral("new"), path}, QJsonDocument(site).toJson());
    EXPECT_EQ(made.code, 0) << made.err.toStdString();
    return path;
}

std::set<int> numbers(const QString& out, const QString& sign)
{
    std::set<int> found;
    for (const QString& line : out.split(QLatin1Char('\n')))
        if (line.startsWith(sign + QLatin1Char('\t')))
            found.insert(line.section(QLatin1Char('\t'), 4, 4).toInt());
    return found;
}

class CliIndexNowSubmit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("import"),
                       pelvaro::test::sampleCatalogueSource()})
                      .code,
                  0);
        QString error;
        ASSERT_TRUE(farm.listen(0, 0, &error)) << error.toStdString();
        QFile ca(caFile);
        ASSERT_TRUE(ca.open(QIODevice::WriteOnly));
        ca.write(farm.caCertificatePem());
    }

    Output submit(const QString& site)
    {
        return cli({QStringLiteral("submit"), site, QStringLiteral("--proxy"),
                    QStringLiteral("127.0.0.1:%1").arg(farm.port()), QStringLiteral("--ca-file"),
                    caFile});
    }

    pelvaro::cli::DemoServer farm;
    const QString caFile = TestDirs::root() + QStringLiteral("/farm-ca.pem");
};

} // namespace

TEST_F(CliIndexNowSubmit, EndpointsTakeTheSiteAndTheLedgerKeepsWhatWasSent)
{
    const QString address = QStringLiteral("http://www.muster.example/");
    const QString site = writeSite(address);
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("1,") + endpoints});
    const Output run = submit(site);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(numbers(run.out, QStringLiteral("+")), (std::set<int>{1, 17, 23, 169, 380, 538, 587}))
        << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(numbers(run.out, QStringLiteral("-")).empty());

    const QJsonObject shown =
        QJsonDocument::fromJson(
            cli({QStringLiteral("site"), QStringLiteral("show"), site}).out.toUtf8())
            .object();
    EXPECT_EQ(shown.value(QStringLiteral("indexNowKey")).toString(),
              QStringLiteral("Farm-Schluessel-2026"));
    const QJsonArray ledger = shown.value(QStringLiteral("ledger")).toArray();
    ASSERT_EQ(ledger.size(), 7);
    for (const QJsonValue& value : ledger) {
        const QJsonObject entry = value.toObject();
        const int nr = entry.value(QStringLiteral("nr")).toInt();
        EXPECT_EQ(entry.value(QStringLiteral("outcome")).toString(), QStringLiteral("accepted"))
            << nr;
        EXPECT_EQ(entry.value(QStringLiteral("status")).toInt(), 200) << nr;
        const QJsonArray sent = entry.value(QStringLiteral("addresses")).toArray();
        if (nr == 1) {
            EXPECT_TRUE(sent.isEmpty());
        } else {
            EXPECT_EQ(sent, (QJsonArray{address, address + QStringLiteral("neu.html")})) << nr;
        }
    }
}

TEST_F(CliIndexNowSubmit, AMissingKeyFileKeepsTheEndpointsSelectedWithoutAFailure)
{
    const QString site = writeSite(QStringLiteral("http://www.ohne-schluessel.example/"));
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("1,") + endpoints});
    const Output run = submit(site);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(numbers(run.out, QStringLiteral("+")), std::set<int>{1});
    EXPECT_TRUE(numbers(run.out, QStringLiteral("-")).empty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("Die IndexNow-Dienste wurden nicht angeschrieben")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("wurde nicht gefunden (HTTP 404")))
        << run.err.toStdString();
    EXPECT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("counts")}).out,
              QStringLiteral("AnzNichtAusgewaehlt=598\nAnzAusgewaehlt=6\nAnzAutomatisch=6\n"
                             "AnzManuell=0\n"));
}
