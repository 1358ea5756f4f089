#include "catalogue/TDataModule1.h"

#include "base/Error.h"
#include "base/UiServices.h"
#include "catalogue/CatalogueImporter.h"
#include "catalogue/store/CatalogueDatabase.h"
#include "site/SiteRecord.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

namespace pelvaro::catalogue {

using store::CatalogueSchema;
using store::ScreenUpdatesOff;
using store::TableCursor;

namespace {

QString nothingMarkedText()
{
    return QStringLiteral("Es ist kein Eintrag markiert.");
}

bool isTrue(const QVariant& value)
{
    return value.isValid() && value.toBool();
}

// Runs the refresh of the four list views after an operation, also when it failed.
template <typename Operation> void withListRefresh(TDataModule1& module, Operation&& operation)
{
    try {
        operation();
    } catch (...) {
        module.refreshListViews();
        throw;
    }
    module.refreshListViews();
}

} // namespace

TDataModule1::TDataModule1(base::UiServices& ui, QObject* parent) : QObject(parent), m_ui(ui)
{
    m_tmp = makeView(CatalogueSchema::dba(), QStringLiteral("TableTMP"));
    m_engines = makeView(CatalogueSchema::dba(), QStringLiteral("TableEngines"));
    m_engToSend = makeView(CatalogueSchema::dba(), QStringLiteral("TableEngToSend"));
    m_filter = makeView(CatalogueSchema::dba(), QStringLiteral("TableFilter"));
    m_manuell = makeView(CatalogueSchema::dba(), QStringLiteral("TableManuellSenden"));
    m_automatisch = makeView(CatalogueSchema::dba(), QStringLiteral("TableAutomatischSenden"));
    m_kategorien = makeView(CatalogueSchema::dbc(), QStringLiteral("TableKategorien"));
    m_felder = makeView(CatalogueSchema::dbd(), QStringLiteral("TableFelder"));

    m_engines->setFilter(QStringLiteral("(Ausgewaehlt='False') or (Ausgewaehlt=Null)"));
    m_engToSend->setFilter(QStringLiteral("(Ausgewaehlt='True')"));
    m_automatisch->setFilter(QStringLiteral("(Nurmanuell='False') and (Ausgewaehlt='True')"));
    m_manuell->setFilter(QStringLiteral("(NurManuell='True') and (Ausgewaehlt='True')"));
    for (TableCursor* view :
         {m_engines.get(), m_engToSend.get(), m_automatisch.get(), m_manuell.get()}) {
        view->setFiltered(true);
        view->setOrderFields({QStringLiteral("Name")});
    }
    for (TableCursor* detail : {m_kategorien.get(), m_felder.get()}) {
        detail->setIndexName(QStringLiteral("EngineID"));
        detail->setMasterLink(m_tmp.get(), QStringLiteral("EngineID"), QStringLiteral("Nr"));
        detail->setReadOnly(true);
    }
    m_engines->setAppendRefusal(QStringLiteral("Nicht kritischer Fehler-Nr. 88211!"));
    m_engToSend->setAppendRefusal(QStringLiteral("Nicht kritischer Fehler-Nr. 88212!"));
    m_kategorien->setAppendRefusal(QStringLiteral("Nicht kritischer Fehler-Nr. 88213!"));
    m_felder->setAppendRefusal(QStringLiteral("Nicht kritischer Fehler-Nr. 88214!"));
}

TDataModule1::~TDataModule1()
{
    // The views go before the connection they read through.
    m_felder.reset();
    m_kategorien.reset();
    m_automatisch.reset();
    m_manuell.reset();
    m_filter.reset();
    m_engToSend.reset();
    m_engines.reset();
    m_tmp.reset();
}

std::unique_ptr<TableCursor> TDataModule1::makeView(const store::TableDef& table,
                                                    const QString& name)
{
    auto view = std::make_unique<TableCursor>(m_db, table, name);
    view->setObjectName(name);
    return view;
}

QStringList TDataModule1::viewNames()
{
    return {QStringLiteral("TableEngines"),
            QStringLiteral("TableEngToSend"),
            QStringLiteral("TableAutomatischSenden"),
            QStringLiteral("TableManuellSenden"),
            QStringLiteral("TableFilter"),
            QStringLiteral("TableTMP"),
            QStringLiteral("TableKategorien"),
            QStringLiteral("TableFelder")};
}

TableCursor& TDataModule1::view(const QString& name)
{
    for (TableCursor* v : {m_engines.get(), m_engToSend.get(), m_automatisch.get(), m_manuell.get(),
                           m_filter.get(), m_tmp.get(), m_kategorien.get(), m_felder.get()})
        if (v->viewName().compare(name, Qt::CaseInsensitive) == 0)
            return *v;
    throw Error(QStringLiteral("Unbekannte Sicht \"%1\".").arg(name));
}

QString TDataModule1::openFailureText()
{
    return QStringLiteral(
        "Fehler Nr. 12911 \n\nMögliche Ursache für diesen Fehler: Die Anwendung wurde nicht "
        "ordnungsgemäß beendet.\nStarten Sie Ihren Computer neu und rufen Sie anschließend "
        "Pelvaro! erneut auf.\nSollte der Fehler dann weiterhin bestehen, wenden Sie sich bitte "
        "an die technische Hotline!\n\nDie Anwendung wird nun beendet!");
}

QString TDataModule1::missingCatalogueText(const QString& path)
{
    return QStringLiteral(
               "Fehler Nr. 12911 \n\nDer Suchdienst-Katalog fehlt: Die Datei %1 ist nicht "
               "vorhanden.\n\nSo beheben Sie den Fehler: Installieren Sie Pelvaro! erneut, oder "
               "kopieren Sie den mitgelieferten Katalog pelvarodaten.db (nach der Installation "
               "des Pakets unter /usr/share/pelvaro/daten) in den Ordner %2 und starten Sie "
               "Pelvaro! dann noch einmal.\n\nDie Anwendung wird nun beendet!")
        .arg(QDir::toNativeSeparators(path),
             QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
}

QString TDataModule1::sizeWarningText(int count)
{
    return QStringLiteral("Fehler Nr. 12912 (%1)- Die Datenbank ist beschädigt. \nBitte wenden "
                          "Sie sich an die technische Hotline.\nEs wird empfohlen, die "
                          "Anwendung zu beenden und die Datenbankdateien erneut zu installieren!")
        .arg(count);
}

bool TDataModule1::open(const QString& dataDirectory, const QString& catalogueVersion)
{
    try {
        m_db.open(store::CatalogueDatabase::filePath(dataDirectory),
                  store::Database::Mode::OpenExisting);
        store::CatalogueDatabase::upgradeSchema(m_db);
        store::CatalogueDatabase::verifySchema(m_db);
        store::CatalogueDatabase::configureConnection(m_db);
        m_tmp->open();
        m_engines->open();
        m_engToSend->open();
        m_filter->open();
        m_manuell->open();
        m_automatisch->open();
        recount();
        if (m_counters.AnzNichtAusgewaehlt < 0 || m_counters.AnzAusgewaehlt < 0)
            throw Error(QStringLiteral("Die Sichten können nicht gezählt werden."));
        if (catalogueVersion.isEmpty()) {
            const int size = m_tmp->tableRecordCount();
            if (size != ShippedCatalogueSize)
                m_ui.warning(sizeWarningText(size));
        }
    } catch (const Error&) {
        for (TableCursor* v : {m_engines.get(), m_engToSend.get(), m_automatisch.get(),
                               m_manuell.get(), m_filter.get(), m_tmp.get()})
            v->close();
        m_db.close();
        const QString path = store::CatalogueDatabase::filePath(dataDirectory);
        m_ui.warning(QFileInfo::exists(path) ? openFailureText() : missingCatalogueText(path));
        return false;
    }
    return true;
}

int TDataModule1::AnzahlDatensaetze(const QString& viewName)
{
    try {
        TableCursor& v = view(viewName);
        if (!v.isOpen())
            return -1;
        const ScreenUpdatesOff quiet(v);
        const int marked = v.position();
        int count = 0;
        // Counting by walking keeps the number true to what the view shows.
        for (v.first(); !v.eof() && !v.isEmpty(); v.next())
            ++count;
        // The user's marked row stays marked.
        if (marked >= 0)
            v.moveTo(marked);
        return count;
    } catch (const Error&) {
        return -1;
    }
}

void TDataModule1::recount()
{
    m_counters.AnzNichtAusgewaehlt = AnzahlDatensaetze(QStringLiteral("TableEngines"));
    m_counters.AnzAusgewaehlt = AnzahlDatensaetze(QStringLiteral("TableEngToSend"));
    m_counters.AnzAutomatisch = AnzahlDatensaetze(QStringLiteral("TableAutomatischSenden"));
    m_counters.AnzManuell = AnzahlDatensaetze(QStringLiteral("TableManuellSenden"));
}

void TDataModule1::refreshListViews()
{
    for (TableCursor* v :
         {m_engines.get(), m_engToSend.get(), m_manuell.get(), m_automatisch.get()})
        if (v->isOpen())
            v->refresh();
}

int TDataModule1::replaceCatalogue(const QString& sourceDirectory)
{
    // What the user made of the services stays theirs across the update.
    struct Kept
    {
        qint64 nr;
        QVariant selected;
        QVariant manualOnly;
        QVariant lastRegistered;
    };
    std::vector<Kept> kept;
    {
        store::Statement read = m_db.prepare(
            QStringLiteral("SELECT Nr, Ausgewaehlt, NurManuell, ZuletztRegistriert FROM dba"));
        while (read.step())
            kept.push_back({read.columnInt64(0), read.column(1), read.column(2), read.column(3)});
    }
    int services = 0;
    m_db.begin();
    try {
        for (const char* table : {"dbd", "dbc", "dba"})
            m_db.exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
        CatalogueImporter::importInto(m_db, sourceDirectory);
        store::Statement update =
            m_db.prepare(QStringLiteral("UPDATE dba SET Ausgewaehlt = ?, NurManuell = ?, "
                                        "ZuletztRegistriert = ? WHERE Nr = ?"));
        for (const Kept& k : kept) {
            update.bindAll({k.selected, k.manualOnly, k.lastRegistered, k.nr});
            update.step();
            update.reset();
        }
        store::Statement count = m_db.prepare(QStringLiteral("SELECT COUNT(*) FROM dba"));
        count.step();
        services = int(count.columnInt64(0));
        m_db.commit();
    } catch (...) {
        m_db.rollback();
        refreshAllViews();
        throw;
    }
    refreshAllViews();
    recount();
    return services;
}

void TDataModule1::refreshAllViews()
{
    for (TableCursor* v :
         {m_tmp.get(), m_engines.get(), m_engToSend.get(), m_filter.get(), m_manuell.get(),
          m_automatisch.get(), m_kategorien.get(), m_felder.get()})
        if (v->isOpen())
            v->refresh();
}

TURLHyperLinkInfo TDataModule1::LinkInfoHolen(const QString& viewName)
{
    TURLHyperLinkInfo info;
    TableCursor& v = view(viewName);
    if (!v.isOpen() || v.isEmpty())
        return info;
    const QString name = v.value(QStringLiteral("Name")).toString();
    const QString url = v.value(QStringLiteral("URL")).toString();
    if (name.isEmpty() || url.isEmpty())
        return info;
    info.Name = name;
    info.URL = url;
    info.ManuellURL = v.value(QStringLiteral("ManuellURL")).toString();
    return info;
}

void TDataModule1::setSelected(TableCursor& view, bool selected)
{
    view.edit();
    view.setValue(QStringLiteral("Ausgewaehlt"), selected);
    view.post();
}

void TDataModule1::EintragAuswaehlen()
{
    withListRefresh(*this, [this] {
        TableCursor& v = *m_engines;
        if (v.isEmpty())
            throw Error(nothingMarkedText());
        const bool manual = isTrue(v.value(QStringLiteral("NurManuell")));
        --m_counters.AnzNichtAusgewaehlt;
        ++m_counters.AnzAusgewaehlt;
        ++(manual ? m_counters.AnzManuell : m_counters.AnzAutomatisch);
        setSelected(v, true);
    });
}

void TDataModule1::EintragAbwaehlen(const QString& viewName)
{
    withListRefresh(*this, [this, &viewName] {
        TableCursor& v = view(viewName);
        if (v.isEmpty())
            throw Error(nothingMarkedText());
        const bool manual = isTrue(v.value(QStringLiteral("NurManuell")));
        --m_counters.AnzAusgewaehlt;
        ++m_counters.AnzNichtAusgewaehlt;
        --(manual ? m_counters.AnzManuell : m_counters.AnzAutomatisch);
        setSelected(v, false);
    });
}

namespace {

// How the views read a boolean: a row without a value counts as false.
const QString SelectedSql = QStringLiteral("IFNULL(Ausgewaehlt, 0) <> 0");
const QString NotSelectedSql = QStringLiteral("IFNULL(Ausgewaehlt, 0) = 0");

} // namespace

// The bulk selection operations change the table in one statement: TableTMP, which they
// walk, is shown by no list, so nothing watches the rows one by one, and the counters
// move by what the statement is about to change.
void TDataModule1::AllesAuswaehlen()
{
    changeAllSelections(true);
}

void TDataModule1::AllesNichtAuswaehlen()
{
    changeAllSelections(false);
}

void TDataModule1::changeAllSelections(bool selected)
{
    try {
        withListRefresh(*this, [this, selected] {
            const QString changing = selected ? NotSelectedSql : SelectedSql;
            int rows = 0;
            int manual = 0;
            bulk([&] {
                store::Statement count = m_db.prepare(
                    QStringLiteral(
                        "SELECT COUNT(*), IFNULL(SUM(IFNULL(NurManuell, 0) <> 0), 0) FROM dba "
                        "WHERE ") +
                    changing);
                count.step();
                rows = int(count.columnInt64(0));
                manual = int(count.columnInt64(1));
                setField(QStringLiteral("Ausgewaehlt"), selected, changing);
            });
            const int sign = selected ? 1 : -1;
            m_counters.AnzNichtAusgewaehlt -= sign * rows;
            m_counters.AnzAusgewaehlt += sign * rows;
            m_counters.AnzManuell += sign * manual;
            m_counters.AnzAutomatisch += sign * (rows - manual);
        });
    } catch (...) {
        // Whatever reached the file, the counters tell it.
        recount();
        throw;
    }
}

void TDataModule1::FilterAuswahlUebernehmen()
{
    TableCursor& v = *m_filter;
    try {
        const ScreenUpdatesOff quiet(v);
        withListRefresh(*this, [this, &v] {
            if (!v.isOpen())
                throw Error(TableCursor::notOpenText(v.viewName()));
            bulk([this, &v] {
                // First every row unselected, then the rows that pass the filter selected:
                // the filter sees the table as the first step left it.
                setField(QStringLiteral("Ausgewaehlt"), false,
                         QStringLiteral("Ausgewaehlt IS NOT 0"));
                v.setFiltered(true);
                QVariantList parameters;
                const QString condition = v.conditionSql(parameters);
                setField(QStringLiteral("Ausgewaehlt"), true, condition, parameters);
            });
            v.refresh();
        });
    } catch (...) {
        recount();
        throw;
    }
    recount();
}

void TDataModule1::markPending(const site::SiteRecord& record)
{
    const QString listed = QStringLiteral("Nr IN (SELECT value FROM json_each(?))");
    // Taken once: each reads the whole site, and the filter dialog asks on every click.
    const QByteArray sitePrint = site::SubmissionLedger::siteFingerprint(record);
    const QByteArray indexNowPrint = site::SubmissionLedger::indexNowFingerprint(record);
    QList<qint64> pending;
    QList<qint64> done;
    for (const StoreRow& row : readRows({QStringLiteral("Nr"), QStringLiteral("IndexNow")})) {
        const qint32 nr = row.values[0].toInt();
        const bool indexNow = row.values[1].toBool();
        (record.ledger.needsSubmission(nr, indexNow, sitePrint, indexNowPrint) ? pending : done)
            .append(nr);
    }
    bulk([&] {
        if (!pending.isEmpty())
            setField(QStringLiteral("Ausstehend"), true, listed, {jsonList(pending)});
        if (!done.isEmpty())
            setField(QStringLiteral("Ausstehend"), false, listed, {jsonList(done)});
    });
}

int TDataModule1::setField(const QString& field, const QVariant& value, const QString& condition,
                           const QVariantList& parameters)
{
    const store::TableDef& table = CatalogueSchema::dba();
    const store::FieldDef* def = table.field(field);
    if (!def)
        throw Error(TableCursor::noFieldText(table.name, field));
    QString sql = QStringLiteral("UPDATE %1 SET %2 = ?")
                      .arg(store::Database::quoted(table.name), store::Database::quoted(def->name));
    if (!condition.isEmpty())
        sql += QStringLiteral(" WHERE ") + condition;
    const store::CachedStatement update = m_db.cached(sql);
    update->bind(1, value);
    update->bindAll(parameters, 2);
    // A statement that fails leaves no row changed (SQLite undoes it as a whole).
    update->step();
    m_db.touch(table.name);
    return sqlite3_changes(m_db.handle());
}

int TDataModule1::setFieldOfRows(const QString& field, const QVariant& value,
                                 const QList<qint64>& rowids)
{
    if (rowids.isEmpty())
        return 0;
    return setField(field, value, QStringLiteral("rowid IN (SELECT value FROM json_each(?))"),
                    {jsonList(rowids)});
}

void TDataModule1::setFieldOfRow(const QString& field, const QVariant& value, qint64 rowid)
{
    setField(field, value, QStringLiteral("rowid = ?"), {rowid});
}

namespace {

// The columns of the named fields for a SELECT, rowid first when asked for.
QStringList selectColumns(const store::TableDef& table, const QStringList& fields,
                          QList<const store::FieldDef*>& defs)
{
    QStringList columns;
    for (const QString& field : fields) {
        const store::FieldDef* def = table.field(field);
        if (!def)
            throw Error(TableCursor::noFieldText(table.name, field));
        defs << def;
        columns << store::Database::quoted(def->name);
    }
    return columns;
}

} // namespace

std::vector<TDataModule1::StoreRow> TDataModule1::readRows(const QStringList& fields,
                                                           const QString& condition,
                                                           const QVariantList& parameters,
                                                           int limit)
{
    const store::TableDef& table = CatalogueSchema::dba();
    QList<const store::FieldDef*> defs;
    const QStringList columns =
        QStringList{QStringLiteral("rowid")} + selectColumns(table, fields, defs);
    const store::CachedStatement query = m_db.cached(
        QStringLiteral("SELECT %1 FROM %2%3 ORDER BY rowid LIMIT ?")
            .arg(columns.join(QStringLiteral(", ")), store::Database::quoted(table.name),
                 condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition));
    query->bindAll(parameters);
    query->bind(int(parameters.size()) + 1, limit);
    std::vector<StoreRow> rows;
    while (query->step()) {
        StoreRow row;
        row.rowid = query->columnInt64(0);
        row.values.reserve(defs.size());
        for (qsizetype i = 0; i < defs.size(); ++i)
            row.values.append(TableCursor::fromStore(query->column(int(i) + 1), *defs.at(i)));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<QVariantList> TDataModule1::mappingRows(const QString& tableName, int engineId,
                                                    const QStringList& fields,
                                                    const QString& condition,
                                                    const QVariantList& parameters, int limit)
{
    const store::TableDef* table = CatalogueSchema::table(tableName);
    if (!table || table == &CatalogueSchema::dba())
        throw Error(QStringLiteral("Unbekannte Zuordnungstabelle \"%1\".").arg(tableName));
    QList<const store::FieldDef*> defs;
    const QStringList columns = selectColumns(*table, fields, defs);
    const store::CachedStatement query = m_db.cached(
        QStringLiteral("SELECT %1 FROM %2 WHERE EngineID = ?%3 ORDER BY EngineID, rowid LIMIT ?")
            .arg(columns.join(QStringLiteral(", ")), store::Database::quoted(table->name),
                 condition.isEmpty() ? QString()
                                     : QStringLiteral(" AND (") + condition + QLatin1Char(')')));
    query->bind(1, engineId);
    query->bindAll(parameters, 2);
    query->bind(int(parameters.size()) + 2, limit);
    std::vector<QVariantList> rows;
    while (query->step()) {
        QVariantList values;
        values.reserve(defs.size());
        for (qsizetype i = 0; i < defs.size(); ++i)
            values.append(TableCursor::fromStore(query->column(int(i)), *defs.at(i)));
        rows.push_back(std::move(values));
    }
    return rows;
}

QString TDataModule1::jsonList(const QList<qint64>& numbers)
{
    QString text = QStringLiteral("[");
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        text += QString::number(numbers.at(i));
    }
    return text + QLatin1Char(']');
}

} // namespace pelvaro::catalogue
