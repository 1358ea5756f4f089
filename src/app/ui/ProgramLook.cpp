#include "app/ui/ProgramLook.h"

#include <QApplication>
#include <QFont>

namespace pelvaro::app::ui {

void applyProgramLook()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(font);
}

} // namespace pelvaro::app::ui
