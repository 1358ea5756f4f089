#pragma once

#include <QIcon>

namespace pelvaro::catalogue::ui {

// The four arrows of a navigator over a service list. Every navigator in the program takes them
// from here, so all show the same ones: the desktop theme's, else the program's own.
enum class NavigatorArrow
{
    First,
    Prior,
    Next,
    Last
};

QIcon navigatorArrowIcon(NavigatorArrow arrow);

} // namespace pelvaro::catalogue::ui
