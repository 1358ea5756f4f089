#pragma once

#include "catalogue/TDataModule1.h"

#include <QString>

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
};

} // namespace pelvaro::catalogue
