#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTextCursor>

#include <functional>

class QTextDocument;

namespace pelvaro::base {
class UiServices;
}
namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::reports {

// The "Anmeldungsprotokoll": the last run's two result lists and the site's address and title
// as a formatted document, for the report window and for "pelvaro-cli submit --report".
class StatusReport
{
public:
    // Where the report takes the day it was made from; tests and the command line set it.
    using Clock = std::function<QDate()>;

    // The lists' lines as the run files them (name TAB message TAB code CR number TAB address).
    // Appends the report's lines behind whatever the document already holds, formats them and
    // returns the caret the editor should show: at the start, nothing selected. A failure while
    // writing the header shows "Fehler-Nr. 88273"; the entries still follow.
    static QTextCursor generate(base::UiServices& ui, QTextDocument& document,
                                const QStringList& successLines, const QStringList& failureLines,
                                const site::SiteRecord& site, const Clock& today);

    // The user's short date; with no locale configured (the C locale), day.month.year.
    static QString shortDate(const QDate& date, const QLocale& locale = QLocale());

    // What a result line contributes: its text before the first CR, or an empty line when it
    // has none. The CR itself ends the entry's paragraph and adds no empty one behind it.
    static QString entryText(const QString& line);

    // The entries' tab stop: 300 pt, in the document's pixels at 96 dpi.
    static constexpr double TabStopPoints = 300.0;
    static constexpr double tabStopPixels() { return TabStopPoints * 4.0 / 3.0; }
};

} // namespace pelvaro::reports
