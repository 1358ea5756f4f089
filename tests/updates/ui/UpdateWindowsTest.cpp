#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "TestHttpServer.h"
#include "base/SettingsStore.h"
#include "updates/TWebFileInfo.h"
#include "updates/TransferJob.h"
#include "updates/UpdateSequence.h"
#include "updates/ui/TWebDlProgress.h"
#include "updates/ui/TWebInfoFileWindow.h"
#include "updates/ui/TWebWaitWindow.h"
#include "updates/ui/UpdateMenu.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <gtest/gtest.h>

#include <functional>

using namespace pelvaro;
using namespace pelvaro::updates;
using namespace pelvaro::updates::ui;
using base::MessageAnswer;
using test::ScriptedAnswer;
using test::ScriptedUiServices;
using test::TestDirs;
using test::TestHttpServer;

namespace {

template <typename T> T* child(QWidget* window, const char* name)
{
    T* found = window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Runs `action` on the modal window once `ready` says it is there in the wanted state.
void whenModal(std::function<bool(QWidget*)> ready, std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, ready, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !ready(modal))
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

QString text(QWidget* window, const char* label)
{
    QLabel* l = child<QLabel>(window, label);
    return l ? l->text() : QString();
}

TEST(ProgressWindow, ShowsBytesAgainstTheSizeAndOnlyMovesForward)
{
    TWebDlProgress window(QStringLiteral("Neue Version wird heruntergeladen"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Fortschritt"));
    EXPECT_EQ(window.size(), QSize(272, 123));
    EXPECT_EQ(text(&window, "lblDownloading"), QStringLiteral("Neue Version wird heruntergeladen"));
    EXPECT_EQ(child<QPushButton>(&window, "btnCancel")->text(), QStringLiteral("&Abbrechen"));
    QProgressBar* bar = child<QProgressBar>(&window, "pbarProgress");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);

    window.setProgress(1'234'567, 2'469'134);
    EXPECT_EQ(bar->value(), 50);
    EXPECT_EQ(text(&window, "lblProgress"),
              QStringLiteral("1,234,567 von 2,469,134 Bytes empfangen."));
    window.setProgress(1000, 2'469'134);
    EXPECT_EQ(bar->value(), 50);
    // A server that names no size: bytes only, the bar stays.
    window.setProgress(3'000'000, -1);
    EXPECT_EQ(bar->value(), 50);
    EXPECT_EQ(text(&window, "lblProgress"), QStringLiteral("3,000,000 Bytes empfangen."));

    QTest::mouseClick(child<QPushButton>(&window, "btnCancel"), Qt::LeftButton);
    EXPECT_TRUE(window.cancelled());
    window.setProgress(2'469'134, 2'469'134);
    EXPECT_EQ(bar->value(), 50);
    EXPECT_EQ(text(&window, "lblProgress"), QStringLiteral("3,000,000 Bytes empfangen."));
}

TEST(ProgressWindow, CancelEndsAHangingDownloadAtOnceAndKeepsNoFile)
{
    TestHttpServer server;
    server.script("/p.deb",
                  ScriptedAnswer::neverAnswer("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" +
                                              QByteArray(400, 'p')));
    const QString target = TestDirs::root() + QStringLiteral("/p.deb");
    submit::ExchangeRequest request;
    request.url = server.url(QStringLiteral("/p.deb"));
    request.idleTimeLimit = 0;
    {
        const std::unique_ptr<TransferJob> job = TransferJob::toFile(request, target);
        job->start();
        TWebDlProgress window(QStringLiteral("Neue Version wird heruntergeladen"));
        QString shown;
        int bar = -1;
        whenModal(
            [](QWidget* w) {
                return text(w, "lblProgress") == QStringLiteral("400 von 1,000 Bytes empfangen.");
            },
            [&](QWidget* w) {
                shown = text(w, "lblProgress");
                bar = child<QProgressBar>(w, "pbarProgress")->value();
                QTest::mouseClick(child<QPushButton>(w, "btnCancel"), Qt::LeftButton);
            });
        EXPECT_EQ(window.run(*job), QDialog::Rejected);
        EXPECT_EQ(bar, 40);
        EXPECT_TRUE(job->cancelRequested());
        EXPECT_FALSE(window.isVisible());
    }
    EXPECT_TRUE(server.waitForNoConnections(std::chrono::seconds(10)));
    EXPECT_EQ(
        QDir(TestDirs::root()).entryList({QStringLiteral("p.deb*")}, QDir::Files | QDir::Hidden),
        QStringList());
}

class UpdateMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(settings.LoadSettings());
        settings.settings().updateServer = server.url(QString());
        settings.settings().idleTimeLimit = 0;
    }

    TestHttpServer server;
    ScriptedUiServices ui;
    base::SettingsStore settings{TestDirs::settingsFile()};
    QWidget parent;
};

enum class WaitCancel
{
    Escape,
    Button,
    Close
};

class WaitWindowCancel : public UpdateMenuTest, public ::testing::WithParamInterface<WaitCancel>
{
};

TEST_P(WaitWindowCancel, EndsAFetchThatNeverAnswers)
{
    server.script("/kelmora/pv.html", ScriptedAnswer::neverAnswer());
    QString title;
    QString label;
    QSize size;
    whenModal([this](QWidget*) { return server.openConnections() > 0; },
              [&](QWidget* w) {
                  title = w->windowTitle();
                  label = text(w, "lblText");
                  size = w->size();
                  switch (GetParam()) {
                  case WaitCancel::Escape:
                      QTest::keyClick(w, Qt::Key_Escape);
                      break;
                  case WaitCancel::Button:
                      QTest::mouseClick(child<QPushButton>(w, "btnCancel"), Qt::LeftButton);
                      break;
                  case WaitCancel::Close:
                      w->close();
                      break;
                  }
              });
    EXPECT_EQ(UpdateMenu::updateProgram(ui, settings, &parent), UpdateOutcome::Nothing);
    EXPECT_EQ(title, QStringLiteral("Bitte warten ..."));
    EXPECT_EQ(label, QStringLiteral("Suche nach neuer Version ..."));
    EXPECT_EQ(size, QSize(240, 100));
    EXPECT_EQ(ui.messageTexts(), QStringList{UpdateSequence::fetchFailedText(
                                     QStringLiteral("Vom Benutzer abgebrochen"))});
    EXPECT_TRUE(server.waitForNoConnections(std::chrono::seconds(10)));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Ways, WaitWindowCancel,
                         ::testing::Values(WaitCancel::Escape, WaitCancel::Button,
                                           WaitCancel::Close));

TEST_F(UpdateMenuTest, AProgramUpdateRunsThroughItsWindowsToTheEnd)
{
    const QByteArray package(2 * 1024 * 1024, 'd');
    server.script("/files/pelvaro_1.7.0.deb", ScriptedAnswer::ok(package));
    server.script("/kelmora/pv.html",
                  ScriptedAnswer::ok(
                      "<META HTTP-EQUIV=\"version\" CONTENT=\"1.7.0\">\n"
                      "<META HTTP-EQUIV=\"url\" CONTENT=\"" +
                      server.url(QStringLiteral("/files/pelvaro_1.7.0.deb")).toUtf8() + "\">\n"));
    const QString target = TestDirs::root() + QStringLiteral("/pelvaro_1.7.0.deb");
    ui.answer(MessageAnswer::Yes);
    ui.answerFile(target);
    ui.answer(MessageAnswer::Yes);
    // The wait and progress windows close themselves when their transfer ends.
    EXPECT_EQ(UpdateMenu::updateProgram(ui, settings, &parent), UpdateOutcome::EndProgram);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), package);
    ASSERT_EQ(ui.openedUrls().size(), 1u);
    EXPECT_EQ(ui.openedUrls().front(), QUrl::fromLocalFile(target));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(UpdateMenuTest, ADateOfAnotherFormReachesTheGeneralErrorDisplay)
{
    server.script("/kelmora/pv.html",
                  ScriptedAnswer::ok("<META HTTP-EQUIV=\"version\" CONTENT=\"1.7.0\">\n"
                                     "<META HTTP-EQUIV=\"datum\" CONTENT=\"2026-12-07\">\n"));
    EXPECT_EQ(UpdateMenu::updateProgram(ui, settings, &parent), UpdateOutcome::Nothing);
    ASSERT_FALSE(ui.shown().empty());
    EXPECT_EQ(ui.shown().back().kind, ScriptedUiServices::Shown::Kind::GeneralError);
    EXPECT_EQ(ui.messageTexts(),
              QStringList{QStringLiteral("\"2026-12-07\" ist kein gültiges Datum.")});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(InfoFileWindow, FourFifthsOfTheScreenWithTheMemoAndTheButtonInPlace)
{
    TWebInfoFileWindow window(QStringLiteral("Zeile 1\nZeile 2"));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Info-Datei"));
    EXPECT_EQ(window.size(), QSize(screen.width() * 4 / 5, screen.height() * 4 / 5));
    window.show();
    QPlainTextEdit* memo = child<QPlainTextEdit>(&window, "memInfo");
    QPushButton* ok = child<QPushButton>(&window, "btnOk");
    ASSERT_TRUE(memo && ok);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Zeile 1\nZeile 2"));
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->geometry(), QRect(10, 10, window.width() - 25, window.height() - 80));
    EXPECT_EQ(ok->geometry(), QRect((window.width() - 68) / 2, window.height() - 56, 68, 22));
    EXPECT_EQ(ok->text(), QStringLiteral("&Ok"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(window.isVisible());
}

TEST(UpdateWindows, PicturesShowARepresentativeState)
{
    const std::unique_ptr<TWebDlProgress> progress = TWebDlProgress::ForPicture();
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(text(progress.get(), "lblProgress"),
              QStringLiteral("5,347,328 von 12,582,912 Bytes empfangen."));
    EXPECT_EQ(child<QProgressBar>(progress.get(), "pbarProgress")->value(), 42);
    const std::unique_ptr<TWebWaitWindow> wait = TWebWaitWindow::ForPicture();
    EXPECT_TRUE(wait->isVisible());
    EXPECT_EQ(text(wait.get(), "lblText"), QStringLiteral("Suche nach neuer Version ..."));
    const std::unique_ptr<TWebInfoFileWindow> info = TWebInfoFileWindow::ForPicture();
    EXPECT_TRUE(info->isVisible());
    EXPECT_FALSE(child<QPlainTextEdit>(info.get(), "memInfo")->toPlainText().isEmpty());
}

} // namespace
