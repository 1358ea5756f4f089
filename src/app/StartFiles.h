#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace pelvaro::app {

// What the program does with files it is started with, and the folders it must be able to
// write before it starts at all.
class StartFiles
{
public:
    enum class Kind
    {
        // A site-info file (.sit): opened as the user's "Öffnen" would.
        SiteInfo,
        // A selection file (.suc): loaded as "Auswahl laden" would.
        Selection,
        // Anything else is left for the report window, which loads it when it opens.
        Other
    };

    // Decided by the name's suffix, in any letter case, as the desktop's file types are.
    static Kind kindOf(const QString& path);

    // The first folder of the given ones that cannot be created or written, with the
    // user's home folder, as a German message for the box before the program ends; nothing
    // when all can be used.
    static std::optional<QString> unwritableFolderProblem(const QStringList& folders);
};

} // namespace pelvaro::app
