#include "tools/ui/TFormManuellHilfe.h"

#include "base/DayNumber.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

using pelvaro::catalogue::TDataModule1;
using pelvaro::site::SiteRecord;
using pelvaro::test::engine;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using pelvaro::tools::ManualAssistant;
using pelvaro::tools::ui::TFormManuellHilfe;

namespace {

// Three selected manual-only services, walked by name: Anton with a remark, a long-named
// one without registration page, Cäsar. One automatic service and one unselected manual
// one must never appear.
class ManualAssistantWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        const QVariantMap manual{{QStringLiteral("NurManuell"), true},
                                 {QStringLiteral("Ausgewaehlt"), true}};
        QVariantMap remarked = manual;
        remarked.insert(QStringLiteral("Bemerkung"), remark);
        QVariantMap withoutForm = manual;
        withoutForm.insert(QStringLiteral("ManuellURL"), QVariant());
        pelvaro::test::createCatalogue(
            data,
            {engine(1, QStringLiteral("Cäsar"), manual),
             engine(2, QStringLiteral("Automatisch"), {{QStringLiteral("Ausgewaehlt"), true}}),
             engine(3, QStringLiteral("Anton"), remarked),
             engine(4, QStringLiteral("Bertas Verzeichnis"), withoutForm),
             engine(5, QStringLiteral("Abgewählt"), {{QStringLiteral("NurManuell"), true}})});
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QStringLiteral("1")));
        module->TableManuellSenden().last();

        record.Clear();
        record.TitleEdit = QStringLiteral("Musterseite");
        record.URLEdit = QStringLiteral("http://www.muster.example/");
        record.DescriptionShortEdit = QStringLiteral("Alles über Muster");
        record.DescriptionMemo = QStringLiteral("Erste Zeile\nZweite Zeile");
        record.KeywordsMemo = QStringLiteral("muster, beispiel");
        record.FirstNameEdit = QStringLiteral("Erika");
        record.LastNameEdit = QStringLiteral("Mustermann");
        record.WebmasterEmailEdit = QStringLiteral("webmaster@muster.example");
        record.CompanyEdit = QStringLiteral("Muster GmbH");
        record.PostcodeEdit = QStringLiteral("12345");
        record.CityEdit = QStringLiteral("Musterstadt");
        record.AddressEdit = QStringLiteral("Musterweg 1");

        window = makeWindow(nullptr);
    }

    // In the program's own font, for which the narrow window is laid out.
    std::unique_ptr<TFormManuellHilfe> makeWindow(QWidget* parent)
    {
        auto made = std::make_unique<TFormManuellHilfe>(ui, *module, parent);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSize(8);
        made->setFont(font);
        made->setClock([this] { return today; });
        return made;
    }

    template <typename T> T* child(const char* name)
    {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* name)
    {
        QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton);
    }
    QString shownName() { return child<QLabel>("LabelName")->text(); }

    struct LinkState
    {
        QString text;
        QString address;
        bool enabled = false;
    };
    LinkState link(const char* name)
    {
        auto* label = child<QLabel>(name);
        return {QTextDocumentFragment::fromHtml(label->text()).toPlainText(), label->toolTip(),
                label->isEnabled()};
    }

    double dateOf(int nr)
    {
        for (const auto& row :
             module->readRows({QStringLiteral("Nr"), QStringLiteral("ZuletztRegistriert")}))
            if (row.values.at(0).toInt() == nr)
                return row.values.at(1).toDouble();
        return -1;
    }

    const QString remark = QStringLiteral("Anmeldung erst nach Freischaltung des Kontos.");
    const QDate today{2026, 12, 10};
    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
    SiteRecord record;
    // Declared before the window, which it may own and must outlive.
    std::unique_ptr<QWidget> mainWindow;
    std::unique_ptr<TFormManuellHilfe> window;
};

TEST_F(ManualAssistantWindowTest, ValueButtonsStackInTheirOrderShowTheirValueAndCopyIt)
{
    window->prepare(record);
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(window->width(), TFormManuellHilfe::WindowWidth);

    auto* group = child<QGroupBox>("GroupBoxKenndaten");
    EXPECT_EQ(group->title(), QStringLiteral("Kenndaten-Felder"));
    QList<QPushButton*> buttons = group->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->y() < b->y(); });
    QStringList order;
    for (QPushButton* button : buttons)
        order << button->objectName();
    EXPECT_EQ(order.join(u' '), QStringLiteral("Button1 Button2 Button3 Button4 Button5 Button9 "
                                               "Button8 Button7 Button6 Button12 Button11 "
                                               "Button10"));

    const ManualAssistant::Values values = ManualAssistant::valuesOf(record);
    for (QPushButton* button : buttons) {
        const int number = button->objectName().mid(6).toInt();
        const QString& value = values.at(size_t(number));
        EXPECT_EQ(button->text(), ManualAssistant::caption(number));
        EXPECT_EQ(button->toolTip(), value);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(ui.clipboardText(), value) << number;
    }
    EXPECT_EQ(ui.clipboardText(), record.PostcodeEdit) << "the last button is the postcode";
    click("Button4");
    EXPECT_EQ(ui.clipboardText(), QStringLiteral("Erste Zeile\nZweite Zeile"));

    // Every caption can be read whole in the narrow window.
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        const QString caption = button->text().remove(u'&');
        EXPECT_LE(button->fontMetrics().horizontalAdvance(caption) + 6, button->width())
            << caption.toStdString();
    }
}

TEST_F(ManualAssistantWindowTest, ANewStartTakesTheValuesAsTheyAreThen)
{
    window->prepare(record);
    window->close();
    record.TitleEdit = QStringLiteral("Neuer Titel");
    record.CityEdit.clear();
    window->prepare(record);

    click("Button1");
    EXPECT_EQ(ui.clipboardText(), QStringLiteral("Neuer Titel"));
    EXPECT_EQ(child<QPushButton>("Button1")->toolTip(), QStringLiteral("Neuer Titel"));
    click("Button11");
    EXPECT_EQ(ui.clipboardText(), QString());
}

TEST_F(ManualAssistantWindowTest, NavigatorWalksTheManualServicesAndRefreshesTheDisplay)
{
    window->prepare(record);
    EXPECT_EQ(shownName(), QStringLiteral("Anton")) << "a start begins at the first service";
    EXPECT_EQ(child<QPlainTextEdit>("MemoBemerkung")->toPlainText(), remark);
    EXPECT_EQ(child<QPlainTextEdit>("MemoBemerkung")->toolTip(), remark);
    EXPECT_FALSE(child<QToolButton>("First")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("Prior")->isEnabled());
    const LinkState start = link("URLLinkStartseite");
    EXPECT_TRUE(start.enabled);
    EXPECT_TRUE(start.text.contains(QStringLiteral("Zur Startseite")));
    EXPECT_EQ(start.address, QStringLiteral("http://www.dienst3.example/"));
    EXPECT_TRUE(link("URLLinkAnmeldung").text.contains(QStringLiteral("Zur \"Anmeldung\"")));

    click("Next");
    EXPECT_EQ(shownName(), QStringLiteral("Bertas Ver..."));
    EXPECT_TRUE(child<QPlainTextEdit>("MemoBemerkung")->toPlainText().isEmpty());
    EXPECT_TRUE(link("URLLinkStartseite").enabled);
    const LinkState none = link("URLLinkAnmeldung");
    EXPECT_FALSE(none.enabled);
    EXPECT_EQ(none.text, QStringLiteral("Kein Eintrag ausgewählt/verfügbar"));
    EXPECT_TRUE(none.address.isEmpty());

    click("Last");
    EXPECT_EQ(shownName(), QStringLiteral("Cäsar"));
    EXPECT_FALSE(child<QToolButton>("Next")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("Last")->isEnabled());
    click("Prior");
    EXPECT_EQ(shownName(), QStringLiteral("Bertas Ver..."));
    click("First");
    EXPECT_EQ(shownName(), QStringLiteral("Anton"));

    QTest::mouseClick(child<QLabel>("URLLinkStartseite"), Qt::LeftButton);
    QTest::mouseClick(child<QLabel>("URLLinkAnmeldung"), Qt::LeftButton);
    EXPECT_EQ(ui.openedUrls(),
              (std::vector<QUrl>{QUrl(QStringLiteral("http://www.dienst3.example/")),
                                 QUrl(QStringLiteral("http://www.dienst3.example/anmelden"))}));
}

TEST_F(ManualAssistantWindowTest, RegistrationDoneDatesTheServiceAndOpensTheNextStartPage)
{
    window->prepare(record);
    click("ButtonAnmeldungDurchgefuehrt");

    const double todayDays = pelvaro::base::DayNumber::fromDate(today);
    EXPECT_EQ(dateOf(3), todayDays);
    EXPECT_EQ(dateOf(4), 0.0);
    EXPECT_EQ(shownName(), QStringLiteral("Bertas Ver..."));
    EXPECT_EQ(ui.openedUrls(),
              std::vector<QUrl>{QUrl(QStringLiteral("http://www.dienst4.example/"))});

    click("Last");
    click("ButtonAnmeldungDurchgefuehrt");
    EXPECT_EQ(dateOf(1), todayDays);
    EXPECT_EQ(shownName(), QStringLiteral("Cäsar")) << "the last service stays current";
    ASSERT_EQ(ui.openedUrls().size(), 2u);
    EXPECT_EQ(ui.openedUrls().back(), QUrl(QStringLiteral("http://www.dienst1.example/")));
    EXPECT_TRUE(ui.messageTexts().isEmpty());
}

TEST_F(ManualAssistantWindowTest, StaysOnTopOnlyWhileShownAndHelpsWithItsOwnPage)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Anmeldehilfe"));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window->prepare(record);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    click("ButtonHilfe");
    ASSERT_FALSE(ui.shown().empty());
    EXPECT_EQ(ui.shown().back().kind, ScriptedUiServices::Shown::Kind::Help);
    EXPECT_EQ(ui.shown().back().helpContext, 9911);
    EXPECT_TRUE(ui.shown().back().helpFound);

    click("ButtonSchliessen");
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
}

TEST_F(ManualAssistantWindowTest, RunMinimisesTheMainWindowWhileTheAssistantIsOpen)
{
    mainWindow = std::make_unique<QWidget>();
    mainWindow->show();
    window = makeWindow(mainWindow.get());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        seen = true;
        auto* modal = QApplication::activeModalWidget();
        EXPECT_EQ(modal, window.get());
        EXPECT_TRUE(mainWindow->isMinimized());
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(shownName(), QStringLiteral("Anton"));
        click("ButtonSchliessen");
    });
    window->run(record, mainWindow.get());

    EXPECT_TRUE(seen);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(mainWindow->isMinimized());
    EXPECT_TRUE(mainWindow->isVisible());
    EXPECT_EQ(window->parentWidget(), mainWindow.get()) << "still owned by the main window";
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(ManualAssistantWindowTest, TheRemarkPassesTheFocusToTheNavigator)
{
    window->prepare(record);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* memo = child<QPlainTextEdit>("MemoBemerkung");
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->focusPolicy(), Qt::NoFocus);

    memo->setFocus(Qt::OtherFocusReason);
    // On the first service only the forward arrows can take it.
    EXPECT_EQ(window->focusWidget(), child<QToolButton>("Next"));

    click("Last");
    memo->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(window->focusWidget(), child<QToolButton>("First"));
}

} // namespace
