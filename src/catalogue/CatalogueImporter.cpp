#include "catalogue/CatalogueImporter.h"

#include "base/DayNumber.h"
#include "base/Error.h"
#include "catalogue/CsvReader.h"
#include "catalogue/store/CatalogueDatabase.h"
#include "catalogue/store/Database.h"
#include "catalogue/store/TableSchema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <limits>

namespace pelvaro::catalogue {

using store::CatalogueSchema;
using store::Database;
using store::FieldDef;
using store::FieldType;
using store::TableDef;

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2")
                        .arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter) && !bytes.contains("\xEF\xBF\xBD"))
        throw Error(QStringLiteral("Die Datei %1 ist nicht in UTF-8 geschrieben.").arg(path));
    return text;
}

// Turns one cell into the value the store keeps; throws a message without file and line.
QVariant convert(const QString& cell, const FieldDef& field)
{
    if (cell.isEmpty())
        return {};
    const auto bad = [&field, &cell](const QString& expected) {
        return Error(
            QStringLiteral("Der Wert \"%1\" im Feld %2 ist %3.").arg(cell, field.name, expected));
    };
    switch (field.type) {
    case FieldType::Text:
        if (cell.size() > field.size)
            throw Error(QStringLiteral("Der Text im Feld %1 ist länger als %2 Zeichen.")
                            .arg(field.name)
                            .arg(field.size));
        return cell;
    case FieldType::Boolean:
        if (cell.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return 1;
        if (cell.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return 0;
        throw bad(QStringLiteral("weder True noch False"));
    case FieldType::AutoIncrement:
    case FieldType::Integer:
    case FieldType::SmallInt: {
        bool ok = false;
        const qlonglong number = cell.trimmed().toLongLong(&ok);
        const qlonglong limit = field.type == FieldType::SmallInt
                                    ? std::numeric_limits<qint16>::max()
                                    : std::numeric_limits<qint32>::max();
        if (!ok || number > limit || number < -limit - 1)
            throw bad(field.type == FieldType::SmallInt ? QStringLiteral("keine 16-Bit-Ganzzahl")
                                                        : QStringLiteral("keine 32-Bit-Ganzzahl"));
        return number;
    }
    case FieldType::DateTime: {
        QDateTime when = QDateTime::fromString(cell, Qt::ISODate);
        if (!when.isValid()) {
            const QDate date = QDate::fromString(cell, Qt::ISODate);
            if (date.isValid())
                when = QDateTime(date, QTime(0, 0));
        }
        if (!when.isValid() || cell.size() < 10)
            throw bad(QStringLiteral("kein Datum der Form JJJJ-MM-TT"));
        return base::DayNumber::fromDateTime(when);
    }
    }
    return cell;
}

void importTable(Database& db, const TableDef& table, const QString& path)
{
    const QString fileName = QFileInfo(path).fileName();
    const std::vector<CsvRecord> records = CsvReader::parse(readText(path), fileName);
    if (records.empty())
        throw Error(QStringLiteral("%1: die Datei enthält keine Kopfzeile.").arg(fileName));

    // Map each column to a field of the table.
    const CsvRecord& header = records.front();
    QList<int> fieldOfColumn;
    QStringList columns;
    for (const QString& name : header.fields) {
        const int index = table.fieldIndex(name.trimmed());
        if (index < 0)
            throw Error(QStringLiteral("%1, Zeile %2: unbekannte Spalte \"%3\".")
                            .arg(fileName)
                            .arg(header.line)
                            .arg(name));
        if (fieldOfColumn.contains(index))
            throw Error(QStringLiteral("%1, Zeile %2: die Spalte \"%3\" steht doppelt da.")
                            .arg(fileName)
                            .arg(header.line)
                            .arg(name));
        fieldOfColumn << index;
        columns << Database::quoted(table.fields.at(index).name);
    }
    const FieldDef* key = table.autoIncrementField();
    if (key && !fieldOfColumn.contains(table.fieldIndex(key->name)))
        throw Error(QStringLiteral("%1, Zeile %2: die Spalte %3 fehlt.")
                        .arg(fileName)
                        .arg(header.line)
                        .arg(key->name));

    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    store::Statement insert =
        db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(Database::quoted(table.name), columns.join(QStringLiteral(", ")),
                            marks.join(QStringLiteral(", "))));
    for (size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        try {
            if (record.fields.size() != header.fields.size())
                throw Error(QStringLiteral("Die Zeile hat %1 statt %2 Felder.")
                                .arg(record.fields.size())
                                .arg(header.fields.size()));
            insert.reset();
            for (qsizetype c = 0; c < record.fields.size(); ++c) {
                const FieldDef& field = table.fields.at(fieldOfColumn.at(c));
                const QVariant value = convert(record.fields.at(c), field);
                if (key && field.name == key->name && !value.isValid())
                    throw Error(QStringLiteral("Das Feld %1 braucht einen Wert.").arg(key->name));
                insert.bind(int(c) + 1, value);
            }
            insert.step();
        } catch (const Error& e) {
            throw Error(
                QStringLiteral("%1, Zeile %2: %3").arg(fileName).arg(record.line).arg(e.message()));
        }
    }
}

} // namespace

void CatalogueImporter::importInto(Database& db, const QString& sourceDirectory)
{
    importTable(db, CatalogueSchema::dba(), sourceDirectory + QStringLiteral("/dba.csv"));
    importTable(db, CatalogueSchema::dbc(), sourceDirectory + QStringLiteral("/dbc.csv"));
    importTable(db, CatalogueSchema::dbd(), sourceDirectory + QStringLiteral("/dbd.csv"));
}

int CatalogueImporter::importDirectory(const QString& sourceDirectory, const QString& dataDirectory)
{
    if (!QDir().mkpath(dataDirectory))
        throw Error(
            QStringLiteral("Das Verzeichnis %1 kann nicht angelegt werden.").arg(dataDirectory));
    const QString target = store::CatalogueDatabase::filePath(dataDirectory);
    const QString building = target + QStringLiteral(".neu");
    QFile::remove(building);
    int services = 0;
    try {
        Database db;
        db.open(building, Database::Mode::CreateIfMissing);
        store::Transaction transaction(db);
        store::CatalogueDatabase::createSchema(db);
        importInto(db, sourceDirectory);
        store::Statement count = db.prepare(QStringLiteral("SELECT COUNT(*) FROM dba"));
        count.step();
        services = int(count.columnInt64(0));
        transaction.commit();
        db.close();
    } catch (...) {
        QFile::remove(building);
        throw;
    }
    try {
        store::CatalogueDatabase::releaseForReplacement(target);
    } catch (...) {
        QFile::remove(building);
        throw;
    }
    // The new catalogue replaces the old one in a single step, so a reader never sees half.
    if (std::rename(QFile::encodeName(building).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        QFile::remove(building);
        throw Error(QStringLiteral("Der Katalog %1 kann nicht ersetzt werden.").arg(target));
    }
    return services;
}

} // namespace pelvaro::catalogue
