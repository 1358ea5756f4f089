#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace pelvaro::test {

struct ProcessResult
{
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;
};

// Runs one of the built programs with the test's own folders in its environment.
ProcessResult runProgram(const QString& program, const QStringList& arguments,
                         const QByteArray& input = {}, int timeoutMs = 60000);
QProcessEnvironment testEnvironment();

} // namespace pelvaro::test
