#include "catalogue/ui/TFilterBox.h"

#include "catalogue/FilterCriteria.h"
#include "catalogue/TDataModule1.h"
#include "site/SiteRecord.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using pelvaro::catalogue::FilterCriteria;
using pelvaro::catalogue::SelectionCounters;
using pelvaro::catalogue::TDataModule1;
using pelvaro::catalogue::ui::TFilterBox;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

// The box over the sample catalogue (604 entries, none selected), opened the way the
// toolbar opens it and worked by object name while it runs modally.
class FilterBoxTest : public testing::Test
{
protected:
    void SetUp() override
    {
        settings = TestDirs::settingsFile();
        const QString data = TestDirs::programDir() + QStringLiteral("/daten");
        pelvaro::test::installSampleCatalogue(data);
        module = std::make_unique<TDataModule1>(ui);
        ASSERT_TRUE(module->open(data, QString()));
    }

    // Runs the box and lets work() use it; a box work() left open is cancelled.
    bool run(const std::function<void(TFilterBox&)>& work,
             pelvaro::catalogue::FilterSession::SiteSource siteSource = {})
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<TFilterBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = true;
            work(*box);
            if (box->isVisible())
                box->reject();
        });
        const bool applied =
            TFilterBox::execute(ui, *module, criteria, settings, nullptr, std::move(siteSource));
        EXPECT_TRUE(seen);
        return applied;
    }

    template <typename T> static T* control(const QWidget& box, const char* name)
    {
        T* found = box.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Clicks a check box on its box: the caption is shorter than the row it sits in.
    static void tick(QCheckBox* check)
    {
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    }
    static QString panel(const QWidget& box, int number)
    {
        return control<QLabel>(box, number == 1 ? "StatusPanel1" : "StatusPanel2")->text();
    }
    static QString countText(qsizetype count)
    {
        return QStringLiteral("Anz. passender Datensätze: %1").arg(count);
    }
    qsizetype rowsWhere(const char* condition)
    {
        return qsizetype(
            module->readRows({QStringLiteral("Nr")}, QString::fromUtf8(condition)).size());
    }

    // Where the list draws an item's check box, and its name.
    static QPoint itemPart(QListWidget* list, int row, QStyle::SubElement part)
    {
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.rect = list->visualItemRect(list->item(row));
        option.features = QStyleOptionViewItem::HasCheckIndicator |
                          QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
        option.decorationSize = list->iconSize();
        option.decorationPosition = QStyleOptionViewItem::Left;
        option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        option.text = list->item(row)->text();
        option.icon = list->item(row)->icon();
        option.widget = list;
        return list->style()->subElementRect(part, &option, list).center();
    }

    ScriptedUiServices ui;
    std::unique_ptr<TDataModule1> module;
    FilterCriteria criteria;
    QString settings;
};

TEST_F(FilterBoxTest, TicksCountAtOnceAndOkSelectsWhatPasses)
{
    const qsizetype top = rowsWhere("Bewertung > 1");
    const bool applied = run([&](TFilterBox& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Filter"));
        EXPECT_TRUE(box.isModal());
        EXPECT_TRUE(box.windowFlags() & Qt::WindowStaysOnTopHint);
        const struct
        {
            const char* name;
            const char* caption;
        } boxes[] = {
            {"DirectoriesChkBox", "Verzeichnisse"},
            {"SpiderEnginesChkBox", "Suchmaschinen"},
            {"OtherChkBox", "Sonstige"},
            {"NurFehlerhafteRegChkBox",
             "Nur Suchdienste, bei denen noch keine (erfolgreiche) Registrierung erfolgt ist"},
            {"NurAusstehendeChkBox", "nur geänderte/noch nicht angenommene"},
            {"NurTop100ChkBox", "Nur Top-100 Suchmaschinen und Verzeichnisse"},
            {"AbDatumChkBox", "Nur Suchdienste, bei denen Ihre Web-Site vor dem "},
            {"LaenderBegrenzungChkBox", "Länder filtern (Sie müssen dieses Kontrollfeld "
                                        "markieren, um Länder auswählen zu können)"},
        };
        for (const auto& b : boxes) {
            const QCheckBox* check = control<QCheckBox>(box, b.name);
            EXPECT_EQ(check->text(), QString::fromUtf8(b.caption)) << b.name;
            EXPECT_FALSE(check->isChecked()) << b.name;
        }
        const auto* kinds = control<QGroupBox>(box, "TypenGroupBox");
        EXPECT_EQ(kinds->title(), QStringLiteral("Typen"));
        EXPECT_EQ(control<QCheckBox>(box, "OtherChkBox")->parentWidget(), kinds);
        const auto* picker = control<QDateEdit>(box, "DateTimePicker1");
        EXPECT_EQ(picker->date(), QDate(1999, 1, 1));
        EXPECT_TRUE(picker->calendarPopup());

        EXPECT_EQ(panel(box, 1), QStringLiteral("Kein Filter"));
        EXPECT_EQ(panel(box, 2), countText(604));
        tick(control<QCheckBox>(box, "NurTop100ChkBox"));
        EXPECT_EQ(panel(box, 1), QStringLiteral("Filter aktiv"));
        EXPECT_EQ(panel(box, 2), countText(top));
        EXPECT_EQ(ui.waitNoticesOpened(), 0);
        control<QPushButton>(box, "OKBtn")->click();
    });
    EXPECT_TRUE(applied);
    EXPECT_EQ(ui.lastWaitText(), QStringLiteral("Tabelle wird neu sortiert, bitte warten ..."));
    EXPECT_FALSE(ui.waitNoticeShown());
    EXPECT_FALSE(module->TableFilter().isOpen());
    EXPECT_EQ(module->counters().AnzAusgewaehlt, top);
    EXPECT_EQ(rowsWhere("IFNULL(Ausgewaehlt, 0) <> 0 AND Bewertung > 1"), top);
    const QSettings file(settings, QSettings::IniFormat);
    EXPECT_EQ(file.value(QStringLiteral("FilterOptionen/TFilterBox/NurTop100ChkBox")).toInt(), 1);
}

// The open site reaches the box of pending services: only what its ledger does not have as
// accepted passes, and OK selects exactly that.
TEST_F(FilterBoxTest, PendingBoxReadsTheOpenSite)
{
    using pelvaro::site::LedgerEntry;
    using pelvaro::site::SubmissionLedger;
    pelvaro::site::SiteRecord site;
    site.TitleEdit = QStringLiteral("Bäckerei Sommer");
    for (const TDataModule1::StoreRow& row :
         module->readRows({QStringLiteral("Nr"), QStringLiteral("IndexNow")})) {
        LedgerEntry entry;
        entry.nr = row.values[0].toInt();
        entry.outcome =
            entry.nr % 100 == 0 ? LedgerEntry::Outcome::Failed : LedgerEntry::Outcome::Accepted;
        entry.fingerprint = row.values[1].toBool() ? SubmissionLedger::indexNowFingerprint(site)
                                                   : SubmissionLedger::siteFingerprint(site);
        site.ledger.record(entry);
    }
    const qsizetype failed = rowsWhere("Nr % 100 = 0");
    ASSERT_GT(failed, 0);
    const bool applied = run(
        [&](TFilterBox& box) {
            tick(control<QCheckBox>(box, "NurAusstehendeChkBox"));
            EXPECT_EQ(panel(box, 1), QStringLiteral("Filter aktiv"));
            EXPECT_EQ(panel(box, 2), countText(failed));
            control<QPushButton>(box, "OKBtn")->click();
        },
        [&site] { return &site; });
    EXPECT_TRUE(applied);
    EXPECT_EQ(module->counters().AnzAusgewaehlt, failed);
    EXPECT_EQ(rowsWhere("IFNULL(Ausgewaehlt, 0) <> 0 AND Nr % 100 = 0"), failed);
}

TEST_F(FilterBoxTest, CountryListFollowsItsBoxAndTicksOnlyByTheBox)
{
    const char* const names[] = {
        "Unbekannt",      "Großbritannien",   "Südafrika",    "Rußland",
        "Italien",        "Spanien",          "Zypern",       "Canada",
        "Österreich",     "Belgien",          "Japan",        "Indien",
        "Schweiz",        "Schweden",         "Australien",   "USA",
        "Frankreich",     "Deutschland",      "Griechenland", "Neuseeland",
        "Brasilien",      "Norwegen",         "Island",       "Finnland",
        "Dänemark",       "Tschechoslowakei", "China",        "Niederlande",
        "Sonstige Länder"};
    run([&](TFilterBox& box) {
        auto* list = control<QListWidget>(box, "LaenderListeChkBox");
        ASSERT_EQ(list->count(), 29);
        for (int code = 0; code < list->count(); ++code) {
            EXPECT_EQ(list->item(code)->text(), QString::fromUtf8(names[code]));
            EXPECT_FALSE(list->item(code)->icon().isNull()) << code;
            EXPECT_EQ(list->visualItemRect(list->item(code)).height(), 30) << code;
        }
        // Four columns, filled top to bottom in code order.
        const auto column = [list](int code) { return list->visualItemRect(list->item(code)).x(); };
        EXPECT_EQ(column(7), column(0));
        EXPECT_GT(column(8), column(7));
        EXPECT_GT(column(24), column(16));
        EXPECT_EQ(column(28), column(24));
        EXPECT_TRUE(list->rect().contains(list->visualItemRect(list->item(28))));

        EXPECT_FALSE(list->isEnabled());
        EXPECT_EQ(list->palette().color(QPalette::Disabled, QPalette::Text), QColor(192, 192, 192));
        EXPECT_EQ(list->palette().color(QPalette::Base), list->palette().color(QPalette::Window));

        auto* limit = control<QCheckBox>(box, "LaenderBegrenzungChkBox");
        tick(limit);
        EXPECT_TRUE(list->isEnabled());
        EXPECT_EQ(panel(box, 1), QStringLiteral("Kein Filter"));

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          itemPart(list, 17, QStyle::SE_ItemViewItemText));
        EXPECT_EQ(list->item(17)->checkState(), Qt::Unchecked) << "a name ticks nothing";
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          itemPart(list, 17, QStyle::SE_ItemViewItemCheckIndicator));
        EXPECT_EQ(list->item(17)->checkState(), Qt::Checked);
        EXPECT_EQ(panel(box, 1), QStringLiteral("Filter aktiv"));
        EXPECT_EQ(panel(box, 2), countText(rowsWhere("CodeFuerFlagge = 17")));

        tick(limit);
        EXPECT_FALSE(list->isEnabled());
        EXPECT_EQ(list->item(17)->checkState(), Qt::Checked);
        EXPECT_EQ(panel(box, 1), QStringLiteral("Kein Filter"));
        EXPECT_EQ(panel(box, 2), countText(604));
    });
}

TEST_F(FilterBoxTest, HelpAndCancelKeepSelectionAndTicksForTheNextOpening)
{
    module->setField(QStringLiteral("Ausgewaehlt"), true, QStringLiteral("rowid <= 20"));
    module->recount();
    const SelectionCounters before = module->counters();
    const bool applied = run([&](TFilterBox& box) {
        control<QPushButton>(box, "HelpBtn")->click();
        ASSERT_FALSE(ui.shown().empty());
        EXPECT_EQ(ui.shown().back().kind, ScriptedUiServices::Shown::Kind::Help);
        EXPECT_EQ(ui.shown().back().helpContext, 9);
        EXPECT_TRUE(box.isVisible());

        control<QCheckBox>(box, "DirectoriesChkBox")->click();
        control<QDateEdit>(box, "DateTimePicker1")->setDate(QDate(2024, 3, 15));
        control<QCheckBox>(box, "AbDatumChkBox")->click();
        control<QPushButton>(box, "CancelBtn")->click();
    });
    EXPECT_FALSE(applied);
    EXPECT_EQ(module->counters(), before);
    EXPECT_EQ(rowsWhere("IFNULL(Ausgewaehlt, 0) <> 0"), 20);
    EXPECT_FALSE(module->TableFilter().isOpen());

    // Closing the window is a cancel too; the ticks and the date are back in the meantime.
    const bool again = run([&](TFilterBox& box) {
        EXPECT_TRUE(control<QCheckBox>(box, "DirectoriesChkBox")->isChecked());
        EXPECT_TRUE(control<QCheckBox>(box, "AbDatumChkBox")->isChecked());
        EXPECT_EQ(control<QDateEdit>(box, "DateTimePicker1")->date(), QDate(2024, 3, 15));
        EXPECT_EQ(panel(box, 1), QStringLiteral("Filter aktiv"));
        box.close();
    });
    EXPECT_FALSE(again);
    EXPECT_EQ(criteria.expression(),
              QStringLiteral("((Kategorie = 'V')) and (ZuletztRegistriert <=  '15.03.2024')"));
    EXPECT_EQ(rowsWhere("IFNULL(Ausgewaehlt, 0) <> 0"), 20);
}

TEST_F(FilterBoxTest, AFailingOkReachesTheErrorDisplayAndStillCleansUp)
{
    const bool applied = run([&](TFilterBox& box) {
        control<QCheckBox>(box, "NurTop100ChkBox")->click();
        // Something else closed the view behind the box's back.
        module->TableFilter().close();
        control<QPushButton>(box, "OKBtn")->click();
        EXPECT_FALSE(box.isVisible());
    });
    EXPECT_FALSE(applied);
    ASSERT_EQ(ui.shown().size(), 2u);
    EXPECT_EQ(ui.shown().at(0).kind, ScriptedUiServices::Shown::Kind::WaitNotice);
    EXPECT_EQ(ui.shown().at(1).kind, ScriptedUiServices::Shown::Kind::GeneralError);
    EXPECT_EQ(ui.shown().at(1).text, QStringLiteral("Die Sicht TableFilter ist nicht geöffnet."));
    EXPECT_FALSE(ui.waitNoticeShown());
    EXPECT_FALSE(module->TableFilter().isOpen());
    EXPECT_EQ(module->counters().AnzAusgewaehlt, 0);
}

} // namespace
