// Printing through the real print system: both report windows send their job to a queue of a
// private print server, and the job that comes out of the queue is the report as a PDF.
#include "reports/ReportEditorRules.h"
#include "reports/ui/TStandardBerichtForm.h"
#include "reports/ui/TStatusBerichtFormular.h"

#include "PdfText.h"
#include "PrivateCupsServer.h"
#include "QtPrinters.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

using pelvaro::base::PrintChoice;
using pelvaro::reports::ReportEditorRules;
using pelvaro::reports::ui::TStandardBerichtForm;
using pelvaro::reports::ui::TStatusBerichtFormular;
using pelvaro::submit::ResultRow;
using pelvaro::test::PrivateCupsServer;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

namespace {

// The text of a PDF as laid out on its pages, its blanks simplified.
QString pdfText(const QByteArray& pdf)
{
    return pelvaro::test::pdfLayoutText(pdf).simplified();
}

PrintChoice toQueue()
{
    PrintChoice choice;
    choice.printerName = PrivateCupsServer::queueName();
    return choice;
}

PrintChoice gonePrinter()
{
    PrintChoice choice;
    choice.printerName = QStringLiteral("Pelvaro-Entfernt");
    return choice;
}

class CupsPrinting : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!PrivateCupsServer::installed())
            GTEST_SKIP() << "cupsd, lpadmin and lpstat are missing; scripts/install-deps.sh "
                            "installs them (cups-daemon, cups-client)";
        ASSERT_TRUE(m_server.start()) << m_server.error().toStdString();
    }
    void TearDown() override { m_server.stop(); }

    // The one job the queue has written, once it has finished.
    QByteArray job()
    {
        EXPECT_TRUE(m_server.waitForCompletedJobs(1)) << m_server.error().toStdString();
        return m_server.output();
    }

    PrivateCupsServer m_server;
};

} // namespace

// The queue is one of the system's printers, so the print dialog offers it; the report
// window's job reaches it as a PDF holding the report's text, unsaved edits included.
TEST_F(CupsPrinting, ReportWindowPrintsOnTheSystemsPrinter)
{
    EXPECT_TRUE(QPrinterInfo::availablePrinterNames().contains(PrivateCupsServer::queueName()))
        << QPrinterInfo::availablePrinterNames().join(QLatin1Char(',')).toStdString();

    ScriptedUiServices ui;
    TStatusBerichtFormular form(ui, TestDirs::programDir());
    form.setReportGenerator([](QTextDocument& document) {
        QTextCursor cursor(&document);
        cursor.insertText(QStringLiteral("Anmeldungsprotokoll\nFundfalke erfolgreich"));
        return cursor;
    });
    form.show();
    form.editor().textCursor().insertText(QStringLiteral(" Nachtrag"));
    ui.answerPrint(toQueue());
    form.findChild<QAction*>(QStringLiteral("FilePrint"))->trigger();

    const QByteArray pdf = job();
    EXPECT_TRUE(pdf.startsWith("%PDF-")) << pdf.left(64).toStdString();
    EXPECT_TRUE(
        pdfText(pdf).contains(QStringLiteral("Anmeldungsprotokoll Fundfalke erfolgreich Nachtrag")))
        << pdfText(pdf).toStdString();
    EXPECT_TRUE(ui.messageTexts().isEmpty())
        << ui.messageTexts().join(QLatin1Char('\n')).toStdString();

    // A printer that has gone since the dialog listed it is reported; Qt alone would send
    // the job to another printer.
    ui.answerPrint(gonePrinter());
    form.findChild<QAction*>(QStringLiteral("FilePrint"))->trigger();
    EXPECT_EQ(ui.messageTexts(), QStringList{ReportEditorRules::printFailed()});
    EXPECT_EQ(m_server.allJobs(), 1);
    form.editor().document()->setModified(false);
}

// The standard report's job reaches the queue in the view the dialog shows.
TEST_F(CupsPrinting, StandardReportPrintsOnTheSystemsPrinter)
{
    ScriptedUiServices ui;
    ui.answerPrint(gonePrinter());
    ui.answerPrint(toQueue());
    QTimer::singleShot(0, qApp, [] {
        QWidget* report = QApplication::activeModalWidget();
        ASSERT_NE(report, nullptr);
        auto* views = report->findChild<QComboBox*>(QStringLiteral("ViewComboBox"));
        views->setCurrentIndex(views->findText(QStringLiteral("Statuscode")));
        auto* print = report->findChild<QPushButton*>(QStringLiteral("BtnDrucken"));
        print->click();
        print->click();
        report->close();
    });
    TStandardBerichtForm::execute(
        ui, {{QStringLiteral("Fundfalke"), QStringLiteral("200"), QStringLiteral("OK"), {}}},
        {{QStringLiteral("Dixie"), QStringLiteral("0"), QStringLiteral("Timeout"),
          QStringLiteral("http://dixie.example/add.cgi")}});

    const QByteArray pdf = job();
    EXPECT_TRUE(pdf.startsWith("%PDF-")) << pdf.left(64).toStdString();
    EXPECT_EQ(pdfText(pdf), QStringLiteral("Standardbericht Statuscode Suchdienst Meldung 200 "
                                           "Fundfalke OK 0 Dixie Timeout Seite 1 von 1"));
    EXPECT_TRUE(ui.allAnswersUsed());
    EXPECT_EQ(ui.messageTexts(), QStringList{ReportEditorRules::printFailed()})
        << "the printer that has gone";
    EXPECT_EQ(m_server.allJobs(), 1);
}
