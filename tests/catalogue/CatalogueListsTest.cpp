#include "catalogue/CatalogueLists.h"

#include "catalogue/TDataModule1.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <gtest/gtest.h>

using pelvaro::catalogue::CatalogueLists;
using pelvaro::catalogue::SelectionCounters;
using State = CatalogueLists::ContextMenuState;
using pelvaro::catalogue::TDataModule1;
using pelvaro::test::engine;
using pelvaro::test::TestDirs;

TEST(CatalogueLists, CaptionsAndStatusTexts)
{
    const SelectionCounters c{590, 14, 11, 3};
    EXPECT_EQ(CatalogueLists::frameCaption(1, c),
              QStringLiteral("Anzahl der nicht ausgewählten Suchdienste: 590"));
    EXPECT_EQ(CatalogueLists::frameCaption(2, c),
              QStringLiteral("Anzahl der ausgewählten Suchdienste: 14"));
    EXPECT_EQ(CatalogueLists::frameCaption(3, c),
              QStringLiteral("Anzahl der ausgewählten Suchdienste, bei denen eine automatische "
                             "Anmeldung möglich ist: 11"));
    EXPECT_EQ(CatalogueLists::frameCaption(4, c),
              QStringLiteral("Anzahl der ausgewählten Suchdienste, bei denen nur eine manuelle "
                             "Anmeldung unterstützt wird: 3"));
    EXPECT_EQ(CatalogueLists::totalServicesText(c),
              QStringLiteral("Gesamtanzahl der vorhandenen Suchdienste: 604"));
    EXPECT_EQ(CatalogueLists::totalEntriesText(c),
              QStringLiteral("Gesamtanzahl der vorhandenen Einträge: 604"));
    EXPECT_EQ(CatalogueLists::viewName(3), QStringLiteral("TableAutomatischSenden"));
    EXPECT_TRUE(CatalogueLists::viewName(0).isEmpty());
}

TEST(CatalogueLists, ContextMenuFollowsTheFocusedList)
{
    const SelectionCounters some{600, 4, 0, 4};
    EXPECT_EQ(CatalogueLists::contextMenu(1, some), (State{true, true, true, false}))
        << "never deselect from the left list";
    EXPECT_EQ(CatalogueLists::contextMenu(2, some), (State{true, true, true, true}));
    EXPECT_EQ(CatalogueLists::contextMenu(3, some), (State{false, false, false, false}))
        << "empty list";
    EXPECT_EQ(CatalogueLists::contextMenu(4, some), (State{true, true, true, true}));
    EXPECT_EQ(CatalogueLists::contextMenu(0, some), State{});
    EXPECT_EQ(CatalogueLists::linkPairForPage(3), 1);
    EXPECT_EQ(CatalogueLists::linkPairForPage(4), 3);
    EXPECT_EQ(CatalogueLists::linkPairForPage(5), 4);
    EXPECT_EQ(CatalogueLists::linkPairForPage(1), 0);
    EXPECT_EQ(CatalogueLists::linkPairForList(2), 1);
}

TEST(CatalogueLists, LinksOpenTheBrowserOrSayThatThereIsNone)
{
    pelvaro::test::ScriptedUiServices ui;
    CatalogueLists::openLink(ui, QStringLiteral("http://www.dienst.example/"));
    ASSERT_EQ(ui.openedUrls().size(), 1u);
    EXPECT_EQ(ui.openedUrls().front().toString(), QStringLiteral("http://www.dienst.example/"));
    EXPECT_EQ(ui.messageTexts(),
              QStringList{QStringLiteral(
                  "Ihr Internet-Browser wird jetzt mit der ausgewählten URL gestartet.")});

    class NoBrowser : public pelvaro::test::ScriptedUiServices
    {
    public:
        bool openUrl(const QUrl&) override { return false; }
    } broken;
    CatalogueLists::openLink(broken, QStringLiteral("http://www.dienst.example/"));
    EXPECT_EQ(broken.messageTexts(), QStringList{pelvaro::base::UiServices::noBrowserText(
                                         QUrl(QStringLiteral("http://www.dienst.example/")))})
        << "not the promise that the browser starts";
    EXPECT_TRUE(broken.messageTexts().first().startsWith(
        QStringLiteral("http://www.dienst.example/ kann nicht angezeigt werden: Es wurde kein "
                       "Programm für Web-Seiten (Web-Browser) gefunden.")));
}

TEST(CatalogueLists, SearchIsAllowedOnlyInNameOrder)
{
    struct Case
    {
        QString index;
        QStringList fields;
        bool allowed;
    };
    const Case cases[] = {
        {QStringLiteral("IdxName"), {QStringLiteral("Name")}, true},
        {QStringLiteral("idxname"), {}, true},
        {QString(), {QStringLiteral("Name")}, true},
        {QString(), {QStringLiteral("name")}, true},
        {QStringLiteral("Primary"), {QStringLiteral("Nr")}, false},
        {QString(), {QStringLiteral("Name"), QStringLiteral("Nr")}, false},
        {QString(), {}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CatalogueLists::searchAllowed(c.index, c.fields), c.allowed)
            << c.index.toStdString() << " " << c.fields.join(QLatin1Char(',')).toStdString();

    // The views themselves: the lists start in name order; the key order or store order
    // forbids the search.
    const QString data = TestDirs::programDir() + QStringLiteral("/daten");
    pelvaro::test::createCatalogue(data, {engine(1, QStringLiteral("Alpha"))});
    pelvaro::test::ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(data, QStringLiteral("x")));
    auto& view = module.TableEngines();
    EXPECT_TRUE(CatalogueLists::searchAllowed(view));
    view.setIndexName(QStringLiteral("Primary"));
    EXPECT_FALSE(CatalogueLists::searchAllowed(view));
    view.setIndexName(QString());
    EXPECT_FALSE(CatalogueLists::searchAllowed(view));
    view.setOrderFields({QStringLiteral("Name")});
    EXPECT_TRUE(CatalogueLists::searchAllowed(view));
}

TEST(CatalogueLists, TheListEnteredLastKeepsAWhiteMarker)
{
    using Markers = CatalogueLists::Markers;
    EXPECT_EQ(CatalogueLists::markersAfterEntering(1), (Markers{true, false}));
    EXPECT_EQ(CatalogueLists::markersAfterEntering(2), (Markers{false, true}));
    EXPECT_EQ(CatalogueLists::markersAfterEntering(3), (Markers{true, false}));
}

namespace pelvaro::catalogue {
void PrintTo(const CatalogueLists::Link& link, std::ostream* os)
{
    *os << link.caption.toStdString() << " -> " << link.address.toStdString()
        << (link.enabled ? "" : " (disabled)");
}
void PrintTo(const CatalogueLists::LinkBar& bar, std::ostream* os)
{
    PrintTo(bar.homePage, os);
    *os << " | ";
    PrintTo(bar.submissionPage, os);
}
void PrintTo(const SelectionCounters& c, std::ostream* os); // with the data module's tests
} // namespace pelvaro::catalogue

TEST(CatalogueLists, TheLinkBarShowsTheMarkedServiceOrItsEmptyState)
{
    using Link = CatalogueLists::Link;
    using Bar = CatalogueLists::LinkBar;
    using pelvaro::catalogue::TURLHyperLinkInfo;
    const QString home = QStringLiteral("http://www.echo.example/");
    const QString form = QStringLiteral("http://www.echo.example/anmelden");
    const Link none{QStringLiteral("Kein Eintrag ausgewählt/verfügbar"), QString(), false};
    const Link homeLink{QStringLiteral("Zur Startseite von Echo"), home, true};
    const Link formLink{QStringLiteral("Zur Seite \"Anmeldung\" von Echo"), form, true};
    struct Case
    {
        TURLHyperLinkInfo info;
        Bar bar;
    };
    const Case cases[] = {
        {{QStringLiteral("Echo"), home, form}, {homeLink, formLink}},
        {{QStringLiteral("Echo"), home, QString()}, {homeLink, none}},
        {{}, {none, none}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CatalogueLists::linkBar(c.info), c.bar) << c.info.Name.toStdString();
    EXPECT_EQ(CatalogueLists::initialLinkBar().homePage,
              (Link{QStringLiteral("Zur Startseite des markierten Eintrags"), QString(), false}));
    EXPECT_EQ(CatalogueLists::initialLinkBar().submissionPage.caption,
              QStringLiteral("Zur Seite \"Anmeldung\" des markierten Eintrags"));

    // The bar follows the list with the focus; no list, no bar.
    const QString data = TestDirs::programDir() + QStringLiteral("/daten");
    pelvaro::test::createCatalogue(
        data, {engine(1, QStringLiteral("Alpha"),
                      {{QStringLiteral("URL"), home}, {QStringLiteral("Ausgewaehlt"), true}}),
               engine(2, QStringLiteral("Beta"), {{QStringLiteral("URL"), QString()}})});
    pelvaro::test::ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(data, QStringLiteral("x")));
    const auto [pair, bar] = CatalogueLists::linkBarFor(module, CatalogueLists::Automatic);
    EXPECT_EQ(pair, 3);
    EXPECT_EQ(bar.homePage, (Link{QStringLiteral("Zur Startseite von Alpha"), home, true}));
    EXPECT_EQ(CatalogueLists::linkBarFor(module, CatalogueLists::NotSelected).second.homePage, none)
        << "Beta has no address";
    EXPECT_EQ(CatalogueLists::linkBarFor(module, 0).first, 0);
}

TEST(CatalogueLists, MovingServicesBetweenTheLists)
{
    const QString data = TestDirs::programDir() + QStringLiteral("/daten");
    pelvaro::test::createCatalogue(
        data, {engine(1, QStringLiteral("Alpha")),
               engine(2, QStringLiteral("Beta"), {{QStringLiteral("NurManuell"), true}})});
    pelvaro::test::ScriptedUiServices ui;
    TDataModule1 module(ui);
    ASSERT_TRUE(module.open(data, QStringLiteral("x")));
    using Counters = pelvaro::catalogue::SelectionCounters;

    // From an empty list: only the message, nothing moves.
    CatalogueLists::deselectCurrent(ui, module);
    EXPECT_EQ(module.counters(), (Counters{2, 0, 0, 0}));
    CatalogueLists::selectCurrent(ui, module); // the marked row of the left list: Alpha
    EXPECT_EQ(module.counters(), (Counters{1, 1, 1, 0}));
    EXPECT_EQ(ui.waitNoticesOpened(), 0);
    CatalogueLists::selectAll(ui, module);
    EXPECT_EQ(module.counters(), (Counters{0, 2, 1, 1}));
    CatalogueLists::selectCurrent(ui, module);
    EXPECT_EQ(module.counters(), (Counters{0, 2, 1, 1}));
    CatalogueLists::deselectCurrent(ui, module);
    EXPECT_EQ(module.counters(), (Counters{1, 1, 0, 1})) << "Alpha, first by name, goes back";
    CatalogueLists::deselectAll(ui, module);
    EXPECT_EQ(module.counters(), (Counters{2, 0, 0, 0}));
    EXPECT_EQ(ui.messageTexts(),
              (QStringList{QStringLiteral("Diese Spalte ist leer!"),
                           QStringLiteral("Alle Suchdienste sind bereits ausgewählt!")}));
    // The two whole-table walks run behind the notice, and it is gone afterwards.
    EXPECT_EQ(ui.waitNoticesOpened(), 2);
    EXPECT_EQ(ui.lastWaitText(), QStringLiteral("Tabelle wird neu sortiert, bitte warten ..."));
    EXPECT_FALSE(ui.waitNoticeShown());
}
