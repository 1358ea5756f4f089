#include "submit/RunPreview.h"

#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"
#include "submit/RequestPreparation.h"
#include "submit/SubmissionScheduler.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "TestHttpServer.h"
#include "TestWaits.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using pelvaro::catalogue::TDataModule1;
using pelvaro::submit::PreviewRequest;
using pelvaro::submit::RequestPreparation;
using pelvaro::submit::RequestSettings;
using pelvaro::submit::RunPreview;
using pelvaro::submit::SendList;
using pelvaro::submit::SubmissionScheduler;
using pelvaro::test::engine;
using pelvaro::test::ScriptedAnswer;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using pelvaro::test::TestHttpServer;

namespace {

QVariantMap field(int id, int engineNr, int number, const QString& text)
{
    return {{QStringLiteral("FelderID"), id},
            {QStringLiteral("EngineID"), engineNr},
            {QStringLiteral("FeldNrInVindrel"), number},
            {QStringLiteral("FeldNameInEngine"), text}};
}

struct Case
{
    const char* name;
    bool viaProxy;
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

QStringList texts(const QList<QByteArray>& requests)
{
    QStringList out;
    for (const QByteArray& bytes : requests)
        out << QString::fromLatin1(bytes);
    return out;
}

// Getter sends by GET, Poster by POST with fixed parameters and its own page as referrer;
// Leer has no form fields, Kaputt no form address, Teuer charges, Hand is manual only.
class RunPreviewTest : public ::testing::TestWithParam<Case>
{
protected:
    void SetUp() override
    {
        server.script("/get", ScriptedAnswer::ok("Danke"));
        server.script("/post", ScriptedAnswer::ok("Danke"));
        const auto selected = [](int nr, const QString& name, QVariantMap extra) {
            extra.insert(QStringLiteral("Ausgewaehlt"), true);
            return engine(nr, name, extra);
        };
        pelvaro::test::createCatalogue(
            dataDir(),
            {selected(1, QStringLiteral("Getter"),
                      {{QStringLiteral("Action"), server.url(QStringLiteral("/get"))}}),
             selected(2, QStringLiteral("Poster"),
                      {{QStringLiteral("Action"), server.url(QStringLiteral("/post"))},
                       {QStringLiteral("Methode"), QStringLiteral("P")},
                       {QStringLiteral("Parameter1"), QStringLiteral("lang=de")},
                       {QStringLiteral("Ref"), true}}),
             selected(3, QStringLiteral("Leer"), {}),
             selected(4, QStringLiteral("Kaputt"), {{QStringLiteral("Action"), QString()}}),
             selected(5, QStringLiteral("Teuer"), {{QStringLiteral("KostetGeld"), true}}),
             selected(6, QStringLiteral("Hand"), {{QStringLiteral("NurManuell"), true}})},
            {},
            {field(1, 1, 1, QStringLiteral("titel;Titel")),
             field(2, 1, 2, QStringLiteral("url;Adresse")),
             field(3, 2, 1, QStringLiteral("name;Titel")),
             field(4, 2, 99, QStringLiteral("feste Angabe"))});
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(dataDir(), QStringLiteral("1")));
        site.Clear();
        site.TitleEdit = QStringLiteral("Äpfel & Birnen");
        site.URLEdit = QStringLiteral("http://www.obst.example/");
        if (GetParam().viaProxy) {
            // The test server takes absolute-form requests as a proxy would.
            settings.proxyHost = QStringLiteral("127.0.0.1");
            settings.proxyPort = QString::number(server.port());
        }
        settings.idleTimeLimit = 30;
        settings.caFile = TestDirs::root() + QStringLiteral("/extra.pem");
    }

    static QString dataDir() { return TestDirs::programDir() + QStringLiteral("/daten"); }
    static QString answerDir() { return TestDirs::programDir() + QStringLiteral("/HTML"); }

    // Every service's selection flags and date, as stored.
    QList<QVariantList> catalogueRows()
    {
        QList<QVariantList> rows;
        for (const auto& row :
             module->readRows({QStringLiteral("Nr"), QStringLiteral("Ausgewaehlt"),
                               QStringLiteral("NurManuell"), QStringLiteral("ZuletztRegistriert")},
                              QString(), {}))
            rows << row.values;
        return rows;
    }

    TestHttpServer server;
    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
    pelvaro::site::SiteRecord site;
    RequestSettings settings;
};

TEST_P(RunPreviewTest, ShowsTheRequestsTheRunSendsByteForByte)
{
    const QList<QVariantList> before = catalogueRows();
    const RunPreview preview = RunPreview::prepare(*module, ui, site, answerDir(), settings);
    EXPECT_EQ(catalogueRows(), before);
    EXPECT_TRUE(server.requests().isEmpty());

    ASSERT_EQ(preview.requests.size(), 2u);
    const PreviewRequest& get = preview.requests[0];
    const PreviewRequest& post = preview.requests[1];
    EXPECT_EQ(get.entry.Nr, 1);
    EXPECT_EQ(get.entry.Name, QStringLiteral("Getter"));
    EXPECT_EQ(get.methode(), QStringLiteral("GET"));
    EXPECT_EQ(
        get.request.url,
        server.url(QStringLiteral("/get?titel=Äpfel & Birnen&url=http%3A%2F%2Fwww.obst.example/")));
    EXPECT_TRUE(get.request.body.isEmpty());
    EXPECT_EQ(get.request.referer, SubmissionScheduler::defaultReferringPage());
    EXPECT_EQ(post.entry.Nr, 2);
    EXPECT_EQ(post.methode(), QStringLiteral("POST"));
    EXPECT_EQ(post.request.url, server.url(QStringLiteral("/post")));
    EXPECT_EQ(post.request.body, QStringLiteral("lang=de&name=Äpfel & Birnen&=feste Angabe"));
    EXPECT_EQ(post.request.referer, QStringLiteral("http://www.dienst2.example/anmelden"));
    for (const PreviewRequest& request : preview.requests) {
        EXPECT_EQ(request.request.proxyHost, settings.proxyHost);
        EXPECT_EQ(request.request.idleTimeLimit, 30);
        EXPECT_EQ(request.request.caFile, settings.caFile);
    }

    // The request line names the whole address only when it goes to a proxy; the body
    // follows the blank line as Windows-1252, and the text shows CR LF as line breaks.
    const QByteArray target =
        GetParam().viaProxy ? server.url(QStringLiteral("/post")).toLatin1() : QByteArray("/post");
    EXPECT_TRUE(post.bytes.startsWith("POST " + target + " HTTP/1.0\r\n")) << post.bytes.data();
    EXPECT_TRUE(post.bytes.endsWith("\r\n\r\nlang=de&name=\xC4pfel & Birnen&=feste Angabe"))
        << post.bytes.data();
    EXPECT_TRUE(post.requestText().startsWith(
        QStringLiteral("POST ") + QString::fromLatin1(target) + QStringLiteral(" HTTP/1.0\n")));
    EXPECT_TRUE(post.requestText().endsWith(
        QStringLiteral("\n\nlang=de&name=Äpfel & Birnen&=feste Angabe")));
    EXPECT_FALSE(post.requestText().contains(QLatin1Char('\r')));

    // The run itself, with the same settings, puts exactly these bytes on the wire.
    auto list = std::make_unique<SendList>();
    QStringList success;
    QStringList failures;
    RequestPreparation(*module, ui, site, answerDir()).DatenZumSendenVorbereiten(*list, failures);
    EXPECT_EQ(failures, preview.failureLines);
    SubmissionScheduler::Settings scheduler;
    scheduler.threadCount = 1; // one worker sends in list order
    scheduler.proxyHost = settings.proxyHost;
    scheduler.proxyPort = settings.proxyPort;
    scheduler.idleTimeLimit = settings.idleTimeLimit;
    SubmissionScheduler run(ui, *list, success, failures, scheduler);
    run.FormActivate();
    QSignalSpy ended(&run, &SubmissionScheduler::runEnded);
    run.StartenButtonClick();
    ASSERT_TRUE(!ended.isEmpty() || ended.wait(pelvaro::test::HealthyWaitMs));
    run.FormClose();
    EXPECT_EQ(success.size(), 2) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(texts(server.requests()), texts({get.bytes, post.bytes}));
}

INSTANTIATE_TEST_SUITE_P(Routes, RunPreviewTest,
                         ::testing::Values(Case{"direct", false}, Case{"proxy", true}),
                         [](const auto& info) { return std::string(info.param.name); });

using RunPreviewUnprepared = RunPreviewTest;

TEST_P(RunPreviewUnprepared, ListsWhatCannotBeSentWithItsReason)
{
    const QList<QVariantList> before = catalogueRows();
    const RunPreview preview = RunPreview::prepare(*module, ui, site, answerDir(), settings);
    EXPECT_EQ(catalogueRows(), before);
    // The run's box for a service without form fields comes with the preview too.
    QStringList boxes;
    for (const ScriptedUiServices::Shown& shown : ui.shown())
        if (shown.kind == ScriptedUiServices::Shown::Kind::Message)
            boxes << shown.text;
    EXPECT_EQ(boxes, QStringList{QStringLiteral(" Nicht-kritischer Fehler Nr. 110219 (Leer)")});

    ASSERT_EQ(preview.unprepared.size(), 2u);
    EXPECT_EQ(preview.unprepared[0].nr, 3);
    EXPECT_EQ(preview.unprepared[0].name, QStringLiteral("Leer"));
    EXPECT_EQ(preview.unprepared[0].reason, QStringLiteral("Nicht verfügbar!"));
    EXPECT_EQ(preview.unprepared[0].address, QStringLiteral("http://www.dienst3.example/anmelden"));
    EXPECT_EQ(preview.unprepared[1].nr, 4);
    EXPECT_EQ(preview.unprepared[1].reason, QStringLiteral("Nicht verfügbar! (Datenbankfehler)"));
    EXPECT_EQ(preview.unprepared[1].address, QStringLiteral("http://www.dienst4.example/"));
    EXPECT_EQ(preview.summary(), QStringLiteral("2 Suchdienste würden angeschrieben"));
    EXPECT_EQ(preview.unpreparedSummary(),
              QStringLiteral("2 Suchdienste können nicht angeschrieben werden:"));

    RunPreview single;
    single.requests.resize(1);
    single.unprepared.resize(1);
    EXPECT_EQ(single.summary(), QStringLiteral("1 Suchdienst würde angeschrieben"));
    EXPECT_EQ(single.unpreparedSummary(),
              QStringLiteral("1 Suchdienst kann nicht angeschrieben werden:"));
    EXPECT_TRUE(RunPreview().unpreparedSummary().isEmpty());
    EXPECT_TRUE(server.requests().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Routes, RunPreviewUnprepared, ::testing::Values(Case{"direct", false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
