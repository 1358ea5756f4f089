#include "updates/UpdateSequence.h"

#include "base/AppInfo.h"
#include "base/Error.h"
#include "base/SettingsStore.h"
#include "base/UiServices.h"
#include "updates/CatalogueArchive.h"
#include "updates/TransferDisplay.h"

#include <QDir>
#include <QStandardPaths>

namespace pelvaro::updates {

UpdateSequence::UpdateSequence(base::UiServices& ui, base::SettingsStore& settings,
                               TransferDisplay& display)
    : m_ui(ui), m_settings(settings), m_display(display), m_info(ui, display)
{
}

QString UpdateSequence::builtInServer()
{
    return QStringLiteral("http://aktualisierung.pelvaro.example");
}

QString UpdateSequence::serverBase(const QString& setting)
{
    QString base = setting.trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    return base.isEmpty() ? builtInServer() : base;
}

QString UpdateSequence::programVersion()
{
    return base::AppInfo::version();
}

QString UpdateSequence::fetchFailedText(const QString& lastError)
{
    return QStringLiteral("Informationen konnten nicht abgerufen werden. \nFehler: %1")
        .arg(lastError);
}

QString UpdateSequence::downloadDirectory() const
{
    if (!m_downloadDirectory.isEmpty())
        return m_downloadDirectory;
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return !downloads.isEmpty() && QDir(downloads).exists() ? downloads : QDir::homePath();
}

// The steps both menu items share, up to the fetched page; false when it could not be read.
bool UpdateSequence::prepare(const QString& currentVersion, const QString& infoPath)
{
    const base::Settings& s = m_settings.settings();
    BusyGuard busy(m_display);
    if (!s.proxyHost.isEmpty())
        m_info.setProxyHost(s.proxyHost);
    if (!s.proxyPort.isEmpty())
        m_info.setProxyPort(s.proxyPort);
    m_info.setIdleTimeLimit(s.idleTimeLimit);
    m_info.setDownloadDirectory(downloadDirectory());
    m_info.setCurrentVersion(currentVersion);
    m_info.setHomeURL(serverBase(m_serverSet ? m_server : s.updateServer) + infoPath);
    const bool fetched = m_info.FetchInfo();
    busy.release();
    if (!fetched)
        m_ui.warning(fetchFailedText(m_info.LastError()));
    return fetched;
}

UpdateResult UpdateSequence::updateCatalogue(catalogue::TDataModule1& module)
{
    UpdateResult result;
    // The program stays open after a catalogue update, so the installation question must
    // not say that it ends.
    m_info.setOptions(wfioDisplayUI | wfioDisplayReadMe | wfioRunUpdate);
    m_info.setDefaultFileName(QStringLiteral("suchdienste.tar.gz"));
    m_info.setInstaller([&](const QString& archive) {
        try {
            const base::WaitNoticeGuard wait(m_ui,
                                             QStringLiteral("Suchdienste werden installiert ..."));
            if (m_installer)
                m_installer(archive);
            else
                CatalogueArchive::install(module, archive);
            return true;
        } catch (const Error& e) {
            m_ui.error(e.message());
            return false;
        }
    });
    const QString recorded = m_settings.settings().catalogueVersion;
    if (!prepare(recorded.isEmpty() ? base::AppInfo::builtInCatalogueVersion() : recorded,
                 catalogueInfoPath())) {
        result.failed = true;
        return result;
    }
    m_info.CheckForUpdate();
    result.failed = m_info.DownloadFailed() || m_info.InstallFailed();
    if (m_info.Installed()) {
        // Only a version that was really installed is recorded: declining, a failed download or
        // a broken archive leave the catalogue as it was, so it stays on offer.
        if (!m_info.ProductVersion().isEmpty()) {
            m_settings.settings().catalogueVersion = m_info.ProductVersion();
            m_settings.SaveSettings();
        }
        result.outcome = UpdateOutcome::RefreshCatalogue;
    }
    return result;
}

UpdateResult UpdateSequence::updateProgram()
{
    UpdateResult result;
    m_info.setOptions(wfioDisplayUI | wfioDisplayReadMe | wfioRunUpdate | wfioExitDuringUpdate);
    m_info.setDefaultFileName(QStringLiteral("pelvaro.deb"));
    m_info.setInstaller({});
    if (!prepare(programVersion(), programInfoPath())) {
        result.failed = true;
        return result;
    }
    m_info.CheckForUpdate();
    result.failed = m_info.DownloadFailed() || m_info.InstallFailed();
    if (m_info.ExitRequested())
        result.outcome = UpdateOutcome::EndProgram;
    return result;
}

} // namespace pelvaro::updates
