#pragma once

#include "base/UiServices.h"
#include "site/SiteRecord.h"

#include <QObject>
#include <QString>

namespace pelvaro::site {

class RecentFileList;
class SiteDateStore;
class SiteForm;

// The site description being edited: its record, the file it belongs to, whether it was
// changed, and the file commands New, Open, Save, Save as, the recent files and Quit with
// their questions.
class SiteDocument : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SiteDocument)

public:
    SiteDocument(base::UiServices& ui, SiteForm& form, RecentFileList& recentFiles,
                 QObject* parent = nullptr);

    // The catalogue's dates take part once the catalogue is open.
    void setDateStore(SiteDateStore* store) { m_dates = store; }

    SiteRecord& record() { return m_record; }
    const QString& CurrentSiteFile() const { return m_currentSiteFile; }
    bool SiteModified() const { return m_siteModified; }
    void setSiteModified(bool modified) { m_siteModified = modified; }
    // "Pelvaro! - " and the file-name part of the current file.
    QString caption() const;
    static QString untitled() { return QStringLiteral("<Unbenannt>"); }

    void ToRecord();
    void FromRecord();
    // Writes the file; false (after telling the user why) when it could not be written. An
    // existing file is replaced only by a complete new one.
    bool StoreFile(const QString& path);
    // Reads the file; false after its message when it could not be read.
    bool LoadFile(const QString& path);
    // Empties the description after asking to save changes. Returns false when the user
    // asked to save and the save did not happen: then nothing is emptied.
    bool NewSite();
    void SetCurrentSiteFile(const QString& path);

    // The user's commands.
    void New();
    void Open();
    // What "Öffnen" does once the file is chosen: the save question, the file into the
    // recent list, loading. Files the program is started with come this way too.
    void OpenFile(const QString& path);
    void OpenRecent(const QString& path);
    void Save();
    void SaveOnSelectionPage();
    void SaveAs();
    // Asks to save changes before the program ends (Yes, No or Cancel); false when ending
    // must wait.
    bool Beenden();

signals:
    void captionChanged(const QString& caption);

private:
    bool askToSaveChanges(base::MessageButtons buttons = base::MessageButtons::YesNo);
    std::optional<QString> askSavePath();

    base::UiServices& m_ui;
    SiteForm& m_form;
    RecentFileList& m_recentFiles;
    SiteDateStore* m_dates = nullptr;
    SiteRecord m_record;
    QString m_currentSiteFile = untitled();
    bool m_siteModified = false;
};

} // namespace pelvaro::site
