#include "tools/FileListing.h"

#include <QCollator>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <numeric>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace pelvaro::tools {

namespace {

// An open directory that closes itself; `fd()` anchors the per-entry stat calls so the
// path is not walked again for every file.
class Directory
{
public:
    explicit Directory(const QString& folder)
        : m_dir(::opendir(QFile::encodeName(folder).constData()))
    {
    }
    ~Directory()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    bool isOpen() const { return m_dir != nullptr; }
    int fd() const { return ::dirfd(m_dir); }
    const dirent* next() { return ::readdir(m_dir); }

private:
    DIR* m_dir;
};

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Follows a link to what it points at; a dangling link is described by the link itself,
// which makes it a file of the list, not a folder of the tree.
bool statEntry(int dirFd, const char* name, struct stat& st)
{
    return ::fstatat(dirFd, name, &st, 0) == 0 ||
           ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool isFolder(int dirFd, const dirent& entry)
{
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat st;
    return ::fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// Decides "R" from the permission bits the kernel would apply to this user (owner, group
// or others), not from access(): the letter tells how the file is marked, as the Windows
// attribute did, so it shows for root as well, who may write anyway. A folder on a
// read-only mount makes every file "R".
class WriteCheck
{
public:
    explicit WriteCheck(int dirFd) : m_uid(::geteuid())
    {
        m_groups.push_back(::getegid());
        const int count = ::getgroups(0, nullptr);
        if (count > 0) {
            std::vector<gid_t> more(size_t(count), 0);
            if (::getgroups(count, more.data()) == count)
                m_groups.insert(m_groups.end(), more.begin(), more.end());
        }
        struct statvfs fs;
        m_readOnlyMount = ::fstatvfs(dirFd, &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
    }

    bool writable(const struct stat& st) const
    {
        if (m_readOnlyMount)
            return false;
        if (st.st_uid == m_uid)
            return (st.st_mode & S_IWUSR) != 0;
        if (std::find(m_groups.begin(), m_groups.end(), st.st_gid) != m_groups.end())
            return (st.st_mode & S_IWGRP) != 0;
        return (st.st_mode & S_IWOTH) != 0;
    }

private:
    uid_t m_uid;
    std::vector<gid_t> m_groups;
    bool m_readOnlyMount = false;
};

// "A" (archive: changed since the last backup) has no counterpart here and never shows.
// "S" (system) marks what is not a plain file: device nodes, pipes and sockets, which are
// the system's and must not be read as a page (reading a pipe would wait forever).
QString attributes(const char* name, const struct stat& st, const WriteCheck& check)
{
    QString attr;
    if (!check.writable(st))
        attr += QLatin1Char('R');
    if (name[0] == '.')
        attr += QLatin1Char('H');
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        attr += QLatin1Char('S');
    return attr;
}

QDateTime modifiedAt(const struct stat& st)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                          st.st_mtim.tv_nsec / 1000000);
}

// Collation sort keys computed once per name: comparing keys is a byte compare, where
// comparing through the collator would redo the work for every one of the n log n steps.
class NameOrder
{
public:
    explicit NameOrder(const std::vector<FileEntry>& entries) : m_entries(entries)
    {
        QCollator collator(QLocale(QLocale::German, QLocale::Germany));
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        m_keys.reserve(entries.size());
        for (const FileEntry& entry : entries)
            m_keys.push_back(collator.sortKey(entry.FileName));
    }

    // Negative, zero or positive, as a compare function.
    int compare(int a, int b) const
    {
        const int byKey = m_keys[size_t(a)].compare(m_keys[size_t(b)]);
        if (byKey != 0)
            return byKey;
        return m_entries[size_t(a)].FileName.compare(m_entries[size_t(b)].FileName);
    }

private:
    const std::vector<FileEntry>& m_entries;
    std::vector<QCollatorSortKey> m_keys;
};

} // namespace

std::vector<FileEntry> FileListing::listFiles(const QString& folder)
{
    std::vector<FileEntry> entries;
    Directory dir(folder);
    if (!dir.isOpen())
        return entries;
    const WriteCheck check(dir.fd());
    while (const dirent* entry = dir.next()) {
        if (isDotOrDotDot(entry->d_name) || entry->d_type == DT_DIR)
            continue;
        struct stat st;
        if (!statEntry(dir.fd(), entry->d_name, st) || S_ISDIR(st.st_mode))
            continue;
        FileEntry file;
        file.FileName = QFile::decodeName(entry->d_name);
        file.FileSize = qint64(st.st_size);
        file.FileType = fileType(file.FileName);
        file.FileModified = modifiedAt(st);
        file.FileAttr = attributes(entry->d_name, st, check);
        file.FilePath = folder;
        entries.push_back(std::move(file));
    }
    return entries;
}

QStringList FileListing::listSubfolders(const QString& folder)
{
    std::vector<FileEntry> folders;
    Directory dir(folder);
    if (!dir.isOpen())
        return {};
    while (const dirent* entry = dir.next()) {
        if (!isDotOrDotDot(entry->d_name) && isFolder(dir.fd(), *entry)) {
            FileEntry folderEntry;
            folderEntry.FileName = QFile::decodeName(entry->d_name);
            folders.push_back(std::move(folderEntry));
        }
    }
    QStringList names;
    names.reserve(qsizetype(folders.size()));
    for (const FileListRow& row : arrange(folders, FileView::Default))
        names << folders[size_t(row.entry)].FileName;
    return names;
}

QString FileListing::childPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// A leading dot makes a file hidden, not typed: ".htaccess" has no type.
QString FileListing::fileType(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {};
    return fileName.mid(dot + 1).toUpper();
}

// Always German digits grouping, like the fixed date format beside it, whatever the
// desktop's language.
QString FileListing::formatSize(qint64 size)
{
    static const QLocale german(QLocale::German, QLocale::Germany);
    return german.toString(size);
}

QString FileListing::formatModified(const QDateTime& modified)
{
    return modified.toLocalTime().toString(QStringLiteral("dd.MM.yy hh:mm:ss"));
}

QStringList FileListing::viewNames()
{
    return {QStringLiteral("Vorgabe"), QStringLiteral("Über Typ"),
            QStringLiteral("Über Zeit/Datum")};
}

QString FileListing::groupCaption(const QString& type, int count)
{
    const QString name = type.isEmpty() ? QStringLiteral("Ohne Typ") : type;
    return count == 1 ? QStringLiteral("%1 (1 Datei)").arg(name)
                      : QStringLiteral("%1 (%2 Dateien)").arg(name).arg(count);
}

std::vector<FileListRow> FileListing::arrange(const std::vector<FileEntry>& entries, FileView view)
{
    std::vector<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    const NameOrder names(entries);
    const auto entry = [&entries](int i) -> const FileEntry& { return entries[size_t(i)]; };

    switch (view) {
    case FileView::Default:
        std::sort(order.begin(), order.end(),
                  [&names](int a, int b) { return names.compare(a, b) < 0; });
        break;
    case FileView::ByType:
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            const QString& ta = entry(a).FileType;
            const QString& tb = entry(b).FileType;
            if (ta != tb) {
                if (ta.isEmpty() || tb.isEmpty())
                    return tb.isEmpty();
                return ta < tb;
            }
            return names.compare(a, b) < 0;
        });
        break;
    case FileView::ByTime:
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            if (entry(a).FileModified != entry(b).FileModified)
                return entry(a).FileModified > entry(b).FileModified;
            return names.compare(a, b) < 0;
        });
        break;
    }

    std::vector<FileListRow> rows;
    rows.reserve(order.size() + (view == FileView::ByType ? 32 : 0));
    for (size_t i = 0; i < order.size(); ++i) {
        const int index = order[i];
        if (view == FileView::ByType &&
            (i == 0 || entry(order[i - 1]).FileType != entry(index).FileType)) {
            size_t end = i;
            while (end < order.size() && entry(order[end]).FileType == entry(index).FileType)
                ++end;
            rows.push_back({-1, entry(index).FileType, int(end - i)});
        }
        rows.push_back({index, {}, 0});
    }
    return rows;
}

} // namespace pelvaro::tools
