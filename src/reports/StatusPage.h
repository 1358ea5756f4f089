#pragma once

#include "submit/SubmissionRun.h"

#include <QString>
#include <QStringList>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::reports {

// The page "Statusbericht": what it shows about the last run and what its two result views
// open on a double-click.
class StatusPage
{
public:
    static QString statusText();
    // The report buttons work only when the last run left a line in either list.
    static bool reportsEnabled(const QStringList& successLines, const QStringList& failureLines);

    static QString successCaption();
    static QString failureCaption();
    static QString answerPageCommand(); // the success view's popup entry

    // The answer page the run kept for a successful service, opened with the desktop's
    // handler; row is null when the view has no row selected.
    static void showAnswerPage(base::UiServices& ui, const QString& answerDirectory,
                               const submit::ResultRow* row);
    // The address a failed request went to, without its query, opened in the browser.
    static void openFailedAddress(base::UiServices& ui, const submit::ResultRow* row);
    // An address as a browser takes it from the address bar: blanks, control characters,
    // bytes beyond ASCII (as UTF-8) and the characters no address may hold raw are
    // percent-encoded; what is encoded already stays. Invalid when it still is no address.
    static QUrl browserUrl(const QString& address);
};

} // namespace pelvaro::reports
