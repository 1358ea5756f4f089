#pragma once

#include <QString>

namespace pelvaro::base {

// One page of the built-in help, found by its numeric help context.
struct HelpPage
{
    int context = 0;
    QString title;
    QString html;
    bool found = false;
};

// The help pages ship inside the program as resources/help/<context>.html. A context
// without a page yields a short German notice instead, so the help window is never blank.
class HelpPages
{
public:
    static HelpPage page(int context);
    static QString resourcePath(int context);
};

} // namespace pelvaro::base
