#include "updates/TWebFileInfo.h"

#include "base/AppInfo.h"
#include "base/UiServices.h"
#include "updates/TransferDisplay.h"
#include "updates/TransferJob.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace pelvaro::updates {

using base::MessageAnswer;
using base::MessageButtons;
using base::MessageKind;

namespace {

QString withLineBreaks(QString text)
{
    return text.replace(u'\r', u'\n');
}

} // namespace

TWebFileInfo::TWebFileInfo(base::UiServices& ui, TransferDisplay& display)
    : m_ui(ui), m_display(display)
{
}

TWebFileInfo::~TWebFileInfo() = default;

QString TWebFileInfo::cancelledText()
{
    return QStringLiteral("Vom Benutzer abgebrochen");
}

void TWebFileInfo::setHomeURL(const QString& url)
{
    if (url.size() > 6 && url.left(7).compare(QLatin1String("http://"), Qt::CaseInsensitive) == 0) {
        m_HomeURL = url;
        m_Active = false;
    }
}

std::unique_ptr<TransferJob> TWebFileInfo::makeJob(const QString& url, const QString* file) const
{
    submit::ExchangeRequest request;
    request.url = url;
    request.proxyHost = m_ProxyHost;
    request.proxyPort = m_ProxyHost.isEmpty() ? QStringLiteral("80") : m_ProxyPort;
    request.idleTimeLimit = m_idleTimeLimit;
    // A download shows its progress and the user's cancel ends it; a total limit would only
    // break large files on slow lines. The page fetch runs unwatched and keeps it.
    if (file)
        request.totalTimeLimit = 0;
    return file ? TransferJob::toFile(request, *file) : TransferJob::toMemory(request, PageCap);
}

// Failures the client detects itself (no connection, a broken answer, a page that is no
// text) are shown on the spot, as the exception they are; the caller's own message about
// the failed step follows.
void TWebFileInfo::showClientError(const QString& message)
{
    m_LastError = message;
    m_ui.showMessage(
        MessageKind::Error, QStringLiteral("Ausnahmebedingung"),
        withLineBreaks(QStringLiteral("Fehler beim Abrufen der "
                                      "Aktualisierungsinformation.\rAusnahmebedingung: "
                                      "%1."))
            .arg(message),
        MessageButtons::Ok);
}

TWebFileInfo::Transfer TWebFileInfo::transfer(TransferJob& job, Window window, const QString& text)
{
    Transfer out;
    job.start();
    if (window == Window::Wait)
        m_display.waitFor(job, text);
    else
        m_display.showProgress(job, text);
    if (!job.isFinished())
        job.cancel();
    job.join();
    const TransferJob::Outcome& outcome = job.outcome();
    const submit::ExchangeResult& result = outcome.result;
    out.status = result.StatusCode;
    if (job.cancelRequested() || outcome.cancelled) {
        out.cancelled = true;
        m_LastError = cancelledText();
        return out;
    }
    if (!result.Erfolg && !result.answered) {
        showClientError(result.Meldung);
        return out;
    }
    // Only a plain "200" answer carries the page; a redirection is not followed, and an
    // interim 1xx answer is none: what a server sends after it would pass for the page.
    if (result.StatusCode != 200) {
        m_LastError = result.Meldung;
        out.serverFailure = true;
        return out;
    }
    out.ok = true;
    out.body = outcome.body;
    out.received = outcome.received;
    out.total = outcome.total;
    return out;
}

TWebFileInfo::Transfer TWebFileInfo::fetchToMemory(const QString& url, const QString& waitText)
{
    const std::unique_ptr<TransferJob> job = makeJob(url, nullptr);
    return transfer(*job, Window::Wait, waitText);
}

bool TWebFileInfo::FetchInfo()
{
    if (m_Active)
        return true;
    if (m_HomeURL.isEmpty()) {
        m_ui.showMessage(MessageKind::Warning, QStringLiteral("URL nicht vorhanden"),
                         withLineBreaks(QStringLiteral("Kann die Versionsinformation nicht "
                                                       "abrufen, \rda keine korrekte URL "
                                                       "vorhanden ist!")),
                         MessageButtons::Ok);
        return false;
    }
    if (m_InfoTags.allEmpty()) {
        m_ui.showMessage(MessageKind::Warning, QStringLiteral("Fehlende Tag-Information"),
                         withLineBreaks(QStringLiteral("Kann die Versionsinformation nicht "
                                                       "abrufen,\rda keine Tag-Information "
                                                       "angegeben wurde.")),
                         MessageButtons::Ok);
        return false;
    }
    const QString address = m_values.Redirect.isEmpty() ? m_HomeURL : m_values.Redirect;
    return fetchPage(address, 0);
}

bool TWebFileInfo::fetchPage(const QString& url, int redirects)
{
    m_LastError.clear();
    const Transfer fetched = fetchToMemory(url, QStringLiteral("Suche nach neuer Version ..."));
    if (fetched.serverFailure)
        m_ui.showMessage(MessageKind::Information, base::AppInfo::title(),
                         QString::number(fetched.status), MessageButtons::Ok);

    m_values = InfoValues();
    m_ProductDate = QDate();
    m_downloadFileName.clear();
    bool result = false;
    if (m_LastError.isEmpty()) {
        m_values = InfoPageParser::parse(InfoPageParser::decode(fetched.body), m_InfoTags);
        m_downloadFileName = safeFileName(m_values.DownloadURL, m_defaultFileName);
        result = true;
        if (m_DateFormat == TWebFileInfoDateFormat::wfidDFSDate &&
            !m_values.ProductDateStr.isEmpty())
            m_ProductDate = InfoPageParser::parseDate(m_values.ProductDateStr);
    }
    if (!m_values.Redirect.isEmpty()) {
        const QString next = m_values.Redirect;
        if (redirects >= MaxRedirects) {
            m_values = InfoValues();
            m_LastError = QStringLiteral("Zu viele Weiterleitungen (zuletzt nach %1)").arg(next);
            m_Active = false;
            return false;
        }
        return fetchPage(next, redirects + 1);
    }
    m_Active = result;
    return result;
}

bool TWebFileInfo::IsNewerVersion() const
{
    return IsNewerVersion(m_CurrentVersion, m_values.ProductVersion, m_VersionFormat);
}

bool TWebFileInfo::IsNewerVersion(const QString& current, const QString& product,
                                  TWebFileInfoVersionFormat format)
{
    if (format == TWebFileInfoVersionFormat::wfivSimpleString)
        return product.compare(current, Qt::CaseSensitive) > 0;
    // A part that is no whole number counts as 0.
    const auto number = [](QStringView part) -> qint64 {
        if (part.isEmpty() || part.size() > 18)
            return 0;
        qint64 value = 0;
        for (QChar c : part) {
            if (c < u'0' || c > u'9')
                return 0;
            value = value * 10 + (c.unicode() - u'0');
        }
        return value;
    };
    QStringView c = current;
    QStringView p = product;
    for (;;) {
        const qsizetype cDot = c.indexOf(u'.');
        const qsizetype pDot = p.indexOf(u'.');
        const qint64 cNumber = number(cDot < 0 ? c : c.first(cDot));
        const qint64 pNumber = number(pDot < 0 ? p : p.first(pDot));
        if (cNumber < pNumber)
            return true;
        if (cNumber > pNumber)
            return false;
        // An offered version with fewer parts compares its last part again with the
        // installed version's next one.
        if (cDot < 0)
            return false;
        c = c.sliced(cDot + 1);
        if (pDot >= 0)
            p = p.sliced(pDot + 1);
    }
}

QString TWebFileInfo::versionText() const
{
    return QStringLiteral("Die aktuelle Version ist %1.\nDie Version %2 ist verfügbar.")
        .arg(m_CurrentVersion, m_values.ProductVersion);
}

QString TWebFileInfo::newVersionCaption()
{
    return QStringLiteral("Eine neue Version ist verfügbar");
}

QString TWebFileInfo::downloadQuestion(const QString& current, const QString& offered)
{
    return QStringLiteral("Die aktuelle Version ist %1.\nDie Version %2 ist verfügbar.")
               .arg(current, offered) +
           QStringLiteral("\nSoll die neue Version heruntergeladen werden?");
}

QStringList TWebFileInfo::saveFilterLines()
{
    return {QStringLiteral("Anwendung (*.deb)"), QStringLiteral("Komprimierte Datei (*.tar.gz)"),
            QStringLiteral("Alle Dateien (*)")};
}

QString TWebFileInfo::extensionForFilter(const QString& filterLine)
{
    const QStringList lines = saveFilterLines();
    // A dialog that cannot say which line was chosen stands on the first.
    if (filterLine.isEmpty() || filterLine == lines.at(0))
        return QStringLiteral(".deb");
    if (filterLine == lines.at(1))
        return QStringLiteral(".tar.gz");
    return {};
}

QString TWebFileInfo::safeFileName(const QString& url, const QString& fallback)
{
    QString path = url;
    if (path.left(7).compare(QLatin1String("http://"), Qt::CaseInsensitive) == 0) {
        const qsizetype slash = path.indexOf(u'/', 7);
        path = slash < 0 ? QString() : path.mid(slash);
    }
    const qsizetype query = path.indexOf(QRegularExpression(QStringLiteral("[?#]")));
    if (query >= 0)
        path.truncate(query);
    QString name = QUrl::fromPercentEncoding(path.toUtf8());
    name = name.mid(std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\')) + 1);
    name.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
    name = name.trimmed();
    // A leading dot would hide the file, and ".." is no file at all.
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    name = name.left(200).trimmed();
    return name.isEmpty() ? fallback : name;
}

bool TWebFileInfo::CheckForUpdate()
{
    m_downloadedFile.clear();
    m_downloadCancelled = false;
    m_installed = false;
    m_installAttempted = false;
    m_downloadFailed = false;
    m_exitRequested = false;
    if (!IsNewerVersion()) {
        m_ui.showMessage(MessageKind::Information, QStringLiteral("Keine neue Version vorhanden"),
                         QStringLiteral("Ihre Software ist auf dem neuesten Stand. Es ist zur "
                                        "Zeit keine neuere Version vorhanden."),
                         MessageButtons::Ok);
        return false;
    }
    if (m_Options & wfioDisplayReadMe)
        ShowReadMe();
    if (m_ui.showMessage(MessageKind::Question, newVersionCaption(),
                         downloadQuestion(m_CurrentVersion, m_values.ProductVersion),
                         MessageButtons::YesNo) != MessageAnswer::Yes)
        return false;

    const QStringList lines = saveFilterLines();
    base::FileDialogRequest request;
    request.title = QStringLiteral("Speichern unter");
    request.filter = lines.join(QStringLiteral(";;"));
    const bool archive =
        m_downloadFileName.endsWith(QLatin1String(".tar.gz"), Qt::CaseInsensitive) ||
        m_downloadFileName.endsWith(QLatin1String(".tgz"), Qt::CaseInsensitive);
    request.selectedFilter = archive ? lines.at(1) : lines.at(0);
    request.directory = QDir(m_downloadDirectory.isEmpty() ? QDir::homePath() : m_downloadDirectory)
                            .filePath(m_downloadFileName);
    request.confirmOverwrite = true;
    const std::optional<base::SaveFileChoice> choice = m_ui.getSaveFileChoice(request);
    if (!choice || choice->path.isEmpty())
        return false;
    QString target = choice->path;
    if (QFileInfo(target).suffix().isEmpty())
        target += extensionForFilter(choice->filter);

    if (!DownloadFile(target)) {
        if (m_downloadCancelled)
            return false;
        m_downloadFailed = true;
        m_ui.showMessage(
            MessageKind::Error, QStringLiteral("Fehler beim Herunterladen!"),
            m_LastError.isEmpty()
                ? QStringLiteral("Fehler beim Herunterladen der neuen Version.\nUnbekannter "
                                 "Fehler.")
                : QStringLiteral("Fehler beim Herunterladen der neuen Version.\nFehler: "
                                 "\"%1.\"")
                      .arg(m_LastError),
            MessageButtons::Ok);
        return false;
    }
    if (!(m_Options & wfioRunUpdate))
        return true;
    const QString question =
        (m_Options & wfioExitDuringUpdate)
            ? QStringLiteral("Soll die neue Version jetzt installiert werden?\nDadurch wird %1 "
                             "beendet.")
                  .arg(base::AppInfo::title())
            : QStringLiteral("Möchten Sie die neue Version jetzt installieren?");
    if (m_ui.showMessage(MessageKind::Question, QStringLiteral("Neue Version installieren"),
                         question, MessageButtons::YesNo) != MessageAnswer::Yes)
        return true;
    if (install(m_downloadedFile) && (m_Options & wfioExitDuringUpdate))
        m_exitRequested = true;
    return true;
}

// The downloaded file is never run by the program itself: the desktop opens it with the
// handler the user has for it (a package installer for a program package). RunParams have
// no place in that; they are left to the handler's defaults.
bool TWebFileInfo::install(const QString& file)
{
    m_installAttempted = true;
    if (m_installer) {
        m_installed = m_installer(file);
        return m_installed;
    }
    m_installed = m_ui.openUrl(QUrl::fromLocalFile(file));
    if (!m_installed)
        m_ui.showMessage(MessageKind::Error, QStringLiteral("Fehler"),
                         QStringLiteral("Programm kann nicht gestartet werden!"),
                         MessageButtons::Ok);
    return m_installed;
}

void TWebFileInfo::ShowReadMe()
{
    if (m_values.ProductReadMe.isEmpty() && m_values.ProductReadMeExt.isEmpty())
        return;
    if (m_ui.showMessage(MessageKind::Question, newVersionCaption(),
                         versionText() +
                             QStringLiteral("\nMöchten Sie zuvor die Info-Datei lesen?"),
                         MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    if (!m_values.ProductReadMeExt.isEmpty()) {
        const QString file =
            QDir(QDir::tempPath())
                .filePath(safeFileName(m_values.ProductReadMeExt, QStringLiteral("info.txt")));
        const std::unique_ptr<TransferJob> job = makeJob(m_values.ProductReadMeExt, &file);
        const Transfer fetched =
            transfer(*job, Window::Progress, QStringLiteral("Lade Info-Datei"));
        if (fetched.ok && job->commitFile()) {
            if (m_ui.openUrl(QUrl::fromLocalFile(file)))
                return;
            m_ui.showMessage(MessageKind::Error, QStringLiteral("Fehler"),
                             QStringLiteral("Programm kann nicht gestartet werden!"),
                             MessageButtons::Ok);
        }
    }
    if (!m_values.ProductReadMe.isEmpty()) {
        const Transfer fetched =
            fetchToMemory(m_values.ProductReadMe, QStringLiteral("Info-Datei wird abgerufen ..."));
        if (fetched.ok)
            m_display.showInfoText(InfoPageParser::decode(fetched.body));
    }
}

bool TWebFileInfo::DownloadFile(QString target)
{
    m_downloadCancelled = false;
    m_downloadedFile.clear();
    // The question before overwriting an existing file belongs to a set of options without
    // wfioDisplayUI, which setOptions never leaves: the save dialog asks it.
    if (target.endsWith(u'/'))
        target += m_downloadFileName;
    m_LastError.clear();
    if (m_values.DownloadURL.isEmpty()) {
        m_LastError = QStringLiteral("Die Informationsseite nennt keine Download-Adresse");
        return false;
    }
    const std::unique_ptr<TransferJob> job = makeJob(m_values.DownloadURL, &target);
    const Transfer fetched =
        transfer(*job, Window::Progress, QStringLiteral("Neue Version wird heruntergeladen"));
    if (fetched.cancelled) {
        m_downloadCancelled = true;
        return false;
    }
    if (!fetched.ok)
        return false;
    // The server closing early is no complete file, even when the status was fine.
    if (fetched.total >= 0 && fetched.received != fetched.total) {
        m_LastError = QStringLiteral("Übertragung unvollständig: %1 von %2 Bytes empfangen")
                          .arg(fetched.received)
                          .arg(fetched.total);
        return false;
    }
    if (!job->commitFile()) {
        m_LastError = job->commitError();
        return false;
    }
    m_downloadedFile = target;
    return true;
}

} // namespace pelvaro::updates
