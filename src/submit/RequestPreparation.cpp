#include "submit/RequestPreparation.h"

#include "base/UiServices.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/store/Database.h"
#include "site/CategoryTextLookup.h"
#include "site/FieldValues.h"
#include "site/SiteRecord.h"
#include "submit/ServiceWaits.h"

#include <exception>
#include <optional>

namespace pelvaro::submit {

using catalogue::store::TableCursor;

namespace {

// The selected services with automatic registration; the walk empties this view row by row.
const QString WalkFilter = QStringLiteral("(Nurmanuell = 'False') and (Ausgewaehlt = 'True')");

const QString NotAvailable = QStringLiteral("Nicht verfügbar!");
const QString IncompleteData = QStringLiteral("Nicht verfügbar! (Datenbankfehler)");
const QString ListFull = QStringLiteral("Nicht verfügbar! (Sendeliste voll)");

// Lines of the preparation carry no HTTP status.
constexpr int NoStatus = 0;
constexpr int TooManyRequests = 429;

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

} // namespace

RequestPreparation::RequestPreparation(catalogue::TDataModule1& module, base::UiServices& ui,
                                       const site::SiteRecord& record,
                                       const QString& answerDirectory)
    : m_module(module), m_ui(ui), m_record(record), m_answerDirectory(answerDirectory)
{
}

template <typename Transaction>
void RequestPreparation::prepareWithin(SendList& list, QStringList& failures,
                                       Transaction&& transaction)
{
    m_notPrepared.clear();
    try {
        beginWalk();
        list.clear();
        const catalogue::SelectionCounters& counters = m_module.counters();
        if (counters.AnzAusgewaehlt >= 1 && counters.AnzAutomatisch >= 1)
            transaction([&] { walk(list, failures); });
    } catch (...) {
        endWalk();
        throw;
    }
    endWalk();
    if (!m_notPrepared.isEmpty())
        m_ui.error(notPreparedMessage(m_notPrepared));
}

QString RequestPreparation::notPreparedMessage(const QStringList& names)
{
    QStringList lines;
    for (const QString& name : names.mid(0, NotPreparedListed))
        lines << notPreparedText(name);
    if (names.size() > NotPreparedListed)
        lines << QStringLiteral("... und %1 weitere (sie stehen mit \"Nicht verfügbar!\" im "
                                "Statusbericht)")
                     .arg(names.size() - NotPreparedListed);
    return lines.join(QLatin1Char('\n'));
}

void RequestPreparation::DatenZumSendenVorbereiten(SendList& list, QStringList& failures)
{
    prepareWithin(list, failures, [this](auto&& walk) { m_module.bulk(walk); });
}

void RequestPreparation::preview(SendList& list, QStringList& failures)
{
    prepareWithin(list, failures, [this](auto&& walk) { m_module.trial(walk); });
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
    // The list views were closed during the walk and have just read their rows afresh.
    m_module.recount();
    if (failure)
        std::rethrow_exception(failure);
}

namespace {

// What the walk reads of each service, in this order.
const QStringList ServiceFields{
    QStringLiteral("Name"),       QStringLiteral("Nr"),      QStringLiteral("URL"),
    QStringLiteral("KostetGeld"), QStringLiteral("Action"),  QStringLiteral("Methode"),
    QStringLiteral("Status"),     QStringLiteral("Ref"),     QStringLiteral("ManuellURL"),
    QStringLiteral("Parameter1"), QStringLiteral("IndexNow")};
enum ServiceField
{
    NameField,
    NrField,
    UrlField,
    ChargesField,
    ActionField,
    MethodeField,
    StatusField,
    RefField,
    ManuellUrlField,
    FixedParametersField,
    IndexNowField
};

// The category texts of one service, looked up in its category rows when a form field asks
// for one.
class CategoriesOf : public site::CategoryTextLookup
{
public:
    CategoriesOf(catalogue::TDataModule1& module, int nr) : m_module(module), m_nr(nr) {}
    QString categoryText(int categoryNumber) const override
    {
        const std::vector<QVariantList> rows =
            m_module.mappingRows(QStringLiteral("dbc"), m_nr, {QStringLiteral("KategorieInEngine")},
                                 QStringLiteral("KategorieNrInVindrel = ?"), {categoryNumber}, 1);
        return rows.empty() ? QString() : rows.front().at(0).toString();
    }

private:
    catalogue::TDataModule1& m_module;
    int m_nr;
};

} // namespace

void RequestPreparation::walk(SendList& list, QStringList& failures)
{
    // The rows TableTMP shows, read at once: every service is treated once and its outcome
    // posted to its own row, and no list watches TableTMP meanwhile (the list views are
    // closed), so the walk need not step the view from row to row.
    QVariantList parameters;
    const QString condition = m_module.TableTMP().conditionSql(parameters);
    const std::vector<catalogue::TDataModule1::StoreRow> services =
        m_module.readRows(ServiceFields, condition, parameters);
    for (const catalogue::TDataModule1::StoreRow& service : services)
        treatService(service.rowid, service.values, list, failures);
}

void RequestPreparation::treatService(qint64 rowid, const QVariantList& service, SendList& list,
                                      QStringList& failures)
{
    const QString name = service.at(NameField).toString();
    const qint32 nr = service.at(NrField).toInt();
    const QString url = service.at(UrlField).toString();
    const auto post = [this, rowid](const QString& field, bool value) {
        m_module.setFieldOfRow(field, value, rowid);
    };
    try {
        if (isTrue(service.at(ChargesField))) {
            post(QStringLiteral("Ausgewaehlt"), false);
            return;
        }

        const QString action = service.at(ActionField).toString();
        const QString methode = service.at(MethodeField).toString();
        // A missing status reads as 0, as the catalogue has always treated it.
        const int status = service.at(StatusField).toInt();
        // The lines of a service are added once the catalogue holds its change, so that a
        // failing post leaves exactly one line for the service: the one from the catch below.
        const bool indexNow = isTrue(service.at(IndexNowField));
        // An IndexNow endpoint needs no form method: what it takes is fixed.
        if (action.isEmpty() || status != 0 || (methode.isEmpty() && !indexNow)) {
            post(QStringLiteral("NurManuell"), true);
            failures << resultLine(name, IncompleteData, NoStatus, nr, url);
            return;
        }

        // A service still waiting after a 429 keeps its place in the selection, so the
        // first run after the wait sends it.
        if (const std::optional<QDateTime> until =
                m_waits ? m_waits->blockedUntil(action, m_now) : std::nullopt) {
            failures << resultLine(name, ServiceWaits::skippedText(*until), TooManyRequests, nr,
                                   url);
            return;
        }

        if (list.count >= SendList::Capacity) {
            // Deselecting would drop the service from the user's selection without sending
            // it; left as it is, the next run picks it up.
            failures << resultLine(name, ListFull, NoStatus, nr, url);
            return;
        }

        if (indexNow) {
            const IndexNowSubmission::Body& body = indexNowBody();
            if (!body.failure.isEmpty()) {
                // The site's fault, not the service's: it stays selected, and the run says
                // once why the IndexNow part did not go out.
                list.indexNowStop = body.failure;
                return;
            }
            TEineEngine& entry = list.entries[size_t(list.count)];
            entry = TEineEngine();
            entry.URL = IndexNowSubmission::endpointUrl(action);
            entry.PostDaten = QString::fromLatin1(body.json);
            entry.Name = name;
            entry.Nr = nr;
            entry.AntwortDatei =
                m_answerDirectory + QLatin1Char('/') + name + QStringLiteral(".html");
            entry.ManuellURL = service.at(ManuellUrlField).toString();
            entry.IndexNow = true;
            list.indexNowSite = m_record.URLEdit;
            list.indexNowKey = m_record.indexNowKey;
            --m_module.counters().AnzAutomatisch;
            post(QStringLiteral("Ausgewaehlt"), false);
            ++list.count;
            return;
        }

        TEineEngine& entry = list.entries[size_t(list.count)];
        QStringList lines;
        const QString fixed = service.at(FixedParametersField).toString();
        const bool prepared = prepareEntry(
            entry, name, methode, isTrue(service.at(RefField)), nr,
            service.at(ManuellUrlField).toString(), action, lines,
            [this, &fixed, nr](QString& out) { return buildParameters(fixed, nr, out); });
        if (!prepared)
            m_notPrepared << name;
        --m_module.counters().AnzAutomatisch;
        post(QStringLiteral("Ausgewaehlt"), false);
        failures << lines;
        // Counted only once the catalogue knows the service is handled: a service whose
        // deselection fails is reported below and must not be sent as well.
        if (prepared)
            ++list.count;
    } catch (const catalogue::store::BusyError&) {
        // Another program holds the catalogue: nothing is wrong with this service, and the
        // whole preparation stops with the reason.
        throw;
    } catch (const std::exception&) {
        failures << resultLine(name, NotAvailable, NoStatus, nr, url);
        try {
            post(QStringLiteral("Ausgewaehlt"), false);
        } catch (const std::exception&) {
            // The row stays selected; the next preparation meets it again.
        }
    }
}

bool RequestPreparation::EintragVorbereiten(TEineEngine& entry, const QString& name,
                                            const QString& methode, bool ref, qint32 nr,
                                            const QString& manuellUrl, const QString& action,
                                            QStringList& failures)
{
    return prepareEntry(entry, name, methode, ref, nr, manuellUrl, action, failures,
                        [this](QString& out) { return ParameterErmitteln(out); });
}

bool RequestPreparation::prepareEntry(TEineEngine& entry, const QString& name,
                                      const QString& methode, bool ref, qint32 nr,
                                      const QString& manuellUrl, const QString& action,
                                      QStringList& failures,
                                      const std::function<bool(QString&)>& parametersOf)
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
        built = parametersOf(parameters);
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
    } catch (const catalogue::store::BusyError&) {
        throw;
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
    return buildParameters(service.value(QStringLiteral("Parameter1")).toString(),
                           service.value(QStringLiteral("Nr")).toInt(), out);
}

bool RequestPreparation::buildParameters(const QString& fixed, qint32 nr, QString& out)
{
    out.clear();
    // The catalogue keeps the fixed parameters in their final form. An empty text means the
    // same as no value: a lone "&" would only garble the request.
    const QString prefix = fixed.isEmpty() ? QString() : fixed + QLatin1Char('&');

    const CategoriesOf categories(m_module, nr);
    const std::vector<QVariantList> fields = m_module.mappingRows(
        QStringLiteral("dbd"), nr,
        {QStringLiteral("FeldNrInVindrel"), QStringLiteral("FeldNameInEngine")});
    QStringList pairs;
    for (const QVariantList& row : fields) {
        const QString text = row.at(1).toString();
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'));
        // The part after the ";" is the catalogue's note on the field, not part of its name.
        const QString fieldName = semicolon < 0 ? QString() : text.left(semicolon);
        // A number that denotes no site value sends the row's own text: that is how the
        // catalogue gives a service a fixed value for one of its fields.
        const std::optional<QString> value =
            site::FieldValues::FeldWert(m_record, row.at(0).toInt(), &categories);
        pairs << fieldName + QLatin1Char('=') + value.value_or(text);
    }
    if (pairs.isEmpty())
        return false;
    out = prefix + pairs.join(QLatin1Char('&'));
    return true;
}

const IndexNowSubmission::Body& RequestPreparation::indexNowBody()
{
    if (!m_indexNowBody)
        m_indexNowBody = IndexNowSubmission::buildBody(m_record.URLEdit, m_record.indexNowKey,
                                                       m_record.indexNowUrls);
    return *m_indexNowBody;
}

bool RequestPreparation::EintragGueltig(const TEineEngine& entry)
{
    return entry.URL != TEineEngine::errorUrl() && !entry.URL.isEmpty() && !entry.Name.isEmpty() &&
           !entry.PostDaten.isEmpty() && !entry.AntwortDatei.isEmpty();
}

} // namespace pelvaro::submit
