#pragma once

#include <QIcon>

class QColor;

namespace pelvaro::catalogue::ui {

// The four arrows of a navigator over a service list, drawn rather than taken from a theme so
// that every navigator in the program shows the same ones.
enum class NavigatorArrow
{
    First,
    Prior,
    Next,
    Last
};

QIcon navigatorArrowIcon(NavigatorArrow arrow, const QColor& colour);

} // namespace pelvaro::catalogue::ui
