#pragma once

#include "tools/MetaTagGenerator.h"

#include <QHash>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDialog;
class QLineEdit;
class QPlainTextEdit;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::tools::ui {

class FileBrowser;

// The page "Meta-Tags generieren": the file browser on the left, the meta-tag form on the
// right and the generated tags below it. The main window owns the page's toolbar and calls
// the six commands; the page tells it what to show in the status bar.
class MetaTagPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MetaTagPage)

public:
    explicit MetaTagPage(base::UiServices& ui, QWidget* parent = nullptr);
    ~MetaTagPage() override;

    // The toolbar's captions and hints, in toolbar order.
    static QStringList toolButtonTexts();
    static QStringList toolButtonHints();

    // Where the editor window's own dialogs start.
    void setProgramDirectory(const QString& dir);

    void importSelectedFile(); // "Meta-Tags einlesen"
    void showHeadSection();    // "HEAD-Abschnitt zeigen"
    void editFile();           // "Datei bearbeiten"
    void generateTags();       // "Meta-Tags generieren"
    void importSiteData(const site::SiteRecord& stored, const QString& categoryText,
                        const QString& webtypeText); // "Kenndaten importieren"
    void copyTagsToClipboard();                      // "In Zwischenablage"

    // Reads the META tags of this file into the form, as a double click on its row does.
    void importFile(const QString& path);

    void pageShown();  // starts the length monitor
    void pageHidden(); // stops it

    // One round of the length monitor: marks the fields that are too long and stops the
    // monitor when none is.
    void monitorTick();
    bool monitorRunning() const { return m_monitor.isActive(); }
    // Whether the field (named as its control) is shown red.
    bool isMarkedTooLong(const QString& fieldName) const { return m_red.contains(fieldName); }

    FileBrowser* fileBrowser() const { return m_browser; }
    tools::MetaTagForm form() const;
    void setForm(const tools::MetaTagForm& form);
    const QString& lastChosenFile() const { return m_lastChosenFile; }

    // The HEAD view as "HEAD-Abschnitt zeigen" opens it; not yet shown, so that a picture
    // can be taken without running it modally.
    static std::unique_ptr<QDialog> createHeadDialog(const QString& headSection,
                                                     QWidget* parent = nullptr);

signals:
    // For the main window's status bar, in its normal colours.
    void statusText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createLayout();
    void connectControls();
    void limitLineEdit(QLineEdit* edit, const QString& edited);
    void limitMemo(QPlainTextEdit* memo);
    void expiryClicked(tools::ExpiryChoice box, bool ticked);
    void showExpiry(tools::ExpiryChoice choice);
    void userChanged(const QString& fieldName);
    void paintField(QWidget* field, bool red);
    void startMonitor();
    QWidget* fieldWidget(tools::MetaTagField field) const;

    base::UiServices& m_ui;
    FileBrowser* m_browser = nullptr;
    QLineEdit* m_autor = nullptr;
    QLineEdit* m_herausgeber = nullptr;
    QLineEdit* m_copyright = nullptr;
    QComboBox* m_thema = nullptr;
    QPlainTextEdit* m_keys = nullptr;
    QPlainTextEdit* m_beschreibung = nullptr;
    QComboBox* m_seitentyp = nullptr;
    QComboBox* m_indizierung = nullptr;
    QComboBox* m_zielgruppe = nullptr;
    QCheckBox* m_nie = nullptr;
    QCheckBox* m_sofort = nullptr;
    QCheckBox* m_datum = nullptr;
    QDateEdit* m_datePicker = nullptr;
    QPlainTextEdit* m_output = nullptr;

    QTimer m_monitor;
    tools::ExpiryChoice m_expiry = tools::ExpiryChoice::None;
    // What each limited field held before the edit in progress.
    QHash<QObject*, QString> m_before;
    // Fields shown red, and those the importer marked: its marks stay until the user
    // changes the field, whatever the monitor finds.
    QSet<QString> m_red;
    QSet<QString> m_importMarks;
    QString m_lastChosenFile;
    QString m_programDirectory;
    bool m_settingForm = false;
};

} // namespace pelvaro::tools::ui
