#pragma once

#include <QGroupBox>

class QComboBox;
class QLineEdit;
class QTableView;
class QTimer;
class QToolButton;

namespace pelvaro::base {
class UiServices;
}
namespace pelvaro::catalogue {
class CatalogueTableModel;
namespace store {
class TableCursor;
}
} // namespace pelvaro::catalogue

namespace pelvaro::catalogue::ui {

// One catalogue list in its frame: a sort-order chooser, a record navigator, a search by
// name and a read-only grid, all bound to one view. The grid and the view's current row
// follow each other both ways.
//
// Lists 1 and 2 are the selection page's lists; 3 and 4 those of the automatic and manual
// pages, which show more columns. The list number ends the child object names
// (OvcDbTable1, OvcDbIndexSelect1, DBNavigator1, SearchEdit1).
class CatalogueListPanel : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CatalogueListPanel)

public:
    // Milliseconds without typing after which the search runs.
    static constexpr int SearchPause = 500;

    // Failures of the view while the user works the list reach the door's general error
    // display.
    CatalogueListPanel(base::UiServices& ui, store::TableCursor& cursor, int listNumber,
                       QWidget* parent = nullptr);
    ~CatalogueListPanel() override;

    int listNumber() const { return m_listNumber; }
    store::TableCursor& cursor() const { return m_cursor; }
    QTableView* grid() const { return m_grid; }
    // The pause after typing in the search field; it runs the search when it times out.
    QTimer* searchTimer() const { return m_searchTimer; }
    CatalogueTableModel* model() const { return m_model; }

    // The columns this kind of list shows, as table field numbers (Nr is 0, Name 1), and
    // the widths it starts with.
    struct ColumnWidth
    {
        int column;
        int width;
    };
    static QList<ColumnWidth> columnWidths(int listNumber);
    static QList<int> visibleColumns(int listNumber);

    void resetColumnWidths();
    // Enabled with the normal field background, or disabled on the dialog face.
    void setSearchEnabled(bool enabled);
    // Colour of the current row while the grid does not have the focus.
    void setCurrentRowColour(const QColor& colour);
    void setCaption(const QString& caption);

signals:
    void sortOrderChanged();
    void navigatorUsed();
    // The focus moved into the frame from outside it, or out of it.
    void entered();
    void left();
    void rowDoubleClicked();
    void contextMenuRequested(const QPoint& globalPos);
    // The view's current row moved or the rows changed.
    void currentChanged();

private:
    QWidget* createNavigator();
    QToolButton* navigatorButton(QWidget* navigator, const QString& objectName, const QString& tip,
                                 int shape);
    void navigate(void (store::TableCursor::*move)());
    void chooseSortOrder(int comboIndex);
    void showCursorOrder();
    void runSearch();
    void followCursor();
    void followCursorLater();
    void selectCursorRow();
    void updateNavigator();
    void gridRowChosen(int row);
    void focusMoved(QWidget* old, QWidget* now);

    base::UiServices& m_ui;
    store::TableCursor& m_cursor;
    const int m_listNumber;
    CatalogueTableModel* m_model;
    QComboBox* m_sortChooser;
    QLineEdit* m_search;
    QTimer* m_searchTimer;
    QTableView* m_grid;
    QToolButton* m_first = nullptr;
    QToolButton* m_prior = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_last = nullptr;
    bool m_selecting = false;
    bool m_followPending = false;
    bool m_focusWithin = false;
    QMetaObject::Connection m_focusConnection;
};

} // namespace pelvaro::catalogue::ui
