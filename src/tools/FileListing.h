#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace pelvaro::tools {

// One row of the meta-tag page's file list. The field names are the list's column names.
struct FileEntry
{
    QString FileName;
    qint64 FileSize = 0;
    // The extension in upper case without the dot; empty when the name has none.
    QString FileType;
    QDateTime FileModified;
    QString FileAttr;
    // The folder the file lies in, without a trailing "/" (except for "/" itself).
    QString FilePath;

    bool operator==(const FileEntry&) const = default;
};

// The three views of the file list, in the order the view chooser offers them.
enum class FileView
{
    Default,
    ByType,
    ByTime
};

// A line of the arranged list: a file (its index in the listed entries) or, in the view
// by type, the header of a group of files that share one type.
struct FileListRow
{
    int entry = -1;
    QString groupType;
    int groupSize = 0;

    bool isGroup() const { return entry < 0; }
    bool operator==(const FileListRow&) const = default;
};

// Reads folders for the meta-tag page's file browser. Listing goes straight to the
// directory with one stat per file: a folder of ten thousand pages has to show at once.
class FileListing
{
public:
    // Every entry of the folder that is not a folder (following links), in no particular
    // order. A folder that cannot be read gives an empty list.
    static std::vector<FileEntry> listFiles(const QString& folder);

    // The names of the folder's subfolders (links to folders included, "." and ".."
    // not), sorted as file names are. A folder that cannot be read has none.
    static QStringList listSubfolders(const QString& folder);

    // `folder` + "/" + `name`, without doubling the slash of the root.
    static QString childPath(const QString& folder, const QString& name);

    static QString fileType(const QString& fileName);
    static QString formatSize(qint64 size);
    static QString formatModified(const QDateTime& modified);

    // The view chooser's entries, in FileView order.
    static QStringList viewNames();
    static QString groupCaption(const QString& type, int count);

    // Orders the entries for a view without moving them, so switching views does not read
    // the folder again. Names sort as in a German dictionary, case ignored, ties broken by
    // the exact name so the order never depends on how the folder happened to be read.
    // Default: by name. ByType: groups by type (files without one last), each group led by
    // its header row and sorted by name. ByTime: the most recently changed file first.
    static std::vector<FileListRow> arrange(const std::vector<FileEntry>& entries, FileView view);
};

} // namespace pelvaro::tools
