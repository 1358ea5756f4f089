// The scheduler window, run modally against a real local server: what it shows during and
// after a run, the close refusal, and the immediate abort.
#include "submit/ui/TThreadForm.h"

#include "submit/ui/ThreadFormShowcase.h"

#include "ScriptedUiServices.h"
#include "TestDirs.h"
#include "TestHttpServer.h"
#include "TestWaits.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sched.h>

using namespace std::chrono_literals;
using pelvaro::base::MessageAnswer;
using pelvaro::base::MessageButtons;
using pelvaro::base::MessageKind;
using pelvaro::submit::SendList;
using pelvaro::submit::SubmissionScheduler;
using pelvaro::submit::ui::ThreadFormShowcase;
using pelvaro::submit::ui::TThreadForm;
using pelvaro::test::ScriptedAnswer;
using pelvaro::test::ScriptedUiServices;
using pelvaro::test::TestDirs;
using pelvaro::test::TestHttpServer;

namespace {

template <typename T> T* control(QWidget& form, const QString& name)
{
    T* widget = form.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
}

QString panel(QWidget& form, int index)
{
    return control<QLabel>(form, TThreadForm::panelName(index))->text();
}

QGroupBox* frame(QWidget& form, int slot)
{
    return control<QGroupBox>(form, QStringLiteral("GroupBoxTh%1").arg(slot + 1));
}

int countFrames(QWidget& form, const QString& captionEnd)
{
    int count = 0;
    for (int i = 0; i < SubmissionScheduler::SlotCount; ++i)
        count += frame(form, i)->title().endsWith(captionEnd) ? 1 : 0;
    return count;
}

// Workers run at the idle priority, so they can be told from Qt's and the test server's
// threads.
int workerThreads()
{
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task) + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue; // ended meanwhile
        const QByteArray line = stat.readAll();
        // Fields after the command name; the scheduling policy is the 41st field in all.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 38 && fields.at(38).toInt() == SCHED_IDLE)
            ++count;
    }
    return count;
}

// A real message box runs an event loop while it is up, and the window behind it repaints;
// this door does the same before it records the box, and notes what the window's counters
// read at that moment.
class BoxLoopUiServices : public ScriptedUiServices
{
public:
    MessageAnswer showMessage(MessageKind kind, const QString& title, const QString& text,
                              MessageButtons buttons) override
    {
        QCoreApplication::processEvents();
        countsBehindBox.clear();
        if (QWidget* form = QApplication::activeModalWidget()) {
            for (const char* name : {"LabelErfolg", "LabelFehler"})
                if (auto* label = form->findChild<QLabel*>(QLatin1String(name)))
                    countsBehindBox << label->text();
        }
        return ScriptedUiServices::showMessage(kind, title, text, buttons);
    }

    QStringList countsBehindBox;
};

class ThreadFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.script("/ok", ScriptedAnswer::ok("Danke"));
        server.script("/fail", ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}));
        server.script("/never", ScriptedAnswer::neverAnswer());
        server.script("/slow", [] {
            ScriptedAnswer a = ScriptedAnswer::ok("Danke");
            a.delay = 300ms;
            return a;
        }());
        QDir().mkpath(answers());
    }

    static QString answers() { return TestDirs::programDir() + QStringLiteral("/HTML"); }

    void fill(const QStringList& paths)
    {
        list->clear();
        for (int i = 0; i < paths.size(); ++i) {
            auto& e = list->entries[size_t(i)];
            e.Name = QStringLiteral("Dienst %1").arg(i + 1);
            e.Nr = 100 + i;
            e.URL = server.url(paths.at(i));
            e.PostDaten = QStringLiteral("XXX");
            e.AntwortDatei = answers() + QLatin1Char('/') + e.Name + QStringLiteral(".html");
        }
        list->count = int(paths.size());
    }

    // Runs the window as the run opens it; work() gets it once it is up and should close it.
    void runModal(int threads, const std::function<void(TThreadForm&)>& work)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TThreadForm*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            seen = true;
            work(*form);
            if (form->isVisible()) {
                ADD_FAILURE() << "the window was left open";
                form->hide();
            }
        });
        SubmissionScheduler::Settings settings;
        settings.threadCount = threads;
        TThreadForm::execute(ui, *list, success, failure, settings);
        EXPECT_TRUE(seen);
    }

    TestHttpServer server;
    BoxLoopUiServices ui;
    std::unique_ptr<SendList> list = std::make_unique<SendList>();
    QStringList success;
    QStringList failure;
};

} // namespace

TEST_F(ThreadFormTest, ShowsARunOfTwentyFourWorkersToItsEnd)
{
    QStringList paths;
    for (int i = 0; i < 39; ++i)
        paths << (i % 4 == 1 ? QStringLiteral("/fail") : QStringLiteral("/ok"));
    // The last result most likely comes on its own, with nothing else left to repaint for.
    paths << QStringLiteral("/slow");
    fill(paths);
    QStringList filedSuccesses;
    QStringList filedFailures;

    runModal(24, [&](TThreadForm& form) {
        QObject::connect(
            &form.scheduler(), &SubmissionScheduler::resultFiled, &form,
            [&](bool ok, const QString& line) { (ok ? filedSuccesses : filedFailures) << line; });
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Anmeldung durchführen"));
        auto* start = control<QPushButton>(form, QStringLiteral("StartenButton"));
        EXPECT_EQ(start->text(), QStringLiteral("Start"));
        EXPECT_EQ(panel(form, 0), QStringLiteral("Aktivierte Threads: 24"));
        EXPECT_EQ(panel(form, 2), QStringLiteral("Zu übertragen: Einträge 40"));
        EXPECT_EQ(countFrames(form, QStringLiteral("bereit")), 24);

        control<QPushButton>(form, QStringLiteral("HilfeButton"))->click();
        ASSERT_FALSE(ui.shown().empty());
        EXPECT_EQ(ui.shown().back().kind, ScriptedUiServices::Shown::Kind::Help);
        EXPECT_EQ(ui.shown().back().helpContext, TThreadForm::HelpContext);
        EXPECT_TRUE(ui.shown().back().helpFound);

        start->click();
        EXPECT_EQ(start->text(), QStringLiteral("Abbrechen"));
        EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
        EXPECT_EQ(panel(form, 2), QStringLiteral("Bearbeite Eintrag Nr. 24 von 40"));
        EXPECT_EQ(countFrames(form, QStringLiteral("belegt")), 24);
        EXPECT_EQ(frame(form, 23)->title(), QStringLiteral("Thread 24 belegt"));
        EXPECT_EQ(frame(form, 23)->palette().color(QPalette::WindowText), QColor(Qt::red));

        ASSERT_TRUE(QTest::qWaitFor([&] { return !start->isEnabled(); }, 60000));
        EXPECT_EQ(ui.messageTexts().last(), QStringLiteral("Die Übertragung ist abgeschlossen!"));
        const QStringList finalCounts{QStringLiteral("Erfolgreiche Anmeldungen: 30"),
                                      QStringLiteral("Nicht gelungene Anmeldungen: 10")};
        EXPECT_EQ(ui.countsBehindBox, finalCounts) << "the closing message hides stale counts";
        EXPECT_EQ(control<QLabel>(form, QStringLiteral("LabelErfolg"))->text(), finalCounts[0]);
        EXPECT_EQ(control<QLabel>(form, QStringLiteral("LabelFehler"))->text(), finalCounts[1]);
        EXPECT_EQ(panel(form, 0), QStringLiteral("Aktivierte Threads: 24"));
        EXPECT_EQ(panel(form, 2), QStringLiteral("Bearbeite Eintrag Nr. 40 von 40"));
        EXPECT_EQ(start->text(), QStringLiteral("Start"));
        EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor) << "the normal cursor is back";
        EXPECT_EQ(countFrames(form, QStringLiteral("bereit")), 24);
        for (int i = 0; i < SubmissionScheduler::SlotCount; ++i) {
            const QString n = QString::number(i + 1);
            EXPECT_TRUE(control<QLabel>(form, QStringLiteral("Label") + n)->text().isEmpty());
            EXPECT_EQ(control<QProgressBar>(form, QStringLiteral("StatusProgBar") + n)->value(), 0);
            EXPECT_EQ(frame(form, i)->palette().color(QPalette::WindowText),
                      form.palette().color(QPalette::WindowText));
        }

        control<QPushButton>(form, QStringLiteral("SchliessenButton"))->click();
        EXPECT_FALSE(form.isVisible());
    });

    // The caller's lists hold every line once, in the order the results were filed.
    EXPECT_EQ(success.size(), 30);
    EXPECT_EQ(success, filedSuccesses);
    EXPECT_EQ(failure, filedFailures);
    EXPECT_TRUE(failure.contains(QStringLiteral("Dienst 2\tNot Found\t404\r101\t") +
                                 server.url(QStringLiteral("/fail"))));
}

TEST_F(ThreadFormTest, RefusesToCloseWhileWorkersRunAndAbortsAtOnceOnTheSecondClick)
{
    QStringList paths;
    for (int i = 0; i < 30; ++i)
        paths << QStringLiteral("/never");
    fill(paths);

    runModal(99, [&](TThreadForm& form) {
        auto* start = control<QPushButton>(form, QStringLiteral("StartenButton"));
        start->click();
        ASSERT_TRUE(server.waitForRequests(24, pelvaro::test::HealthyWait));
        EXPECT_EQ(workerThreads(), 24);

        form.close();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(ui.messageTexts().last(),
                  QStringLiteral("Bitte warten Sie, bis alle 24 laufenden Threads beendet sind, "
                                 "oder klicken Sie auf \"Abbrechen\"!"));

        ui.answer(MessageAnswer::Yes);
        start->click();
        EXPECT_EQ(panel(form, 2), QStringLiteral("Abbruchanforderung wird bearbeitet."));
        EXPECT_EQ(start->text(), QStringLiteral("Abbrechen"));
        EXPECT_EQ(countFrames(form, QStringLiteral("belegt")), 24);

        start->click();
        EXPECT_EQ(ui.messageTexts().last(),
                  QStringLiteral("Ihre Abbruchanforderung wurde durchgeführt!"));
        EXPECT_EQ(workerThreads(), 0) << "every worker is gone at once";
        EXPECT_EQ(countFrames(form, QStringLiteral("deaktiviert")), 24);
        EXPECT_FALSE(start->isEnabled());
        EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);

        form.close();
        EXPECT_FALSE(form.isVisible());
    });

    EXPECT_TRUE(success.isEmpty() && failure.isEmpty()) << "abandoned exchanges file no line";
    EXPECT_TRUE(server.waitForNoConnections(5s));
}

// A stored count the settings dialog could not have written still leaves all 24 frames.
TEST_F(ThreadFormTest, AlwaysShowsTwentyFourFrames)
{
    fill({QStringLiteral("/ok")});
    const struct
    {
        int stored;
        int workers;
    } cases[] = {{0, 5}, {99, 24}, {7, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        SubmissionScheduler::Settings settings;
        settings.threadCount = c.stored;
        TThreadForm form(ui, *list, success, failure, settings);
        form.show();
        EXPECT_EQ(form.findChildren<QGroupBox*>().size(), SubmissionScheduler::SlotCount);
        EXPECT_EQ(countFrames(form, QStringLiteral("bereit")), c.workers);
        EXPECT_EQ(countFrames(form, QStringLiteral("deaktiviert")), 24 - c.workers);
        EXPECT_EQ(frame(form, 0)->title(), QStringLiteral("Thread 1 bereit"));
    }
}

TEST_F(ThreadFormTest, ShowcaseShowsARunningAndAFinishedRun)
{
    ThreadFormShowcase showcase(ui);

    TThreadForm& running = showcase.showRunning();
    EXPECT_TRUE(running.isVisible());
    EXPECT_EQ(countFrames(running, QStringLiteral("belegt")), 20);
    EXPECT_EQ(frame(running, 23)->title(), QStringLiteral("Thread 24 deaktiviert"));
    EXPECT_EQ(control<QLabel>(running, QStringLiteral("LabelErfolg"))->text(),
              QStringLiteral("Erfolgreiche Anmeldungen: 4"));

    TThreadForm& finished = showcase.showFinished();
    EXPECT_FALSE(control<QPushButton>(finished, QStringLiteral("StartenButton"))->isEnabled());
    EXPECT_EQ(ui.messageTexts().last(), QStringLiteral("Die Übertragung ist abgeschlossen!"));
    EXPECT_EQ(control<QLabel>(finished, QStringLiteral("LabelErfolg"))->text(),
              QStringLiteral("Erfolgreiche Anmeldungen: 6"));
}
