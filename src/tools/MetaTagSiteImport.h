#pragma once

#include "tools/MetaTagGenerator.h"

#include <QString>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::tools {

// "Kenndaten importieren": copies what the webmaster already entered for the site into the
// meta-tag form. A field the user has filled in is only replaced when he agrees, one
// question per field.
class MetaTagSiteImport
{
public:
    // The label a form field carries on the page; the overwrite question names it too.
    static QString label(MetaTagField field);
    static QString overwriteQuestion(const QString& label);

    // The topic list's entries are the last part of a catalogue category, so only the text
    // behind the category's last "/" is taken.
    static QString topicOf(const QString& categoryText);

    // `stored` is the site record as last taken over from the site page; the category and
    // the web type are the texts their lists show. Returns the form to show.
    static MetaTagForm apply(const MetaTagForm& form, const site::SiteRecord& stored,
                             const QString& categoryText, const QString& webtypeText,
                             base::UiServices& ui);
};

} // namespace pelvaro::tools
