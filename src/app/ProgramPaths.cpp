#include "app/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace pelvaro::app {

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

QStringList ProgramPaths::ensureDirectories() const
{
    QStringList failures;
    if (!ensureDirectory(dataDirectory()))
        failures << dataDirectoryError();
    if (!ensureDirectory(answerPageDirectory()))
        failures << answerPageDirectoryError();
    return failures;
}

} // namespace pelvaro::app
