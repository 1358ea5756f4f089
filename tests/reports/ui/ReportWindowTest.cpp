// The report window itself, shown modally as its callers show it: what the tool bar and the
// status bar follow, the ruler's drag, the file-editing mode, dropped files and printing.
#include "reports/ui/TStatusBerichtFormular.h"

#include "base/Windows1252.h"
#include "reports/ReportEditor.h"
#include "reports/ReportEditorRules.h"
#include "reports/rtf/RtfCodec.h"

#include "QtPrinters.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using pelvaro::base::MessageAnswer;
using pelvaro::base::PrintChoice;
using pelvaro::reports::ReportEditorRules;
using pelvaro::reports::ui::ReportRuler;
using pelvaro::reports::ui::TStatusBerichtFormular;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using Shown = ScriptedUiServices::Shown;

namespace {

QAction* action(QWidget& form, const char* name)
{
    auto* found = form.findChild<QAction*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QString panel(QWidget& form, int index)
{
    return form.findChild<QLabel*>(TStatusBerichtFormular::panelName(index))->text();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// Runs a program to its end and returns what it wrote.
QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of each page of a PDF file, each line with its spaces simplified.
QStringList pdfPages(const QString& pdf)
{
    QStringList pages =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    for (QString& page : pages) {
        QString lines;
        for (const QString& line : page.split(QLatin1Char('\n')))
            if (!line.simplified().isEmpty())
                lines += line.simplified() + QLatin1Char('\n');
        page = lines;
    }
    return pages;
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

void select(QTextEdit& editor, int from, int to)
{
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
}

// Runs work on the window once its caller has shown it modally; the window must be closed
// by then.
void whenShown(const std::function<void(TStatusBerichtFormular&)>& work)
{
    QTimer::singleShot(0, [work] {
        auto* form = qobject_cast<TStatusBerichtFormular*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        work(*form);
        if (form->isVisible()) {
            ADD_FAILURE() << "the window was left open";
            form->hide();
        }
    });
}

QString path(const QString& name)
{
    return TestDirs::programDir() + QLatin1Char('/') + name;
}

} // namespace

TEST(ReportWindow, ReportModeLoadsTheStartFileAppendsTheReportAndFollowsTheSelection)
{
    ScriptedUiServices ui;
    const QString start = path(QStringLiteral("start.rtf"));
    const QByteArray startBytes =
        pelvaro::reports::rtf::writeRtf(QTextDocument(QStringLiteral("Vorher")));
    writeAll(start, startBytes);
    QString textBeforeReport;
    const auto generate = [&](QTextDocument& document) {
        textBeforeReport = document.toPlainText();
        QTextCursor cursor(&document);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("\nAnmeldungsprotokoll"));
        cursor.movePosition(QTextCursor::Start);
        return cursor;
    };
    bool seen = false;
    whenShown([&](TStatusBerichtFormular& form) {
        seen = true;
        QTextEdit& editor = form.editor();
        EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
        EXPECT_EQ(form.windowTitle(), QStringLiteral("start.rtf - Pelvaro!"));
        EXPECT_EQ(editor.toPlainText(), QStringLiteral("Vorher\nAnmeldungsprotokoll"));
        EXPECT_EQ(panel(form, 0), QStringLiteral("Zeile:   1   Spalte:   1"));
        EXPECT_EQ(panel(form, 1), QStringLiteral("Geändert"));
        EXPECT_TRUE(action(form, "EditUndo")->isEnabled());
        EXPECT_FALSE(action(form, "EditCopy")->isEnabled());
        EXPECT_FALSE(action(form, "EditCut")->isEnabled());

        select(editor, 7, 20);
        EXPECT_TRUE(action(form, "EditCopy")->isEnabled());
        EXPECT_TRUE(action(form, "EditCut")->isEnabled());
        EXPECT_EQ(panel(form, 0), QStringLiteral("Zeile:   2   Spalte:   1"));
        action(form, "BoldButton")->trigger();
        EXPECT_EQ(editor.textCursor().charFormat().fontWeight(), QFont::Bold);
        select(editor, 0, 3);
        EXPECT_FALSE(action(form, "BoldButton")->isChecked());
        select(editor, 10, 10);
        EXPECT_TRUE(action(form, "BoldButton")->isChecked());
        EXPECT_FALSE(action(form, "EditCopy")->isEnabled());

        QApplication::clipboard()->clear();
        EXPECT_FALSE(action(form, "EditPaste")->isEnabled());
        QApplication::clipboard()->setText(QStringLiteral("aus der Zwischenablage"));
        EXPECT_TRUE(action(form, "EditPaste")->isEnabled());

        // A size that is no number: a clear message, the size stays, the field shows it.
        auto* size = form.findChild<QAbstractSpinBox*>(QStringLiteral("FontSize"));
        const QString shownSize = size->text();
        size->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(size->findChild<QLineEdit*>(), QStringLiteral("elf"));
        QTest::keyClick(size->findChild<QLineEdit*>(), Qt::Key_Return);
        ASSERT_FALSE(ui.messageTexts().isEmpty());
        EXPECT_EQ(ui.messageTexts().back(),
                  ReportEditorRules::invalidFontSize(QStringLiteral("elf")));
        EXPECT_EQ(size->text(), shownSize);
        size->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(size->findChild<QLineEdit*>(), QStringLiteral("14"));
        QTest::keyClick(size->findChild<QLineEdit*>(), Qt::Key_Return);
        EXPECT_EQ(editor.currentCharFormat().fontPointSize(), 14.0);

        action(form, "HelpContents")->trigger();
        EXPECT_EQ(ui.shown().back().kind, Shown::Kind::Help);
        EXPECT_EQ(ui.shown().back().helpContext, 14);

        // Cancel in the save question keeps the window; No lets it go unsaved.
        ui.answer(MessageAnswer::Cancel);
        form.close();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(ui.messageTexts().back(),
                  QStringLiteral("Änderungen in der Datei %1 speichern?").arg(start));
        ui.answer(MessageAnswer::No);
        form.close();
    });
    TStatusBerichtFormular::showReport(ui, generate, TestDirs::programDir(), start);
    EXPECT_TRUE(seen);
    EXPECT_EQ(textBeforeReport, QStringLiteral("Vorher")) << "the start file comes first";
    EXPECT_EQ(readAll(start), startBytes) << "closing without saving leaves the file alone";
}

TEST(ReportWindow, DraggedRulerMarkersSetTheParagraphsIndents)
{
    ScriptedUiServices ui;
    TStatusBerichtFormular form(ui, TestDirs::programDir());
    form.resize(700, 400);
    form.show();
    QTextEdit& editor = form.editor();
    editor.setPlainText(QStringLiteral("Erster Absatz\nZweiter Absatz"));
    auto* ruler = form.findChild<ReportRuler*>(QStringLiteral("Ruler"));
    ASSERT_NE(ruler, nullptr);
    using Marker = ReportRuler::Marker;
    const auto drag = [&](Marker marker, int toX) {
        const QPoint from = ruler->markerRect(marker).center();
        const QPoint to(toX, from.y());
        QTest::mousePress(ruler, Qt::LeftButton, {}, from);
        QTest::mouseMove(ruler, to);
        QTest::mouseRelease(ruler, Qt::LeftButton, {}, to);
    };
    const auto indents = [&](int block) {
        return ReportEditorRules::indentsOf(
            editor.document()->findBlockByNumber(block).blockFormat());
    };
    using Indents = ReportEditorRules::Indents;

    // Left marker to x 100: its edge at 96, (96 + 4 - 6) * 3/4 = 70 pt for the other lines.
    drag(Marker::LeftIndent, 100);
    EXPECT_EQ(indents(0), (Indents{0, 70, 0}));
    EXPECT_EQ(ruler->markerLeft(Marker::LeftIndent), 95) << "placed back from the indents";
    // First-line marker to x 60: 40 pt; the left marker keeps its place, now 69 pt from
    // there less the first line's 40.
    drag(Marker::FirstIndent, 60);
    EXPECT_EQ(indents(0), (Indents{40, 29, 0}));
    // Right marker 100 px from the ruler's end: (100 + 4 + 4 - 2) * 3/4 - 12 = 67 pt.
    drag(Marker::RightIndent, ruler->width() - 100);
    EXPECT_EQ(indents(0), (Indents{40, 29, 67}));
    EXPECT_EQ(indents(1), (Indents{0, 0, 0})) << "only the caret's paragraph";

    // A marker dragged off the left edge puts no text outside the page.
    drag(Marker::FirstIndent, -50);
    EXPECT_EQ(indents(0).first, 0);
    editor.document()->setModified(false);
}

TEST(ReportWindow, EditsAFileAsPlainTextAndTakesADroppedFile)
{
    ScriptedUiServices ui;
    const QString page = path(QStringLiteral("seite.html"));
    const QByteArray bytes = pelvaro::base::Windows1252::encode(
        QStringLiteral("<html>\r\n<head><title>Grüße</title></head>\r\n</html>\r\n"));
    writeAll(page, bytes);
    const QString other = path(QStringLiteral("andere.html"));
    writeAll(other, "<p>andere</p>");

    whenShown([&](TStatusBerichtFormular& form) {
        QTextEdit& editor = form.editor();
        EXPECT_TRUE(form.fileEditingMode());
        EXPECT_EQ(form.windowTitle(), QStringLiteral("seite.html - Pelvaro!"));
        EXPECT_EQ(editor.toPlainText(),
                  QStringLiteral("<html>\n<head><title>Grüße</title></head>\n</html>\n"));
        EXPECT_EQ(ui.lastWaitText(), QStringLiteral("Die Datei wird geladen, bitte warten ..."));
        EXPECT_TRUE(QFontInfo(editor.font()).fixedPitch());
        EXPECT_EQ(editor.font().family(), QStringLiteral("Courier"));
        for (const char* name : {"BoldButton", "ItalicButton", "UnderlineButton", "BulletsButton"})
            EXPECT_FALSE(action(form, name)->isEnabled()) << name;
        EXPECT_TRUE(action(form, "CenterAlign")->isEnabled());
        EXPECT_EQ(panel(form, 1), QString());

        QTextCursor cursor = editor.textCursor();
        cursor.movePosition(QTextCursor::Start);
        editor.setTextCursor(cursor);
        QTest::keyClicks(&editor, QStringLiteral("<!-- x -->"));
        EXPECT_EQ(panel(form, 1), QStringLiteral("Geändert"));
        EXPECT_EQ(panel(form, 0), QStringLiteral("Zeile:   1   Spalte:  11"));
        action(form, "FileSave")->trigger();
        EXPECT_EQ(readAll(page), "<!-- x -->" + bytes) << "plain text, as it came";
        EXPECT_EQ(panel(form, 1), QString());

        // A file dropped on the editor replaces the document after the save question.
        QTest::keyClicks(&editor, QStringLiteral("x"));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(other)});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(editor.viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
        ui.answer(MessageAnswer::No);
        QApplication::sendEvent(editor.viewport(), &drop);
        EXPECT_TRUE(drop.isAccepted());
        QTRY_COMPARE(editor.toPlainText(), QStringLiteral("<p>andere</p>"));
        EXPECT_TRUE(ui.messageTexts().contains(
            QStringLiteral("Änderungen in der Datei %1 speichern?").arg(page)));
        EXPECT_EQ(form.windowTitle(), QStringLiteral("andere.html - Pelvaro!"));
        EXPECT_EQ(readAll(page), "<!-- x -->" + bytes);
        form.close();
    });
    TStatusBerichtFormular::editFile(ui, page, ReportEditorRules::htmlFilter(),
                                     ReportEditorRules::htmlFilter(), TestDirs::programDir());
    EXPECT_TRUE(ui.allAnswersUsed());
}

// The print dialog's answer decides what reaches the PDF: the whole report, one page range
// or only the selection; the job carries the file's name.
TEST(ReportWindow, PrintsWhatThePrintDialogChoseToAPdfFile)
{
    ScriptedUiServices ui;
    TStatusBerichtFormular form(ui, TestDirs::programDir());
    form.setReportGenerator([](QTextDocument& document) {
        QTextCursor cursor(&document);
        for (int i = 1; i <= 200; ++i)
            cursor.insertText(QStringLiteral("Eintrag %1\tOK\t200\n").arg(i));
        return QTextCursor(&document);
    });
    form.show();
    const QString pdf = path(QStringLiteral("bericht.pdf"));
    // Pages counted from 1; 0 and 0 print them all.
    const auto printTo = [&](int fromPage, int toPage, bool selectionOnly) {
        QFile::remove(pdf);
        PrintChoice choice;
        choice.outputFile = pdf;
        choice.fromPage = fromPage;
        choice.toPage = toPage;
        choice.selectionOnly = selectionOnly;
        ui.answerPrint(choice);
        action(form, "FilePrint")->trigger();
        return pdfPages(pdf);
    };

    const QStringList all = printTo(0, 0, false);
    ASSERT_GE(all.size(), 3) << "200 lines need several pages";
    EXPECT_TRUE(all.front().startsWith(QStringLiteral("Eintrag 1 OK 200\n")));
    EXPECT_TRUE(all.back().endsWith(QStringLiteral("Eintrag 200 OK 200\n%1\n").arg(all.size())))
        << "each page ends with its number";
    ASSERT_EQ(ui.shown().back().kind, Shown::Kind::PrintDialog);
    EXPECT_EQ(ui.shown().back().printRequest.jobName, QStringLiteral("Unbenannt"));
    EXPECT_EQ(ui.shown().back().printRequest.pdfFile,
              form.editorDocument().directory() + QStringLiteral("/Unbenannt.pdf"));
    EXPECT_FALSE(ui.shown().back().printRequest.selectionAvailable);
    EXPECT_TRUE(run(QStringLiteral("pdfinfo"), {pdf})
                    .simplified()
                    .contains(QStringLiteral("Title: Unbenannt ")))
        << "the job carries the file's name";

    EXPECT_EQ(printTo(2, 3, false), all.mid(1, 2));

    QTextDocument& document = *form.editor().document();
    select(form.editor(), document.findBlockByNumber(2).position(),
           document.findBlockByNumber(4).position() - 1);
    EXPECT_EQ(printTo(0, 0, true),
              QStringList{QStringLiteral("Eintrag 3 OK 200\nEintrag 4 OK 200\n1\n")});
    EXPECT_TRUE(ui.shown().back().printRequest.selectionAvailable);

    // Cancel prints nothing; a printer that cannot print says so instead of pretending.
    QFile::remove(pdf);
    ui.answerPrint(std::nullopt);
    action(form, "FilePrint")->trigger();
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(ui.messageTexts().isEmpty());
    PrintChoice nowhere;
    nowhere.outputFile = QStringLiteral("/proc/kein/bericht.pdf");
    ui.answerPrint(nowhere);
    action(form, "FilePrint")->trigger();
    EXPECT_EQ(ui.messageTexts(), QStringList{ReportEditorRules::printFailed()});
    document.setModified(false);
}

// The font dialog starts from the font at the caret; its font goes to the selection, or,
// without one, to the text typed next; Cancel changes nothing.
TEST(ReportWindow, ChosenFontAppliesToTheSelectionOrToTextTypedNext)
{
    ScriptedUiServices ui;
    TStatusBerichtFormular form(ui, TestDirs::programDir());
    form.show();
    QTextEdit& editor = form.editor();
    editor.setPlainText(QStringLiteral("Erste Zeile"));
    const QFont chosen(QStringLiteral("Courier"), 20, QFont::Bold);
    const auto sizeAt = [&](int position) {
        QTextCursor cursor(editor.document());
        cursor.setPosition(position);
        return cursor.charFormat().fontPointSize();
    };

    select(editor, 0, 5);
    ui.answerFont(chosen.toString());
    action(form, "EditFont")->trigger();
    ASSERT_EQ(ui.shown().back().kind, Shown::Kind::FontDialog);
    EXPECT_EQ(ui.shown().back().title, QStringLiteral("Schriftart"));
    QFont started;
    ASSERT_TRUE(started.fromString(ui.shown().back().text));
    EXPECT_EQ(started.family(), ReportEditorRules::defaultFont().family());
    EXPECT_EQ(started.pointSize(), ReportEditorRules::defaultFont().pointSize());
    EXPECT_EQ(sizeAt(5), 20.0);
    EXPECT_NE(sizeAt(7), 20.0) << "only the selection";
    QTextCursor fifth(editor.document());
    fifth.setPosition(5);
    EXPECT_EQ(fifth.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(fifth.charFormat().fontFamilies().toStringList(),
              QStringList{QStringLiteral("Courier")});

    select(editor, 6, 11);
    ui.answerFont(std::nullopt);
    action(form, "EditFont")->trigger();
    EXPECT_NE(sizeAt(11), 20.0) << "Cancel";

    select(editor, 11, 11);
    ui.answerFont(chosen.toString());
    action(form, "EditFont")->trigger();
    QTest::keyClicks(&editor, QStringLiteral("x"));
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("Erste Zeilex"));
    EXPECT_EQ(sizeAt(12), 20.0);
    EXPECT_NE(sizeAt(11), 20.0);
    editor.document()->setModified(false);
}
