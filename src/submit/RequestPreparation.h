#pragma once

#include "submit/IndexNowSubmission.h"
#include "submit/TEineEngine.h"

#include <QDateTime>

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace pelvaro::base {
class UiServices;
}
namespace pelvaro::catalogue {
class TDataModule1;
}
namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::submit {

class ServiceWaits;

// Turns the user's selection of automatic services into ready-made requests before a run
// sends anything: walks the selected services in store order, fills each service's form from
// the site description and records the outcome in the catalogue at once (prepared services
// are deselected, services with incomplete data move to the manual group, services that
// charge for entries are deselected silently). Runs on the main thread.
class RequestPreparation
{
    Q_DISABLE_COPY_MOVE(RequestPreparation)

public:
    RequestPreparation(catalogue::TDataModule1& module, base::UiServices& ui,
                       const site::SiteRecord& record, const QString& answerDirectory);

    // Services still waiting after a 429 are passed over (they stay selected) with a failure
    // line saying until when. Without waits none is passed over.
    void setWaits(const ServiceWaits* waits, const QDateTime& now)
    {
        m_waits = waits;
        m_now = now;
    }

    // Empties the list and fills it with one entry per prepared service; services that cannot
    // be prepared are reported as lines appended to failures. The catalogue's list views and
    // counters are restored afterwards, also when the walk itself breaks down; such a
    // breakdown (the catalogue cannot be walked at all) then reaches the caller as
    // pelvaro::Error.
    //
    // A list holds SendList::Capacity entries. Services beyond that are not prepared: they
    // stay selected for automatic submission, untouched, so the next run sends them, and each
    // is reported with the line "Nicht verfügbar! (Sendeliste voll)".
    void DatenZumSendenVorbereiten(SendList& list, QStringList& failures);
    // What DatenZumSendenVorbereiten would prepare and report, message boxes included, without
    // its traces: the walk's changes to the catalogue are undone afterwards, and the views
    // and counters are as they were.
    void preview(SendList& list, QStringList& failures);

    // Builds one entry in place for the service on which TableTMP stands; true when the entry
    // can be sent. Without form parameters the service is reported in failures with its
    // registration page as address.
    bool EintragVorbereiten(TEineEngine& entry, const QString& name, const QString& methode,
                            bool ref, qint32 nr, const QString& manuellUrl, const QString& action,
                            QStringList& failures);

    // The parameter string of the service on which TableTMP stands: its fixed parameters and
    // "&", then name=value per form field, joined by "&", nothing escaped. False (and out
    // empty) when the service has no form fields.
    bool ParameterErmitteln(QString& out);

    // True when the entry has an address other than the error marker and a name, a body (or
    // the no-body marker) and an answer file.
    static bool EintragGueltig(const TEineEngine& entry);

    // The one box for the services that could not be prepared: each one's own line, the
    // first ones listed in full.
    static QString notPreparedMessage(const QStringList& names);
    static constexpr qsizetype NotPreparedListed = 20;

private:
    template <typename Transaction>
    void prepareWithin(SendList& list, QStringList& failures, Transaction&& transaction);
    void beginWalk();
    void endWalk();
    void walk(SendList& list, QStringList& failures);
    void treatService(qint64 rowid, const QVariantList& service, SendList& list,
                      QStringList& failures);
    bool prepareEntry(TEineEngine& entry, const QString& name, const QString& methode, bool ref,
                      qint32 nr, const QString& manuellUrl, const QString& action,
                      QStringList& failures, const std::function<bool(QString&)>& parametersOf);
    // The parameter string of the service with that Nr and those fixed parameters.
    bool buildParameters(const QString& fixed, qint32 nr, QString& out);
    // The IndexNow services of a run all get the same body, built once.
    const IndexNowSubmission::Body& indexNowBody();

    catalogue::TDataModule1& m_module;
    base::UiServices& m_ui;
    const site::SiteRecord& m_record;
    QString m_answerDirectory;
    const ServiceWaits* m_waits = nullptr;
    QDateTime m_now;
    std::optional<IndexNowSubmission::Body> m_indexNowBody;
    // The services that could not be prepared, told in one box once the walk is over: a
    // box per service would stop the walk as often, and hold the catalogue meanwhile.
    QStringList m_notPrepared;
};

} // namespace pelvaro::submit
