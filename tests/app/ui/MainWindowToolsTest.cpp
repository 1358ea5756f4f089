// The webmaster tools as the main window offers them: the meta-tag page's tool buttons, the
// assistant for manual submission, and "URL prüfen" beside the site address.
#include "app/ui/THauptFormular.h"

#include "catalogue/TDataModule1.h"
#include "site/SiteDocument.h"
#include "site/ui/SiteDescriptionPage.h"
#include "tools/ManualAssistant.h"
#include "tools/MetaTagGenerator.h"
#include "tools/PingCheck.h"
#include "tools/ui/MetaTagPage.h"
#include "tools/ui/TFormManuellHilfe.h"

#include "BenchmarkSite.h"
#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using pelvaro::app::ui::THauptFormular;
using pelvaro::base::MessageAnswer;
using pelvaro::catalogue::TDataModule1;
using pelvaro::test::engine;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

class MainWindowToolsTest : public ::testing::Test
{
protected:
    // Two services, the second selected for manual submission when `withManual`.
    void open(bool withManual)
    {
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        pelvaro::test::createCatalogue(
            data,
            {engine(1, QStringLiteral("Automatik"),
                    {{QStringLiteral("Action"), QStringLiteral("http://127.0.0.1:1/a")}}),
             engine(2, QStringLiteral("Handarbeit-Verzeichnis"),
                    {{QStringLiteral("NurManuell"), true},
                     {QStringLiteral("Ausgewaehlt"), withManual},
                     {QStringLiteral("URL"), QStringLiteral("http://handarbeit.example/")}})},
            {}, {});
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QStringLiteral("x")));
        window = std::make_unique<THauptFormular>(ui, TestDirs::settingsFile());
        window->attachCatalogue(*module);
        window->show();
        QApplication::setActiveWindow(window.get());
    }

    void TearDown() override
    {
        window.reset();
        module.reset();
    }

    void fillSite()
    {
        const pelvaro::site::SiteRecord record = pelvaro::bench::filledRecord();
        window->document().record() = record;
        window->sitePage().showRecord(record);
    }

    QAction* action(const char* name) const
    {
        auto* found = window->findChild<QAction*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Runs `trigger`; `work` gets the modal window that it opens.
    template <typename Window>
    bool whileModal(const std::function<void()>& trigger, const std::function<void(Window&)>& work)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* modal = qobject_cast<Window*>(QApplication::activeModalWidget());
            ASSERT_NE(modal, nullptr);
            seen = true;
            work(*modal);
        });
        trigger();
        return seen;
    }

    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
    std::unique_ptr<THauptFormular> window;
};

} // namespace

TEST_F(MainWindowToolsTest, MetaTagButtonsWorkOnThePageWithTheSiteData)
{
    open(false);
    fillSite();
    window->pageControl()->setCurrentIndex(1);
    EXPECT_EQ(window->statusText(), pelvaro::tools::MetaTagGenerator::statusPageShown());

    const QStringList hints = pelvaro::tools::ui::MetaTagPage::toolButtonHints();
    const char* names[] = {"ActionMetaTagsEinlesen",     "ActionHeadAbschnittZeigen",
                           "ActionDateiBearbeiten",      "ActionMetaTagsGenerieren",
                           "ActionKenndatenImportieren", "ActionInZwischenablage"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(action(names[i])->toolTip(), hints.at(i)) << names[i];

    // The form is empty, so the site values are taken without a question.
    action("ActionKenndatenImportieren")->trigger();
    const pelvaro::site::SiteRecord& site = window->document().record();
    const pelvaro::tools::MetaTagForm form = window->metaTagPage().form();
    EXPECT_EQ(form.EditAutor, site.NameVornameWebMasterEdit);
    EXPECT_EQ(form.EditHerausgeber, site.CompanyEdit);
    EXPECT_EQ(form.MemoKeys, site.KeywordsMemo);
    EXPECT_TRUE(ui.shown().empty()) << ui.messageTexts().join(u'|').toStdString();

    // Some lists are still empty: "Nein" to filling them in first generates what is there.
    ui.answer(MessageAnswer::No);
    action("ActionMetaTagsGenerieren")->trigger();
    const QString block = window->metaTagPage()
                              .findChild<QPlainTextEdit*>(QStringLiteral("MemoErzeugteTags"))
                              ->toPlainText();
    EXPECT_TRUE(block.contains(QStringLiteral("<META NAME=\"author\" CONTENT=\"") +
                               site.NameVornameWebMasterEdit))
        << block.toStdString();
    EXPECT_EQ(ui.shown().back().text, pelvaro::tools::MetaTagGenerator::questionFillInFirst());
    action("ActionInZwischenablage")->trigger();
    EXPECT_EQ(ui.clipboardText().trimmed(), block.trimmed());

    // Leaving and coming back shows the page's own status text again.
    window->pageControl()->setCurrentIndex(0);
    window->pageControl()->setCurrentIndex(1);
    EXPECT_EQ(window->statusText(), pelvaro::tools::MetaTagGenerator::statusPageShown());
}

TEST_F(MainWindowToolsTest, AssistantStartChecks)
{
    // Nothing manual selected: told so, nothing opens.
    open(false);
    fillSite();
    action("ActionAnmeldehilfe")->trigger();
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().back().text, pelvaro::tools::ManualAssistant::nothingManualText());
    EXPECT_FALSE(window->assistant()->isVisible());

    // Missing site values: "Nein" goes to the description page instead.
    window.reset();
    module.reset();
    open(true);
    window->pageControl()->setCurrentIndex(3);
    ui.answer(MessageAnswer::No);
    action("ActionAnmeldehilfe")->trigger();
    EXPECT_EQ(ui.shown().back().text, pelvaro::tools::ManualAssistant::missingValuesQuestion());
    EXPECT_EQ(window->pageControl()->currentIndex(), 0);
    EXPECT_FALSE(window->assistant()->isVisible());
    EXPECT_TRUE(ui.allAnswersUsed());
}

TEST_F(MainWindowToolsTest, AssistantRunsBesideTheMinimisedWindowWithTheSiteValues)
{
    open(true);
    fillSite();
    window->pageControl()->setCurrentIndex(3);
    const size_t before = ui.shown().size();
    QString copied;
    const bool seen = whileModal<pelvaro::tools::ui::TFormManuellHilfe>(
        [this] { action("ActionAnmeldehilfe")->trigger(); },
        [&](pelvaro::tools::ui::TFormManuellHilfe& assistant) {
            EXPECT_TRUE(window->isMinimized());
            EXPECT_EQ(&assistant, window->assistant());
            assistant.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            copied = ui.clipboardText();
            EXPECT_EQ(assistant.findChild<QLabel*>(QStringLiteral("LabelName"))->text(),
                      QStringLiteral("Handarbeit..."));
            assistant.close();
        });
    EXPECT_TRUE(seen);
    EXPECT_EQ(ui.shown().size(), before) << "all site values present: no question";
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(copied, pelvaro::tools::ManualAssistant::valuesOf(window->document().record())[1]);
    EXPECT_EQ(window->pageControl()->currentIndex(), 4) << "the manual-submission page";
}

TEST_F(MainWindowToolsTest, UrlCheckRefusesBadAddressesAndOpensThePingWindowForGoodOnes)
{
    open(false);
    auto* address = window->findChild<QLineEdit*>(QStringLiteral("URLEdit"));
    auto* button = window->findChild<QToolButton*>(QStringLiteral("OvcAttachedButton2"));
    ASSERT_TRUE(address && button);

    for (const QString& bad :
         {QStringLiteral("ftp://www.example.org/"), QStringLiteral("http://")}) {
        address->setText(bad);
        button->click();
        ASSERT_FALSE(ui.shown().empty());
        EXPECT_EQ(ui.shown().back().text, pelvaro::tools::pingAddressProblem(bad));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }

    address->setText(QStringLiteral("http://127.0.0.1:1/seite.html"));
    QString host;
    const bool seen =
        whileModal<QDialog>([&] { button->click(); },
                            [&](QDialog& form) {
                                EXPECT_EQ(form.objectName(), QStringLiteral("pingform"));
                                host =
                                    form.findChild<QLineEdit*>(QStringLiteral("HostEdit"))->text();
                                form.reject();
                            });
    EXPECT_TRUE(seen);
    EXPECT_EQ(host, QStringLiteral("127.0.0.1:1"));
}
