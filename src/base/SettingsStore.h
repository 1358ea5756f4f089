#pragma once

#include <QString>

namespace pelvaro::base {

// The persisted program settings: the seven of the original set, the exchange's idle
// time limit, the server the update information comes from, the extra certificates
// https exchanges trust and the waits services asked for. Names, types and defaults live in one
// table in SettingsStore.cpp.
struct Settings
{
    int threadCount = 0;          // IDGlobAnzThreads: parallel submission workers
    QString proxyHost;            // IDGlobProxy: empty means no proxy
    QString proxyPort;            // IDGlobProxyPort: decimal text, kept as typed
    int proxyChoice = 0;          // IDProxyVorauswahl: 1 none, 2 AOL, 3 T-Online, 4 other
    bool overwriteReport = false; // IDBerichtUeberschreiben
    bool showTips = false;        // IDTDT
    QString catalogueVersion;     // IDNSDV: empty means the catalogue shipped with the program
    int idleTimeLimit = 0;        // IDZeitlimit: seconds an exchange may wait for a byte; 0 = none
    QString updateServer;         // IDUpdateServer: "http://host[:port]"; empty = the built-in one
    QString caFile; // IDZusatzZertifikate: PEM file trusted besides the system's; empty = none
    // IDWartezeiten: services that answered 429 and until when they get nothing, one
    // "address<TAB>UTC time" per line (kept by the run, never shown in the options)
    QString serviceWaits;

    static Settings defaults();
    // The workers a run may have: 1 to 24.
    static constexpr int MaxThreadCount = 24;
    // What a run makes of a stored worker count the settings dialog could never have
    // written: an unusable one means the default, a large one the most there are slots for.
    static int usableThreadCount(int stored);
    bool operator==(const Settings&) const = default;
};

// Loads and saves the settings in an INI file (group "Optionen"). Constructed on any file,
// so tests use a temporary one; the program uses defaultFilePath().
class SettingsStore
{
public:
    explicit SettingsStore(const QString& filePath);

    // The per-user settings file: the user's config folder, organisation
    // "Trevanix GmbH", application "Pelvaro! 1.6.1".
    static QString defaultFilePath();

    // Fails only when the settings location cannot be read. A missing or mistyped value of
    // the original seven resets all values to their defaults, which are then written back
    // at once; a missing or mistyped later value (time limit, update server) only takes its
    // own default.
    bool LoadSettings();
    // Writes all values; fails when the location cannot be written.
    bool SaveSettings();

    const Settings& settings() const { return m_settings; }
    Settings& settings() { return m_settings; }
    const QString& filePath() const { return m_filePath; }

    static QString readErrorText();
    static QString writeErrorText();

private:
    bool locationReadable() const;

    QString m_filePath;
    Settings m_settings;
};

} // namespace pelvaro::base
