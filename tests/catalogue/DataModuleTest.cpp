#include "base/Error.h"
#include "catalogue/TDataModule1.h"

#include "catalogue/store/CatalogueDatabase.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using pelvaro::catalogue::SelectionCounters;
using pelvaro::catalogue::TDataModule1;
using pelvaro::catalogue::TURLHyperLinkInfo;
using pelvaro::test::createCatalogue;
using pelvaro::test::engine;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace pelvaro::catalogue {
void PrintTo(const SelectionCounters& c, std::ostream* out)
{
    *out << "{" << c.AnzNichtAusgewaehlt << ", " << c.AnzAusgewaehlt << ", " << c.AnzAutomatisch
         << ", " << c.AnzManuell << "}";
}
} // namespace pelvaro::catalogue

namespace {

QString dataDir()
{
    return TestDirs::programDir() + QStringLiteral("/daten");
}

const QString B = QStringLiteral("Ausgewaehlt");
const QString M = QStringLiteral("NurManuell");

// Five services: two selected (one manual), one without a selection value, two not selected
// (one manual).
void smallCatalogue()
{
    createCatalogue(dataDir(), {
                                   engine(1, QStringLiteral("Delta"), {{B, true}}),
                                   engine(2, QStringLiteral("alpha"), {{B, QVariant()}}),
                                   engine(3, QStringLiteral("Charlie"), {{B, true}, {M, true}}),
                                   engine(5, QStringLiteral("Bravo"), {{M, true}}),
                                   engine(4, QStringLiteral("Echo")),
                               });
}

QStringList names(pelvaro::catalogue::store::TableCursor& view)
{
    QStringList out;
    const int name = view.fieldIndex(QStringLiteral("Name"));
    for (int row = 0; row < view.rowCount(); ++row)
        out << view.valueAt(row, name).toString();
    return out;
}

} // namespace

TEST(DataModule, SampleCatalogueOpensSilentlyWithItsCounts)
{
    pelvaro::test::installSampleCatalogue(dataDir());
    ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(dataDir(), QString()));
    EXPECT_TRUE(ui.shown().empty());
    const SelectionCounters& c = module.counters();
    EXPECT_EQ(c.AnzNichtAusgewaehlt + c.AnzAusgewaehlt, 604);
    EXPECT_EQ(c.AnzAusgewaehlt, 0) << "nothing is selected when the program ships";
    EXPECT_EQ(module.TableTMP().rowCount(), 604);
    EXPECT_EQ(module.TableEngines().orderFields(), QStringList{QStringLiteral("Name")});
}

TEST(DataModule, SizeWarningOnlyBeforeTheFirstUpdate)
{
    std::vector<QVariantMap> rows;
    for (int nr = 1; nr <= 603; ++nr)
        rows.push_back(engine(nr, QStringLiteral("Dienst %1").arg(nr)));
    createCatalogue(dataDir(), rows);
    {
        ScriptedUiServices ui;
        TDataModule1 module(ui);
        ASSERT_TRUE(module.open(dataDir(), QString()));
        EXPECT_EQ(ui.messageTexts(), QStringList{QStringLiteral(
                                         "Fehler Nr. 12912 (603)- Die Datenbank ist beschädigt. "
                                         "\nBitte wenden Sie sich an die technische Hotline.\nEs "
                                         "wird empfohlen, die Anwendung zu beenden und die "
                                         "Datenbankdateien erneut zu installieren!")});
        EXPECT_EQ(ui.shown().front().messageKind, pelvaro::base::MessageKind::Warning);
        EXPECT_EQ(module.counters().AnzNichtAusgewaehlt, 603) << "work goes on";
    }
    ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(dataDir(), QStringLiteral("3.0")));
    EXPECT_TRUE(ui.shown().empty());
}

TEST(DataModule, MissingOrBrokenStoreEndsWithMessage12911)
{
    const QString text = TDataModule1::openFailureText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Fehler Nr. 12911 \n\nMögliche Ursache")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\n\nDie Anwendung wird nun beendet!")));

    // No store at all: the same number, but the file is named and what to do is said;
    // nothing blames an improper shutdown.
    {
        ScriptedUiServices ui;
        TDataModule1 module(ui);
        EXPECT_FALSE(module.open(dataDir(), QString()));
        const QString path = pelvaro::catalogue::store::CatalogueDatabase::filePath(dataDir());
        EXPECT_EQ(ui.messageTexts(), QStringList{TDataModule1::missingCatalogueText(path)});
        EXPECT_TRUE(ui.messageTexts().value(0).contains(path));
        EXPECT_TRUE(ui.messageTexts().value(0).startsWith(QStringLiteral("Fehler Nr. 12911 ")));
        EXPECT_FALSE(module.isOpen());
    }
    // A file that is no database, and a database without the catalogue's tables.
    QDir().mkpath(dataDir());
    QFile garbage(pelvaro::catalogue::store::CatalogueDatabase::filePath(dataDir()));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, '\x5a'));
    garbage.close();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 1) {
            QFile::remove(garbage.fileName());
            pelvaro::catalogue::store::Database db;
            db.open(garbage.fileName(), pelvaro::catalogue::store::Database::Mode::CreateIfMissing);
            db.exec(QStringLiteral("CREATE TABLE dba (Nr INTEGER)"));
        }
        ScriptedUiServices ui;
        TDataModule1 module(ui);
        EXPECT_FALSE(module.open(dataDir(), QString())) << attempt;
        EXPECT_EQ(ui.messageTexts(), QStringList{text}) << attempt;
    }
}

TEST(DataModule, ViewsSplitTheCatalogueAndCountersFollowEveryOperation)
{
    smallCatalogue();
    ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(dataDir(), QStringLiteral("x")));
    // A row without a selection value counts as not selected; lists are in name order.
    EXPECT_EQ(
        names(module.TableEngines()),
        (QStringList{QStringLiteral("alpha"), QStringLiteral("Bravo"), QStringLiteral("Echo")}));
    EXPECT_EQ(names(module.TableEngToSend()),
              (QStringList{QStringLiteral("Charlie"), QStringLiteral("Delta")}));
    EXPECT_EQ(names(module.TableAutomatischSenden()), QStringList{QStringLiteral("Delta")});
    EXPECT_EQ(names(module.TableManuellSenden()), QStringList{QStringLiteral("Charlie")});
    EXPECT_EQ(module.counters(), (SelectionCounters{3, 2, 1, 1}));

    // Select "Bravo" (manual) from the not-selected list.
    module.TableEngines().moveTo(1);
    module.EintragAuswaehlen();
    EXPECT_EQ(module.counters(), (SelectionCounters{2, 3, 1, 2}));
    EXPECT_EQ(names(module.TableManuellSenden()),
              (QStringList{QStringLiteral("Bravo"), QStringLiteral("Charlie")}));

    // Unselect "Delta" through the automatic list.
    module.EintragAbwaehlen(QStringLiteral("TableAutomatischSenden"));
    EXPECT_EQ(module.counters(), (SelectionCounters{3, 2, 0, 2}));
    EXPECT_TRUE(module.TableAutomatischSenden().isEmpty());

    module.AllesAuswaehlen();
    EXPECT_EQ(module.counters(), (SelectionCounters{0, 5, 3, 2}));
    EXPECT_TRUE(module.TableEngines().isEmpty());
    module.AllesNichtAuswaehlen();
    EXPECT_EQ(module.counters(), (SelectionCounters{5, 0, 0, 0}));

    // The incremental counts agree with a fresh count at every step.
    const SelectionCounters kept = module.counters();
    module.recount();
    EXPECT_EQ(module.counters(), kept);

    // Everything was posted to the file at once.
    ScriptedUiServices again;
    TDataModule1 reopened(again);
    ASSERT_TRUE(reopened.open(dataDir(), QStringLiteral("x")));
    EXPECT_EQ(reopened.counters(), (SelectionCounters{5, 0, 0, 0}));
}

TEST(DataModule, FilterDecidesTheWholeSelection)
{
    smallCatalogue();
    ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(dataDir(), QStringLiteral("x")));
    auto& filter = module.TableFilter();
    filter.setFilter(QStringLiteral("(NurManuell = 'True') or (Nr = 4)"));
    filter.setFiltered(true);
    module.FilterAuswahlUebernehmen();
    EXPECT_EQ(
        names(module.TableEngToSend()),
        (QStringList{QStringLiteral("Bravo"), QStringLiteral("Charlie"), QStringLiteral("Echo")}));
    EXPECT_EQ(module.counters(), (SelectionCounters{2, 3, 1, 2}));

    // The dialog's filter for "nothing ticked" lets no service pass.
    filter.setFilter(QStringLiteral("(Kategorie = 'X')"));
    filter.setFiltered(false);
    module.FilterAuswahlUebernehmen();
    EXPECT_EQ(module.counters(), (SelectionCounters{5, 0, 0, 0}));
}

TEST(DataModule, LinkInfoNeedsNameAndHomePage)
{
    createCatalogue(dataDir(), {engine(1, QStringLiteral("Ohne Startseite"),
                                       {{QStringLiteral("URL"), QVariant()}}),
                                engine(2, QStringLiteral("Ohne Anmeldeseite"),
                                       {{QStringLiteral("ManuellURL"), QString()}}),
                                engine(3, QStringLiteral("Vollständig"))});
    ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(dataDir(), QStringLiteral("x")));
    auto& tmp = module.TableTMP();
    tmp.moveTo(0);
    EXPECT_EQ(module.LinkInfoHolen(QStringLiteral("TableTMP")), TURLHyperLinkInfo());
    tmp.moveTo(1);
    EXPECT_EQ(module.LinkInfoHolen(QStringLiteral("TableTMP")),
              (TURLHyperLinkInfo{QStringLiteral("Ohne Anmeldeseite"),
                                 QStringLiteral("http://www.dienst2.example/"), QString()}));
    tmp.moveTo(2);
    EXPECT_EQ(module.LinkInfoHolen(QStringLiteral("TableTMP")).ManuellURL,
              QStringLiteral("http://www.dienst3.example/anmelden"));
    EXPECT_EQ(module.LinkInfoHolen(QStringLiteral("TableEngToSend")), TURLHyperLinkInfo())
        << "empty view";
}

TEST(DataModule, NewRowsAreRefusedWithTheirNumbers)
{
    createCatalogue(dataDir(), {engine(1, QStringLiteral("Eins"))},
                    {{{QStringLiteral("KategorieID"), 1},
                      {QStringLiteral("EngineID"), 1},
                      {QStringLiteral("KategorieNrInVindrel"), 5},
                      {QStringLiteral("KategorieInEngine"), QStringLiteral("Bau")}}},
                    {{{QStringLiteral("FelderID"), 1},
                      {QStringLiteral("EngineID"), 1},
                      {QStringLiteral("FeldNrInVindrel"), 2},
                      {QStringLiteral("FeldNameInEngine"), QStringLiteral("url")}}});
    ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(dataDir(), QStringLiteral("x")));
    module.TableKategorien().open();
    module.TableFelder().open();
    const std::pair<const char*, const char*> cases[] = {
        {"TableEngines", "Nicht kritischer Fehler-Nr. 88211!"},
        {"TableEngToSend", "Nicht kritischer Fehler-Nr. 88212!"},
        {"TableKategorien", "Nicht kritischer Fehler-Nr. 88213!"},
        {"TableFelder", "Nicht kritischer Fehler-Nr. 88214!"},
    };
    for (const auto& [view, message] : cases) {
        auto& cursor = module.view(QLatin1String(view));
        const int before = cursor.tableRecordCount();
        try {
            cursor.append({{QStringLiteral("Name"), QStringLiteral("Neu")}});
            ADD_FAILURE() << view << " accepted a new row";
        } catch (const pelvaro::Error& e) {
            EXPECT_EQ(e.message(), QLatin1String(message));
        }
        EXPECT_EQ(cursor.tableRecordCount(), before);
    }
    EXPECT_THROW(module.TableFelder().edit(), pelvaro::Error) << "the mapping views are read only";
}

TEST(DataModule, BulkOperationsFailAsAWholeAndKeepTheStepsBefore)
{
    smallCatalogue();
    ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(dataDir(), QStringLiteral("x")));
    // "Echo" (Nr 4) cannot be selected.
    module.database().exec(
        QStringLiteral("CREATE TRIGGER sperre BEFORE UPDATE OF Ausgewaehlt ON dba "
                       "WHEN NEW.Ausgewaehlt = 1 AND OLD.Nr = 4 BEGIN SELECT RAISE(ABORT, "
                       "'gesperrt'); END"));

    EXPECT_THROW(module.AllesAuswaehlen(), pelvaro::Error);
    EXPECT_EQ(module.counters(), (SelectionCounters{3, 2, 1, 1})) << "no row changed";
    EXPECT_EQ(names(module.TableEngToSend()),
              (QStringList{QStringLiteral("Charlie"), QStringLiteral("Delta")}));

    // The filter's first step, everything unselected, stays when its second fails.
    auto& filter = module.TableFilter();
    filter.setFilter(QStringLiteral("(Nr = 4) or (Nr = 1)"));
    EXPECT_THROW(module.FilterAuswahlUebernehmen(), pelvaro::Error);
    EXPECT_EQ(module.counters(), (SelectionCounters{5, 0, 0, 0}));
    EXPECT_TRUE(module.TableEngToSend().isEmpty());
    EXPECT_FALSE(module.database().inTransaction());

    module.database().exec(QStringLiteral("DROP TRIGGER sperre"));
    module.FilterAuswahlUebernehmen();
    EXPECT_EQ(names(module.TableEngToSend()),
              (QStringList{QStringLiteral("Delta"), QStringLiteral("Echo")}));
    EXPECT_EQ(module.counters(), (SelectionCounters{3, 2, 2, 0}));
}

TEST(DataModule, FilterOnTheSampleSelectsExactlyThePassingRows)
{
    pelvaro::test::installSampleCatalogue(dataDir());
    ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(dataDir(), QString()));
    const QString expression =
        QStringLiteral("((Kategorie = 'V') or (Kategorie = 'S')) and (Bewertung > 1)");
    module.AllesAuswaehlen();
    module.TableFilter().setFilter(expression);
    module.FilterAuswahlUebernehmen();

    // The selection, against a view that walks the same filter on its own.
    pelvaro::catalogue::store::TableCursor passing(
        module.database(), pelvaro::catalogue::store::CatalogueSchema::dba(),
        QStringLiteral("Probe"));
    passing.setFilter(expression);
    passing.setFiltered(true);
    passing.open();
    QStringList expected = names(passing);
    expected.sort();
    QStringList selected = names(module.TableEngToSend());
    selected.sort();
    EXPECT_EQ(selected, expected);
    EXPECT_EQ(module.counters(), (SelectionCounters{354, 250, 191, 59}));
    const SelectionCounters kept = module.counters();
    module.recount();
    EXPECT_EQ(module.counters(), kept);
}

TEST(DataModule, CatalogueOfAnOlderVersionGainsTheNewFieldsWhenOpened)
{
    createCatalogue(dataDir(),
                    {engine(1, QStringLiteral("Alt")), engine(2, QStringLiteral("Auch alt"))});
    const QString path = pelvaro::catalogue::store::CatalogueDatabase::filePath(dataDir());
    {
        // The catalogue as earlier versions (and their updates) wrote it.
        pelvaro::catalogue::store::Database db;
        db.open(path, pelvaro::catalogue::store::Database::Mode::OpenExisting);
        db.exec(QStringLiteral("ALTER TABLE dba DROP COLUMN IndexNow"));
        db.exec(QStringLiteral("ALTER TABLE dba DROP COLUMN Ausstehend"));
    }
    ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(dataDir(), QStringLiteral("3.0")));
    EXPECT_TRUE(ui.shown().empty());
    const auto rows = module.storeOrder({QStringLiteral("Name"), QStringLiteral("IndexNow")});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.front().values.at(0).toString(), QStringLiteral("Alt"));
    EXPECT_FALSE(rows.front().values.at(1).toBool()) << "old services are plain form services";
    EXPECT_EQ(module.AnzahlDatensaetze(QStringLiteral("TableEngines")), 2);
}
