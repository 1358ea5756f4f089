#pragma once

#include <QIcon>

namespace pelvaro::catalogue::ui {

// The four arrows of a navigator over a service list. Every navigator in the program takes them
// from here, so all show the same ones. They are always the program's own: which arrows are
// enabled tells the user where he is in the list, and the grey arrows of common themes look
// alike enabled and disabled.
enum class NavigatorArrow
{
    First,
    Prior,
    Next,
    Last
};

QIcon navigatorArrowIcon(NavigatorArrow arrow);

} // namespace pelvaro::catalogue::ui
