#pragma once

#include "catalogue/store/Database.h"
#include "catalogue/store/TableCursor.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::catalogue {

// Name, home page and registration page of one service; all empty when not available.
struct TURLHyperLinkInfo
{
    QString Name;
    QString URL;
    QString ManuellURL;
    bool operator==(const TURLHyperLinkInfo&) const = default;
};

struct SelectionCounters
{
    int AnzNichtAusgewaehlt = 0;
    int AnzAusgewaehlt = 0;
    int AnzAutomatisch = 0;
    int AnzManuell = 0;
    bool operator==(const SelectionCounters&) const = default;
};

// The catalogue as the rest of the program sees it: eight named views, four counters of
// the selection and the operations that select and unselect services. Nothing else opens
// the store.
class TDataModule1 : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDataModule1)

public:
    explicit TDataModule1(base::UiServices& ui, QObject* parent = nullptr);
    ~TDataModule1() override;

    // Opens the catalogue in the data folder. A catalogue whose size is not the shipped
    // one is reported while no catalogue update has been installed (catalogueVersion
    // empty). Returns false after telling the user that the program must end.
    bool open(const QString& dataDirectory, const QString& catalogueVersion);
    bool isOpen() const { return m_db.isOpen(); }

    store::TableCursor& TableEngines() { return *m_engines; }
    store::TableCursor& TableEngToSend() { return *m_engToSend; }
    store::TableCursor& TableAutomatischSenden() { return *m_automatisch; }
    store::TableCursor& TableManuellSenden() { return *m_manuell; }
    store::TableCursor& TableFilter() { return *m_filter; }
    store::TableCursor& TableTMP() { return *m_tmp; }
    store::TableCursor& TableKategorien() { return *m_kategorien; }
    store::TableCursor& TableFelder() { return *m_felder; }
    // A view by its name; throws pelvaro::Error for an unknown name.
    store::TableCursor& view(const QString& name);
    static QStringList viewNames();

    SelectionCounters& counters() { return m_counters; }
    const SelectionCounters& counters() const { return m_counters; }

    // Rows of a view, counted by walking it with its screen updates off; -1 on failure.
    int AnzahlDatensaetze(const QString& viewName);
    TURLHyperLinkInfo LinkInfoHolen(const QString& viewName);
    void EintragAuswaehlen();
    void EintragAbwaehlen(const QString& viewName);
    void AllesAuswaehlen();
    void AllesNichtAuswaehlen();
    void FilterAuswahlUebernehmen();

    // Brings the column Ausstehend up to date for the site: true for every service its
    // ledger says still needs it (never sent, not accepted, or sent what has changed since),
    // false for the others. One transaction; every view of dba reads the rows anew.
    void markPending(const site::SiteRecord& record);

    // Sets the four counters by counting their views.
    void recount();
    // Refreshes the four list views (not selected, selected, manual, automatic).
    void refreshListViews();

    // A catalogue update: replaces all services, categories and fields with those of the
    // catalogue sources in the folder (dba.csv, dbc.csv, dbd.csv), keeping each service's
    // Ausgewaehlt, NurManuell and ZuletztRegistriert by Nr. All or nothing: a source the
    // importer refuses throws pelvaro::Error and leaves the catalogue as it was. Every view
    // reads its rows anew and the counters are recounted. Returns the number of services.
    int replaceCatalogue(const QString& sourceDirectory);
    // Runs a walk that posts many rows as one transaction. What was posted stays posted
    // when the walk fails part-way; the failure goes on to the caller.
    template <typename Walk> void bulk(Walk&& walk);
    // Runs a walk whose changes are all undone afterwards, also when it fails: what an
    // operation would do, without its traces. Every view reads its rows anew afterwards.
    template <typename Walk> void trial(Walk&& walk);

    // --- set-based changes of table dba, for bulk operations whose rows no one watches one
    // by one. Every view of dba reads the changed rows anew. Each is one statement: it
    // changes all its rows or, failing, none.
    // Sets the field on the rows that meet the SQL condition (every row when it is empty).
    int setField(const QString& field, const QVariant& value, const QString& condition = {},
                 const QVariantList& parameters = {});
    // Sets the field on the rows given by their store position (rowid).
    int setFieldOfRows(const QString& field, const QVariant& value, const QList<qint64>& rowids);
    // Sets the field on one row, given by its store position.
    void setFieldOfRow(const QString& field, const QVariant& value, qint64 rowid);

    // --- reading many rows in one statement, typed as the views type them ---
    struct StoreRow
    {
        qint64 rowid = 0;
        QVariantList values; // of the named fields, in their order
    };
    // The services that meet the SQL condition (all for an empty one), in store order: their
    // store position (rowid) and the values of the named fields.
    std::vector<StoreRow> readRows(const QStringList& fields, const QString& condition = {},
                                   const QVariantList& parameters = {}, int limit = -1);
    std::vector<StoreRow> storeOrder(const QStringList& fields, int limit = -1)
    {
        return readRows(fields, {}, {}, limit);
    }
    // The rows of a mapping table (dbc or dbd) that belong to the service with that Nr and
    // meet the condition, in the order of the index EngineID: what TableKategorien and
    // TableFelder show while TableTMP stands on the service, read without moving TableTMP.
    std::vector<QVariantList> mappingRows(const QString& table, int engineId,
                                          const QStringList& fields, const QString& condition = {},
                                          const QVariantList& parameters = {}, int limit = -1);
    // A list of numbers as a JSON array, for "IN (SELECT value FROM json_each(?))".
    static QString jsonList(const QList<qint64>& numbers);

    store::Database& database() { return m_db; }

    static QString openFailureText();
    // The same number when the catalogue file is not there at all: that is no improper
    // shutdown, and the user learns which file is missing and how to get it back.
    static QString missingCatalogueText(const QString& path);
    static QString sizeWarningText(int count);
    static constexpr int ShippedCatalogueSize = 604;

private:
    std::unique_ptr<store::TableCursor> makeView(const store::TableDef& table, const QString& name);
    void setSelected(store::TableCursor& view, bool selected);
    void refreshAllViews();
    void changeAllSelections(bool selected);

    base::UiServices& m_ui;
    store::Database m_db;
    std::unique_ptr<store::TableCursor> m_tmp;
    std::unique_ptr<store::TableCursor> m_engines;
    std::unique_ptr<store::TableCursor> m_engToSend;
    std::unique_ptr<store::TableCursor> m_filter;
    std::unique_ptr<store::TableCursor> m_manuell;
    std::unique_ptr<store::TableCursor> m_automatisch;
    std::unique_ptr<store::TableCursor> m_kategorien;
    std::unique_ptr<store::TableCursor> m_felder;
    SelectionCounters m_counters;
};

template <typename Walk> void TDataModule1::bulk(Walk&& walk)
{
    m_db.begin();
    try {
        walk();
    } catch (...) {
        m_db.commit();
        throw;
    }
    m_db.commit();
}

template <typename Walk> void TDataModule1::trial(Walk&& walk)
{
    m_db.begin();
    try {
        walk();
    } catch (...) {
        m_db.rollback();
        throw;
    }
    m_db.rollback();
}

} // namespace pelvaro::catalogue
