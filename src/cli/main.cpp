// pelvaro-cli: the headless front end. It links no widgets.
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <QStringConverter>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    pelvaro::cli::CliCommands commands(out, err);
    return commands.run(QCoreApplication::arguments().mid(1));
}
