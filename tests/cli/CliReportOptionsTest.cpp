#include "cli/CliCommands.h"
#include "cli/DemoServer.h"
#include "reports/StatusReport.h"
#include "reports/rtf/RtfCodec.h"
#include "site/SiteFile.h"

#include "CatalogueFixture.h"
#include "CliRun.h"
#include "ProcessRunner.h"
#include "QtPrinters.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QFile>
#include <QFont>
#include <QProcess>
#include <QTextDocument>
#include <QTextStream>

#include <gtest/gtest.h>

using pelvaro::cli::CliCommands;
using pelvaro::test::cli;
using pelvaro::test::completeSite;
using pelvaro::test::Output;
using pelvaro::test::TestDirs;

namespace {

// The result lines of a run as the run filed them, taken back from what the command printed
// ("+" or "-", TAB, the line with its CR shown as a TAB).
struct Lines
{
    QStringList success;
    QStringList failure;
};

Lines filedLines(const QString& printed)
{
    Lines lines;
    for (const QString& line : printed.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() < 5 ||
            (fields[0] != QLatin1String("+") && fields[0] != QLatin1String("-")))
            continue;
        const QString filed = fields.mid(1, 3).join(QLatin1Char('\t')) + QLatin1Char('\r') +
                              fields.mid(4).join(QLatin1Char('\t'));
        (fields[0] == QLatin1String("+") ? lines.success : lines.failure) << filed;
    }
    return lines;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray expectedRtf(const Lines& lines, const QString& sit, const QDate& day)
{
    pelvaro::test::ScriptedUiServices ui;
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Arial"), 8));
    pelvaro::reports::StatusReport::generate(ui, document, lines.success, lines.failure,
                                             pelvaro::site::SiteFile::read(sit).record,
                                             [day] { return day; });
    return pelvaro::reports::rtf::writeRtf(document);
}

QString pdfText(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), path, QStringLiteral("-")});
    EXPECT_TRUE(process.waitForFinished(30000)) << "pdftotext (poppler-utils) is needed";
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

class CliReportOptions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const Output imported = cli({QStringLiteral("catalogue"), QStringLiteral("import"),
                                     pelvaro::test::sampleCatalogueSource()});
        ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
        const Output site =
            cli({QStringLiteral("site"), QStringLiteral("new"), m_sit}, completeSite);
        ASSERT_EQ(site.code, 0) << site.err.toStdString();
    }

    const QString m_sit = TestDirs::root() + QStringLiteral("/site.sit");
    const QString m_rtf = TestDirs::root() + QStringLiteral("/protokoll.rtf");
    const QString m_pdf = TestDirs::root() + QStringLiteral("/standard.pdf");
};

} // namespace

TEST_F(CliReportOptions, ARunWritesBothReportsAsTheWindowWould)
{
    pelvaro::cli::DemoServer farm;
    QString error;
    ASSERT_TRUE(farm.listen(0, 0, &error)) << error.toStdString();
    // 1, 6, 7 and 8 are sent; 81 fails in the preparation.
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("1,6,7,8,81")});
    const Output run =
        cli({QStringLiteral("submit"), m_sit, QStringLiteral("--proxy"),
             QStringLiteral("127.0.0.1:%1").arg(farm.port()), QStringLiteral("--today"),
             QStringLiteral("2031-05-17"), QStringLiteral("--report"), m_rtf,
             QStringLiteral("--standard-report"), m_pdf});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const Lines lines = filedLines(run.out);
    ASSERT_EQ(lines.success.size(), 4) << run.out.toStdString();
    ASSERT_EQ(lines.failure.size(), 1) << run.out.toStdString();

    EXPECT_EQ(fileBytes(m_rtf), expectedRtf(lines, m_sit, QDate(2031, 5, 17)));
    QTextDocument report;
    pelvaro::reports::rtf::readRtf(fileBytes(m_rtf), report);
    EXPECT_TRUE(
        report.toPlainText().contains(QStringLiteral("Erzeugt am 17.05.2031 mit Pelvaro!")));

    // The standard report: the run's site and date, successes first, each row's service
    // before its code, in the view "Dienst"; the failure's address is not printed.
    const QString header = QStringLiteral("Standardbericht Registrierte URL: "
                                          "http://www.muster.example/ Anmeldung vom 17.05.2031 ");
    QString text = pdfText(m_pdf);
    ASSERT_TRUE(text.startsWith(header)) << text.toStdString();
    text.remove(0, header.size());
    EXPECT_TRUE(text.startsWith(QStringLiteral("Suchdienst Statuscode Meldung ")))
        << text.toStdString();
    qsizetype at = 0;
    for (const QString& line : lines.success + lines.failure) {
        // A long name may wrap, so the name's start is what can be found.
        const QString start = line.left(5);
        const qsizetype found = text.indexOf(start, at);
        EXPECT_GT(found, at) << start.toStdString() << " in " << text.toStdString();
        at = std::max(at, found);
    }
    EXPECT_FALSE(text.contains(QStringLiteral("http"))) << text.toStdString();
}

TEST_F(CliReportOptions, ReportsFollowARunThatSentNothingAndNameWhatFails)
{
    // 68 has no form fields: the preparation files a failure and nothing is sent.
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("68")});
    const Output run = cli({QStringLiteral("submit"), m_sit, QStringLiteral("--today"),
                            QStringLiteral("2031-05-17"), QStringLiteral("--report"), m_rtf});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const Lines lines = filedLines(run.out);
    ASSERT_EQ(lines.failure.size(), 1);
    EXPECT_EQ(fileBytes(m_rtf), expectedRtf(lines, m_sit, QDate(2031, 5, 17)));

    // A report that cannot be written is an error of the command, named with its path; an
    // option without its file name is a usage error that sends nothing.
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("68")});
    const QString nowhere = TestDirs::root() + QStringLiteral("/fehlt/standard.pdf");
    const Output unwritable =
        cli({QStringLiteral("submit"), m_sit, QStringLiteral("--standard-report"), nowhere});
    EXPECT_EQ(unwritable.code, 1);
    EXPECT_TRUE(unwritable.err.contains(
        QStringLiteral("Fehler: Der Bericht %1 kann nicht gespeichert werden: ").arg(nowhere)))
        << unwritable.err.toStdString();
    EXPECT_FALSE(QFile::exists(nowhere));

    const Output missing = cli({QStringLiteral("submit"), m_sit, QStringLiteral("--report")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(
        missing.err.contains(QStringLiteral("[--report DATEI.rtf] [--standard-report DATEI.pdf]")))
        << missing.err.toStdString();
    EXPECT_TRUE(missing.out.isEmpty());
}

// The program itself, not only its commands: the reports need fonts, which the command line
// loads only for them, and no display.
TEST_F(CliReportOptions, TheProgramWritesAReportWithoutADisplay)
{
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("68")});
    QProcessEnvironment environment = pelvaro::test::testEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PELVARO_BINARY_DIR "/pelvaro-cli"),
                  {QStringLiteral("--home"), TestDirs::programDir(), QStringLiteral("submit"),
                   m_sit, QStringLiteral("--today"), QStringLiteral("2031-05-17"),
                   QStringLiteral("--report"), m_rtf});
    ASSERT_TRUE(program.waitForFinished(60000));
    const QByteArray out = program.readAllStandardOutput();
    EXPECT_EQ(program.exitCode(), 0);
    // Standard error holds the run's own messages only, no word from the toolkit.
    const QByteArray err = program.readAllStandardError();
    EXPECT_TRUE(err.contains("110219")) << err.toStdString();
    EXPECT_FALSE(err.contains("QStandardPaths")) << err.toStdString();
    const Lines lines = filedLines(QString::fromUtf8(out));
    ASSERT_EQ(lines.failure.size(), 1) << out.toStdString();
    EXPECT_EQ(fileBytes(m_rtf), expectedRtf(lines, m_sit, QDate(2031, 5, 17)));
}
