// The IndexNow key in the site-info file: a trailer after the record that readers of the
// record alone never see.
#include "site/RecentFileList.h"
#include "site/SiteDocument.h"
#include "site/SiteFile.h"
#include "site/SiteForm.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QFile>

#include <gtest/gtest.h>

using pelvaro::site::RecentFileList;
using pelvaro::site::SiteDocument;
using pelvaro::site::SiteFile;
using pelvaro::site::SiteRecord;
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

TEST(SiteFileKey, SavingFromTheWindowKeepsTheKeyAndNewDropsIt)
{
    SiteRecord record = sampleRecord();
    record.indexNowKey = QStringLiteral("keptKey-12345678");
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

    document.New();
    ui.answerSaveFile(file("new.sit"), {});
    document.SaveAs();
    EXPECT_EQ(readAll(file("new.sit")).size(), SiteRecord::ByteSize);
}
