#include "base/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace pelvaro::base {

namespace {

QString cleanPath(const QString& path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

bool ensureDirectory(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    if (info.exists())
        return false;
    return QDir().mkpath(path);
}

} // namespace

ProgramPaths::ProgramPaths(const QString& programDirectory)
    : m_programDirectory(cleanPath(programDirectory))
{
}

ProgramPaths ProgramPaths::resolve(const QString& explicitHome, const QString& executableDir,
                                   const QString& userDataDir)
{
    if (!explicitHome.isEmpty())
        return ProgramPaths(explicitHome);
    if (!executableDir.isEmpty() && QFileInfo(executableDir + QStringLiteral("/daten")).isDir())
        return ProgramPaths(executableDir);
    return ProgramPaths(userDataDir);
}

ProgramPaths ProgramPaths::fromEnvironment(const QString& homeOverride)
{
    QString home = homeOverride;
    if (home.isEmpty())
        home = qEnvironmentVariable("PELVARO_HOME");
    const QString exeDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    QString userDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (userDir.isEmpty())
        userDir = QDir::homePath() + QStringLiteral("/.local/share");
    return resolve(home, exeDir, userDir + QStringLiteral("/pelvaro"));
}

QString ProgramPaths::dataDirectory() const
{
    return m_programDirectory + QStringLiteral("/daten");
}

QString ProgramPaths::answerPageDirectory() const
{
    return m_programDirectory + QStringLiteral("/HTML");
}

QString ProgramPaths::tipsFile() const
{
    return m_programDirectory + QStringLiteral("/tips.txt");
}

int ProgramPaths::seedDataDirectory(const QString& installedDataDirectory) const
{
    const QDir source(installedDataDirectory);
    if (installedDataDirectory.isEmpty() || !source.exists() ||
        QFileInfo(source.absolutePath()) == QFileInfo(dataDirectory()))
        return 0;
    int copied = 0;
    for (const QFileInfo& file : source.entryInfoList(QDir::Files)) {
        const QString target = dataDirectory() + QLatin1Char('/') + file.fileName();
        if (QFileInfo::exists(target))
            continue;
        if (QFile::copy(file.absoluteFilePath(), target)) {
            // Installed files are read-only; the user's copy is changed by every selection.
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
            ++copied;
        }
    }
    // The tips file is rewritten by every showing of the tip window, so the user needs a
    // copy of his own too.
    const QString installedTips = source.absoluteFilePath(QStringLiteral("../tips.txt"));
    if (QFileInfo::exists(installedTips) && !QFileInfo::exists(tipsFile()) &&
        QFile::copy(installedTips, tipsFile())) {
        QFile::setPermissions(tipsFile(), QFile::ReadOwner | QFile::WriteOwner);
        ++copied;
    }
    return copied;
}

QString ProgramPaths::installedDataDirectory()
{
    if (!QCoreApplication::instance())
        return QString();
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/pelvaro/daten"));
}

QStringList ProgramPaths::ensureDirectories() const
{
    QStringList failures;
    if (!ensureDirectory(dataDirectory()))
        failures << dataDirectoryError();
    if (!ensureDirectory(answerPageDirectory()))
        failures << answerPageDirectoryError();
    return failures;
}

} // namespace pelvaro::base
