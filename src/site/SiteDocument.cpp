#include "site/SiteDocument.h"

#include "base/AppInfo.h"
#include "base/FileTexts.h"
#include "base/UiServices.h"
#include "site/RecentFileList.h"
#include "site/SiteDateStore.h"
#include "site/SiteFile.h"
#include "site/SiteForm.h"

#include <QFileInfo>

namespace pelvaro::site {

using base::MessageAnswer;
using base::MessageButtons;

namespace {

base::FileDialogRequest siteFileDialog(const QString& title)
{
    base::FileDialogRequest request;
    request.title = title;
    request.filter = QStringLiteral("Site-Info-Dateien (*.sit);;Alle Dateien (*)");
    request.defaultSuffix = QStringLiteral("sit");
    request.confirmOverwrite = true;
    return request;
}

const QString loadingText = QStringLiteral("Datei wird geladen, bitte warten ...");

} // namespace

SiteDocument::SiteDocument(base::UiServices& ui, SiteForm& form, RecentFileList& recentFiles,
                           QObject* parent)
    : QObject(parent), m_ui(ui), m_form(form), m_recentFiles(recentFiles)
{
    m_record.Clear();
}

QString SiteDocument::caption() const
{
    const QString name = m_currentSiteFile == untitled() ? m_currentSiteFile
                                                         : QFileInfo(m_currentSiteFile).fileName();
    return base::AppInfo::title() + QStringLiteral(" - ") + name;
}

void SiteDocument::SetCurrentSiteFile(const QString& path)
{
    m_currentSiteFile = path;
    emit captionChanged(caption());
}

void SiteDocument::ToRecord()
{
    // The form shows neither the IndexNow key, the further addresses nor what was sent, so
    // emptying the record must not lose them.
    const QString indexNowKey = m_record.indexNowKey;
    const QStringList indexNowUrls = m_record.indexNowUrls;
    const SubmissionLedger ledger = m_record.ledger;
    m_record.Clear();
    m_record.indexNowKey = indexNowKey;
    m_record.indexNowUrls = indexNowUrls;
    m_record.ledger = ledger;
    m_form.readInto(m_record);
    m_record.clampToCapacities();
    m_record.recomputeFullName();
}

void SiteDocument::FromRecord()
{
    m_form.showRecord(m_record);
}

bool SiteDocument::StoreFile(const QString& path)
{
    base::WaitNoticeGuard notice(m_ui, base::FileTexts::saving());
    ToRecord();
    if (m_dates)
        m_dates->collectDates(m_record);
    const QString failure = SiteFile::write(path, m_record);
    if (!failure.isEmpty()) {
        notice.close();
        // A save that fails must say so: silence would leave the user believing the data safe.
        m_ui.error(base::FileTexts::saveFailed(path, failure));
        return false;
    }
    m_recentFiles.add(path);
    m_siteModified = false;
    notice.close();
    m_ui.information(base::FileTexts::saved(path));
    return true;
}

bool SiteDocument::LoadFile(const QString& path)
{
    SiteFile::ReadResult read = SiteFile::read(path);
    if (read.failure == SiteFile::Failure::NotFound) {
        m_ui.warning(read.message);
        return false;
    }
    if (read.failure != SiteFile::Failure::None) {
        m_ui.showGeneralError(read.message);
        return false;
    }
    m_record = read.record;
    FromRecord();
    const bool mismatch = m_dates && m_dates->applyDates(m_record);
    m_siteModified = false;
    if (mismatch)
        m_ui.warning(QStringLiteral(
            "Die Anzahl der Suchdienste hat sich geändert.\n\nDieses Problem kann wie folgt gelöst "
            "werden: \nSpeichern Sie die Datei und laden Sie sie anschließend erneut. \nWICHTIG: "
            "Verwenden Sie dazu den Befehl  \"D a t e i | S p e i c h e r n   u n t e r\"  "
            "(NICHT: \"Datei|Speichern\")!\n\nSollte der Fehler dann immer noch auftreten, ist "
            "diese SIT-Datei beschädigt/ungültig."));
    return true;
}

// The question of New, Open and Quit when the description was changed. Returns false
// when the user wanted to save and the save did not happen.
bool SiteDocument::askToSaveChanges(MessageButtons buttons)
{
    if (!m_siteModified)
        return true;
    // With Cancel offered, only No discards; Cancel, Escape or closing the box keep
    // everything as it is.
    const auto goOnWithout = [buttons](MessageAnswer answer) {
        return buttons == MessageButtons::YesNoCancel ? answer == MessageAnswer::No
                                                      : answer != MessageAnswer::Yes;
    };
    if (m_currentSiteFile == untitled()) {
        const MessageAnswer answer = m_ui.question(
            QStringLiteral("Sollen die aktuellen Formulardaten zuvor gespeichert werden?"),
            buttons);
        if (answer != MessageAnswer::Yes)
            return goOnWithout(answer);
        const std::optional<QString> path = askSavePath();
        if (!path || !StoreFile(*path))
            return false;
        SetCurrentSiteFile(*path);
        return true;
    }
    const MessageAnswer answer = m_ui.question(
        QStringLiteral("Soll die Datei %1 zuvor gespeichert werden?").arg(m_currentSiteFile),
        buttons);
    if (answer != MessageAnswer::Yes)
        return goOnWithout(answer);
    return StoreFile(m_currentSiteFile);
}

bool SiteDocument::NewSite()
{
    if (!askToSaveChanges())
        return false;
    SetCurrentSiteFile(untitled());
    m_record.Clear();
    FromRecord();
    m_siteModified = false;
    if (m_dates)
        m_dates->clearDates();
    return true;
}

std::optional<QString> SiteDocument::askSavePath()
{
    return m_ui.getSaveFileName(siteFileDialog(QStringLiteral("Speichern der Kenndatendatei")));
}

void SiteDocument::New()
{
    const base::WaitNoticeGuard notice(m_ui, QStringLiteral("Bitte warten ..."));
    NewSite();
}

void SiteDocument::Open()
{
    const std::optional<QString> path =
        m_ui.getOpenFileName(siteFileDialog(QStringLiteral("Wählen Sie eine Datei mit Kenndaten")));
    if (path)
        OpenFile(*path);
}

void SiteDocument::OpenFile(const QString& path)
{
    const base::WaitNoticeGuard notice(m_ui, loadingText);
    if (NewSite()) {
        m_recentFiles.add(path);
        LoadFile(path);
        SetCurrentSiteFile(path);
    }
}

void SiteDocument::OpenRecent(const QString& path)
{
    const base::WaitNoticeGuard notice(m_ui, loadingText);
    if (NewSite()) {
        LoadFile(path);
        SetCurrentSiteFile(path);
    }
}

void SiteDocument::Save()
{
    if (m_currentSiteFile == untitled())
        SaveAs();
    else
        StoreFile(m_currentSiteFile);
}

void SiteDocument::SaveOnSelectionPage()
{
    const std::optional<QString> path = askSavePath();
    if (!path)
        return;
    const QString failure = SiteFile::write(*path, m_record);
    if (!failure.isEmpty())
        m_ui.error(base::FileTexts::saveFailed(*path, failure));
}

void SiteDocument::SaveAs()
{
    const std::optional<QString> path = askSavePath();
    if (!path)
        return;
    // The caption names the file only once it really holds the description.
    if (StoreFile(*path))
        SetCurrentSiteFile(*path);
}

bool SiteDocument::Beenden()
{
    // Quitting throws the description away for good: the user may still change his mind.
    return askToSaveChanges(MessageButtons::YesNoCancel);
}

} // namespace pelvaro::site
