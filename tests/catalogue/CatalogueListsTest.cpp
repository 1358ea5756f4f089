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

TEST(CatalogueLists, LinksOpenTheBrowserOrOnlyBeep)
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
    EXPECT_EQ(broken.beeps(), 1);
    EXPECT_TRUE(broken.messageTexts().isEmpty());
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
