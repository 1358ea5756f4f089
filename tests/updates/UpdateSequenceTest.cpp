#include "updates/UpdateSequence.h"
#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "TestHttpServer.h"
#include "base/Error.h"
#include "base/SettingsStore.h"
#include "catalogue/TDataModule1.h"
#include "updates/CatalogueArchive.h"
#include "updates/LoopTransferDisplay.h"
#include "updates/TWebFileInfo.h"
#include "updates/TransferJob.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace pelvaro;
using namespace pelvaro::updates;
using base::MessageAnswer;
using test::ScriptedAnswer;
using test::ScriptedUiServices;
using test::TestDirs;
using test::TestHttpServer;

namespace {

QByteArray infoPage(const QByteArray& version, const QByteArray& url, const QByteArray& extra = {})
{
    return "<html><head>\r\n<META HTTP-EQUIV=\"produkt\" CONTENT=\"Pelvaro!\">\r\n"
           "<META HTTP-EQUIV=\"version\" CONTENT=\"" +
           version + "\">\r\n<META HTTP-EQUIV=\"datum\" CONTENT=\"Dec 07, 2026\">\r\n" +
           "<META HTTP-EQUIV=\"url\" CONTENT=\"" + url + "\">\r\n" + extra + "</head></html>\r\n";
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray archiveBytes()
{
    QByteArray bytes(300 * 1024, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) & 0xff);
    return bytes;
}

class UpdateSequenceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(settings.LoadSettings());
        settings.settings().updateServer = server.url(QString());
        downloads = TestDirs::root() + QStringLiteral("/downloads");
        ASSERT_TRUE(QDir().mkpath(downloads));
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        test::createCatalogue(data, {test::engine(1, QStringLiteral("Alpha"))});
        ASSERT_TRUE(module.open(data, QStringLiteral("2.9")));
    }

    std::unique_ptr<UpdateSequence> sequence()
    {
        auto s = std::make_unique<UpdateSequence>(ui, settings, display);
        s->setDownloadDirectory(downloads);
        s->setCatalogueInstaller([this](const QString& archive) {
            installed << archive;
            installedBytes = readFile(archive);
            if (!installError.isEmpty())
                throw Error(installError);
            return 1;
        });
        return s;
    }

    QString storedCatalogueVersion() const
    {
        base::SettingsStore reread(TestDirs::settingsFile());
        EXPECT_TRUE(reread.LoadSettings());
        return reread.settings().catalogueVersion;
    }

    QStringList filesIn(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden);
    }

    TestHttpServer server;
    ScriptedUiServices ui;
    LoopTransferDisplay display;
    base::SettingsStore settings{TestDirs::settingsFile()};
    catalogue::TDataModule1 module{ui};
    QString downloads;
    QStringList installed;
    QByteArray installedBytes;
    QString installError;
};

TEST_F(UpdateSequenceTest, NoNewerCatalogueSaysSoAndRecordsNothing)
{
    server.script("/kelmora/engines.html",
                  ScriptedAnswer::ok(infoPage("2.9", "http://h/k.tar.gz")));
    const UpdateResult result = sequence()->updateCatalogue(module);
    EXPECT_EQ(result.outcome, UpdateOutcome::Nothing);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(ui.messageTexts(), QStringList{QStringLiteral(
                                     "Ihre Software ist auf dem neuesten Stand. Es ist zur Zeit "
                                     "keine neuere Version vorhanden.")});
    EXPECT_EQ(ui.shown().front().title, QStringLiteral("Keine neue Version vorhanden"));
    EXPECT_EQ(display.shown(), QStringList{QStringLiteral("Suche nach neuer Version ...")});
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(server.requests().front().startsWith("GET /kelmora/engines.html HTTP/1.0\r\n"));
    EXPECT_TRUE(server.requests().front().contains("\r\nHost: 127.0.0.1\r\n"));
    EXPECT_EQ(storedCatalogueVersion(), QString());
}

TEST_F(UpdateSequenceTest, DecliningTheDownloadLeavesTheCatalogueOnOffer)
{
    server.script("/kelmora/engines.html",
                  ScriptedAnswer::ok(infoPage("3.0", "http://h/k.tar.gz")));
    ui.answer(MessageAnswer::No);
    const UpdateResult result = sequence()->updateCatalogue(module);
    EXPECT_EQ(result.outcome, UpdateOutcome::Nothing);
    EXPECT_FALSE(result.failed);
    // Compared against the shipped catalogue's version, as none was recorded.
    EXPECT_EQ(ui.messageTexts(),
              QStringList{QStringLiteral("Die aktuelle Version ist 2.9.\nDie Version 3.0 ist "
                                         "verfügbar.\nSoll die neue Version heruntergeladen "
                                         "werden?")});
    EXPECT_EQ(ui.shown().front().title, QStringLiteral("Eine neue Version ist verfügbar"));
    EXPECT_EQ(storedCatalogueVersion(), QString());
    EXPECT_TRUE(installed.isEmpty());
}

TEST_F(UpdateSequenceTest, SavedAndInstalledCatalogueIsRecordedWithTheExtensionOfTheFilter)
{
    const QByteArray archive = archiveBytes();
    server.script("/files/suchdienste-3.0.tar.gz", ScriptedAnswer::ok(archive));
    server.script(
        "/kelmora/engines.html",
        ScriptedAnswer::ok(
            infoPage("3.0", server.url(QStringLiteral("/files/suchdienste-3.0.tar.gz")).toUtf8())));
    settings.settings().catalogueVersion = QStringLiteral("2.9.5");
    ui.answer(MessageAnswer::Yes);
    ui.answerSaveFile(downloads + QStringLiteral("/update"), TWebFileInfo::saveFilterLines().at(1));
    ui.answer(MessageAnswer::Yes);
    const std::unique_ptr<UpdateSequence> s = sequence();
    const UpdateResult result = s->updateCatalogue(module);

    EXPECT_EQ(result.outcome, UpdateOutcome::RefreshCatalogue);
    EXPECT_FALSE(result.failed);
    // The dialog proposed the address's file name, started on the archive's line.
    EXPECT_EQ(ui.lastFileRequest().directory,
              downloads + QStringLiteral("/suchdienste-3.0.tar.gz"));
    EXPECT_EQ(ui.lastFileRequest().selectedFilter, TWebFileInfo::saveFilterLines().at(1));
    EXPECT_EQ(ui.lastFileRequest().filter,
              QStringLiteral("Anwendung (*.deb);;Komprimierte Datei (*.tar.gz);;Alle Dateien (*)"));
    EXPECT_EQ(installed, QStringList{downloads + QStringLiteral("/update.tar.gz")});
    EXPECT_EQ(installedBytes, archive);
    EXPECT_EQ(filesIn(downloads), QStringList{QStringLiteral("update.tar.gz")});
    // The program stays open, so the question does not say it ends.
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Möchten Sie die neue Version jetzt installieren?"));
    ASSERT_GE(ui.shown().size(), 2u);
    EXPECT_EQ(ui.shown().at(ui.shown().size() - 2).title,
              QStringLiteral("Neue Version installieren"));
    // The installation runs under the wait notice.
    EXPECT_EQ(ui.shown().back().kind, ScriptedUiServices::Shown::Kind::WaitNotice);
    EXPECT_EQ(display.shown(), (QStringList{QStringLiteral("Suche nach neuer Version ..."),
                                            QStringLiteral("Neue Version wird heruntergeladen")}));
    EXPECT_EQ(storedCatalogueVersion(), QStringLiteral("3.0"));
    EXPECT_TRUE(ui.allAnswersUsed());
}

QByteArray sampleSource(const char* name)
{
    return readFile(test::sampleCatalogueSource() + u'/' + QLatin1String(name));
}

TEST_F(UpdateSequenceTest, TheDownloadedArchiveReplacesTheOpenCatalogue)
{
    const QString packed = TestDirs::root() + QStringLiteral("/served.tar.gz");
    CatalogueArchive::write(packed, sampleSource("dba.csv"), sampleSource("dbc.csv"),
                            sampleSource("dbd.csv"));
    server.script("/files/suchdienste.tar.gz", ScriptedAnswer::ok(readFile(packed)));
    server.script("/kelmora/engines.html",
                  ScriptedAnswer::ok(infoPage(
                      "3.0", server.url(QStringLiteral("/files/suchdienste.tar.gz")).toUtf8())));
    ASSERT_EQ(module.AnzahlDatensaetze(QStringLiteral("TableEngines")), 1);
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(downloads + QStringLiteral("/suchdienste.tar.gz"));
    ui.answer(MessageAnswer::Yes);
    UpdateSequence s(ui, settings, display);
    s.setDownloadDirectory(downloads);
    const UpdateResult result = s.updateCatalogue(module);
    EXPECT_EQ(result.outcome, UpdateOutcome::RefreshCatalogue);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(module.AnzahlDatensaetze(QStringLiteral("TableEngines")),
              catalogue::TDataModule1::ShippedCatalogueSize);
    EXPECT_EQ(storedCatalogueVersion(), QStringLiteral("3.0"));

    // A broken download of the same name leaves the new catalogue as it is.
    server.script("/files/suchdienste.tar.gz", ScriptedAnswer::ok("kein Archiv"));
    server.script("/kelmora/engines.html",
                  ScriptedAnswer::ok(infoPage(
                      "3.1", server.url(QStringLiteral("/files/suchdienste.tar.gz")).toUtf8())));
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(downloads + QStringLiteral("/suchdienste.tar.gz"));
    ui.answer(MessageAnswer::Yes);
    UpdateSequence again(ui, settings, display);
    const UpdateResult broken = again.updateCatalogue(module);
    EXPECT_EQ(broken.outcome, UpdateOutcome::Nothing);
    EXPECT_TRUE(broken.failed);
    EXPECT_EQ(module.AnzahlDatensaetze(QStringLiteral("TableEngines")),
              catalogue::TDataModule1::ShippedCatalogueSize);
    EXPECT_EQ(storedCatalogueVersion(), QStringLiteral("3.0"));
}

TEST_F(UpdateSequenceTest, ABrokenArchiveIsReportedAndNothingRecorded)
{
    server.script("/k.tar.gz", ScriptedAnswer::ok("not an archive"));
    server.script(
        "/kelmora/engines.html",
        ScriptedAnswer::ok(infoPage("3.0", server.url(QStringLiteral("/k.tar.gz")).toUtf8())));
    installError = QStringLiteral("Das Archiv ist beschädigt.");
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(downloads + QStringLiteral("/k.tar.gz"));
    ui.answer(MessageAnswer::Yes);
    const UpdateResult result = sequence()->updateCatalogue(module);
    EXPECT_EQ(result.outcome, UpdateOutcome::Nothing);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(ui.messageTexts().last(), installError);
    EXPECT_EQ(storedCatalogueVersion(), QString());
}

TEST_F(UpdateSequenceTest, AProgramPackageIsOpenedByTheDesktopAndTheProgramEnds)
{
    const QByteArray package = archiveBytes();
    server.script("/files/pelvaro_1.7.0.deb", ScriptedAnswer::ok(package));
    server.script("/kelmora/pv.html",
                  ScriptedAnswer::ok(infoPage(
                      "1.7.0", server.url(QStringLiteral("/files/pelvaro_1.7.0.deb")).toUtf8())));
    ui.answer(MessageAnswer::Yes);
    ui.answerSaveFile(downloads + QStringLiteral("/neu"), TWebFileInfo::saveFilterLines().at(0));
    ui.answer(MessageAnswer::Yes);
    const UpdateResult result = sequence()->updateProgram();

    EXPECT_EQ(result.outcome, UpdateOutcome::EndProgram);
    EXPECT_EQ(ui.lastFileRequest().selectedFilter, TWebFileInfo::saveFilterLines().at(0));
    EXPECT_EQ(readFile(downloads + QStringLiteral("/neu.deb")), package);
    ASSERT_EQ(ui.openedUrls().size(), 1u);
    EXPECT_EQ(ui.openedUrls().front(), QUrl::fromLocalFile(downloads + QStringLiteral("/neu.deb")));
    EXPECT_EQ(ui.messageTexts().last(), QStringLiteral("Soll die neue Version jetzt installiert "
                                                       "werden?\nDadurch wird Pelvaro! beendet."));
    EXPECT_TRUE(server.requests().front().startsWith("GET /kelmora/pv.html HTTP/1.0\r\n"));
}

TEST_F(UpdateSequenceTest, DecliningTheInstallationKeepsTheFileAndTheProgram)
{
    server.script("/p.deb", ScriptedAnswer::ok("package"));
    server.script("/kelmora/pv.html", ScriptedAnswer::ok(infoPage(
                                          "1.6.2", server.url(QStringLiteral("/p.deb")).toUtf8())));
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(downloads + QStringLiteral("/p.deb"));
    ui.answer(MessageAnswer::No);
    const std::unique_ptr<UpdateSequence> s = sequence();
    const UpdateResult result = s->updateProgram();
    EXPECT_EQ(result.outcome, UpdateOutcome::Nothing);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(s->info().DownloadedFile(), downloads + QStringLiteral("/p.deb"));
    EXPECT_EQ(readFile(downloads + QStringLiteral("/p.deb")), QByteArray("package"));
    EXPECT_TRUE(ui.openedUrls().empty());
}

TEST_F(UpdateSequenceTest, ACancelledDownloadLeavesNoFileAndAsksNothingMore)
{
    // Half the announced bytes, then the server holds the line.
    server.script("/p.deb",
                  ScriptedAnswer::neverAnswer("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" +
                                              QByteArray(500, 'p')));
    server.script("/kelmora/pv.html", ScriptedAnswer::ok(infoPage(
                                          "1.7", server.url(QStringLiteral("/p.deb")).toUtf8())));
    // An older file of that name stays as it was.
    {
        QFile old(downloads + QStringLiteral("/p.deb"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("older");
    }
    qint64 seenTotal = 0;
    display.setProgressHook([&](TransferJob& job, qint64 received, qint64 total) {
        seenTotal = total;
        if (received >= 500)
            job.cancel();
    });
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(downloads + QStringLiteral("/p.deb"));
    const std::unique_ptr<UpdateSequence> s = sequence();
    const UpdateResult result = s->updateProgram();
    EXPECT_EQ(seenTotal, 1000);
    EXPECT_EQ(result.outcome, UpdateOutcome::Nothing);
    EXPECT_FALSE(result.failed);
    EXPECT_TRUE(s->info().DownloadCancelled());
    // Only the download question: no failure box, no installation question.
    EXPECT_EQ(ui.messageTexts().size(), 1);
    EXPECT_EQ(readFile(downloads + QStringLiteral("/p.deb")), QByteArray("older"));
    EXPECT_EQ(filesIn(downloads), QStringList{QStringLiteral("p.deb")});
    EXPECT_TRUE(server.waitForNoConnections(std::chrono::seconds(10)));
}

TEST_F(UpdateSequenceTest, ADownloadWithoutLengthCountsBytesOnly)
{
    const QByteArray package = archiveBytes();
    server.script("/p.deb", ScriptedAnswer::status("HTTP/1.0 200 OK", {}, package));
    server.script("/kelmora/pv.html", ScriptedAnswer::ok(infoPage(
                                          "1.7", server.url(QStringLiteral("/p.deb")).toUtf8())));
    QList<qint64> totals;
    qint64 lastReceived = 0;
    display.setProgressHook([&](TransferJob&, qint64 received, qint64 total) {
        totals << total;
        lastReceived = received;
    });
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(downloads + QStringLiteral("/p.deb"));
    ui.answer(MessageAnswer::No);
    sequence()->updateProgram();
    EXPECT_EQ(readFile(downloads + QStringLiteral("/p.deb")), package);
    EXPECT_FALSE(totals.isEmpty());
    EXPECT_EQ(totals.count(-1), totals.size());
    EXPECT_EQ(lastReceived, package.size());
}

struct DownloadFailure
{
    const char* name;
    ScriptedAnswer answer;
    const char* message;
    int boxes; // message boxes before the download failure's
};

class DownloadFailureTest : public UpdateSequenceTest,
                            public ::testing::WithParamInterface<DownloadFailure>
{
};

TEST_P(DownloadFailureTest, NamesTheReasonAndLeavesNoFile)
{
    const DownloadFailure& c = GetParam();
    server.script("/p.deb", c.answer);
    server.script("/kelmora/pv.html", ScriptedAnswer::ok(infoPage(
                                          "1.7", server.url(QStringLiteral("/p.deb")).toUtf8())));
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(downloads + QStringLiteral("/p.deb"));
    const UpdateResult result = sequence()->updateProgram();
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.outcome, UpdateOutcome::Nothing);
    ASSERT_EQ(ui.messageTexts().size(), 1 + c.boxes + 1);
    EXPECT_EQ(ui.shown().back().title, QStringLiteral("Fehler beim Herunterladen!"));
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Fehler beim Herunterladen der neuen Version.\nFehler: \"%1.\"")
                  .arg(QString::fromUtf8(c.message)));
    EXPECT_TRUE(filesIn(downloads).isEmpty()) << filesIn(downloads).join(u' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DownloadFailureTest,
    ::testing::Values(
        DownloadFailure{"NotFound", ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}, "nix"),
                        "Not Found", 0},
        DownloadFailure{"Moved",
                        ScriptedAnswer::status("HTTP/1.0 301 Moved Permanently",
                                               {"Location: http://elsewhere/p.deb"}),
                        "Moved Permanently", 0},
        DownloadFailure{"Truncated",
                        ScriptedAnswer::status("HTTP/1.0 200 OK", {"Content-Length: 1000"},
                                               QByteArray(600, 'p')),
                        "Übertragung unvollständig: 600 von 1000 Bytes empfangen", 0},
        // A failure of the client itself is shown on the spot first.
        DownloadFailure{"Garbage", ScriptedAnswer::rawBytes("SSH-2.0-OpenSSH\r\n"),
                        "Ungültige Antwort des Servers: keine Statuszeile", 1}),
    [](const ::testing::TestParamInfo<DownloadFailure>& info) { return info.param.name; });

struct PageFailure
{
    const char* name;
    ScriptedAnswer answer;
    QStringList boxes;
};

class PageFailureTest : public UpdateSequenceTest, public ::testing::WithParamInterface<PageFailure>
{
};

TEST_P(PageFailureTest, EndsWithTheWarningAndTheReason)
{
    server.script("/kelmora/engines.html", GetParam().answer);
    const UpdateResult result = sequence()->updateCatalogue(module);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(ui.messageTexts(), GetParam().boxes);
    EXPECT_EQ(storedCatalogueVersion(), QString());
}

QString hookText(const char* reason)
{
    return QStringLiteral("Fehler beim Abrufen der Aktualisierungsinformation.\n"
                          "Ausnahmebedingung: %1.")
        .arg(QString::fromUtf8(reason));
}

QString warningText(const char* reason)
{
    return UpdateSequence::fetchFailedText(QString::fromUtf8(reason));
}

INSTANTIATE_TEST_SUITE_P(Pages, PageFailureTest,
                         ::testing::Values(
                             // A status above 200 is shown alone as its number first.
                             PageFailure{"Moved",
                                         ScriptedAnswer::status("HTTP/1.0 301 Moved Permanently",
                                                                {"Location: http://elsewhere/"}),
                                         {QStringLiteral("301"), warningText("Moved Permanently")}},
                             PageFailure{"NotFound",
                                         ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}),
                                         {QStringLiteral("404"), warningText("Not Found")}},
                             PageFailure{"Huge",
                                         ScriptedAnswer::ok(QByteArray(3 * 1024 * 1024, 'a')),
                                         {hookText("Die Antwort ist größer als 1024 KB"),
                                          warningText("Die Antwort ist größer als 1024 KB")}},
                             PageFailure{"Binary",
                                         ScriptedAnswer::ok(QByteArray("\x7f"
                                                                       "ELF\0\0\0",
                                                                       7)),
                                         {hookText("Die Antwort ist keine Textdatei"),
                                          warningText("Die Antwort ist keine Textdatei")}},
                             PageFailure{"Endless",
                                         ScriptedAnswer::sendForever(),
                                         {hookText("Die Antwort ist größer als 1024 KB"),
                                          warningText("Die Antwort ist größer als 1024 KB")}}),
                         [](const ::testing::TestParamInfo<PageFailure>& info) {
                             return info.param.name;
                         });

TEST_F(UpdateSequenceTest, ACancelledFetchEndsAtOnceWithAClearFailure)
{
    server.script("/kelmora/pv.html", ScriptedAnswer::neverAnswer());
    display.setShownHook([](TransferJob& job) { job.cancel(); });
    const UpdateResult result = sequence()->updateProgram();
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(ui.messageTexts(), QStringList{warningText("Vom Benutzer abgebrochen")});
    EXPECT_TRUE(server.waitForNoConnections(std::chrono::seconds(10)));
}

TEST_F(UpdateSequenceTest, AnUnreachableServerIsShownAsTheClientsException)
{
    settings.settings().updateServer = QStringLiteral("http://updates.invalid/");
    const UpdateResult result = sequence()->updateProgram();
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(ui.messageTexts(),
              (QStringList{hookText("Can't resolve hostname to IP address"),
                           warningText("Can't resolve hostname to IP address")}));
    EXPECT_EQ(ui.shown().front().title, QStringLiteral("Ausnahmebedingung"));
}

TEST_F(UpdateSequenceTest, TheProxyOfTheConnectionSettingsCarriesTheFetch)
{
    server.script("/kelmora/pv.html", ScriptedAnswer::ok(infoPage("1.6.1", "")));
    settings.settings().updateServer = QStringLiteral("http://aktualisierung.pelvaro.example");
    settings.settings().proxyHost = QStringLiteral("127.0.0.1");
    settings.settings().proxyPort = QString::number(server.port());
    sequence()->updateProgram();
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(server.requests().front().startsWith(
        "GET http://aktualisierung.pelvaro.example/kelmora/pv.html HTTP/1.0\r\n"));
    EXPECT_TRUE(server.requests().front().contains("\r\nHost: aktualisierung.pelvaro.example\r\n"));
    EXPECT_EQ(ui.shown().front().title, QStringLiteral("Keine neue Version vorhanden"));
}

TEST_F(UpdateSequenceTest, TheInformationFileIsOfferedBeforeTheDownload)
{
    server.script("/info.txt", ScriptedAnswer::ok("Neu: \xe4nderungen\r\nZeile 2"));
    server.script("/kelmora/pv.html",
                  ScriptedAnswer::ok(infoPage("1.7", "http://h/p.deb",
                                              "<META HTTP-EQUIV=\"info\" CONTENT=\"" +
                                                  server.url(QStringLiteral("/info.txt")).toUtf8() +
                                                  "\">\r\n")));
    ui.answer(MessageAnswer::Yes); // read it
    ui.answer(MessageAnswer::No);  // no download
    sequence()->updateProgram();
    EXPECT_EQ(ui.messageTexts().front(),
              QStringLiteral("Die aktuelle Version ist 1.6.1.\nDie Version 1.7 ist verfügbar.\n"
                             "Möchten Sie zuvor die Info-Datei lesen?"));
    EXPECT_EQ(display.shown(), (QStringList{QStringLiteral("Suche nach neuer Version ..."),
                                            QStringLiteral("Info-Datei wird abgerufen ..."),
                                            QStringLiteral("Neu: änderungen\r\nZeile 2")}));
}

TEST_F(UpdateSequenceTest, ADangerousDownloadNameIsProposedAsAPlainName)
{
    server.script("/kelmora/pv.html",
                  ScriptedAnswer::ok(infoPage("1.7", "http://h/dl/..%2F..%2F.profile")));
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(std::nullopt);
    sequence()->updateProgram();
    EXPECT_EQ(ui.lastFileRequest().directory, downloads + QStringLiteral("/profile"));
    server.script("/kelmora/pv.html", ScriptedAnswer::ok(infoPage("1.7", "http://h/dl/..")));
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(std::nullopt);
    sequence()->updateProgram();
    EXPECT_EQ(ui.lastFileRequest().directory, downloads + QStringLiteral("/pelvaro.deb"));
}

TEST_F(UpdateSequenceTest, RedirectsFromThePageAreFollowedButNotForever)
{
    server.script("/a.html",
                  ScriptedAnswer::ok("<META HTTP-EQUIV=\"umleitung\" CONTENT=\"" +
                                     server.url(QStringLiteral("/b.html")).toUtf8() + "\">\n"));
    server.script("/b.html", ScriptedAnswer::ok(infoPage("4.0", "http://h/x.deb")));
    server.script("/loop.html",
                  ScriptedAnswer::ok("<META HTTP-EQUIV=\"umleitung\" CONTENT=\"" +
                                     server.url(QStringLiteral("/loop.html")).toUtf8() + "\">\n"));
    TWebFileInfo info(ui, display);
    info.InfoTags().RedirectTag = QStringLiteral("umleitung");
    info.setHomeURL(server.url(QStringLiteral("/a.html")));
    ASSERT_TRUE(info.FetchInfo());
    EXPECT_EQ(info.ProductVersion(), QStringLiteral("4.0"));
    EXPECT_EQ(info.ProductDate(), QDate(2026, 12, 7));
    EXPECT_EQ(info.DownloadFileName(), QStringLiteral("x.deb"));
    // Fetched once; Active until the address is set again.
    EXPECT_TRUE(info.FetchInfo());
    EXPECT_EQ(server.requests().size(), 2);

    info.setHomeURL(server.url(QStringLiteral("/loop.html")));
    EXPECT_FALSE(info.FetchInfo());
    EXPECT_FALSE(info.Active());
    EXPECT_TRUE(info.LastError().startsWith(QStringLiteral("Zu viele Weiterleitungen")));
    EXPECT_EQ(server.requests().size(), 2 + 1 + TWebFileInfo::MaxRedirects);
}

TEST_F(UpdateSequenceTest, ADateOfAnotherFormFailsTheFetchAsAnError)
{
    server.script("/d.html",
                  ScriptedAnswer::ok("<META HTTP-EQUIV=\"version\" CONTENT=\"3.0\">\n"
                                     "<META HTTP-EQUIV=\"datum\" CONTENT=\"07.12.2026\">\n"));
    TWebFileInfo info(ui, display);
    info.setHomeURL(server.url(QStringLiteral("/d.html")));
    EXPECT_THROW(info.FetchInfo(), Error);
    EXPECT_FALSE(info.Active());
}

TEST_F(UpdateSequenceTest, WithoutAnAddressOrTagsNothingIsFetched)
{
    TWebFileInfo info(ui, display);
    EXPECT_FALSE(info.FetchInfo());
    info.setHomeURL(server.url(QStringLiteral("/x")));
    info.InfoTags() = TWfiTags{{}, {}, {}, {}, {}, {}, {}, {}, {}, {}};
    EXPECT_FALSE(info.FetchInfo());
    EXPECT_EQ(ui.messageTexts(),
              (QStringList{QStringLiteral("Kann die Versionsinformation nicht abrufen, \nda keine "
                                          "korrekte URL vorhanden ist!"),
                           QStringLiteral("Kann die Versionsinformation nicht abrufen,\nda keine "
                                          "Tag-Information angegeben wurde.")}));
    EXPECT_EQ(ui.shown().front().title, QStringLiteral("URL nicht vorhanden"));
    EXPECT_EQ(ui.shown().back().title, QStringLiteral("Fehlende Tag-Information"));
    EXPECT_TRUE(server.requests().isEmpty());
}

} // namespace
