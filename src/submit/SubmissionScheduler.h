#pragma once

#include "base/SettingsStore.h"
#include "submit/HttpExchange.h"
#include "submit/RunJournal.h"
#include "submit/TEineEngine.h"

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::submit {

class THTTPThread;

// A worker's result, from its thread to the main thread.
struct WorkerMessage
{
    int slot = 0;
    quint64 ticket = 0;
    ExchangeResult result;
};

// The rules of the scheduler window: it hands the prepared requests out to up to 24 workers,
// files every outcome as a result line, counts, brakes on a high error rate, ends the run,
// and lets the user abort. The window (or the command line) only shows what it says and
// forwards the user's clicks. Everything here runs on the main thread; workers reach it
// through the inbox only, and write the answer pages of their successes themselves.
class SubmissionScheduler : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SubmissionScheduler)

public:
    static constexpr int SlotCount = base::Settings::MaxThreadCount;

    enum class SlotState
    {
        Deaktiviert = 0,
        Bereit = 1,
        Belegt = 2
    };

    struct Slot
    {
        SlotState state = SlotState::Deaktiviert;
        QString caption;
        QString label;
        int progress = 0;
    };

    struct Settings
    {
        int threadCount = 5; // IDGlobAnzThreads; brought into 1..24
        QString proxyHost;
        QString proxyPort;
        int idleTimeLimit = 120; // IDZeitlimit: seconds without a byte received; 0: none
        QString caFile;          // IDZusatzZertifikate: trusted besides the system's store
        // Where the run's answers, waits and held-back services are filed; none: not kept.
        RunJournal* journal = nullptr;
    };

    SubmissionScheduler(base::UiServices& ui, const SendList& list, QStringList& successLines,
                        QStringList& failureLines, const Settings& settings,
                        QObject* parent = nullptr);
    ~SubmissionScheduler() override;

    // The user's and the window's events.
    void FormActivate();
    void StartenButtonClick();
    // Whether the window may close; says why not while exchanges run.
    bool SchliessenButtonClick();
    // Whether the window may close now (says why not when it may not).
    bool FormCloseQuery();
    void FormClose();
    void Timer1Timer();
    void TimerAbbruchanforderungTimer();

    // What the window shows.
    const Slot& slot(int index) const { return m_slots[size_t(index)]; }
    const QString& startButtonCaption() const { return m_startCaption; }
    bool startButtonEnabled() const { return m_startEnabled; }
    bool busyCursor() const { return m_busyCursor; }
    QString panel(int index) const { return m_panels[size_t(index)]; }
    QString labelErfolg() const;
    QString labelFehler() const;
    int threadCount() const { return m_threadCount; }
    bool timer1Active() const { return m_timer1.isActive(); }
    bool abortTimerActive() const { return m_abortTimer.isActive(); }
    // Whether the run has ended (the button is then disabled for good).
    bool finished() const { return m_finished; }

    int ErfolgZaehler() const { return m_successes; }
    int FehlerZaehler() const { return m_failures; }
    int LaufendeThreads() const;
    int ImLauf() const { return m_inFlight; }
    bool AlleVergeben() const { return m_allHandedOut; }
    bool AbbruchAngefordert() const { return m_abortRequested; }
    static int Fehlerquote(int failures, int successes);

    // What the slot working on the IndexNow key file check shows.
    static QString keyCheckName();

    // The referring page of services that do not ask for their own.
    static QString defaultReferringPage();
    static void setDefaultReferringPage(const QString& address);

    // Called from worker threads, never blocking. Progress is a value the main thread picks
    // up when it next looks (with the next result or the display timer's tick); the first
    // one of an assignment also shows the service's name. Results are delivered one by one,
    // in the order they were posted.
    void postProgress(int slot, quint64 ticket, int percent);
    void postResult(int slot, quint64 ticket, ExchangeResult result);

signals:
    // Something the window shows changed. A window may show such changes a little later,
    // gathered.
    void changed();
    // A message box comes next: what the window shows behind it must be current now.
    void aboutToShowMessage();
    // A result line was filed (true: success list).
    void resultFiled(bool success, const QString& line);
    // The run ended with a closing message (or was discarded without one).
    void runEnded(const QString& message);

private:
    void SlotAnzeigen(int slot, SlotState state);
    void ThreadsAnlegen();
    void ThreadsBeenden();
    std::optional<TEineEngine> NaechstenEintragHolen();
    bool NaechstenEintragStarten();
    void ErgebnisVerarbeiten(int slot, quint64 ticket, const ExchangeResult& result);
    // The next entry to send: IndexNow entries wait for the key file check, and are held
    // back when it failed.
    std::optional<TEineEngine> nextEntry();
    bool startKeyCheck(int slot);
    void keyCheckDone(const ExchangeResult& result);
    // Files an answer: its line, its outcome in the journal and, for a 429, the wait.
    bool fileAnswer(const TEineEngine& entry, const ExchangeResult& result);
    int freeSlot() const;
    void sleepAllWorkers();
    void deliverMessages();
    bool takeProgress();
    void setPanel(int index, const QString& text);
    void changeRunning(int delta);

    base::UiServices& m_ui;
    const SendList& m_list;
    QStringList& m_successLines;
    QStringList& m_failureLines;
    int m_threadCount;
    QString m_proxyHost;
    QString m_proxyPort;
    int m_idleTimeLimit;
    QString m_caFile;
    RunJournal* m_journal;

    // The key file check that comes before the first IndexNow post of a run.
    enum class KeyGate
    {
        None,     // no IndexNow entry in the list
        Pending,  // not yet started
        Checking, // a worker is on it; IndexNow entries wait in m_deferred
        Passed,
        Failed // IndexNow entries are held back
    };
    KeyGate m_keyGate = KeyGate::None;
    int m_keyCheckSlot = -1;
    std::deque<int> m_deferred; // list indexes

    std::array<std::unique_ptr<THTTPThread>, SlotCount> m_threads;
    std::array<Slot, SlotCount> m_slots;
    // What each busy slot is working on, and the ticket its result must carry.
    std::array<TEineEngine, SlotCount> m_work;
    std::array<quint64, SlotCount> m_tickets{};
    quint64 m_nextTicket = 1;

    int m_nextIndex = 0;             // NaechsterIndex
    mutable std::mutex m_threadLock; // ThreadSperre
    int m_running = 0;               // LaufendeThreads
    int m_inFlight = 0;              // ImLauf
    int m_successes = 0;
    int m_failures = 0;
    bool m_allHandedOut = false;   // AlleVergeben
    bool m_abortRequested = false; // AbbruchAngefordert
    bool m_activated = false;
    bool m_finished = false;
    QString m_startCaption = QStringLiteral("S&tart");
    bool m_startEnabled = true;
    bool m_busyCursor = false;
    std::array<QString, 3> m_panels;
    // What workers report waits here, under its own lock, until the main thread takes it:
    // a plain mutex hand-over that every thread checker understands, woken through an
    // eventfd the main thread's event loop watches (or, should the system refuse the
    // eventfd, through a queued call). A result wakes the main thread unless a wake-up is
    // already pending; the main thread then takes everything there is.
    std::mutex m_inboxLock;
    std::deque<WorkerMessage> m_inbox;
    bool m_wakePending = false;
    int m_wakeFd = -1;
    // Per slot the latest progress a worker reported: its ticket shifted left by eight bits,
    // the percentage in the low eight. Lock-free, since a worker reports many times per
    // exchange and only the latest value is ever shown.
    std::array<std::atomic<quint64>, SlotCount> m_progressReports{};
    std::unique_ptr<QSocketNotifier> m_wakeNotifier;
    QTimer m_timer1;
    QTimer m_abortTimer;
};

} // namespace pelvaro::submit
