#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QTextStream;

namespace pelvaro::catalogue {
class TDataModule1;
}

namespace pelvaro::cli {

class ConsoleUiServices;

// pelvaro-cli: the program's functions without a window. Each command prints its result on
// standard output and its errors, in German, on standard error; the exit status is 0 on
// success and 1 on any error.
class CliCommands
{
public:
    CliCommands(QTextStream& out, QTextStream& err);
    ~CliCommands();

    // arguments without the program name.
    int run(const QStringList& arguments);
    // Standard input, read by "site new" when no --from is given; tests replace it.
    void setStandardInput(const QByteArray& input)
    {
        m_stdin = input;
        m_stdinSet = true;
    }

    static QString usage();

private:
    int siteCommand(const QStringList& arguments);
    int catalogueCommand(const QStringList& arguments);
    int selectionCommand(const QStringList& arguments);
    int reportCommand(const QStringList& arguments);
    int catalogueSelect(catalogue::TDataModule1& module, const QStringList& arguments);
    int catalogueFilterText(catalogue::TDataModule1& module, const QStringList& arguments);
    // Opens the catalogue of the program directory; nullptr after its error was printed.
    std::unique_ptr<catalogue::TDataModule1> openCatalogue();
    QString dataDirectory() const;
    void printCounts(const catalogue::TDataModule1& module);
    int siteNew(const QStringList& arguments);
    int siteShow(const QStringList& arguments);
    int siteValue(const QStringList& arguments);
    int fail(const QString& message);
    QByteArray readStandardInput();

    QTextStream& m_out;
    QTextStream& m_err;
    std::unique_ptr<ConsoleUiServices> m_ui;
    QString m_home;
    QByteArray m_stdin;
    bool m_stdinSet = false;
};

} // namespace pelvaro::cli
