// The run's steps around the scheduler: the checks before it and the bookkeeping after it.
#include "submit/SubmissionRun.h"

#include "catalogue/TDataModule1.h"
#include "site/FieldGuidance.h"
#include "site/SiteRecord.h"
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
    int fieldChecks = 0;
    const auto allFilled = [&fieldChecks] {
        ++fieldChecks;
        return -1;
    };
    EXPECT_EQ(run.checkStart(allFilled, false), Start::Go);
    EXPECT_EQ(run.checkStart([] { return 4; }, false), Start::FieldsMissing);
    EXPECT_TRUE(ui.messageTexts().last().startsWith(
        QStringLiteral("Bevor die Anmeldung gestartet werden kann, müssen Sie alle Formularfelder "
                       "ausfüllen!\n\n")));

    // An unsaved report from the last run: OK goes on, Cancel stops.
    failure << QStringLiteral("Alt\tx\t0\r9\thttp://alt.example/");
    ui.answer(MessageAnswer::Cancel);
    EXPECT_EQ(run.checkStart(allFilled, false), Start::Cancelled);
    EXPECT_TRUE(ui.messageTexts().last().contains(
        QStringLiteral("gehen Sie auf \"Statusbericht\" und klicken")));
    ui.answer(MessageAnswer::Ok);
    EXPECT_EQ(run.checkStart(allFilled, false), Start::Go);
    EXPECT_EQ(run.checkStart(allFilled, true), Start::Go) << "no question with the option on";

    module->AllesNichtAuswaehlen();
    const int checksBefore = fieldChecks;
    EXPECT_EQ(run.checkStart(allFilled, true), Start::NothingSelected);
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Bevor die Anmeldung gestartet werden kann, müssen Sie mindestens "
                             "einen Suchdienst auswählen!"));
    module->TableEngines().moveTo(0); // Drei (name order), manual only
    module->EintragAuswaehlen();
    EXPECT_EQ(run.checkStart(allFilled, true), Start::NothingAutomatic);
    EXPECT_EQ(fieldChecks, checksBefore) << "the fields are looked at only when services are there";

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
    ASSERT_EQ(run.checkStart([] { return -1; }, true), Start::Go);
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
