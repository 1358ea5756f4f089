#include "ProcessRunner.h"
#include "QtPrinters.h"
#include "TestDirs.h"
#include "TestHttpServer.h"
#include "TestNameServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using pelvaro::test::runProgram;
using pelvaro::test::TestDirs;
using pelvaro::test::TestHttpServer;
using pelvaro::test::TestNameServer;

namespace {

struct CliRun
{
    int code = -1;
    QString out;
    QString err;
};

CliRun cli(const QStringList& args, const QByteArray& input = {})
{
    const pelvaro::test::ProcessResult result =
        runProgram(QStringLiteral("pelvaro-cli"), args, input);
    EXPECT_TRUE(result.finished) << args.join(u' ').toStdString();
    return {result.exitCode, QString::fromUtf8(result.out), QString::fromUtf8(result.err)};
}

QString writeFile(const char* name, const QByteArray& bytes)
{
    const QString path = TestDirs::root() + u'/' + QLatin1String(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// The import's output: the form as one JSON line, then one line per message box.
struct ImportOutput
{
    QJsonObject form;
    QStringList messages;
};

ImportOutput parseImport(const QString& out)
{
    QStringList lines = out.split(u'\n');
    EXPECT_TRUE(lines.size() >= 2 && lines.last().isEmpty()) << out.toStdString();
    lines.removeLast();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(lines.value(0).toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
    return {document.object(), lines.mid(1)};
}

QJsonObject emptyForm()
{
    return QJsonObject{
        {QStringLiteral("EditAutor"), QString()},
        {QStringLiteral("EditHerausgeber"), QString()},
        {QStringLiteral("EditCopyright"), QString()},
        {QStringLiteral("ComboBoxThema"), QString()},
        {QStringLiteral("MemoKeys"), QString()},
        {QStringLiteral("MemoBeschreibung"), QString()},
        {QStringLiteral("ComboBoxSeitentyp"), QString()},
        {QStringLiteral("ComboBoxZielgruppe"), QString()},
        {QStringLiteral("ComboBoxIndizierung"), -1},
        {QStringLiteral("Verfaellt"), QString()},
        {QStringLiteral("DateTimePicker"), QJsonValue::Null},
        {QStringLiteral("Rot"), QJsonArray()},
    };
}

const QString FormatWarning =
    QStringLiteral("Bitte stellen Sie sicher, daß die eingegebene URL folgendes Format hat: "
                   "\"http://www.meine-seite.de\", \"http://www.meine-firma.com\" etc.");
const QString EmptyWarning = QStringLiteral(
    "Bitte geben Sie die URL Ihrer Web-Site im Feld \"URL\" ein und klicken Sie anschließend "
    "erneut auf die Schaltfläche \"URL prüfen\"!");

} // namespace

TEST(CliMetaTags, GeneratedTagsImportBackIntoTheSameForm)
{
    QJsonObject form = emptyForm();
    form[QStringLiteral("EditAutor")] = QStringLiteral("Jörg \"Jo\" Müller");
    form[QStringLiteral("EditHerausgeber")] = QStringLiteral("Muster & Söhne");
    form[QStringLiteral("EditCopyright")] = QStringLiteral("© 2026 Muster");
    form[QStringLiteral("ComboBoxThema")] = QStringLiteral("Computer/Software/Spiele (Games)");
    form[QStringLiteral("MemoKeys")] = QStringLiteral("eins, zwei\r\ndrei");
    form[QStringLiteral("MemoBeschreibung")] = QStringLiteral("Eine Seite über Äpfel.");
    form[QStringLiteral("ComboBoxSeitentyp")] = QStringLiteral("Private Homepage");
    form[QStringLiteral("ComboBoxZielgruppe")] = QStringLiteral("Anfänger");

    const struct
    {
        int indizierung;
        const char* expiry;
        const char* date;
    } variants[] = {{2, "Datum", "2027-03-01"}, {0, "Nie", nullptr}, {3, "Sofort", nullptr}};
    for (const auto& v : variants) {
        form[QStringLiteral("ComboBoxIndizierung")] = v.indizierung;
        form[QStringLiteral("Verfaellt")] = QLatin1String(v.expiry);
        form[QStringLiteral("DateTimePicker")] =
            v.date ? QJsonValue(QLatin1String(v.date)) : QJsonValue(QJsonValue::Null);

        const CliRun generated = cli({QStringLiteral("metatags"), QStringLiteral("generate")},
                                     QJsonDocument(form).toJson());
        ASSERT_EQ(generated.code, 0) << generated.err.toStdString();
        EXPECT_TRUE(generated.err.isEmpty()) << generated.err.toStdString();
        EXPECT_TRUE(generated.out.startsWith(
            QStringLiteral("<META NAME=\"author\" CONTENT=\"Jörg &quot;Jo&quot; Müller\">\r\n")))
            << generated.out.toStdString();
        EXPECT_EQ(generated.out.count(QStringLiteral("\r\n")), generated.out.count(u'\n'));
        EXPECT_EQ(generated.out.count(QStringLiteral("<META")), 10);

        const QString page =
            writeFile("seite.html",
                      "<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n<title>Test</title>\r\n" +
                          generated.out.toUtf8() + "</head>\r\n<body></body>\r\n</html>\r\n");
        const CliRun imported = cli({QStringLiteral("metatags"), QStringLiteral("import"), page});
        ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
        const ImportOutput output = parseImport(imported.out);
        EXPECT_EQ(output.form, form) << imported.out.toStdString();
        EXPECT_TRUE(output.messages.isEmpty()) << imported.out.toStdString();
    }
}

TEST(CliMetaTags, GenerateAnswersTheQuestionNoAndRejectsBadInput)
{
    // Incomplete: the question goes to standard error and the tags are made anyway.
    const CliRun partial = cli({QStringLiteral("metatags"), QStringLiteral("generate")},
                               R"({"EditCopyright": "  Muster  ", "ComboBoxIndizierung": 0})");
    EXPECT_EQ(partial.code, 0);
    EXPECT_EQ(partial.out, QStringLiteral("<META NAME=\"copyright\" CONTENT=\"Muster\">\r\n"
                                          "<META NAME=\"robots\" CONTENT=\"INDEX,FOLLOW\">\r\n"));
    EXPECT_EQ(partial.err, QStringLiteral("Sie haben nicht alle Felder ausgefüllt. Möchten Sie "
                                          "zunächst alle Felder ausfüllen?\n"));

    const CliRun nothing =
        cli({QStringLiteral("metatags"), QStringLiteral("generate")}, R"({"EditAutor": " "})");
    EXPECT_EQ(nothing.code, 1);
    EXPECT_TRUE(nothing.out.isEmpty());
    EXPECT_TRUE(nothing.err.endsWith(QStringLiteral(
        "Es können keine Meta-Tags erzeugt werden, da Sie keines der erforderlichen Felder "
        "ausgefüllt haben.\n")))
        << nothing.err.toStdString();

    const struct
    {
        const char* json;
        const char* named; // part of the error text
    } bad[] = {
        {R"({"EditAutor": "x",)", "Ungültiges JSON"},
        {R"(["EditAutor"])", "Objekt"},
        {R"({"Autor": "x"})", "\"Autor\""},
        {R"({"MemoKeys": ["a"]})", "\"MemoKeys\""},
        {R"({"ComboBoxIndizierung": 4})", "\"ComboBoxIndizierung\""},
        {R"({"ComboBoxIndizierung": "1"})", "\"ComboBoxIndizierung\""},
        {R"({"Verfaellt": "Morgen"})", "\"Verfaellt\""},
        {R"({"DateTimePicker": "2027-02-30"})", "\"DateTimePicker\""},
    };
    for (const auto& c : bad) {
        const CliRun run = cli({QStringLiteral("metatags"), QStringLiteral("generate")}, c.json);
        EXPECT_EQ(run.code, 1) << c.json;
        EXPECT_TRUE(run.out.isEmpty()) << c.json;
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("Fehler: "))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.named))) << run.err.toStdString();
    }
}

TEST(CliMetaTags, ImportPrintsTheFormThenEveryMessage)
{
    const QString page = writeFile(
        "doppelt.html", "<HTML><HEAD>\n"
                        "<meta name=\"author\" content=\"Erste\">\n"
                        "<META NAME='Author' CONTENT='Zweite'>\n"
                        "<meta name = \"robots\" content=\"INDEX, FOLLOW\">\n"
                        "<meta name=\"expires\" content=\"Fri, 1 Oct 2027 00:00:00 GMT\">\n"
                        "<meta name=\"keywords\" content=\"" +
                            QByteArray(300, 'k') + "\">\n</HEAD><BODY></BODY></HTML>\n");
    CliRun run = cli({QStringLiteral("metatags"), QStringLiteral("import"), page});
    EXPECT_EQ(run.code, 0);
    ImportOutput output = parseImport(run.out);
    QJsonObject expected = emptyForm();
    expected[QStringLiteral("EditAutor")] = QStringLiteral("Erste");
    expected[QStringLiteral("MemoKeys")] = QString(300, u'k');
    // October in its English spelling ticks "Datum" but sets no date.
    expected[QStringLiteral("Verfaellt")] = QStringLiteral("Datum");
    expected[QStringLiteral("Rot")] =
        QJsonArray{QStringLiteral("ComboBoxIndizierung"), QStringLiteral("MemoKeys")};
    EXPECT_EQ(output.form, expected) << run.out.toStdString();
    EXPECT_EQ(output.messages,
              QStringList{QStringLiteral("Warnung: Folgende Meta-Tags sind mehrmals enthalten: "
                                         "AUTHOR x 2 Es wurden jeweils die ersten eingelesen!")});

    // A warning that ends the import early is still a finished command.
    run = cli({QStringLiteral("metatags"), QStringLiteral("import"),
               writeFile("ohne.html", "<html><head lang=\"de\"></head></html>")});
    EXPECT_EQ(run.code, 0);
    output = parseImport(run.out);
    EXPECT_EQ(output.form, emptyForm());
    EXPECT_EQ(output.messages,
              QStringList{QStringLiteral("Warnung: HEAD-Abschnitt nicht gefunden oder nicht "
                                         "vorhanden! Bitte überprüfen Sie, ob es sich um eine "
                                         "HTML-Datei handelt.")});

    run = cli({QStringLiteral("metatags"), QStringLiteral("import"),
               TestDirs::root() + QStringLiteral("/fehlt.html")});
    EXPECT_EQ(run.code, 1);
    output = parseImport(run.out);
    EXPECT_EQ(output.form, emptyForm());
    ASSERT_EQ(output.messages.size(), 1);
    EXPECT_TRUE(output.messages.first().startsWith(QStringLiteral("Fehler: ")));
}

TEST(CliMetaTags, HeadShowsTheSectionThroughItsEndTag)
{
    const QString page = writeFile(
        "kopf.html", "<!DOCTYPE html>\r\n<html><Head>\r\n<title>Kopf</title>\r\n</HEAD>\r\n"
                     "<body>nicht mehr</body></html>\r\n");
    CliRun run = cli({QStringLiteral("metatags"), QStringLiteral("head"), page});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, QStringLiteral("<Head>\r\n<title>Kopf</title>\r\n</HEAD>\n"));

    run = cli({QStringLiteral("metatags"), QStringLiteral("head"),
               writeFile("offen.html", "<html><head><title>x</title><body></body></html>")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, QStringLiteral("Warnung: Die Datei ist fehlerhaft: Das Ende des "
                                      "HEAD-Abschnitts konnte nicht gefunden werden oder ist "
                                      "nicht vorhanden! Bitte überprüfen Sie, ob es sich um eine "
                                      "korrekte HTML-Datei handelt.\n"));
}

TEST(CliPing, ReportsEachStepAndSucceedsWhenTheWebPortAnswers)
{
    TestHttpServer web;
    TestNameServer unknowing(TestNameServer::Behaviour::NoSuchName);
    const QStringList options = {QStringLiteral("--name-server"),
                                 QString::fromLatin1(unknowing.address()),
                                 QStringLiteral("--timeout"), QStringLiteral("2000")};

    CliRun run = cli(QStringList{QStringLiteral("ping"),
                                 QStringLiteral("http://localhost:%1/index.html").arg(web.port())} +
                     options);
    EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
    QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 5) << run.out.toStdString();
    EXPECT_EQ(lines.first(), QStringLiteral("Host 'localhost' wird aufglöst..."));
    EXPECT_EQ(lines.at(1), QStringLiteral("Host 'localhost' ist 127.0.0.1"));
    EXPECT_TRUE(lines.last().startsWith(
        QStringLiteral("WEB-SERVER OK: Port %1 von 127.0.0.1 antwortet in ").arg(web.port())))
        << run.out.toStdString();

    run = cli(QStringList{QStringLiteral("ping"), QStringLiteral("http://nirgends.example/")} +
              options);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, QStringLiteral("Host 'nirgends.example' wird aufglöst...\n"
                                      "TEST FEHLGESCHLAGEN! Fehlermeldung: Unbekannter Host "
                                      "'nirgends.example'\n"));

    const struct
    {
        const char* address;
        QString warning;
    } refused[] = {{"ftp://www.example.org", FormatWarning}, {"http://", EmptyWarning}};
    for (const auto& c : refused) {
        run = cli(QStringList{QStringLiteral("ping"), QString::fromUtf8(c.address)} + options);
        EXPECT_EQ(run.code, 1) << c.address;
        EXPECT_TRUE(run.out.isEmpty()) << c.address;
        EXPECT_EQ(run.err, c.warning + u'\n') << c.address;
    }
}
