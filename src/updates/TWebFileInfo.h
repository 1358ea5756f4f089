#pragma once

#include "updates/InfoPageParser.h"

#include <QDate>
#include <QString>

#include <functional>
#include <memory>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::updates {

class TransferDisplay;
class TransferJob;

enum TWebFileInfoOption
{
    wfioAlwaysOverwrite = 1,
    wfioDisplayUI = 2,
    wfioDisplayReadMe = 4,
    wfioRunUpdate = 8,
    wfioExitDuringUpdate = 16,
};

enum class TWebFileInfoVersionFormat
{
    wfivBuildNumber,
    wfivSimpleString,
};

enum class TWebFileInfoDateFormat
{
    wfidDFSDate,
    wfidNone,
};

// Update information from the maker's web server: fetches a small page, reads the newest
// version and the download address from its META tags, compares the version with the
// installed one and, when the user agrees, downloads the offered file and hands it on to be
// installed. Every question goes through the UI services, every transfer through the
// display's wait or progress window.
class TWebFileInfo
{
public:
    // What installing the downloaded file means; returns whether it was installed (after a
    // failure it has told the user itself). Unset: the file is opened with the desktop's
    // default handler.
    using Installer = std::function<bool(const QString& file)>;

    TWebFileInfo(base::UiServices& ui, TransferDisplay& display);
    ~TWebFileInfo();
    TWebFileInfo(const TWebFileInfo&) = delete;
    TWebFileInfo& operator=(const TWebFileInfo&) = delete;

    // Only an address longer than 6 characters starting "http://" in any case is taken; it
    // makes the next FetchInfo fetch anew. Any other value leaves the old address.
    void setHomeURL(const QString& url);
    const QString& HomeURL() const { return m_HomeURL; }
    void setCurrentVersion(const QString& version) { m_CurrentVersion = version; }
    const QString& CurrentVersion() const { return m_CurrentVersion; }
    // wfioDisplayUI is always part of the set.
    void setOptions(int options) { m_Options = options | wfioDisplayUI; }
    int Options() const { return m_Options; }
    void setVersionFormat(TWebFileInfoVersionFormat format) { m_VersionFormat = format; }
    void setDateFormat(TWebFileInfoDateFormat format) { m_DateFormat = format; }
    void setProxyHost(const QString& host) { m_ProxyHost = host; }
    void setProxyPort(const QString& port) { m_ProxyPort = port; }
    const QString& ProxyHost() const { return m_ProxyHost; }
    const QString& ProxyPort() const { return m_ProxyPort; }
    TWfiTags& InfoTags() { return m_InfoTags; }
    // Seconds a transfer may go without a byte; 0: no limit (the cancel button still ends it).
    void setIdleTimeLimit(int seconds) { m_idleTimeLimit = seconds; }
    void setInstaller(Installer installer) { m_installer = std::move(installer); }
    // Where the save dialog starts.
    void setDownloadDirectory(const QString& folder) { m_downloadDirectory = folder; }
    // The proposed name when the download address names no usable file.
    void setDefaultFileName(const QString& name) { m_defaultFileName = name; }

    bool Active() const { return m_Active; }
    const QString& LastError() const { return m_LastError; }
    const QString& ProductName() const { return m_values.ProductName; }
    const QString& ProductVersion() const { return m_values.ProductVersion; }
    const QString& ProductDateStr() const { return m_values.ProductDateStr; }
    QDate ProductDate() const { return m_ProductDate; }
    const QString& ProductAuthor() const { return m_values.ProductAuthor; }
    const QString& ProductAuthorEMail() const { return m_values.ProductAuthorEMail; }
    const QString& ProductReadMe() const { return m_values.ProductReadMe; }
    const QString& ProductReadMeExt() const { return m_values.ProductReadMeExt; }
    const QString& DownloadURL() const { return m_values.DownloadURL; }
    const QString& RunParams() const { return m_values.RunParams; }
    // The proposed file name: the last part of DownloadURL's path, made safe.
    const QString& DownloadFileName() const { return m_downloadFileName; }

    // Fetches and reads the page of HomeURL unless that was done already; returns Active.
    // A date of another form than "Dec 07, 2026" throws pelvaro::Error.
    bool FetchInfo();
    // The whole dialogue from the version check to the installation; true when a download
    // was completed.
    bool CheckForUpdate();
    void ShowReadMe();
    bool DownloadFile(QString target);
    bool IsNewerVersion() const;
    static bool IsNewerVersion(const QString& current, const QString& product,
                               TWebFileInfoVersionFormat format);

    // After CheckForUpdate: where the download was saved, whether the user cancelled it,
    // whether it was installed, and whether the program should now end.
    const QString& DownloadedFile() const { return m_downloadedFile; }
    bool DownloadCancelled() const { return m_downloadCancelled; }
    bool Installed() const { return m_installed; }
    bool ExitRequested() const { return m_exitRequested; }
    // A download that failed (not one the user cancelled), or an installation that failed.
    bool DownloadFailed() const { return m_downloadFailed; }
    bool InstallFailed() const { return m_installAttempted && !m_installed; }

    // A file name from the last part of an address's path: no folders, no "..", no control
    // characters; `fallback` when nothing usable is left.
    static QString safeFileName(const QString& url, const QString& fallback);
    // The save dialog's lines: the program package, the compressed catalogue, all files.
    static QStringList saveFilterLines();
    // The extension added to a typed name without one, by the filter line chosen.
    static QString extensionForFilter(const QString& filterLine);

    // Pages and information files larger than this are refused.
    static constexpr qsizetype PageCap = 1024 * 1024;
    // Redirects read from pages are followed this often; more is taken for a loop.
    static constexpr int MaxRedirects = 5;

    static QString cancelledText();
    // The question that offers the download, with its caption.
    static QString newVersionCaption();
    static QString downloadQuestion(const QString& current, const QString& offered);

private:
    enum class Window
    {
        Wait,
        Progress
    };
    struct Transfer
    {
        bool ok = false;            // status 200 or below
        bool cancelled = false;     // by the user
        bool serverFailure = false; // a status above 200
        int status = 0;
        QByteArray body;
        qint64 received = 0;
        qint64 total = -1;
    };

    Transfer transfer(TransferJob& job, Window window, const QString& text);
    Transfer fetchToMemory(const QString& url, const QString& waitText);
    bool fetchPage(const QString& url, int redirects);
    QString versionText() const;
    bool install(const QString& file);
    void showClientError(const QString& message);
    std::unique_ptr<TransferJob> makeJob(const QString& url, const QString* file) const;

    base::UiServices& m_ui;
    TransferDisplay& m_display;
    QString m_HomeURL;
    QString m_CurrentVersion;
    int m_Options = wfioDisplayUI;
    TWebFileInfoVersionFormat m_VersionFormat = TWebFileInfoVersionFormat::wfivBuildNumber;
    TWebFileInfoDateFormat m_DateFormat = TWebFileInfoDateFormat::wfidDFSDate;
    QString m_ProxyHost;
    QString m_ProxyPort = QStringLiteral("80");
    TWfiTags m_InfoTags;
    int m_idleTimeLimit = 120;
    Installer m_installer;
    QString m_downloadDirectory;
    QString m_defaultFileName = QStringLiteral("update");

    bool m_Active = false;
    QString m_LastError;
    InfoValues m_values;
    QDate m_ProductDate;
    QString m_downloadFileName;

    QString m_downloadedFile;
    bool m_downloadCancelled = false;
    bool m_installed = false;
    bool m_installAttempted = false;
    bool m_downloadFailed = false;
    bool m_exitRequested = false;
};

} // namespace pelvaro::updates
