#include "CatalogueFixture.h"

#include "catalogue/store/CatalogueDatabase.h"
#include "catalogue/store/Database.h"
#include "catalogue/store/TableSchema.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace pelvaro::test {

using catalogue::store::CatalogueDatabase;
using catalogue::store::CatalogueSchema;
using catalogue::store::Database;
using catalogue::store::TableDef;

QVariantMap engine(int nr, const QString& name, const QVariantMap& extra)
{
    QVariantMap row{
        {QStringLiteral("Nr"), nr},
        {QStringLiteral("Name"), name},
        {QStringLiteral("URL"), QStringLiteral("http://www.dienst%1.example/").arg(nr)},
        {QStringLiteral("ManuellURL"),
         QStringLiteral("http://www.dienst%1.example/anmelden").arg(nr)},
        {QStringLiteral("Action"), QStringLiteral("http://www.dienst%1.example/add.cgi").arg(nr)},
        {QStringLiteral("Kategorie"), QStringLiteral("S")},
        {QStringLiteral("Methode"), QStringLiteral("G")},
        {QStringLiteral("Status"), 0},
        {QStringLiteral("NurManuell"), false},
        {QStringLiteral("Bewertung"), 2},
        {QStringLiteral("KostetGeld"), false},
        {QStringLiteral("Ausgewaehlt"), false},
        {QStringLiteral("CodeFuerFlagge"), 17},
        {QStringLiteral("Ref"), false},
    };
    for (auto it = extra.constBegin(); it != extra.constEnd(); ++it)
        row.insert(it.key(), it.value());
    return row;
}

namespace {

void insertRows(Database& db, const TableDef& table, const std::vector<QVariantMap>& rows)
{
    for (const QVariantMap& row : rows) {
        QStringList columns;
        QStringList marks;
        QVariantList values;
        for (auto it = row.constBegin(); it != row.constEnd(); ++it) {
            const auto* field = table.field(it.key());
            ASSERT_NE(field, nullptr) << it.key().toStdString();
            columns << Database::quoted(field->name);
            marks << QStringLiteral("?");
            values << it.value();
        }
        auto insert =
            db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(Database::quoted(table.name), columns.join(QLatin1Char(',')),
                                marks.join(QLatin1Char(','))));
        insert.bindAll(values);
        insert.step();
    }
}

} // namespace

void createCatalogue(const QString& dataDirectory, const std::vector<QVariantMap>& dba,
                     const std::vector<QVariantMap>& dbc, const std::vector<QVariantMap>& dbd)
{
    QDir().mkpath(dataDirectory);
    const QString path = CatalogueDatabase::filePath(dataDirectory);
    QFile::remove(path);
    Database db;
    db.open(path, Database::Mode::CreateIfMissing);
    db.begin();
    CatalogueDatabase::createSchema(db);
    insertRows(db, CatalogueSchema::dba(), dba);
    insertRows(db, CatalogueSchema::dbc(), dbc);
    insertRows(db, CatalogueSchema::dbd(), dbd);
    db.commit();
}

void installSampleCatalogue(const QString& dataDirectory)
{
    QDir().mkpath(dataDirectory);
    const QString target = CatalogueDatabase::filePath(dataDirectory);
    QFile::remove(target);
    ASSERT_TRUE(QFile::copy(
        CatalogueDatabase::filePath(QStringLiteral(PELVARO_BINARY_DIR "/daten")), target))
        << "the build prepares the sample catalogue";
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
}

QString sampleCatalogueSource()
{
    return QStringLiteral(PELVARO_SOURCE_DIR "/resources/catalogue");
}

} // namespace pelvaro::test
