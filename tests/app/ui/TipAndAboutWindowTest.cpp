// The tip window and the about box, driven by their controls.
#include "app/AboutInfo.h"
#include "app/ui/TAboutBox.h"
#include "app/ui/TTipOfTheDayForm.h"

#include "submit/SubmissionScheduler.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using pelvaro::app::AboutInfo;
using pelvaro::app::ui::TAboutBox;
using pelvaro::app::ui::TTipDesTages;
using pelvaro::app::ui::TTipOfTheDayForm;
using pelvaro::submit::SubmissionScheduler;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

QString tipsPath()
{
    return TestDirs::programDir() + QStringLiteral("/tips.txt");
}

void writeTips(const QByteArray& bytes)
{
    QFile file(tipsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readTips()
{
    QFile file(tipsPath());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// Shows the tip window through its holder; `work` gets the window once it is up. Returns
// whether the window came up.
bool showTips(ScriptedUiServices& ui, bool& flag, const std::function<void(QDialog&)>& work)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!form)
            return;
        seen = true;
        work(*form);
        if (form->isVisible()) {
            ADD_FAILURE() << "the tip window was left open";
            form->done(0);
        }
    });
    TTipDesTages(tipsPath()).Execute(ui, flag, nullptr);
    return seen;
}

QString tipText(QDialog& form)
{
    return form.findChild<QLabel*>(QStringLiteral("Tip"))->text();
}

void click(QDialog& form, const char* name)
{
    form.findChild<QPushButton*>(QLatin1String(name))->click();
}

} // namespace

TEST(TipWindow, NextAndOkRotateTheFileAndOnlyOkCloses)
{
    ScriptedUiServices ui;
    writeTips("A\r\nB\r\nC\r\n");
    bool flag = true;
    QStringList shown;
    EXPECT_TRUE(showTips(ui, flag, [&](QDialog& form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Tip des Tages"));
        EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        auto* box = form.findChild<QCheckBox*>(QStringLiteral("ShowOnStartup"));
        EXPECT_TRUE(box->isChecked());
        shown << tipText(form);
        click(form, "NextButton");
        shown << tipText(form);
        // Neither Escape nor a close request ends the showing.
        QTest::keyClick(&form, Qt::Key_Escape);
        form.close();
        EXPECT_TRUE(form.isVisible());
        box->setChecked(false);
        click(form, "OKButton");
        EXPECT_FALSE(form.isVisible());
    }));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_FALSE(flag) << "the check box's state is taken over";
    EXPECT_EQ(readTips(), QByteArray("C\r\nA\r\nB\r\n"));
    EXPECT_TRUE(ui.shown().empty());
}

TEST(TipWindow, AFileThatCannotBeReadOpensNoWindowAndChangesNothing)
{
    ScriptedUiServices ui;
    QFile::remove(tipsPath());
    bool flag = true;
    EXPECT_FALSE(showTips(ui, flag, [](QDialog&) {}));
    EXPECT_TRUE(flag);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().back().text, pelvaro::app::TipsFile::missingText(tipsPath()));
}

TEST(AboutBox, VersionsLinksAndSupportKeys)
{
    ScriptedUiServices ui;
    TAboutBox box(ui, QStringLiteral("3.0"));
    box.show();
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Info"));
    auto* versions = box.findChild<QLabel*>(QStringLiteral("LabelVersionen"));
    ASSERT_NE(versions, nullptr);
    EXPECT_EQ(versions->text(), QStringLiteral("Programmversion: 1.6.1    Datenbankversion: 3.0"));
    EXPECT_EQ(versions->x(), AboutInfo::centredLeft(box.width(), versions->width()));

    emit box.findChild<QLabel*>(QStringLiteral("LinkForum"))
        ->linkActivated(AboutInfo::forumAddress());
    ASSERT_EQ(ui.openedUrls().size(), 1u);
    EXPECT_EQ(ui.openedUrls().back(), QUrl(AboutInfo::forumAddress()));

    const QString before = SubmissionScheduler::defaultReferringPage();
    QTest::keyClick(&box, Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ(SubmissionScheduler::defaultReferringPage(), AboutInfo::alternativeReferringPage());
    SubmissionScheduler::setDefaultReferringPage(before);

    QTest::keyClick(&box, Qt::Key_F2, Qt::ControlModifier);
    ASSERT_FALSE(ui.shown().empty());
    EXPECT_EQ(ui.shown().back().text, QStringLiteral("1.6.1c"));

    QTest::keyClick(&box, Qt::Key_F1);
    EXPECT_EQ(ui.shown().back().helpContext, 8);
}
