#pragma once

#include "submit/SubmissionRun.h"
#include "submit/SubmissionScheduler.h"

#include <QString>
#include <QStringList>

class QTextStream;

namespace pelvaro::catalogue {
class TDataModule1;
}
namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::cli {

class ConsoleUiServices;

// "prepare" and "submit": a submission run without a window.
class SubmitCommands
{
public:
    SubmitCommands(ConsoleUiServices& ui, QTextStream& out, QTextStream& err,
                   const QString& programDirectory, const QString& settingsFile);

    int prepare(catalogue::TDataModule1& module, const QStringList& arguments);
    int submit(catalogue::TDataModule1& module, const QStringList& arguments);

    // A result line as the command line prints it: "+" or "-", TAB, the line with its CR
    // shown as a TAB.
    static QString printable(bool success, const QString& line);

private:
    int fail(const QString& message);
    // The scheduler without a window: every result line printed as it is filed, Ctrl+C as
    // the window's "Abbrechen", until the run ends.
    void send(const submit::SendList& list, QStringList& success, QStringList& failures,
              const submit::SubmissionScheduler::Settings& settings);
    // The status report (RTF) and the standard report (PDF) of the run, when asked for;
    // false after saying why one could not be written.
    bool writeReports(const QString& reportPath, const QString& standardReportPath,
                      const QStringList& success, const QStringList& failures,
                      const submit::SubmissionRun& run, const site::SiteRecord& record,
                      const submit::SubmissionRun::Clock& today);

    ConsoleUiServices& m_ui;
    QTextStream& m_out;
    QTextStream& m_err;
    QString m_programDirectory;
    QString m_settingsFile;
};

} // namespace pelvaro::cli
