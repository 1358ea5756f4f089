#include "cli/SubmitCommands.h"

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/ProgramPaths.h"
#include "base/SettingsStore.h"
#include "catalogue/CatalogueSiteDates.h"
#include "catalogue/TDataModule1.h"
#include "cli/ConsoleUiServices.h"
#include "reports/StandardReport.h"
#include "reports/StatusReport.h"
#include "reports/rtf/RtfCodec.h"
#include "site/FieldGuidance.h"
#include "site/RecentFileList.h"
#include "site/SiteDocument.h"
#include "site/SiteFile.h"
#include "site/SiteForm.h"
#include "site/SiteRecord.h"
#include "site/SubmissionLedger.h"
#include "submit/HttpExchange.h"
#include "submit/RunPreview.h"
#include "submit/ServiceWaits.h"
#include "submit/SubmissionRun.h"
#include "submit/SubmissionScheduler.h"
#include "submit/TEineEngine.h"

#include <QCoreApplication>
#include <QDate>
#include <QEventLoop>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTextDocument>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace pelvaro::cli {

namespace {

// Without controls, the record itself is what the "page" shows.
class RecordForm : public site::SiteForm
{
public:
    void readInto(site::SiteRecord& record) const override
    {
        // A page has no controls for these: what the record holds now stays.
        const auto keys = record.Key;
        const auto dates = record.dates;
        const QString indexNowKey = record.indexNowKey;
        const QStringList indexNowUrls = record.indexNowUrls;
        const site::SubmissionLedger ledger = record.ledger;
        record = m_shown;
        record.Key = keys;
        record.dates = dates;
        record.indexNowKey = indexNowKey;
        record.indexNowUrls = indexNowUrls;
        record.ledger = ledger;
    }
    void showRecord(const site::SiteRecord& record) override { m_shown = record; }

private:
    site::SiteRecord m_shown;
};

int signalPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

SubmitCommands::SubmitCommands(ConsoleUiServices& ui, QTextStream& out, QTextStream& err,
                               const QString& programDirectory, const QString& settingsFile)
    : m_ui(ui), m_out(out), m_err(err), m_programDirectory(programDirectory),
      m_settingsFile(settingsFile)
{
}

int SubmitCommands::fail(const QString& message)
{
    m_err << QStringLiteral("Fehler: ") << message << '\n';
    m_err.flush();
    return 1;
}

QString SubmitCommands::printable(bool success, const QString& line)
{
    QString shown = line;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\t'));
    return (success ? QStringLiteral("+\t") : QStringLiteral("-\t")) + shown;
}

int SubmitCommands::prepare(catalogue::TDataModule1& module, const QStringList& arguments)
{
    if (arguments.size() != 1)
        return fail(QStringLiteral("prepare erwartet genau eine Site-Info-Datei."));
    const site::SiteFile::ReadResult read = site::SiteFile::read(arguments.first());
    if (read.failure != site::SiteFile::Failure::None)
        return fail(read.message);
    const site::SiteRecord& record = read.record;
    // The run would refuse this address; what it would send is no question then.
    if (const QString problem = submit::SubmissionRun::siteAddressProblem(record.URLEdit);
        !problem.isEmpty())
        return fail(problem);

    base::SettingsStore store(m_settingsFile);
    store.LoadSettings();
    const base::Settings& settings = store.settings();
    const base::ProgramPaths paths(m_programDirectory);
    // What a run would send, without its traces: the catalogue stays as it is.
    const submit::ServiceWaits waits = submit::ServiceWaits::fromText(settings.serviceWaits);
    const submit::RunPreview preview = submit::RunPreview::prepare(
        module, m_ui, record, paths.answerPageDirectory(),
        {settings.proxyHost, settings.proxyPort, settings.idleTimeLimit, settings.caFile}, &waits);
    for (const QString& line : preview.failureLines)
        m_out << printable(false, line) << '\n';
    // The key file check or why IndexNow stays out: beside the lines, not among them.
    if (const QString note = preview.indexNowNote(); !note.isEmpty())
        m_ui.warning(note);
    for (const submit::PreviewRequest& request : preview.requests) {
        const submit::TEineEngine& e = request.entry;
        // Joined, not formatted: the texts themselves may hold "%2F" and the like.
        const QStringList fields{QStringLiteral("SEND"),
                                 QString::number(e.Nr),
                                 e.Name,
                                 e.URL,
                                 e.PostDaten,
                                 e.AntwortDatei,
                                 e.Ref ? QStringLiteral("1") : QStringLiteral("0"),
                                 e.ManuellURL};
        m_out << fields.join(QLatin1Char('\t')) << '\n';
    }
    m_out.flush();
    return 0;
}

void SubmitCommands::send(const submit::SendList& list, QStringList& success, QStringList& failures,
                          const submit::SubmissionScheduler::Settings& settings)
{
    submit::SubmissionScheduler scheduler(m_ui, list, success, failures, settings);
    QEventLoop loop;
    QObject::connect(&scheduler, &submit::SubmissionScheduler::resultFiled, &loop,
                     [this](bool ok, const QString& line) {
                         m_out << printable(ok, line) << '\n';
                         m_out.flush();
                     });
    QObject::connect(&scheduler, &submit::SubmissionScheduler::runEnded, &loop, &QEventLoop::quit);

    // Ctrl+C asks to abort the run; a second one discards all workers, as the two clicks
    // on "Abbrechen" do.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        throw Error(QStringLiteral("Die Anmeldung kann nicht gestartet werden: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    QSocketNotifier interrupts(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&interrupts, &QSocketNotifier::activated, &loop, [this, &scheduler] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
        if (scheduler.finished())
            return;
        m_ui.answerNextQuestion(base::MessageAnswer::Yes);
        scheduler.StartenButtonClick();
    });
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    struct sigaction previous = {};
    ::sigaction(SIGINT, &action, &previous);

    scheduler.FormActivate();
    scheduler.StartenButtonClick();
    if (!scheduler.finished())
        loop.exec();
    scheduler.FormClose();

    ::sigaction(SIGINT, &previous, nullptr);
    interrupts.setEnabled(false);
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

bool SubmitCommands::writeReports(const QString& reportPath, const QString& standardReportPath,
                                  const QStringList& success, const QStringList& failures,
                                  const submit::SubmissionRun& run, const site::SiteRecord& record,
                                  const submit::SubmissionRun::Clock& today)
{
    if (!reportPath.isEmpty()) {
        QTextDocument report;
        report.setDefaultFont(QFont(QStringLiteral("Arial"), 8)); // the report window's font
        reports::StatusReport::generate(m_ui, report, success, failures, record, today);
        const QString failure = base::AtomicFile::write(reportPath, reports::rtf::writeRtf(report));
        if (!failure.isEmpty()) {
            fail(QStringLiteral("Der Bericht %1 kann nicht gespeichert werden: %2")
                     .arg(reportPath, failure));
            return false;
        }
    }
    if (!standardReportPath.isEmpty()) {
        const QByteArray pdf = reports::StandardReport::pdf(
            reports::StandardReport::rows(run.successRows(), run.failureRows()),
            reports::StandardReport::View::Dienst, {record.URLEdit, today()});
        const QString failure = base::AtomicFile::write(standardReportPath, pdf);
        if (!failure.isEmpty()) {
            fail(QStringLiteral("Der Bericht %1 kann nicht gespeichert werden: %2")
                     .arg(standardReportPath, failure));
            return false;
        }
    }
    return true;
}

int SubmitCommands::submit(catalogue::TDataModule1& module, const QStringList& arguments)
{
    QString sitePath;
    std::optional<int> threads;
    QString proxy;
    submit::SubmissionRun::Clock today = submit::SubmissionRun::systemClock();
    QString reportPath;
    QString standardReportPath;
    std::optional<QString> caFile;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == QLatin1String("--threads") && i + 1 < arguments.size()) {
            bool ok = false;
            threads = arguments.at(++i).toInt(&ok);
            if (!ok || *threads < 1 || *threads > 24)
                return fail(QStringLiteral("--threads erwartet eine Zahl von 1 bis 24."));
        } else if (arg == QLatin1String("--proxy") && i + 1 < arguments.size()) {
            proxy = arguments.at(++i);
        } else if (arg == QLatin1String("--today") && i + 1 < arguments.size()) {
            // The date the run files its successes under, instead of the system's.
            const QDate date = QDate::fromString(arguments.at(++i), Qt::ISODate);
            if (!date.isValid())
                return fail(QStringLiteral("--today erwartet ein Datum JJJJ-MM-TT."));
            today = [date] { return date; };
        } else if (arg == QLatin1String("--ca-file") && i + 1 < arguments.size()) {
            caFile = arguments.at(++i);
        } else if (arg == QLatin1String("--report") && i + 1 < arguments.size()) {
            reportPath = arguments.at(++i);
        } else if (arg == QLatin1String("--standard-report") && i + 1 < arguments.size()) {
            standardReportPath = arguments.at(++i);
        } else if (sitePath.isEmpty() && !arg.startsWith(QLatin1String("--"))) {
            sitePath = arg;
        } else {
            return fail(QStringLiteral("submit erwartet DATEI.sit [--threads N] "
                                       "[--proxy HOST[:PORT]] [--ca-file DATEI.pem] "
                                       "[--today JJJJ-MM-TT] [--report DATEI.rtf] "
                                       "[--standard-report DATEI.pdf]."));
        }
    }
    if (sitePath.isEmpty())
        return fail(QStringLiteral("submit erwartet eine Site-Info-Datei."));
    // Laying out and printing text needs the fonts, which only a GUI application object
    // provides; better refuse before the run than lose its reports after it.
    if ((!reportPath.isEmpty() || !standardReportPath.isEmpty()) &&
        !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return fail(QStringLiteral("--report und --standard-report brauchen die Schriften der "
                                   "grafischen Oberfläche, die dieser Aufruf nicht geladen hat."));

    base::SettingsStore settings(m_settingsFile);
    settings.LoadSettings();
    // The option names the file for this call only, an empty one none at all.
    const QString certificates = caFile.value_or(settings.settings().caFile);
    if (const QString problem = submit::HttpExchange::checkCaFile(certificates); !problem.isEmpty())
        return fail(problem);
    const base::ProgramPaths paths(m_programDirectory);
    paths.ensureDirectories();

    // The site file is opened as the window opens it: its dates go into the catalogue.
    RecordForm form;
    site::RecentFileList recent(m_settingsFile);
    recent.load();
    site::SiteDocument document(m_ui, form, recent);
    catalogue::CatalogueSiteDates dates(module, m_ui);
    document.setDateStore(&dates);
    document.NewSite();
    if (!document.LoadFile(sitePath))
        return 1;
    document.SetCurrentSiteFile(sitePath);
    site::SiteRecord& record = document.record();

    QStringList success;
    QStringList failures;
    submit::SubmissionRun run(m_ui, module, success, failures, today);
    const auto firstEmpty = [&record] {
        return site::FieldGuidance::firstEmptyRequired(
            submit::SubmissionRun::requiredFieldTexts(record));
    };
    // Refused before anything is prepared, and told as the command's error.
    if (const QString problem = submit::SubmissionRun::siteAddressProblem(record.URLEdit);
        !problem.isEmpty())
        return fail(problem);
    if (run.checkStart(firstEmpty, record.URLEdit, true) != submit::SubmissionRun::Start::Go)
        return 1;

    // Services that answered 429 in earlier runs (of any site) wait as they asked.
    run.journal().waits = submit::ServiceWaits::fromText(settings.settings().serviceWaits);
    submit::SendList& list = submit::SendeListe();
    const int prepared = run.prepare(record, paths.answerPageDirectory(), list);
    for (const QString& line : std::as_const(failures))
        m_out << printable(false, line) << '\n';
    m_out.flush();

    if (prepared > 0) {
        run.announceConnection();
        submit::SubmissionScheduler::Settings schedulerSettings;
        schedulerSettings.threadCount = threads.value_or(settings.settings().threadCount);
        schedulerSettings.proxyHost = settings.settings().proxyHost;
        schedulerSettings.proxyPort = settings.settings().proxyPort;
        schedulerSettings.idleTimeLimit = settings.settings().idleTimeLimit;
        schedulerSettings.caFile = certificates;
        schedulerSettings.journal = &run.journal();
        if (!proxy.isEmpty()) {
            schedulerSettings.proxyHost = proxy;
            schedulerSettings.proxyPort.clear();
        }
        send(list, success, failures, schedulerSettings);
    }

    // With nothing prepared the run ends after the preparation: no outcome to file, no
    // date changed, so the site file stays as it was.
    if (const QString stop = run.indexNowStopText(); !stop.isEmpty())
        m_ui.warning(stop);
    if (prepared > 0) {
        run.ErgebnisseUebernehmen();
        run.recordInLedger(record);
        // The site's dates and ledger go back into its file after every run, as the user
        // would save them in the window: the command has no later moment to do it.
        document.StoreFile(sitePath);
        settings.settings().serviceWaits =
            run.journal().waits.toText(QDateTime::currentDateTimeUtc());
        if (!settings.SaveSettings())
            m_ui.warning(base::SettingsStore::writeErrorText());
    }
    // The reports read what the status page would show after this run, also when nothing was
    // sent: the preparation's failures are in the lists then.
    return writeReports(reportPath, standardReportPath, success, failures, run, record, today) ? 0
                                                                                               : 1;
}

} // namespace pelvaro::cli
