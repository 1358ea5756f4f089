#include "base/UiServices.h"
#include "base/HelpPages.h"

#include "ScriptedUiServices.h"

#include <gtest/gtest.h>

using pelvaro::base::HelpPages;
using pelvaro::test::ScriptedUiServices;

TEST(WaitNotice, AtMostOneAtATime)
{
    ScriptedUiServices ui;
    EXPECT_FALSE(ui.CloseWaitNotice()) << "nothing to close yet";
    EXPECT_TRUE(ui.ShowWaitNotice(QStringLiteral("Bitte warten ...")));
    EXPECT_FALSE(ui.ShowWaitNotice(QStringLiteral("Datei wird geladen, bitte warten ...")));
    EXPECT_EQ(ui.waitNoticesOpened(), 1);
    EXPECT_EQ(ui.lastWaitText(), QStringLiteral("Bitte warten ..."));
    EXPECT_TRUE(ui.CloseWaitNotice());
    EXPECT_FALSE(ui.CloseWaitNotice());
    EXPECT_TRUE(ui.ShowWaitNotice(QStringLiteral("Wieder")));
    EXPECT_EQ(ui.waitNoticesOpened(), 2);
}

class HelpContextTest : public ::testing::TestWithParam<int>
{
};

// Every help context the program opens has a German page with a title.
TEST_P(HelpContextTest, HasAPage)
{
    ScriptedUiServices ui;
    ui.ShowHelp(GetParam());
    ASSERT_EQ(ui.shown().size(), 1u);
    const auto& shown = ui.shown().front();
    EXPECT_EQ(shown.helpContext, GetParam());
    EXPECT_TRUE(shown.helpFound);
    EXPECT_FALSE(shown.title.isEmpty());
    EXPECT_TRUE(shown.text.contains(QStringLiteral("<h1>"))) << shown.text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Contexts, HelpContextTest,
                         ::testing::Values(1, 3, 4, 5, 6, 8, 9, 10, 11, 12, 14, 15, 16, 17, 20, 21,
                                           99, 172, 174, 2000, 3000, 9911));

TEST(HelpPages, MissingPageShowsANoticeInsteadOfABlankWindow)
{
    const auto page = HelpPages::page(4711);
    EXPECT_FALSE(page.found);
    EXPECT_TRUE(page.html.contains(QStringLiteral("Hilfe-Kontext 4711")));
    EXPECT_TRUE(page.html.contains(QStringLiteral("help:1")));
}

TEST(HelpPages, OverviewLinksToEveryOtherPage)
{
    const QString overview = HelpPages::page(1).html;
    for (int context :
         {3, 4, 5, 6, 8, 10, 11, 12, 14, 15, 16, 17, 20, 21, 99, 172, 174, 2000, 3000, 9911})
        EXPECT_TRUE(overview.contains(QStringLiteral("\"help:%1\"").arg(context))) << context;
}
