// The IndexNow window against a real local server: the key it makes and keeps, the key file
// check, the sitemap read into the address list, stopping a hung read, and what OK keeps.
#include "submit/ui/TIndexNowForm.h"

#include "site/RecentFileList.h"
#include "site/SiteDocument.h"
#include "site/SiteForm.h"
#include "site/SiteRecord.h"
#include "submit/IndexNowKey.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "TestHttpServer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using pelvaro::site::SiteDocument;
using pelvaro::site::SiteRecord;
using pelvaro::submit::IndexNowKey;
using pelvaro::submit::ui::TIndexNowForm;
using pelvaro::test::ScriptedAnswer;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using pelvaro::test::TestHttpServer;

namespace {

class NoForm : public pelvaro::site::SiteForm
{
public:
    void readInto(SiteRecord&) const override {}
    void showRecord(const SiteRecord&) override {}
};

class IndexNowFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        document.record().Clear();
        document.record().URLEdit = server.url(QStringLiteral("/"));
        document.setSiteModified(false);
    }

    template <typename T> T* control(QWidget& form, const char* name)
    {
        T* widget = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    TestHttpServer server;
    ScriptedUiServices ui;
    NoForm form;
    pelvaro::site::RecentFileList recent{TestDirs::root() + QStringLiteral("/settings.ini")};
    SiteDocument document{ui, form, recent};
};

} // namespace

TEST_F(IndexNowFormTest, MakesAKeyAtOnceAndChecksItsFile)
{
    TIndexNowForm window(ui, document, {});
    const QString key = document.record().indexNowKey;
    ASSERT_TRUE(IndexNowKey::isValid(key)) << "a site without a key gets one on opening";
    EXPECT_TRUE(document.SiteModified());
    EXPECT_EQ(control<QLineEdit>(window, "KeyEdit")->text(), key);
    EXPECT_TRUE(control<QLabel>(window, "PlacementLabel")
                    ->text()
                    .contains(server.url(QStringLiteral("/")) + key + QStringLiteral(".txt")));
    control<QPushButton>(window, "CopyKeyButton")->click();
    EXPECT_EQ(ui.clipboardText(), key);

    // Missing first, then in place.
    control<QPushButton>(window, "CheckButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(control<QPushButton>(window, "CheckButton")->isEnabled(), 20000);
    EXPECT_TRUE(control<QLabel>(window, "CheckResultLabel")
                    ->text()
                    .startsWith(QStringLiteral("Die Schlüsseldatei")));
    EXPECT_TRUE(control<QLabel>(window, "CheckResultLabel")->text().contains(u"nicht gefunden"));
    server.script("/" + key.toLatin1() + ".txt", ScriptedAnswer::ok(key.toLatin1() + "\n"));
    control<QPushButton>(window, "CheckButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(
        control<QLabel>(window, "CheckResultLabel")->text().endsWith(QStringLiteral("in Ordnung.")),
        20000);

    // A new key replaces the old one only when the user agrees.
    ui.answer(pelvaro::base::MessageAnswer::No);
    control<QPushButton>(window, "NewKeyButton")->click();
    EXPECT_EQ(document.record().indexNowKey, key);
    ui.answer(pelvaro::base::MessageAnswer::Yes);
    control<QPushButton>(window, "NewKeyButton")->click();
    EXPECT_NE(document.record().indexNowKey, key);
    EXPECT_EQ(control<QLineEdit>(window, "KeyEdit")->text(), document.record().indexNowKey);
}

TEST_F(IndexNowFormTest, SitemapAddressesJoinTheListAndOkKeepsOnlyTheSitesOwn)
{
    document.record().indexNowKey = QStringLiteral("vorhandener-Schluessel");
    const QString site = server.url(QStringLiteral("/"));
    server.script(
        "/sitemap.xml",
        ScriptedAnswer::ok("<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
                           "<url><loc>" +
                           site.toUtf8() + "a.html</loc></url><url><loc>" + site.toUtf8() +
                           "b.html</loc></url><url><loc>http://fremd.example/x</loc>"
                           "</url></urlset>"));
    TIndexNowForm window(ui, document, {});
    EXPECT_EQ(document.record().indexNowKey, QStringLiteral("vorhandener-Schluessel"));
    EXPECT_FALSE(document.SiteModified()) << "a usable key is kept";
    auto* urls = control<QPlainTextEdit>(window, "UrlsEdit");
    urls->setPlainText(site + QStringLiteral("getippt.html\nmailto:nein@example.org"));

    control<QPushButton>(window, "SitemapButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(control<QPushButton>(window, "SitemapButton")->isEnabled(), 20000);
    EXPECT_EQ(urls->toPlainText(),
              site + QStringLiteral("getippt.html\nmailto:nein@example.org\n") + site +
                  QStringLiteral("a.html\n") + site + QStringLiteral("b.html"));
    EXPECT_TRUE(control<QLabel>(window, "UrlsSummaryLabel")
                    ->text()
                    .startsWith(QStringLiteral("3 weitere Adressen werden mit der Site-Adresse "
                                               "gemeldet. 1 Zeile ist keine Adresse")));

    window.accept();
    EXPECT_EQ(document.record().indexNowUrls,
              (QStringList{site + QStringLiteral("getippt.html"), site + QStringLiteral("a.html"),
                           site + QStringLiteral("b.html")}));
    EXPECT_TRUE(document.SiteModified());
}

TEST_F(IndexNowFormTest, AHungReadStopsAtOnceAndCancelKeepsTheAddresses)
{
    document.record().indexNowKey = QStringLiteral("vorhandener-Schluessel");
    document.record().indexNowUrls = {server.url(QStringLiteral("/alt.html"))};
    server.script("/sitemap.xml", ScriptedAnswer::neverAnswer());
    TIndexNowForm window(ui, document, {});
    auto* urls = control<QPlainTextEdit>(window, "UrlsEdit");
    EXPECT_EQ(urls->toPlainText(), server.url(QStringLiteral("/alt.html")));

    control<QPushButton>(window, "SitemapButton")->click();
    ASSERT_TRUE(server.waitForRequests(1, std::chrono::seconds(20)));
    EXPECT_FALSE(control<QPushButton>(window, "SitemapButton")->isEnabled());
    control<QPushButton>(window, "StopButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(control<QPushButton>(window, "SitemapButton")->isEnabled(), 5000);
    EXPECT_EQ(urls->toPlainText(), server.url(QStringLiteral("/alt.html")));

    urls->setPlainText(QString());
    window.reject();
    EXPECT_EQ(document.record().indexNowUrls, QStringList{server.url(QStringLiteral("/alt.html"))});
    EXPECT_FALSE(document.SiteModified());
}
