#pragma once

#include <QString>

namespace pelvaro::base {

// The messages every file command of the program shares, kept once so the site files,
// the selection files and the command line say the same thing in the same words.
struct FileTexts
{
    static QString notFound() { return QStringLiteral("Datei nicht gefunden!"); }
    static QString saving()
    {
        return QStringLiteral("Die Daten werden gespeichert, bitte warten ...");
    }
    static QString saved(const QString& path)
    {
        return QStringLiteral("Die Datei %1 wurde erfolgreich gespeichert.").arg(path);
    }
    static QString saveFailed(const QString& path, const QString& reason)
    {
        return QStringLiteral("Die Datei %1 konnte nicht gespeichert werden.\n\n%2")
            .arg(path, reason);
    }
};

} // namespace pelvaro::base
