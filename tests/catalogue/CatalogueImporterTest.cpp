#include "catalogue/CatalogueImporter.h"
#include "base/Error.h"
#include "catalogue/CsvReader.h"

#include "catalogue/store/CatalogueDatabase.h"
#include "catalogue/store/Database.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "catalogue/TDataModule1.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>

using pelvaro::catalogue::CatalogueImporter;
using pelvaro::catalogue::CsvReader;
using pelvaro::catalogue::store::CatalogueDatabase;
using pelvaro::catalogue::store::Database;
using pelvaro::test::TestDirs;

namespace {

QString source()
{
    return TestDirs::root() + QStringLiteral("/quelle");
}

QString dataDir()
{
    return TestDirs::programDir() + QStringLiteral("/daten");
}

void writeSource(const char* name, const QByteArray& text)
{
    QDir().mkpath(source());
    QFile f(source() + QLatin1Char('/') + QLatin1String(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

const QByteArray goodDba = "nr,NAME,URL,NurManuell,Ausgewaehlt,GeprueftAm,Bewertung,Bemerkung\n"
                           "7,\"Süd, Nord & Co\",http://a.example/,False,,2001-05-17,3,\"Sagt "
                           "\"\"hallo\"\"\nzweizeilig\"\n"
                           "2,Zweiter,http://b.example/,True,True,2001-05-17T12:00:00,0,\n";
const QByteArray goodDbc =
    "KategorieID,EngineID,KategorieNrInVindrel,KategorieInEngine\n1,7,13,Bildung\n";
const QByteArray goodDbd =
    "FelderID,EngineID,FeldNrInVindrel,FeldNameInEngine\r\n1,7,2,url;\r\n2,2,1,title;\r\n";

QByteArray hashOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1)
               : QByteArray();
}

} // namespace

TEST(CsvReader, QuotingAndLineNumbers)
{
    const auto records = CsvReader::parse(
        QStringLiteral("a,b,c\r\n\"x,1\",\"\"\"q\"\"\",\"zwei\nzeilen\"\n\n,,\nletzte"),
        QStringLiteral("t.csv"));
    ASSERT_EQ(records.size(), 4u) << "empty lines are no records";
    EXPECT_EQ(records[1].fields, (QStringList{QStringLiteral("x,1"), QStringLiteral("\"q\""),
                                              QStringLiteral("zwei\nzeilen")}));
    EXPECT_EQ(records[1].line, 2);
    EXPECT_EQ(records[2].fields, (QStringList{QString(), QString(), QString()}));
    EXPECT_EQ(records[2].line, 5);
    EXPECT_EQ(records[3].fields, QStringList{QStringLiteral("letzte")});

    const std::pair<const char*, const char*> broken[] = {
        {"a,b\n1,\"offen\n", "t.csv, Zeile 2: Das Anführungszeichen wird nicht geschlossen."},
        {"a,b\n1,x\"y\n", "t.csv, Zeile 2: Anführungszeichen mitten im Feld."},
        {"a\n\"q\"z\n", "t.csv, Zeile 2: Text nach dem schließenden Anführungszeichen."},
    };
    for (const auto& [text, message] : broken) {
        try {
            CsvReader::parse(QString::fromUtf8(text), QStringLiteral("t.csv"));
            ADD_FAILURE() << text;
        } catch (const pelvaro::Error& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(message));
        }
    }
}

TEST(CatalogueImporter, StoresRowsInFileOrderWithTheirValues)
{
    writeSource("dba.csv", goodDba);
    writeSource("dbc.csv", goodDbc);
    writeSource("dbd.csv", goodDbd);
    EXPECT_EQ(CatalogueImporter::importDirectory(source(), dataDir()), 2);

    Database db;
    db.open(CatalogueDatabase::filePath(dataDir()), Database::Mode::OpenExisting);
    auto rows = db.prepare(QStringLiteral("SELECT Nr, Name, NurManuell, Ausgewaehlt, GeprueftAm, "
                                          "Bemerkung, Kategorie FROM dba ORDER BY rowid"));
    ASSERT_TRUE(rows.step());
    EXPECT_EQ(rows.column(0).toInt(), 7) << "file order, not number order";
    EXPECT_EQ(rows.column(1).toString(), QStringLiteral("Süd, Nord & Co"));
    EXPECT_EQ(rows.column(2).toInt(), 0);
    EXPECT_FALSE(rows.column(3).isValid()) << "an empty cell is no value";
    EXPECT_DOUBLE_EQ(rows.column(4).toDouble(), 37028.0);
    EXPECT_EQ(rows.column(5).toString(), QStringLiteral("Sagt \"hallo\"\nzweizeilig"));
    EXPECT_FALSE(rows.column(6).isValid()) << "a missing column is no value";
    ASSERT_TRUE(rows.step());
    EXPECT_EQ(rows.column(0).toInt(), 2);
    EXPECT_EQ(rows.column(3).toInt(), 1);
    EXPECT_DOUBLE_EQ(rows.column(4).toDouble(), 37028.5);
    EXPECT_FALSE(rows.step());
}

struct BadSourceCase
{
    const char* name;
    const char* file;
    QByteArray text;
    const char* message;
};

class CatalogueImporterBadSource : public ::testing::TestWithParam<BadSourceCase>
{
};

TEST_P(CatalogueImporterBadSource, NamesFileAndLineAndKeepsTheOldCatalogue)
{
    pelvaro::test::createCatalogue(dataDir(), {pelvaro::test::engine(1, QStringLiteral("Alt"))});
    const QByteArray before = hashOf(CatalogueDatabase::filePath(dataDir()));
    writeSource("dba.csv", goodDba);
    writeSource("dbc.csv", goodDbc);
    writeSource("dbd.csv", goodDbd);
    writeSource(GetParam().file, GetParam().text);
    try {
        CatalogueImporter::importDirectory(source(), dataDir());
        ADD_FAILURE() << "imported";
    } catch (const pelvaro::Error& e) {
        EXPECT_TRUE(e.message().startsWith(QString::fromUtf8(GetParam().message)))
            << e.message().toStdString();
    }
    EXPECT_EQ(hashOf(CatalogueDatabase::filePath(dataDir())), before);
    EXPECT_EQ(QDir(dataDir()).entryList(QDir::Files),
              QStringList{QStringLiteral("pelvarodaten.db")});
}

INSTANTIATE_TEST_SUITE_P(
    Sources, CatalogueImporterBadSource,
    ::testing::Values(
        BadSourceCase{"BadBoolean", "dba.csv", "Nr,Name,Ref\n1,a,True\n2,b,ja\n",
                      "dba.csv, Zeile 3: Der Wert \"ja\" im Feld Ref"},
        BadSourceCase{"UnknownColumn", "dbc.csv", "KategorieID,Farbe\n1,rot\n",
                      "dbc.csv, Zeile 1: unbekannte Spalte \"Farbe\""},
        BadSourceCase{"TooFewCells", "dbd.csv", "FelderID,EngineID,FeldNrInVindrel\n1,2\n",
                      "dbd.csv, Zeile 2: Die Zeile hat 2 statt 3 Felder"},
        BadSourceCase{"DuplicateKey", "dba.csv", "Nr,Name\n1,a\n1,b\n",
                      "dba.csv, Zeile 3: Datenbankfehler"},
        BadSourceCase{"MissingKey", "dba.csv", "Nr,Name\n1,a\n,b\n",
                      "dba.csv, Zeile 3: Das Feld Nr braucht einen Wert"},
        BadSourceCase{"NoKeyColumn", "dba.csv", "Name\na\n",
                      "dba.csv, Zeile 1: die Spalte Nr fehlt"},
        BadSourceCase{"SmallIntTooLarge", "dba.csv", "Nr,Bewertung\n1,40000\n",
                      "dba.csv, Zeile 2: Der Wert \"40000\" im Feld Bewertung"},
        BadSourceCase{"BadDate", "dba.csv", "Nr,GeprueftAm\n1,17.05.2001\n",
                      "dba.csv, Zeile 2: Der Wert \"17.05.2001\" im Feld GeprueftAm"},
        BadSourceCase{"TextTooLong", "dba.csv", "Nr,Land\n1,DEU\n",
                      "dba.csv, Zeile 2: Der Text im Feld Land ist länger als 2 Zeichen"},
        BadSourceCase{"OpenQuote", "dbc.csv", "KategorieID\n\"1\n",
                      "dbc.csv, Zeile 2: Das Anführungszeichen"},
        BadSourceCase{"Empty", "dbd.csv", "", "dbd.csv: die Datei enthält keine Kopfzeile"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CatalogueImporter, TheShippedSourcesImport)
{
    EXPECT_EQ(CatalogueImporter::importDirectory(pelvaro::test::sampleCatalogueSource(), dataDir()),
              604);
    Database db;
    db.open(CatalogueDatabase::filePath(dataDir()), Database::Mode::OpenExisting);
    // Every form-field number the program knows, and some it does not, are in use.
    auto numbers = db.prepare(QStringLiteral(
        "SELECT COUNT(DISTINCT FeldNrInVindrel) FROM dbd WHERE FeldNrInVindrel BETWEEN 1 AND 46"));
    numbers.step();
    EXPECT_EQ(numbers.columnInt64(0), 46);
    auto flags = db.prepare(QStringLiteral("SELECT COUNT(DISTINCT CodeFuerFlagge), "
                                           "MIN(CodeFuerFlagge), MAX(CodeFuerFlagge) FROM dba"));
    flags.step();
    EXPECT_EQ(flags.columnInt64(0), 29);
    EXPECT_EQ(flags.columnInt64(2), 28);
}

// Real and invented services must never be mistaken for one another: a form sent to a real
// service, or an IndexNow post to an invented one. The only real ones are the public IndexNow
// endpoints, marked and posted to over https, without a form; every other service is unmarked
// and lives on reserved example domains only.
TEST(CatalogueImporter, TheShippedCatalogueMarksExactlyTheRealIndexNowEndpoints)
{
    ASSERT_EQ(CatalogueImporter::importDirectory(pelvaro::test::sampleCatalogueSource(), dataDir()),
              604);
    Database db;
    db.open(CatalogueDatabase::filePath(dataDir()), Database::Mode::OpenExisting);
    auto rows = db.prepare(QStringLiteral(
        "SELECT Nr, IndexNow, URL, ManuellURL, Action, Methode, "
        "(SELECT COUNT(*) FROM dbd WHERE dbd.EngineID = dba.Nr), "
        "(SELECT COUNT(*) FROM dbc WHERE dbc.EngineID = dba.Nr) FROM dba ORDER BY Nr"));
    const QStringList reserved{QStringLiteral(".example"),     QStringLiteral(".example.com"),
                               QStringLiteral(".example.net"), QStringLiteral(".example.org"),
                               QStringLiteral(".test"),        QStringLiteral(".invalid")};
    QStringList endpoints;
    int invented = 0;
    while (rows.step()) {
        const qint64 nr = rows.columnInt64(0);
        ASSERT_FALSE(rows.columnIsNull(1)) << nr << ": every service says whether it is one";
        const QUrl home(rows.column(2).toString());
        const QUrl post(rows.column(4).toString());
        if (rows.columnInt64(1) == 1) {
            endpoints << post.toString();
            EXPECT_EQ(home.scheme(), QStringLiteral("https")) << nr;
            EXPECT_EQ(post.scheme(), QStringLiteral("https")) << nr;
            EXPECT_TRUE(rows.column(3).toString().isEmpty()) << nr << ": no registration page";
            EXPECT_TRUE(rows.column(5).toString().isEmpty()) << nr << ": no form method";
            EXPECT_EQ(rows.columnInt64(6), 0) << nr << ": no form fields";
            EXPECT_EQ(rows.columnInt64(7), 0) << nr;
            continue;
        }
        ++invented;
        for (int column : {2, 3, 4}) {
            const QString address = rows.column(column).toString();
            if (address.isEmpty())
                continue;
            const QUrl url(address);
            EXPECT_EQ(url.scheme(), QStringLiteral("http")) << nr << ' ' << address.toStdString();
            EXPECT_TRUE(
                std::any_of(reserved.begin(), reserved.end(),
                            [&url](const QString& suffix) { return url.host().endsWith(suffix); }))
                << nr << ' ' << address.toStdString();
        }
    }
    EXPECT_EQ(invented, 598);
    endpoints.sort();
    EXPECT_EQ(endpoints, (QStringList{QStringLiteral("https://api.indexnow.org/indexnow"),
                                      QStringLiteral("https://indexnow.yep.com/indexnow"),
                                      QStringLiteral("https://search.seznam.cz/indexnow"),
                                      QStringLiteral("https://searchadvisor.naver.com/indexnow"),
                                      QStringLiteral("https://www.bing.com/indexnow"),
                                      QStringLiteral("https://yandex.com/indexnow")}));
}

TEST(CatalogueImporter, ACatalogueInUseIsNotReplaced)
{
    pelvaro::test::createCatalogue(dataDir(), {pelvaro::test::engine(1, QStringLiteral("Alt"))});
    writeSource("dba.csv", goodDba);
    writeSource("dbc.csv", goodDbc);
    writeSource("dbd.csv", goodDbd);
    {
        // The window keeps the catalogue open with its log beside it: a file put in its
        // place would be read together with that log.
        pelvaro::test::ScriptedUiServices ui;
        pelvaro::catalogue::TDataModule1 module(ui);
        ASSERT_TRUE(module.open(dataDir(), QStringLiteral("1")));
        module.AllesAuswaehlen();
        try {
            CatalogueImporter::importDirectory(source(), dataDir());
            ADD_FAILURE() << "replaced while open";
        } catch (const pelvaro::Error& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Der Katalog %1 ist noch in einem anderen "
                                                  "Programm geöffnet. Bitte beenden Sie es und "
                                                  "versuchen Sie es erneut.")
                                       .arg(CatalogueDatabase::filePath(dataDir())));
        }
        EXPECT_EQ(module.counters().AnzAusgewaehlt, 1) << "the open catalogue works on";
    }
    EXPECT_EQ(QDir(dataDir()).entryList(QDir::Files),
              QStringList{QStringLiteral("pelvarodaten.db")})
        << "no half-built file and no log left behind";
    EXPECT_EQ(CatalogueImporter::importDirectory(source(), dataDir()), 2);
}
