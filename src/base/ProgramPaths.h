#pragma once

#include <QString>

#include <QStringList>

namespace pelvaro::base {

// The program directory and the two folders beneath it that the program keeps its
// catalogue ("daten") and answer pages ("HTML") in. Paths end without a slash.
class ProgramPaths
{
public:
    // Chooses the program directory: an explicit home (the PELVARO_HOME variable or the
    // command line's --home) wins; else the executable's directory when it holds a
    // catalogue folder (a build tree or an unpacked installation); else the user's data
    // directory.
    static ProgramPaths resolve(const QString& explicitHome, const QString& executableDir,
                                const QString& userDataDir);
    // resolve() with PELVARO_HOME, the running executable and the standard data location.
    static ProgramPaths fromEnvironment(const QString& homeOverride = {});

    explicit ProgramPaths(const QString& programDirectory);

    const QString& programDirectory() const { return m_programDirectory; }
    QString dataDirectory() const;
    QString answerPageDirectory() const;
    QString tipsFile() const;

    // Creates the data and answer-page folders when they are missing. Returns the fatal
    // message of each folder that is missing and cannot be created, in that order.
    QStringList ensureDirectories() const;

    // Copies the files of an installed data folder that the data folder lacks, so a first
    // start in the user's own folder finds the catalogue that came with the program; the
    // tips file beside the installed data folder comes along when the program folder lacks
    // one. Returns the number of files copied.
    int seedDataDirectory(const QString& installedDataDirectory) const;
    // Where an installation keeps its data folder, relative to the executable.
    static QString installedDataDirectory();

    static QString dataDirectoryError()
    {
        return QStringLiteral("Fehler-Nr. 219910 - Anwendung wird beendet!");
    }
    static QString answerPageDirectoryError()
    {
        return QStringLiteral("Fehler-Nr. 09910 - Anwendung wird beendet!");
    }

private:
    QString m_programDirectory;
};

} // namespace pelvaro::base
