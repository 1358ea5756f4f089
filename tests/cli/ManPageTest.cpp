// The manual page must keep up with the command line: every command and option that
// "pelvaro-cli --help" names has to be documented in docs/pelvaro-cli.1.
#include "cli/CliCommands.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

using pelvaro::cli::CliCommands;

namespace {

QString manPageSource()
{
    QFile file(QStringLiteral(PELVARO_SOURCE_DIR "/docs/pelvaro-cli.1"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The page as a reader sees its words: roff comments dropped, "\-" as the dash the user
// types, font changes and zero-width escapes removed, so "\fB\-\-threads\fR" reads
// "--threads".
QStringList readableLines(const QString& source)
{
    static const QRegularExpression fontChange(
        QStringLiteral(R"(\\f(?:[BIRP1-4]|\(..|\[[^\]]*\]))"));
    QStringList lines;
    for (QString line : source.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".\\\"")))
            continue;
        line.replace(QLatin1String("\\-"), QLatin1String("-"));
        line.remove(fontChange);
        line.remove(QLatin1String("\\&"));
        lines << line;
    }
    return lines;
}

// The commands of the help text: each entry under "Befehle:" starts two blanks in, with
// the command words before its first placeholder, e.g. "catalogue filter-text".
QStringList helpCommands()
{
    static const QRegularExpression word(QStringLiteral("^[a-z][a-z-]*$"));
    QStringList commands;
    bool inCommands = false;
    for (const QString& line : CliCommands::usage().split(QLatin1Char('\n'))) {
        if (line == QLatin1String("Befehle:")) {
            inCommands = true;
            continue;
        }
        if (!inCommands || !line.startsWith(QLatin1String("  ")) || line.at(2).isSpace())
            continue;
        QStringList words;
        for (const QString& token : line.trimmed().split(QLatin1Char(' '))) {
            if (!word.match(token).hasMatch())
                break;
            words << token;
        }
        if (!words.isEmpty())
            commands << words.join(QLatin1Char(' '));
    }
    return commands;
}

// Every option the help text names, in a command's line or in its description.
QStringList helpOptions()
{
    static const QRegularExpression option(QStringLiteral(R"((?<![\w-])--[a-z][a-z-]*)"));
    QStringList options;
    for (const QRegularExpressionMatch& match : option.globalMatch(CliCommands::usage()))
        if (!options.contains(match.captured()))
            options << match.captured();
    return options;
}

TEST(ManPageTest, DocumentsEveryCommandOfTheHelpAsAnEntry)
{
    const QString source = manPageSource();
    ASSERT_FALSE(source.isEmpty()) << "docs/pelvaro-cli.1 is missing or empty";

    const QStringList commands = helpCommands();
    // The help text's layout is what this reads; a layout change must not leave nothing to
    // check.
    for (const char* known : {"site new", "catalogue filter-text", "selection load", "submit",
                              "metatags head", "ping", "update check", "demo-server"})
        ASSERT_TRUE(commands.contains(QLatin1String(known)))
            << known << " not found in the help text; found: "
            << commands.join(QStringLiteral(", ")).toStdString();

    // An entry is a tag line after .TP that starts with the command, as a reader scanning
    // the page for it would find it.
    QSet<QString> entries;
    const QStringList lines = readableLines(source);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        if (lines.at(i).trimmed() == QLatin1String(".TP"))
            entries.insert(lines.at(i + 1).trimmed());
    for (const QString& command : commands) {
        const bool documented = std::any_of(entries.begin(), entries.end(), [&](const QString& e) {
            return e == command || e.startsWith(command + QLatin1Char(' '));
        });
        EXPECT_TRUE(documented) << "no entry for \"" << command.toStdString()
                                << "\" in docs/pelvaro-cli.1";
    }
}

TEST(ManPageTest, DocumentsEveryOptionOfTheHelp)
{
    const QString source = manPageSource();
    ASSERT_FALSE(source.isEmpty()) << "docs/pelvaro-cli.1 is missing or empty";

    const QStringList options = helpOptions();
    for (const char* known : {"--home", "--help", "--from", "--threads", "--standard-report",
                              "--name-server", "--yes", "--no", "--verbose"})
        ASSERT_TRUE(options.contains(QLatin1String(known))) << known << " not found in the help";

    // Whole words only: "--no" is not documented by "--none" or "--not-registered".
    const QString page = readableLines(source).join(QLatin1Char('\n'));
    for (const QString& option : options) {
        const QRegularExpression named(QStringLiteral(R"((?<![\w-]))") +
                                       QRegularExpression::escape(option) +
                                       QStringLiteral(R"((?![\w-]))"));
        EXPECT_TRUE(named.match(page).hasMatch())
            << option.toStdString() << " is not documented in docs/pelvaro-cli.1";
    }
}

} // namespace
