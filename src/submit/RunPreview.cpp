#include "submit/RunPreview.h"

#include "base/UiServices.h"
#include "base/Windows1252.h"
#include "submit/IndexNowKey.h"
#include "submit/IndexNowSubmission.h"
#include "submit/RequestPreparation.h"
#include "submit/SubmissionRun.h"
#include "submit/SubmissionScheduler.h"

#include <memory>

namespace pelvaro::submit {

QString PreviewRequest::methode() const
{
    return request.post ? QStringLiteral("POST") : QStringLiteral("GET");
}

QString PreviewRequest::requestText() const
{
    QString text = base::Windows1252::decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

RunPreview RunPreview::prepare(catalogue::TDataModule1& module, base::UiServices& ui,
                               const site::SiteRecord& record, const QString& answerDirectory,
                               const RequestSettings& settings, const ServiceWaits* waits)
{
    // A list of its own: the run's list is left to the run.
    const auto list = std::make_unique<SendList>();
    QStringList failures;
    {
        const base::WaitNoticeGuard notice(ui, SubmissionRun::preparationNotice());
        RequestPreparation preparation(module, ui, record, answerDirectory);
        preparation.setWaits(waits, QDateTime::currentDateTimeUtc());
        preparation.preview(*list, failures);
    }
    return fromPreparation(*list, failures, settings);
}

RunPreview RunPreview::fromPreparation(const SendList& list, const QStringList& failureLines,
                                       const RequestSettings& settings)
{
    RunPreview preview;
    preview.failureLines = failureLines;
    preview.indexNowStop = list.indexNowStop;
    if (!list.indexNowKey.isEmpty())
        preview.indexNowKeyFile = IndexNowKey::keyFileUrl(list.indexNowSite, list.indexNowKey);
    for (const QString& line : failureLines)
        preview.unprepared.push_back(unpreparedService(line));
    preview.requests.reserve(size_t(list.count));
    for (int i = 0; i < list.count; ++i) {
        PreviewRequest prepared;
        prepared.entry = list.entries[size_t(i)];
        prepared.request = exchangeRequest(prepared.entry, settings);
        prepared.bytes = HttpExchange::requestBytes(prepared.request);
        preview.requests.push_back(std::move(prepared));
    }
    return preview;
}

ExchangeRequest RunPreview::exchangeRequest(const TEineEngine& entry,
                                            const RequestSettings& settings)
{
    ExchangeRequest request;
    request.url = entry.URL;
    request.post = entry.PostDaten != TEineEngine::noBody();
    request.body = request.post ? entry.PostDaten : QString();
    if (entry.IndexNow) {
        // Built as IndexNowSubmission::request builds it: JSON, and no page refers to it.
        request = IndexNowSubmission::request(entry.URL, {});
        request.body = entry.PostDaten;
    } else {
        request.referer =
            entry.Ref ? entry.ManuellURL : SubmissionScheduler::defaultReferringPage();
    }
    request.proxyHost = settings.proxyHost;
    request.proxyPort = settings.proxyPort;
    request.idleTimeLimit = settings.idleTimeLimit;
    request.caFile = settings.caFile;
    return request;
}

UnpreparedService RunPreview::unpreparedService(const QString& failureLine)
{
    // name TAB message TAB code CR number TAB address
    UnpreparedService service;
    const qsizetype cr = failureLine.indexOf(QLatin1Char('\r'));
    const QString head = cr < 0 ? failureLine : failureLine.left(cr);
    const QString tail = cr < 0 ? QString() : failureLine.mid(cr + 1);
    service.name = head.section(QLatin1Char('\t'), 0, 0);
    service.reason = head.section(QLatin1Char('\t'), 1, 1);
    service.nr = tail.section(QLatin1Char('\t'), 0, 0).toInt();
    service.address = tail.section(QLatin1Char('\t'), 1);
    return service;
}

QString RunPreview::summary() const
{
    if (requests.size() == 1)
        return QStringLiteral("1 Suchdienst würde angeschrieben");
    return QStringLiteral("%1 Suchdienste würden angeschrieben").arg(requests.size());
}

QString RunPreview::unpreparedSummary() const
{
    if (unprepared.empty())
        return {};
    if (unprepared.size() == 1)
        return QStringLiteral("1 Suchdienst kann nicht angeschrieben werden:");
    return QStringLiteral("%1 Suchdienste können nicht angeschrieben werden:")
        .arg(unprepared.size());
}

QString RunPreview::indexNowNote() const
{
    if (!indexNowStop.isEmpty())
        return QStringLiteral("Die IndexNow-Dienste würden nicht angeschrieben: %1")
            .arg(indexNowStop);
    if (!indexNowKeyFile.isEmpty())
        return QStringLiteral("Vor dem ersten IndexNow-Dienst wird geprüft, ob %1 den Schlüssel "
                              "enthält; sonst werden die IndexNow-Dienste nicht angeschrieben.")
            .arg(indexNowKeyFile);
    return {};
}

} // namespace pelvaro::submit
