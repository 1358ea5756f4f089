// The program on a real X server, for what offscreen rendering cannot show: the titles the
// window system really carries.
#include "CatalogueFixture.h"
#include "ProcessRunner.h"
#include "TestDirs.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

using pelvaro::test::binaryDir;
using pelvaro::test::TestDirs;
using pelvaro::test::testEnvironment;

namespace {

class RealDisplay : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pelvaro::test::installSampleCatalogue(TestDirs::programDir() + QStringLiteral("/daten"));
        // The server picks a free display and writes its number on standard output.
        m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                                QStringLiteral("-screen"), QStringLiteral("0"),
                                                QStringLiteral("1024x768x24")});
        // A missing server fails: a test that skips here would hide the very check it makes.
        ASSERT_TRUE(m_server.waitForStarted(10000))
            << "Xvfb fehlt; scripts/install-deps.sh installiert es";
        while (!m_server.canReadLine())
            ASSERT_TRUE(m_server.waitForReadyRead(30000)) << "Xvfb meldet kein Display";
        m_display = QLatin1Char(':') + QString::fromLatin1(m_server.readLine().trimmed());
        // The number comes once the server listens; on a loaded machine the first client
        // can still come too early, and the program under test would take that for no
        // display at all. A client of our own goes first.
        ASSERT_TRUE(QTest::qWaitFor([this] { return serverAnswers(); }, 30000))
            << "Xvfb nimmt keine Verbindung an: " << m_server.readAllStandardError().toStdString();
    }

    bool serverAnswers() const
    {
        QProcess probe;
        probe.setProcessEnvironment(displayEnvironment());
        probe.start(QStringLiteral("xwininfo"), {QStringLiteral("-root")});
        return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
               probe.exitCode() == 0;
    }

    void TearDown() override
    {
        // Asked to end, the server takes its lock file and socket with it; a killed one
        // leaves them behind for the next server to trip over.
        for (QProcess* p : {&m_program, &m_server}) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(10000)) {
                p->kill();
                p->waitForFinished();
            }
        }
    }

    QProcessEnvironment displayEnvironment() const
    {
        QProcessEnvironment env = testEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), m_display);
        return env;
    }

    // The names of all windows on the server, mapped or not.
    QStringList windowNames() const
    {
        QProcess tree;
        tree.setProcessEnvironment(displayEnvironment());
        tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
        if (!tree.waitForFinished(10000))
            return {};
        static const QRegularExpression named(QStringLiteral("^\\s*0x[0-9a-f]+ \"(.*)\": \\("));
        QStringList names;
        for (const QString& line :
             QString::fromUtf8(tree.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch m = named.match(line);
            if (m.hasMatch())
                names << m.captured(1);
        }
        return names;
    }

    QProcess m_server;
    QProcess m_program;
    QString m_display;
};

} // namespace

TEST_F(RealDisplay, TitlesReadExactlyAsTheProgramSetsThem)
{
    m_program.setProcessEnvironment(displayEnvironment());
    m_program.start(binaryDir() + QStringLiteral("/pelvaro"), {});
    ASSERT_TRUE(m_program.waitForStarted(10000));

    const QString mainTitle = QStringLiteral("Pelvaro! - <Unbenannt>");
    EXPECT_TRUE(QTest::qWaitFor([&] { return windowNames().contains(mainTitle); }, 60000))
        << windowNames().join(QLatin1Char('|')).toStdString() << "\n"
        << m_program.readAllStandardError().toStdString() << "\nXvfb "
        << (m_server.state() == QProcess::Running ? "läuft" : "ist beendet") << ": "
        << m_server.readAllStandardError().toStdString();

    // Nothing the program shows carries a suffix the toolkit added on its own.
    for (const QString& name : windowNames())
        EXPECT_FALSE(name.contains(QStringLiteral(" \u2014 "))) << name.toStdString();
    EXPECT_EQ(m_program.state(), QProcess::Running);
}
