#include "catalogue/store/Database.h"
#include "cli/CliCommands.h"
#include "cli/DemoServer.h"

#include "CatalogueFixture.h"
#include "CliRun.h"
#include "ProcessRunner.h"
#include "TestDirs.h"
#include "TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTextStream>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <set>

using pelvaro::catalogue::store::Database;
using pelvaro::cli::CliCommands;
using pelvaro::test::cli;
using pelvaro::test::cliProcess;
using pelvaro::test::completeSite;
using pelvaro::test::Output;
using pelvaro::test::TestDirs;

namespace {

QString counts(int notSelected, int selected, int automatic, int manual)
{
    return QStringLiteral(
               "AnzNichtAusgewaehlt=%1\nAnzAusgewaehlt=%2\nAnzAutomatisch=%3\nAnzManuell=%4\n")
        .arg(notSelected)
        .arg(selected)
        .arg(automatic)
        .arg(manual);
}

class CliCatalogue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const Output imported = cli({QStringLiteral("catalogue"), QStringLiteral("import"),
                                     pelvaro::test::sampleCatalogueSource()});
        ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
        EXPECT_TRUE(imported.out.startsWith(QStringLiteral("Katalog mit 604 Suchdiensten")));
    }
};

} // namespace

TEST_F(CliCatalogue, SelectCountAndList)
{
    EXPECT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("counts")}).out,
              counts(604, 0, 0, 0));

    const Output all =
        cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--all")});
    EXPECT_EQ(all.code, 0);
    EXPECT_EQ(all.out, counts(0, 604, 453, 151));
    EXPECT_EQ(
        cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--none")}).out,
        counts(604, 0, 0, 0));

    // Services 5 and 57 are manual-only, 1 is automatic; a number named twice counts once.
    const Output some = cli({QStringLiteral("catalogue"), QStringLiteral("select"),
                             QStringLiteral("--nr"), QStringLiteral("1,57,5,1")});
    EXPECT_EQ(some.out, counts(601, 3, 1, 2));
    const QStringList selected =
        cli({QStringLiteral("catalogue"), QStringLiteral("list"), QStringLiteral("TableEngToSend")})
            .out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(selected.size(), 3);
    QStringList numbers;
    for (const QString& line : selected)
        numbers << line.section(QLatin1Char('\t'), 0, 0);
    numbers.sort();
    EXPECT_EQ(numbers,
              (QStringList{QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("57")}));

    // The default list is the not-selected services in name order.
    const QStringList rows = cli({QStringLiteral("catalogue"), QStringLiteral("list")})
                                 .out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 601);
    for (int i = 1; i < rows.size(); ++i)
        EXPECT_LE(Database::compareNames(rows[i - 1].section(QLatin1Char('\t'), 1),
                                         rows[i].section(QLatin1Char('\t'), 1)),
                  0)
            << rows[i - 1].toStdString() << " / " << rows[i].toStdString();

    // 186 top-rated directories, 47 of them manual only.
    const Output kinds =
        cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--filter"),
             QStringLiteral("(Kategorie = 'V') and (Bewertung > 1)")});
    EXPECT_EQ(kinds.code, 0);
    EXPECT_EQ(kinds.out, counts(418, 186, 139, 47));
}

// filter-text shows what the dialog's ticks would select, and selects nothing itself.
TEST_F(CliCatalogue, FilterTextCountsWhatTheFilterWouldSelect)
{
    const Output shown =
        cli({QStringLiteral("catalogue"), QStringLiteral("filter-text"), QStringLiteral("--kinds"),
             QStringLiteral("VS"), QStringLiteral("--top"), QStringLiteral("--countries"),
             QStringLiteral("0,17")});
    ASSERT_EQ(shown.code, 0) << shown.err.toStdString();
    const QStringList lines = shown.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("((Kategorie = 'V') or (Kategorie = 'S')) and (Bewertung > "
                                       "1) and ((CodefuerFlagge = 0) or (CodefuerFlagge = 17))"));
    EXPECT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("counts")}).out,
              counts(604, 0, 0, 0));

    // OK with the same ticks selects exactly the counted entries.
    ASSERT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("select"),
                   QStringLiteral("--filter"), lines[0]})
                  .code,
              0);
    const QString selected = cli({QStringLiteral("catalogue"), QStringLiteral("counts")})
                                 .out.section(QLatin1Char('\n'), 1, 1);
    EXPECT_EQ(QStringLiteral("Treffer=") + selected.section(QLatin1Char('='), 1), lines[1]);

    // No tick: no expression, every entry counts; the country box alone adds nothing.
    EXPECT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("filter-text")}).out,
              QStringLiteral("\nTreffer=604\n"));
    EXPECT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("filter-text"),
                   QStringLiteral("--countries"), QString()})
                  .out,
              QStringLiteral("\nTreffer=604\n"));
    for (const QStringList& bad :
         {QStringList{QStringLiteral("--kinds"), QStringLiteral("X")},
          QStringList{QStringLiteral("--countries"), QStringLiteral("29")},
          QStringList{QStringLiteral("--before"), QStringLiteral("17.05.2031")},
          QStringList{QStringLiteral("--before"), QStringLiteral("0999-12-31")}}) {
        const Output refused =
            cli(QStringList{QStringLiteral("catalogue"), QStringLiteral("filter-text")} + bad);
        EXPECT_EQ(refused.code, 1) << bad.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
    }
}

TEST_F(CliCatalogue, BadRequestsAreClearErrors)
{
    const Output filter = cli({QStringLiteral("catalogue"), QStringLiteral("select"),
                               QStringLiteral("--filter"), QStringLiteral("(Kategorie = 'V'")});
    EXPECT_EQ(filter.code, 1);
    EXPECT_TRUE(filter.err.contains(QStringLiteral("Fehler im Filter an Position")))
        << filter.err.toStdString();

    const Output unknown = cli({QStringLiteral("catalogue"), QStringLiteral("select"),
                                QStringLiteral("--nr"), QStringLiteral("3,99999")});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("keinen Suchdienst mit der Nummer 99999")));

    EXPECT_EQ(
        cli({QStringLiteral("catalogue"), QStringLiteral("list"), QStringLiteral("TableFelder")})
            .code,
        1);
    EXPECT_EQ(
        cli({QStringLiteral("catalogue"), QStringLiteral("list"), QStringLiteral("Tabelle")}).code,
        1);
    EXPECT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("select")}).code, 1);

    // A broken source keeps the catalogue in place: the shipped sources with one short line
    // added at the end of dba.csv.
    const QString broken = TestDirs::root() + QStringLiteral("/kaputt");
    ASSERT_TRUE(QDir().mkpath(broken));
    for (const char* name : {"dba.csv", "dbc.csv", "dbd.csv"})
        ASSERT_TRUE(QFile::copy(pelvaro::test::sampleCatalogueSource() + QLatin1Char('/') +
                                    QLatin1String(name),
                                broken + QLatin1Char('/') + QLatin1String(name)));
    QFile services(broken + QStringLiteral("/dba.csv"));
    ASSERT_TRUE(services.open(QIODevice::Append));
    services.write("999,Kaputt\n");
    services.close();
    const Output import = cli({QStringLiteral("catalogue"), QStringLiteral("import"), broken});
    EXPECT_EQ(import.code, 1);
    EXPECT_EQ(import.err,
              QStringLiteral("Fehler: dba.csv, Zeile 606: Die Zeile hat 2 statt 26 Felder.\n"));
    EXPECT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("counts")}).out,
              counts(604, 0, 0, 0));

    // Without a catalogue the program's own message ends the command.
    QFile::remove(TestDirs::programDir() + QStringLiteral("/daten/pelvarodaten.db"));
    const Output missing = cli({QStringLiteral("catalogue"), QStringLiteral("counts")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.startsWith(QStringLiteral("Fehler Nr. 12911")))
        << missing.err.toStdString();
}

TEST_F(CliCatalogue, SelectionFilesRoundTrip)
{
    const QString suc = TestDirs::root() + QStringLiteral("/auswahl.suc");
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("2,3,4")});
    const Output saved = cli({QStringLiteral("selection"), QStringLiteral("save"), suc});
    EXPECT_EQ(saved.code, 0);
    EXPECT_EQ(saved.out, QStringLiteral("Die Datei %1 wurde erfolgreich gespeichert.\n").arg(suc));
    EXPECT_EQ(QFile(suc).size(), 5600);

    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--all")});
    const Output loaded = cli({QStringLiteral("selection"), QStringLiteral("load"), suc});
    EXPECT_EQ(loaded.code, 0);
    EXPECT_TRUE(loaded.out.contains(QStringLiteral("AnzAusgewaehlt=3\n")))
        << loaded.out.toStdString();

    const Output missing =
        cli({QStringLiteral("selection"), QStringLiteral("load"), suc + QStringLiteral("x")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("Datei nicht gefunden!")));

    QFile shortFile(suc);
    ASSERT_TRUE(shortFile.resize(100));
    const Output truncated = cli({QStringLiteral("selection"), QStringLiteral("load"), suc});
    EXPECT_EQ(truncated.code, 1);
    EXPECT_TRUE(truncated.err.contains(QStringLiteral("Dateiende"))) << truncated.err.toStdString();
    EXPECT_TRUE(cli({QStringLiteral("catalogue"), QStringLiteral("counts")})
                    .out.contains(QStringLiteral("AnzAusgewaehlt=3\n")));
}

namespace {

void writeCompleteSite(const QString& sit, const QByteArray& json = completeSite)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    CliCommands commands(o, e);
    commands.setStandardInput(json);
    ASSERT_EQ(commands.run({QStringLiteral("site"), QStringLiteral("new"), sit}), 0)
        << err.toStdString();
}

} // namespace

TEST_F(CliCatalogue, PrepareShowsTheRequestsWithoutChangingTheCatalogue)
{
    const QString sit = TestDirs::root() + QStringLiteral("/site.sit");
    writeCompleteSite(sit);
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("1,68,81,47")});
    const Output prepared = cli({QStringLiteral("prepare"), sit});
    ASSERT_EQ(prepared.code, 0) << prepared.err.toStdString();
    const QStringList lines = prepared.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // 1 is sent; 68 has no form fields and 81 incomplete data: failure lines; 47 charges.
    QStringList send;
    QStringList failed;
    for (const QString& line : lines)
        (line.startsWith(QStringLiteral("SEND\t")) ? send : failed) << line;
    ASSERT_EQ(send.size(), 1) << prepared.out.toStdString();
    const QStringList fields = send.first().split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 8);
    EXPECT_EQ(fields[1], QStringLiteral("1"));
    EXPECT_TRUE(fields[3].contains(QStringLiteral("http%3A%2F%2Fwww.muster.example/")))
        << fields[3].toStdString();
    EXPECT_EQ(fields[4], QStringLiteral("XXX"));
    EXPECT_TRUE(fields[5].endsWith(QStringLiteral("/HTML/ProbeDeck.html")));
    EXPECT_EQ(failed.size(), 2);
    for (const QString& line : failed)
        EXPECT_TRUE(line.startsWith(QStringLiteral("-\t"))) << line.toStdString();
    EXPECT_TRUE(prepared.err.contains(QStringLiteral(" Nicht-kritischer Fehler Nr. 110219 (")));
    // Nothing changed: the same four are still selected.
    EXPECT_TRUE(cli({QStringLiteral("catalogue"), QStringLiteral("counts")})
                    .out.contains(QStringLiteral("AnzAusgewaehlt=4\n")));
}

namespace {

// The dates of a site file by service number, as "site show" gives them.
std::map<int, QString> datesOf(const QString& sit)
{
    const Output shown = cli({QStringLiteral("site"), QStringLiteral("show"), sit});
    std::map<int, QString> dates;
    const QJsonArray entries = QJsonDocument::fromJson(shown.out.toUtf8())
                                   .object()
                                   .value(QStringLiteral("dates"))
                                   .toArray();
    for (const QJsonValue& entry : entries)
        dates[entry.toArray().at(0).toInt()] = entry.toArray().at(1).toString();
    return dates;
}

} // namespace

TEST_F(CliCatalogue, SubmitRunsThroughTheDemoFarm)
{
    pelvaro::cli::DemoServer farm;
    QString error;
    ASSERT_TRUE(farm.listen(0, 0, &error)) << error.toStdString();
    const QString sit = TestDirs::root() + QStringLiteral("/site.sit");
    writeCompleteSite(sit);
    // 2 to 5 are manual only and 81 has incomplete data: 1, 6, 7 and 8 are sent.
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("1,2,3,4,5,6,7,8,81")});
    const Output run =
        cli({QStringLiteral("submit"), sit, QStringLiteral("--threads"), QStringLiteral("3"),
             QStringLiteral("--proxy"), QStringLiteral("127.0.0.1:%1").arg(farm.port()),
             QStringLiteral("--today"), QStringLiteral("2031-05-17")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList failed;
    std::set<int> succeeded;
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (line.startsWith(QStringLiteral("+\t")))
            succeeded.insert(fields.value(4).toInt());
        else if (line.startsWith(QStringLiteral("-\t")))
            failed << fields.value(4);
        else
            continue;
        EXPECT_EQ(fields.size(), 6) << line.toStdString();
    }
    // The incomplete service comes first, as a preparation failure.
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("-\t"))) << run.out.toStdString();
    EXPECT_EQ(failed, QStringList{QStringLiteral("81")});
    EXPECT_EQ(succeeded, (std::set<int>{1, 6, 7, 8})) << run.out.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Die Übertragung ist abgeschlossen!")))
        << run.out.toStdString();

    // The successes carry the run's date, in the catalogue and in the site file.
    std::map<int, QString> dated;
    for (const auto& [nr, date] : datesOf(sit))
        if (!date.isEmpty())
            dated[nr] = date;
    const QString day = QStringLiteral("2031-05-17");
    EXPECT_EQ(dated, (std::map<int, QString>{{1, day}, {6, day}, {7, day}, {8, day}}));
    // The filter's date criterion: a registration on the day itself passes, none before it.
    EXPECT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("filter-text"),
                   QStringLiteral("--before"), QStringLiteral("2031-05-17")})
                  .out,
              QStringLiteral("(ZuletztRegistriert <=  '17.05.2031')\nTreffer=4\n"));
    EXPECT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("filter-text"),
                   QStringLiteral("--before"), QStringLiteral("2031-05-16")})
                  .out,
              QStringLiteral("(ZuletztRegistriert <=  '16.05.2031')\nTreffer=0\n"));
    EXPECT_EQ(
        QDir(TestDirs::programDir() + QStringLiteral("/HTML")).entryList(QDir::Files),
        (QStringList{QStringLiteral("Fundfalke.html"), QStringLiteral("Golden Web Guide.html"),
                     QStringLiteral("Heimwerker-Katalog.html"), QStringLiteral("ProbeDeck.html")}));

    // A run with nothing to send ends after its preparation: the charging service 47 leaves
    // the selection, 68 (no form fields) is reported, nothing is announced or sent, and the
    // site file is not written again.
    QFile siteFile(sit);
    ASSERT_TRUE(siteFile.open(QIODevice::ReadOnly));
    const QByteArray before = siteFile.readAll();
    siteFile.close();
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--none")});
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("47,68")});
    const Output empty = cli(
        {QStringLiteral("submit"), sit, QStringLiteral("--today"), QStringLiteral("2031-06-01")});
    ASSERT_EQ(empty.code, 0) << empty.err.toStdString();
    EXPECT_EQ(empty.out, QStringLiteral("-\tDixie Links\tNicht verfügbar!\t0\t68\t"
                                        "http://dixie-links.example.net/addsite.shtml\n"));
    EXPECT_EQ(empty.err, QStringLiteral(" Nicht-kritischer Fehler Nr. 110219 (Dixie Links)\n"));
    EXPECT_EQ(cli({QStringLiteral("catalogue"), QStringLiteral("counts")}).out,
              counts(604, 0, 0, 0));
    std::map<int, QString> still;
    for (const auto& [nr, date] : datesOf(sit))
        if (!date.isEmpty())
            still[nr] = date;
    EXPECT_EQ(still, dated);
    ASSERT_TRUE(siteFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(siteFile.readAll(), before);
}

TEST_F(CliCatalogue, CtrlCAbortsThenDiscardsTheRun)
{
    const QString sit = TestDirs::root() + QStringLiteral("/site.sit");
    writeCompleteSite(sit);
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("1,2,3")});
    // Every service's form address hangs.
    pelvaro::test::TestHttpServer server;
    int sent = 0;
    for (const QString& line : cli({QStringLiteral("prepare"), sit}).out.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("SEND\t")))
            continue;
        const QString url = line.section(QLatin1Char('\t'), 3, 3);
        const QString path =
            url.mid(url.indexOf(QLatin1Char('/'), 7)).section(QLatin1Char('?'), 0, 0);
        server.script(path.toUtf8(), pelvaro::test::ScriptedAnswer::neverAnswer());
        ++sent;
    }
    ASSERT_EQ(sent, 1) << "2 and 3 are manual only";

    QProcess process;
    process.setProcessEnvironment(pelvaro::test::testEnvironment());
    process.start(pelvaro::test::binaryDir() + QStringLiteral("/pelvaro-cli"),
                  {QStringLiteral("--home"), TestDirs::programDir(), QStringLiteral("submit"), sit,
                   QStringLiteral("--proxy"), QStringLiteral("127.0.0.1:%1").arg(server.port())});
    ASSERT_TRUE(process.waitForStarted(10000));
    ASSERT_TRUE(server.waitForRequests(sent, std::chrono::seconds(20)));
    ::kill(pid_t(process.processId()), SIGINT);
    // The first Ctrl+C answers the abort question with yes; the question on the output says
    // the request is in.
    const QByteArray question = QStringLiteral("Sind Sie sicher, daß Sie die Übertragung "
                                               "abbrechen möchten?")
                                    .toUtf8();
    QByteArray seen;
    while (!seen.contains(question) && process.waitForReadyRead(10000))
        seen += process.readAllStandardOutput();
    ASSERT_TRUE(seen.contains(question)) << seen.toStdString();
    EXPECT_EQ(process.state(), QProcess::Running) << "the first Ctrl+C only asks to abort";
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0);
    const QString out = QString::fromUtf8(seen + process.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("Ihre Abbruchanforderung wurde durchgeführt!")))
        << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("+\t"))) << "abandoned exchanges file no line";
    EXPECT_TRUE(server.waitForNoConnections(std::chrono::seconds(5)));
}

// While another program holds the catalogue (the window preparing a run, a box of it open),
// a reader waits a while and then says so: it never files the services as unavailable.
TEST_F(CliCatalogue, ABusyCatalogueIsWaitedForAndNeverTakenForMissingData)
{
    const QString sit = TestDirs::root() + QStringLiteral("/site.sit");
    writeCompleteSite(sit);
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("1,6,7")});
    Database other;
    other.open(TestDirs::programDir() + QStringLiteral("/daten/pelvarodaten.db"),
               Database::Mode::OpenExisting);
    other.exec(QStringLiteral("BEGIN IMMEDIATE"));
    for (const char* command : {"prepare", "submit"}) {
        const Output held = cliProcess({QLatin1String(command), sit});
        EXPECT_EQ(held.code, 1) << command;
        EXPECT_TRUE(held.err.contains(QStringLiteral("Fehler: Der Suchdienst-Katalog ")))
            << held.err.toStdString();
        EXPECT_TRUE(held.err.contains(QStringLiteral("ist gesperrt"))) << held.err.toStdString();
        EXPECT_FALSE(held.out.contains(QStringLiteral("Nicht verfügbar")))
            << held.out.toStdString();
    }
    other.exec(QStringLiteral("ROLLBACK"));
    const Output free = cli({QStringLiteral("prepare"), sit});
    EXPECT_EQ(free.code, 0) << free.err.toStdString();
    EXPECT_EQ(free.out.count(QStringLiteral("SEND\t")), 3) << free.out.toStdString();
    EXPECT_TRUE(cli({QStringLiteral("catalogue"), QStringLiteral("counts")})
                    .out.contains(QStringLiteral("AnzAusgewaehlt=3\n")));
}

// An address the program itself calls invalid would reach every service as "FEHLER!!!":
// neither prepare nor submit goes on with it.
TEST_F(CliCatalogue, AnAddressWithoutSchemeIsRefusedBeforeAnythingIsPrepared)
{
    const QString sit = TestDirs::root() + QStringLiteral("/site.sit");
    QByteArray site = completeSite;
    site.replace("\"http://www.muster.example/\"", "\"meine-seite.de\"");
    writeCompleteSite(sit, site);
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("1,6,7")});
    for (const char* command : {"prepare", "submit"}) {
        const Output refused = cliProcess({QLatin1String(command), sit});
        EXPECT_EQ(refused.code, 1) << command;
        EXPECT_TRUE(refused.err.contains(QStringLiteral(
            "Fehler: Die Anmeldung kann nicht gestartet werden: Die Adresse im Feld \"URL\" "
            "(\"meine-seite.de\")")))
            << refused.err.toStdString();
        EXPECT_TRUE(refused.out.isEmpty()) << refused.out.toStdString();
    }
    EXPECT_TRUE(cli({QStringLiteral("catalogue"), QStringLiteral("counts")})
                    .out.contains(QStringLiteral("AnzAusgewaehlt=3\n")))
        << "nothing was prepared";
}
