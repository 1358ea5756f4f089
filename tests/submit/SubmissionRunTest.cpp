// The run's steps around the scheduler: the checks before it and the bookkeeping after it.
#include "submit/SubmissionRun.h"

#include "catalogue/TDataModule1.h"
#include "site/FieldGuidance.h"
#include "site/SiteRecord.h"
#include "site/SubmissionLedger.h"
#include "submit/TEineEngine.h"

#include <QDate>

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <gtest/gtest.h>

#include <memory>

using pelvaro::base::MessageAnswer;
using pelvaro::catalogue::TDataModule1;
using pelvaro::submit::ResultRow;
using pelvaro::submit::SubmissionRun;
using pelvaro::test::engine;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using Start = SubmissionRun::Start;

namespace {

class RunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        const QString date = QStringLiteral("ZuletztRegistriert");
        pelvaro::test::createCatalogue(
            data, {engine(1, QStringLiteral("Eins"), {{QStringLiteral("Ausgewaehlt"), true}}),
                   engine(2, QStringLiteral("Zwei"),
                          {{QStringLiteral("Ausgewaehlt"), true}, {date, 30000.0}}),
                   engine(3, QStringLiteral("Drei"),
                          {{QStringLiteral("NurManuell"), true}, {date, 30000.0}})});
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QStringLiteral("x")));
    }

    QVariant dateOf(int row)
    {
        auto& tmp = module->TableTMP();
        tmp.first();
        return tmp.valueAt(row, tmp.fieldIndex(QStringLiteral("ZuletztRegistriert")));
    }

    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
    QStringList success;
    QStringList failure;
};

} // namespace

TEST_F(RunTest, ChecksBeforeTheRun)
{
    SubmissionRun run(ui, *module, success, failure);
    const QString site = QStringLiteral("http://www.meine-seite.example/");
    int fieldChecks = 0;
    const auto allFilled = [&fieldChecks] {
        ++fieldChecks;
        return -1;
    };
    EXPECT_EQ(run.checkStart(allFilled, site, false), Start::Go);
    EXPECT_EQ(run.checkStart([] { return 4; }, site, false), Start::FieldsMissing);
    EXPECT_TRUE(ui.messageTexts().last().startsWith(
        QStringLiteral("Bevor die Anmeldung gestartet werden kann, müssen Sie alle Formularfelder "
                       "ausfüllen!\n\n")));

    // An unsaved report from the last run: OK goes on, Cancel stops.
    failure << QStringLiteral("Alt\tx\t0\r9\thttp://alt.example/");
    ui.answer(MessageAnswer::Cancel);
    EXPECT_EQ(run.checkStart(allFilled, site, false), Start::Cancelled);
    EXPECT_TRUE(ui.messageTexts().last().contains(
        QStringLiteral("gehen Sie auf \"Statusbericht\" und klicken")));
    ui.answer(MessageAnswer::Ok);
    EXPECT_EQ(run.checkStart(allFilled, site, false), Start::Go);
    EXPECT_EQ(run.checkStart(allFilled, site, true), Start::Go) << "no question with the option on";

    module->AllesNichtAuswaehlen();
    const int checksBefore = fieldChecks;
    EXPECT_EQ(run.checkStart(allFilled, site, true), Start::NothingSelected);
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Bevor die Anmeldung gestartet werden kann, müssen Sie mindestens "
                             "einen Suchdienst auswählen!"));
    module->TableEngines().moveTo(0); // Drei (name order), manual only
    module->EintragAuswaehlen();
    EXPECT_EQ(run.checkStart(allFilled, site, true), Start::NothingAutomatic);
    EXPECT_EQ(fieldChecks, checksBefore) << "the fields are looked at only when services are there";

    // An address without its scheme would go out as "FEHLER!!!": the run refuses it, after
    // the fields and before the report question, naming the field.
    module->AllesAuswaehlen();
    failure << QStringLiteral("Alt\tx\t0\r9\thttp://alt.example/");
    const qsizetype shown = ui.messageTexts().size();
    for (const QString& address :
         {QStringLiteral("meine-seite.de"), QStringLiteral("http:/x.de")}) {
        EXPECT_EQ(run.checkStart(allFilled, address, false), Start::AddressInvalid);
        EXPECT_TRUE(ui.messageTexts().last().contains(QStringLiteral("Feld \"URL\" (\"") + address))
            << ui.messageTexts().last().toStdString();
    }
    EXPECT_EQ(ui.messageTexts().size(), shown + 2) << "no report question";
    EXPECT_TRUE(SubmissionRun::siteAddressProblem(QStringLiteral("https://x.example/")).isEmpty());
    EXPECT_TRUE(SubmissionRun::siteAddressProblem(QStringLiteral("ftp://x.example/")).isEmpty())
        << "any scheme: the field check is the place for \"http\"";

    // The record's required fields, in the run's order: the first empty one is the title.
    pelvaro::site::SiteRecord record;
    record.Clear();
    EXPECT_EQ(
        pelvaro::site::FieldGuidance::firstEmptyRequired(SubmissionRun::requiredFieldTexts(record)),
        0);
}

TEST_F(RunTest, BookkeepingStampsTodayAndBuildsTheViews)
{
    success << pelvaro::submit::resultLine(QStringLiteral("Eins"), QStringLiteral("OK"), 200, 1,
                                           QStringLiteral("http://eins.example/?a=1"))
            << pelvaro::submit::resultLine(QStringLiteral("Weg"), QStringLiteral("OK"), 200, 77,
                                           QStringLiteral("http://weg.example/"))
            << QStringLiteral("Kaputt\tOK\t200\rkeine Zahl\thttp://x.example/");
    failure << pelvaro::submit::resultLine(QStringLiteral("Zwei"), QStringLiteral("Not Found"), 404,
                                           2, QStringLiteral("http://zwei.example/add?url=x&t=y"));
    int clockReadings = 0;
    SubmissionRun run(ui, *module, success, failure, [&clockReadings] {
        ++clockReadings;
        return QDate(2026, 12, 10);
    });
    run.ErgebnisseUebernehmen();
    EXPECT_EQ(clockReadings, 1) << "one date for the whole run";

    EXPECT_EQ(dateOf(0).toDouble(), double(QDate(1899, 12, 30).daysTo(QDate(2026, 12, 10))));
    EXPECT_EQ(dateOf(1).toDouble(), 30000.0) << "failures change nothing";
    EXPECT_EQ(dateOf(2).toDouble(), 30000.0) << "a manual service keeps its date";
    EXPECT_EQ(ui.messageTexts(),
              QStringList{QStringLiteral("Unkritischer Fehler. Fehler-Nr. 399501")})
        << "only the number that is gone; a number that does not parse is skipped";
    ASSERT_EQ(run.successRows().size(), 3u);
    EXPECT_EQ(run.successRows().front(), (ResultRow{QStringLiteral("Eins"), QStringLiteral("200"),
                                                    QStringLiteral("OK"), QString()}));
    ASSERT_EQ(run.failureRows().size(), 1u);
    EXPECT_EQ(run.failureRows().front(),
              (ResultRow{QStringLiteral("Zwei"), QStringLiteral("404"), QStringLiteral("Not Found"),
                         QStringLiteral("http://zwei.example/add")}));
    EXPECT_TRUE(module->TableTMP().indexName().isEmpty()) << "back in store order";
    EXPECT_FALSE(ui.waitNoticeShown());
}

TEST_F(RunTest, NothingPreparedEndsTheRunAfterThePreparation)
{
    // Every selected service charges for entries: the preparation deselects them silently
    // and leaves nothing to send.
    const QString data = TestDirs::programDir() + QStringLiteral("/daten");
    module.reset();
    pelvaro::test::createCatalogue(
        data,
        {engine(1, QStringLiteral("Eins"),
                {{QStringLiteral("Ausgewaehlt"), true}, {QStringLiteral("KostetGeld"), true}}),
         engine(2, QStringLiteral("Zwei"),
                {{QStringLiteral("Ausgewaehlt"), true}, {QStringLiteral("KostetGeld"), true}}),
         engine(3, QStringLiteral("Drei"))});
    module = std::make_unique<TDataModule1>(ui);
    ASSERT_TRUE(module->open(data, QStringLiteral("x")));
    failure << QStringLiteral("Alt\tx\t0\r9\thttp://alt.example/");

    SubmissionRun run(ui, *module, success, failure);
    ASSERT_EQ(run.checkStart([] { return -1; }, QStringLiteral("http://x.example/"), true),
              Start::Go);
    auto list = std::make_unique<pelvaro::submit::SendList>();
    EXPECT_EQ(run.prepare(pelvaro::site::SiteRecord(), TestDirs::programDir(), *list), 0);

    EXPECT_TRUE(success.isEmpty());
    EXPECT_TRUE(failure.isEmpty()) << "the last run's lines went when this one started";
    EXPECT_EQ(module->counters(), (pelvaro::catalogue::SelectionCounters{3, 0, 0, 0}));
    EXPECT_TRUE(ui.messageTexts().isEmpty());
    EXPECT_FALSE(ui.waitNoticeShown());
    // Posted for good: another connection sees the deselection.
    TDataModule1 other(ui);
    ASSERT_TRUE(other.open(data, QStringLiteral("x")));
    EXPECT_EQ(other.counters(), (pelvaro::catalogue::SelectionCounters{3, 0, 0, 0}));
}

namespace {

// Two form services and two IndexNow endpoints, all selected for automatic submission.
class IndexNowRunTest : public RunTest
{
protected:
    void SetUp() override
    {
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        const QVariantMap selected{{QStringLiteral("Ausgewaehlt"), true}};
        QVariantMap endpoint = selected;
        endpoint.insert(QStringLiteral("IndexNow"), true);
        endpoint.insert(QStringLiteral("Methode"), QString());
        QVariantMap bing = endpoint;
        bing.insert(QStringLiteral("Action"), QStringLiteral("https://www.bing.example/indexnow"));
        QVariantMap yep = endpoint;
        yep.insert(QStringLiteral("Action"),
                   QStringLiteral("https://indexnow.yep.example/indexnow"));
        pelvaro::test::createCatalogue(
            data,
            {engine(1, QStringLiteral("Eins"), selected), engine(2, QStringLiteral("Bing"), bing),
             engine(3, QStringLiteral("Yep"), yep)},
            {},
            {{{QStringLiteral("FelderID"), 1},
              {QStringLiteral("EngineID"), 1},
              {QStringLiteral("FeldNrInVindrel"), 2},
              {QStringLiteral("FeldNameInEngine"), QStringLiteral("url;")}}});
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QStringLiteral("x")));
        record.Clear();
        record.URLEdit = QStringLiteral("https://www.meine-site.example/");
        record.indexNowKey = QStringLiteral("Schluessel-0123456789");
        record.indexNowUrls = {QStringLiteral("https://www.meine-site.example/neu.html")};
    }

    std::vector<qint64> selectedNumbers()
    {
        std::vector<qint64> numbers;
        for (const auto& row :
             module->readRows({QStringLiteral("Nr")}, QStringLiteral("Ausgewaehlt = 1")))
            numbers.push_back(row.values.at(0).toLongLong());
        return numbers;
    }

    pelvaro::site::SiteRecord record;
    std::unique_ptr<pelvaro::submit::SendList> list = std::make_unique<pelvaro::submit::SendList>();
};

} // namespace

TEST_F(IndexNowRunTest, EndpointsArePreparedAsJsonPostsUnlessTheyWaitOrTheSiteHasNoKey)
{
    SubmissionRun run(ui, *module, success, failure);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    run.journal().waits.wait(QStringLiteral("https://indexnow.yep.example/indexnow"),
                             now.addSecs(3600));
    ASSERT_EQ(run.prepare(record, TestDirs::root(), *list), 2);
    const pelvaro::submit::TEineEngine& bing = list->entries[1];
    EXPECT_TRUE(bing.IndexNow);
    EXPECT_EQ(bing.URL, QStringLiteral("https://www.bing.example/indexnow"));
    EXPECT_TRUE(
        bing.PostDaten.contains(QStringLiteral("\"urlList\":[\"https://www.meine-site.example/\","
                                               "\"https://www.meine-site.example/neu.html\"]")));
    EXPECT_EQ(list->indexNowKey, record.indexNowKey);
    ASSERT_EQ(failure.size(), 1);
    EXPECT_TRUE(failure.first().startsWith(QStringLiteral("Yep\tzu viele Anfragen")));
    EXPECT_EQ(selectedNumbers(), std::vector<qint64>{3}) << "the waiting one stays selected";

    // Without a key nothing of IndexNow is prepared; the endpoints stay selected and the
    // run says why, without a failure line.
    module->AllesAuswaehlen();
    record.indexNowKey.clear();
    SubmissionRun keyless(ui, *module, success, failure);
    ASSERT_EQ(keyless.prepare(record, TestDirs::root(), *list), 1);
    EXPECT_TRUE(failure.isEmpty());
    EXPECT_EQ(selectedNumbers(), (std::vector<qint64>{2, 3}));
    EXPECT_TRUE(
        keyless.indexNowStopText().contains(QStringLiteral("noch keinen IndexNow-Schlüssel")));
}

TEST_F(IndexNowRunTest, AnswersGoIntoTheLedgerAndHeldBackEndpointsAreSelectedAgain)
{
    SubmissionRun run(ui, *module, success, failure, [] { return QDate(2026, 12, 10); });
    ASSERT_EQ(run.prepare(record, TestDirs::root(), *list), 3);
    const QDateTime when = QDateTime::currentDateTimeUtc();
    auto& journal = run.journal();
    journal.outcomes.push_back({1, false, true, false, 200, QStringLiteral("OK"), when, {}});
    journal.outcomes.push_back(
        {2, true, false, false, 429, QStringLiteral("zu viele Anfragen"), when, when.addSecs(60)});
    journal.sent << 1 << 2;
    journal.heldBack << 3;
    success << pelvaro::submit::resultLine(QStringLiteral("Eins"), QStringLiteral("OK"), 200, 1,
                                           QStringLiteral("http://eins.example/"));
    run.ErgebnisseUebernehmen();
    EXPECT_EQ(selectedNumbers(), std::vector<qint64>{3});

    ASSERT_TRUE(run.recordInLedger(record));
    using Outcome = pelvaro::site::LedgerEntry::Outcome;
    const auto* form = record.ledger.entry(1);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->outcome, Outcome::Accepted);
    EXPECT_TRUE(form->addresses.isEmpty());
    EXPECT_EQ(form->fingerprint, pelvaro::site::SubmissionLedger::siteFingerprint(record));
    const auto* bing = record.ledger.entry(2);
    ASSERT_NE(bing, nullptr);
    EXPECT_EQ(bing->outcome, Outcome::TooManyRequests);
    EXPECT_EQ(bing->notBefore, when.addSecs(60));
    EXPECT_EQ(bing->addresses,
              (QStringList{QStringLiteral("https://www.meine-site.example/"),
                           QStringLiteral("https://www.meine-site.example/neu.html")}));
    EXPECT_EQ(record.ledger.entry(3), nullptr) << "held back: nothing was sent";
    EXPECT_FALSE(record.ledger.needsSubmission(1, false, record));
    EXPECT_TRUE(record.ledger.needsSubmission(2, true, record));
}

// A scheduler window closed without Start, or a run aborted before every request was handed
// out: what never went out is selected again, and with nothing sent at all the last run's
// report stays as it was.
TEST_F(IndexNowRunTest, ServicesThatWereNeverSentAreSelectedAgain)
{
    const QString previous = pelvaro::submit::resultLine(
        QStringLiteral("Alt"), QStringLiteral("OK"), 200, 1, QStringLiteral("http://alt.example/"));
    success << previous;
    const QVariant noDate =
        module->readRows({QStringLiteral("ZuletztRegistriert")}, QStringLiteral("Nr = 1"))
            .front()
            .values.at(0);
    {
        SubmissionRun run(ui, *module, success, failure, [] { return QDate(2026, 12, 10); });
        ASSERT_EQ(run.prepare(record, TestDirs::root(), *list), 3);
        EXPECT_TRUE(selectedNumbers().empty());
        run.ErgebnisseUebernehmen();
        EXPECT_FALSE(run.somethingSent());
        EXPECT_EQ(selectedNumbers(), (std::vector<qint64>{1, 2, 3}));
        EXPECT_EQ(success, QStringList{previous}) << "the last report stands";
        ASSERT_EQ(run.successRows().size(), 1u);
        EXPECT_EQ(run.successRows().front().Suchdienst, QStringLiteral("Alt"));
        EXPECT_EQ(module->readRows({QStringLiteral("ZuletztRegistriert")}, QStringLiteral("Nr = 1"))
                      .front()
                      .values.at(0),
                  noDate)
            << "the last run's success is not dated again";
        EXPECT_EQ(module->counters().AnzAutomatisch, 3);
    }
    {
        // One request out, the run aborted before the others' turn.
        SubmissionRun run(ui, *module, success, failure, [] { return QDate(2026, 12, 10); });
        ASSERT_EQ(run.prepare(record, TestDirs::root(), *list), 3);
        run.journal().sent << 2;
        failure << pelvaro::submit::resultLine(QStringLiteral("Bing"), QStringLiteral("Abbruch"), 0,
                                               2, QStringLiteral("https://www.bing.example/"));
        run.ErgebnisseUebernehmen();
        EXPECT_TRUE(run.somethingSent());
        EXPECT_EQ(selectedNumbers(), (std::vector<qint64>{1, 3}));
        EXPECT_TRUE(success.isEmpty()) << "this run's report replaces the last one";
        EXPECT_EQ(failure.size(), 1);
    }
}
