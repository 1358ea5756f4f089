// Site-info files with their dates in a real catalogue, driven as the user drives them.
#include "site/RecentFileList.h"
#include "site/SiteDocument.h"
#include "site/SiteForm.h"

#include "catalogue/CatalogueSiteDates.h"
#include "catalogue/TDataModule1.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QFile>
#include <QSignalSpy>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>

using pelvaro::base::MessageAnswer;
using pelvaro::base::MessageKind;
using pelvaro::catalogue::CatalogueSiteDates;
using pelvaro::catalogue::TDataModule1;
using pelvaro::site::RecentFileList;
using pelvaro::site::SiteDocument;
using pelvaro::site::SiteRecord;
using pelvaro::test::engine;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

// The page's controls, as far as the file logic sees them.
class FakeForm : public pelvaro::site::SiteForm
{
public:
    void readInto(SiteRecord& record) const override
    {
        const auto keys = record.Key;
        const auto dates = record.dates;
        record = onScreen;
        record.Key = keys;
        record.dates = dates;
        record.FullName.clear();
    }
    void showRecord(const SiteRecord& record) override { onScreen = record; }

    SiteRecord onScreen;
};

QString file(const char* name)
{
    return TestDirs::root() + QLatin1Char('/') + QLatin1String(name);
}

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString dateField = QStringLiteral("ZuletztRegistriert");

class SiteFiles : public ::testing::Test
{
protected:
    void SetUp() override { useCatalogue({1, 2, 5}); }

    // A catalogue of the given service numbers in this store order, each with a date.
    void useCatalogue(const std::vector<int>& numbers)
    {
        document.reset();
        dates.reset();
        module.reset();
        std::vector<QVariantMap> rows;
        for (int nr : numbers)
            rows.push_back(
                engine(nr, QStringLiteral("Dienst %1").arg(nr), {{dateField, 40000.0 + nr}}));
        pelvaro::test::createCatalogue(dataDir(), rows);
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(dataDir(), QStringLiteral("x")));
        dates = std::make_unique<CatalogueSiteDates>(*module, ui);
        document = std::make_unique<SiteDocument>(ui, form, recent);
        document->setDateStore(dates.get());
    }

    QVariantList catalogueDates()
    {
        auto& tmp = module->TableTMP();
        tmp.first();
        QVariantList out;
        for (int row = 0; row < tmp.rowCount(); ++row)
            out << tmp.valueAt(row, tmp.fieldIndex(dateField));
        return out;
    }

    static QString dataDir() { return TestDirs::programDir() + QStringLiteral("/daten"); }

    ScriptedUiServices ui;
    FakeForm form;
    RecentFileList recent{TestDirs::root() + QStringLiteral("/settings.ini")};
    std::unique_ptr<TDataModule1> module;
    std::unique_ptr<CatalogueSiteDates> dates;
    std::unique_ptr<SiteDocument> document;
};

} // namespace

TEST_F(SiteFiles, SaveAsWritesTheRecordWithTheCatalogueDates)
{
    QSignalSpy captions(document.get(), &SiteDocument::captionChanged);
    form.onScreen.Clear();
    form.onScreen.FirstNameEdit = QString(30, QLatin1Char('F'));
    form.onScreen.LastNameEdit = QString(30, QLatin1Char('L'));
    form.onScreen.DescriptionMemo = QString(300, QLatin1Char('x'));
    form.onScreen.TitleEdit = QStringLiteral("Ω-Titel");
    document->setSiteModified(true);

    ui.answerFile(file("a.sit"));
    document->SaveAs();
    const QByteArray bytes = read(file("a.sit"));
    ASSERT_EQ(bytes.size(), 10395);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 1445 + 4 * i), -1);
    const SiteRecord saved = SiteRecord::decode(bytes);
    EXPECT_EQ(saved.FullName,
              QString(30, QLatin1Char('F')) + QLatin1Char(' ') + QString(29, QLatin1Char('L')));
    EXPECT_EQ(saved.DescriptionMemo.size(), 255);
    EXPECT_EQ(saved.TitleEdit, QStringLiteral("?-Titel")) << "Windows-1252 cannot hold an omega";
    // Three services numbered 1, 2, 5: their entries in store order, the rest zero.
    EXPECT_EQ(saved.dates[0], (pelvaro::site::EngineDateEntry{1, 40001.0}));
    EXPECT_EQ(saved.dates[1], (pelvaro::site::EngineDateEntry{2, 40002.0}));
    EXPECT_EQ(saved.dates[2], (pelvaro::site::EngineDateEntry{5, 40005.0}));
    EXPECT_EQ(bytes.mid(1995 + 36), QByteArray(10395 - 1995 - 36, '\0'));

    EXPECT_FALSE(document->SiteModified());
    EXPECT_EQ(document->CurrentSiteFile(), file("a.sit"));
    EXPECT_EQ(captions.last().first().toString(), QStringLiteral("Pelvaro! - a.sit"));
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Die Datei %1 wurde erfolgreich gespeichert.").arg(file("a.sit")));
    EXPECT_EQ(recent.entries(), QStringList{file("a.sit")});
    EXPECT_FALSE(ui.waitNoticeShown());
}

TEST_F(SiteFiles, OpeningRestoresTheDatesAndWarnsAboutAChangedCatalogue)
{
    ui.answerFile(file("a.sit"));
    document->SaveAs();
    ui.answerFile(file("a.sit"));
    document->Open();
    EXPECT_EQ(catalogueDates(), (QVariantList{40001.0, 40002.0, 40005.0}));

    // A service added at the end since: no warning, and it has no date (New cleared it).
    useCatalogue({1, 2, 5, 9});
    ui.answerFile(file("a.sit"));
    const auto before = ui.messageTexts().size();
    document->Open();
    EXPECT_EQ(ui.messageTexts().size(), before);
    EXPECT_EQ(catalogueDates(), (QVariantList{40001.0, 40002.0, 40005.0, QVariant()}));

    // A service removed from the middle: the dates before the gap, and the warning.
    useCatalogue({1, 5, 9});
    ui.answerFile(file("a.sit"));
    document->Open();
    EXPECT_TRUE(ui.messageTexts().last().startsWith(
        QStringLiteral("Die Anzahl der Suchdienste hat sich geändert.")));
    EXPECT_EQ(ui.shown().back().messageKind, MessageKind::Warning);
    EXPECT_EQ(catalogueDates(), (QVariantList{40001.0, QVariant(), QVariant()}));
}

TEST_F(SiteFiles, NewClearsTheDescriptionAndTheDates)
{
    form.onScreen.TitleEdit = QStringLiteral("Alt");
    document->New();
    EXPECT_EQ(form.onScreen.TitleEdit, QString());
    EXPECT_EQ(form.onScreen.LanguageCombo, -1);
    EXPECT_EQ(catalogueDates(), (QVariantList{QVariant(), QVariant(), QVariant()}));
    EXPECT_EQ(document->caption(), QStringLiteral("Pelvaro! - <Unbenannt>"));
    EXPECT_EQ(ui.lastWaitText(), QStringLiteral("Bitte warten ..."));
}

TEST_F(SiteFiles, ChangesAreOfferedForSavingAndNeverLost)
{
    form.onScreen.TitleEdit = QStringLiteral("Neu");
    document->setSiteModified(true);

    // Yes, then the save dialog is cancelled: nothing is emptied.
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(std::nullopt);
    EXPECT_FALSE(document->NewSite());
    EXPECT_EQ(form.onScreen.TitleEdit, QStringLiteral("Neu"));
    EXPECT_TRUE(document->SiteModified());
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Sollen die aktuellen Formulardaten zuvor gespeichert werden?"));

    // Yes with a file: saved under that name, then emptied.
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(file("b.sit"));
    EXPECT_TRUE(document->NewSite());
    EXPECT_EQ(SiteRecord::decode(read(file("b.sit"))).TitleEdit, QStringLiteral("Neu"));
    EXPECT_EQ(document->CurrentSiteFile(), SiteDocument::untitled());

    // A named file asks by its name; No empties without saving.
    ui.answerFile(file("b.sit"));
    document->Open();
    form.onScreen.TitleEdit = QStringLiteral("Geändert");
    document->setSiteModified(true);
    ui.answer(MessageAnswer::No);
    EXPECT_TRUE(document->Beenden());
    EXPECT_EQ(ui.messageTexts().last(),
              QStringLiteral("Soll die Datei %1 zuvor gespeichert werden?").arg(file("b.sit")));
    EXPECT_EQ(SiteRecord::decode(read(file("b.sit"))).TitleEdit, QStringLiteral("Neu"));
}

TEST_F(SiteFiles, FailuresAreToldAndLeaveTheWindowUsable)
{
    // Saving into a folder that does not exist: an error naming the file, still modified.
    document->setSiteModified(true);
    ui.answerFile(file("fehlt/x.sit"));
    document->SaveAs();
    EXPECT_EQ(ui.shown().back().messageKind, MessageKind::Error);
    EXPECT_TRUE(ui.messageTexts().last().startsWith(
        QStringLiteral("Die Datei %1 konnte nicht gespeichert werden.").arg(file("fehlt/x.sit"))));
    EXPECT_TRUE(document->SiteModified());
    EXPECT_EQ(document->CurrentSiteFile(), SiteDocument::untitled());
    document->setSiteModified(false);

    // A missing file: the warning, the caption still takes the name, the list keeps it.
    ui.answerFile(file("gibtsnicht.sit"));
    document->Open();
    EXPECT_EQ(ui.messageTexts().last(), QStringLiteral("Datei nicht gefunden!"));
    EXPECT_EQ(document->caption(), QStringLiteral("Pelvaro! - gibtsnicht.sit"));
    EXPECT_EQ(recent.entries().first(), file("gibtsnicht.sit"));

    // A short file: the input/output error, the window as after New.
    QFile shortFile(file("kurz.sit"));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(10394, 'A'));
    shortFile.close();
    form.onScreen.TitleEdit = QStringLiteral("bleibt nicht");
    ui.answerFile(file("kurz.sit"));
    document->Open();
    EXPECT_EQ(ui.shown().back().kind, ScriptedUiServices::Shown::Kind::GeneralError);
    EXPECT_EQ(form.onScreen.TitleEdit, QString());
}

TEST_F(SiteFiles, RecentFilesKeepSixNewestFirst)
{
    for (const char* name :
         {"1.sit", "2.sit", "3.sit", "4.sit", "5.sit", "6.sit", "7.sit", "3.sit"}) {
        ui.answerFile(file(name));
        document->SaveAs();
    }
    const QStringList expected{file("3.sit"), file("7.sit"), file("6.sit"),
                               file("5.sit"), file("4.sit"), file("2.sit")};
    EXPECT_EQ(recent.entries(), expected);
    RecentFileList reloaded(TestDirs::root() + QStringLiteral("/settings.ini"));
    reloaded.load();
    EXPECT_EQ(reloaded.entries(), expected);

    // Opening from the list does not reorder it.
    document->OpenRecent(file("5.sit"));
    EXPECT_EQ(recent.entries(), expected);
    EXPECT_EQ(document->CurrentSiteFile(), file("5.sit"));
}

TEST_F(SiteFiles, SelectionPageSaveWritesTheRecordAsItIs)
{
    form.onScreen.TitleEdit = QStringLiteral("Nur auf dem Bildschirm");
    document->record().TitleEdit = QStringLiteral("Im Datensatz");
    ui.answerFile(file("s.sit"));
    document->SaveOnSelectionPage();
    const SiteRecord saved = SiteRecord::decode(read(file("s.sit")));
    EXPECT_EQ(saved.TitleEdit, QStringLiteral("Im Datensatz"));
    EXPECT_EQ(saved.dates[0].nr, 0) << "no dates";
    EXPECT_TRUE(recent.entries().isEmpty());
    EXPECT_TRUE(ui.messageTexts().isEmpty());
}
