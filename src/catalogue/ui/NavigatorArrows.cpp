#include "catalogue/ui/NavigatorArrows.h"

#include "base/ui/ProgramIcons.h"

namespace pelvaro::catalogue::ui {

QIcon navigatorArrowIcon(NavigatorArrow arrow)
{
    using base::ui::ProgramIcons;
    switch (arrow) {
    case NavigatorArrow::First:
        return ProgramIcons::icon(ProgramIcons::Command::GoFirst);
    case NavigatorArrow::Prior:
        return ProgramIcons::icon(ProgramIcons::Command::GoPrevious);
    case NavigatorArrow::Next:
        return ProgramIcons::icon(ProgramIcons::Command::GoNext);
    case NavigatorArrow::Last:
        return ProgramIcons::icon(ProgramIcons::Command::GoLast);
    }
    return {};
}

} // namespace pelvaro::catalogue::ui
