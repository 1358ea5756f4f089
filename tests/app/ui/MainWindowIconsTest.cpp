#include "app/ui/THauptFormular.h"
#include "base/ui/ProgramIcons.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QToolBar>

#include <gtest/gtest.h>

using pelvaro::app::ui::THauptFormular;
using pelvaro::base::ui::ProgramIcons;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using Icon = ProgramIcons::Command;

namespace {

QImage pictureOf(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16))
        .toImage()
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

TEST(MainWindowIcons, ToolBarsAndMenusShowTheirCommandsPictures)
{
    ScriptedUiServices ui;
    THauptFormular window(ui, TestDirs::settingsFile());

    const QList<QToolBar*> bars = window.findChildren<QToolBar*>();
    ASSERT_EQ(bars.size(), 6);
    for (const QToolBar* bar : bars) {
        EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon) << "the words stay";
        for (const QAction* action : bar->actions()) {
            if (!action->isSeparator()) {
                EXPECT_FALSE(action->icon().isNull())
                    << bar->objectName().toStdString() << ": " << action->text().toStdString();
            }
        }
    }
    for (const char* name : {"MenuDatei", "MenuAktualisierung", "MenuHilfe", "ListContextMenu"}) {
        const auto* menu = window.findChild<QMenu*>(QLatin1String(name));
        ASSERT_NE(menu, nullptr) << name;
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator() &&
                !action->objectName().startsWith(QLatin1String("ActionZuletzt"))) {
                EXPECT_FALSE(action->icon().isNull())
                    << name << ": " << action->text().toStdString();
            }
        }
    }
    // In the menu bar itself a picture would replace the word.
    const auto* options = window.findChild<QAction*>(QStringLiteral("ActionOptionen"));
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(options->icon().isNull());

    const std::pair<const char*, Icon> commands[] = {
        {"ActionNeu", Icon::New},
        {"ActionOeffnen", Icon::Open},
        {"ActionSpeichern", Icon::Save},
        {"ActionSpeichernUnter", Icon::SaveAs},
        {"ActionBeenden", Icon::Exit},
        {"ActionSuchdiensteAktualisieren", Icon::Refresh},
        {"ActionInhalt", Icon::Help},
        {"ActionInfo", Icon::About},
        {"ActionStartseite", Icon::GoHome},
        {"SubmitBtn", Icon::Start},
        {"ActionFilterAktivieren", Icon::Filter},
        {"ActionInZwischenablage", Icon::Copy},
        {"BtnStandardBericht", Icon::Table},
        {"TabSiteDescriptionHelpButton", Icon::Help},
    };
    for (const auto& [name, picture] : commands) {
        const auto* action = window.findChild<QAction*>(QLatin1String(name));
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(pictureOf(action->icon()), pictureOf(ProgramIcons::icon(picture))) << name;
    }
    const auto* neu = window.findChild<QAction*>(QStringLiteral("ActionNeu"));
    EXPECT_EQ(neu->text(), QStringLiteral("N&eu"));
    EXPECT_EQ(neu->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
}
