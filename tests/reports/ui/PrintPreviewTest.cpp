// "Seitenansicht" in both report windows: the pages shown are the pages printed, and its
// "Drucken ..." runs the window's own print command, print dialog included.
#include "reports/ui/PrintPreviewWindow.h"
#include "reports/ui/TStandardBerichtForm.h"
#include "reports/ui/TStatusBerichtFormular.h"

#include "QtPrinters.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <functional>

using pelvaro::base::PrintChoice;
using pelvaro::reports::ui::PrintPreviewWindow;
using pelvaro::reports::ui::TStandardBerichtForm;
using pelvaro::reports::ui::TStatusBerichtFormular;
using pelvaro::submit::ResultRow;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using Shown = ScriptedUiServices::Shown;

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(30000))
        << program.toStdString() << " (poppler-utils, scripts/install-deps.sh)";
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPageCount(const QString& pdf)
{
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"),
                                                             QRegularExpression::MultilineOption)
                                              .match(run(QStringLiteral("pdfinfo"), {pdf}));
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

// Width and height of the first page in points, as pdfinfo rounds them.
QSize pdfPageSize(const QString& pdf)
{
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("^Page size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                           QRegularExpression::MultilineOption)
            .match(run(QStringLiteral("pdfinfo"), {pdf}));
    return size.hasMatch()
               ? QSize(qRound(size.captured(1).toDouble()), qRound(size.captured(2).toDouble()))
               : QSize();
}

QStringList pdfLines(const QString& pdf, int page)
{
    QStringList lines;
    const QString text =
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
             QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (!line.simplified().isEmpty())
            lines << line.simplified();
    return lines;
}

// Runs `step` on the modal window that the next blocking call opens, and closes what the step
// left open so that a failing test does not hang.
void onNextModal(std::function<void(QWidget&)> step)
{
    QTimer::singleShot(0, qApp, [step = std::move(step)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            ADD_FAILURE() << "no modal window";
            return;
        }
        step(*modal);
        if (modal->isVisible()) {
            ADD_FAILURE() << modal->objectName().toStdString() << " was left open";
            modal->close();
        }
    });
}

// The same for the preview, which must be the modal window.
void inPreview(std::function<void(PrintPreviewWindow&)> step)
{
    onNextModal([step = std::move(step)](QWidget& modal) {
        auto* preview = qobject_cast<PrintPreviewWindow*>(&modal);
        ASSERT_NE(preview, nullptr) << modal.objectName().toStdString();
        step(*preview);
    });
}

template <typename T> T& child(QWidget& window, const char* name)
{
    auto* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        throw std::runtime_error(std::string("no control ") + name);
    return *found;
}

QString pageDisplay(PrintPreviewWindow& preview)
{
    return child<QLabel>(preview, "PageDisplay").text();
}

void click(QWidget& window, const char* name)
{
    child<QPushButton>(window, name).click();
}

void trigger(QWidget& window, const char* name)
{
    child<QAction>(window, name).trigger();
}

} // namespace

// The report window offers the preview beside "Drucken" in the menu and on the tool bar. The
// preview shows the editor's text as it stands, unsaved edits included, on as many pages as
// printing makes; "Drucken ..." closes it and prints through the print dialog, "Schließen"
// and Cancel in the print dialog print nothing, and the orientation chosen in the preview
// is the one printed.
TEST(PrintPreview, ReportWindowShowsAndPrintsTheTextAsItStands)
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
    form.editor().textCursor().insertText(QStringLiteral("Noch nicht gespeichert\n"));

    auto& previewAction = child<QAction>(form, "FilePrintPreview");
    EXPECT_EQ(previewAction.text(), QStringLiteral("Seiten&ansicht ..."));
    EXPECT_EQ(previewAction.iconText(), QStringLiteral("Seitenansicht"));
    const QList<QAction*> fileMenu = child<QMenu>(form, "MenuDatei").actions();
    const qsizetype inMenu = fileMenu.indexOf(&previewAction);
    ASSERT_GE(inMenu, 0);
    EXPECT_EQ(fileMenu.value(inMenu + 1)->objectName(), QStringLiteral("FilePrint"));
    const QList<QAction*> toolBar = child<QToolBar>(form, "CommandBar").actions();
    const qsizetype onBar = toolBar.indexOf(&previewAction);
    ASSERT_GE(onBar, 1);
    EXPECT_EQ(toolBar.value(onBar - 1)->objectName(), QStringLiteral("FilePrint"));

    // Looking and closing prints nothing.
    int shownPages = 0;
    inPreview([&](PrintPreviewWindow& preview) {
        EXPECT_EQ(preview.windowTitle(), QStringLiteral("Seitenansicht – Unbenannt"));
        shownPages = preview.pageCount();
        EXPECT_EQ(pageDisplay(preview), QStringLiteral("Seite 1 von %1").arg(shownPages));
        EXPECT_FALSE(child<QAction>(preview, "PreviousPage").isEnabled());
        trigger(preview, "NextPage");
        EXPECT_EQ(pageDisplay(preview), QStringLiteral("Seite 2 von %1").arg(shownPages));
        trigger(preview, "LastPage");
        EXPECT_EQ(preview.currentPage(), shownPages);
        EXPECT_FALSE(child<QAction>(preview, "NextPage").isEnabled());

        // The view commands reach the preview; zooming by hand leaves both fitting modes.
        QPrintPreviewWidget& pages = preview.previewWidget();
        EXPECT_EQ(pages.zoomMode(), QPrintPreviewWidget::FitInView);
        trigger(preview, "FitWidth");
        EXPECT_EQ(pages.zoomMode(), QPrintPreviewWidget::FitToWidth);
        const qreal zoom = pages.zoomFactor();
        trigger(preview, "ZoomIn");
        EXPECT_GT(pages.zoomFactor(), zoom);
        EXPECT_FALSE(child<QAction>(preview, "FitWidth").isChecked());
        trigger(preview, "ZoomOut");
        EXPECT_EQ(pages.zoomMode(), QPrintPreviewWidget::CustomZoom);
        trigger(preview, "AllPages");
        EXPECT_EQ(pages.viewMode(), QPrintPreviewWidget::AllPagesView);
        trigger(preview, "FacingPages");
        EXPECT_EQ(pages.viewMode(), QPrintPreviewWidget::FacingPagesView);
        trigger(preview, "FitPage");
        EXPECT_EQ(pages.zoomMode(), QPrintPreviewWidget::FitInView);
        click(preview, "BtnSchliessen");
    });
    previewAction.trigger();
    ASSERT_GE(shownPages, 3) << "200 lines need several pages";
    EXPECT_TRUE(ui.shown().empty());

    // "Drucken ..." closes the preview and goes through the print dialog.
    const QString pdf = TestDirs::root() + QStringLiteral("/vorschau.pdf");
    PrintChoice toFile;
    toFile.outputFile = pdf;
    ui.answerPrint(toFile);
    bool previewGone = false;
    inPreview([&](PrintPreviewWindow& preview) {
        click(preview, "BtnDrucken");
        previewGone = !preview.isVisible();
    });
    previewAction.trigger();
    EXPECT_TRUE(previewGone);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().back().kind, Shown::Kind::PrintDialog);
    EXPECT_EQ(ui.shown().back().printRequest.jobName, QStringLiteral("Unbenannt"));
    EXPECT_EQ(pdfPageCount(pdf), shownPages);
    EXPECT_EQ(pdfLines(pdf, 1).mid(0, 2), (QStringList{QStringLiteral("Noch nicht gespeichert"),
                                                       QStringLiteral("Eintrag 1 OK 200")}));

    // Turned to landscape: fewer lines fit a page. Cancel in the print dialog prints
    // nothing; the next print keeps the orientation.
    QFile::remove(pdf);
    ui.answerPrint(std::nullopt);
    int landscapePages = 0;
    inPreview([&](PrintPreviewWindow& preview) {
        trigger(preview, "Landscape");
        EXPECT_EQ(preview.orientation(), QPageLayout::Landscape);
        landscapePages = preview.pageCount();
        EXPECT_EQ(pageDisplay(preview), QStringLiteral("Seite 1 von %1").arg(landscapePages));
        click(preview, "BtnDrucken");
    });
    previewAction.trigger();
    EXPECT_GT(landscapePages, shownPages);
    EXPECT_EQ(ui.shown().size(), 2u);
    EXPECT_FALSE(QFile::exists(pdf));
    ui.answerPrint(toFile);
    trigger(form, "FilePrint");
    EXPECT_EQ(pdfPageCount(pdf), landscapePages);
    const QSize page = pdfPageSize(pdf);
    EXPECT_GT(page.width(), page.height()) << page.width() << " x " << page.height();
    form.editor().document()->setModified(false);
}

// The standard report's preview shows the list in the view the dialog shows, on the pages
// printing makes; Escape closes it, "Drucken ..." prints through the dialog's own print
// dialog.
TEST(PrintPreview, StandardReportShowsAndPrintsTheCurrentView)
{
    std::vector<ResultRow> successes;
    for (int i = 1; i <= 80; ++i)
        successes.push_back(
            {QStringLiteral("Dienst %1").arg(i), QStringLiteral("200"), QStringLiteral("OK"), {}});
    const std::vector<ResultRow> failures{{QStringLiteral("Dixie"), QStringLiteral("0"),
                                           QStringLiteral("Timeout"), QStringLiteral("http://x/")}};
    ScriptedUiServices ui;
    const QString pdf = TestDirs::root() + QStringLiteral("/standard.pdf");
    PrintChoice toFile;
    toFile.outputFile = pdf;
    ui.answerPrint(toFile);

    int shownPages = 0;
    onNextModal([&](QWidget& report) {
        auto& views = child<QComboBox>(report, "ViewComboBox");
        views.setCurrentIndex(views.findText(QStringLiteral("Statuscode")));
        auto& previewButton = child<QPushButton>(report, "BtnSeitenansicht");
        EXPECT_EQ(previewButton.text().remove(QLatin1Char('&')), QStringLiteral("Seitenansicht"));

        inPreview([&](PrintPreviewWindow& preview) {
            EXPECT_EQ(preview.windowTitle(), QStringLiteral("Seitenansicht – Standardbericht"));
            shownPages = preview.pageCount();
            EXPECT_EQ(pageDisplay(preview), QStringLiteral("Seite 1 von %1").arg(shownPages));
            QTest::keyClick(&preview, Qt::Key_Escape);
        });
        previewButton.click();
        EXPECT_TRUE(ui.shown().empty()) << "Escape closes the preview and prints nothing";

        inPreview([&](PrintPreviewWindow& preview) { click(preview, "BtnDrucken"); });
        previewButton.click();
        click(report, "BtnSchliessen");
    });
    TStandardBerichtForm::execute(ui, successes, failures);

    ASSERT_GE(shownPages, 2) << "81 rows need more than one page";
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().back().kind, Shown::Kind::PrintDialog);
    EXPECT_EQ(ui.shown().back().title, QStringLiteral("Standardbericht drucken"));
    EXPECT_EQ(pdfPageCount(pdf), shownPages);
    EXPECT_EQ(pdfLines(pdf, 1).mid(0, 3),
              (QStringList{QStringLiteral("Standardbericht"),
                           QStringLiteral("Statuscode Suchdienst Meldung"),
                           QStringLiteral("200 Dienst 1 OK")}));
    EXPECT_EQ(pdfLines(pdf, shownPages).mid(pdfLines(pdf, shownPages).size() - 2),
              (QStringList{QStringLiteral("0 Dixie Timeout"),
                           QStringLiteral("Seite %1 von %1").arg(shownPages)}));
}
