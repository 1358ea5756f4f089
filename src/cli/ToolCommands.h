#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QTextStream;

namespace pelvaro::cli {

// The webmaster tools on the command line: the meta-tag generator and importer, the HEAD
// view and the address check. Results go to standard output, message boxes and errors to
// standard error unless a command says otherwise.
class ToolCommands
{
public:
    ToolCommands(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

    // "metatags generate|import|head ..."; `readInput` delivers standard input.
    int metatags(const QStringList& arguments, const std::function<QByteArray()>& readInput);
    // "ping ADDRESS [--name-server HOST:PORT] [--timeout MS]"; runs an event loop.
    int ping(const QStringList& arguments);

private:
    int generate(const QByteArray& json);
    int import(const QString& path);
    int head(const QString& path);
    int fail(const QString& message);

    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace pelvaro::cli
