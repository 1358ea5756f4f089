#include "app/ui/HelpWindow.h"
#include "app/ui/QtUiServices.h"
#include "app/ui/WaitNoticeWindow.h"

#include <QApplication>
#include <QTextBrowser>

#include <gtest/gtest.h>

using pelvaro::app::ui::HelpWindow;
using pelvaro::app::ui::QtUiServices;
using pelvaro::app::ui::WaitNoticeWindow;

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
