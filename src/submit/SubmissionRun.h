#pragma once

#include "submit/RunJournal.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
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

struct SendList;

// One row of the result views on the status page.
struct ResultRow
{
    QString Suchdienst;
    QString Statuscode;
    QString Meldung;
    QString Reserviert; // failures only: the address, cut before its first "?"
    bool operator==(const ResultRow&) const = default;
};

// The steps of a submission run around the scheduler: the checks before it, the
// preparation, and the bookkeeping after it. The window and the command line drive the same
// steps; the scheduler runs between prepare() and ErgebnisseUebernehmen().
class SubmissionRun
{
public:
    enum class Start
    {
        Go,
        NothingSelected,  // the selection page should be shown
        NothingAutomatic, // the manual page should be shown
        FieldsMissing,    // the first empty field has been focused
        AddressInvalid,   // the site address needs correcting; URLEdit should be focused
        Cancelled         // the user kept the unsaved report
    };

    // Where a run takes today's date from. One clock per run, read once when the outcome is
    // filed, so that every service of the run gets the same date; tests and
    // "pelvaro-cli submit --today" set it.
    using Clock = std::function<QDate()>;
    static Clock systemClock() { return &QDate::currentDate; }

    SubmissionRun(base::UiServices& ui, catalogue::TDataModule1& module, QStringList& successLines,
                  QStringList& failureLines, Clock today = systemClock());

    // Finds the first empty required field, shows it to the user (the window focuses it on
    // its page), and returns its index, or -1 when all are filled.
    using RequiredFieldCheck = std::function<int()>;
    // Steps 1 and 2, then step 3, which alone runs the field check, so that a run stopped
    // for want of services leaves the user where he is; then the site address, which must
    // name its scheme; then step 4's question about an unsaved report when overwriteReport
    // is off.
    Start checkStart(const RequiredFieldCheck& requiredFieldCheck, const QString& siteAddress,
                     bool overwriteReport);
    // Why a run may not go out with this site address, or empty when it may. An address
    // without "://" would reach every service as "FEHLER!!!".
    static QString siteAddressProblem(const QString& siteAddress);
    // Steps 5 and 6: empties the result lists and prepares the requests behind the wait
    // notice. Returns the number of prepared requests. With none, the run ends here (step 7):
    // the preparation has already posted its changes and brought the views and counters up
    // to date; there is nothing to send and no outcome to file.
    int prepare(const site::SiteRecord& record, const QString& answerDirectory, SendList& list);
    // The wait notice while the requests are prepared.
    static QString preparationNotice();
    // Step 8's notice before the scheduler opens.
    void announceConnection();
    // Step 9: the result views' rows, the clock's date for each successful service, the list
    // views refreshed and the counters recounted. Prepared services whose request never
    // went out (the window closed without Start, or the run was aborted before their turn)
    // are selected again, so that the user does not lose them from his selection; when
    // nothing at all went out, the previous run's lines come back, for this run has no
    // outcome to replace them with.
    void ErgebnisseUebernehmen();
    // Whether a request of this run was handed to a worker; known after ErgebnisseUebernehmen.
    bool somethingSent() const { return !m_journal.sent.isEmpty(); }

    // The run's waits (load them before prepare()), answers and held-back services; hand
    // it to the scheduler.
    RunJournal& journal() { return m_journal; }
    // Files the run's answers in the site's ledger: per answered service the time, outcome
    // and what was sent. Returns whether anything was filed.
    bool recordInLedger(site::SiteRecord& record) const;
    // The warning shown when the run's IndexNow part stopped; empty when it did not.
    QString indexNowStopText() const;

    const std::vector<ResultRow>& successRows() const { return m_successRows; }
    const std::vector<ResultRow>& failureRows() const { return m_failureRows; }

    // A result line as its view shows it.
    static ResultRow successRow(const QString& line);
    static ResultRow failureRow(const QString& line);

    // The required fields' texts of a record in the order the run checks them.
    static std::array<QString, 29> requiredFieldTexts(const site::SiteRecord& record);

private:
    void reselectUnsent();

    base::UiServices& m_ui;
    catalogue::TDataModule1& m_module;
    QStringList& m_successLines;
    QStringList& m_failureLines;
    Clock m_today;
    std::vector<ResultRow> m_successRows;
    std::vector<ResultRow> m_failureRows;
    RunJournal m_journal;
    // The services prepared for sending, and the lines the lists held before the run.
    QList<qint32> m_prepared;
    QStringList m_previousSuccessLines;
    QStringList m_previousFailureLines;
};

} // namespace pelvaro::submit
