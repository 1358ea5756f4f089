#include "tools/FileListing.h"

#include "TestDirs.h"
#include "UnreadableFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using pelvaro::test::TestDirs;
using pelvaro::test::UnreadableFolder;
using pelvaro::tools::FileEntry;
using pelvaro::tools::FileListing;
using pelvaro::tools::FileListRow;
using pelvaro::tools::FileView;

namespace {

const QDateTime someTime(QDate(2031, 5, 7), QTime(8, 9, 3));

QString makeFolder(const QString& name)
{
    const QString path = TestDirs::root() + QLatin1Char('/') + name;
    QDir().mkpath(path);
    return path;
}

void writeFile(const QString& path, qint64 size, const QDateTime& modified = someTime)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(QByteArray(size, 'x'));
    file.flush(); // a later flush would stamp the time of writing
    file.setFileTime(modified, QFileDevice::FileModificationTime);
}

// One line per row in the order the view shows them: a file's name, size, type and
// attributes, or a group's caption.
QStringList lines(const std::vector<FileEntry>& entries, FileView view)
{
    QStringList result;
    for (const FileListRow& row : FileListing::arrange(entries, view)) {
        if (row.isGroup()) {
            result << QStringLiteral("# ") +
                          FileListing::groupCaption(row.groupType, row.groupSize);
            continue;
        }
        const FileEntry& e = entries[size_t(row.entry)];
        result << QStringLiteral("%1|%2|%3|%4")
                      .arg(e.FileName)
                      .arg(e.FileSize)
                      .arg(e.FileType, e.FileAttr);
    }
    return result;
}

FileEntry entry(const char* name, const QDateTime& modified = someTime)
{
    FileEntry e;
    e.FileName = QString::fromUtf8(name);
    e.FileType = FileListing::fileType(e.FileName);
    e.FileModified = modified;
    return e;
}

QStringList names(const std::vector<FileEntry>& entries, FileView view)
{
    QStringList result;
    for (const FileListRow& row : FileListing::arrange(entries, view))
        result << (row.isGroup() ? QStringLiteral("# ") + row.groupType
                                 : entries[size_t(row.entry)].FileName);
    return result;
}

} // namespace

TEST(FileListing, ListsEveryEntryThatIsNotAFolderWithItsAttributes)
{
    const QString folder = makeFolder(QStringLiteral("site"));
    const auto at = [&folder](const char* name) {
        return folder + QLatin1Char('/') + QString::fromUtf8(name);
    };
    writeFile(at("index.html"), 1234);
    writeFile(at(".htaccess"), 10);
    writeFile(at("Schreibgeschützt.TXT"), 3);
    writeFile(at(".alt.htm"), 0);
    ::chmod(QFile::encodeName(at("Schreibgeschützt.TXT")).constData(), 0444);
    ::chmod(QFile::encodeName(at(".alt.htm")).constData(), 0444);
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("pipe")).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("nirgends"), at("verwaist")));
    ASSERT_TRUE(QFile::link(at("index.html"), at("zu-index.html")));
    QDir(folder).mkdir(QStringLiteral("unter"));
    ASSERT_TRUE(QFile::link(at("unter"), at("zu-unter")));

    const std::vector<FileEntry> entries = FileListing::listFiles(folder);

    // "R" follows the permission bits even for root; links count as what they point at,
    // a dangling one as itself.
    EXPECT_EQ(
        lines(entries, FileView::Default),
        (QStringList{QStringLiteral(".alt.htm|0|HTM|RH"), QStringLiteral(".htaccess|10||H"),
                     QStringLiteral("index.html|1234|HTML|"), QStringLiteral("pipe|0||S"),
                     QStringLiteral("Schreibgeschützt.TXT|3|TXT|R"), QStringLiteral("verwaist|8||"),
                     QStringLiteral("zu-index.html|1234|HTML|")}));
    for (const FileEntry& e : entries) {
        EXPECT_EQ(e.FilePath, folder);
        if (e.FileName == QStringLiteral("index.html")) {
            EXPECT_EQ(e.FileModified, someTime);
        }
    }
}

TEST(FileListing, TypeIsTheLastExtensionInUpperCase)
{
    const std::pair<const char*, const char*> cases[] = {
        {"index.html", "HTML"}, {"Seite.Htm", "HTM"},     {"archiv.tar.gz", "GZ"}, {"README", ""},
        {".htaccess", ""},      {".config.json", "JSON"}, {"punkt.", ""},          {"ä.öl", "ÖL"},
    };
    for (const auto& [name, type] : cases)
        EXPECT_EQ(FileListing::fileType(QString::fromUtf8(name)), QString::fromUtf8(type)) << name;
}

TEST(FileListing, FormatsSizesWithGermanGroupingAndDatesDayFirst)
{
    const std::pair<qint64, const char*> sizes[] = {{0, "0"},
                                                    {999, "999"},
                                                    {1000, "1.000"},
                                                    {1234567, "1.234.567"},
                                                    {5000000000LL, "5.000.000.000"}};
    for (const auto& [size, text] : sizes)
        EXPECT_EQ(FileListing::formatSize(size), QString::fromLatin1(text));
    EXPECT_EQ(FileListing::formatModified(someTime), QStringLiteral("07.05.31 08:09:03"));
    EXPECT_EQ(FileListing::formatModified(someTime.toUTC()), QStringLiteral("07.05.31 08:09:03"))
        << "shown in local time whatever the time's zone";
}

TEST(FileListing, ArrangesByNameByTypeAndByTime)
{
    const std::vector<FileEntry> entries{entry("b.htm", someTime.addDays(-1)),
                                         entry("Ärger.html"),
                                         entry("Zebra", someTime.addSecs(1)),
                                         entry("apfel.HTML"),
                                         entry("index.html"),
                                         entry("Index.html"),
                                         entry("a.htm", someTime.addDays(1)),
                                         entry("bild.png")};

    // German dictionary order: Ä beside A, case ignored, the exact name breaking the tie.
    EXPECT_EQ(names(entries, FileView::Default),
              (QStringList{QStringLiteral("a.htm"), QStringLiteral("apfel.HTML"),
                           QStringLiteral("Ärger.html"), QStringLiteral("b.htm"),
                           QStringLiteral("bild.png"), QStringLiteral("Index.html"),
                           QStringLiteral("index.html"), QStringLiteral("Zebra")}));
    EXPECT_EQ(
        names(entries, FileView::ByType),
        (QStringList{QStringLiteral("# HTM"), QStringLiteral("a.htm"), QStringLiteral("b.htm"),
                     QStringLiteral("# HTML"), QStringLiteral("apfel.HTML"),
                     QStringLiteral("Ärger.html"), QStringLiteral("Index.html"),
                     QStringLiteral("index.html"), QStringLiteral("# PNG"),
                     QStringLiteral("bild.png"), QStringLiteral("# "), QStringLiteral("Zebra")}));
    EXPECT_EQ(names(entries, FileView::ByTime),
              (QStringList{QStringLiteral("a.htm"), QStringLiteral("Zebra"),
                           QStringLiteral("apfel.HTML"), QStringLiteral("Ärger.html"),
                           QStringLiteral("bild.png"), QStringLiteral("Index.html"),
                           QStringLiteral("index.html"), QStringLiteral("b.htm")}));

    const std::vector<FileListRow> byType = FileListing::arrange(entries, FileView::ByType);
    EXPECT_EQ(FileListing::groupCaption(byType[3].groupType, byType[3].groupSize),
              QStringLiteral("HTML (4 Dateien)"));
    EXPECT_EQ(FileListing::groupCaption(QString(), 1), QStringLiteral("Ohne Typ (1 Datei)"));
    EXPECT_TRUE(FileListing::arrange({}, FileView::ByType).empty());
}

TEST(FileListing, SubfoldersAreTheFoldersAndLinksToFoldersInNameOrder)
{
    const QString folder = makeFolder(QStringLiteral("baum"));
    for (const char* name : {"b", "A", ".versteckt", "Ü"})
        QDir(folder).mkdir(QString::fromUtf8(name));
    writeFile(folder + QStringLiteral("/datei.html"), 1);
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/b"), folder + QStringLiteral("/zu-b")));
    ASSERT_TRUE(QFile::link(QStringLiteral("nirgends"), folder + QStringLiteral("/verwaist")));

    EXPECT_EQ(FileListing::listSubfolders(folder),
              (QStringList{QStringLiteral(".versteckt"), QStringLiteral("A"), QStringLiteral("b"),
                           QStringLiteral("Ü"), QStringLiteral("zu-b")}));
    EXPECT_EQ(FileListing::childPath(QStringLiteral("/"), QStringLiteral("etc")),
              QStringLiteral("/etc"));
    EXPECT_EQ(FileListing::childPath(folder, QStringLiteral("b")), folder + QStringLiteral("/b"));
}

TEST(FileListing, AFolderThatCannotBeReadHasNoEntriesAndNoSubfolders)
{
    const QString folder = makeFolder(QStringLiteral("gesperrt"));
    QDir(folder).mkdir(QStringLiteral("innen"));
    writeFile(folder + QStringLiteral("/index.html"), 1);
    {
        const UnreadableFolder locked(folder);
        EXPECT_TRUE(FileListing::listFiles(folder).empty());
        EXPECT_TRUE(FileListing::listSubfolders(folder).isEmpty());
    }
    EXPECT_EQ(FileListing::listFiles(folder).size(), 1u) << "the guard gave the folder back";

    EXPECT_TRUE(FileListing::listFiles(folder + QStringLiteral("/fehlt")).empty());
    EXPECT_TRUE(FileListing::listSubfolders(folder + QStringLiteral("/index.html")).isEmpty());
}
