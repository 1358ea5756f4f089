#include "tools/MetaTagImporter.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QFile>

#include <gtest/gtest.h>

namespace pelvaro::tools {

// Readable failures: which field differs, not a dump of bytes.
void PrintTo(const MetaTagForm& f, std::ostream* os)
{
    *os << "{Autor=" << f.EditAutor.toStdString()
        << " Herausgeber=" << f.EditHerausgeber.toStdString()
        << " Copyright=" << f.EditCopyright.toStdString() << " Keys=" << f.MemoKeys.toStdString()
        << " Beschreibung=" << f.MemoBeschreibung.toStdString()
        << " Thema=" << f.ComboBoxThema.toStdString()
        << " Seitentyp=" << f.ComboBoxSeitentyp.toStdString()
        << " Zielgruppe=" << f.ComboBoxZielgruppe.toStdString()
        << " Indizierung=" << f.ComboBoxIndizierung << " Verfaellt=" << int(f.expiry)
        << " Datum=" << f.DateTimePicker.toString(Qt::ISODate).toStdString() << "}";
}

} // namespace pelvaro::tools

using pelvaro::base::MessageKind;
using pelvaro::test::TestDirs;
using pelvaro::tools::ExpiryChoice;
using pelvaro::tools::MetaTagForm;
using pelvaro::tools::MetaTagImporter;
using pelvaro::tools::MetaTagImportResult;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

const QDate picker(2020, 1, 1);
const QLocale german(QLocale::German, QLocale::Germany);

// A form full of earlier input: whatever the page does not provide must be gone after
// an import, and must all still be there after a failed one.
MetaTagForm earlierInput()
{
    return {.EditAutor = s("alt"),
            .EditHerausgeber = s("alt"),
            .EditCopyright = s("alt"),
            .MemoKeys = s("alt"),
            .MemoBeschreibung = s("alt"),
            .ComboBoxThema = s("alt"),
            .ComboBoxSeitentyp = s("alt"),
            .ComboBoxZielgruppe = s("alt"),
            .ComboBoxIndizierung = 2,
            .expiry = ExpiryChoice::Nie,
            .DateTimePicker = picker};
}

QString writePage(const QByteArray& bytes, const char* name = "seite.html")
{
    const QString path = TestDirs::root() + QLatin1Char('/') + QLatin1String(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

QByteArray page(const QByteArray& head)
{
    return "<html>\r\n<head>\r\n<title>Test</title>\r\n" + head +
           "\r\n</head>\r\n<body>x</body></html>";
}

QStringList texts(const MetaTagImportResult& result)
{
    QStringList list;
    for (const auto& message : result.messages)
        list << message.text;
    return list;
}

MetaTagImportResult importBytes(const QByteArray& bytes, const QLocale& locale = german)
{
    return MetaTagImporter::importFile(writePage(bytes), earlierInput(), locale);
}

struct ImportCase
{
    const char* name;
    QByteArray html;
    MetaTagForm expected;
    QStringList messages;
    QStringList redFields;
};

void PrintTo(const ImportCase& c, std::ostream* os)
{
    *os << c.name;
}

const QString duplicates =
    s("Folgende Meta-Tags sind mehrmals enthalten:\nAUTHOR x 2, KEYWORDS x 3\nEs wurden jeweils "
      "die ersten eingelesen!");

std::vector<ImportCase> importCases()
{
    return {
        {"LowerCaseHeadAndDoubleQuotes",
         page("<meta name=\"author\" content=\"x\">"),
         {.EditAutor = s("x"), .DateTimePicker = picker},
         {},
         {}},
        {"SingleQuotesAndApostropheInValue",
         page("<META NAME='author' CONTENT='Peter's'>"),
         {.EditAutor = s("Peters"), .DateTimePicker = picker},
         {},
         {}},
        {"NoQuotesAndUpperCase",
         page("<META NAME=PUBLISHER CONTENT=Verlag GmbH>"),
         {.EditHerausgeber = s("Verlag GmbH"), .DateTimePicker = picker},
         {},
         {}},
        {"ContentBeforeNameKeepsTheBlankBeforeName",
         page("<meta content=\"x\" name=\"author\">"),
         {.EditAutor = s("x "), .DateTimePicker = picker},
         {},
         {}},
        {"BlankBeforeClosingBracketStays",
         page("<meta name=\"copyright\" content=\"x\" >"),
         {.EditCopyright = s("x "), .DateTimePicker = picker},
         {},
         {}},
        {"BlanksAroundEqualsGoTheTrailingBlankStays",
         page("<meta name = 'Keywords' content =  '  a, b '>"),
         {.MemoKeys = s("a, b "), .DateTimePicker = picker},
         {},
         {}},
        {"EveryTextField",
         page("<meta name=\"description\" content=\"D\">\n<meta name=\"page-topic\" "
              "content=\"T\">\n<meta name=\"page-type\" content=\"W\">\n<meta "
              "name=\"audience\" content=\"Alle\">"),
         {.MemoBeschreibung = s("D"),
          .ComboBoxThema = s("T"),
          .ComboBoxSeitentyp = s("W"),
          .ComboBoxZielgruppe = s("Alle"),
          .DateTimePicker = picker},
         {},
         {}},
        {"FirstOccurrenceWinsAndDuplicatesAreListed",
         page("<meta name=\"keywords\" content=\"k1\"><meta name=\"author\" content=\"a1\">"
              "<meta name=\"keywords\" content=\"k2\"><meta name=\"author\" content=\"a2\">"
              "<meta name=\"keywords\" content=\"k3\">"),
         {.EditAutor = s("a1"), .MemoKeys = s("k1"), .DateTimePicker = picker},
         {duplicates},
         {}},
        {"EmptyTagStopsWithTheFieldsReadSoFar",
         page("<meta name=\"author\" content=\"x\"><meta name=\"author\" content=\"y\">"
              "<meta \"\"><meta name=\"publisher\" content=\"p\">"),
         {.EditAutor = s("x"), .DateTimePicker = picker},
         {s("Leerer String - Unkritischer Fehler Nr. 881102")},
         {}},
        {"MissingClosingBracketIsAnEmptyTag",
         page("<meta name=\"author\" content=\"x\"><meta name=\"publisher\" content=\"p\""),
         {.EditAutor = s("x"), .DateTimePicker = picker},
         {s("Leerer String - Unkritischer Fehler Nr. 881102")},
         {}},
        {"NoMetaTag",
         page("<link rel=\"stylesheet\" href=\"a.css\">"),
         {.DateTimePicker = picker},
         {MetaTagImporter::nothingReadText()},
         {}},
        {"EndTagOnlyBeforeHeadReadsToTheEnd",
         "</head><head><meta name=\"author\" content=\"x\"><body>",
         {.EditAutor = s("x"), .DateTimePicker = picker},
         {},
         {}},
        {"QuotEntityTurnsBackIntoAQuote",
         page("<meta name=\"author\" content=\"Der &quot;Laden&quot;\">"),
         {.EditAutor = s("Der \"Laden\""), .DateTimePicker = picker},
         {},
         {}},
        {"ExpiresZeroIsNow",
         page("<meta name=\"expires\" content=\"0\">"),
         {.expiry = ExpiryChoice::Sofort, .DateTimePicker = picker},
         {},
         {}},
        {"ExpiresNeverTrimmedAnyCase",
         page("<meta name=\"expires\" content=\" never \">"),
         {.expiry = ExpiryChoice::Nie, .DateTimePicker = picker},
         {},
         {}},
        {"ExpiresDateSetsThePicker",
         page("<meta name=\"expires\" content=\"Mon, 7 Dec 2026 00:00:00 GMT\">"),
         {.expiry = ExpiryChoice::Datum, .DateTimePicker = QDate(2026, 12, 7)},
         {},
         {}},
        {"ExpiresEnglishOctoberTicksDateOnly",
         page("<meta name=\"expires\" content=\"Thu, 1 Oct 2026 00:00:00 GMT\">"),
         {.expiry = ExpiryChoice::Datum, .DateTimePicker = picker},
         {},
         {}},
        {"ExpiresGermanOktober",
         page("<meta name=\"expires\" content=\"Do, 1 okt 2026 00:00:00 GMT\">"),
         {.expiry = ExpiryChoice::Datum, .DateTimePicker = QDate(2026, 10, 1)},
         {},
         {}},
        {"ExpiresYearWithoutFollowingBlankIsIgnored",
         page("<meta name=\"expires\" content=\"Mon, 7 Dec 2026\">"),
         {.DateTimePicker = picker},
         {},
         {}},
        {"ExpiresImpossibleDayIsIgnored",
         page("<meta name=\"expires\" content=\"Mon, 31 Feb 2026 00:00:00 GMT\">"),
         {.DateTimePicker = picker},
         {},
         {}},
        {"ExpiresOtherTextTicksNothing",
         page("<meta name=\"expires\" content=\"morgen\">"),
         {.DateTimePicker = picker},
         {},
         {}},
        {"RobotsAnyCase",
         page("<meta name=\"robots\" content=\"noindex,Follow\">"),
         {.ComboBoxIndizierung = 2, .DateTimePicker = picker},
         {},
         {}},
        {"RobotsWithBlankAfterCommaIsRed",
         page("<meta name=\"robots\" content=\"INDEX, FOLLOW\">"),
         {.DateTimePicker = picker},
         {},
         {s("ComboBoxIndizierung")}},
        {"Windows1252ByDefault",
         page("<meta name=\"author\" content=\"M\xfcller \x80\">"),
         {.EditAutor = s("Müller €"), .DateTimePicker = picker},
         {},
         {}},
        {"Utf8ByteOrderMark",
         "\xEF\xBB\xBF" + page("<meta name=\"author\" content=\"M\xc3\xbcller\">"),
         {.EditAutor = s("Müller"), .DateTimePicker = picker},
         {},
         {}},
        {"Utf8DeclaredInTheHead",
         page("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n"
              "<meta name=\"author\" content=\"M\xc3\xbcller\">"),
         {.EditAutor = s("Müller"), .DateTimePicker = picker},
         {},
         {}},
        {"Utf8DeclaredOnlyInTheBodyDoesNotCount",
         "<head><meta name=\"author\" content=\"M\xc3\xbcller\"></head><body>charset=utf-8",
         {.EditAutor = s("MÃ¼ller"), .DateTimePicker = picker},
         {},
         {}},
    };
}

class MetaTagImport : public testing::TestWithParam<ImportCase>
{
};

TEST_P(MetaTagImport, FillsTheFormAsThePageSays)
{
    const ImportCase& c = GetParam();
    const MetaTagImportResult result = importBytes(c.html);
    EXPECT_TRUE(result.formReplaced);
    EXPECT_EQ(result.form, c.expected);
    EXPECT_EQ(texts(result), c.messages);
    EXPECT_EQ(result.redFields, c.redFields);
    EXPECT_FALSE(result.lastChosenFile.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Pages, MetaTagImport, testing::ValuesIn(importCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MetaTagImporter, PagesWithoutAUsableHeadLeaveTheFormAlone)
{
    QByteArray binary(4096, Qt::Uninitialized);
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 7) % 256);
    const struct
    {
        QByteArray bytes;
        QString message;
    } cases[] = {
        {"<html><head lang=\"de\"><meta name=\"author\" content=\"x\"></head>",
         MetaTagImporter::headNotFoundText()},
        {"<html><body>nur Text</body></html>", MetaTagImporter::headNotFoundText()},
        {binary, MetaTagImporter::headNotFoundText()},
        {"<head><meta name=\"author\" content=\"x\"><body>", MetaTagImporter::headEndMissingText()},
    };
    for (const auto& c : cases) {
        const MetaTagImportResult result = importBytes(c.bytes);
        EXPECT_FALSE(result.formReplaced);
        EXPECT_EQ(result.form, earlierInput());
        ASSERT_EQ(result.messages.size(), 1u);
        EXPECT_EQ(result.messages[0].kind, MessageKind::Warning);
        EXPECT_EQ(result.messages[0].text, c.message);
        EXPECT_TRUE(result.lastChosenFile.isEmpty());
    }
}

TEST(MetaTagImporter, AFileDeletedAfterListingGivesTheFileSystemsMessage)
{
    const QString path = writePage(page("<meta name=\"author\" content=\"x\">"), "weg.html");
    ASSERT_TRUE(QFile::remove(path));
    QFile probe(path);
    ASSERT_FALSE(probe.open(QIODevice::ReadOnly));

    const MetaTagImportResult result = MetaTagImporter::importFile(path, earlierInput(), german);
    EXPECT_FALSE(result.formReplaced);
    EXPECT_EQ(result.form, earlierInput());
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(result.messages[0].text, probe.errorString());

    const auto head = MetaTagImporter::extractHead(path, MetaTagImporter::HeadPart::ForView);
    EXPECT_FALSE(head.found);
    EXPECT_EQ(head.messages.size(), 1u);
}

TEST(MetaTagImporter, BinaryBytesInsideTheHeadDoNotStopTheImport)
{
    QByteArray noise(1000, Qt::Uninitialized);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 13 + 1) % 256 == '<' ? 0 : (i * 13 + 1) % 256);
    const MetaTagImportResult result =
        importBytes("<head>" + noise + "<meta name=\"author\" content=\"x\"></head>");
    EXPECT_EQ(result.form.EditAutor, s("x"));
}

TEST(MetaTagImporter, MatchesBeyondFiveHundredAskForTheFileAndAreNotRead)
{
    QByteArray tags;
    for (int i = 0; i < 5000; ++i)
        tags += "<meta name=\"keywords\" content=\"k" + QByteArray::number(i) + "\">\n";
    const MetaTagImportResult result = importBytes(page(tags));

    EXPECT_EQ(result.tagTexts.size(), 5000);
    EXPECT_EQ(result.form.MemoKeys, s("k0"));
    const QStringList shown = texts(result);
    ASSERT_EQ(shown.size(), 4501);
    EXPECT_EQ(shown.count(MetaTagImporter::tooManyMatchesText()), 4500);
    EXPECT_TRUE(MetaTagImporter::tooManyMatchesText().contains(MetaTagImporter::supportAddress()));
    EXPECT_EQ(shown.last(),
              s("Folgende Meta-Tags sind mehrmals enthalten:\nKEYWORDS x 5000\nEs wurden jeweils "
                "die ersten eingelesen!"));
}

TEST(MetaTagImporter, AGeneratedBlockReadsBackToTheSameForm)
{
    // The block as the generator writes it, a quote in a value written as &quot; and a
    // memo's line break kept inside its tag.
    const QByteArray block =
        "<META NAME=\"author\" CONTENT=\"Anna &quot;die Erste&quot; Muster\">\r\n"
        "<META NAME=\"publisher\" CONTENT=\"Muster GmbH\">\r\n"
        "<META NAME=\"copyright\" CONTENT=\"Muster GmbH\">\r\n"
        "<META NAME=\"keywords\" CONTENT=\"eins, zwei\r\ndrei\">\r\n"
        "<META NAME=\"description\" CONTENT=\"Eine Seite.\">\r\n"
        "<META NAME=\"page-topic\" CONTENT=\"Computer/Software/Spiele (Games)\">\r\n"
        "<META NAME=\"audience\" CONTENT=\"Alle\">\r\n"
        "<META NAME=\"expires\" CONTENT=\"Mon, 1 Mar 2027 00:00:00 GMT\">\r\n"
        "<META NAME=\"page-type\" CONTENT=\"FAQ\">\r\n"
        "<META NAME=\"robots\" CONTENT=\"NOINDEX,NOFOLLOW\">";
    const MetaTagForm expected{.EditAutor = s("Anna \"die Erste\" Muster"),
                               .EditHerausgeber = s("Muster GmbH"),
                               .EditCopyright = s("Muster GmbH"),
                               .MemoKeys = s("eins, zwei\r\ndrei"),
                               .MemoBeschreibung = s("Eine Seite."),
                               .ComboBoxThema = s("Computer/Software/Spiele (Games)"),
                               .ComboBoxSeitentyp = s("FAQ"),
                               .ComboBoxZielgruppe = s("Alle"),
                               .ComboBoxIndizierung = 3,
                               .expiry = ExpiryChoice::Datum,
                               .DateTimePicker = QDate(2027, 3, 1)};
    const MetaTagImportResult result = importBytes(page(block));
    EXPECT_EQ(result.form, expected);
    EXPECT_TRUE(result.messages.empty());
}

TEST(MetaTagImporter, ADateTheUsersFormatCannotReadLeavesDateUnticked)
{
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    const MetaTagImportResult result = importBytes(
        page("<meta name=\"expires\" content=\"Mon, 7 Dec 2026 00:00:00 GMT\">"), american);
    EXPECT_NE(result.form.expiry, ExpiryChoice::Datum);
    EXPECT_EQ(result.form.DateTimePicker, picker);
}

TEST(MetaTagImporter, HeadViewEndsWithThePlainEndTag)
{
    using Part = MetaTagImporter::HeadPart;
    const struct
    {
        QByteArray bytes;
        QString view;
        QString section;
    } cases[] = {
        {"<html><HEAD><title>t</title></HEAD><body>b</body>", s("<HEAD><title>t</title></HEAD>"),
         s("<HEAD><title>t</title>")},
        {"<head>a</head >b", s("<head>a</head "), s("<head>a")},
        {"<head>a</head", s("<head>a</head"), s("<head>a")},
        {"\xEF\xBB\xBF<head>\xc3\xa4</head\xc3\xa4x", s("<head>ä</headä"), s("<head>ä")},
    };
    for (const auto& c : cases) {
        const QString path = writePage(c.bytes);
        const auto view = MetaTagImporter::extractHead(path, Part::ForView);
        ASSERT_TRUE(view.found);
        EXPECT_EQ(view.text, c.view);
        EXPECT_EQ(MetaTagImporter::extractHead(path, Part::ForImport).text, c.section);
    }
}

TEST(MetaTagImporter, AMegabytePageReadsOnlyItsHead)
{
    QByteArray body(1024 * 1024, 'x');
    for (qsizetype i = 80; i < body.size(); i += 81)
        body[i] = '\n';
    const MetaTagImportResult result =
        importBytes(page("<meta name=\"author\" content=\"x\">") + "<p>" + body + "</p>");
    EXPECT_EQ(result.form.EditAutor, s("x"));
    EXPECT_TRUE(result.messages.empty());
}

TEST(MetaTagImporter, MessagesReachTheDoorInOrderAndKind)
{
    const MetaTagImportResult result =
        importBytes(page("<meta name=\"author\" content=\"a\"><meta name=\"author\" "
                         "content=\"b\"><meta >"));
    pelvaro::test::ScriptedUiServices ui;
    pelvaro::tools::showMetaTagMessages(ui, result.messages);
    EXPECT_EQ(ui.messageTexts(), QStringList{MetaTagImporter::emptyTagText()});

    const MetaTagImportResult twice = importBytes(
        page("<meta name=\"author\" content=\"a\"><meta name=\"author\" content=\"b\">"));
    pelvaro::tools::showMetaTagMessages(ui, twice.messages);
    ASSERT_EQ(ui.shown().size(), 2u);
    EXPECT_EQ(ui.shown()[0].messageKind, MessageKind::Information);
    EXPECT_EQ(ui.shown()[1].messageKind, MessageKind::Warning);
    EXPECT_TRUE(ui.shown()[1].text.contains(QStringLiteral("AUTHOR x 2")));
}

} // namespace
