#include "reports/ui/TStandardBerichtForm.h"

#include "QtPrinters.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

using pelvaro::base::PrintChoice;
using pelvaro::reports::StandardReport;
using pelvaro::reports::ui::TStandardBerichtForm;
using pelvaro::submit::ResultRow;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

const std::vector<ResultRow> successes{
    {QStringLiteral("Fundfalke"), QStringLiteral("200"), QStringLiteral("OK"), {}}};
const std::vector<ResultRow> failures{{QStringLiteral("Dixie"), QStringLiteral("0"),
                                       QStringLiteral("Timeout"),
                                       QStringLiteral("http://dixie.example/add.cgi")}};

// What the list shows: its captions and widths, then each row's texts.
QStringList shown(const QTreeWidget& list)
{
    QStringList lines;
    QStringList header;
    for (int c = 0; c < list.columnCount(); ++c)
        header << QStringLiteral("%1 %2").arg(list.headerItem()->text(c)).arg(list.columnWidth(c));
    lines << header.join(QStringLiteral(" | "));
    for (int r = 0; r < list.topLevelItemCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < list.columnCount(); ++c)
            cells << list.topLevelItem(r)->text(c);
        lines << cells.join(QStringLiteral(" | "));
    }
    return lines;
}

// Runs `step` on the next modal window once the modal loop that is about to start is running.
void onNextModal(std::function<void(QWidget*)> step)
{
    QTimer::singleShot(0, qApp, [step = std::move(step)] {
        QWidget* modal = QApplication::activeModalWidget();
        EXPECT_NE(modal, nullptr) << "no modal window";
        step(modal);
        if (modal && modal->isVisible())
            modal->close(); // never leave the test hanging on a window it did not expect
    });
}

QPushButton* button(QWidget* window, const char* name)
{
    auto* b = window->findChild<QPushButton*>(QLatin1String(name));
    EXPECT_NE(b, nullptr) << name;
    return b;
}

} // namespace

TEST(StandardReportDialog, ShowsBothListsAndSwitchesTheColumnOrder)
{
    ScriptedUiServices ui;
    const auto form =
        TStandardBerichtForm::preview(ui, successes, failures, StandardReport::View::Dienst);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Standardbericht"));
    EXPECT_EQ(form->size(), QSize(540, 378));
    auto* list = form->findChild<QTreeWidget*>(QStringLiteral("xxOvcDataReportAlles"));
    auto* views = form->findChild<QComboBox*>(QStringLiteral("ViewComboBox"));
    ASSERT_TRUE(list && views);
    EXPECT_EQ(views->currentText(), QStringLiteral("Dienst"));
    EXPECT_EQ(shown(*list),
              (QStringList{QStringLiteral("Suchdienst 134 | Statuscode 189 | Meldung 144"),
                           QStringLiteral("Fundfalke | 200 | OK"),
                           QStringLiteral("Dixie | 0 | Timeout")}));

    views->setCurrentIndex(views->findText(QStringLiteral("Statuscode")));
    EXPECT_EQ(form->view(), StandardReport::View::Statuscode);
    EXPECT_EQ(shown(*list),
              (QStringList{QStringLiteral("Statuscode 50 | Suchdienst 50 | Meldung 50"),
                           QStringLiteral("200 | Fundfalke | OK"),
                           QStringLiteral("0 | Dixie | Timeout")}));

    button(form.get(), "BtnHilfe")->click();
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().front().kind, ScriptedUiServices::Shown::Kind::Help);
    EXPECT_EQ(ui.shown().front().helpContext, 174);
}

// From the status page: the dialog opens modally, "Drucken" asks with its own caption and
// prints the list in the view it shows to the file chosen in the print dialog; Cancel prints
// nothing.
TEST(StandardReportDialog, PrintsTheCurrentViewThroughThePrintDialog)
{
    ScriptedUiServices ui;
    const QString pdf = TestDirs::root() + QStringLiteral("/standard.pdf");
    QFile::remove(pdf);
    ui.answerPrint(std::nullopt);
    PrintChoice toFile;
    toFile.outputFile = pdf;
    ui.answerPrint(toFile);
    bool cancelPrinted = true;
    onNextModal([&](QWidget* report) {
        ASSERT_EQ(report->objectName(), QStringLiteral("TStandardBerichtForm"));
        auto* views = report->findChild<QComboBox*>(QStringLiteral("ViewComboBox"));
        views->setCurrentIndex(views->findText(QStringLiteral("Statuscode")));
        button(report, "BtnDrucken")->click();
        cancelPrinted = QFile::exists(pdf);
        button(report, "BtnDrucken")->click();
        button(report, "BtnSchliessen")->click();
    });
    TStandardBerichtForm::execute(
        ui, successes, failures, nullptr,
        {QStringLiteral("http://www.muster.example/"), QDate(2026, 12, 10)});

    EXPECT_FALSE(cancelPrinted);
    ASSERT_EQ(ui.shown().size(), 2u);
    for (const ScriptedUiServices::Shown& dialog : ui.shown()) {
        EXPECT_EQ(dialog.kind, ScriptedUiServices::Shown::Kind::PrintDialog);
        EXPECT_EQ(dialog.title, QStringLiteral("Standardbericht drucken"));
        EXPECT_EQ(dialog.printRequest.jobName, QStringLiteral("Standardbericht"));
    }
    ASSERT_TRUE(QFileInfo(pdf).size() > 0);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    QStringList lines;
    for (const QString& line :
         QString::fromUtf8(text.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (!line.simplified().isEmpty())
            lines << line.simplified();
    EXPECT_EQ(lines,
              (QStringList{QStringLiteral("Standardbericht"),
                           QStringLiteral("Registrierte URL: http://www.muster.example/ "
                                          "Anmeldung vom 10.12.2026"),
                           QStringLiteral("Statuscode Suchdienst Meldung"),
                           QStringLiteral("200 Fundfalke OK"), QStringLiteral("0 Dixie Timeout"),
                           QStringLiteral("Seite 1 von 1")}));
}
