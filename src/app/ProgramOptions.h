#pragma once

#include "base/SettingsStore.h"

#include <QChar>
#include <QString>

#include <optional>

namespace pelvaro::base {
struct Settings;
}

namespace pelvaro::app {

// The rules of the options dialog "Programmoptionen": what it shows when it opens, which
// keystrokes the thread-count field takes, the check when that field is left, the proxy
// presets and what OK writes into the settings. The dialog only forwards its controls'
// events here and applies the answers.
class ProgramOptions
{
public:
    static constexpr int HelpContext = 6;
    static constexpr int MinThreadCount = 1;
    static constexpr int MaxThreadCount = base::Settings::MaxThreadCount;
    // A digit typed into a field this long is refused unless it replaces a selection.
    static constexpr int ThreadCountDigits = 2;

    // The proxy choice codes stored in IDProxyVorauswahl.
    static constexpr int NoProxy = 1;
    static constexpr int AolProxy = 2;
    static constexpr int TOnlineProxy = 3;
    static constexpr int OtherProxy = 4;

    // What the dialog's controls hold.
    struct Entries
    {
        QString threadCount;
        // The code of the checked radio button; 0 when none is checked.
        int proxyChoice = 0;
        QString proxyHost;
        QString proxyPort;
        bool overwriteReport = false;
        bool operator==(const Entries&) const = default;
    };

    struct ProxyAddress
    {
        QString host;
        QString port;
        bool operator==(const ProxyAddress&) const = default;
    };

    // The background of a proxy edit.
    enum class EditBackground
    {
        Normal,
        InactiveCaption
    };

    enum class LeaveAction
    {
        Keep,
        // Beep, empty the field and give it the focus back.
        RefuseNumber,
        // Empty the field, silently.
        Clear
    };

    // The two preset proxies; both listen on port "80".
    static QString aolProxyHost();
    static QString tOnlineProxyHost();
    static QString presetProxyPort();

    // The controls' contents when the dialog opens on these settings.
    static Entries opening(const base::Settings& settings);
    // The count the field shows for a stored one.

    static bool isKnownChoice(int choice);
    // Only "Andere" lets the user type a proxy; the edits keep their text while closed.
    static bool proxyEditsEnabled(int choice);
    static EditBackground proxyEditBackground(int choice);
    // Whether checking this choice puts the focus into the proxy host edit.
    static bool focusesProxyHost(int choice);
    // Host and port stored for a choice; the typed ones count only for "Andere". Nothing
    // for a choice the dialog does not know.
    static std::optional<ProxyAddress> proxyFor(int choice, const QString& typedHost,
                                                const QString& typedPort);

    // Whether a character typed into the thread-count field gets in; a refused one is
    // answered with a beep. Backspace arrives as '\b', Escape as '\x1b'.
    static bool threadKeyPasses(const QString& text, bool hasSelection, QChar typed);
    static LeaveAction threadLeaveCheck(const QString& text);
    // The count the field's text stands for, when it is one the dialog accepts.
    static std::optional<int> threadCount(const QString& text);

    // OK: takes the entries over into the settings. Refuses, changing nothing, when the
    // thread-count field does not hold an accepted count.
    static bool accept(const Entries& entries, base::Settings& settings);
    // Why OK was refused: the field does not hold a count from the valid range.
    static QString threadCountRangeText();

private:
    static std::optional<int> number(const QString& text);
};

} // namespace pelvaro::app
