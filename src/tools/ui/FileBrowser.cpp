#include "tools/ui/FileBrowser.h"

#include "tools/FileListing.h"
#include "tools/ui/FileListModel.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSplitter>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pelvaro::tools::ui {

namespace {

constexpr int pathRole = Qt::UserRole;
constexpr int loadedRole = Qt::UserRole + 1;

// Reading a folder on a slow or network mount can take a while; the cursor says so.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Every node offers to expand until it has been read: reading each folder ahead only to
// know whether it has subfolders would cost the very time lazy loading saves.
QTreeWidgetItem* folderNode(const QString& caption, const QString& path)
{
    auto* node = new QTreeWidgetItem(QStringList{caption});
    node->setData(0, pathRole, path);
    node->setToolTip(0, path);
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return node;
}

} // namespace

FileBrowser::FileBrowser(QWidget* parent)
    : QWidget(parent), m_tree(new QTreeWidget(this)), m_viewCombo(new QComboBox(this)),
      m_list(new QTreeView(this)), m_model(new FileListModel(this))
{
    m_tree->setObjectName(QStringLiteral("OvcOutline1"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);

    m_viewCombo->setObjectName(QStringLiteral("OvcViewComboBox1"));
    m_viewCombo->addItems({tr("Vorgabe"), tr("Über Typ"), tr("Über Zeit/Datum")});

    // "Über Typ" shows a header row per type above that type's files: a list sorted by
    // type alone would hide where one type ends among thousands of rows.
    m_list->setObjectName(QStringLiteral("xOvcDataReportView1"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(FileListModel::FileName, 200);
    m_list->setColumnWidth(FileListModel::FileSize, 90);
    m_list->setColumnWidth(FileListModel::FileType, 60);
    m_list->setColumnWidth(FileListModel::FileModified, 130);
    m_list->setColumnWidth(FileListModel::FileAttr, 70);
    m_list->installEventFilter(this);
    m_tree->installEventFilter(this);

    auto* lower = new QWidget(this);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(m_viewCombo);
    lowerLayout->addWidget(m_list);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_tree);
    splitter->addWidget(lower);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    setRootFolders({QStringLiteral("/"), QDir::homePath()});

    connect(m_tree, &QTreeWidget::itemExpanded, this, &FileBrowser::expandNode);
    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { clickNode(node); });
    connect(m_viewCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_model->setView(FileView(qBound(0, index, 2)));
        spanGroupRows();
    });
    connect(m_list, &QTreeView::doubleClicked, this, &FileBrowser::activateRow);
}

FileBrowser::~FileBrowser() = default;

QString FileBrowser::currentFolder() const
{
    return m_folder;
}

void FileBrowser::showFolder(const QString& folder)
{
    const BusyCursor busy;
    m_folder = folder;
    m_model->setEntries(FileListing::listFiles(folder));
    spanGroupRows();
}

// A group caption runs across the columns. Spans belong to rows and do not survive a
// model reset, so they are set again after every one.
void FileBrowser::spanGroupRows()
{
    if (m_model->view() != FileView::ByType)
        return;
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (m_model->isGroupRow(row))
            m_list->setFirstColumnSpanned(row, {}, true);
}

const FileEntry* FileBrowser::selectedEntry() const
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : m_model->entryAt(rows.first());
}

QString FileBrowser::selectedFolder() const
{
    const FileEntry* entry = selectedEntry();
    return entry ? entry->FilePath : QString();
}

QString FileBrowser::selectedFileName() const
{
    const FileEntry* entry = selectedEntry();
    return entry ? entry->FileName : QString();
}

QString FileBrowser::selectedFilePath() const
{
    const FileEntry* entry = selectedEntry();
    return entry ? FileListing::childPath(entry->FilePath, entry->FileName) : QString();
}

void FileBrowser::setRootFolders(const QStringList& folders)
{
    m_tree->clear();
    for (const QString& folder : folders)
        m_tree->addTopLevelItem(folderNode(folder, folder));
}

void FileBrowser::expandNode(QTreeWidgetItem* node)
{
    if (node->data(0, loadedRole).toBool())
        return;
    const BusyCursor busy;
    node->setData(0, loadedRole, true);
    const QString path = node->data(0, pathRole).toString();
    QList<QTreeWidgetItem*> children;
    for (const QString& name : FileListing::listSubfolders(path))
        children << folderNode(name, FileListing::childPath(path, name));
    node->addChildren(children);
    if (children.isEmpty())
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void FileBrowser::clickNode(QTreeWidgetItem* node)
{
    if (node)
        showFolder(node->data(0, pathRole).toString());
}

void FileBrowser::activateRow(const QModelIndex& index)
{
    if (const FileEntry* entry = m_model->entryAt(index))
        emit fileActivated(FileListing::childPath(entry->FilePath, entry->FileName));
}

// Enter is taken here rather than through the views' activated(), which also fires on a
// double-click, or on a single click where the desktop is set so: a click on a file must
// select, not import, and a double-click on a node must not read its folder twice.
bool FileBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == m_list) {
                activateRow(m_list->currentIndex());
                return true;
            }
            if (watched == m_tree) {
                clickNode(m_tree->currentItem());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pelvaro::tools::ui
