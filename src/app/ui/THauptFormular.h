#pragma once

#include <QMainWindow>

class QTabWidget;
class QToolBar;

namespace pelvaro::app {
class UiServices;
}

namespace pelvaro::app::ui {

// The main window: six pages, each with its tool bar, the main menu and the status bar.
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
    // The pages in tab order.
    static const std::array<PageInfo, 6>& pages();

    explicit THauptFormular(UiServices& ui, QWidget* parent = nullptr);

    QTabWidget* pageControl() const { return m_pages; }
    // Restores a minimised window, or brings the window (or its open modal dialog) to the
    // front; asked for by a second start of the program.
    void bringToFront();

private:
    QWidget* createPage(const PageInfo& info, const QStringList& toolButtons);
    void createMenus();

    UiServices& m_ui;
    QTabWidget* m_pages;
};

} // namespace pelvaro::app::ui
