#include "tools/PingCheck.h"

#include "TestHttpServer.h"
#include "TestNameServer.h"

#include <QSignalSpy>
#include <QStringList>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace pelvaro::tools;
using pelvaro::test::TestHttpServer;
using pelvaro::test::TestNameServer;
using namespace std::chrono_literals;

namespace {

const QString FormatWarning =
    QStringLiteral("Bitte stellen Sie sicher, daß die eingegebene URL folgendes Format hat: "
                   "\"http://www.meine-seite.de\", \"http://www.meine-firma.com\" etc.");
const QString EmptyWarning = QStringLiteral(
    "Bitte geben Sie die URL Ihrer Web-Site im Feld \"URL\" ein und klicken Sie anschließend "
    "erneut auf die Schaltfläche \"URL prüfen\"!");

// Runs one check to its end and hands back the log.
struct CheckLog
{
    QStringList lines;
    bool finished = false;
    bool echoAnswered = false;
    bool webPortAnswered = false;
    int lookupsFinished = 0;
};

CheckLog runCheck(PingCheck& check, const QString& host, quint16 port)
{
    CheckLog run;
    QObject::connect(&check, &PingCheck::logLine, &check,
                     [&run](const QString& line) { run.lines << line; });
    QObject::connect(&check, &PingCheck::lookupFinished, &check, [&run] { ++run.lookupsFinished; });
    QSignalSpy finished(&check, &PingCheck::finished);
    check.start(host, port);
    if (finished.isEmpty())
        finished.wait(30000);
    if (!finished.isEmpty()) {
        run.finished = true;
        run.echoAnswered = finished.first().at(0).toBool();
        run.webPortAnswered = finished.first().at(1).toBool();
    }
    QObject::disconnect(&check, nullptr, &check, nullptr);
    return run;
}

// A local port on which nothing listens: bound, so no one else takes it meanwhile.
struct ClosedPort
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    quint16 port = 0;
    ClosedPort()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~ClosedPort() { ::close(fd); }
};

// The echo to 127.0.0.1 is allowed or not depending on the machine; either way exactly one
// line tells how it went, and a reply from the loopback carries every byte sent.
void expectOneEchoOutcome(const CheckLog& run, const QString& host)
{
    const QString cannotSend =
        QStringLiteral("Der Ping kann auf diesem System nicht gesendet werden");
    const QString ok = QStringLiteral("TEST OK: 56 Bytes von 127.0.0.1 in ");
    const QString failed = QStringLiteral("TEST FEHLGESCHLAGEN (127.0.0.1) : ");
    int outcomes = 0;
    for (const QString& line : run.lines) {
        if (line.startsWith(cannotSend) || line.startsWith(ok) || line.startsWith(failed))
            ++outcomes;
    }
    EXPECT_EQ(outcomes, 1) << run.lines.join(u'\n').toStdString();
    const bool sent =
        run.lines.contains(QStringLiteral("Sende 56 Bytes an %1 (127.0.0.1)").arg(host));
    EXPECT_NE(sent, run.lines.filter(cannotSend).size() == 1);
    EXPECT_EQ(run.echoAnswered, run.lines.filter(ok).size() == 1);
    if (run.echoAnswered) {
        EXPECT_TRUE(
            run.lines.filter(ok).first().endsWith(QStringLiteral(" Millisekunden empfangen")));
    }
}

} // namespace

TEST(PingCheck, TakesTheHostPartOfTheAddress)
{
    const struct
    {
        const char* address;
        const char* host;
        quint16 port;
    } cases[] = {
        {"http://www.example.org/", "www.example.org", 80},
        {"HTTP://WWW.Example.ORG", "WWW.Example.ORG", 80},
        {"hTtPs://www.example.org/pfad/seite.html", "www.example.org", 80},
        {"http://www.example.org:8080/x:y", "www.example.org", 8080},
        {"http://www.example.org?seite=1", "www.example.org", 80},
        {"http://www.example.org#oben", "www.example.org", 80},
        {"http://127.0.0.1:3000", "127.0.0.1", 3000},
        {"http://[::1]:8081/", "::1", 8081},
        {"http://www.example.org:/", "www.example.org", 80},
        // a port that is none stays in the host, so the look-up fails visibly
        {"http://www.example.org:abc/", "www.example.org:abc", 80},
        {"http://www.example.org:70000", "www.example.org:70000", 80},
        {"http://mein host.de/", "mein host.de", 80},
        // only a leading scheme goes
        {"httpwww.example.org", "httpwww.example.org", 80},
        {"http://http://x.de", "http", 80},
        {"http://", "", 80},
        {"http:///pfad", "", 80},
    };
    for (const auto& c : cases) {
        const PingTarget target = pingTargetFromAddress(QString::fromUtf8(c.address));
        EXPECT_EQ(target.host, QString::fromUtf8(c.host)) << c.address;
        EXPECT_EQ(target.port, c.port) << c.address;
    }
}

TEST(PingCheck, ChecksTheAddressBeforeStarting)
{
    const struct
    {
        const char* address;
        QString message;
    } cases[] = {
        {"http://www.example.org/", {}},
        {"https://www.example.org", {}},
        {"HTTP://127.0.0.1:8080", {}},
        {"ftp://www.example.org", FormatWarning},
        {"www.example.org", FormatWarning},
        {" http://www.example.org", FormatWarning},
        {"", FormatWarning},
        {"http://", EmptyWarning},
        {"HTTPS://", EmptyWarning},
        {"http://?x", EmptyWarning},
        {"http://:8080/", EmptyWarning},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pingAddressProblem(QString::fromUtf8(c.address)), c.message) << c.address;
}

TEST(PingCheck, LooksUpTheHostThenPingsItAndReachesItsWebPort)
{
    TestHttpServer web;
    TestNameServer unknowing(TestNameServer::Behaviour::NoSuchName);
    const PingTarget target =
        pingTargetFromAddress(QStringLiteral("http://localhost:%1/index.html").arg(web.port()));

    PingCheck check;
    check.setNameServers(unknowing.address());
    const CheckLog run = runCheck(check, target.host, target.port);

    ASSERT_TRUE(run.finished) << run.lines.join(u'\n').toStdString();
    ASSERT_GE(run.lines.size(), 4);
    EXPECT_EQ(run.lines.at(0), QStringLiteral("Host 'localhost' wird aufglöst..."));
    EXPECT_EQ(run.lines.at(1), QStringLiteral("Host 'localhost' ist 127.0.0.1"));
    EXPECT_EQ(run.lookupsFinished, 1);
    expectOneEchoOutcome(run, QStringLiteral("localhost"));
    EXPECT_EQ(run.lines.at(run.lines.size() - 2),
              QStringLiteral("Verbinde mit dem Web-Server localhost (127.0.0.1) auf Port %1...")
                  .arg(web.port()));
    EXPECT_TRUE(run.lines.last().startsWith(
        QStringLiteral("WEB-SERVER OK: Port %1 von 127.0.0.1 antwortet in ").arg(web.port())))
        << run.lines.last().toStdString();
    EXPECT_TRUE(run.lines.last().endsWith(QStringLiteral(" Millisekunden")));
    EXPECT_TRUE(run.webPortAnswered);
    EXPECT_FALSE(check.isRunning());
}

TEST(PingCheck, DottedDecimalHostSkipsTheLookupAndRefusedWebPortIsLogged)
{
    // A silent name server would hold any look-up until the test gives up.
    TestNameServer silent(TestNameServer::Behaviour::Silent);
    ClosedPort closed;

    PingCheck check;
    check.setNameServers(silent.address());
    const CheckLog run = runCheck(check, QStringLiteral("127.0.0.1"), closed.port);

    ASSERT_TRUE(run.finished) << run.lines.join(u'\n').toStdString();
    EXPECT_EQ(run.lines.at(0), QStringLiteral("Host '127.0.0.1' wird aufglöst..."));
    EXPECT_EQ(run.lines.at(1), QStringLiteral("Host '127.0.0.1' ist 127.0.0.1"));
    EXPECT_EQ(silent.queries(), 0);
    expectOneEchoOutcome(run, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(run.lines.last(),
              QStringLiteral("WEB-SERVER ANTWORTET NICHT (127.0.0.1, Port %1) : Verbindung "
                             "abgelehnt")
                  .arg(closed.port));
    EXPECT_FALSE(run.webPortAnswered);
}

TEST(PingCheck, UnknownOrMalformedHostFailsTheLookup)
{
    TestNameServer unknowing(TestNameServer::Behaviour::NoSuchName);
    const QString hosts[] = {
        QStringLiteral("nirgends.example"),
        QStringLiteral("mein host.example"),
        QString(300, u'a'),
        QStringLiteral("www.example.org/pfad"),
        QString(),
    };
    for (const QString& host : hosts) {
        PingCheck check;
        check.setNameServers(unknowing.address());
        const CheckLog run = runCheck(check, host, 80);
        ASSERT_TRUE(run.finished) << host.toStdString();
        EXPECT_EQ(run.lines,
                  QStringList({QStringLiteral("Host '%1' wird aufglöst...").arg(host),
                               QStringLiteral("TEST FEHLGESCHLAGEN! Fehlermeldung: Unbekannter "
                                              "Host '%1'")
                                   .arg(host)}));
        EXPECT_EQ(run.lookupsFinished, 1);
        EXPECT_FALSE(run.echoAnswered);
        EXPECT_FALSE(run.webPortAnswered);
    }
}

TEST(PingCheck, CancelEndsAHangingLookupAtOnceAsUnknownHost)
{
    TestNameServer silent(TestNameServer::Behaviour::Silent);
    PingCheck check;
    check.setNameServers(silent.address());
    QStringList lines;
    QObject::connect(&check, &PingCheck::logLine, &check,
                     [&lines](const QString& line) { lines << line; });
    QSignalSpy finished(&check, &PingCheck::finished);
    QSignalSpy lookupFinished(&check, &PingCheck::lookupFinished);

    check.start(QStringLiteral("stumm.example"));
    ASSERT_TRUE(silent.waitForQueries(1, 10s));
    EXPECT_TRUE(check.isLookingUp());
    EXPECT_TRUE(finished.isEmpty());

    check.cancel();
    // No event loop ran: the cancel itself ends the attempt.
    EXPECT_EQ(lookupFinished.size(), 1);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_FALSE(finished.first().at(0).toBool());
    EXPECT_FALSE(finished.first().at(1).toBool());
    EXPECT_FALSE(check.isLookingUp());
    EXPECT_FALSE(check.isRunning());
    EXPECT_EQ(lines, QStringList({QStringLiteral("Host 'stumm.example' wird aufglöst..."),
                                  QStringLiteral("TEST FEHLGESCHLAGEN! Fehlermeldung: "
                                                 "Unbekannter Host 'stumm.example'")}));

    // Nothing of the dropped look-up comes later, and a second cancel has nothing to end.
    check.cancel();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(lines.size(), 2);
}
