#pragma once

#include "updates/TWebFileInfo.h"

#include <QString>

#include <functional>

namespace pelvaro::base {
class SettingsStore;
class UiServices;
} // namespace pelvaro::base

namespace pelvaro::catalogue {
class TDataModule1;
}

namespace pelvaro::updates {

class TransferDisplay;

// What the main window has to do after an update menu item.
enum class UpdateOutcome
{
    Nothing,
    RefreshCatalogue, // a new catalogue was installed: views and counters read it anew
    EndProgram,       // the program package was handed to its installer
};

struct UpdateResult
{
    UpdateOutcome outcome = UpdateOutcome::Nothing;
    // Something went wrong on the way (the user has been told); declining is no failure.
    bool failed = false;
};

// The two menu items "Suchdienste aktualisieren" and "Software aktualisieren": where the
// information pages are, which version counts as installed, and what a download leads to.
class UpdateSequence
{
public:
    // Installs a catalogue archive into the open catalogue; throws pelvaro::Error with the
    // reason when it cannot. Returns the number of services installed.
    using CatalogueInstaller = std::function<int(const QString& archivePath)>;

    UpdateSequence(base::UiServices& ui, base::SettingsStore& settings, TransferDisplay& display);

    // Replaces IDUpdateServer for this sequence only (the command line's --server).
    void setServer(const QString& server)
    {
        m_server = server;
        m_serverSet = true;
    }
    void setDownloadDirectory(const QString& folder) { m_downloadDirectory = folder; }
    // Default: the catalogue archive installation into `module`.
    void setCatalogueInstaller(CatalogueInstaller installer) { m_installer = std::move(installer); }

    UpdateResult updateCatalogue(catalogue::TDataModule1& module);
    UpdateResult updateProgram();

    // The last sequence's information, for the command line's output and tests.
    const TWebFileInfo& info() const { return m_info; }

    // An invented host on a reserved example domain: without IDUpdateServer nothing real is
    // ever asked.
    static QString builtInServer();
    // The server's base address: the setting without a trailing "/", or the built-in one.
    static QString serverBase(const QString& setting);
    static QString catalogueInfoPath() { return QStringLiteral("/kelmora/engines.html"); }
    static QString programInfoPath() { return QStringLiteral("/kelmora/pv.html"); }
    static QString programVersion();
    static QString fetchFailedText(const QString& lastError);

private:
    bool prepare(const QString& currentVersion, const QString& infoPath);
    QString downloadDirectory() const;

    base::UiServices& m_ui;
    base::SettingsStore& m_settings;
    TransferDisplay& m_display;
    TWebFileInfo m_info;
    QString m_server;
    bool m_serverSet = false;
    QString m_downloadDirectory;
    CatalogueInstaller m_installer;
};

} // namespace pelvaro::updates
