#include "reports/StatusPage.h"

#include "submit/AnswerPage.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using pelvaro::reports::StatusPage;
using pelvaro::submit::ResultRow;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;

TEST(StatusPage, ReportButtonsNeedALineFromTheLastRun)
{
    EXPECT_FALSE(StatusPage::reportsEnabled({}, {}));
    EXPECT_TRUE(StatusPage::reportsEnabled({QStringLiteral("A\tOK\t200\r1\thttp://a/")}, {}));
    EXPECT_TRUE(StatusPage::reportsEnabled({}, {QString()})) << "an empty line is a line";
    EXPECT_EQ(StatusPage::statusText(), QStringLiteral("Wählen Sie einen Bericht."));
}

TEST(StatusPage, DoubleClickOnASuccessOpensItsAnswerPage)
{
    const QString answers = TestDirs::programDir() + QStringLiteral("/HTML");
    QDir().mkpath(answers);
    ASSERT_TRUE(pelvaro::submit::AnswerPage::write(answers + QStringLiteral("/Echo.html"), "ok"));
    ScriptedUiServices ui;

    const ResultRow echo{QStringLiteral(" Echo "), QStringLiteral("200"), QStringLiteral("OK"), {}};
    StatusPage::showAnswerPage(ui, answers, &echo);
    ASSERT_EQ(ui.openedUrls().size(), 1u);
    EXPECT_EQ(ui.openedUrls().front(), QUrl::fromLocalFile(answers + QStringLiteral("/Echo.html")));

    // No row, a page never kept (a name no file may carry), a page deleted since: each says
    // so, and nothing is opened.
    const ResultRow unsafe{QStringLiteral("a/b"), QStringLiteral("200"), QStringLiteral("OK"), {}};
    const ResultRow gone{QStringLiteral("Weg"), QStringLiteral("200"), QStringLiteral("OK"), {}};
    StatusPage::showAnswerPage(ui, answers, nullptr);
    StatusPage::showAnswerPage(ui, answers, &unsafe);
    StatusPage::showAnswerPage(ui, answers, &gone);
    EXPECT_EQ(ui.openedUrls().size(), 1u);
    EXPECT_EQ(
        ui.messageTexts(),
        (QStringList{QStringLiteral("Dieser Befehl kann nur aufgerufen werden, wenn das "
                                    "Listenfeld mit den erfolgreichen Einträgen (linkes "
                                    "Listenfeld) mindestens einen Eintrag enthält"),
                     QStringLiteral("Die Antwort von a/b liegt nicht als Datei vor und kann nicht "
                                    "angezeigt werden."),
                     QStringLiteral("Die Antwort von Weg liegt nicht als Datei vor und kann nicht "
                                    "angezeigt werden.")}));
}

TEST(StatusPage, DoubleClickOnAFailureOpensTheAddressItWentTo)
{
    ScriptedUiServices ui;
    const auto row = [](const char* address) {
        return ResultRow{QStringLiteral("X"), QStringLiteral("0"), QStringLiteral("Fehler"),
                         QString::fromUtf8(address)};
    };
    const ResultRow plain = row(" http://www.dienst.example/add.cgi ");
    StatusPage::openFailedAddress(ui, &plain);
    ASSERT_EQ(ui.openedUrls().size(), 1u);
    EXPECT_EQ(ui.openedUrls().front().toString(),
              QStringLiteral("http://www.dienst.example/add.cgi"));

    // As a browser opens it: a GET service's address holds the site's title with blanks.
    const ResultRow blanks =
        row("http://www.dienst.example/add cgi?t=Mein Titel&k=Äpfel|\"x\"&p=50%&q=%2F");
    StatusPage::openFailedAddress(ui, &blanks);
    ASSERT_EQ(ui.openedUrls().size(), 2u);
    EXPECT_EQ(ui.openedUrls().back().toEncoded(),
              QByteArray("http://www.dienst.example/add%20cgi?t=Mein%20Titel&k=%C3%84pfel%7C%22x%22"
                         "&p=50%25&q=%2F"));

    const ResultRow empty = row("");
    const ResultRow garbage = row("kein Ort");
    StatusPage::openFailedAddress(ui, &empty);
    StatusPage::openFailedAddress(ui, &garbage);
    StatusPage::openFailedAddress(ui, nullptr);
    EXPECT_EQ(ui.openedUrls().size(), 2u);
    EXPECT_EQ(ui.messageTexts(),
              (QStringList{QStringLiteral("Aufruf der angeforderten URL nicht möglich!"),
                           QStringLiteral("Aufruf der angeforderten URL nicht möglich!"),
                           QStringLiteral("Dieser Befehl kann nur aufgerufen werden, wenn das "
                                          "Listenfeld \"Verbindung fehlgeschlagen/nicht möglich "
                                          "(z. B. bei Timeout)\" (Listenfeld oben, rechts) "
                                          "mindestens einen Eintrag enthält")}));
}

// Without a program for web pages the click is not lost without a trace.
TEST(StatusPage, AMissingBrowserIsTold)
{
    class NoBrowser : public ScriptedUiServices
    {
    public:
        bool openUrl(const QUrl& url) override
        {
            ScriptedUiServices::openUrl(url);
            return false;
        }
    } ui;
    const QString answers = TestDirs::programDir() + QStringLiteral("/HTML");
    QDir().mkpath(answers);
    QFile page(answers + QStringLiteral("/Echo.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    const ResultRow echo{QStringLiteral("Echo"), QStringLiteral("200"), QStringLiteral("OK"), {}};
    StatusPage::showAnswerPage(ui, answers, &echo);
    ASSERT_EQ(ui.messageTexts().size(), 1);
    EXPECT_EQ(
        ui.messageTexts().first(),
        QStringLiteral("%1 kann nicht angezeigt werden: Es wurde kein Programm für Web-Seiten "
                       "(Web-Browser) gefunden.\n\nBitte installieren Sie einen Web-Browser, "
                       "oder legen Sie in den Einstellungen Ihrer Arbeitsumgebung einen als "
                       "Standard fest.")
            .arg(answers + QStringLiteral("/Echo.html")));
}
