#include "CatalogueFixture.h"
#include "CliRun.h"
#include "ProcessRunner.h"
#include "TestDirs.h"
#include "TestHttpServer.h"
#include "updates/CatalogueArchive.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

using pelvaro::test::cliProcess;
using pelvaro::test::Output;
using pelvaro::test::runProgram;
using pelvaro::test::ScriptedAnswer;
using pelvaro::test::TestDirs;
using pelvaro::test::TestHttpServer;

namespace {

QByteArray page(const QByteArray& version, const QByteArray& url)
{
    return "<html><head>\n<META HTTP-EQUIV=\"produkt\" CONTENT=\"Pelvaro!\">\n"
           "<META HTTP-EQUIV=\"version\" CONTENT=\"" +
           version +
           "\">\n<META HTTP-EQUIV=\"datum\" CONTENT=\"Dec 07, 2026\">\n"
           "<META HTTP-EQUIV=\"autor\" CONTENT=\"Trevanix GmbH\">\n"
           "<META HTTP-EQUIV=\"url\" CONTENT=\"" +
           url + "\">\n<META HTTP-EQUIV=\"parameter\" CONTENT=\"/S\">\n</head></html>\n";
}

TEST(CliUpdate, InfoPrintsTheAnnouncedValues)
{
    TestHttpServer server;
    server.script("/kelmora/pv.html", ScriptedAnswer::ok(page("1.7.0", "http://h/p.deb")));
    const Output run = cliProcess({QStringLiteral("update"), QStringLiteral("info"),
                                   server.url(QStringLiteral("/kelmora/pv.html"))});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              QStringLiteral("ProductName=Pelvaro!\nProductVersion=1.7.0\n"
                             "ProductDateStr=Dec 07, 2026\nProductAuthor=Trevanix GmbH\n"
                             "DownloadURL=http://h/p.deb\nProductReadMe=\nRunParams=/S\n"));

    server.script("/gone.html", ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}));
    const Output gone = cliProcess({QStringLiteral("update"), QStringLiteral("info"),
                                    server.url(QStringLiteral("/gone.html"))});
    EXPECT_EQ(gone.code, 1);
    EXPECT_TRUE(gone.out.isEmpty());
    EXPECT_TRUE(gone.err.endsWith(QStringLiteral("Fehler: Not Found\n"))) << gone.err.toStdString();
}

TEST(CliUpdate, CompareTellsWhetherTheOfferedVersionIsNewer)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1.6.1 1.6.2", "true\n"}, {"2.9 2.9.1", "false\n"}, {"1.6.1 1.6", "true\n"}};
    for (const auto& [versions, expected] : cases) {
        const Output run =
            cliProcess(QStringList{QStringLiteral("update"), QStringLiteral("compare")} +
                       QString::fromUtf8(versions).split(u' '));
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.out, QString::fromUtf8(expected)) << versions;
    }
    EXPECT_EQ(
        cliProcess({QStringLiteral("update"), QStringLiteral("compare"), QStringLiteral("1")}).code,
        1);
}

TEST(CliUpdate, CheckProgramDownloadsIntoTheFolderAndPrintsEveryQuestion)
{
    TestHttpServer server;
    const QByteArray package(100000, 'p');
    server.script("/files/pelvaro_1.7.0.deb", ScriptedAnswer::ok(package));
    server.script("/kelmora/pv.html",
                  ScriptedAnswer::ok(page(
                      "1.7.0", server.url(QStringLiteral("/files/pelvaro_1.7.0.deb")).toUtf8())));
    const QString folder = TestDirs::root() + QStringLiteral("/dl");
    ASSERT_TRUE(QDir().mkpath(folder));
    const Output run =
        cliProcess({QStringLiteral("update"), QStringLiteral("check"), QStringLiteral("program"),
                    QStringLiteral("--server"), server.url(QString()), QStringLiteral("--yes"),
                    QStringLiteral("--to"), folder});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    const QString file = folder + QStringLiteral("/pelvaro_1.7.0.deb");
    EXPECT_EQ(run.out,
              QStringLiteral("Die aktuelle Version ist 1.6.1.\nDie Version 1.7.0 ist verfügbar.\n"
                             "Soll die neue Version heruntergeladen werden?\n-> Ja\n"
                             "Speichern unter: %1\n-> %1\n"
                             "Soll die neue Version jetzt installiert werden?\n"
                             "Dadurch wird Pelvaro! beendet.\n-> Ja\n"
                             "%2\nProgrammende angefordert\n")
                  .arg(file, QUrl::fromLocalFile(file).toString()));
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), package);
}

TEST(CliUpdate, CheckCatalogueAnswersNoAndFailsOnAnUnreachableServer)
{
    pelvaro::test::installSampleCatalogue(TestDirs::programDir() + QStringLiteral("/daten"));
    TestHttpServer server;
    server.script("/kelmora/engines.html", ScriptedAnswer::ok(page("3.0", "http://h/k.tar.gz")));
    const Output declined =
        cliProcess({QStringLiteral("update"), QStringLiteral("check"), QStringLiteral("catalogue"),
                    QStringLiteral("--server"), server.url(QString())});
    EXPECT_EQ(declined.code, 0) << declined.err.toStdString();
    EXPECT_EQ(declined.out,
              QStringLiteral("Die aktuelle Version ist 2.9.\nDie Version 3.0 ist verfügbar.\n"
                             "Soll die neue Version heruntergeladen werden?\n-> Nein\n"));

    const Output refused =
        cliProcess({QStringLiteral("update"), QStringLiteral("check"), QStringLiteral("catalogue"),
                    QStringLiteral("--server"), QStringLiteral("http://127.0.0.1:1")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains(
        QStringLiteral("Informationen konnten nicht abgerufen werden. \nFehler: Can't connect: ")))
        << refused.err.toStdString();
}

TEST(CliUpdate, CheckCatalogueWithYesInstallsTheArchive)
{
    pelvaro::test::installSampleCatalogue(TestDirs::programDir() + QStringLiteral("/daten"));
    const auto source = [](const char* name) {
        QFile file(pelvaro::test::sampleCatalogueSource() + u'/' + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QString packed = TestDirs::root() + QStringLiteral("/served.tar.gz");
    pelvaro::updates::CatalogueArchive::write(packed, source("dba.csv"), source("dbc.csv"),
                                              source("dbd.csv"));
    QFile archive(packed);
    ASSERT_TRUE(archive.open(QIODevice::ReadOnly));
    TestHttpServer server;
    server.script("/k.tar.gz", ScriptedAnswer::ok(archive.readAll()));
    server.script(
        "/kelmora/engines.html",
        ScriptedAnswer::ok(page("3.0", server.url(QStringLiteral("/k.tar.gz")).toUtf8())));
    const QString folder = TestDirs::root() + QStringLiteral("/dl");
    ASSERT_TRUE(QDir().mkpath(folder));
    const Output run =
        cliProcess({QStringLiteral("update"), QStringLiteral("check"), QStringLiteral("catalogue"),
                    QStringLiteral("--server"), server.url(QString()), QStringLiteral("--yes"),
                    QStringLiteral("--to"), folder});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("Möchten Sie die neue Version jetzt installieren?\n"
                                                "-> Ja\nIDNSDV=3.0\nSuchdienste=604\n")))
        << run.out.toStdString();
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/k.tar.gz")));

    // Recorded: the same offer is no longer newer.
    const Output again =
        cliProcess({QStringLiteral("update"), QStringLiteral("check"), QStringLiteral("catalogue"),
                    QStringLiteral("--server"), server.url(QString())});
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(again.out, QStringLiteral("Ihre Software ist auf dem neuesten Stand. Es ist zur Zeit "
                                        "keine neuere Version vorhanden.\n"));
}

} // namespace
