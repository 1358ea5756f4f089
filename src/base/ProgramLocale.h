#pragma once

#include <QLocale>

namespace pelvaro::base {

// The formats of dates and numbers the program shows. They follow the user's system, as a
// desktop program's should; but a system that names no language (the C or POSIX locale of
// a bare session) would give English dates ("1 Jan 1999") beside the German text, so there
// the German formats apply.
class ProgramLocale
{
public:
    static QLocale forSystem(const QLocale& system);
    // Makes forSystem(QLocale::system()) the default of every QLocale() the program makes.
    static void apply();
};

} // namespace pelvaro::base
