// "pelvaro-cli indexnow": the key in the site-info file and the check of the key file, run
// as the real program against a real local server.
#include "base/SettingsStore.h"
#include "site/SiteFile.h"

#include "CliRun.h"
#include "ProcessRunner.h"
#include "TestDirs.h"
#include "TestHttpServer.h"
#include "TestTlsServer.h"

#include <QFile>

#include <gtest/gtest.h>

using pelvaro::base::SettingsStore;
using pelvaro::site::SiteFile;
using pelvaro::site::SiteRecord;
using pelvaro::test::cliProcess;
using pelvaro::test::Output;
using pelvaro::test::ScriptedAnswer;
using pelvaro::test::TestDirs;
using pelvaro::test::TestHttpServer;
using pelvaro::test::TestTlsServer;

namespace {

QString siteFile(const QString& url, const QString& key = {})
{
    SiteRecord record;
    record.Clear();
    record.TitleEdit = QStringLiteral("Gärtnerei");
    record.URLEdit = url;
    record.indexNowKey = key;
    const QString path = TestDirs::root() + QStringLiteral("/site.sit");
    EXPECT_EQ(SiteFile::write(path, record), QString());
    return path;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString key = QStringLiteral("Zx9-Key-4711abcd");

} // namespace

TEST(IndexNowCommands, KeyIsCreatedOnceSavedAndPrintedWithItsFile)
{
    const QString path = siteFile(QStringLiteral("https://www.example.org/shop/"));
    const QByteArray recordBefore = readAll(path);

    const Output first = cliProcess({QStringLiteral("indexnow"), QStringLiteral("key"), path});
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    const QString created = SiteFile::read(path).record.indexNowKey;
    ASSERT_EQ(created.size(), 32);
    EXPECT_EQ(readAll(path).left(SiteRecord::ByteSize), recordBefore);
    EXPECT_EQ(first.out,
              QStringLiteral("Neuer IndexNow-Schlüssel erzeugt und in %1 gespeichert.\n"
                             "Schlüssel: %2\n"
                             "Schlüsseldatei: https://www.example.org/%2.txt\n"
                             "Inhalt: %2\n"
                             "Legen Sie im Stammverzeichnis der Site die Datei \"%2.txt\" an, die "
                             "genau den Schlüssel %2 enthält (ohne weitere Zeichen, UTF-8), so "
                             "dass sie unter https://www.example.org/%2.txt abrufbar ist.\n")
                  .arg(path, created));

    const Output second = cliProcess({QStringLiteral("indexnow"), QStringLiteral("key"), path});
    EXPECT_EQ(second.code, 0);
    EXPECT_TRUE(second.out.startsWith(QStringLiteral("Schlüssel: %1\n").arg(created)))
        << second.out.toStdString();
    EXPECT_EQ(SiteFile::read(path).record.indexNowKey, created);
}

TEST(IndexNowCommands, KeyWithoutUsableSiteAddressIsStillSavedButFails)
{
    const QString path = siteFile(QStringLiteral("mailto:info@example.org"));
    const Output run = cliProcess({QStringLiteral("indexnow"), QStringLiteral("key"), path});
    EXPECT_EQ(run.code, 1);
    const QString saved = SiteFile::read(path).record.indexNowKey;
    EXPECT_TRUE(run.out.contains(QStringLiteral("Schlüssel: %1\n").arg(saved)));
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Fehler: Die Adresse der Site "
                                                  "\"mailto:info@example.org\" ist keine")))
        << run.err.toStdString();
}

TEST(IndexNowCommands, CheckPassesOnlyForTheKey)
{
    TestHttpServer server;
    const QString path = siteFile(server.url(QStringLiteral("/")), key);
    const QByteArray keyPath = "/" + key.toUtf8() + ".txt";
    const QString check[] = {QStringLiteral("indexnow"), QStringLiteral("check"), path};

    server.script(keyPath, ScriptedAnswer::ok(key.toUtf8() + "\r\n"));
    Output run = cliProcess({check[0], check[1], check[2]});
    EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Die Schlüsseldatei %1 enthält den Schlüssel: in Ordnung.\n")
                           .arg(server.url(QString::fromUtf8(keyPath))));

    server.script(keyPath, ScriptedAnswer::ok("ein-anderer-Schluessel"));
    run = cliProcess({check[0], check[1], check[2]});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("sondern \"ein-anderer-Schluessel\"")))
        << run.out.toStdString();

    server.script(keyPath, ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}));
    run = cliProcess({check[0], check[1], check[2]});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("nicht gefunden (HTTP 404")))
        << run.out.toStdString();
}

TEST(IndexNowCommands, CheckGoesThroughTheProxyOfTheSettingsOrTheOptionAndNeedsAKey)
{
    TestHttpServer proxy;
    TestHttpServer settingsProxy;
    for (TestHttpServer* server : {&proxy, &settingsProxy})
        server->script("/" + key.toUtf8() + ".txt", ScriptedAnswer::ok(key.toUtf8()));
    SettingsStore store(SettingsStore::defaultFilePath());
    ASSERT_TRUE(store.LoadSettings());
    store.settings().proxyHost = QStringLiteral("127.0.0.1");
    store.settings().proxyPort = QString::number(settingsProxy.port());
    ASSERT_TRUE(store.SaveSettings());
    QString path = siteFile(QStringLiteral("http://www.example.org/"), key);

    Output run = cliProcess({QStringLiteral("indexnow"), QStringLiteral("check"), path});
    EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
    run = cliProcess({QStringLiteral("indexnow"), QStringLiteral("check"), path,
                      QStringLiteral("--proxy"), QStringLiteral("127.0.0.1:%1").arg(proxy.port())});
    EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
    for (TestHttpServer* server : {&proxy, &settingsProxy}) {
        ASSERT_EQ(server->requests().size(), 1);
        EXPECT_TRUE(server->requests().first().startsWith("GET http://www.example.org/" +
                                                          key.toUtf8() + ".txt HTTP/1.0\r\n"));
    }

    path = siteFile(QStringLiteral("http://www.example.org/"));
    const Output noKey = cliProcess({QStringLiteral("indexnow"), QStringLiteral("check"), path});
    EXPECT_EQ(noKey.code, 1);
    EXPECT_EQ(noKey.err, QStringLiteral("Fehler: Die Datei %1 enthält noch keinen "
                                        "IndexNow-Schlüssel. Legen Sie ihn an mit: pelvaro-cli "
                                        "indexnow key %1\n")
                             .arg(path));
    EXPECT_EQ(proxy.requests().size() + settingsProxy.requests().size(), 2);
}

TEST(IndexNowCommands, CheckOfAnHttpsSiteTrustsTheGivenCertificates)
{
    TestTlsServer server;
    server.setAnswer("HTTP/1.0 200 OK\r\n\r\n" + key.toUtf8() + "\n");
    const QString path = siteFile(server.url(QStringLiteral("/")), key);
    const QString caFile = TestDirs::root() + QStringLiteral("/ca.pem");
    QFile ca(caFile);
    ASSERT_TRUE(ca.open(QIODevice::WriteOnly));
    ca.write(TestTlsServer::caPem());
    ca.close();

    // Without the test authority the certificate is refused: the file cannot be fetched.
    Output run = cliProcess({QStringLiteral("indexnow"), QStringLiteral("check"), path});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("konnte nicht abgerufen werden")))
        << run.out.toStdString();

    run = cliProcess({QStringLiteral("indexnow"), QStringLiteral("check"), path,
                      QStringLiteral("--ca-file"), caFile});
    EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("https://127.0.0.1:"))) << run.out.toStdString();

    run =
        cliProcess({QStringLiteral("indexnow"), QStringLiteral("check"), path,
                    QStringLiteral("--ca-file"), TestDirs::root() + QStringLiteral("/fehlt.pem")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Fehler: "))) << run.err.toStdString();
}
