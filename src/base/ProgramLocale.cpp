#include "base/ProgramLocale.h"

namespace pelvaro::base {

QLocale ProgramLocale::forSystem(const QLocale& system)
{
    if (system.language() == QLocale::C || system.language() == QLocale::AnyLanguage)
        return QLocale(QLocale::German, QLocale::Germany);
    return system;
}

void ProgramLocale::apply()
{
    QLocale::setDefault(forSystem(QLocale::system()));
}

} // namespace pelvaro::base
