#include "catalogue/ui/NavigatorArrows.h"

#include "base/ui/ProgramIcons.h"

namespace pelvaro::catalogue::ui {

QIcon navigatorArrowIcon(NavigatorArrow arrow)
{
    using base::ui::ProgramIcons;
    switch (arrow) {
    case NavigatorArrow::First:
        return ProgramIcons::ownPicture(ProgramIcons::Command::GoFirst);
    case NavigatorArrow::Prior:
        return ProgramIcons::ownPicture(ProgramIcons::Command::GoPrevious);
    case NavigatorArrow::Next:
        return ProgramIcons::ownPicture(ProgramIcons::Command::GoNext);
    case NavigatorArrow::Last:
        return ProgramIcons::ownPicture(ProgramIcons::Command::GoLast);
    }
    return {};
}

} // namespace pelvaro::catalogue::ui
