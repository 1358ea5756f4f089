#pragma once

#include <QMainWindow>

#include <array>
#include <memory>

class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;

namespace pelvaro::base {
class UiServices;
}
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
namespace ui {
class SiteDescriptionPage;
}
} // namespace pelvaro::site

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

    QTabWidget* pageControl() const { return m_pages; }
    site::SiteDocument& document() const { return *m_document; }
    site::ui::SiteDescriptionPage& sitePage() const { return *m_sitePage; }
    catalogue::ui::CatalogueListPanel* listPanel(int listCode) const;
    catalogue::ui::DetailsWindow* detailsWindow() const { return m_details; }
    catalogue::TDataModule1* dataModule() const { return m_module; }
    base::UiServices& ui() const { return m_ui; }
    QMenu* listContextMenu() const { return m_listMenu; }

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

private:
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
    void rebuildRecentFiles();
    void quit();
    void save();
    // The menu bar is about to take the user away from the field he is in. Returns true
    // when the field's check kept him there.
    bool menuBarEntered();

    base::UiServices& m_ui;
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
    std::array<QWidget*, 6> m_pageContents{};
    catalogue::ui::DetailsWindow* m_details = nullptr;
    int m_activePageCode = 1;
    int m_focusedListCode = 0;
    int m_shownPage = -1;
};

} // namespace pelvaro::app::ui
