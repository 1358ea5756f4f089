#include "cli/CliCommands.h"
#include "reports/rtf/RtfCodec.h"

#include "ProcessRunner.h"
#include "TestDirs.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

using pelvaro::test::runProgram;
using pelvaro::test::TestDirs;

namespace {

QString writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = TestDirs::root() + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

} // namespace

TEST(CliReport, PrintsTheParagraphsOfAnRtfFileAsUtf8)
{
    const QString path = writeFile(
        QStringLiteral("bericht.rtf"),
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\pard\\qc\\b Anmeldungsprotokoll\\par"
        "\\pard\\par{\\*\\pn\\pnlvlblt}Gr\\'fc\\'dfe\\tab OK\\tab 200\\par\\pard \\u937?\\line "
        "Ende\\par}");
    const auto run = runProgram(QStringLiteral("pelvaro-cli"),
                                {QStringLiteral("report"), QStringLiteral("text"), path});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out.toStdString(), "Anmeldungsprotokoll\n\nGrüße\tOK\t200\nΩ\nEnde\n");
    EXPECT_TRUE(run.err.isEmpty()) << run.err.constData();
}

TEST(CliReport, ErrorsAreGermanOnStandardErrorWithExitCodeOne)
{
    struct Case
    {
        QStringList arguments;
        const char* message;
    };
    const QString missing = TestDirs::root() + QStringLiteral("/fehlt.rtf");
    const Case cases[] = {
        {{QStringLiteral("report"), QStringLiteral("text"), missing},
         "Fehler: Datei nicht gefunden!"},
        {{QStringLiteral("report"), QStringLiteral("text"), TestDirs::root()},
         "Fehler: Datei nicht gefunden!"},
        {{QStringLiteral("report"), QStringLiteral("text")},
         "Fehler: report erwartet text DATEI.rtf."},
        {{QStringLiteral("report"), QStringLiteral("zeige"), missing},
         "Fehler: report erwartet text DATEI.rtf."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        pelvaro::cli::CliCommands commands(outStream, errStream);
        EXPECT_EQ(commands.run(c.arguments), 1);
        EXPECT_TRUE(err.startsWith(QString::fromUtf8(c.message))) << err.toStdString();
        EXPECT_TRUE(out.isEmpty());
    }
}
