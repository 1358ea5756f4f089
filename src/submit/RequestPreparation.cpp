#include "submit/RequestPreparation.h"

#include "base/UiServices.h"
#include "catalogue/ServiceCategories.h"
#include "catalogue/TDataModule1.h"
#include "site/FieldValues.h"
#include "site/SiteRecord.h"

#include <exception>
#include <optional>

namespace pelvaro::submit {

using catalogue::store::ScreenUpdatesOff;
using catalogue::store::TableCursor;

namespace {

// The selected services with automatic registration; the walk empties this view row by row.
const QString WalkFilter = QStringLiteral("(Nurmanuell = 'False') and (Ausgewaehlt = 'True')");

const QString NotAvailable = QStringLiteral("Nicht verfügbar!");
const QString IncompleteData = QStringLiteral("Nicht verfügbar! (Datenbankfehler)");
const QString ListFull = QStringLiteral("Nicht verfügbar! (Sendeliste voll)");

// Lines of the preparation carry no HTTP status.
constexpr int NoStatus = 0;

QString notPreparedText(const QString& name)
{
    return QStringLiteral(" Nicht-kritischer Fehler Nr. 110219 (") + name + QLatin1Char(')');
}

// The list views the walk closes so that they do not follow every post.
QStringList closedViews()
{
    return {QStringLiteral("TableEngines"), QStringLiteral("TableEngToSend"),
            QStringLiteral("TableFilter"), QStringLiteral("TableAutomatischSenden"),
            QStringLiteral("TableManuellSenden")};
}

bool isTrue(const QVariant& value)
{
    return value.isValid() && value.toBool();
}

void setAndPost(TableCursor& view, const QString& field, bool value)
{
    view.edit();
    view.setValue(field, value);
    view.post();
}

} // namespace

RequestPreparation::RequestPreparation(catalogue::TDataModule1& module, base::UiServices& ui,
                                       const site::SiteRecord& record,
                                       const QString& answerDirectory)
    : m_module(module), m_ui(ui), m_record(record), m_answerDirectory(answerDirectory)
{
}

void RequestPreparation::DatenZumSendenVorbereiten(SendList& list, QStringList& failures)
{
    try {
        beginWalk();
        list.clear();
        const catalogue::SelectionCounters& counters = m_module.counters();
        if (counters.AnzAusgewaehlt >= 1 && counters.AnzAutomatisch >= 1)
            m_module.bulk([&] { walk(list, failures); });
    } catch (...) {
        endWalk();
        throw;
    }
    endWalk();
}

void RequestPreparation::beginWalk()
{
    TableCursor& tmp = m_module.TableTMP();
    tmp.setFilter(WalkFilter);
    tmp.setFiltered(true);
    m_module.TableKategorien().open();
    m_module.TableFelder().open();
    for (const QString& name : closedViews())
        m_module.view(name).close();
}

void RequestPreparation::endWalk()
{
    // Every step is tried even when an earlier one failed: the main window needs its lists
    // and counters back whatever happened. The first failure is passed on afterwards.
    std::exception_ptr failure;
    const auto attempt = [&failure](auto&& step) {
        try {
            step();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    };
    for (const QString& name : closedViews())
        attempt([&] { m_module.view(name).open(); });
    m_module.TableKategorien().close();
    m_module.TableFelder().close();
    attempt([&] {
        TableCursor& tmp = m_module.TableTMP();
        tmp.setFiltered(false);
        tmp.setFilter(QString());
    });
    attempt([&] { m_module.refreshListViews(); });
    m_module.recount();
    if (failure)
        std::rethrow_exception(failure);
}

void RequestPreparation::walk(SendList& list, QStringList& failures)
{
    TableCursor& tmp = m_module.TableTMP();
    const ScreenUpdatesOff quiet(tmp);
    tmp.first();
    while (!tmp.eof() && !tmp.isEmpty()) {
        const int rowsBefore = tmp.rowCount();
        treatCurrentService(list, failures);
        // Every treatment posts a change that takes the row out of the view, and the view then
        // stands on the next row. A row that stays (the list was full, or even its
        // deselection could not be posted) is stepped over, or the walk would never end.
        if (tmp.rowCount() == rowsBefore)
            tmp.next();
    }
}

void RequestPreparation::treatCurrentService(SendList& list, QStringList& failures)
{
    TableCursor& tmp = m_module.TableTMP();
    QString name;
    qint32 nr = 0;
    QString url;
    try {
        name = tmp.value(QStringLiteral("Name")).toString();
        nr = tmp.value(QStringLiteral("Nr")).toInt();
        url = tmp.value(QStringLiteral("URL")).toString();

        if (isTrue(tmp.value(QStringLiteral("KostetGeld")))) {
            setAndPost(tmp, QStringLiteral("Ausgewaehlt"), false);
            return;
        }

        const QString action = tmp.value(QStringLiteral("Action")).toString();
        const QString methode = tmp.value(QStringLiteral("Methode")).toString();
        // A missing status reads as 0, as the catalogue has always treated it.
        const int status = tmp.value(QStringLiteral("Status")).toInt();
        // The lines of a service are added once the catalogue holds its change, so that a
        // failing post leaves exactly one line for the service: the one from the catch below.
        if (action.isEmpty() || status != 0 || methode.isEmpty()) {
            setAndPost(tmp, QStringLiteral("NurManuell"), true);
            failures << resultLine(name, IncompleteData, NoStatus, nr, url);
            return;
        }

        if (list.count >= SendList::Capacity) {
            // Deselecting would drop the service from the user's selection without sending
            // it; left as it is, the next run picks it up.
            failures << resultLine(name, ListFull, NoStatus, nr, url);
            return;
        }

        TEineEngine& entry = list.entries[size_t(list.count)];
        QStringList lines;
        const bool prepared =
            EintragVorbereiten(entry, name, methode, isTrue(tmp.value(QStringLiteral("Ref"))), nr,
                               tmp.value(QStringLiteral("ManuellURL")).toString(), action, lines);
        if (!prepared)
            m_ui.error(notPreparedText(name));
        --m_module.counters().AnzAutomatisch;
        setAndPost(tmp, QStringLiteral("Ausgewaehlt"), false);
        failures << lines;
        // Counted only once the catalogue knows the service is handled: a service whose
        // deselection fails is reported below and must not be sent as well.
        if (prepared)
            ++list.count;
    } catch (const std::exception&) {
        failures << resultLine(name, NotAvailable, NoStatus, nr, url);
        try {
            tmp.cancel();
            setAndPost(tmp, QStringLiteral("Ausgewaehlt"), false);
        } catch (const std::exception&) {
            // The row stays selected; the walk steps over it.
        }
    }
}

bool RequestPreparation::EintragVorbereiten(TEineEngine& entry, const QString& name,
                                            const QString& methode, bool ref, qint32 nr,
                                            const QString& manuellUrl, const QString& action,
                                            QStringList& failures)
{
    if (m_module.counters().AnzAutomatisch <= 0)
        return false;

    entry = TEineEngine();
    entry.URL = TEineEngine::errorUrl();
    const QString answerFile =
        m_answerDirectory + QLatin1Char('/') + name + QStringLiteral(".html");

    bool built = false;
    try {
        QString parameters;
        built = ParameterErmitteln(parameters);
        if (built) {
            if (methode.toUpper() == QLatin1String("G")) {
                entry.URL = action + QLatin1Char('?') + parameters;
                entry.PostDaten = TEineEngine::noBody();
            } else {
                entry.URL = action;
                entry.PostDaten = parameters;
            }
            entry.Name = name;
            entry.AntwortDatei = answerFile;
            entry.Nr = nr;
            entry.ManuellURL = manuellUrl;
            entry.Ref = ref;
        }
    } catch (const std::exception&) {
        built = false;
    }
    if (!built) {
        failures << resultLine(name, NotAvailable, NoStatus, nr, manuellUrl);
        entry.URL = TEineEngine::errorUrl();
    }
    return EintragGueltig(entry);
}

bool RequestPreparation::ParameterErmitteln(QString& out)
{
    out.clear();
    TableCursor& service = m_module.TableTMP();
    TableCursor& fields = m_module.TableFelder();
    if (!fields.isOpen())
        fields.open();

    // The catalogue keeps the fixed parameters in their final form. An empty text means the
    // same as no value: a lone "&" would only garble the request.
    const QString fixed = service.value(QStringLiteral("Parameter1")).toString();
    const QString prefix = fixed.isEmpty() ? QString() : fixed + QLatin1Char('&');

    const catalogue::ServiceCategories categories(m_module);
    const int numberField = fields.fieldIndex(QStringLiteral("FeldNrInVindrel"));
    const int nameField = fields.fieldIndex(QStringLiteral("FeldNameInEngine"));
    QStringList pairs;
    for (int row = 0; row < fields.rowCount(); ++row) {
        const QString text = fields.valueAt(row, nameField).toString();
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'));
        // The part after the ";" is the catalogue's note on the field, not part of its name.
        const QString fieldName = semicolon < 0 ? QString() : text.left(semicolon);
        // A number that denotes no site value sends the row's own text: that is how the
        // catalogue gives a service a fixed value for one of its fields.
        const std::optional<QString> value = site::FieldValues::FeldWert(
            m_record, fields.valueAt(row, numberField).toInt(), &categories);
        pairs << fieldName + QLatin1Char('=') + value.value_or(text);
    }
    if (pairs.isEmpty())
        return false;
    out = prefix + pairs.join(QLatin1Char('&'));
    return true;
}

bool RequestPreparation::EintragGueltig(const TEineEngine& entry)
{
    return entry.URL != TEineEngine::errorUrl() && !entry.URL.isEmpty() && !entry.Name.isEmpty() &&
           !entry.PostDaten.isEmpty() && !entry.AntwortDatei.isEmpty();
}

} // namespace pelvaro::submit
