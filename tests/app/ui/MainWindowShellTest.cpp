#include "app/ui/HelpWindow.h"
#include "app/ui/QtUiServices.h"
#include "app/ui/SplashWindow.h"
#include "app/ui/WaitNoticeWindow.h"

#include "base/Error.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using pelvaro::app::ui::HelpWindow;
using pelvaro::app::ui::QtUiServices;
using pelvaro::app::ui::SplashWindow;
using pelvaro::app::ui::WaitNoticeWindow;
using pelvaro::base::FileDialogRequest;
using pelvaro::base::MessageAnswer;
using pelvaro::base::MessageButtons;
using pelvaro::base::MessageKind;
using pelvaro::base::PrintChoice;
using pelvaro::base::PrintRequest;
using pelvaro::base::WaitNoticeGuard;

namespace {

bool noticeVisible(const QtUiServices& ui)
{
    return ui.waitWindow() && ui.waitWindow()->isVisible();
}

} // namespace

TEST(QtUiServices, HelpWindowFollowsHelpLinks)
{
    QtUiServices ui;
    ui.ShowHelp(4711);
    HelpWindow* help = ui.helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->browser()->toPlainText().contains(QStringLiteral("Hilfe-Kontext 4711")));
    emit help->browser()->anchorClicked(QUrl(QStringLiteral("help:99")));
    EXPECT_EQ(help->currentContext(), 99);
    EXPECT_TRUE(help->windowTitle().contains(QStringLiteral("Hinweise")));
    ui.ShowHelp(3);
    EXPECT_EQ(ui.helpWindow(), help) << "one help window, reused";
    EXPECT_EQ(help->currentContext(), 3);
    ui.closeWindows();
    EXPECT_EQ(ui.helpWindow(), nullptr);
}

TEST(QtUiServices, WaitNoticeIsShownOnceAndGoneWhenClosed)
{
    QtUiServices ui;
    ASSERT_TRUE(ui.ShowWaitNotice(QStringLiteral("Bitte warten ...")));
    EXPECT_FALSE(ui.ShowWaitNotice(QStringLiteral("Noch einer")));
    WaitNoticeWindow* window = ui.waitWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->text(), QStringLiteral("Bitte warten ..."));
    EXPECT_EQ(window->width(), 200);
    int visibleNotices = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        visibleNotices += qobject_cast<WaitNoticeWindow*>(w) && w->isVisible() ? 1 : 0;
    EXPECT_EQ(visibleNotices, 1);
    EXPECT_TRUE(ui.CloseWaitNotice());
    EXPECT_EQ(ui.waitWindow(), nullptr);
}

// The notice stays on top of everything, so a question asked under it would be hidden and
// out of reach; the box must be the window the user sees and works.
TEST(QtUiServices, BoxesAndDialogsShownUnderTheWaitNoticeComeFirst)
{
    QtUiServices ui;
    const WaitNoticeGuard notice(ui, QStringLiteral("Datei wird geladen, bitte warten ..."));

    bool noticeWhileBox = true;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        noticeWhileBox = noticeVisible(ui);
        for (QAbstractButton* button : box->buttons())
            if (button->text() == QStringLiteral("&Ja"))
                button->click();
    });
    EXPECT_EQ(ui.question(QStringLiteral("Sollen die aktuellen Formulardaten zuvor gespeichert "
                                         "werden?")),
              MessageAnswer::Yes);
    EXPECT_FALSE(noticeWhileBox);
    EXPECT_TRUE(noticeVisible(ui)) << "the work goes on, and so does its notice";
    EXPECT_EQ(ui.waitWindow()->text(), QStringLiteral("Datei wird geladen, bitte warten ..."));

    bool noticeWhileDialog = true;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        noticeWhileDialog = noticeVisible(ui);
        dialog->reject();
    });
    FileDialogRequest request;
    request.title = QStringLiteral("Speichern der Kenndatendatei");
    EXPECT_EQ(ui.getSaveFileName(request), std::nullopt);
    EXPECT_FALSE(noticeWhileDialog);
    EXPECT_TRUE(noticeVisible(ui));
}

// A box at start-up (a missing catalogue, say) must not open under the splash, which stays
// on top of everything: the splash goes first, and does not come back.
TEST(QtUiServices, TheSplashMakesWayForTheFirstBox)
{
    QtUiServices ui;
    SplashWindow splash;
    splash.showNow();
    ASSERT_TRUE(splash.isVisible());
    bool splashWhileBox = true;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        splashWhileBox = splash.isVisible();
        box->accept();
    });
    ui.warning(QStringLiteral("Fehler Nr. 12911"));
    EXPECT_FALSE(splashWhileBox);
    EXPECT_FALSE(splash.isVisible());
}

TEST(QtUiServices, WaitNoticeGuardClosesOnlyWhatItOpened)
{
    QtUiServices ui;
    {
        WaitNoticeGuard outer(ui, QStringLiteral("Bitte warten ..."));
        EXPECT_TRUE(outer.opened());
        {
            const WaitNoticeGuard inner(ui, QStringLiteral("Die Daten werden gespeichert"));
            EXPECT_FALSE(inner.opened());
        }
        EXPECT_TRUE(noticeVisible(ui)) << "a step inside keeps the outer step's notice";
        EXPECT_EQ(ui.waitWindow()->text(), QStringLiteral("Bitte warten ..."));
        outer.close();
        EXPECT_FALSE(ui.waitNoticeShown());
    }
    EXPECT_FALSE(ui.waitNoticeShown());

    try {
        const WaitNoticeGuard failing(ui, QStringLiteral("Bitte warten ..."));
        throw pelvaro::Error(QStringLiteral("kaputt"));
    } catch (const pelvaro::Error&) {
    }
    EXPECT_FALSE(ui.waitNoticeShown()) << "a failure does not leave the notice on screen";
    EXPECT_EQ(ui.waitWindow(), nullptr);
}

// Without a person in front of the screen every box takes its default button at once and
// nothing modal ever opens; if one did, this test would never return.
TEST(QtUiServices, UnattendedRunsAnswerWithTheDefaultButton)
{
    QtUiServices ui;
    ui.setUnattended(true);
    const std::pair<MessageButtons, MessageAnswer> cases[] = {
        {MessageButtons::Ok, MessageAnswer::Ok},
        {MessageButtons::OkCancel, MessageAnswer::Ok},
        {MessageButtons::YesNo, MessageAnswer::Yes},
        {MessageButtons::YesNoCancel, MessageAnswer::Yes},
    };
    for (const auto& [buttons, answer] : cases)
        EXPECT_EQ(ui.showMessage(MessageKind::Question, QStringLiteral("Pelvaro!"),
                                 QStringLiteral("Frage?"), buttons),
                  answer);
    FileDialogRequest request;
    request.title = QStringLiteral("Wählen Sie eine Datei mit Kenndaten");
    EXPECT_EQ(ui.getOpenFileName(request), std::nullopt);
    EXPECT_EQ(ui.getSaveFileName(request), std::nullopt);
    EXPECT_EQ(ui.choosePrinter(PrintRequest()), std::nullopt);
    EXPECT_EQ(ui.chooseFont(QStringLiteral("Schriftart"), QFont().toString()), std::nullopt);
    EXPECT_FALSE(ui.openUrl(QUrl(QStringLiteral("http://www.pelvaro.example/"))));
    ui.showGeneralError(QStringLiteral("Fehler-Nr. 88219"));
}

// The print dialog's answer is read back from its controls into plain values, the only form
// in which it reaches the windows that print.
TEST(QtUiServices, PrintDialogAnswersWithWhatItsControlsShow)
{
    QtUiServices ui;
    // Nothing is printed, but the dialog makes sure the file could be written.
    const QString pdf = pelvaro::test::TestDirs::root() + QStringLiteral("/druck.pdf");
    PrintChoice all;
    all.outputFile = pdf;
    PrintChoice range = all;
    range.fromPage = 2;
    range.toPage = 3;
    range.copies = 2;
    PrintChoice selection = all;
    selection.selectionOnly = true;
    struct Case
    {
        const char* what;
        std::function<void(QPrintDialog&)> work;
        std::optional<PrintChoice> expected;
    };
    const auto toFile = [&](QPrintDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("filename"))->setText(pdf);
    };
    const Case cases[] = {
        {"all pages to a file",
         [&](QPrintDialog& dialog) {
             toFile(dialog);
             dialog.accept();
         },
         all},
        {"a page range, two copies",
         [&](QPrintDialog& dialog) {
             toFile(dialog);
             dialog.findChild<QRadioButton*>(QStringLiteral("printRange"))->setChecked(true);
             dialog.findChild<QSpinBox*>(QStringLiteral("from"))->setValue(2);
             dialog.findChild<QSpinBox*>(QStringLiteral("to"))->setValue(3);
             dialog.findChild<QSpinBox*>(QStringLiteral("copies"))->setValue(2);
             dialog.accept();
         },
         range},
        {"the selection",
         [&](QPrintDialog& dialog) {
             toFile(dialog);
             auto* selection = dialog.findChild<QRadioButton*>(QStringLiteral("printSelection"));
             EXPECT_TRUE(selection->isEnabled());
             selection->setChecked(true);
             dialog.accept();
         },
         selection},
        {"cancelled", [](QPrintDialog& dialog) { dialog.reject(); }, std::nullopt},
    };
    PrintRequest request;
    request.title = QStringLiteral("Bericht drucken");
    request.jobName = QStringLiteral("Unbenannt");
    request.selectionAvailable = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString caption;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            caption = dialog->windowTitle();
            c.work(*dialog);
        });
        EXPECT_EQ(ui.choosePrinter(request), c.expected);
        EXPECT_EQ(caption, QStringLiteral("Bericht drucken"));
    }
}

// Printing to a file proposes the file the caller names, not the home folder followed by the
// job's name, which is a whole path for a saved report.
TEST(QtUiServices, PrintToFileProposesTheCallersFile)
{
    QtUiServices ui;
    PrintRequest request;
    request.jobName = pelvaro::test::TestDirs::root() + QStringLiteral("/bericht.rtf");
    request.pdfFile = pelvaro::test::TestDirs::root() + QStringLiteral("/bericht.pdf");
    QString proposed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        proposed = dialog->findChild<QLineEdit*>(QStringLiteral("filename"))->text();
        dialog->reject();
    });
    EXPECT_EQ(ui.choosePrinter(request), std::nullopt);
    EXPECT_EQ(proposed, request.pdfFile);
}

TEST(QtUiServices, FontDialogStartsFromTheCurrentFont)
{
    QtUiServices ui;
    QFont current = QApplication::font();
    current.setPointSize(20);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Schriftart"));
        dialog->accept();
    });
    const std::optional<QString> chosen =
        ui.chooseFont(QStringLiteral("Schriftart"), current.toString());
    ASSERT_TRUE(chosen.has_value());
    QFont font;
    ASSERT_TRUE(font.fromString(*chosen));
    EXPECT_EQ(font.family(), current.family());
    EXPECT_EQ(font.pointSize(), 20);

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(ui.chooseFont(QStringLiteral("Schriftart"), current.toString()), std::nullopt);
}

// A dialog nobody scripted must fail the test rather than answer something plausible.
TEST(ScriptedUiServices, UnscriptedPrintAndFontDialogsFailTheTest)
{
    pelvaro::test::ScriptedUiServices ui;
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(ui.choosePrinter({}), std::nullopt),
                            "unscripted print dialog");
    ui.answer(MessageAnswer::Yes);
    EXPECT_NONFATAL_FAILURE(
        EXPECT_EQ(ui.chooseFont(QStringLiteral("Schriftart"), {}), std::nullopt),
        "unscripted font dialog");
    EXPECT_EQ(ui.question(QStringLiteral("Weiter?")), MessageAnswer::Yes)
        << "the answer meant for another question stays queued";
}

TEST(UiServicesErrorEdge, FailuresReachTheGeneralErrorDisplay)
{
    pelvaro::test::ScriptedUiServices ui;
    EXPECT_TRUE(ui.guarded([] {}));
    EXPECT_FALSE(ui.guarded([] { throw pelvaro::Error(QStringLiteral("Fehler-Nr. 88219")); }));
    EXPECT_FALSE(ui.guarded([] { throw std::runtime_error("Speicher voll"); }));
    EXPECT_EQ(ui.messageTexts(),
              (QStringList{QStringLiteral("Fehler-Nr. 88219"), QStringLiteral("Speicher voll")}));
    EXPECT_EQ(ui.shown().front().kind,
              pelvaro::test::ScriptedUiServices::Shown::Kind::GeneralError);
}

// "Hilfe" in a modal window (the scheduler's) opens help that takes input beside it and stands
// in front of it, not behind the main window and blocked until the modal window closes.
TEST(QtUiServices, HelpIsUsableBesideAModalWindow)
{
    QtUiServices ui;
    QDialog modal;
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &modal);
    ui.ShowHelp(3);
    HelpWindow* help = ui.helpWindow();
    ASSERT_NE(help, nullptr);
    ASSERT_NE(help->windowHandle(), nullptr);
    EXPECT_EQ(help->windowHandle()->transientParent(), modal.windowHandle());
    // Input reaches it through the window system, where a blocked window gets none.
    help->browser()->setFocus();
    QTest::keyClick(help->windowHandle(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(help->browser()->textCursor().hasSelection());
    const QRect available = help->screen()->availableGeometry();
    EXPECT_TRUE(available.contains(help->frameGeometry()))
        << help->frameGeometry().x() << "," << help->frameGeometry().y();
    modal.hide();
    ui.closeWindows();
}

TEST(HelpWindow, IsPlacedWholeOnTheScreen)
{
    const QRect screen(0, 0, 800, 600);
    const struct
    {
        QRect frame;
        QRect placed;
    } cases[] = {
        {{100, 50, 520, 460}, {100, 50, 520, 460}},   // inside: stays
        {{600, 400, 520, 460}, {280, 140, 520, 460}}, // over the right and lower edges
        {{-80, -30, 520, 460}, {0, 0, 520, 460}},     // over the left and upper edges
        {{10, 10, 1000, 700}, {0, 0, 800, 600}},      // larger than the screen
    };
    for (const auto& c : cases)
        EXPECT_EQ(HelpWindow::placedOnScreen(c.frame, screen), c.placed);
    EXPECT_EQ(HelpWindow::placedOnScreen({900, 10, 100, 100}, QRect(800, 0, 800, 600)),
              QRect(900, 10, 100, 100))
        << "a second screen";
}
