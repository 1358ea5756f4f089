// The report editor's rules and file commands without a window: the ruler's arithmetic, the
// status bar texts, the typed font size, and open/save/save as with their questions.
#include "reports/ReportEditor.h"
#include "reports/ReportEditorRules.h"

#include "base/Windows1252.h"
#include "reports/rtf/RtfCodec.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBlockFormat>
#include <QTextDocument>
#include <QTextOption>

#include <gtest/gtest.h>

using pelvaro::base::MessageAnswer;
using pelvaro::base::MessageButtons;
using pelvaro::reports::ReportEditor;
using pelvaro::reports::ReportEditorRules;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using Shown = ScriptedUiServices::Shown;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QString documentText(const QByteArray& rtf)
{
    QTextDocument document;
    pelvaro::reports::rtf::readRtf(rtf, document);
    return document.toPlainText();
}

} // namespace

TEST(ReportEditorRules, RulerMarkersFollowTheIndentsWithTruncation)
{
    struct Row
    {
        int first, left, right, rulerWidth;
        int firstLeft, leftLeft, rightLeft;
    };
    // Negative products truncate toward zero (-4/3 gives -1, not -2).
    const Row rows[] = {
        {0, 0, 0, 600, 2, 2, 586},
        {10, 20, 15, 500, 15, 42, 466},
        {30, -30, 0, 600, 42, 2, 586},
        {-1, 0, -7, 300, 1, 1, 295},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << "indents " << r.first << "/" << r.left << "/" << r.right);
        EXPECT_EQ(ReportEditorRules::firstIndentMarkerLeft(r.first), r.firstLeft);
        EXPECT_EQ(ReportEditorRules::leftIndentMarkerLeft(r.first, r.left), r.leftLeft);
        EXPECT_EQ(ReportEditorRules::rightIndentMarkerLeft(r.right, r.rulerWidth), r.rightLeft);
    }
}

TEST(ReportEditorRules, ReleasedMarkersGiveIndentsWithTruncation)
{
    // A marker put back where the indents placed it gives the indents again; between whole
    // pixels the points are cut, never rounded up, and below zero cut toward zero.
    EXPECT_EQ(ReportEditorRules::firstIndentFromMarker(42, 4), 30);
    EXPECT_EQ(ReportEditorRules::firstIndentFromMarker(15, 4), 9);
    EXPECT_EQ(ReportEditorRules::firstIndentFromMarker(0, 4), -1);
    EXPECT_EQ(ReportEditorRules::leftIndentFromMarker(42, 4, 10), 20);
    EXPECT_EQ(ReportEditorRules::leftIndentFromMarker(2, 4, 30), -30);
    EXPECT_EQ(ReportEditorRules::rightIndentFromMarker(466, 4, 500), 15);
    EXPECT_EQ(ReportEditorRules::rightIndentFromMarker(586, 4, 600), 0);
    EXPECT_EQ(ReportEditorRules::rightIndentFromMarker(595, 4, 600), -7);
}

TEST(ReportEditorRules, IndentsMapToTheParagraphsMarginsAndStayOnThePage)
{
    QTextBlockFormat format;
    ReportEditorRules::applyIndents(format, {10, 20, 15});
    EXPECT_DOUBLE_EQ(format.leftMargin(), 40.0); // 30 pt for the lines after the first
    EXPECT_DOUBLE_EQ(format.rightMargin(), 20.0);
    EXPECT_EQ(ReportEditorRules::indentsOf(format), (ReportEditorRules::Indents{10, 20, 15}));

    ReportEditorRules::applyIndents(format, {25, -25, 0}); // a hanging first line
    EXPECT_EQ(ReportEditorRules::indentsOf(format), (ReportEditorRules::Indents{25, -25, 0}));

    ReportEditorRules::applyIndents(format, {-5, -10, -3});
    EXPECT_EQ(ReportEditorRules::indentsOf(format), (ReportEditorRules::Indents{0, 0, 0}));
}

TEST(ReportEditorRules, CaretTextCountsLaidOutLinesAndPadsToThreePlaces)
{
    EXPECT_EQ(ReportEditorRules::caretText({0, 0}), QStringLiteral("Zeile:   1   Spalte:   1"));
    EXPECT_EQ(ReportEditorRules::caretText({9, 99}), QStringLiteral("Zeile:  10   Spalte: 100"));
    EXPECT_EQ(ReportEditorRules::caretText({999, 1233}),
              QStringLiteral("Zeile: 1000   Spalte: 1234"));

    QTextDocument document;
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WordWrap);
    document.setDefaultTextOption(wrap);
    document.setPlainText(QStringLiteral("aaaa bbbb cccc dddd\nzz"));
    const auto at = [&](int position) {
        return ReportEditorRules::caretText(ReportEditorRules::caretPosition(document, position));
    };
    EXPECT_EQ(at(12), QStringLiteral("Zeile:   1   Spalte:  13"));
    EXPECT_EQ(at(21), QStringLiteral("Zeile:   2   Spalte:   2"));

    // Too narrow for two words: each word is a line of its own, and so counted.
    document.setTextWidth(1);
    document.size(); // lays the document out
    EXPECT_EQ(at(12), QStringLiteral("Zeile:   3   Spalte:   3"));
    EXPECT_EQ(at(21), QStringLiteral("Zeile:   5   Spalte:   2"));
}

TEST(ReportEditorRules, CaptionFiltersAndTexts)
{
    EXPECT_EQ(ReportEditorRules::caption(QStringLiteral("/tmp/a b/Bericht.rtf")),
              QStringLiteral("Bericht.rtf - Pelvaro!"));
    EXPECT_EQ(ReportEditorRules::caption(ReportEditorRules::untitled()),
              QStringLiteral("Unbenannt - Pelvaro!"));
    EXPECT_EQ(ReportEditorRules::qtFilter(ReportEditorRules::defaultFilter()),
              QStringLiteral("RTF-Dateien (*.RTF);;Textdateien (*.TXT);;Alle Dateien (*)"));
    EXPECT_EQ(ReportEditorRules::qtFilter(ReportEditorRules::htmlFilter()),
              QStringLiteral("HTML-Dateien (*.HTML *.HTM);;Textdateien (*.TXT);;Alle Dateien (*)"));
    EXPECT_EQ(ReportEditorRules::modifiedText(true), QStringLiteral("Geändert"));
    EXPECT_EQ(ReportEditorRules::modifiedText(false), QString());
}

TEST(ReportEditorRules, FontSizeIsAWholeNumberOfPointsOrNothing)
{
    const std::pair<const char*, std::optional<int>> rows[] = {
        {"12", 12},
        {" 9 ", 9},
        {"1", 1},
        {"1638", 1638},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"12pt", std::nullopt},
        {"10,5", std::nullopt},
        {"0", std::nullopt},
        {"-3", std::nullopt},
        {"1639", std::nullopt},
    };
    for (const auto& [text, size] : rows)
        EXPECT_EQ(ReportEditorRules::parseFontSize(QString::fromUtf8(text)), size) << text;
    EXPECT_EQ(ReportEditorRules::invalidFontSize(QStringLiteral(" abc")),
              QStringLiteral("\"abc\" ist keine gültige Schriftgröße.\nBitte geben Sie eine "
                             "ganze Zahl von 1 bis 1638 ein."));
}

class ReportEditorFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        editor.setDirectory(TestDirs::programDir());
        document.setPlainText(QStringLiteral("Anmeldungsprotokoll äöü € Ω"));
    }

    QString path(const QString& name) const
    {
        return TestDirs::programDir() + QLatin1Char('/') + name;
    }

    ScriptedUiServices ui;
    QTextDocument document;
    ReportEditor editor{ui, document};
};

TEST_F(ReportEditorFiles, ANewReportIsSavedThroughSaveAsThenUnderItsName)
{
    ASSERT_TRUE(document.isModified());
    // Typed without extension: the one of the filter it was saved under, the first
    // (RTF) when the dialog cannot tell.
    const QString target = path(QStringLiteral("bericht.rtf"));
    ui.answerFile(path(QStringLiteral("bericht")));
    ASSERT_TRUE(editor.save());
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().front().kind, Shown::Kind::SaveDialog);
    EXPECT_EQ(documentText(readAll(target)), QStringLiteral("Anmeldungsprotokoll äöü € Ω"));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("bericht"))));
    EXPECT_EQ(editor.fileName(), target);
    EXPECT_EQ(editor.caption(), QStringLiteral("bericht.rtf - Pelvaro!"));
    EXPECT_FALSE(document.isModified());

    document.setPlainText(QStringLiteral("Zweite Fassung"));
    ASSERT_TRUE(editor.save());
    EXPECT_EQ(ui.shown().size(), 1u) << "a named report is saved without a dialog";
    EXPECT_EQ(documentText(readAll(target)), QStringLiteral("Zweite Fassung"));
}

TEST(ReportEditorRules, ANameWithoutExtensionGetsTheOneOfItsFilter)
{
    const QString filter = ReportEditorRules::qtFilter(ReportEditorRules::defaultFilter());
    const QStringList lines = filter.split(QStringLiteral(";;"));
    ASSERT_EQ(lines.size(), 3);
    const struct
    {
        const char* typed;
        QString line;
        const char* saved;
    } cases[] = {
        {"/tmp/bericht", lines.at(0), "/tmp/bericht.rtf"},
        {"/tmp/bericht", lines.at(1), "/tmp/bericht.txt"},
        {"/tmp/bericht", lines.at(2), "/tmp/bericht"}, // "Alle Dateien"
        {"/tmp/bericht", QString(), "/tmp/bericht.rtf"},
        {"/tmp/bericht.doc", lines.at(0), "/tmp/bericht.doc"},
        {"/tmp/v1.2/bericht", lines.at(0), "/tmp/v1.2/bericht.rtf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(
            ReportEditorRules::withFilterExtension(QString::fromUtf8(c.typed), c.line, filter),
            QString::fromUtf8(c.saved))
            << c.typed << " / " << c.line.toStdString();
    const QString html = ReportEditorRules::qtFilter(ReportEditorRules::htmlFilter());
    EXPECT_TRUE(
        ReportEditorRules::withFilterExtension(QStringLiteral("/tmp/seite"), QString(), html)
            .startsWith(QStringLiteral("/tmp/seite.htm")));
}

TEST(ReportEditorRules, APrintToAFileProposesTheReportsFolderAndName)
{
    EXPECT_EQ(ReportEditorRules::pdfProposal(QStringLiteral("/home/anna/Berichte/lauf.rtf"),
                                             QStringLiteral("/opt/pelvaro")),
              QStringLiteral("/home/anna/Berichte/lauf.pdf"));
    EXPECT_EQ(ReportEditorRules::pdfProposal(QStringLiteral("/home/anna/v1.2/bericht"),
                                             QStringLiteral("/opt/pelvaro")),
              QStringLiteral("/home/anna/v1.2/bericht.pdf"));
    EXPECT_EQ(ReportEditorRules::pdfProposal(ReportEditorRules::untitled(),
                                             QStringLiteral("/opt/pelvaro")),
              QStringLiteral("/opt/pelvaro/Unbenannt.pdf"));
}

TEST_F(ReportEditorFiles, OnlyYesOverwritesAnExistingFile)
{
    const QString target = path(QStringLiteral("alt.rtf"));
    writeAll(target, "alt");
    for (MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Cancel}) {
        ui.answerFile(target);
        ui.answer(answer);
        EXPECT_FALSE(editor.saveAs());
        EXPECT_EQ(ui.shown().back().text, ReportEditorRules::overwriteQuestion(target));
        EXPECT_EQ(ui.shown().back().buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(readAll(target), QByteArray("alt"));
        EXPECT_TRUE(document.isModified());
        EXPECT_TRUE(editor.isUntitled());
    }
    ui.answerFile(target);
    ui.answer(MessageAnswer::Yes);
    EXPECT_TRUE(editor.saveAs());
    EXPECT_EQ(documentText(readAll(target)), QStringLiteral("Anmeldungsprotokoll äöü € Ω"));
    EXPECT_EQ(editor.fileName(), target);
}

TEST_F(ReportEditorFiles, AFailedSaveSaysWhyAndKeepsBothVersions)
{
    // A folder nobody may write to: a locked one, or /proc where even root cannot create a
    // file.
    const QString folder = path(QStringLiteral("gesperrt"));
    QDir().mkpath(folder);
    QString target = folder + QStringLiteral("/alt.rtf");
    writeAll(target, pelvaro::reports::rtf::writeRtf(QTextDocument(QStringLiteral("alt"))));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (QFile probe(folder + QStringLiteral("/probe")); probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        target = QStringLiteral("/proc/version");
    }
    const QByteArray before = readAll(target);
    ASSERT_TRUE(editor.loadFile(target));
    document.setPlainText(QStringLiteral("neu"));

    EXPECT_FALSE(editor.save());
    const QStringList messages = ui.messageTexts();
    ASSERT_EQ(messages.size(), 1);
    const QString prefix =
        QStringLiteral("Die Datei %1 konnte nicht gespeichert werden.\n\n").arg(target);
    EXPECT_TRUE(messages.front().startsWith(prefix)) << messages.front().toStdString();
    EXPECT_GT(messages.front().size(), prefix.size()) << "the file system's reason";
    EXPECT_EQ(readAll(target), before);
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(document.toPlainText(), QStringLiteral("neu"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(ReportEditorFiles, TheSaveQuestionGuardsChangesBeforeAnotherFileIsOpened)
{
    const QString other = path(QStringLiteral("anderer.rtf"));
    writeAll(other, pelvaro::reports::rtf::writeRtf(QTextDocument(QStringLiteral("Anderer"))));
    const QString question = ReportEditorRules::saveChangesQuestion(QStringLiteral("Unbenannt"));

    // Cancel: nothing is asked further and nothing changes.
    ui.answer(MessageAnswer::Cancel);
    EXPECT_FALSE(editor.open());
    EXPECT_EQ(ui.shown().back().text, question);
    EXPECT_EQ(ui.shown().back().buttons, MessageButtons::YesNoCancel);
    // Yes, but the save dialog is cancelled: the changes were not saved, so they stay.
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(std::nullopt);
    EXPECT_FALSE(editor.open());
    EXPECT_EQ(ui.shown().back().kind, Shown::Kind::SaveDialog);
    EXPECT_EQ(document.toPlainText(), QStringLiteral("Anmeldungsprotokoll äöü € Ω"));
    EXPECT_TRUE(document.isModified());

    // No: the changes go and the file comes.
    ui.answer(MessageAnswer::No);
    ui.answerFile(other);
    EXPECT_TRUE(editor.open());
    EXPECT_EQ(document.toPlainText(), QStringLiteral("Anderer"));
    EXPECT_EQ(editor.fileName(), other);
    EXPECT_FALSE(document.isModified());
    EXPECT_FALSE(document.isUndoAvailable()) << "loading is not an edit to take back";
    EXPECT_EQ(ui.lastWaitText(), QStringLiteral("Die Datei wird geladen, bitte warten ..."));

    // Unchanged: no question at all, straight to the dialog.
    ui.answerFile(std::nullopt);
    EXPECT_FALSE(editor.open());
    EXPECT_EQ(ui.shown().back().kind, Shown::Kind::OpenDialog);
}

TEST_F(ReportEditorFiles, PlainTextKeepsAFilesBytesAndAnUnreadableFileKeepsTheDocument)
{
    editor.setPlainText(true);
    const QString page = path(QStringLiteral("seite.html"));
    const QByteArray bytes = pelvaro::base::Windows1252::encode(
        QStringLiteral("<html>\r\n<head><title>Grüße</title></head>\r\n</html>\r\n"));
    writeAll(page, bytes);
    ASSERT_TRUE(editor.loadFile(page));
    EXPECT_EQ(document.toPlainText(),
              QStringLiteral("<html>\n<head><title>Grüße</title></head>\n</html>\n"));
    document.setModified(true);
    ASSERT_TRUE(editor.save());
    EXPECT_EQ(readAll(page), bytes);

    const QString missing = path(QStringLiteral("fehlt.html"));
    EXPECT_FALSE(editor.loadFile(missing));
    ASSERT_FALSE(ui.messageTexts().isEmpty());
    EXPECT_TRUE(ui.messageTexts().back().startsWith(
        QStringLiteral("Die Datei %1 konnte nicht gelesen werden.\n\n").arg(missing)));
    EXPECT_EQ(editor.fileName(), page);
    EXPECT_TRUE(document.toPlainText().startsWith(QStringLiteral("<html>")));
}
