#pragma once

#include "catalogue/CatalogueLists.h"
#include "catalogue/FilterCriteria.h"
#include "reports/ui/TStatusBerichtFormular.h"
#include "submit/SubmissionRun.h"

#include <QDate>
#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class QTreeWidget;

namespace pelvaro::base {
class SettingsStore;
class UiServices;
} // namespace pelvaro::base
namespace pelvaro::catalogue {
class CatalogueSiteDates;
class TDataModule1;
namespace ui {
class CatalogueListPanel;
class DetailsWindow;
} // namespace ui
} // namespace pelvaro::catalogue
namespace pelvaro::site {
class RecentFileList;
class SiteDocument;
struct SiteRecord;
namespace ui {
class SiteDescriptionPage;
}
} // namespace pelvaro::site
namespace pelvaro::updates {
enum class UpdateOutcome;
}
namespace pelvaro::tools::ui {
class MetaTagPage;
class TFormManuellHilfe;
} // namespace pelvaro::tools::ui

namespace pelvaro::app::ui {

// The main window: six pages with their tool bars, the main menu, the status bar and the
// bottom panel of links. It owns the site description being edited; the catalogue is
// attached once the data module is open.
class THauptFormular : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THauptFormular)

public:
    struct PageInfo
    {
        const char* objectName;
        const char* caption;
        int helpContext;
    };
    // The pages in tab order; ActivePageCode is the position plus one.
    static const std::array<PageInfo, 6>& pages();

    THauptFormular(base::UiServices& ui, const QString& settingsFile, QWidget* parent = nullptr);
    ~THauptFormular() override;

    // Binds the catalogue lists to the data module's views; the list pages work from then on.
    void attachCatalogue(catalogue::TDataModule1& module);
    // What a run and the reports read: the settings (workers, proxy, the report question;
    // the defaults without a store), the program folder (where the report window's dialogs
    // start) and the folder of the answer pages.
    void setRunContext(base::SettingsStore* settings, const QString& programDirectory,
                       const QString& answerDirectory);
    // The file named when the program was started; the report window loads it.
    void setStartArgument(const QString& path) { m_startArgument = path; }
    // A file the program was started with: a site-info file is opened as "Öffnen" opens
    // it, a selection file loaded as "Auswahl laden" loads it; anything else becomes the
    // report window's start argument.
    void openStartFile(const QString& path);
    // A file a later start of the program handed over. It waits while a dialog or a run
    // holds the window and is opened when the window takes input again.
    void handOverFile(const QString& path);
    QStringList handedOverFiles() const { return m_handedOver; }
    const QString& startArgument() const { return m_startArgument; }
    // Builds the status report of the last run into a document, as "RTF-Bericht" shows it.
    reports::ui::TStatusBerichtFormular::ReportGenerator reportGenerator();

    // "Anmeldung starten": the checks, the preparation, the scheduler window, and the
    // outcome on the status page.
    void SubmitBtnClick();
    // "Vorschau": the run's checks, then what each service would be sent, without sending
    // or changing anything; from there the user may start the run itself.
    void VorschauBtnClick();
    // The site's IndexNow key, key file and further addresses.
    void IndexNowBtnClick();
    // The open site, for the ledger in the details and the filter.
    std::function<const site::SiteRecord*()> openSite();
    // "Anmeldehilfe starten": the checks, then the assistant beside the minimised window.
    void startAssistant();
    // "URL prüfen" beside the site address.
    void checkUrl();
    // "&Tip des Tages"; needs the run context.
    void showTipOfTheDay();
    // The program's own start shows the tip of the day at the window's first activation
    // when the user wants it; windows made for tests and pictures do not.
    void showTipOnFirstActivation() { m_tipOnFirstActivation = true; }
    // What an update menu item leaves to the window: showing a new catalogue, or ending.
    void afterUpdate(updates::UpdateOutcome outcome);
    // The status page's two result views.
    void showResults(const std::vector<submit::ResultRow>& successRows,
                     const std::vector<submit::ResultRow>& failureRows);

    QTabWidget* pageControl() const { return m_pages; }
    site::SiteDocument& document() const { return *m_document; }
    site::ui::SiteDescriptionPage& sitePage() const { return *m_sitePage; }
    tools::ui::MetaTagPage& metaTagPage() const { return *m_metaTags; }
    // Null until the catalogue is attached.
    tools::ui::TFormManuellHilfe* assistant() const { return m_assistant; }
    catalogue::ui::CatalogueListPanel* listPanel(int listCode) const;
    catalogue::ui::DetailsWindow* detailsWindow() const { return m_details; }
    catalogue::TDataModule1* dataModule() const { return m_module; }
    base::UiServices& ui() const { return m_ui; }
    QMenu* listContextMenu() const { return m_listMenu; }
    const QString& settingsFile() const { return m_settingsFile; }

    // The run's result lines, kept for the whole program run.
    QStringList ErfolgreichListe;
    QStringList FehlgeschlagenListe;

    int ActivePageCode() const { return m_activePageCode; }
    int FocusedListCode() const { return m_focusedListCode; }
    void setFocusedListCode(int code) { m_focusedListCode = code; }

    void RefreshCounts();
    void RefreshSearchFields();

    // The status bar's one panel: normal look, or white on red while a field is guided.
    void setStatus(const QString& text, bool alarm = false);
    void setStatusAlarm(bool alarm);
    QString statusText() const;
    bool statusAlarm() const { return m_statusAlarm; }

    // Restores a minimised window, or brings the window (or its open modal dialog) to the
    // front; asked for by a second start of the program.
    void bringToFront();

    // The product's pages behind the bottom panel's links.
    static QString productSiteAddress();
    static QString forumAddress();
    static QString makerSiteAddress();

signals:
    // The window has closed; the program ends with it.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void openHandedOverFiles();
    void createMenus();
    void createPages();
    QWidget* createPage(int index, const QStringList& toolButtons);
    QWidget* createBottomPanel();
    QToolBar* toolBar(int index) const;
    void showFrameCaptions();
    void pageChanged(int index);
    void pageHidden(int pageCode);
    void pageShown(int pageCode);
    void listEntered(int listCode);
    void listLeft(int listCode);
    void showListMenu(int listCode, const QPoint& globalPos);
    void openFocusedServiceLink(bool submissionPage);
    void deselectFocusedService();
    QWidget* createLinkBar(int pageCode);
    QWidget* createMoveButtons();
    QLabel* linkLabel(int pair, bool submissionPage) const;
    static void showLink(QLabel* label, const catalogue::CatalogueLists::Link& link);
    void activateLink(QLabel* link);
    void updateLinkBar();
    void openFilter();
    // The run's start checks with the window's answers to them (the page to show); true
    // when the run may go on.
    bool submissionMayStart(submit::SubmissionRun& run, bool overwriteReport);
    void createStatusPage();
    void createMetaTagPage();
    void resultViewDoubleClicked(bool successView);
    // Runs a command that changes the selection; the counts are shown afterwards, also when
    // it failed, and a failure reaches the general error display.
    template <typename Command> void changeSelection(Command&& command);
    void rebuildRecentFiles();
    void quit();
    // Asks to save changes before the program ends; false when the user stays.
    bool mayQuit();
    void save();
    // The menu bar is about to take the user away from the field he is in. Returns true
    // when the field's check kept him there.
    bool menuBarEntered();

    base::UiServices& m_ui;
    const QString m_settingsFile;
    QTabWidget* m_pages = nullptr;
    QLabel* m_status = nullptr;
    bool m_statusAlarm = false;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    QList<QAction*> m_recentActions;
    QMenu* m_listMenu = nullptr;
    site::ui::SiteDescriptionPage* m_sitePage = nullptr;
    std::unique_ptr<site::RecentFileList> m_recentFiles;
    std::unique_ptr<site::SiteDocument> m_document;
    catalogue::TDataModule1* m_module = nullptr;
    std::unique_ptr<catalogue::CatalogueSiteDates> m_dates;
    std::array<catalogue::ui::CatalogueListPanel*, 4> m_lists{};
    // The link bars by pair number (1 selection page, 3 automatic, 4 manual): home page and
    // registration page.
    std::array<std::array<QLabel*, 2>, 5> m_linkBars{};
    base::SettingsStore* m_settings = nullptr;
    QString m_programDirectory;
    QString m_answerDirectory;
    QString m_startArgument;
    QStringList m_handedOver;
    QTreeWidget* m_successView = nullptr;
    QTreeWidget* m_failureView = nullptr;
    std::vector<submit::ResultRow> m_successRows;
    std::vector<submit::ResultRow> m_failureRows;
    // The filter's ticks outlive the dialog for the whole program run.
    catalogue::FilterCriteria m_filterCriteria;
    std::array<QWidget*, 6> m_pageContents{};
    catalogue::ui::DetailsWindow* m_details = nullptr;
    tools::ui::MetaTagPage* m_metaTags = nullptr;
    tools::ui::TFormManuellHilfe* m_assistant = nullptr;
    bool m_tipOnFirstActivation = false;
    // The status report was saved or printed since the last run ended.
    bool m_reportKept = false;
    // "Beenden" has asked its question and closes the window.
    bool m_quitConfirmed = false;
    // When the run whose results the status page shows ended, and the address it announced.
    QDate m_runDate;
    QString m_runAddress;
    int m_activePageCode = 1;
    int m_focusedListCode = 0;
    int m_shownPage = -1;
};

} // namespace pelvaro::app::ui
