#include "catalogue/ui/CatalogueListPanel.h"
#include "catalogue/ui/DetailsWindow.h"

#include "catalogue/CatalogueLists.h"
#include "catalogue/CatalogueTableModel.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using pelvaro::catalogue::CatalogueLists;
using pelvaro::catalogue::CatalogueTableModel;
using pelvaro::catalogue::EngineDetails;
using pelvaro::catalogue::TDataModule1;
using pelvaro::catalogue::store::TableCursor;
using pelvaro::catalogue::ui::CatalogueListPanel;
using pelvaro::catalogue::ui::DetailsWindow;
using pelvaro::site::LedgerEntry;
using pelvaro::site::SiteRecord;
using pelvaro::test::engine;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

const QString Name = QStringLiteral("Name");

// Six services, none selected; "Charlie" registers by hand only and "Echo" has neither a
// home page nor a registration page of its own.
class CatalogueListPanelTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        pelvaro::test::createCatalogue(
            data, {engine(1, QStringLiteral("Delta")), engine(2, QStringLiteral("alpha")),
                   engine(3, QStringLiteral("Charlie"), {{QStringLiteral("NurManuell"), true}}),
                   engine(4, QStringLiteral("Echo"),
                          {{QStringLiteral("URL"), QString()},
                           {QStringLiteral("ManuellURL"), QString()},
                           {QStringLiteral("AufnahmeMax"), 14}}),
                   engine(5, QStringLiteral("bravo")), engine(6, QStringLiteral("Foxtrot"))});
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QStringLiteral("x")));
    }

    static QStringList gridNames(const CatalogueListPanel& panel)
    {
        QStringList out;
        const CatalogueTableModel* model = panel.model();
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->index(row, model->columnOf(Name)).data().toString();
        return out;
    }
    // The one selected row of the grid; -1 for none, -2 for more than one.
    static int selectedRow(const CatalogueListPanel& panel)
    {
        const QModelIndexList rows = panel.grid()->selectionModel()->selectedRows();
        if (rows.size() > 1)
            return -2;
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    static QString currentName(TableCursor& view) { return view.value(Name).toString(); }

    template <typename T> static T* child(const QWidget& parent, const char* name)
    {
        T* found = parent.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
};

TEST_F(CatalogueListPanelTest, SortChooserReordersTheListAndKeepsTheRow)
{
    CatalogueListPanel panel(ui, module->TableEngines(), 1);
    auto* chooser = child<QComboBox>(panel, "OvcDbIndexSelect1");
    ASSERT_EQ(chooser->count(), 2);
    EXPECT_EQ(chooser->itemText(0), QStringLiteral("Nr"));
    EXPECT_EQ(chooser->currentText(), Name) << "the lists start in name order";
    EXPECT_EQ(gridNames(panel), (QStringList{QStringLiteral("alpha"), QStringLiteral("bravo"),
                                             QStringLiteral("Charlie"), QStringLiteral("Delta"),
                                             QStringLiteral("Echo"), QStringLiteral("Foxtrot")}));

    module->TableEngines().moveTo(2);
    QSignalSpy changed(&panel, &CatalogueListPanel::sortOrderChanged);
    QTest::keyClick(chooser, Qt::Key_Up);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(module->TableEngines().indexName(), QStringLiteral("Primary"));
    EXPECT_EQ(gridNames(panel), (QStringList{QStringLiteral("Delta"), QStringLiteral("alpha"),
                                             QStringLiteral("Charlie"), QStringLiteral("Echo"),
                                             QStringLiteral("bravo"), QStringLiteral("Foxtrot")}));
    EXPECT_EQ(currentName(module->TableEngines()), QStringLiteral("Charlie"));
    EXPECT_EQ(selectedRow(panel), module->TableEngines().position());
    EXPECT_FALSE(CatalogueLists::searchAllowed(module->TableEngines()));

    QTest::keyClick(chooser, Qt::Key_Down);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(module->TableEngines().indexName(), QStringLiteral("IdxName"));
}

TEST_F(CatalogueListPanelTest, SearchMovesToTheNearestNameAfterAPause)
{
    CatalogueListPanel panel(ui, module->TableEngines(), 1);
    auto* search = child<QLineEdit>(panel, "SearchEdit1");
    EXPECT_EQ(search->toolTip(),
              QStringLiteral("Nach Namen suchen (\"Name\" muß Sortierfolge gewählt sein)"));

    // The pause is the panel's own timer; the test ends it instead of waiting it out.
    QTimer* pause = panel.searchTimer();
    EXPECT_EQ(pause->interval(), CatalogueListPanel::SearchPause);
    const auto endPause = [pause] {
        ASSERT_TRUE(pause->isActive()) << "typing starts the pause";
        pause->setInterval(0);
        EXPECT_TRUE(QTest::qWaitFor([pause] { return !pause->isActive(); }));
        pause->setInterval(CatalogueListPanel::SearchPause);
    };

    QTest::keyClicks(search, QStringLiteral("DE"));
    EXPECT_EQ(currentName(module->TableEngines()), QStringLiteral("alpha"))
        << "no search while the user is still typing";
    endPause();
    EXPECT_EQ(currentName(module->TableEngines()), QStringLiteral("Delta"));
    EXPECT_EQ(selectedRow(panel), 3);

    // Between two names: the following one; after every name: the last.
    search->clear();
    QTest::keyClicks(search, QStringLiteral("c"));
    endPause();
    EXPECT_EQ(currentName(module->TableEngines()), QStringLiteral("Charlie"));
    search->clear();
    QTest::keyClicks(search, QStringLiteral("zz"));
    endPause();
    EXPECT_EQ(currentName(module->TableEngines()), QStringLiteral("Foxtrot"));

    // In store order a search by name has nothing to go by; a pause that ends then is no
    // error and moves nothing.
    module->TableEngines().setIndexName(QString());
    const int row = module->TableEngines().position();
    QTest::keyClicks(search, QStringLiteral("a"));
    endPause();
    EXPECT_EQ(module->TableEngines().position(), row);
    EXPECT_TRUE(ui.shown().empty());
}

TEST_F(CatalogueListPanelTest, GridAndCursorFollowEachOther)
{
    CatalogueListPanel panel(ui, module->TableEngines(), 1);
    panel.resize(400, 300);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QTableView* grid = child<QTableView>(panel, "OvcDbTable1");
    QSignalSpy moved(&panel, &CatalogueListPanel::currentChanged);

    const QRect cell = grid->visualRect(panel.grid()->model()->index(3, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(module->TableEngines().position(), 3);
    EXPECT_EQ(currentName(module->TableEngines()), QStringLiteral("Delta"));
    EXPECT_GE(moved.count(), 1);

    QSignalSpy doubleClicked(&panel, &CatalogueListPanel::rowDoubleClicked);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(doubleClicked.count(), 1);

    module->TableEngines().moveTo(1);
    EXPECT_EQ(selectedRow(panel), 1);
    EXPECT_EQ(grid->currentIndex().row(), 1);

    // The navigator moves the view, and says so for the focus marking.
    QSignalSpy navigated(&panel, &CatalogueListPanel::navigatorUsed);
    auto* navigator = child<QWidget>(panel, "DBNavigator1");
    auto* first = child<QToolButton>(*navigator, "First");
    auto* prior = child<QToolButton>(*navigator, "Prior");
    auto* next = child<QToolButton>(*navigator, "Next");
    auto* last = child<QToolButton>(*navigator, "Last");
    EXPECT_EQ(first->toolTip(), QStringLiteral("Erster Datensatz"));
    EXPECT_EQ(prior->toolTip(), QStringLiteral("Vorheriger Datensatz"));
    EXPECT_EQ(next->toolTip(), QStringLiteral("Nächster Datensatz"));
    EXPECT_EQ(last->toolTip(), QStringLiteral("Letzter Datensatz"));
    QTest::mouseClick(last, Qt::LeftButton);
    EXPECT_EQ(module->TableEngines().position(), 5);
    EXPECT_EQ(selectedRow(panel), 5);
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(last->isEnabled());
    QTest::mouseClick(prior, Qt::LeftButton);
    EXPECT_EQ(selectedRow(panel), 4);
    QTest::mouseClick(first, Qt::LeftButton);
    EXPECT_EQ(selectedRow(panel), 0);
    EXPECT_FALSE(prior->isEnabled());
    EXPECT_TRUE(next->isEnabled());
    EXPECT_EQ(navigated.count(), 3);

    QSignalSpy menu(&panel, &CatalogueListPanel::contextMenuRequested);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            grid->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(grid->viewport(), &event);
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.first().first().toPoint(), grid->viewport()->mapToGlobal(QPoint(5, 5)));
}

TEST_F(CatalogueListPanelTest, ListsFollowTheirViewsAfterAChange)
{
    CatalogueListPanel left(ui, module->TableEngines(), 1);
    CatalogueListPanel right(ui, module->TableEngToSend(), 2);
    EXPECT_EQ(selectedRow(right), -1) << "nothing selected yet";
    EXPECT_FALSE(child<QToolButton>(right, "First")->isEnabled());
    EXPECT_FALSE(child<QToolButton>(right, "Last")->isEnabled());

    module->TableEngines().moveTo(2); // Charlie
    module->EintragAuswaehlen();
    EXPECT_EQ(gridNames(right), QStringList{QStringLiteral("Charlie")});
    EXPECT_EQ(selectedRow(right), 0);
    EXPECT_EQ(left.model()->rowCount(), 5);
    EXPECT_EQ(selectedRow(left), module->TableEngines().position());
    EXPECT_EQ(currentName(module->TableEngines()), QStringLiteral("Delta"));
    EXPECT_FALSE(left.grid()->isColumnHidden(1)) << "the columns survive the reset";
    EXPECT_TRUE(left.grid()->isColumnHidden(0));

    // A walk with the screen updates off: the grid catches up once it is over.
    module->AllesAuswaehlen();
    EXPECT_EQ(left.model()->rowCount(), 0);
    EXPECT_EQ(selectedRow(left), -1);
    EXPECT_EQ(right.model()->rowCount(), 6);
    {
        pelvaro::catalogue::store::ScreenUpdatesOff off(module->TableEngToSend());
        module->TableEngToSend().last();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(selectedRow(right), 5);
}

TEST_F(CatalogueListPanelTest, ShowsTheColumnsOfItsKindWithTheirWidths)
{
    struct Kind
    {
        int list;
        QStringList columns;
        QList<int> widths;
    };
    const QStringList selection{Name, QStringLiteral("Kategorie"), QStringLiteral("Bewertung"),
                                QStringLiteral("ZuletztRegistriert"),
                                QStringLiteral("CodeFuerFlagge")};
    const QStringList submission{
        Name,
        QStringLiteral("Kategorie"),
        QStringLiteral("Bewertung"),
        QStringLiteral("KostetGeld"),
        QStringLiteral("ZuletztRegistriert"),
        QStringLiteral("CodeFuerFlagge"),
        QStringLiteral("Bemerkung"),
    };
    const Kind kinds[] = {
        {1, selection, {185, 25, 25, 55, 35}},
        {2, selection, {185, 25, 25, 55, 35}},
        {3, submission, {185, 25, 25, 25, 55, 35}},
        {4, submission, {185, 25, 25, 25, 55, 35}},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.list);
        TableCursor& view = module->view(CatalogueLists::viewName(kind.list));
        CatalogueListPanel panel(ui, view, kind.list);
        EXPECT_EQ(panel.grid()->objectName(), QStringLiteral("OvcDbTable%1").arg(kind.list));
        QStringList shown;
        for (int column = 0; column < panel.model()->columnCount(); ++column)
            if (!panel.grid()->isColumnHidden(column))
                shown << panel.model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(shown, kind.columns);

        panel.grid()->setColumnWidth(1, 300); // as if the user had dragged it
        panel.resetColumnWidths();
        for (int i = 0; i < kind.widths.size(); ++i)
            EXPECT_EQ(panel.grid()->columnWidth(panel.model()->columnOf(kind.columns.at(i))),
                      kind.widths.at(i))
                << kind.columns.at(i).toStdString();
        // The pages of the submission lists leave the rest of their width to the remark.
        if (kind.list >= 3) {
            panel.resize(760, 300);
            panel.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
            EXPECT_GT(
                panel.grid()->columnWidth(panel.model()->columnOf(QStringLiteral("Bemerkung"))),
                300);
        }
    }
}

TEST_F(CatalogueListPanelTest, SearchFieldAndCurrentRowTakeTheLookTheyAreGiven)
{
    CatalogueListPanel panel(ui, module->TableEngines(), 1);
    panel.setCaption(QStringLiteral("Anzahl der nicht ausgewählten Suchdienste: 6"));
    EXPECT_EQ(panel.title(), QStringLiteral("Anzahl der nicht ausgewählten Suchdienste: 6"));

    auto* search = child<QLineEdit>(panel, "SearchEdit1");
    panel.setSearchEnabled(false);
    EXPECT_FALSE(search->isEnabled());
    EXPECT_EQ(search->palette().color(QPalette::Disabled, QPalette::Base),
              QApplication::palette().color(QPalette::Window));
    panel.setSearchEnabled(true);
    EXPECT_TRUE(search->isEnabled());
    EXPECT_EQ(search->palette().color(QPalette::Active, QPalette::Base),
              QApplication::palette().color(QPalette::Base));

    // The grid has no focus here, so its current row shows in the colour given.
    panel.resize(400, 300);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    // An active window shows its focus; the application's own notion of it is enough.
    QApplication::setActiveWindow(&panel);
    ASSERT_TRUE(panel.isActiveWindow());
    search->setFocus();
    ASSERT_FALSE(panel.grid()->hasFocus());
    const QRect row = panel.grid()->visualRect(panel.grid()->model()->index(0, 1));
    const QPoint spot =
        panel.grid()->viewport()->mapTo(&panel, QPoint(row.right() - 4, row.center().y()));
    for (const QColor colour : {QColor(Qt::white), QColor(192, 192, 192)}) {
        panel.setCurrentRowColour(colour);
        EXPECT_EQ(panel.grab().toImage().pixelColor(spot), colour) << colour.name().toStdString();
    }
    panel.grid()->setFocus();
    // The style shades its highlight a little.
    const QColor focused = panel.grab().toImage().pixelColor(spot);
    const QColor highlight = panel.grid()->palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_LE(std::abs(focused.red() - highlight.red()) +
                  std::abs(focused.green() - highlight.green()) +
                  std::abs(focused.blue() - highlight.blue()),
              6)
        << "with the focus the row has the normal highlight";
}

TEST_F(CatalogueListPanelTest, TellsWhenTheFocusEntersAndLeavesItsFrame)
{
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* outside = new QLineEdit(&window);
    layout->addWidget(outside);
    auto* left = new CatalogueListPanel(ui, module->TableEngines(), 1, &window);
    auto* right = new CatalogueListPanel(ui, module->TableEngToSend(), 2, &window);
    layout->addWidget(left);
    layout->addWidget(right);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(window.isActiveWindow());
    outside->setFocus();
    QSignalSpy leftEntered(left, &CatalogueListPanel::entered);
    QSignalSpy leftLeft(left, &CatalogueListPanel::left);
    QSignalSpy rightEntered(right, &CatalogueListPanel::entered);

    left->grid()->setFocus();
    EXPECT_EQ(leftEntered.count(), 1);
    child<QLineEdit>(*left, "SearchEdit1")->setFocus();
    EXPECT_EQ(leftLeft.count(), 0) << "still inside the frame";
    right->grid()->setFocus();
    EXPECT_EQ(leftLeft.count(), 1);
    EXPECT_EQ(rightEntered.count(), 1);
}

// ---- the details window ----

using DetailsWindowTest = CatalogueListPanelTest;

TEST_F(DetailsWindowTest, ShowsTheCurrentServiceOfTheListAskedFor)
{
    DetailsWindow details(ui);
    EXPECT_EQ(details.objectName(), QStringLiteral("TDetailsZumSuchdienst"));
    EXPECT_EQ(details.windowTitle(), QStringLiteral("Details zum Suchdienst"));
    EXPECT_EQ(details.size(), QSize(632, 584));
    const auto label = [&details](const char* name) {
        return child<QLabel>(details, name)->text();
    };

    module->TableEngines().moveTo(4); // Echo
    details.fill(*module, 1);
    EXPECT_EQ(label("LabelName"), QStringLiteral("Echo"));
    EXPECT_EQ(label("LabelAAnmeldung"), QStringLiteral("Ja"));
    EXPECT_EQ(label("LabelWartezeit"), QStringLiteral("Bis zu 2 Wochen"));
    EXPECT_EQ(label("LabelZuletztRegistriert"),
              QStringLiteral(
                  "Sie haben Ihre aktuelle Web-Site noch nicht bei diesem Suchdienst angemeldet"));
    EXPECT_EQ(label("LabelBemerkung"), QStringLiteral("/"));
    EXPECT_TRUE(label("OvcURL1").contains(QStringLiteral("Zur Startseite von Echo")));

    // The same service once selected: now it will really be registered.
    module->EintragAuswaehlen();
    ASSERT_EQ(currentName(module->TableEngToSend()), QStringLiteral("Echo"));
    details.fill(*module, 2);
    EXPECT_EQ(label("LabelAAnmeldung"), QStringLiteral("Ja!"));

    // Another list code leaves everything as it was.
    module->TableEngines().moveTo(0);
    details.fill(*module, 0);
    EXPECT_EQ(label("LabelName"), QStringLiteral("Echo"));

    // Shown modally; OK closes it.
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
    });
    details.showFor(*module, 1);
    EXPECT_EQ(label("LabelName"), QStringLiteral("alpha"));
    EXPECT_EQ(details.result(), QDialog::Accepted);
}

// The open site's ledger entry for the service, with the addresses an IndexNow endpoint got;
// a service the site was never sent to says so and shows no list.
TEST_F(DetailsWindowTest, ShowsWhatTheOpenSiteSent)
{
    module->setField(QStringLiteral("IndexNow"), true, QStringLiteral("Nr = 4"));
    SiteRecord site;
    LedgerEntry sent;
    sent.nr = 4;
    sent.when = QDateTime(QDate(2026, 12, 11), QTime(5, 3, 12)).toUTC();
    sent.outcome = LedgerEntry::Outcome::TooManyRequests;
    sent.statusCode = 429;
    sent.notBefore = QDateTime(QDate(2026, 12, 11), QTime(6, 0, 0)).toUTC();
    for (int i = 0; i < 10'000; ++i)
        sent.addresses.append(QStringLiteral("https://www.example.org/seite-%1.html").arg(i));
    site.ledger.record(sent);
    const SiteRecord* open = &site;

    DetailsWindow details(ui);
    details.setSiteSource([&open] { return open; });
    details.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&details));
    const auto label = [&details](const char* name) {
        return child<QLabel>(details, name)->text();
    };
    auto* list = child<QListView>(details, "ListeAdressen");

    module->TableEngines().moveTo(4); // Echo
    details.fill(*module, 1);
    EXPECT_EQ(label("LabelName"), QStringLiteral("Echo"));
    EXPECT_EQ(label("LabelLetzteAnmeldung"), QStringLiteral("11.12.2026 05:03:12"));
    EXPECT_EQ(
        label("LabelErgebnis"),
        QStringLiteral("zu viele Anfragen – nächster Versuch frühestens 11.12.2026 06:00:00"));
    EXPECT_EQ(label("LabelAntwort"), QStringLiteral("Status 429"));
    EXPECT_EQ(label("LabelAdressen"), QStringLiteral("10.000 Adressen übermittelt"));
    EXPECT_TRUE(list->isVisible());
    ASSERT_EQ(list->model()->rowCount(), 10'000);
    EXPECT_EQ(list->model()->index(9'999, 0).data().toString(),
              QStringLiteral("https://www.example.org/seite-9999.html"));
    // The links below do not move up or down with the list.
    details.layout()->activate();
    const int linkAt = child<QLabel>(details, "OvcURL1")->y();

    module->TableEngines().moveTo(0); // alpha, never sent
    details.fill(*module, 1);
    EXPECT_EQ(label("LabelLetzteAnmeldung"), QStringLiteral("Noch nicht angemeldet."));
    EXPECT_EQ(label("LabelErgebnis"), QString());
    EXPECT_EQ(label("LabelAdressen"), QString());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(list->model()->rowCount(), 0);
    details.layout()->activate();
    EXPECT_EQ(child<QLabel>(details, "OvcURL1")->y(), linkAt);

    // No site open: nothing is known to be sent.
    open = nullptr;
    module->TableEngines().moveTo(4);
    details.fill(*module, 1);
    EXPECT_EQ(label("LabelLetzteAnmeldung"), QStringLiteral("Noch nicht angemeldet."));
}

// A door whose browser never starts.
class NoBrowser : public ScriptedUiServices
{
public:
    bool openUrl(const QUrl& url) override
    {
        ScriptedUiServices::openUrl(url);
        return false;
    }
};

TEST_F(DetailsWindowTest, LinksOpenTheirAddressThroughTheDoor)
{
    const auto clickLink = [](QLabel* link) {
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    };
    DetailsWindow details(ui);
    details.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&details));

    module->TableEngines().moveTo(0); // alpha, with pages of its own
    details.fill(*module, 1);
    clickLink(child<QLabel>(details, "OvcURL1"));
    clickLink(child<QLabel>(details, "OvcURL2"));
    module->TableEngines().moveTo(4); // Echo, without
    details.fill(*module, 1);
    clickLink(child<QLabel>(details, "OvcURL1"));
    clickLink(child<QLabel>(details, "OvcURL2"));
    EXPECT_EQ(ui.openedUrls(), (std::vector<QUrl>{
                                   QUrl(QStringLiteral("http://www.dienst2.example/")),
                                   QUrl(QStringLiteral("http://www.dienst2.example/anmelden")),
                                   QUrl(EngineDetails::productHomePage()),
                                   QUrl(EngineDetails::productDemoPage()),
                               }));
    EXPECT_EQ(ui.beeps(), 0);

    NoBrowser failing;
    DetailsWindow other(failing);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    other.fill(*module, 1);
    clickLink(child<QLabel>(other, "OvcURL1"));
    EXPECT_EQ(failing.openedUrls().size(), 1u);
    EXPECT_EQ(failing.messageTexts(),
              QStringList{pelvaro::base::UiServices::noBrowserText(failing.openedUrls().front())})
        << "a browser that does not start is told";
}

} // namespace
