// pelvaro-cli: the headless front end. It links no widgets.
#include "base/ProgramLocale.h"
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringConverter>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Rich text (the reports and reading RTF) lays out text with fonts, which only a GUI
// application provides; every other command runs on the core alone, which starts faster.
bool needsFonts(int argc, char** argv)
{
    bool commandSeen = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--home") {
            ++i; // its folder is no command
            continue;
        }
        if (!commandSeen && arg == "report")
            return true;
        commandSeen = commandSeen || !arg.startsWith('-');
        if (arg == "--report" || arg == "--standard-report")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    std::unique_ptr<QCoreApplication> application;
    if (needsFonts(argc, argv)) {
        // The command line never shows a window and must work without a display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Without a login session there is no runtime folder; the GUI side would fall back
        // to one of its own and say so on standard error, in the middle of a command's
        // output. The same folder, made beforehand, keeps it quiet.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            const QByteArray folder = "/tmp/runtime-" + QByteArray::number(uint(::getuid()));
            if (::mkdir(folder.constData(), 0700) == 0 || errno == EEXIST)
                qputenv("XDG_RUNTIME_DIR", folder);
        }
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    pelvaro::base::ProgramLocale::apply();
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    pelvaro::cli::CliCommands commands(out, err);
    return commands.run(QCoreApplication::arguments().mid(1));
}
