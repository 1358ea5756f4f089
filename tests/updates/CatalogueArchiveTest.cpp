// Installing a catalogue archive into the open catalogue, and refusing broken ones.
#include "updates/CatalogueArchive.h"

#include "base/Error.h"
#include "catalogue/TDataModule1.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QDate>
#include <QFile>

#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <utility>

using pelvaro::catalogue::TDataModule1;
using pelvaro::test::engine;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using pelvaro::updates::CatalogueArchive;

namespace {

const QByteArray header = "Nr,Name,URL,NurManuell,Ausgewaehlt,ZuletztRegistriert\r\n";
// Alpha renamed, Beta unchanged, Gamma gone, Delta new; the archive's own marks are not
// the user's and must not win.
const QByteArray newServices = header + "1,Alpha neu,http://alpha.example/,False,False,\r\n"
                                        "2,Beta,http://beta.example/,False,False,\r\n"
                                        "4,Delta,http://delta.example/,False,True,\r\n";
const QByteArray categories = "KategorieID,EngineID,KategorieNrInVindrel,KategorieInEngine\r\n"
                              "1,4,1,c001\r\n";
const QByteArray fields = "FelderID,EngineID,FeldNrInVindrel,FeldNameInEngine\r\n"
                          "1,4,2,url\r\n";

// An archive with any entry names, as write() never makes them.
QString rawArchive(const QString& path, const std::vector<std::pair<QByteArray, QByteArray>>& files)
{
    archive* a = archive_write_new();
    archive_write_add_filter_gzip(a);
    archive_write_set_format_pax_restricted(a);
    archive_write_open_filename(a, QFile::encodeName(path).constData());
    for (const auto& [name, bytes] : files) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.constData());
        archive_entry_set_size(entry, bytes.size());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_write_header(a, entry);
        archive_write_data(a, bytes.constData(), size_t(bytes.size()));
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
    return path;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CatalogueArchiveTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        pelvaro::test::createCatalogue(
            data, {engine(1, QStringLiteral("Alpha"),
                          {{QStringLiteral("Ausgewaehlt"), true},
                           {QStringLiteral("NurManuell"), true},
                           {QStringLiteral("ZuletztRegistriert"), QDate(2026, 11, 3)}}),
                   engine(2, QStringLiteral("Beta")),
                   engine(3, QStringLiteral("Gamma"), {{QStringLiteral("Ausgewaehlt"), true}})});
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QStringLiteral("2.9")));
    }

    QString archive(const QByteArray& dba, const QByteArray& dbc = categories,
                    const QByteArray& dbd = fields)
    {
        const QString path = TestDirs::root() + QStringLiteral("/katalog.tar.gz");
        CatalogueArchive::write(path, dba, dbc, dbd);
        return path;
    }

    // Nr, name and the three kept fields of every service, in store order.
    QStringList services()
    {
        QStringList rows;
        for (const auto& row : module->storeOrder(
                 {QStringLiteral("Nr"), QStringLiteral("Name"), QStringLiteral("Ausgewaehlt"),
                  QStringLiteral("NurManuell"), QStringLiteral("ZuletztRegistriert")})) {
            QStringList cells;
            for (const QVariant& v : row.values)
                cells << v.toString();
            rows << cells.join(u'|');
        }
        return rows;
    }

    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
};

} // namespace

TEST_F(CatalogueArchiveTest, InstallKeepsTheUsersMarksByNumberAndRefreshesTheViews)
{
    module->TableEngToSend().first();
    EXPECT_EQ(module->counters().AnzAusgewaehlt, 2);
    const QString before = services().at(0);
    EXPECT_EQ(CatalogueArchive::install(*module, archive(newServices)), 3);

    const QStringList after = services();
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(after.at(0), QStringLiteral("1|Alpha neu|") + before.section(u'|', 2))
        << "selection, manual mark and date of service 1 kept";
    EXPECT_TRUE(after.at(1).startsWith(QStringLiteral("2|Beta|false|false|")));
    EXPECT_TRUE(after.at(2).startsWith(QStringLiteral("4|Delta|true|false|")))
        << "a new service comes as the archive has it";
    EXPECT_EQ(module->counters().AnzAusgewaehlt, 2) << "Alpha and Delta";
    EXPECT_EQ(module->counters().AnzNichtAusgewaehlt, 1);
    EXPECT_EQ(module->AnzahlDatensaetze(QStringLiteral("TableEngToSend")), 2);
    EXPECT_EQ(
        module->mappingRows(QStringLiteral("dbc"), 4, {QStringLiteral("KategorieInEngine")}).size(),
        1u);
}

TEST_F(CatalogueArchiveTest, SourcesInATopFolderAreFound)
{
    const QString path = TestDirs::root() + QStringLiteral("/ordner.tar.gz");
    CatalogueArchive::write(path, newServices, categories, fields,
                            QStringLiteral("pelvaro-katalog-3.0"));
    EXPECT_EQ(CatalogueArchive::install(*module, path), 3);
}

TEST_F(CatalogueArchiveTest, BrokenArchivesLeaveTheCatalogueAsItWas)
{
    const QStringList before = services();
    const QString store = TestDirs::programDir() + QStringLiteral("/daten/pelvarodaten.db");
    const QByteArray storeBytes = fileBytes(store);
    ASSERT_FALSE(storeBytes.isEmpty());
    const auto broken = [this](const QString& path, const QString& reasonPart) {
        try {
            CatalogueArchive::install(*module, path);
            ADD_FAILURE() << "installed: " << reasonPart.toStdString();
        } catch (const pelvaro::Error& e) {
            EXPECT_TRUE(e.message().contains(reasonPart)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("bleibt unverändert")));
        }
    };
    const QString plain = TestDirs::root() + QStringLiteral("/kein-archiv.tar.gz");
    {
        QFile file(plain);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Nr,Name\r\n1,Alpha\r\n");
    }
    broken(plain, QStringLiteral("kein Katalog-Archiv"));
    broken(TestDirs::root() + QStringLiteral("/fehlt.tar.gz"), QStringLiteral("nicht vorhanden"));

    QByteArray whole;
    {
        QFile file(archive(newServices));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        whole = file.readAll();
    }
    const QString truncated = TestDirs::root() + QStringLiteral("/halb.tar.gz");
    {
        QFile file(truncated);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(whole.left(whole.size() / 2));
    }
    broken(truncated, QStringLiteral("beschädigt"));
    broken(archive(newServices, categories, QByteArray()), QStringLiteral("Kopfzeile"));
    broken(archive(header + "1,Alpha,http://a.example/,Vielleicht,False,\r\n"),
           QStringLiteral("dba.csv, Zeile 2"));
    // A source that unpacks beyond the cap is refused before it fills the memory.
    broken(archive(header + QByteArray(CatalogueArchive::EntryCap + 1, 'x')),
           QStringLiteral("zu groß"));

    const QString empty = TestDirs::root() + QStringLiteral("/leer.tar.gz");
    QFile(empty).open(QIODevice::WriteOnly);
    broken(empty, QStringLiteral("kein Katalog-Archiv"));
    const QString partial = TestDirs::root() + QStringLiteral("/teil.tar.gz");
    broken(rawArchive(partial, {{"dba.csv", newServices}, {"dbd.csv", fields}}),
           QStringLiteral("keine Datei dbc.csv"));
    // Names that would leave the folder if anyone unpacked them.
    for (const QByteArray& name : {QByteArray("../dbc.csv"), QByteArray("/tmp/dbc.csv"),
                                   QByteArray("katalog/../../dbc.csv")}) {
        const QString hostile = TestDirs::root() + QStringLiteral("/pfad.tar.gz");
        broken(rawArchive(hostile,
                          {{"dba.csv", newServices}, {name, categories}, {"dbd.csv", fields}}),
               QStringLiteral("unzulässigen Dateinamen \"%1\"").arg(QString::fromLatin1(name)));
    }

    EXPECT_EQ(fileBytes(store), storeBytes);
    EXPECT_EQ(services(), before);
    EXPECT_EQ(module->counters().AnzAusgewaehlt, 2);
    EXPECT_EQ(module->AnzahlDatensaetze(QStringLiteral("TableEngToSend")), 2);
    // Still the working catalogue: the next good archive installs.
    EXPECT_EQ(CatalogueArchive::install(*module, archive(newServices)), 3);
}
