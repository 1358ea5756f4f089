#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QModelIndex;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace pelvaro::tools {
struct FileEntry;
}

namespace pelvaro::tools::ui {

class FileListModel;

// The meta-tag page's file browser: a folder tree (the file system root and the home folder,
// children read when a node is expanded) above the chosen folder's file list with its six
// columns and three views.
class FileBrowser : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileBrowser)

public:
    explicit FileBrowser(QWidget* parent = nullptr);
    ~FileBrowser() override;

    // The folder whose files the list shows (the node last clicked or the folder last
    // shown), empty before the first click.
    QString currentFolder() const;
    // Shows the folder's files as a click on its tree node does (the tree is not moved).
    void showFolder(const QString& folder);
    // The selected file row: its folder and name; both empty when no row is selected.
    QString selectedFolder() const;
    QString selectedFileName() const;
    // Folder + "/" + name, or empty when no row is selected.
    QString selectedFilePath() const;

    // Replaces the tree's root nodes, which are the file system root and the home folder
    // unless set otherwise.
    void setRootFolders(const QStringList& folders);

signals:
    // A file row was double-clicked (or Enter pressed on it).
    void fileActivated(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void expandNode(QTreeWidgetItem* node);
    void clickNode(QTreeWidgetItem* node);
    void activateRow(const QModelIndex& index);
    void spanGroupRows();
    const FileEntry* selectedEntry() const;

    QTreeWidget* m_tree;
    QComboBox* m_viewCombo;
    QTreeView* m_list;
    FileListModel* m_model;
    QString m_folder;
};

} // namespace pelvaro::tools::ui
