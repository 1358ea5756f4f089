#include "catalogue/store/TableCursor.h"

#include "base/Error.h"
#include "catalogue/store/Database.h"
#include "catalogue/store/FilterExpression.h"

#include <algorithm>

namespace pelvaro::catalogue::store {

QString TableCursor::noFieldText(const QString& table, const QString& field)
{
    return QStringLiteral("Die Tabelle %1 hat kein Feld \"%2\".").arg(table, field);
}

QString TableCursor::notOpenText(const QString& view)
{
    return QStringLiteral("Die Sicht %1 ist nicht geöffnet.").arg(view);
}

namespace {

QString readOnlyText(const QString& view)
{
    return QStringLiteral("Die Sicht %1 kann nicht geändert werden.").arg(view);
}

} // namespace

TableCursor::TableCursor(Database& db, const TableDef& table, const QString& viewName,
                         QObject* parent)
    : QObject(parent), m_db(db), m_table(table), m_viewName(viewName)
{
}

TableCursor::~TableCursor() = default;

// ---- configuration ----

void TableCursor::setIndexName(const QString& indexName)
{
    if (indexName.isEmpty()) {
        m_indexName.clear();
        m_orderFields.clear();
    } else {
        const IndexDef* def = m_table.index(indexName);
        if (!def)
            throw Error(QStringLiteral("Die Tabelle %1 hat keinen Index \"%2\".")
                            .arg(m_table.name, indexName));
        m_indexName = def->name;
        m_orderFields = def->fields;
    }
    if (m_open)
        load(m_rows.empty() ? -1 : m_rows[size_t(m_position)].rowid);
}

void TableCursor::setOrderFields(const QStringList& fields)
{
    QString matching;
    for (const QString& field : fields)
        if (!m_table.field(field))
            throw Error(noFieldText(m_table.name, field));
    for (const IndexDef& def : m_table.indexes) {
        if (def.fields.size() != fields.size())
            continue;
        bool same = true;
        for (qsizetype i = 0; i < fields.size(); ++i)
            same = same && def.fields.at(i).compare(fields.at(i), Qt::CaseInsensitive) == 0;
        if (same) {
            matching = def.name;
            break;
        }
    }
    if (!matching.isEmpty()) {
        setIndexName(matching);
        return;
    }
    m_indexName.clear();
    m_orderFields.clear();
    for (const QString& field : fields)
        m_orderFields << m_table.field(field)->name;
    if (m_open)
        load(m_rows.empty() ? -1 : m_rows[size_t(m_position)].rowid);
}

void TableCursor::setFilter(const QString& text)
{
    if (text.trimmed().isEmpty()) {
        m_filterSql.clear();
        m_filterParameters.clear();
    } else {
        const CompiledFilter compiled = FilterExpression::compile(text, m_table);
        m_filterSql = compiled.whereSql;
        m_filterParameters = compiled.parameters;
    }
    m_filterText = text;
    if (m_open && m_filtered)
        load(m_rows.empty() ? -1 : m_rows[size_t(m_position)].rowid);
}

void TableCursor::setFiltered(bool on)
{
    if (m_filtered == on)
        return;
    m_filtered = on;
    if (m_open)
        load(m_rows.empty() ? -1 : m_rows[size_t(m_position)].rowid);
}

void TableCursor::setMasterLink(TableCursor* master, const QString& detailField,
                                const QString& masterField)
{
    if (m_master)
        disconnect(m_master, nullptr, this, nullptr);
    m_master = master;
    m_detailField = m_table.field(detailField) ? m_table.field(detailField)->name : detailField;
    m_masterField = masterField;
    if (master) {
        connect(master, &TableCursor::currentRowChanged, this, &TableCursor::onMasterMoved);
        connect(master, &TableCursor::rowsReset, this, &TableCursor::onMasterMoved);
    }
    if (m_open)
        load(-1);
}

void TableCursor::onMasterMoved()
{
    if (m_open)
        load(-1);
}

// ---- SQL ----

QString TableCursor::orderSql() const
{
    QStringList terms;
    for (const QString& name : m_orderFields) {
        const FieldDef* def = m_table.field(name);
        QString term = Database::quoted(def->name);
        if (def->type == FieldType::Text)
            term += QStringLiteral(" COLLATE ") + Database::collationName();
        terms << term;
    }
    terms << QStringLiteral("rowid");
    return terms.join(QStringLiteral(", "));
}

QStringList TableCursor::conditions(const QString& extraCondition, QVariantList& parameters) const
{
    QStringList conditions;
    if (m_filtered && !m_filterSql.isEmpty()) {
        conditions << QLatin1Char('(') + m_filterSql + QLatin1Char(')');
        parameters << m_filterParameters;
    }
    if (m_master) {
        const bool masterHasRow = m_master->isOpen() && !m_master->isEmpty();
        if (masterHasRow) {
            conditions << Database::quoted(m_detailField) + QStringLiteral(" = ?");
            parameters << m_master->value(m_masterField);
        } else {
            conditions << QStringLiteral("0");
        }
    }
    if (!extraCondition.isEmpty())
        conditions << extraCondition;
    return conditions;
}

QString TableCursor::selectSql(const QString& extraCondition, QVariantList& parameters,
                               bool withValues) const
{
    QStringList columns{QStringLiteral("rowid")};
    if (withValues)
        for (const FieldDef& def : m_table.fields)
            columns << Database::quoted(def.name);
    const QStringList where = conditions(extraCondition, parameters);
    QString sql = QStringLiteral("SELECT %1 FROM %2")
                      .arg(columns.join(QStringLiteral(", ")), Database::quoted(m_table.name));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    return sql;
}

QString TableCursor::conditionSql(QVariantList& parameters) const
{
    return conditions({}, parameters).join(QStringLiteral(" AND "));
}

QVariant TableCursor::fromStore(const QVariant& raw, const FieldDef& def)
{
    if (!raw.isValid())
        return {};
    switch (def.type) {
    case FieldType::Boolean:
        return raw.toLongLong() != 0;
    case FieldType::AutoIncrement:
    case FieldType::Integer:
    case FieldType::SmallInt:
        return int(raw.toLongLong());
    case FieldType::DateTime:
        return raw.toDouble();
    case FieldType::Text:
        return raw.toString();
    }
    return raw;
}

QVariant TableCursor::toStore(const QVariant& value, const FieldDef& def)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (def.type) {
    case FieldType::Boolean:
        return value.toBool() ? 1 : 0;
    case FieldType::AutoIncrement:
    case FieldType::Integer:
    case FieldType::SmallInt:
        return value.toLongLong();
    case FieldType::DateTime:
        return value.toDouble();
    case FieldType::Text:
        return value.toString().left(def.size > 0 ? def.size : -1);
    }
    return value;
}

void TableCursor::load(qint64 keepRowid)
{
    // Only which rows pass, in which order: a row's values are read when first looked at.
    // Most loads follow a change and are only counted, or shown a screenful at a time.
    QVariantList parameters;
    const CachedStatement query =
        m_db.cached(selectSql({}, parameters, false) + QStringLiteral(" ORDER BY ") + orderSql());
    query->bindAll(parameters);
    std::vector<Row> rows;
    m_currentVersion = m_db.dataVersion(m_table.name);
    while (query->step()) {
        Row row;
        row.rowid = query->columnInt64(0);
        rows.push_back(std::move(row));
    }
    const int oldPosition = m_position;
    m_rows = std::move(rows);
    m_editing = false;
    int position = 0;
    bool found = false;
    if (keepRowid >= 0) {
        for (size_t i = 0; i < m_rows.size(); ++i) {
            if (m_rows[i].rowid == keepRowid) {
                position = int(i);
                found = true;
                break;
            }
        }
        if (!found)
            position = std::min(oldPosition, int(m_rows.size()) - 1);
    }
    m_position = std::max(0, position);
    m_bof = m_rows.empty() || (keepRowid < 0);
    m_eof = m_rows.empty();
    changed();
    moved();
}

const QVariantList& TableCursor::rowValues(size_t index) const
{
    Row& row = m_rows[index];
    const quint64 version = m_db.dataVersion(m_table.name);
    if (!row.values.isEmpty() && (row.version == version || m_currentVersion == version))
        return row.values;
    QStringList columns;
    for (const FieldDef& def : m_table.fields)
        columns << Database::quoted(def.name);
    const CachedStatement query =
        m_db.cached(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                        .arg(columns.join(QStringLiteral(", ")), Database::quoted(m_table.name)));
    query->bind(1, row.rowid);
    const int fieldCount = int(m_table.fields.size());
    if (query->step()) {
        QVariantList values;
        values.reserve(fieldCount);
        for (int i = 0; i < fieldCount; ++i)
            values.append(fromStore(query->column(i), m_table.fields.at(i)));
        row.values = std::move(values);
    } else if (row.values.isEmpty()) {
        // Gone from the file since the rows were read: shown without values.
        row.values = QVariantList(fieldCount);
    }
    row.version = version;
    return row.values;
}

// ---- lifecycle ----

void TableCursor::open()
{
    m_open = true;
    try {
        load(-1);
    } catch (...) {
        m_open = false;
        m_rows.clear();
        throw;
    }
}

void TableCursor::close()
{
    m_open = false;
    m_rows.clear();
    m_editing = false;
    m_eof = m_bof = true;
    changed();
    moved();
}

void TableCursor::refresh()
{
    requireOpen();
    load(m_rows.empty() ? -1 : m_rows[size_t(m_position)].rowid);
}

void TableCursor::requireOpen() const
{
    if (!m_open)
        throw Error(notOpenText(m_viewName));
}

void TableCursor::requireRow() const
{
    requireOpen();
    if (m_rows.empty())
        throw Error(QStringLiteral("Die Sicht %1 enthält keinen Datensatz.").arg(m_viewName));
}

void TableCursor::changed()
{
    if (m_disableCount > 0) {
        m_resetPending = true;
        return;
    }
    emit rowsReset();
}

void TableCursor::moved()
{
    emit currentRowChanged();
}

// ---- navigation ----

void TableCursor::first()
{
    requireOpen();
    m_editing = false;
    // A walk starts on what the table holds now, also when other views changed it.
    if (m_currentVersion != m_db.dataVersion(m_table.name)) {
        load(-1);
        return;
    }
    const bool movedRow = m_position != 0;
    m_position = 0;
    m_bof = true;
    m_eof = m_rows.empty();
    if (movedRow)
        moved();
}

void TableCursor::next()
{
    requireOpen();
    m_editing = false;
    if (m_rows.empty() || m_position >= int(m_rows.size()) - 1) {
        m_eof = true;
        return;
    }
    ++m_position;
    m_bof = false;
    m_eof = false;
    moved();
}

void TableCursor::prior()
{
    requireOpen();
    m_editing = false;
    if (m_rows.empty() || m_position == 0) {
        m_bof = true;
        return;
    }
    --m_position;
    m_bof = false;
    m_eof = false;
    moved();
}

void TableCursor::last()
{
    requireOpen();
    m_editing = false;
    const int target = std::max(0, int(m_rows.size()) - 1);
    const bool movedRow = m_position != target;
    m_position = target;
    m_eof = true;
    m_bof = m_rows.empty();
    if (movedRow)
        moved();
}

bool TableCursor::moveTo(int row)
{
    requireOpen();
    if (row < 0 || row >= int(m_rows.size()))
        return false;
    m_editing = false;
    const bool movedRow = m_position != row;
    m_position = row;
    m_bof = m_eof = false;
    if (movedRow)
        moved();
    return true;
}

int TableCursor::tableRecordCount()
{
    Statement query =
        m_db.prepare(QStringLiteral("SELECT COUNT(*) FROM ") + Database::quoted(m_table.name));
    query.step();
    return int(query.columnInt64(0));
}

// ---- fields ----

int TableCursor::fieldIndex(const QString& field) const
{
    const int index = m_table.fieldIndex(field);
    if (index < 0)
        throw Error(noFieldText(m_table.name, field));
    return index;
}

QVariant TableCursor::value(const QString& field) const
{
    const int index = fieldIndex(field);
    requireRow();
    if (m_editing)
        return m_editValues.at(index);
    return rowValues(size_t(m_position)).at(index);
}

QVariant TableCursor::valueAt(int row, int fieldIndex) const
{
    if (row < 0 || row >= int(m_rows.size()) || fieldIndex < 0 ||
        fieldIndex >= m_table.fields.size())
        return {};
    return rowValues(size_t(row)).at(fieldIndex);
}

// ---- changes ----

void TableCursor::edit()
{
    requireRow();
    if (m_readOnly)
        throw Error(readOnlyText(m_viewName));
    if (m_editing)
        return;
    m_editValues = rowValues(size_t(m_position));
    m_editing = true;
}

void TableCursor::setValue(const QString& field, const QVariant& value)
{
    const int index = fieldIndex(field);
    if (!m_editing)
        throw Error(QStringLiteral("Die Sicht %1 ist nicht im Bearbeitungsmodus.").arg(m_viewName));
    m_editValues[index] =
        fromStore(toStore(value, m_table.fields.at(index)), m_table.fields.at(index));
}

void TableCursor::cancel()
{
    m_editing = false;
}

void TableCursor::post()
{
    if (!m_editing)
        return;
    m_editing = false;
    Row& row = m_rows[size_t(m_position)];
    QStringList assignments;
    QVariantList parameters;
    bool orderTouched = false;
    for (int i = 0; i < m_table.fields.size(); ++i) {
        const QVariant& before = row.values.at(i);
        const QVariant& after = m_editValues.at(i);
        if (before == after && before.isValid() == after.isValid())
            continue;
        const FieldDef& def = m_table.fields.at(i);
        assignments << Database::quoted(def.name) + QStringLiteral(" = ?");
        parameters << toStore(after, def);
        orderTouched = orderTouched || m_orderFields.contains(def.name, Qt::CaseInsensitive);
    }
    if (assignments.isEmpty())
        return;
    {
        const CachedStatement update = m_db.cached(
            QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                .arg(Database::quoted(m_table.name), assignments.join(QStringLiteral(", "))));
        parameters << row.rowid;
        update->bindAll(parameters);
        update->step();
    }
    const bool wasCurrent = m_currentVersion == m_db.dataVersion(m_table.name);
    m_db.touch(m_table.name);
    row.version = m_db.dataVersion(m_table.name);
    // Our own change leaves the other rows we hold as current as they were.
    if (wasCurrent)
        m_currentVersion = row.version;

    if (orderTouched) {
        const qint64 rowid = row.rowid;
        const int oldPosition = m_position;
        load(rowid);
        // load() puts a vanished row's successor at the old position, but a walk also needs
        // eof when the row that left was the last one, or it visits the new last row again.
        const bool left = m_rows.empty() || m_rows[size_t(m_position)].rowid != rowid;
        if (left && oldPosition >= int(m_rows.size()))
            m_eof = true;
        return;
    }
    // Without a filter or a master link every row passes, and the values are the ones just
    // written.
    if (!(m_filtered && !m_filterSql.isEmpty()) && !m_master) {
        row.values = m_editValues;
        changed();
        return;
    }
    // Read the row back through the view's conditions: a row that no longer passes leaves
    // the view, and the cursor then stands on the row that followed it.
    QVariantList checkParameters;
    const CachedStatement check =
        m_db.cached(selectSql(QStringLiteral("rowid = ?"), checkParameters));
    checkParameters << row.rowid;
    check->bindAll(checkParameters);
    if (check->step()) {
        for (int i = 0; i < m_table.fields.size(); ++i)
            row.values[i] = fromStore(check->column(i + 1), m_table.fields.at(i));
    } else {
        m_rows.erase(m_rows.begin() + m_position);
        if (m_position >= int(m_rows.size())) {
            m_position = std::max(0, int(m_rows.size()) - 1);
            m_eof = true;
        }
        m_bof = m_rows.empty();
        if (m_rows.empty())
            m_eof = true;
        moved();
    }
    changed();
}

void TableCursor::append(const QVariantMap& values)
{
    requireOpen();
    if (!m_appendRefusal.isEmpty())
        throw Error(m_appendRefusal);
    if (m_readOnly)
        throw Error(readOnlyText(m_viewName));
    QStringList columns;
    QStringList marks;
    QVariantList parameters;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const FieldDef& def = m_table.fields.at(fieldIndex(it.key()));
        columns << Database::quoted(def.name);
        marks << QStringLiteral("?");
        parameters << toStore(it.value(), def);
    }
    if (const FieldDef* autoField = m_table.autoIncrementField()) {
        const bool given =
            std::any_of(values.keyBegin(), values.keyEnd(), [autoField](const QString& k) {
                return k.compare(autoField->name, Qt::CaseInsensitive) == 0;
            });
        if (!given) {
            columns << Database::quoted(autoField->name);
            marks << QStringLiteral("(SELECT IFNULL(MAX(%1), 0) + 1 FROM %2)")
                         .arg(Database::quoted(autoField->name), Database::quoted(m_table.name));
        }
    }
    Statement insert =
        m_db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                         .arg(Database::quoted(m_table.name), columns.join(QStringLiteral(", ")),
                              marks.join(QStringLiteral(", "))));
    insert.bindAll(parameters);
    insert.step();
    m_db.touch(m_table.name);
    Statement rowid = m_db.prepare(QStringLiteral("SELECT last_insert_rowid()"));
    rowid.step();
    load(rowid.columnInt64(0));
}

// ---- searching ----

bool TableCursor::findKey(const QVariantList& keyValues)
{
    requireOpen();
    if (m_orderFields.isEmpty() || keyValues.isEmpty() || keyValues.size() > m_orderFields.size())
        throw Error(QStringLiteral("Die Sicht %1 hat keine passende Sortierung für die Suche.")
                        .arg(m_viewName));
    QList<int> indexes;
    for (qsizetype i = 0; i < keyValues.size(); ++i)
        indexes << fieldIndex(m_orderFields.at(i));
    for (size_t r = 0; r < m_rows.size(); ++r) {
        bool match = true;
        for (qsizetype i = 0; match && i < keyValues.size(); ++i) {
            const FieldDef& def = m_table.fields.at(indexes.at(i));
            match = rowValues(r).at(indexes.at(i)) == fromStore(toStore(keyValues.at(i), def), def);
        }
        if (match)
            return moveTo(int(r));
    }
    return false;
}

void TableCursor::findNearest(const QString& text)
{
    requireOpen();
    if (m_rows.empty())
        return;
    if (m_orderFields.isEmpty())
        throw Error(
            QStringLiteral("Die Sicht %1 hat keine Sortierung für die Suche.").arg(m_viewName));
    const int index = fieldIndex(m_orderFields.first());
    const FieldDef& def = m_table.fields.at(index);
    const bool numeric = def.type != FieldType::Text;
    const double number = text.toDouble();
    // The rows are ordered by this field, so the first row at or after the text is found by
    // bisection.
    const auto before = [&](size_t row) {
        const QVariant& v = rowValues(row).at(index);
        if (numeric)
            return !v.isValid() || v.toDouble() < number; // no value sorts first
        return Database::compareFolded(v.toString(), text) < 0;
    };
    size_t low = 0;
    size_t high = m_rows.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (before(middle))
            low = middle + 1;
        else
            high = middle;
    }
    moveTo(low == m_rows.size() ? int(m_rows.size()) - 1 : int(low));
}

// ---- screen updates ----

void TableCursor::disableControls()
{
    ++m_disableCount;
}

void TableCursor::enableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0 && m_resetPending) {
        m_resetPending = false;
        emit rowsReset();
    }
}

} // namespace pelvaro::catalogue::store
