#include "ProcessRunner.h"

#include "TestDirs.h"

#include <QProcess>

namespace pelvaro::test {

QProcessEnvironment testEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PELVARO_HOME"), TestDirs::programDir());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), TestDirs::configDir());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), TestDirs::runtimeDir());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

ProcessResult runProgram(const QString& program, const QStringList& arguments,
                         const QByteArray& input, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(testEnvironment());
    process.start(binaryDir() + QLatin1Char('/') + program, arguments);
    ProcessResult result;
    if (!process.waitForStarted(10000))
        return result;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished();
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace pelvaro::test
