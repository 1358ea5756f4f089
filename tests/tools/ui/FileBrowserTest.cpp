#include "tools/ui/FileBrowser.h"

#include "../UnreadableFolder.h"
#include "TestDirs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

using pelvaro::test::TestDirs;
using pelvaro::test::UnreadableFolder;
using pelvaro::tools::ui::FileBrowser;

namespace {

const QDateTime someTime(QDate(2031, 5, 7), QTime(8, 9, 3));

void writeFile(const QString& path, qint64 size, const QDateTime& modified)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(QByteArray(size, 'x'));
    file.flush();
    file.setFileTime(modified, QFileDevice::FileModificationTime);
}

// A small site: two subfolders (one with a folder below), three files of two types.
QString makeSite()
{
    const QString web = TestDirs::root() + QStringLiteral("/web");
    QDir().mkpath(web + QStringLiteral("/bilder/alt"));
    QDir().mkpath(web + QStringLiteral("/Archiv"));
    writeFile(web + QStringLiteral("/index.html"), 1234, someTime);
    writeFile(web + QStringLiteral("/kontakt.html"), 2048000, someTime.addDays(1));
    writeFile(web + QStringLiteral("/logo.png"), 7, someTime.addDays(-1));
    writeFile(web + QStringLiteral("/bilder/foto.jpg"), 1, someTime);
    return web;
}

class FileBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        site = makeSite();
        browser.resize(700, 700);
        browser.setRootFolders({site});
        browser.show();
        tree = browser.findChild<QTreeWidget*>(QStringLiteral("OvcOutline1"));
        list = browser.findChild<QTreeView*>(QStringLiteral("xOvcDataReportView1"));
        views = browser.findChild<QComboBox*>(QStringLiteral("OvcViewComboBox1"));
        ASSERT_TRUE(tree && list && views);
    }

    static QStringList captions(const QTreeWidgetItem* node)
    {
        QStringList result;
        for (int i = 0; i < node->childCount(); ++i)
            result << node->child(i)->text(0);
        return result;
    }

    void clickNode(QTreeWidgetItem* node)
    {
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(node).center());
    }

    QPoint rowCentre(int row) const
    {
        list->scrollTo(list->model()->index(row, 0));
        return list->visualRect(list->model()->index(row, 0)).center();
    }

    // QTest sends a widget the double-click event alone; a real double-click is preceded
    // by the press and release of its first click.
    void doubleClickRow(int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(row));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(row));
    }

    // The list as shown: each row's six texts, a group header as "# " and its caption.
    QStringList shownRows() const
    {
        QStringList rows;
        const QAbstractItemModel* model = list->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            if (list->isFirstColumnSpanned(r, {})) {
                rows << QStringLiteral("# ") + model->index(r, 0).data().toString();
                continue;
            }
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c)
                cells << model->index(r, c).data().toString();
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }

    QString site;
    FileBrowser browser;
    QTreeWidget* tree = nullptr;
    QTreeView* list = nullptr;
    QComboBox* views = nullptr;
};

} // namespace

TEST(FileBrowser, StartsWithTheRootAndHomeFoldersAndTheListsColumns)
{
    FileBrowser browser;
    const auto* tree = browser.findChild<QTreeWidget*>(QStringLiteral("OvcOutline1"));
    const auto* list = browser.findChild<QTreeView*>(QStringLiteral("xOvcDataReportView1"));
    const auto* views = browser.findChild<QComboBox*>(QStringLiteral("OvcViewComboBox1"));
    ASSERT_TRUE(tree && list && views);

    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("/"));
    EXPECT_EQ(tree->topLevelItem(1)->text(0), QDir::homePath());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(tree->topLevelItem(i)->childCount(), 0) << "nothing read before expanding";
        EXPECT_EQ(tree->topLevelItem(i)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    }

    QStringList headers;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        headers << list->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{QStringLiteral("Dateiname"), QStringLiteral("Größe"),
                                    QStringLiteral("Typ"), QStringLiteral("Geändert am"),
                                    QStringLiteral("Attribute"), QStringLiteral("Pfad")}));
    EXPECT_EQ(
        list->model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
            Qt::AlignHorizontal_Mask,
        Qt::AlignRight);

    QStringList viewNames;
    for (int i = 0; i < views->count(); ++i)
        viewNames << views->itemText(i);
    EXPECT_EQ(viewNames, (QStringList{QStringLiteral("Vorgabe"), QStringLiteral("Über Typ"),
                                      QStringLiteral("Über Zeit/Datum")}));
    EXPECT_TRUE(browser.currentFolder().isEmpty());
    EXPECT_TRUE(browser.selectedFilePath().isEmpty());
}

TEST_F(FileBrowserTest, ReadsSubfoldersOnlyWhenANodeIsExpanded)
{
    QTreeWidgetItem* web = tree->topLevelItem(0);
    EXPECT_EQ(web->text(0), site);
    EXPECT_EQ(web->childCount(), 0);

    web->setExpanded(true);
    EXPECT_EQ(captions(web), (QStringList{QStringLiteral("Archiv"), QStringLiteral("bilder")}));
    QTreeWidgetItem* pictures = web->child(1);
    EXPECT_EQ(pictures->childCount(), 0) << "a child is read when it is expanded itself";

    pictures->setExpanded(true);
    EXPECT_EQ(captions(pictures), QStringList{QStringLiteral("alt")});
    QTreeWidgetItem* old = pictures->child(0);
    old->setExpanded(true);
    EXPECT_EQ(old->childCount(), 0);
    EXPECT_EQ(old->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless)
        << "a folder found empty stops offering to expand";

    // Collapsing and expanding again does not read the folder a second time.
    QDir().mkdir(site + QStringLiteral("/neu"));
    web->setExpanded(false);
    web->setExpanded(true);
    EXPECT_EQ(web->childCount(), 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy cursor is given back";
}

TEST_F(FileBrowserTest, AFolderThatCannotBeReadExpandsToNothing)
{
    const QString locked = site + QStringLiteral("/Archiv");
    QDir().mkdir(locked + QStringLiteral("/innen"));
    QTreeWidgetItem* web = tree->topLevelItem(0);
    web->setExpanded(true);
    QTreeWidgetItem* archive = web->child(0);
    {
        const UnreadableFolder guard(locked);
        archive->setExpanded(true);
        clickNode(archive);
    }
    EXPECT_EQ(archive->childCount(), 0);
    EXPECT_EQ(browser.currentFolder(), locked);
    EXPECT_EQ(list->model()->rowCount(), 0);
}

TEST_F(FileBrowserTest, ClickingANodeListsItsFilesInTheChosenView)
{
    clickNode(tree->topLevelItem(0));
    EXPECT_EQ(browser.currentFolder(), site);
    const QString index = QStringLiteral("index.html|1.234|HTML|07.05.31 08:09:03||") + site;
    const QString contact =
        QStringLiteral("kontakt.html|2.048.000|HTML|08.05.31 08:09:03||") + site;
    const QString logo = QStringLiteral("logo.png|7|PNG|06.05.31 08:09:03||") + site;
    EXPECT_EQ(shownRows(), (QStringList{index, contact, logo}));
    EXPECT_EQ(list->model()->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);

    views->setCurrentIndex(1);
    EXPECT_EQ(shownRows(), (QStringList{QStringLiteral("# HTML (2 Dateien)"), index, contact,
                                        QStringLiteral("# PNG (1 Datei)"), logo}));
    views->setCurrentIndex(2);
    EXPECT_EQ(shownRows(), (QStringList{contact, index, logo}));

    // The view chosen stays when another folder is shown; its groups get their spans too.
    views->setCurrentIndex(1);
    tree->topLevelItem(0)->setExpanded(true);
    clickNode(tree->topLevelItem(0)->child(1));
    EXPECT_EQ(browser.currentFolder(), site + QStringLiteral("/bilder"));
    EXPECT_EQ(shownRows(), (QStringList{QStringLiteral("# JPG (1 Datei)"),
                                        QStringLiteral("foto.jpg|1|JPG|07.05.31 08:09:03||") +
                                            site + QStringLiteral("/bilder")}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Enter on a node does what a click does; moving onto it does not.
    tree->setCurrentItem(tree->topLevelItem(0));
    EXPECT_EQ(browser.currentFolder(), site + QStringLiteral("/bilder"));
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(browser.currentFolder(), site);
    EXPECT_EQ(list->model()->rowCount(), 5) << "two group headers and three files";
}

TEST_F(FileBrowserTest, SelectsAndActivatesFileRowsOnly)
{
    QSignalSpy activated(&browser, &FileBrowser::fileActivated);
    browser.showFolder(site);
    EXPECT_EQ(browser.currentFolder(), site);
    EXPECT_TRUE(browser.selectedFileName().isEmpty());
    EXPECT_TRUE(browser.selectedFolder().isEmpty());

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(1));
    EXPECT_EQ(browser.selectedFolder(), site);
    EXPECT_EQ(browser.selectedFileName(), QStringLiteral("kontakt.html"));
    EXPECT_EQ(browser.selectedFilePath(), site + QStringLiteral("/kontakt.html"));
    EXPECT_EQ(activated.count(), 0) << "a single click only selects";

    doubleClickRow(0);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(activated.count(), 2);
    EXPECT_EQ(activated.at(0).at(0).toString(), site + QStringLiteral("/index.html"));
    EXPECT_EQ(activated.at(1).at(0).toString(), site + QStringLiteral("/kontakt.html"));

    // A group header is neither a selection nor an import.
    views->setCurrentIndex(1);
    doubleClickRow(0);
    EXPECT_TRUE(browser.selectedFilePath().isEmpty());
    EXPECT_EQ(activated.count(), 2);

    // Showing a folder starts without a selection.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(1));
    EXPECT_EQ(browser.selectedFileName(), QStringLiteral("index.html"));
    browser.showFolder(site + QStringLiteral("/bilder"));
    EXPECT_TRUE(browser.selectedFilePath().isEmpty());
}
