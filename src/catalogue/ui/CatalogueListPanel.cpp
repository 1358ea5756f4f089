#include "catalogue/ui/CatalogueListPanel.h"

#include "base/UiServices.h"
#include "catalogue/CatalogueLists.h"
#include "catalogue/CatalogueTableModel.h"
#include "catalogue/store/TableCursor.h"
#include "catalogue/ui/NavigatorArrows.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelvaro::catalogue::ui {

namespace {

// Field numbers of the table, as the column widths are given.
enum Column
{
    Name = 1,
    Kategorie = 6,
    Bewertung = 13,
    KostetGeld = 16,
    ZuletztRegistriert = 21,
    CodeFuerFlagge = 22,
    Bemerkung = 24,
};

bool isSubmissionList(int listNumber)
{
    return listNumber == 3 || listNumber == 4;
}

// The glyph columns are narrow; their pictures sit in the middle of the cell.
class ListDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->text.isEmpty())
            option->decorationAlignment = Qt::AlignCenter;
    }
};

// What the grid shows of the catalogue model: headers short enough for the narrow columns
// (the field's own name in the tooltip) and yes/no fields as a tick, since "True" and
// "False" do not fit in them.
class GridColumns : public QIdentityProxyModel
{
public:
    GridColumns(CatalogueTableModel* source, QObject* parent)
        : QIdentityProxyModel(parent), m_source(source)
    {
        setSourceModel(source);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        const QVariant name =
            QIdentityProxyModel::headerData(section, orientation, Qt::DisplayRole);
        if (orientation != Qt::Horizontal)
            return QIdentityProxyModel::headerData(section, orientation, role);
        if (role == Qt::ToolTipRole)
            return name;
        if (role != Qt::DisplayRole)
            return QIdentityProxyModel::headerData(section, orientation, role);
        switch (section) {
        case Kategorie:
            return CatalogueListPanel::tr("Kat.");
        case Bewertung:
            return CatalogueListPanel::tr("Bew");
        case KostetGeld:
            return CatalogueListPanel::tr("€");
        case ZuletztRegistriert:
            return CatalogueListPanel::tr("Registriert");
        case CodeFuerFlagge:
            return CatalogueListPanel::tr("Land");
        default:
            return name;
        }
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!isBoolean(index.column()))
            return QIdentityProxyModel::data(index, role);
        if (role == Qt::DisplayRole)
            return {};
        if (role != Qt::CheckStateRole)
            return QIdentityProxyModel::data(index, role);
        const QVariant value = QIdentityProxyModel::data(index, CatalogueTableModel::RawValueRole);
        if (!value.isValid())
            return {};
        return value.toBool() ? Qt::Checked : Qt::Unchecked;
    }

private:
    bool isBoolean(int column) const
    {
        const auto& fields = m_source->cursor().table().fields;
        return column >= 0 && column < fields.size() &&
               fields.at(column).type == store::FieldType::Boolean;
    }

    CatalogueTableModel* m_source;
};

} // namespace

CatalogueListPanel::CatalogueListPanel(base::UiServices& ui, store::TableCursor& cursor,
                                       int listNumber, QWidget* parent)
    : QGroupBox(parent), m_ui(ui), m_cursor(cursor), m_listNumber(listNumber),
      m_model(new CatalogueTableModel(cursor, this)), m_sortChooser(new QComboBox(this)),
      m_search(new QLineEdit(this)), m_searchTimer(new QTimer(this)), m_grid(new QTableView(this))
{
    const QString suffix = QString::number(listNumber);

    auto* sortLabel = new QLabel(tr("Sortierung:"), this);
    sortLabel->setBuddy(m_sortChooser);
    m_sortChooser->setObjectName(QStringLiteral("OvcDbIndexSelect") + suffix);
    m_sortChooser->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const store::IndexDef& index : m_cursor.indexes())
        m_sortChooser->addItem(index.displayName(), index.name);
    connect(m_sortChooser, &QComboBox::activated, this,
            [this](int index) { m_ui.guarded([this, index] { chooseSortOrder(index); }); });

    QWidget* navigator = createNavigator();
    navigator->setObjectName(QStringLiteral("DBNavigator") + suffix);

    auto* searchLabel = new QLabel(tr("Suche:"), this);
    searchLabel->setBuddy(m_search);
    m_search->setObjectName(QStringLiteral("SearchEdit") + suffix);
    m_search->setToolTip(tr("Nach Namen suchen (\"Name\" muß Sortierfolge gewählt sein)"));
    m_search->setMinimumWidth(60);
    // The search waits for a pause in typing, so a fast typist is not thrown about.
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(SearchPause);
    connect(m_search, &QLineEdit::textEdited, m_searchTimer, qOverload<>(&QTimer::start));
    connect(m_searchTimer, &QTimer::timeout, this,
            [this] { m_ui.guarded([this] { runSearch(); }); });

    m_grid->setObjectName(QStringLiteral("OvcDbTable") + suffix);
    if (listNumber == 1)
        m_grid->setToolTip(tr("Doppelklicken Sie auf einen Eintrag, um ihn auszuwählen"));
    m_grid->setModel(new GridColumns(m_model, this));
    m_grid->setItemDelegate(new ListDelegate(m_grid));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setTabKeyNavigation(false);
    m_grid->setWordWrap(false);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(qMax(18, m_grid->fontMetrics().height() + 4));
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The glyph columns are narrower than the style's smallest section.
    m_grid->horizontalHeader()->setMinimumSectionSize(8);
    m_grid->horizontalHeader()->setStretchLastSection(isSubmissionList(listNumber));
    const QList<int> visible = visibleColumns(listNumber);
    for (int column = 0; column < m_model->columnCount(); ++column)
        m_grid->setColumnHidden(column, !visible.contains(column));
    resetColumnWidths();

    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now) {
                if (!m_selecting && now.isValid())
                    m_ui.guarded([this, row = now.row()] { gridRowChosen(row); });
            });
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] { emit rowDoubleClicked(); });
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        emit contextMenuRequested(m_grid->viewport()->mapToGlobal(pos));
    });

    auto* bar = new QHBoxLayout;
    bar->addWidget(sortLabel);
    bar->addWidget(m_sortChooser);
    bar->addWidget(navigator);
    bar->addSpacing(4);
    bar->addWidget(searchLabel);
    bar->addWidget(m_search, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(bar);
    layout->addWidget(m_grid, 1);

    // The model was connected to the view first, so it has been reset when these run.
    connect(&m_cursor, &store::TableCursor::rowsReset, this, [this] {
        m_ui.guarded([this] {
            showCursorOrder();
            followCursor();
        });
    });
    connect(&m_cursor, &store::TableCursor::currentRowChanged, this,
            [this] { m_ui.guarded([this] { followCursor(); }); });
    m_focusConnection =
        connect(qApp, &QApplication::focusChanged, this, &CatalogueListPanel::focusMoved);

    showCursorOrder();
    followCursor();
}

CatalogueListPanel::~CatalogueListPanel()
{
    // Destroying the focused child moves the focus while only the QWidget part of this
    // panel is left.
    disconnect(m_focusConnection);
}

QList<CatalogueListPanel::ColumnWidth> CatalogueListPanel::columnWidths(int listNumber)
{
    if (isSubmissionList(listNumber)) {
        // The remark is the last column and takes whatever room the page leaves it; 16
        // pixels is only what it keeps when there is none.
        return {{Name, 185},      {Kategorie, 25},          {Bewertung, 25},
                {KostetGeld, 25}, {ZuletztRegistriert, 55}, {CodeFuerFlagge, 35},
                {Bemerkung, 16}};
    }
    // The remark is hidden here; its width is kept for when the column is shown.
    return {{Name, 185},          {Kategorie, 25}, {Bewertung, 25}, {ZuletztRegistriert, 55},
            {CodeFuerFlagge, 35}, {Bemerkung, 20}};
}

QList<int> CatalogueListPanel::visibleColumns(int listNumber)
{
    if (isSubmissionList(listNumber))
        return {Name,           Kategorie, Bewertung, KostetGeld, ZuletztRegistriert,
                CodeFuerFlagge, Bemerkung};
    return {Name, Kategorie, Bewertung, ZuletztRegistriert, CodeFuerFlagge};
}

void CatalogueListPanel::resetColumnWidths()
{
    for (const ColumnWidth& entry : columnWidths(m_listNumber))
        m_grid->setColumnWidth(entry.column, entry.width);
}

void CatalogueListPanel::setSearchEnabled(bool enabled)
{
    QPalette palette = m_search->palette();
    const QColor background =
        enabled ? QApplication::palette().color(QPalette::Active, QPalette::Base)
                : QApplication::palette().color(QPalette::Active, QPalette::Window);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, background);
    m_search->setPalette(palette);
    m_search->setEnabled(enabled);
}

void CatalogueListPanel::setCurrentRowColour(const QColor& colour)
{
    // A view without the focus draws its selection in the inactive colours.
    QPalette palette = m_grid->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, colour);
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Inactive, QPalette::Text));
    m_grid->setPalette(palette);
    m_grid->viewport()->update();
}

void CatalogueListPanel::setCaption(const QString& caption)
{
    setTitle(caption);
}

QWidget* CatalogueListPanel::createNavigator()
{
    auto* navigator = new QWidget(this);
    auto* layout = new QHBoxLayout(navigator);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_first = navigatorButton(navigator, QStringLiteral("First"), tr("Erster Datensatz"),
                              int(NavigatorArrow::First));
    m_prior = navigatorButton(navigator, QStringLiteral("Prior"), tr("Vorheriger Datensatz"),
                              int(NavigatorArrow::Prior));
    m_next = navigatorButton(navigator, QStringLiteral("Next"), tr("Nächster Datensatz"),
                             int(NavigatorArrow::Next));
    m_last = navigatorButton(navigator, QStringLiteral("Last"), tr("Letzter Datensatz"),
                             int(NavigatorArrow::Last));
    for (QToolButton* button : {m_first, m_prior, m_next, m_last})
        layout->addWidget(button);
    const std::pair<QToolButton*, void (store::TableCursor::*)()> moves[] = {
        {m_first, &store::TableCursor::first},
        {m_prior, &store::TableCursor::prior},
        {m_next, &store::TableCursor::next},
        {m_last, &store::TableCursor::last},
    };
    for (const auto& [button, move] : moves)
        connect(button, &QToolButton::clicked, this,
                [this, move] { m_ui.guarded([this, move] { navigate(move); }); });
    return navigator;
}

QToolButton* CatalogueListPanel::navigatorButton(QWidget* navigator, const QString& objectName,
                                                 const QString& tip, int shape)
{
    auto* button = new QToolButton(navigator);
    button->setObjectName(objectName);
    button->setToolTip(tip);
    button->setIcon(navigatorArrowIcon(NavigatorArrow(shape)));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void CatalogueListPanel::navigate(void (store::TableCursor::*move)())
{
    if (!m_cursor.isOpen())
        return;
    (m_cursor.*move)();
    emit navigatorUsed();
}

void CatalogueListPanel::chooseSortOrder(int comboIndex)
{
    const QString indexName = m_sortChooser->itemData(comboIndex).toString();
    if (indexName.compare(m_cursor.indexName(), Qt::CaseInsensitive) != 0)
        m_cursor.setIndexName(indexName);
    emit sortOrderChanged();
}

void CatalogueListPanel::showCursorOrder()
{
    int shown = -1;
    for (int i = 0; i < m_sortChooser->count(); ++i)
        if (m_sortChooser->itemData(i).toString().compare(m_cursor.indexName(),
                                                          Qt::CaseInsensitive) == 0)
            shown = i;
    m_sortChooser->setCurrentIndex(shown);
}

void CatalogueListPanel::runSearch()
{
    // Only an order by name can be searched by name; the field is disabled otherwise, but
    // a pause that began before the order changed may still end here.
    if (!m_search->isEnabled() || !m_cursor.isOpen() || !CatalogueLists::searchAllowed(m_cursor))
        return;
    m_cursor.findNearest(m_search->text());
}

void CatalogueListPanel::followCursor()
{
    // Walks with the screen updates off move the cursor row by row; the grid catches up
    // once the walk is over instead of following every step.
    if (m_cursor.controlsDisabled()) {
        followCursorLater();
        return;
    }
    selectCursorRow();
    updateNavigator();
    emit currentChanged();
}

void CatalogueListPanel::followCursorLater()
{
    if (m_followPending)
        return;
    m_followPending = true;
    QTimer::singleShot(0, this, [this] {
        m_followPending = false;
        if (!m_cursor.controlsDisabled())
            m_ui.guarded([this] { followCursor(); });
    });
}

void CatalogueListPanel::selectCursorRow()
{
    const QScopedValueRollback guard(m_selecting, true);
    QItemSelectionModel* selection = m_grid->selectionModel();
    const int row = m_cursor.isOpen() ? m_cursor.position() : -1;
    if (row < 0 || row >= m_model->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = m_grid->model()->index(row, Name);
    selection->setCurrentIndex(index,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(index);
}

void CatalogueListPanel::updateNavigator()
{
    const int row = m_cursor.isOpen() ? m_cursor.position() : -1;
    const int rows = m_cursor.isOpen() ? m_cursor.rowCount() : 0;
    m_first->setEnabled(row > 0);
    m_prior->setEnabled(row > 0);
    m_next->setEnabled(row >= 0 && row < rows - 1);
    m_last->setEnabled(row >= 0 && row < rows - 1);
}

void CatalogueListPanel::gridRowChosen(int row)
{
    if (m_cursor.isOpen() && row != m_cursor.position())
        m_cursor.moveTo(row);
}

void CatalogueListPanel::focusMoved(QWidget* /*old*/, QWidget* now)
{
    // The focus leaving the program, or going to another window such as a dialog opened
    // from this list, comes back to where it was: the list was not left for another one.
    if (!now || now->window() != window())
        return;
    const bool inside = now == this || isAncestorOf(now);
    if (inside == m_focusWithin)
        return;
    m_focusWithin = inside;
    if (inside)
        emit entered();
    else
        emit left();
}

} // namespace pelvaro::catalogue::ui
