#pragma once

#include <QStringList>

namespace pelvaro::tools {

// The entries of the meta-tag form's drop-down lists, in the order the lists show them.
class MetaTagLists
{
public:
    // Fixed list: the position chosen selects the robots tag.
    static const QStringList& indizierungEntries();
    static const QStringList& zielgruppeEntries();
    static const QStringList& seitentypEntries();
    static const QStringList& themaEntries();
};

} // namespace pelvaro::tools
