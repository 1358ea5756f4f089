#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace pelvaro::catalogue::store {

enum class FieldType
{
    AutoIncrement, // 32-bit integer the store assigns when a row is added without one
    Integer,       // 32-bit signed
    SmallInt,      // 16-bit signed
    Text,          // at most `size` characters
    Boolean,       // 0, 1 or no value
    DateTime       // days since 30 December 1899, the time of day as fraction
};

struct FieldDef
{
    QString name;
    FieldType type = FieldType::Text;
    int size = 0; // characters, for texts
};

struct IndexDef
{
    QString name;       // as the program names it, e.g. "IdxName"; the key index is "Primary"
    QStringList fields; // the ordering fields
    // What an index chooser shows: the field names joined by ";".
    QString displayName() const { return fields.join(QLatin1Char(';')); }
};

struct TableDef
{
    QString name;
    QList<FieldDef> fields;
    QList<IndexDef> indexes;

    // Field names are matched without regard to case; -1 when there is no such field.
    int fieldIndex(const QString& fieldName) const;
    const FieldDef* field(const QString& fieldName) const;
    const IndexDef* index(const QString& indexName) const;
    // The auto-increment field, or nullptr.
    const FieldDef* autoIncrementField() const;
};

// The three catalogue tables: dba (services), dbc (category rows), dbd (form-field rows).
class CatalogueSchema
{
public:
    static const TableDef& dba();
    static const TableDef& dbc();
    static const TableDef& dbd();
    // By table name, without regard to case; nullptr for an unknown table.
    static const TableDef* table(const QString& name);
    static QList<const TableDef*> tables();
};

} // namespace pelvaro::catalogue::store
