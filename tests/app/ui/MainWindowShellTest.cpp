#include "app/ui/HelpWindow.h"
#include "app/ui/QtUiServices.h"
#include "app/ui/WaitNoticeWindow.h"

#include "base/Error.h"

#include "ScriptedUiServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

using pelvaro::app::ui::HelpWindow;
using pelvaro::app::ui::QtUiServices;
using pelvaro::app::ui::WaitNoticeWindow;
using pelvaro::base::FileDialogRequest;
using pelvaro::base::MessageAnswer;
using pelvaro::base::MessageButtons;
using pelvaro::base::MessageKind;
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
    EXPECT_FALSE(ui.openUrl(QUrl(QStringLiteral("http://www.pelvaro.example/"))));
    ui.showGeneralError(QStringLiteral("Fehler-Nr. 88219"));
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
