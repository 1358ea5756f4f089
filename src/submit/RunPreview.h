#pragma once

#include "submit/HttpExchange.h"
#include "submit/TEineEngine.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

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

// What a run sends with besides the prepared entries: the proxy, the idle time limit and
// the extra certificates for https.
struct RequestSettings
{
    QString proxyHost;
    QString proxyPort;
    int idleTimeLimit = 0;
    QString caFile;
};

// One service a run would write to, with its request as it would go out.
struct PreviewRequest
{
    TEineEngine entry;
    ExchangeRequest request;
    // The exact bytes of the request; empty when the address is not one the exchange can
    // send to (the run then files "Nicht unterstützte Adresse" for it).
    QByteArray bytes;

    // "GET" or "POST".
    QString methode() const;
    // The bytes as text, one header line per line.
    QString requestText() const;
};

// A selected automatic service the preparation could not turn into a request.
struct UnpreparedService
{
    qint32 nr = 0;
    QString name;
    QString reason;
    QString address;
};

// What a run would send and what it could not prepare, without sending anything or leaving
// a trace in the catalogue. The command line's "prepare" and the window's "Vorschau" both
// read it, so both show what the run itself would do.
struct RunPreview
{
    std::vector<PreviewRequest> requests;
    std::vector<UnpreparedService> unprepared;
    // The failure lines the run would file, in its order.
    QStringList failureLines;
    // Why the IndexNow services would not go out (SendList::indexNowStop); empty if they
    // would, or if none is selected.
    QString indexNowStop;
    // With IndexNow requests: the key file the run checks before the first of them.
    QString indexNowKeyFile;

    // Prepares the selected automatic services as a run would (the same walk, its boxes
    // included) and undoes the walk's changes to the catalogue afterwards.
    static RunPreview prepare(catalogue::TDataModule1& module, base::UiServices& ui,
                              const site::SiteRecord& record, const QString& answerDirectory,
                              const RequestSettings& settings, const ServiceWaits* waits = nullptr);
    // The preview of a list a preparation has filled and of its failure lines.
    static RunPreview fromPreparation(const SendList& list, const QStringList& failureLines,
                                      const RequestSettings& settings);
    // The request the scheduler sends for a prepared entry.
    static ExchangeRequest exchangeRequest(const TEineEngine& entry,
                                           const RequestSettings& settings);
    // A failure line of the preparation taken apart.
    static UnpreparedService unpreparedService(const QString& failureLine);

    // "N Suchdienste würden angeschrieben".
    QString summary() const;
    // How many could not be prepared; empty when all could.
    QString unpreparedSummary() const;
    // What the run would do about IndexNow before sending: the key file check, or why the
    // IndexNow services would stay out. Empty without IndexNow services.
    QString indexNowNote() const;
};

} // namespace pelvaro::submit
