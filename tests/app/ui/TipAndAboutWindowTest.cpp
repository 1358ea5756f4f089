// The tip window and the about box, driven by their controls.
#include "app/AboutInfo.h"
#include "app/ui/TAboutBox.h"
#include "app/ui/TTipOfTheDayForm.h"

#include "submit/SubmissionScheduler.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    // When no window comes up the timer has not fired yet; the guard cancels it, so it
    // cannot fire in a later test with this call's locals gone.
    QObject guard;
    QTimer::singleShot(0, &guard, [&] {
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

TEST(TipWindow, AFileThatCannotBeWrittenOnOkIsReportedAndTheFlagIsTakenOver)
{
    ScriptedUiServices ui;
    writeTips("A\r\nB\r\n");
    bool flag = true;
    EXPECT_TRUE(showTips(ui, flag, [](QDialog& form) {
        // A folder takes the file's place while the window is open, which stops root as well.
        ASSERT_TRUE(QFile::remove(tipsPath()));
        ASSERT_TRUE(QDir().mkpath(tipsPath() + QStringLiteral("/inhalt")));
        form.findChild<QCheckBox*>(QStringLiteral("ShowOnStartup"))->setChecked(false);
        click(form, "OKButton");
        EXPECT_FALSE(form.isVisible()) << "the failure is reported, the window still closes";
    }));
    EXPECT_FALSE(flag);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().front().kind, ScriptedUiServices::Shown::Kind::GeneralError);
    EXPECT_TRUE(ui.shown().front().text.startsWith(
        pelvaro::app::TipsFile::unwritableText(tipsPath(), QString())));
    EXPECT_TRUE(QFileInfo(tipsPath() + QStringLiteral("/inhalt")).isDir());
    QDir(tipsPath()).removeRecursively();
}

TEST(TipWindow, EmptyFileOpensNoWindowAndTheFlagStays)
{
    ScriptedUiServices ui;
    writeTips("\r\n\r\n");
    bool flag = false;
    EXPECT_FALSE(showTips(ui, flag, [](QDialog&) {}));
    EXPECT_FALSE(flag);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().front().text, pelvaro::app::TipsFile::emptyText(tipsPath()));
    EXPECT_EQ(readTips(), QByteArray("\r\n\r\n"));
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

TEST(AboutBox, SupportKeysReachTheBoxThroughTheFocusedControl)
{
    ScriptedUiServices ui;
    TAboutBox box(ui, QString());
    box.show();
    EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("LabelVersionen"))->text(),
              QStringLiteral("Programmversion: 1.6.1    Datenbankversion: 2.9"));
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("OKButton"));
    ASSERT_NE(ok, nullptr);
    ok->setFocus();

    const QString before = SubmissionScheduler::defaultReferringPage();
    ASSERT_NE(before, AboutInfo::alternativeReferringPage());
    QTest::keyClick(ok, Qt::Key_F1, Qt::ControlModifier);
    const QString after = SubmissionScheduler::defaultReferringPage();
    SubmissionScheduler::setDefaultReferringPage(before);
    EXPECT_EQ(after, AboutInfo::alternativeReferringPage());

    QTest::keyClick(ok, Qt::Key_F2, Qt::ControlModifier);
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().front().text, QStringLiteral("1.6.1c"));
    EXPECT_TRUE(box.isVisible()) << "the keys do not press the focused button";

    // The other links open their addresses through the door as well.
    for (const char* name : {"LinkWebSite", "LinkSupport"}) {
        auto* link = box.findChild<QLabel*>(QLatin1String(name));
        ASSERT_NE(link, nullptr) << name;
        const QString address = link->text().section(QLatin1Char('"'), 1, 1);
        emit link->linkActivated(address);
    }
    EXPECT_EQ(ui.openedUrls(), (std::vector<QUrl>{QUrl(AboutInfo::webSiteAddress()),
                                                  QUrl(AboutInfo::supportMailAddress())}));
}

TEST(PictureWindows, TipWindowAndAboutBoxComeUpShown)
{
    ScriptedUiServices ui;
    const auto tip = TTipOfTheDayForm::showForPicture(
        ui, {QStringLiteral("Erster Tip"), QStringLiteral("Zweiter Tip")});
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->findChild<QLabel*>(QStringLiteral("Tip"))->text(), QStringLiteral("Erster Tip"));
    const auto about = TAboutBox::showForPicture(ui, QString());
    EXPECT_TRUE(about->isVisible());
    EXPECT_TRUE(ui.shown().empty());
}
