#include "tools/ui/FileListModel.h"

#include <QFont>

namespace pelvaro::tools::ui {

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::setEntries(std::vector<FileEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    m_rows = FileListing::arrange(m_entries, m_view);
    endResetModel();
}

void FileListModel::setView(FileView view)
{
    if (view == m_view)
        return;
    beginResetModel();
    m_view = view;
    m_rows = FileListing::arrange(m_entries, m_view);
    endResetModel();
}

const FileEntry* FileListModel::entryAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return nullptr;
    const FileListRow& row = m_rows[size_t(index.row())];
    return row.isGroup() ? nullptr : &m_entries[size_t(row.entry)];
}

bool FileListModel::isGroupRow(int row) const
{
    return row >= 0 && row < int(m_rows.size()) && m_rows[size_t(row)].isGroup();
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const FileListRow& row = m_rows[size_t(index.row())];
    if (row.isGroup()) {
        if (role == Qt::DisplayRole && index.column() == FileName)
            return FileListing::groupCaption(row.groupType, row.groupSize);
        if (role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    }
    const FileEntry& entry = m_entries[size_t(row.entry)];
    if (role == Qt::TextAlignmentRole && index.column() == FileSize)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case FileName:
        return entry.FileName;
    case FileSize:
        return FileListing::formatSize(entry.FileSize);
    case FileType:
        return entry.FileType;
    case FileModified:
        return FileListing::formatModified(entry.FileModified);
    case FileAttr:
        return entry.FileAttr;
    case FilePath:
        return entry.FilePath;
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole && section == FileSize)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case FileName:
        return tr("Dateiname");
    case FileSize:
        return tr("Größe");
    case FileType:
        return tr("Typ");
    case FileModified:
        return tr("Geändert am");
    case FileAttr:
        return tr("Attribute");
    case FilePath:
        return tr("Pfad");
    default:
        return {};
    }
}

// A group header can be neither selected nor activated: only files are imported.
Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (isGroupRow(index.row()))
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace pelvaro::tools::ui
