#pragma once

#include "catalogue/TDataModule1.h"

#include <QString>

#include <array>
#include <utility>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::catalogue {

// What the main window shows about its four catalogue lists, by list code: 1 not selected
// (TableEngines), 2 selected (TableEngToSend), 3 selected for automatic submission
// (TableAutomatischSenden), 4 selected for manual submission only (TableManuellSenden).
class CatalogueLists
{
public:
    static constexpr int NotSelected = 1;
    static constexpr int Selected = 2;
    static constexpr int Automatic = 3;
    static constexpr int Manual = 4;

    // The view of a list code; empty for any other code.
    static QString viewName(int listCode);
    static int count(const SelectionCounters& counters, int listCode);
    // The caption of the list's frame with its count.
    static QString frameCaption(int listCode, const SelectionCounters& counters);
    // The status bar after a change of the selection, and when a list page is shown.
    static QString totalServicesText(const SelectionCounters& counters);
    static QString totalEntriesText(const SelectionCounters& counters);

    struct ContextMenuState
    {
        bool details = false;
        bool homePage = false;
        bool submissionPage = false;
        bool deselect = false;
        bool operator==(const ContextMenuState&) const = default;
    };
    // Which commands of the lists' context menu are enabled for the list that had the focus.
    static ContextMenuState contextMenu(int focusedListCode, const SelectionCounters& counters);

    // A search by name only makes sense while the list is ordered by name.
    static bool searchAllowed(const store::TableCursor& view);
    static bool searchAllowed(const QString& indexName, const QStringList& orderFields);

    // The marker colour of the selection page's two lists while they lack the focus: the
    // list whose frame was entered last keeps a white marker, the other a silver one.
    struct Markers
    {
        bool notSelectedWhite = false;
        bool selectedWhite = false;
        bool operator==(const Markers&) const = default;
    };
    static Markers markersAfterEntering(int listCode);

    // The link pair the context menu's two link commands use on a page (3 selection,
    // 4 automatic, 5 manual); 0 where they do nothing.
    static int linkPairForPage(int activePageCode);
    // The link pair that follows a list's cursor.
    static int linkPairForList(int listCode);

    // Opens a service's page in the browser, as the link bars do, and tells the user that the
    // browser starts; a browser that does not start only beeps.
    static void openLink(base::UiServices& ui, const QString& address);

    // One link of a page's bar "Gehe zu".
    struct Link
    {
        QString caption;
        QString address;
        bool enabled = false;
        bool operator==(const Link&) const = default;
    };
    struct LinkBar
    {
        Link homePage;
        Link submissionPage;
        bool operator==(const LinkBar&) const = default;
    };
    // The bar before any service was marked.
    static LinkBar initialLinkBar();
    // The bar for the marked service of a list.
    static LinkBar linkBar(const TURLHyperLinkInfo& info);
    // The bar that follows the cursor of the list with the focus: its pair number (0 for no
    // list, then the bar stays as it is) and what it shows.
    static std::pair<int, LinkBar> linkBarFor(TDataModule1& module, int focusedListCode);

    // The selection page's move commands (the buttons between the lists and the
    // double-clicks). An empty source list only tells the user so. The caller shows the
    // counts afterwards, also when a command failed.
    static void selectCurrent(base::UiServices& ui, TDataModule1& module);
    static void deselectCurrent(base::UiServices& ui, TDataModule1& module);
    static void selectAll(base::UiServices& ui, TDataModule1& module);
    static void deselectAll(base::UiServices& ui, TDataModule1& module);
    // Shown while a whole table is walked.
    static QString resortingText();
    // The hints of the four move buttons, in button order.
    static const std::array<QString, 4>& moveButtonHints();
};

} // namespace pelvaro::catalogue
