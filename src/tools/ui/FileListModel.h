#pragma once

#include "tools/FileListing.h"

#include <QAbstractTableModel>

#include <vector>

namespace pelvaro::tools::ui {

// The file list's rows. Texts are formatted when the view asks for a visible row, so a
// folder of thousands of files costs one listing and one sort, not thousands of items.
class FileListModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileListModel)

public:
    enum Column
    {
        FileName,
        FileSize,
        FileType,
        FileModified,
        FileAttr,
        FilePath,
        ColumnCount
    };

    explicit FileListModel(QObject* parent = nullptr);

    void setEntries(std::vector<FileEntry> entries);
    void setView(FileView view);
    FileView view() const { return m_view; }

    // The file of a row; nullptr for a group header row or an invalid index.
    const FileEntry* entryAt(const QModelIndex& index) const;
    bool isGroupRow(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<FileEntry> m_entries;
    std::vector<FileListRow> m_rows;
    FileView m_view = FileView::Default;
};

} // namespace pelvaro::tools::ui
