#include "cli/CliCommands.h"

#include "catalogue/CatalogueSiteDates.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

#include "CatalogueFixture.h"
#include "ProcessRunner.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <gtest/gtest.h>

using pelvaro::cli::CliCommands;
using pelvaro::site::SiteRecord;
using pelvaro::test::runProgram;
using pelvaro::test::TestDirs;

namespace {

struct CliRun
{
    int code = -1;
    QString out;
    QString err;
};

CliRun cli(const QStringList& args, const QByteArray& input = {})
{
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    CliCommands commands(out, err);
    commands.setStandardInput(input);
    run.code = commands.run(args);
    return run;
}

// site new takes its date table from the catalogue, as saving in the window does.
void installCatalogue()
{
    pelvaro::test::installSampleCatalogue(TestDirs::programDir() + QStringLiteral("/daten"));
}

QString path(const char* name)
{
    return TestDirs::root() + QLatin1Char('/') + QLatin1String(name);
}

QByteArray fileBytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray sampleJson = R"({
  "FirstNameEdit": "Jürgen",
  "LastNameEdit": "Weiß",
  "URLEdit": "http://www.example.org/",
  "TitleEdit": "Beispiel & Söhne",
  "ageEdit": "42",
  "KeywordsMemo": "eins, zwei",
  "LanguageCombo": 16,
  "webtypeCombo": 0,
  "CategoryCombo": -1,
  "Key3": "drei"
})";

} // namespace

TEST(CliSite, NewShowAndValueWorkTogether)
{
    installCatalogue();
    const QString sit = path("a.sit");
    const CliRun made = cli({QStringLiteral("site"), QStringLiteral("new"), sit}, sampleJson);
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    const QByteArray bytes = fileBytes(sit);
    ASSERT_EQ(bytes.size(), SiteRecord::ByteSize);

    const CliRun shown = cli({QStringLiteral("site"), QStringLiteral("show"), sit});
    ASSERT_EQ(shown.code, 0) << shown.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(shown.out.toUtf8()).object();
    EXPECT_EQ(json.value(QStringLiteral("FirstNameEdit")).toString(), QStringLiteral("Jürgen"));
    EXPECT_EQ(json.value(QStringLiteral("FullName")).toString(), QStringLiteral("Jürgen Weiß"));
    EXPECT_EQ(json.value(QStringLiteral("LanguageCombo")).toInt(), 16);
    EXPECT_EQ(json.value(QStringLiteral("countryCombo")).toInt(), -1) << "missing lists are -1";
    EXPECT_EQ(json.value(QStringLiteral("CityEdit")).toString(), QString())
        << "missing texts are empty";
    EXPECT_EQ(json.value(QStringLiteral("Key3")).toString(), QStringLiteral("drei"));
    EXPECT_EQ(json.value(QStringLiteral("dates")).toArray().size(), 0);

    // The output of show can be fed back unchanged.
    const QString copy = path("b.sit");
    ASSERT_EQ(cli({QStringLiteral("site"), QStringLiteral("new"), copy}, shown.out.toUtf8()).code,
              0);
    EXPECT_EQ(fileBytes(copy), bytes);

    struct ValueCase
    {
        const char* number;
        QString value;
    };
    const ValueCase values[] = {
        {"1", QStringLiteral("Beispiel & Söhne")},
        {"2", QStringLiteral("http%3A%2F%2Fwww.example.org/")},
        {"5", QStringLiteral("German/Deutsch")},
        {"6", QStringLiteral("Akademische/Bildung ")},
        {"26", QStringLiteral("42")},
        {"28", QStringLiteral("Jürgen Weiß")},
        {"33", QStringLiteral("drei")},
    };
    for (const ValueCase& c : values) {
        const CliRun value =
            cli({QStringLiteral("site"), QStringLiteral("value"), sit, QLatin1String(c.number)});
        EXPECT_EQ(value.code, 0) << c.number;
        EXPECT_EQ(value.out, c.value + QLatin1Char('\n')) << c.number;
    }
}

TEST(CliSite, ShowListsTheNonZeroDates)
{
    SiteRecord record;
    record.Clear();
    record.dates[0] = {7, 36526.0};  // 2000-01-01
    record.dates[2] = {9, 46000.75}; // a date with a time of day
    record.dates[3] = {11, 0.0};     // no date: not listed
    QFile file(path("d.sit"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(record.encode());
    file.close();
    const CliRun shown = cli({QStringLiteral("site"), QStringLiteral("show"), path("d.sit")});
    ASSERT_EQ(shown.code, 0);
    const QJsonArray dates = QJsonDocument::fromJson(shown.out.toUtf8())
                                 .object()
                                 .value(QStringLiteral("dates"))
                                 .toArray();
    ASSERT_EQ(dates.size(), 2);
    EXPECT_EQ(dates[0].toArray(), (QJsonArray{7, QStringLiteral("2000-01-01")}));
    EXPECT_EQ(dates[1].toArray(), (QJsonArray{9, QStringLiteral("2025-12-09")}));
}

struct BadInputCase
{
    const char* name;
    QByteArray json;
    const char* messagePart;
};

class CliSiteBadInput : public ::testing::TestWithParam<BadInputCase>
{
};

TEST_P(CliSiteBadInput, IsRefusedAndWritesNoFile)
{
    installCatalogue();
    const CliRun run =
        cli({QStringLiteral("site"), QStringLiteral("new"), path("x.sit")}, GetParam().json);
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(GetParam().messagePart)))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("x.sit")));
}

INSTANTIATE_TEST_SUITE_P(
    Json, CliSiteBadInput,
    ::testing::Values(
        BadInputCase{"UnknownKey", R"({"Vorname": "Anna"})", "Unbekannter Schlüssel \"Vorname\""},
        BadInputCase{"TextAsNumber", R"({"TitleEdit": 5})", "\"TitleEdit\" hat den falschen Typ"},
        BadInputCase{"ListAsText", R"({"sexCombo": "1"})", "\"sexCombo\" hat den falschen Typ"},
        BadInputCase{"ListFraction", R"({"sexCombo": 0.5})", "\"sexCombo\" hat den falschen Typ"},
        BadInputCase{"ListOutOfRange", R"({"GreetingCombo": 2})", "zwischen -1 und 1"},
        BadInputCase{"NotJson", "{\"TitleEdit\": ", "Ungültiges JSON"},
        BadInputCase{"NotAnObject", "[1, 2]", "muss ein Objekt sein"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliSite, TextsAreCutToTheirCapacities)
{
    installCatalogue();
    const QByteArray json = "{\"PostcodeEdit\": \"12345678901234567890\", \"DescriptionMemo\": \"" +
                            QByteArray(300, 'x') + "\"}";
    ASSERT_EQ(cli({QStringLiteral("site"), QStringLiteral("new"), path("c.sit")}, json).code, 0);
    const SiteRecord record = SiteRecord::decode(fileBytes(path("c.sit")));
    EXPECT_EQ(record.PostcodeEdit, QStringLiteral("123456789012345"));
    EXPECT_EQ(record.DescriptionMemo.size(), 255);
}

TEST(CliSite, BadFilesAndArgumentsAreClearErrors)
{
    installCatalogue();
    // The same reader as the window's: one byte short fails with the window's text, bytes
    // after the record are ignored.
    QFile shortFile(path("short.sit"));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(10394, '\0'));
    shortFile.close();
    const CliRun shortRun =
        cli({QStringLiteral("site"), QStringLiteral("show"), path("short.sit")});
    EXPECT_EQ(shortRun.code, 1);
    EXPECT_EQ(shortRun.err, QStringLiteral("Fehler: Fehler beim Lesen der Datei %1: Lesen über "
                                           "das Dateiende hinaus.\n")
                                .arg(path("short.sit")));
    SiteRecord longer;
    longer.Clear();
    longer.TitleEdit = QStringLiteral("Lang");
    QFile longFile(path("long.sit"));
    ASSERT_TRUE(longFile.open(QIODevice::WriteOnly));
    longFile.write(longer.encode() + QByteArray("rest"));
    longFile.close();
    const CliRun longRun = cli(
        {QStringLiteral("site"), QStringLiteral("value"), path("long.sit"), QStringLiteral("1")});
    EXPECT_EQ(longRun.code, 0) << longRun.err.toStdString();
    EXPECT_EQ(longRun.out, QStringLiteral("Lang\n"));

    const CliRun missing = cli({QStringLiteral("site"), QStringLiteral("show"), path("fehlt.sit")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, QStringLiteral("Fehler: Datei nicht gefunden!\n"));

    ASSERT_EQ(cli({QStringLiteral("site"), QStringLiteral("new"), path("e.sit")}, "{}").code, 0);
    const CliRun seven =
        cli({QStringLiteral("site"), QStringLiteral("value"), path("e.sit"), QStringLiteral("7")});
    EXPECT_EQ(seven.code, 1);
    EXPECT_TRUE(seven.err.contains(QStringLiteral("Katalog"))) << seven.err.toStdString();
    for (const char* n : {"0", "47", "x"})
        EXPECT_EQ(
            cli({QStringLiteral("site"), QStringLiteral("value"), path("e.sit"), QLatin1String(n)})
                .code,
            1)
            << n;
    EXPECT_EQ(cli({QStringLiteral("gibtsnicht")}).code, 1);
    EXPECT_EQ(cli({QStringLiteral("--home")}).code, 1);
}

// A new file carries the catalogue's numbers in store order, so opening it in the window or
// for a run finds every entry in step and raises no warning.
TEST(CliSite, NewFileMatchesTheCatalogue)
{
    installCatalogue();
    ASSERT_EQ(cli({QStringLiteral("site"), QStringLiteral("new"), path("n.sit")}, sampleJson).code,
              0);
    const SiteRecord record = SiteRecord::decode(fileBytes(path("n.sit")));

    pelvaro::test::ScriptedUiServices ui;
    pelvaro::catalogue::TDataModule1 module(ui);
    ASSERT_TRUE(module.open(TestDirs::programDir() + QStringLiteral("/daten"), QString()));
    pelvaro::catalogue::store::TableCursor& all = module.TableTMP();
    int k = 0;
    for (all.first(); !all.eof(); all.next(), ++k)
        EXPECT_EQ(record.dates[size_t(k)].nr, all.value(QStringLiteral("Nr")).toInt()) << k;
    EXPECT_EQ(k, 604);
    for (const auto& entry : record.dates)
        EXPECT_EQ(entry.date, 0.0);
    EXPECT_EQ(record.dates[604], pelvaro::site::EngineDateEntry{});

    pelvaro::catalogue::CatalogueSiteDates dates(module, ui);
    EXPECT_FALSE(dates.applyDates(record)) << "no mismatch";
    EXPECT_TRUE(ui.messageTexts().isEmpty());

    // Without a catalogue there is no table to write: refused, nothing written.
    QFile::remove(TestDirs::programDir() + QStringLiteral("/daten/pelvarodaten.db"));
    EXPECT_EQ(cli({QStringLiteral("site"), QStringLiteral("new"), path("m.sit")}, sampleJson).code,
              1);
    EXPECT_FALSE(QFile::exists(path("m.sit")));
}

TEST(CliProcess, HelpAndJsonFromAFile)
{
    installCatalogue();
    const auto help = runProgram(QStringLiteral("pelvaro-cli"), {QStringLiteral("--help")});
    ASSERT_TRUE(help.finished);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("site new DATEI.sit"));

    QFile json(path("in.json"));
    ASSERT_TRUE(json.open(QIODevice::WriteOnly));
    json.write(sampleJson);
    json.close();
    const auto made = runProgram(QStringLiteral("pelvaro-cli"),
                                 {QStringLiteral("--home"), TestDirs::programDir(),
                                  QStringLiteral("site"), QStringLiteral("new"), path("p.sit"),
                                  QStringLiteral("--from"), path("in.json")});
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
    const auto value =
        runProgram(QStringLiteral("pelvaro-cli"), {QStringLiteral("site"), QStringLiteral("value"),
                                                   path("p.sit"), QStringLiteral("8")});
    EXPECT_EQ(value.exitCode, 0);
    EXPECT_EQ(value.out, QByteArray("J\xC3\xBCrgen\n")) << "UTF-8 on standard output";

    // Standard input when --from is missing.
    const auto piped =
        runProgram(QStringLiteral("pelvaro-cli"),
                   {QStringLiteral("site"), QStringLiteral("new"), path("q.sit")}, sampleJson);
    EXPECT_EQ(piped.exitCode, 0) << piped.err.toStdString();
    EXPECT_EQ(fileBytes(path("q.sit")), fileBytes(path("p.sit")));
}
