#include "catalogue/store/TableSchema.h"

namespace pelvaro::catalogue::store {

int TableDef::fieldIndex(const QString& fieldName) const
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields.at(i).name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const FieldDef* TableDef::field(const QString& fieldName) const
{
    const int i = fieldIndex(fieldName);
    return i < 0 ? nullptr : &fields.at(i);
}

const IndexDef* TableDef::index(const QString& indexName) const
{
    for (const IndexDef& def : indexes)
        if (def.name.compare(indexName, Qt::CaseInsensitive) == 0)
            return &def;
    return nullptr;
}

const FieldDef* TableDef::autoIncrementField() const
{
    for (const FieldDef& def : fields)
        if (def.type == FieldType::AutoIncrement)
            return &def;
    return nullptr;
}

namespace {

FieldDef text(const char* name, int size)
{
    return {QLatin1String(name), FieldType::Text, size};
}

FieldDef of(const char* name, FieldType type)
{
    return {QLatin1String(name), type, 0};
}

} // namespace

const TableDef& CatalogueSchema::dba()
{
    static const TableDef def{
        QStringLiteral("dba"),
        {
            of("Nr", FieldType::AutoIncrement),
            text("Name", 40),
            text("URL", 100),
            text("ManuellURL", 100),
            text("Action", 150),
            text("Land", 2),
            text("Kategorie", 1),
            text("Methode", 1),
            text("Parameter1", 255),
            of("GeprueftAm", FieldType::DateTime),
            of("IntFirmen", FieldType::Boolean),
            of("Status", FieldType::SmallInt),
            of("NurManuell", FieldType::Boolean),
            of("Bewertung", FieldType::SmallInt),
            of("AufnahmeMin", FieldType::SmallInt),
            of("AufnahmeMax", FieldType::SmallInt),
            of("KostetGeld", FieldType::Boolean),
            of("AkzeptiertTypen", FieldType::SmallInt),
            text("AkzTypenSonstiges", 100),
            text("AkzeptiertLaender", 20),
            of("Ausgewaehlt", FieldType::Boolean),
            of("ZuletztRegistriert", FieldType::DateTime),
            of("CodeFuerFlagge", FieldType::SmallInt),
            of("Ref", FieldType::Boolean),
            text("Bemerkung", 100),
            // Fields this program added to the catalogue it inherited; older files are given
            // them when opened (CatalogueDatabase::upgradeSchema).
            of("IndexNow", FieldType::Boolean),
            of("Ausstehend", FieldType::Boolean),
        },
        {
            {QStringLiteral("Primary"), {QStringLiteral("Nr")}},
            {QStringLiteral("IdxName"), {QStringLiteral("Name")}},
        },
    };
    return def;
}

const TableDef& CatalogueSchema::dbc()
{
    static const TableDef def{
        QStringLiteral("dbc"),
        {
            of("KategorieID", FieldType::AutoIncrement),
            of("EngineID", FieldType::Integer),
            of("KategorieNrInVindrel", FieldType::SmallInt),
            text("KategorieInEngine", 90),
        },
        {
            {QStringLiteral("Primary"), {QStringLiteral("KategorieID")}},
            {QStringLiteral("EngineID"), {QStringLiteral("EngineID")}},
        },
    };
    return def;
}

const TableDef& CatalogueSchema::dbd()
{
    static const TableDef def{
        QStringLiteral("dbd"),
        {
            of("FelderID", FieldType::AutoIncrement),
            of("EngineID", FieldType::Integer),
            of("FeldNrInVindrel", FieldType::SmallInt),
            text("FeldNameInEngine", 100),
        },
        {
            {QStringLiteral("Primary"), {QStringLiteral("FelderID")}},
            {QStringLiteral("EngineID"), {QStringLiteral("EngineID")}},
        },
    };
    return def;
}

const TableDef* CatalogueSchema::table(const QString& name)
{
    for (const TableDef* def : tables())
        if (def->name.compare(name, Qt::CaseInsensitive) == 0)
            return def;
    return nullptr;
}

QList<const TableDef*> CatalogueSchema::tables()
{
    return {&dba(), &dbc(), &dbd()};
}

} // namespace pelvaro::catalogue::store
