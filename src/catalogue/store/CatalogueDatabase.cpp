#include "catalogue/store/CatalogueDatabase.h"

#include "base/Error.h"
#include "catalogue/store/Database.h"
#include "catalogue/store/TableSchema.h"

#include <QFileInfo>
#include <QStringList>

namespace pelvaro::catalogue::store {

QString CatalogueDatabase::filePath(const QString& dataDirectory)
{
    return dataDirectory + QStringLiteral("/pelvarodaten.db");
}

namespace {

QString sqlType(FieldType type)
{
    switch (type) {
    case FieldType::AutoIncrement:
    case FieldType::Integer:
    case FieldType::SmallInt:
    case FieldType::Boolean:
        return QStringLiteral("INTEGER");
    case FieldType::DateTime:
        return QStringLiteral("REAL");
    case FieldType::Text:
        return QStringLiteral("TEXT");
    }
    return QStringLiteral("TEXT");
}

} // namespace

void CatalogueDatabase::createSchema(Database& db)
{
    for (const TableDef* table : CatalogueSchema::tables()) {
        QStringList columns;
        for (const FieldDef& field : table->fields) {
            QString column = Database::quoted(field.name) + QLatin1Char(' ') + sqlType(field.type);
            // The rowid stays the store order; the key is a column of its own so that rows
            // keep the order in which they were added, whatever their numbers.
            if (field.type == FieldType::AutoIncrement)
                column += QStringLiteral(" NOT NULL UNIQUE");
            columns << column;
        }
        db.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                    .arg(Database::quoted(table->name), columns.join(QStringLiteral(", "))));
        for (const IndexDef& index : table->indexes) {
            QStringList fields;
            for (const QString& name : index.fields) {
                const FieldDef* def = table->field(name);
                fields << Database::quoted(def->name) +
                              (def->type == FieldType::Text
                                   ? QStringLiteral(" COLLATE ") + Database::collationName()
                                   : QString());
            }
            db.exec(QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                        .arg(Database::quoted(table->name + QLatin1Char('_') + index.name),
                             Database::quoted(table->name), fields.join(QStringLiteral(", "))));
        }
    }
}

void CatalogueDatabase::upgradeSchema(Database& db)
{
    const TableDef& dba = CatalogueSchema::dba();
    if (!db.tableExists(dba.name))
        return; // verifySchema names what is missing
    const QStringList columns = db.columnsOf(dba.name);
    for (const char* name : {"IndexNow", "Ausstehend"}) {
        const FieldDef* field = dba.field(QLatin1String(name));
        if (columns.contains(field->name, Qt::CaseInsensitive))
            continue;
        db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                    .arg(Database::quoted(dba.name), Database::quoted(field->name),
                         sqlType(field->type)));
    }
}

void CatalogueDatabase::verifySchema(Database& db)
{
    for (const TableDef* table : CatalogueSchema::tables()) {
        if (!db.tableExists(table->name))
            throw Error(QStringLiteral("Die Tabelle %1 fehlt in der Datenbank.").arg(table->name));
        const QStringList columns = db.columnsOf(table->name);
        for (const FieldDef& field : table->fields)
            if (!columns.contains(field.name, Qt::CaseInsensitive))
                throw Error(QStringLiteral("In der Tabelle %1 fehlt das Feld %2.")
                                .arg(table->name, field.name));
    }
}

void CatalogueDatabase::configureConnection(Database& db)
{
    try {
        db.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    } catch (const Error&) {
        // A file that cannot be written (or a folder without room for the log) is read as it
        // is; the first change then fails where it would have failed anyway.
    }
    // Each commit is synced: a selection or a date once posted must survive a power cut.
    db.exec(QStringLiteral("PRAGMA synchronous = FULL"));
}

void CatalogueDatabase::releaseForReplacement(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return;
    Database old;
    try {
        old.open(path, Database::Mode::OpenExisting);
        old.setBusyTimeout(500);
        old.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    } catch (const BusyError&) {
        throw Error(QStringLiteral("Der Katalog %1 ist noch in einem anderen Programm "
                                   "geöffnet. Bitte beenden Sie es und versuchen Sie es "
                                   "erneut.")
                        .arg(path));
    } catch (const Error&) {
        // Any other failure is the replacement's to meet: it reads the file anyway.
    }
}

} // namespace pelvaro::catalogue::store
