#include "catalogue/TDataModule1.h"

#include "base/Error.h"
#include "base/UiServices.h"
#include "catalogue/store/CatalogueDatabase.h"

namespace pelvaro::catalogue {

using store::CatalogueSchema;
using store::ScreenUpdatesOff;
using store::TableCursor;

namespace {

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
        store::CatalogueDatabase::verifySchema(m_db);
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
        m_ui.warning(openFailureText());
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
            throw Error(QStringLiteral("Es ist kein Eintrag markiert."));
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
            throw Error(QStringLiteral("Es ist kein Eintrag markiert."));
        const bool manual = isTrue(v.value(QStringLiteral("NurManuell")));
        --m_counters.AnzAusgewaehlt;
        ++m_counters.AnzNichtAusgewaehlt;
        --(manual ? m_counters.AnzManuell : m_counters.AnzAutomatisch);
        setSelected(v, false);
    });
}

void TDataModule1::AllesAuswaehlen()
{
    withListRefresh(*this, [this] {
        bulk([this] {
            TableCursor& v = *m_tmp;
            const ScreenUpdatesOff quiet(v);
            for (v.first(); !v.eof() && !v.isEmpty(); v.next()) {
                if (isTrue(v.value(QStringLiteral("Ausgewaehlt"))))
                    continue;
                --m_counters.AnzNichtAusgewaehlt;
                ++m_counters.AnzAusgewaehlt;
                ++(isTrue(v.value(QStringLiteral("NurManuell"))) ? m_counters.AnzManuell
                                                                 : m_counters.AnzAutomatisch);
                setSelected(v, true);
            }
        });
    });
}

void TDataModule1::AllesNichtAuswaehlen()
{
    withListRefresh(*this, [this] {
        bulk([this] {
            TableCursor& v = *m_tmp;
            const ScreenUpdatesOff quiet(v);
            for (v.first(); !v.eof() && !v.isEmpty(); v.next()) {
                if (!isTrue(v.value(QStringLiteral("Ausgewaehlt"))))
                    continue;
                ++m_counters.AnzNichtAusgewaehlt;
                --m_counters.AnzAusgewaehlt;
                --(isTrue(v.value(QStringLiteral("NurManuell"))) ? m_counters.AnzManuell
                                                                 : m_counters.AnzAutomatisch);
                setSelected(v, false);
            }
        });
    });
}

void TDataModule1::FilterAuswahlUebernehmen()
{
    TableCursor& v = *m_filter;
    try {
        const ScreenUpdatesOff quiet(v);
        withListRefresh(*this, [this, &v] {
            bulk([this, &v] {
                v.setFiltered(false);
                for (v.first(); !v.eof() && !v.isEmpty(); v.next())
                    setSelected(v, false);
                v.setFiltered(true);
                for (v.first(); !v.eof() && !v.isEmpty(); v.next())
                    setSelected(v, true);
            });
        });
    } catch (...) {
        recount();
        throw;
    }
    recount();
}

} // namespace pelvaro::catalogue
