#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace pelvaro::catalogue {
class TDataModule1;
}

namespace pelvaro::cli {

class ConsoleUiServices;

// "prepare" and "submit": a submission run without a window.
class SubmitCommands
{
public:
    SubmitCommands(ConsoleUiServices& ui, QTextStream& out, QTextStream& err,
                   const QString& programDirectory, const QString& settingsFile);

    int prepare(catalogue::TDataModule1& module, const QStringList& arguments);
    int submit(catalogue::TDataModule1& module, const QStringList& arguments);

    // A result line as the command line prints it: "+" or "-", TAB, the line with its CR
    // shown as a TAB.
    static QString printable(bool success, const QString& line);

private:
    int fail(const QString& message);

    ConsoleUiServices& m_ui;
    QTextStream& m_out;
    QTextStream& m_err;
    QString m_programDirectory;
    QString m_settingsFile;
};

} // namespace pelvaro::cli
