#include "catalogue/SelectionFile.h"
#include "base/Error.h"

#include "catalogue/TDataModule1.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>

using pelvaro::base::MessageKind;
using pelvaro::catalogue::SelectionCounters;
using pelvaro::catalogue::SelectionFile;
using pelvaro::catalogue::TDataModule1;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

QString dataDir()
{
    return TestDirs::programDir() + QStringLiteral("/daten");
}

QString file(const char* name)
{
    return TestDirs::root() + QLatin1Char('/') + QLatin1String(name);
}

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class SelectionFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pelvaro::test::installSampleCatalogue(dataDir());
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(dataDir(), QString()));
    }

    // Selects 218 services, about every third, through the filter.
    void selectSome()
    {
        module->TableFilter().setFilter(QStringLiteral("(Bewertung > 2) or (Kategorie = 'A')"));
        module->TableFilter().setFiltered(true);
        module->FilterAuswahlUebernehmen();
        ASSERT_EQ(module->counters().AnzAusgewaehlt, 218);
    }

    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
};

} // namespace

TEST_F(SelectionFileTest, SavedFileHoldsOneEntryPerServiceInStoreOrder)
{
    selectSome();
    ASSERT_EQ(SelectionFile::save(*module, file("a.suc")), QString());
    const QByteArray bytes = read(file("a.suc"));
    ASSERT_EQ(bytes.size(), 5600);
    EXPECT_EQ(bytes.mid(4832), QByteArray(768, '\0')) << "no entries past the 604th";

    auto& tmp = module->TableTMP();
    int selected = 0;
    for (int i = 0; i < tmp.rowCount(); ++i) {
        const char* entry = bytes.constData() + 8 * i;
        EXPECT_EQ(qFromLittleEndian<qint32>(entry),
                  tmp.valueAt(i, tmp.fieldIndex(QStringLiteral("Nr"))).toInt());
        const QVariant flag = tmp.valueAt(i, tmp.fieldIndex(QStringLiteral("Ausgewaehlt")));
        EXPECT_EQ(entry[4], flag.isValid() && flag.toBool() ? 1 : 0);
        EXPECT_EQ(QByteArray(entry + 5, 3), QByteArray(3, '\0'));
        selected += entry[4];
    }
    EXPECT_EQ(selected, module->counters().AnzAusgewaehlt);
}

TEST_F(SelectionFileTest, LoadingRestoresTheSavedSelection)
{
    selectSome();
    const SelectionCounters saved = module->counters();
    ASSERT_EQ(SelectionFile::save(*module, file("a.suc")), QString());
    module->AllesAuswaehlen();
    ASSERT_EQ(SelectionFile::load(*module, file("a.suc")), SelectionFile::LoadResult::Loaded);
    EXPECT_EQ(module->counters(), saved);
    EXPECT_EQ(SelectionFile::build(*module), read(file("a.suc")));
}

TEST_F(SelectionFileTest, ForeignFilesApplyUpToTheFirstMismatch)
{
    QByteArray bytes = SelectionFile::build(*module);
    // Entries 0 and 1 select, entry 2 carries a byte of 2 (unselects), entry 3 has a
    // number out of step: from there on nothing changes.
    module->AllesAuswaehlen();
    const SelectionCounters all = module->counters();
    bytes[4] = 1;
    bytes[12] = 1;
    bytes[20] = 2;
    qToLittleEndian<qint32>(99999, bytes.data() + 24);
    bytes[28] = 0;
    bytes[36] = 0;
    SelectionFile::apply(*module, bytes);
    EXPECT_EQ(module->counters().AnzAusgewaehlt, all.AnzAusgewaehlt - 1);
    auto& tmp = module->TableTMP();
    const int flag = tmp.fieldIndex(QStringLiteral("Ausgewaehlt"));
    EXPECT_TRUE(tmp.valueAt(0, flag).toBool());
    EXPECT_FALSE(tmp.valueAt(2, flag).toBool());
    EXPECT_TRUE(tmp.valueAt(3, flag).toBool());
    EXPECT_TRUE(tmp.valueAt(4, flag).toBool());

    // A first entry out of step changes nothing, but the counts are taken anew.
    QByteArray foreign(5600, '\0');
    qToLittleEndian<qint32>(-7, foreign.data());
    foreign[4] = 0;
    module->counters() = SelectionCounters{};
    SelectionFile::apply(*module, foreign);
    EXPECT_EQ(module->counters().AnzAusgewaehlt, all.AnzAusgewaehlt - 1);
}

TEST_F(SelectionFileTest, ShortLongAndMissingFiles)
{
    selectSome();
    const SelectionCounters before = module->counters();
    QByteArray bytes = SelectionFile::build(*module);
    for (int i = 0; i < 604; ++i)
        bytes[8 * i + 4] = 0;

    write(file("short.suc"), bytes.left(5599));
    EXPECT_THROW(SelectionFile::load(*module, file("short.suc")), pelvaro::Error);
    EXPECT_EQ(module->counters(), before) << "a short file leaves the selection as it was";

    write(file("long.suc"), bytes + QByteArray(100, '\x01'));
    EXPECT_EQ(SelectionFile::load(*module, file("long.suc")), SelectionFile::LoadResult::Loaded);
    EXPECT_EQ(module->counters().AnzAusgewaehlt, 0);

    EXPECT_EQ(SelectionFile::load(*module, file("fehlt.suc")), SelectionFile::LoadResult::NotFound);
}

TEST_F(SelectionFileTest, CommandsTalkToTheUser)
{
    selectSome();
    // Save: dialog, wait notice, success message.
    ui.answerFile(file("b.suc"));
    SelectionFile::saveCommand(ui, *module);
    EXPECT_EQ(read(file("b.suc")).size(), 5600);
    EXPECT_EQ(ui.lastWaitText(), QStringLiteral("Die Daten werden gespeichert, bitte warten ..."));
    EXPECT_FALSE(ui.waitNoticeShown());
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Die Datei %1 wurde erfolgreich gespeichert.").arg(file("b.suc")));
    EXPECT_EQ(ui.shown().front().title, QStringLiteral("Speichern der Suchdiensteauswahl"));

    // A file that cannot be written is reported, never shown as saved.
    const QString unwritable = TestDirs::root() + QStringLiteral("/kein/ordner/c.suc");
    ui.answerFile(unwritable);
    SelectionFile::saveCommand(ui, *module);
    // The reason comes from the system; the sentence before it is ours.
    EXPECT_TRUE(ui.messageTexts().last().startsWith(
        QStringLiteral("Die Datei %1 konnte nicht gespeichert werden.\n\n").arg(unwritable)))
        << ui.messageTexts().last().toStdString();
    EXPECT_EQ(ui.shown().back().messageKind, MessageKind::Error);

    // Cancel does nothing.
    const auto shownBefore = ui.shown().size();
    ui.answerFile(std::nullopt);
    SelectionFile::loadCommand(ui, *module);
    EXPECT_EQ(ui.shown().size(), shownBefore + 1) << "only the dialog";

    ui.answerFile(file("fehlt.suc"));
    SelectionFile::loadCommand(ui, *module);
    EXPECT_EQ(ui.messageTexts().last(), QStringLiteral("Datei nicht gefunden!"));
    EXPECT_EQ(ui.shown().back().messageKind, MessageKind::Warning);

    write(file("short.suc"), QByteArray(10, '\0'));
    ui.answerFile(file("short.suc"));
    SelectionFile::loadCommand(ui, *module);
    EXPECT_EQ(ui.shown().back().kind, ScriptedUiServices::Shown::Kind::GeneralError);
}
