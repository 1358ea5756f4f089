// The trailer of the site-info file (IndexNow key, further addresses, submission ledger):
// after the record, where readers of the record alone never look.
#include "site/RecentFileList.h"
#include "site/SiteDocument.h"
#include "site/SiteFile.h"
#include "site/SiteForm.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QFile>
#include <QTimeZone>
#include <QtEndian>

#include <limits>
#include <random>

#include <gtest/gtest.h>

using pelvaro::site::LedgerEntry;
using pelvaro::site::RecentFileList;
using pelvaro::site::SiteDocument;
using pelvaro::site::SiteFile;
using pelvaro::site::SiteRecord;
using pelvaro::site::SubmissionLedger;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

QString file(const char* name)
{
    return TestDirs::root() + QLatin1Char('/') + QLatin1String(name);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

SiteRecord sampleRecord()
{
    SiteRecord record;
    record.Clear();
    record.TitleEdit = QStringLiteral("Bäckerei Sommer");
    record.URLEdit = QStringLiteral("https://www.example.org/");
    record.LanguageCombo = 2;
    record.dates[0] = {17, 45000.0};
    return record;
}

QByteArray entry(const char* tag, const QByteArray& value)
{
    QByteArray out(tag, 4);
    out.append(char(value.size() & 0xff)).append(char(value.size() >> 8));
    return out + value;
}

QByteArray trailer(const QByteArray& entries)
{
    QByteArray out("PVX1");
    const quint32 n = quint32(entries.size());
    out.append(char(n & 0xff)).append(char((n >> 8) & 0xff)).append(char((n >> 16) & 0xff));
    out.append(char(n >> 24));
    return out + entries;
}

QByteArray le32(quint32 value)
{
    QByteArray out(4, Qt::Uninitialized);
    qToLittleEndian(value, out.data());
    return out;
}

QByteArray le64(qint64 value)
{
    QByteArray out(8, Qt::Uninitialized);
    qToLittleEndian(value, out.data());
    return out;
}

QByteArray utf8(const QString& text)
{
    return le32(quint32(text.toUtf8().size())) + text.toUtf8();
}

// zlib data as the file holds it (qCompress puts a length of its own in front).
QByteArray zlibData(const QByteArray& plain)
{
    return qCompress(plain).mid(4);
}

// A ledger entry's value written down from the layout, independently of the writer.
QByteArray ledgerValue(qint32 nr, quint8 outcome, const QStringList& addresses)
{
    QByteArray out = le32(quint32(nr)) + le64(1'800'000'000'000) + char(outcome) + le32(202) +
                     utf8(QStringLiteral("Schlüssel wird geprüft")) +
                     le64(std::numeric_limits<qint64>::min()) + le32(3) + "fpr" +
                     le32(quint32(addresses.size()));
    for (const QString& address : addresses)
        out += utf8(address);
    return out;
}

QStringList pageAddresses(int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out.append(QStringLiteral("https://www.example.org/katalog/artikel-%1.html?farbe=%2")
                       .arg(i)
                       .arg(i % 7));
    return out;
}

SiteRecord recordWithLedger()
{
    SiteRecord record = sampleRecord();
    record.indexNowKey = QStringLiteral("abcDEF-0123456789");
    record.indexNowUrls = pageAddresses(10'000);
    LedgerEntry form;
    form.nr = 12;
    form.when = QDateTime::fromMSecsSinceEpoch(1'800'000'000'123, QTimeZone::utc());
    form.outcome = LedgerEntry::Outcome::Accepted;
    form.statusCode = 200;
    form.message = QStringLiteral("Anmeldung erfolgreich – Danke");
    form.fingerprint = SubmissionLedger::siteFingerprint(record);
    record.ledger.record(form);
    LedgerEntry indexNow;
    indexNow.nr = 3;
    indexNow.when = form.when.addSecs(5);
    indexNow.outcome = LedgerEntry::Outcome::TooManyRequests;
    indexNow.statusCode = 429;
    indexNow.message = QStringLiteral("Zu viele Anfragen");
    indexNow.notBefore = form.when.addSecs(3600);
    indexNow.fingerprint = SubmissionLedger::indexNowFingerprint(record);
    indexNow.addresses = record.indexNowUrls;
    record.ledger.record(indexNow);
    return record;
}

} // namespace

TEST(SiteFileKey, RecordBytesAreTheSameWithAndWithoutAKey)
{
    SiteRecord record = sampleRecord();
    const QString plain = file("plain.sit");
    ASSERT_EQ(SiteFile::write(plain, record), QString());
    // Without a key the file is the record and nothing else, as it always was.
    EXPECT_EQ(readAll(plain), record.encode());
    EXPECT_EQ(SiteFile::read(plain).record.indexNowKey, QString());

    record.indexNowKey = QStringLiteral("abcDEF-0123456789");
    const QString keyed = file("keyed.sit");
    ASSERT_EQ(SiteFile::write(keyed, record), QString());
    const QByteArray bytes = readAll(keyed);
    EXPECT_EQ(bytes.left(SiteRecord::ByteSize), readAll(plain));
    EXPECT_EQ(bytes.mid(SiteRecord::ByteSize),
              trailer(entry("INKY", QByteArrayLiteral("abcDEF-0123456789"))));

    const SiteFile::ReadResult read = SiteFile::read(keyed);
    ASSERT_EQ(read.failure, SiteFile::Failure::None);
    EXPECT_EQ(read.record, record);
}

// Whatever follows the record, the record reads as before; only a whole trailer yields a key.
TEST(SiteFileKey, BytesAfterTheRecordNeverSpoilTheRecord)
{
    const SiteRecord record = sampleRecord();
    const QByteArray key = "Key-of-the-site-1";
    const struct
    {
        const char* name;
        QByteArray after;
        QString expectedKey;
    } cases[] = {
        {"junk", QByteArray("whatever an old tool appended\n"), {}},
        {"magic only", QByteArray("PVX1"), {}},
        {"length beyond the end", trailer(entry("INKY", key)).chopped(3), {}},
        {"value beyond its entry", trailer(entry("INKY", key).chopped(1)), {}},
        {"unknown tag first", trailer(entry("ZZZZ", "later") + entry("INKY", key)),
         QString::fromLatin1(key)},
        {"bytes after the trailer", trailer(entry("INKY", key)) + "tail", QString::fromLatin1(key)},
    };
    for (const auto& c : cases) {
        const QString path = file("after.sit");
        writeAll(path, record.encode() + c.after);
        const SiteFile::ReadResult read = SiteFile::read(path);
        EXPECT_EQ(read.failure, SiteFile::Failure::None) << c.name;
        SiteRecord expected = record;
        expected.indexNowKey = c.expectedKey;
        EXPECT_EQ(read.record, expected) << c.name;
    }
}

namespace {

// Fills only what the page shows, as the real page does.
class PageForm : public pelvaro::site::SiteForm
{
public:
    void readInto(SiteRecord& record) const override
    {
        record.TitleEdit = title;
        record.URLEdit = url;
    }
    void showRecord(const SiteRecord& record) override
    {
        title = record.TitleEdit;
        url = record.URLEdit;
    }
    QString title;
    QString url;
};

} // namespace

TEST(SiteFileKey, SavingFromTheWindowKeepsTheTrailerAndNewDropsIt)
{
    SiteRecord record = sampleRecord();
    record.indexNowKey = QStringLiteral("keptKey-12345678");
    record.indexNowUrls = {QStringLiteral("https://www.example.org/seite")};
    LedgerEntry sent;
    sent.nr = 9;
    sent.outcome = LedgerEntry::Outcome::Failed;
    sent.message = QStringLiteral("Keine Verbindung");
    record.ledger.record(sent);
    const QString path = file("window.sit");
    ASSERT_EQ(SiteFile::write(path, record), QString());

    ScriptedUiServices ui;
    PageForm form;
    RecentFileList recent(TestDirs::root() + QStringLiteral("/settings.ini"));
    SiteDocument document(ui, form, recent);
    document.OpenFile(path);
    form.title = QStringLiteral("Neuer Titel");
    document.setSiteModified(true);
    ui.answerSaveFile(file("copy.sit"), {});
    document.SaveAs();
    const SiteRecord saved = SiteFile::read(file("copy.sit")).record;
    EXPECT_EQ(saved.TitleEdit, QStringLiteral("Neuer Titel"));
    EXPECT_EQ(saved.indexNowKey, QStringLiteral("keptKey-12345678"));
    EXPECT_EQ(saved.indexNowUrls, record.indexNowUrls);
    EXPECT_EQ(saved.ledger, record.ledger);

    document.New();
    ui.answerSaveFile(file("new.sit"), {});
    document.SaveAs();
    EXPECT_EQ(readAll(file("new.sit")).size(), SiteRecord::ByteSize);
}

// Everything the trailer carries comes back as written, a 10,000-address ledger entry too; the
// record's bytes stay those of a file without a trailer, and the key keeps the exact block an
// older build reads (it reads one block, of at most 64 KiB).
TEST(SiteFileKey, AddressesAndLedgerRoundTrip)
{
    const SiteRecord record = recordWithLedger();
    const QString path = file("ledger.sit");
    ASSERT_EQ(SiteFile::write(path, record), QString());
    const QByteArray bytes = readAll(path);
    EXPECT_EQ(bytes.left(SiteRecord::ByteSize), sampleRecord().encode());
    const QByteArray keyBlock = trailer(entry("INKY", QByteArrayLiteral("abcDEF-0123456789")));
    EXPECT_EQ(bytes.mid(SiteRecord::ByteSize, keyBlock.size()), keyBlock);
    // Page addresses of one site pack tightly: two lists of 10,000 in well under 1 MB.
    EXPECT_LT(bytes.size() - SiteRecord::ByteSize, 1024 * 1024);

    const SiteFile::ReadResult read = SiteFile::read(path);
    ASSERT_EQ(read.failure, SiteFile::Failure::None);
    EXPECT_EQ(read.record, record);
    ASSERT_NE(read.record.ledger.entry(3), nullptr);
    EXPECT_EQ(read.record.ledger.entry(3)->addresses.size(), 10'000);
    EXPECT_FALSE(read.record.ledger.needsSubmission(12, false, read.record));

    // Without a key the addresses and the ledger make the only block.
    SiteRecord keyless = record;
    keyless.indexNowKey.clear();
    ASSERT_EQ(SiteFile::write(path, keyless), QString());
    EXPECT_EQ(readAll(path).mid(SiteRecord::ByteSize, 4), QByteArray("PVX1"));
    EXPECT_EQ(SiteFile::read(path).record, keyless);
}

// A damaged value reads as no value, and what stands apart from it still reads.
TEST(SiteFileKey, DamagedValuesReadAsNothing)
{
    const QByteArray key = "Key-of-the-site-1";
    const QStringList two = {QStringLiteral("https://a.example/1"),
                             QStringLiteral("https://a.example/2")};
    const QByteArray urls = zlibData(utf8(two[0]) + utf8(two[1]));
    const QByteArray good = zlibData(ledgerValue(5, 2, two));
    // Incompressible, so the packed value needs more than one piece.
    QByteArray noise(200'000, Qt::Uninitialized);
    std::mt19937 random(7);
    for (char& c : noise)
        c = char(random() & 0x7f);
    const QByteArray big = zlibData(ledgerValue(6, 1, {QString::fromLatin1(noise)}));
    ASSERT_GT(big.size(), 2 * 0xffff);
    const auto pieces = [](const char* tag, const QByteArray& value, int count) {
        QByteArray out;
        for (int i = 0; i < count; ++i)
            out += entry(tag, value.mid(i * 0xffff, 0xffff));
        return out;
    };
    const int bigPieces = int(big.size() / 0xffff) + 1;

    const struct
    {
        const char* name;
        QByteArray after;
        QList<qint32> ledgerNrs;
        bool urlsRead;
    } cases[] = {
        {"all well", trailer(entry("INUR", urls) + entry("LDGR", good)), {5}, true},
        {"long value in pieces", trailer(pieces("LDGR", big, bigPieces)), {6}, false},
        {"piece missing, then another tag",
         trailer(pieces("LDGR", big, bigPieces - 1) + entry("INUR", urls)),
         {},
         true},
        {"block cut inside a piece",
         trailer(entry("LDGR", good) + pieces("LDGR", big, bigPieces)).chopped(10),
         {},
         false},
        {"block cut, the block before stays",
         trailer(entry("INUR", urls)) + trailer(entry("LDGR", good)).chopped(1),
         {},
         true},
        {"not zlib", trailer(entry("LDGR", ledgerValue(5, 2, two))), {}, false},
        {"zlib data cut short", trailer(entry("LDGR", good.chopped(4))), {}, false},
        {"byte flipped in the zlib data",
         trailer(entry("LDGR", QByteArray(good).replace(good.size() / 2, 1, "\xff"))),
         {},
         false},
        {"unknown outcome", trailer(entry("LDGR", zlibData(ledgerValue(5, 9, two)))), {}, false},
        {"bytes after the last address",
         trailer(entry("LDGR", zlibData(ledgerValue(5, 2, two) + "x"))),
         {},
         false},
        {"address count beyond the data",
         trailer(entry("LDGR", zlibData(ledgerValue(5, 2, two).chopped(4)))),
         {},
         false},
        {"address length beyond the data",
         trailer(entry("INUR", zlibData(le32(0x7fffffff) + "abc")) + entry("LDGR", good)),
         {5},
         false},
        {"unpacks beyond the limit",
         trailer(pieces("INUR", zlibData(QByteArray(SiteFile::MaxValue + 1, 'a')), 1)),
         {},
         false},
        {"unknown tags between",
         trailer(entry("ZZZZ", "x") + entry("INUR", urls) + entry("ZZZZ", "y") +
                 entry("LDGR", good)),
         {5},
         true},
    };
    for (const auto& c : cases) {
        const QString path = file("damaged.sit");
        writeAll(path, sampleRecord().encode() + trailer(entry("INKY", key)) + c.after);
        const SiteFile::ReadResult read = SiteFile::read(path);
        ASSERT_EQ(read.failure, SiteFile::Failure::None) << c.name;
        EXPECT_EQ(read.record.indexNowKey, QString::fromLatin1(key)) << c.name;
        EXPECT_EQ(read.record.indexNowUrls, c.urlsRead ? two : QStringList()) << c.name;
        QList<qint32> nrs;
        for (const LedgerEntry& e : read.record.ledger.entries())
            nrs.append(e.nr);
        EXPECT_EQ(nrs, c.ledgerNrs) << c.name;
        if (const LedgerEntry* e = read.record.ledger.entry(5)) {
            EXPECT_EQ(e->outcome, LedgerEntry::Outcome::AcceptedPending) << c.name;
            EXPECT_EQ(e->statusCode, 202) << c.name;
            EXPECT_EQ(e->when, QDateTime::fromMSecsSinceEpoch(1'800'000'000'000, QTimeZone::utc()))
                << c.name;
            EXPECT_FALSE(e->notBefore.isValid()) << c.name;
            EXPECT_EQ(e->fingerprint, QByteArray("fpr")) << c.name;
            EXPECT_EQ(e->addresses, two) << c.name;
        }
        if (const LedgerEntry* e = read.record.ledger.entry(6)) {
            EXPECT_EQ(e->addresses, QStringList{QString::fromLatin1(noise)}) << c.name;
        }
    }
}

// A trailer the reader would not take whole is never written: a ledger entry's addresses go
// first (its fingerprint still decides), and a list of the site's own too large fails the save
// with the old file untouched.
TEST(SiteFileKey, TooLargeTrailerDropsLedgerAddressesOrFails)
{
    // 10,000 addresses of 2,100 random characters do not pack below the trailer's limit.
    QStringList noise;
    std::mt19937 random(11);
    for (int i = 0; i < 10'000; ++i) {
        QString address = QStringLiteral("https://www.example.org/");
        for (int j = 0; j < 2'100; ++j)
            address.append(QChar(u'!' + char16_t(random() % 94)));
        noise.append(address);
    }
    // Packs to almost nothing but unpacks beyond what a value may.
    const QStringList long_(13'000, QStringLiteral("https://www.example.org/") +
                                        QString(2'000, QLatin1Char('a')));
    SiteRecord record = sampleRecord();
    record.indexNowKey = QStringLiteral("abcDEF-0123456789");
    record.indexNowUrls = noise.mid(0, 10);
    const auto sent = [](qint32 nr, const QStringList& addresses) {
        LedgerEntry entry;
        entry.nr = nr;
        entry.outcome = LedgerEntry::Outcome::Accepted;
        entry.fingerprint = "fpr";
        entry.addresses = addresses;
        return entry;
    };
    record.ledger.record(sent(3, noise));
    record.ledger.record(sent(4, long_));
    record.ledger.record(sent(5, noise.mid(0, 2)));
    const QString path = file("large.sit");
    ASSERT_EQ(SiteFile::write(path, record), QString());
    const QByteArray bytes = readAll(path);
    EXPECT_LE(bytes.size() - SiteRecord::ByteSize, SiteFile::MaxTrailer);
    const SiteRecord read = SiteFile::read(path).record;
    EXPECT_EQ(read.indexNowUrls, record.indexNowUrls);
    EXPECT_EQ(read.ledger.entries().size(), 3);
    for (qint32 nr : {3, 4, 5}) {
        ASSERT_NE(read.ledger.entry(nr), nullptr) << nr;
        EXPECT_EQ(read.ledger.entry(nr)->fingerprint, QByteArray("fpr")) << nr;
        EXPECT_TRUE(read.ledger.entry(nr)->addresses.isEmpty()) << nr;
    }

    // Alone, an entry too long to unpack loses its addresses and the others keep theirs.
    record.ledger.record(sent(3, {}));
    ASSERT_EQ(SiteFile::write(path, record), QString());
    const SiteRecord smaller = SiteFile::read(path).record;
    EXPECT_TRUE(smaller.ledger.entry(4)->addresses.isEmpty());
    EXPECT_EQ(smaller.ledger.entry(5)->addresses, noise.mid(0, 2));

    const QByteArray before = readAll(path);
    record.indexNowUrls = long_;
    EXPECT_EQ(SiteFile::write(path, record),
              QStringLiteral("Die weiteren Adressen für IndexNow sind zu umfangreich, um in der "
                             "Datei gespeichert zu werden."));
    EXPECT_EQ(readAll(path), before);
}
