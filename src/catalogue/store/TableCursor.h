#pragma once

#include "catalogue/store/TableSchema.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <vector>

namespace pelvaro::catalogue::store {

class Database;

// A named view on one table: an order, a filter that can be switched on and off, an
// optional master link, and a current row that can be edited and posted. It holds the
// rows that pass in its order; refresh() reads them again from the file.
//
// Positioning follows the classic data-set rules: next() on the last row sets eof() and
// stays there; a posted row that no longer passes the filter leaves the view and the
// cursor stands on the row that followed it.
class TableCursor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableCursor)

public:
    TableCursor(Database& db, const TableDef& table, const QString& viewName,
                QObject* parent = nullptr);
    ~TableCursor() override;

    const QString& viewName() const { return m_viewName; }
    const TableDef& table() const { return m_table; }

    // The store's refusals, shared with the data module's set-based operations.
    static QString noFieldText(const QString& table, const QString& field);
    static QString notOpenText(const QString& view);

    // --- configuration (takes effect at once on an open cursor) ---
    // Orders by an index of the table; an empty name means store order.
    void setIndexName(const QString& indexName);
    const QString& indexName() const { return m_indexName; }
    // Orders by fields; an index over exactly these fields becomes the current index.
    void setOrderFields(const QStringList& fields);
    const QStringList& orderFields() const { return m_orderFields; }
    // The indexes of the table, for index choosers.
    const QList<IndexDef>& indexes() const { return m_table.indexes; }
    // Compiles the text at once; throws pelvaro::Error on a malformed filter.
    void setFilter(const QString& text);
    const QString& filter() const { return m_filterText; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }
    // Shows only rows whose detailField equals masterField of the master's current row.
    void setMasterLink(TableCursor* master, const QString& detailField, const QString& masterField);
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool readOnly() const { return m_readOnly; }
    // The error text with which append() refuses new rows; empty means appends are allowed.
    void setAppendRefusal(const QString& message) { m_appendRefusal = message; }

    // --- lifecycle ---
    void open();
    void close();
    bool isOpen() const { return m_open; }
    // Reads the rows again, staying on the same row when it still passes.
    void refresh();

    // --- navigation ---
    void first();
    void next();
    void prior();
    void last();
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool isEmpty() const { return m_rows.empty(); }
    int rowCount() const { return int(m_rows.size()); }
    // The current row's position in the view, -1 when empty.
    int position() const { return m_rows.empty() ? -1 : m_position; }
    bool moveTo(int row);
    // Rows of the whole table, whatever the filter.
    int tableRecordCount();
    // The SQL condition a row must meet to be in the view (its filter while switched on,
    // its master link), with its parameters appended; empty when every row is in it. For
    // set-based changes that no one watches row by row.
    QString conditionSql(QVariantList& parameters) const;

    // A value as the file holds it, typed as the views give it: booleans as bool, integers as
    // int, dates as double days, texts as QString; invalid for no value.
    static QVariant fromStore(const QVariant& raw, const FieldDef& def);

    // --- fields ---
    // The current row's value; invalid for no value. Throws for an unknown field.
    QVariant value(const QString& field) const;
    QVariant valueAt(int row, int fieldIndex) const;
    int fieldIndex(const QString& field) const;

    // --- changes ---
    void edit();
    void setValue(const QString& field, const QVariant& value);
    void post();
    void cancel();
    bool editing() const { return m_editing; }
    // Adds a row with the values given (field name to value); the auto-increment field is
    // assigned by the store. Refused with the configured error on refusing views.
    void append(const QVariantMap& values);

    // --- searching on the current order ---
    // Moves to the row whose order fields equal the values; false (cursor unchanged) if none.
    bool findKey(const QVariantList& keyValues);
    // Moves to the first row whose first order field is at or after the text, ignoring case;
    // to the last row when every row lies before it.
    void findNearest(const QString& text);

    // --- screen updates ---
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

signals:
    // The rows or their values changed; bound models reset. Not sent while the screen
    // updates are off; once when they come back on.
    void rowsReset();
    // The current row moved (also sent while screen updates are off: detail views follow).
    void currentRowChanged();

private:
    struct Row
    {
        qint64 rowid = 0;
        QVariantList values; // empty until the row is first looked at
        quint64 version = 0; // the table's data version the values were read at
    };

    QStringList conditions(const QString& extraCondition, QVariantList& parameters) const;
    QString selectSql(const QString& extraCondition, QVariantList& parameters,
                      bool withValues = true) const;
    QString orderSql() const;
    static QVariant toStore(const QVariant& value, const FieldDef& def);
    void load(qint64 keepRowid);
    // The row's values, read when first looked at. Changes posted through another view of
    // the same table are read in when a row is looked at, as a shared table would show them.
    const QVariantList& rowValues(size_t index) const;
    void requireOpen() const;
    void requireRow() const;
    void changed();
    void moved();
    void onMasterMoved();

    Database& m_db;
    const TableDef& m_table;
    QString m_viewName;
    QString m_indexName;
    QStringList m_orderFields;
    QString m_filterText;
    QString m_filterSql;
    QVariantList m_filterParameters;
    bool m_filtered = false;
    QPointer<TableCursor> m_master;
    QString m_detailField;
    QString m_masterField;
    bool m_readOnly = false;
    QString m_appendRefusal;

    bool m_open = false;
    mutable std::vector<Row> m_rows;
    // The table's data version up to which every row held here is known to be current: the
    // version at load time, moved on by this view's own posts while nobody else wrote.
    quint64 m_currentVersion = 0;
    int m_position = 0;
    bool m_eof = true;
    bool m_bof = true;
    bool m_editing = false;
    QVariantList m_editValues;
    int m_disableCount = 0;
    bool m_resetPending = false;
};

// Switches a view's screen updates off for a scope.
class ScreenUpdatesOff
{
public:
    explicit ScreenUpdatesOff(TableCursor& cursor) : m_cursor(cursor)
    {
        m_cursor.disableControls();
    }
    ~ScreenUpdatesOff() { m_cursor.enableControls(); }
    ScreenUpdatesOff(const ScreenUpdatesOff&) = delete;
    ScreenUpdatesOff& operator=(const ScreenUpdatesOff&) = delete;

private:
    TableCursor& m_cursor;
};

} // namespace pelvaro::catalogue::store
