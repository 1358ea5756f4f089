#include "tools/ui/Tpingform.h"

#include "QtPrinters.h"
#include "ScriptedUiServices.h"
#include "TestHttpServer.h"
#include "TestNameServer.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestHttpServer;
using pelvaro::test::TestNameServer;
using pelvaro::tools::ui::PingSettings;
using pelvaro::tools::ui::Tpingform;
using namespace std::chrono_literals;

namespace {

const QString FormatWarning =
    QStringLiteral("Bitte stellen Sie sicher, daß die eingegebene URL folgendes Format hat: "
                   "\"http://www.meine-seite.de\", \"http://www.meine-firma.com\" etc.");
const QString EmptyWarning = QStringLiteral(
    "Bitte geben Sie die URL Ihrer Web-Site im Feld \"URL\" ein und klicken Sie anschließend "
    "erneut auf die Schaltfläche \"URL prüfen\"!");

template <typename T> T* child(QWidget& form, const char* name)
{
    T* widget = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QStringList logLines(QWidget& form)
{
    const QString text = child<QPlainTextEdit>(form, "DisplayMemo")->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

// Which of "Erneut versuchen", "Abbrechen" and "Schließen" may be clicked.
struct ButtonStates
{
    bool ping = false;
    bool cancel = false;
    bool close = false;
    bool operator==(const ButtonStates&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ButtonStates& states)
{
    return out << "ping=" << states.ping << " cancel=" << states.cancel
               << " close=" << states.close;
}

ButtonStates buttons(QWidget& form)
{
    return {child<QPushButton>(form, "PingButton")->isEnabled(),
            child<QPushButton>(form, "CancelButton")->isEnabled(),
            child<QPushButton>(form, "CloseButton")->isEnabled()};
}

const ButtonStates LookingUp{false, true, false};
const ButtonStates Idle{true, false, true};

void activate(QWidget& form)
{
    QEvent activation(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&form, &activation);
}

int openPingWindows()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<Tpingform*>(widget) ? 1 : 0;
    return count;
}

bool waitUntilDone(Tpingform& form)
{
    return QTest::qWaitFor([&] { return !form.attemptRunning(); }, 30000);
}

} // namespace

TEST(PingForm, ActivationChecksTheHostAndItsWebPort)
{
    TestHttpServer web;
    // localhost comes from the hosts file; the name server is there so nothing leaves the
    // machine should the resolver ask anyway.
    TestNameServer unknowing(TestNameServer::Behaviour::NoSuchName);
    ScriptedUiServices ui;
    Tpingform form(ui, nullptr, {unknowing.address(), 2000, 2000});

    EXPECT_EQ(form.windowTitle(), QStringLiteral("Verfügbarkeit der URL testen"));
    EXPECT_EQ(child<QPushButton>(form, "PingButton")->text(), QStringLiteral("Erneut versuchen"));
    EXPECT_EQ(child<QPushButton>(form, "CancelButton")->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(child<QPushButton>(form, "CloseButton")->text(), QStringLiteral("Schließen"));
    EXPECT_EQ(buttons(form), (ButtonStates{true, false, true}));
    EXPECT_TRUE(child<QPlainTextEdit>(form, "DisplayMemo")->isReadOnly());

    // The path goes, the port stays for the web server's check.
    const QString address = QStringLiteral("http://localhost:%1/index.html").arg(web.port());
    form.setHost(Tpingform::hostText(address));
    EXPECT_EQ(child<QLineEdit>(form, "HostEdit")->text(),
              QStringLiteral("localhost:%1").arg(web.port()));

    activate(form);
    ASSERT_TRUE(waitUntilDone(form));
    QStringList lines = logLines(form);
    ASSERT_GE(lines.size(), 5) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.at(0), QStringLiteral("Host 'localhost' wird aufglöst..."));
    EXPECT_EQ(lines.at(1), QStringLiteral("Host 'localhost' ist 127.0.0.1"));
    EXPECT_EQ(lines.at(lines.size() - 2),
              QStringLiteral("Verbinde mit dem Web-Server localhost (127.0.0.1) auf Port %1...")
                  .arg(web.port()));
    EXPECT_TRUE(lines.last().startsWith(
        QStringLiteral("WEB-SERVER OK: Port %1 von 127.0.0.1 antwortet in ").arg(web.port())))
        << lines.last().toStdString();
    EXPECT_EQ(buttons(form), Idle);

    // "Erneut versuchen" empties the log and tries what the field holds now.
    child<QLineEdit>(form, "HostEdit")->setText(QStringLiteral("nirgends.example"));
    QTest::mouseClick(child<QPushButton>(form, "PingButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntilDone(form));
    EXPECT_EQ(logLines(form),
              QStringList({QStringLiteral("Host 'nirgends.example' wird aufglöst..."),
                           QStringLiteral("TEST FEHLGESCHLAGEN! Fehlermeldung: Unbekannter Host "
                                          "'nirgends.example'")}));
    EXPECT_EQ(buttons(form), Idle);
    EXPECT_TRUE(ui.shown().empty());
}

TEST(PingForm, CancelAndEscapeEndAHangingLookup)
{
    TestNameServer silent(TestNameServer::Behaviour::Silent);
    ScriptedUiServices ui;
    Tpingform form(ui, nullptr, {silent.address(), 2000, 2000});
    QSignalSpy rejected(&form, &QDialog::rejected);
    form.setHost(QStringLiteral("stumm.example"));
    const QStringList failedLines = {
        QStringLiteral("Host 'stumm.example' wird aufglöst..."),
        QStringLiteral("TEST FEHLGESCHLAGEN! Fehlermeldung: Unbekannter Host 'stumm.example'")};

    QTest::mouseClick(child<QPushButton>(form, "PingButton"), Qt::LeftButton);
    ASSERT_TRUE(silent.waitForQueries(1, 10s));
    EXPECT_EQ(buttons(form), LookingUp);
    EXPECT_EQ(logLines(form), failedLines.mid(0, 1));

    QTest::mouseClick(child<QPushButton>(form, "CancelButton"), Qt::LeftButton);
    // No event loop ran: the click alone ended the look-up.
    EXPECT_FALSE(form.attemptRunning());
    EXPECT_EQ(logLines(form), failedLines);
    EXPECT_EQ(buttons(form), Idle);

    // Escape during a look-up ends the look-up, not the window; afterwards it closes it.
    activate(form);
    ASSERT_TRUE(silent.waitForQueries(2, 10s));
    EXPECT_EQ(buttons(form), LookingUp);
    form.reject();
    EXPECT_EQ(logLines(form), failedLines);
    EXPECT_EQ(buttons(form), Idle);
    EXPECT_EQ(rejected.size(), 0);
    form.reject();
    EXPECT_EQ(rejected.size(), 1);
    EXPECT_TRUE(ui.shown().empty());
}

TEST(PingForm, LookupThatCannotStartIsShownAsGeneralError)
{
    ScriptedUiServices ui;
    // No resolver takes this for a server list.
    Tpingform form(ui, nullptr, {QByteArrayLiteral("kein Server"), 2000, 2000});
    form.setHost(QStringLiteral("www.example.org"));
    activate(form);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.shown().empty(); }, 10000));
    ASSERT_EQ(ui.shown().size(), 1u);
    EXPECT_EQ(ui.shown().front().kind, ScriptedUiServices::Shown::Kind::GeneralError);
    EXPECT_TRUE(ui.shown().front().text.startsWith(
        QStringLiteral("www.example.org: can't start DNS lookup, error #")))
        << ui.shown().front().text.toStdString();
    EXPECT_EQ(buttons(form), Idle);
    EXPECT_FALSE(form.attemptRunning());
}

TEST(PingForm, UrlCheckWarnsOrOpensTheWindowForTheHost)
{
    const struct
    {
        const char* address;
        QString warning;
    } rejected[] = {
        {"ftp://www.example.org", FormatWarning},
        {"www.example.org", FormatWarning},
        {"http://", EmptyWarning},
        {"https:///pfad", EmptyWarning},
    };
    for (const auto& c : rejected) {
        ScriptedUiServices ui;
        Tpingform::checkUrl(ui, QString::fromUtf8(c.address), nullptr);
        ASSERT_EQ(ui.shown().size(), 1u) << c.address;
        EXPECT_EQ(ui.shown().front().messageKind, pelvaro::base::MessageKind::Warning);
        EXPECT_EQ(ui.shown().front().text, c.warning) << c.address;
        EXPECT_EQ(openPingWindows(), 0) << c.address;
    }

    // A valid address gets the modal window with its host; closing it while the web port
    // is still being tried must leave nothing behind.
    TestNameServer unknowing(TestNameServer::Behaviour::NoSuchName);
    ScriptedUiServices ui;
    QString hostShown;
    bool sawWindow = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<Tpingform*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        sawWindow = true;
        hostShown = child<QLineEdit>(*form, "HostEdit")->text();
        QPushButton* close = child<QPushButton>(*form, "CloseButton");
        ASSERT_TRUE(QTest::qWaitFor([&] { return close->isEnabled(); }, 10000));
        close->click();
    });
    Tpingform::checkUrl(ui, QStringLiteral("HTTP://127.0.0.1:9/seite.html?x=1"), nullptr,
                        {unknowing.address(), 2000, 2000});
    EXPECT_TRUE(sawWindow);
    EXPECT_EQ(hostShown, QStringLiteral("127.0.0.1:9"));
    EXPECT_TRUE(ui.shown().empty());
    EXPECT_EQ(openPingWindows(), 0);
}

TEST(PingForm, HostFieldKeepsWhatTheCheckNeeds)
{
    const struct
    {
        const char* address;
        const char* host;
    } cases[] = {
        {"http://www.example.org/pfad/seite.html", "www.example.org"},
        {"https://www.example.org:8080/", "www.example.org:8080"},
        {"http://www.example.org:80/", "www.example.org"},
        {"http://[::1]:8081/", "[::1]:8081"},
        {"http://www.example.org:abc/", "www.example.org:abc"},
    };
    for (const auto& c : cases) {
        const QString address = QString::fromUtf8(c.address);
        const QString host = Tpingform::hostText(address);
        EXPECT_EQ(host, QString::fromUtf8(c.host)) << c.address;
        // An attempt reads the field back: the same host and port as the address named.
        EXPECT_EQ(pelvaro::tools::pingTargetFromAddress(host),
                  pelvaro::tools::pingTargetFromAddress(address))
            << c.address;
    }
}

TEST(PingForm, PictureShowsOneCheckFromStartToEnd)
{
    TestHttpServer web;
    TestNameServer unknowing(TestNameServer::Behaviour::NoSuchName);
    ScriptedUiServices ui;
    const std::unique_ptr<Tpingform> form =
        Tpingform::showForPicture(ui, QStringLiteral("http://localhost:%1/").arg(web.port()),
                                  nullptr, {unknowing.address(), 2000, 2000});
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(logLines(*form).value(0), QStringLiteral("Host 'localhost' wird aufglöst..."));

    // The activation that comes with showing must not start the check over with what the
    // field holds by then.
    child<QLineEdit>(*form, "HostEdit")->setText(QStringLiteral("nirgends.example"));
    activate(*form);
    ASSERT_TRUE(waitUntilDone(*form));
    const QStringList lines = logLines(*form);
    EXPECT_EQ(lines.value(0), QStringLiteral("Host 'localhost' wird aufglöst..."));
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("WEB-SERVER OK: ")))
        << lines.join(u'\n').toStdString();

    const QPixmap picture = form->grab();
    EXPECT_EQ(picture.deviceIndependentSize().toSize(), QSize(416, 218));
}
