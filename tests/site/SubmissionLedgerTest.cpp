// The ledger decides which services still need the site: never sent, not accepted, or the
// part of the site the service was sent has changed since.
#include "site/SubmissionLedger.h"
#include "site/SiteRecord.h"

#include "QtPrinters.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>

using pelvaro::site::LedgerEntry;
using pelvaro::site::SiteRecord;
using pelvaro::site::SubmissionLedger;
using Outcome = LedgerEntry::Outcome;

namespace {

SiteRecord site()
{
    SiteRecord record;
    record.TitleEdit = QStringLiteral("Bäckerei Sommer");
    record.URLEdit = QStringLiteral("https://www.example.org/");
    record.indexNowKey = QStringLiteral("key-0123456789");
    record.indexNowUrls = {QStringLiteral("https://www.example.org/a"),
                           QStringLiteral("https://www.example.org/b")};
    return record;
}

QDateTime utc(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
}

} // namespace

TEST(SubmissionLedger, NeedsSubmission)
{
    const SiteRecord sent = site();
    const QByteArray form = SubmissionLedger::siteFingerprint(sent);
    const QByteArray indexNow = SubmissionLedger::indexNowFingerprint(sent);
    ASSERT_NE(form, indexNow);

    const auto edited = [&sent](const std::function<void(SiteRecord&)>& change) {
        SiteRecord record = sent;
        change(record);
        return record;
    };
    const struct
    {
        const char* name;
        bool hasEntry;
        Outcome outcome;
        bool indexNow;
        SiteRecord now;
        bool expected;
    } cases[] = {
        {"never sent, form", false, Outcome::None, false, sent, true},
        {"never sent, IndexNow", false, Outcome::None, true, sent, true},
        {"accepted, unchanged", true, Outcome::Accepted, false, sent, false},
        {"202, unchanged", true, Outcome::AcceptedPending, true, sent, false},
        {"failed", true, Outcome::Failed, false, sent, true},
        {"429", true, Outcome::TooManyRequests, true, sent, true},
        {"accepted, title edited", true, Outcome::Accepted, false,
         edited([](SiteRecord& r) { r.TitleEdit += QLatin1Char('!'); }), true},
        {"accepted, item changed", true, Outcome::Accepted, false,
         edited([](SiteRecord& r) { r.CategoryCombo = 4; }), true},
        // A run writes the date table, which must not make the site look edited.
        {"accepted, only dates changed", true, Outcome::Accepted, false, edited([](SiteRecord& r) {
             r.dates[3] = {12, 46000.0};
         }),
         false},
        {"form service, addresses changed", true, Outcome::Accepted, false,
         edited([](SiteRecord& r) { r.indexNowUrls.append(QStringLiteral("https://x/c")); }),
         false},
        {"form service, key changed", true, Outcome::Accepted, false,
         edited([](SiteRecord& r) { r.indexNowKey = QStringLiteral("other-key-1234"); }), false},
        {"IndexNow, address added", true, Outcome::Accepted, true,
         edited([](SiteRecord& r) { r.indexNowUrls.append(QStringLiteral("https://x/c")); }), true},
        {"IndexNow, addresses reordered", true, Outcome::Accepted, true,
         edited([](SiteRecord& r) { r.indexNowUrls.swapItemsAt(0, 1); }), true},
        {"IndexNow, key changed", true, Outcome::Accepted, true,
         edited([](SiteRecord& r) { r.indexNowKey = QStringLiteral("other-key-1234"); }), true},
        {"IndexNow, site address changed", true, Outcome::Accepted, true,
         edited([](SiteRecord& r) { r.URLEdit = QStringLiteral("https://example.org/"); }), true},
        {"IndexNow, two addresses joined into one", true, Outcome::Accepted, true,
         edited([](SiteRecord& r) {
             r.indexNowUrls = {QStringLiteral("https://www.example.org/a"
                                              "https://www.example.org/b")};
         }),
         true},
        {"IndexNow, description edited", true, Outcome::Accepted, true,
         edited([](SiteRecord& r) { r.DescriptionMemo = QStringLiteral("neu"); }), false},
    };
    for (const auto& c : cases) {
        SubmissionLedger ledger;
        if (c.hasEntry) {
            LedgerEntry entry;
            entry.nr = 7;
            entry.outcome = c.outcome;
            entry.fingerprint = c.indexNow ? indexNow : form;
            ledger.record(entry);
        }
        EXPECT_EQ(ledger.needsSubmission(7, c.indexNow, c.now), c.expected) << c.name;
        EXPECT_EQ(ledger.needsSubmission(7, c.indexNow, SubmissionLedger::siteFingerprint(c.now),
                                         SubmissionLedger::indexNowFingerprint(c.now)),
                  c.expected)
            << c.name;
        // Another service's entry never speaks for this one.
        EXPECT_TRUE(ledger.needsSubmission(8, c.indexNow, c.now)) << c.name;
    }
}

TEST(SubmissionLedger, WaitingOnlyWhileA429sTimeHasNotPassed)
{
    const QDateTime now = utc(1'800'000'000'000);
    SubmissionLedger ledger;
    const auto add = [&ledger](qint32 nr, Outcome outcome, const QDateTime& notBefore) {
        LedgerEntry entry;
        entry.nr = nr;
        entry.outcome = outcome;
        entry.notBefore = notBefore;
        ledger.record(entry);
    };
    add(1, Outcome::TooManyRequests, now.addSecs(60));
    add(2, Outcome::TooManyRequests, now);
    add(3, Outcome::TooManyRequests, now.addSecs(-1));
    add(4, Outcome::TooManyRequests, QDateTime());
    add(5, Outcome::Failed, now.addSecs(60));

    QDateTime until;
    EXPECT_TRUE(ledger.waiting(1, now, &until));
    EXPECT_EQ(until, now.addSecs(60));
    EXPECT_TRUE(ledger.waiting(1, now.addSecs(59)));
    for (qint32 nr : {2, 3, 4, 5, 6}) {
        QDateTime none;
        EXPECT_FALSE(ledger.waiting(nr, now, &none)) << nr;
        EXPECT_FALSE(none.isValid()) << nr;
    }
}

TEST(SubmissionLedger, RecordReplacesAndEntriesAreOrderedByNr)
{
    SubmissionLedger ledger;
    EXPECT_TRUE(ledger.isEmpty());
    EXPECT_EQ(ledger.entry(3), nullptr);
    LedgerEntry entry;
    for (qint32 nr : {30, 4, 17}) {
        entry.nr = nr;
        entry.outcome = Outcome::Failed;
        ledger.record(entry);
    }
    entry.nr = 4;
    entry.outcome = Outcome::Accepted;
    entry.message = QStringLiteral("Anmeldung erfolgreich");
    ledger.record(entry);

    const QList<LedgerEntry> entries = ledger.entries();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].nr, 4);
    EXPECT_EQ(entries[1].nr, 17);
    EXPECT_EQ(entries[2].nr, 30);
    ASSERT_NE(ledger.entry(4), nullptr);
    EXPECT_EQ(*ledger.entry(4), entry);
    EXPECT_TRUE(ledger.entry(4)->accepted());
    EXPECT_FALSE(ledger.entry(17)->accepted());

    ledger.clear();
    EXPECT_TRUE(ledger.isEmpty());
    EXPECT_EQ(ledger.entry(4), nullptr);
}
