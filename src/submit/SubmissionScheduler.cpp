#include "submit/SubmissionScheduler.h"

#include "base/AppInfo.h"
#include "base/SettingsStore.h"
#include "base/UiServices.h"
#include "submit/AnswerPage.h"
#include "submit/IndexNowSubmission.h"
#include "submit/RunPreview.h"
#include "submit/THTTPThread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

namespace pelvaro::submit {

namespace {

const QString abortCaption = QStringLiteral("Abbrechen");
const QString abortDoneText = QStringLiteral("Ihre Abbruchanforderung wurde durchgeführt!");
const QString startCaption = QStringLiteral("Start");

QString& referringPage()
{
    static QString page = QStringLiteral("http://www.trevanix.example/pelvaro/");
    return page;
}

} // namespace

QString SubmissionScheduler::defaultReferringPage()
{
    return referringPage();
}

void SubmissionScheduler::setDefaultReferringPage(const QString& address)
{
    referringPage() = address;
}

int SubmissionScheduler::Fehlerquote(int failures, int successes)
{
    return failures + successes == 0 ? 0 : failures * 100 / (failures + successes);
}

SubmissionScheduler::SubmissionScheduler(base::UiServices& ui, const SendList& list,
                                         QStringList& successLines, QStringList& failureLines,
                                         const Settings& settings, QObject* parent)
    : QObject(parent), m_ui(ui), m_list(list), m_successLines(successLines),
      m_failureLines(failureLines), m_proxyHost(settings.proxyHost),
      m_proxyPort(settings.proxyPort), m_idleTimeLimit(settings.idleTimeLimit),
      m_caFile(settings.caFile), m_journal(settings.journal)
{
    m_threadCount = base::Settings::usableThreadCount(settings.threadCount);
    m_panels = {QStringLiteral("Aktivierte Threads:"), QStringLiteral("Simultane Threads:"),
                QStringLiteral("Letzte Meldung:")};
    m_timer1.setInterval(500);
    m_abortTimer.setInterval(5000);
    m_abortTimer.setSingleShot(true);
    connect(&m_timer1, &QTimer::timeout, this, &SubmissionScheduler::Timer1Timer);
    connect(&m_abortTimer, &QTimer::timeout, this,
            &SubmissionScheduler::TimerAbbruchanforderungTimer);
    for (int i = 0; i < SlotCount; ++i)
        SlotAnzeigen(i, SlotState::Deaktiviert);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd >= 0) {
        m_wakeNotifier = std::make_unique<QSocketNotifier>(m_wakeFd, QSocketNotifier::Read);
        connect(m_wakeNotifier.get(), &QSocketNotifier::activated, this,
                &SubmissionScheduler::deliverMessages);
    }
}

SubmissionScheduler::~SubmissionScheduler()
{
    for (auto& worker : m_threads)
        worker.reset();
    m_wakeNotifier.reset();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

QString SubmissionScheduler::labelErfolg() const
{
    return QStringLiteral("Erfolgreiche Anmeldungen: %1").arg(m_successes);
}

QString SubmissionScheduler::labelFehler() const
{
    return QStringLiteral("Nicht gelungene Anmeldungen: %1").arg(m_failures);
}

int SubmissionScheduler::LaufendeThreads() const
{
    std::lock_guard lock(m_threadLock);
    return m_running;
}

void SubmissionScheduler::changeRunning(int delta)
{
    std::lock_guard lock(m_threadLock);
    m_running += delta;
}

void SubmissionScheduler::setPanel(int index, const QString& text)
{
    m_panels[size_t(index)] = text;
}

void SubmissionScheduler::SlotAnzeigen(int slot, SlotState state)
{
    Slot& s = m_slots[size_t(slot)];
    const int n = slot + 1;
    s.state = state;
    switch (state) {
    case SlotState::Deaktiviert:
        s.caption = QStringLiteral("Thread %1 deaktiviert").arg(n);
        s.label.clear();
        s.progress = 0;
        break;
    case SlotState::Bereit:
        s.caption = QStringLiteral("Thread %1 bereit").arg(n);
        s.label.clear();
        s.progress = 0;
        break;
    case SlotState::Belegt:
        s.caption = QStringLiteral("Thread %1 belegt").arg(n);
        break;
    }
}

void SubmissionScheduler::ThreadsAnlegen()
{
    for (int i = 0; i < SlotCount; ++i)
        SlotAnzeigen(i, SlotState::Deaktiviert);
    for (int i = 0; i < m_threadCount; ++i) {
        if (!m_threads[size_t(i)]) {
            try {
                m_threads[size_t(i)] = std::make_unique<THTTPThread>(*this, i);
            } catch (const std::system_error&) {
                // The system has no more threads to give: this slot stays deaktiviert and
                // the run makes do with the workers it has ("Fehler-Nr. 88219" if none).
                continue;
            }
        }
        SlotAnzeigen(i, SlotState::Bereit);
    }
}

void SubmissionScheduler::FormActivate()
{
    if (m_activated)
        return;
    m_activated = true;
    ThreadsAnlegen();
    m_successes = m_failures = 0;
    {
        std::lock_guard lock(m_threadLock);
        m_running = 0;
    }
    m_inFlight = 0;
    m_allHandedOut = m_abortRequested = false;
    m_startCaption = startCaption;
    setPanel(2, QStringLiteral("Zu übertragen: Einträge %1").arg(m_list.count));
    setPanel(0, QStringLiteral("Aktivierte Threads: %1").arg(m_threadCount));
    emit changed();
}

void SubmissionScheduler::StartenButtonClick()
{
    if (!m_startEnabled)
        return;
    if (m_startCaption == abortCaption) {
        if (!m_abortRequested) {
            const base::MessageAnswer answer = m_ui.showMessage(
                base::MessageKind::Information, base::AppInfo::title(),
                QStringLiteral(
                    "Es kann vorkommen, daß einige Minuten kein Fortschritt angezeigt "
                    "wird, ohne das dies bedeutet, das ein Problem vorliegt.\n\nSind Sie "
                    "sicher, daß Sie die Übertragung abbrechen möchten? \n\n(Ihre "
                    "Abbruchanforderung wird durchgeführt, wenn Sie \"JA\" klicken. Bis "
                    "zum Abbruch können einige Minuten vergehen. Klicken Sie erneut auf "
                    "\"Abbrechen\", um sofort abzubrechen.)"),
                base::MessageButtons::YesNo);
            // The run may have ended while the question was open.
            if (answer != base::MessageAnswer::Yes || m_finished)
                return;
            m_abortRequested = true;
            setPanel(2, QStringLiteral("Abbruchanforderung wird bearbeitet."));
            if (!m_allHandedOut)
                m_abortTimer.start();
            emit changed();
            return;
        }
        m_abortTimer.stop();
        sleepAllWorkers();
        ThreadsBeenden();
        m_abortRequested = false;
        // The window behind the box shows the slots as they are now, not as they were.
        emit aboutToShowMessage();
        m_ui.information(abortDoneText);
        emit changed();
        emit runEnded(abortDoneText);
        return;
    }

    FormActivate();
    // A CA file that cannot be used would fail every https service one by one; one message
    // before anything is sent says it once, and the run ends without a result.
    if (const QString problem = HttpExchange::checkCaFile(m_caFile); !problem.isEmpty()) {
        emit aboutToShowMessage();
        m_ui.error(problem);
        m_startEnabled = false;
        m_finished = true;
        emit changed();
        emit runEnded(problem);
        return;
    }
    m_inFlight = 0;
    m_timer1.start();
    setPanel(
        2, QStringLiteral("Die Übertragung wird über %1 Threads vorbereitet.").arg(m_threadCount));
    const int k = std::min(m_threadCount, m_list.count);
    if (k <= 0) {
        m_timer1.stop();
        const QString message = QStringLiteral("Die Übertragung kann nicht an %1 Suchdienste "
                                               "durchgeführt werden! Vorgang wird abgebrochen!")
                                    .arg(k);
        emit aboutToShowMessage();
        m_ui.warning(message);
        emit changed();
        return;
    }
    m_nextIndex = 0;
    m_deferred.clear();
    m_keyCheckSlot = -1;
    m_keyGate = std::any_of(m_list.entries.begin(), m_list.entries.begin() + m_list.count,
                            [](const TEineEngine& e) { return e.IndexNow; })
                    ? KeyGate::Pending
                    : KeyGate::None;
    setPanel(2, QStringLiteral("Übertragung an %1 Suchdienste.").arg(m_list.count));
    m_busyCursor = true;
    m_startCaption = abortCaption;
    for (int i = 0; i < k; ++i) {
        if (NaechstenEintragStarten())
            continue;
        if (i == 0) {
            const QString message = QStringLiteral("Die Übertragung ist abgeschlossen: Es konnten "
                                                   "keine Anmeldungen erfolgreich durchgeführt "
                                                   "werden!");
            emit aboutToShowMessage();
            m_ui.information(message);
            m_startCaption = startCaption;
            m_startEnabled = false;
            m_busyCursor = false;
            m_timer1.stop();
            m_finished = true;
            emit changed();
            emit runEnded(message);
            return;
        }
        break;
    }
    emit changed();
}

std::optional<TEineEngine> SubmissionScheduler::NaechstenEintragHolen()
{
    ++m_nextIndex;
    if (m_nextIndex > m_list.count || m_nextIndex > SendList::Capacity) {
        // IndexNow entries still waiting for the key check are yet to be handed out.
        m_allHandedOut = m_deferred.empty() && m_keyGate != KeyGate::Checking;
        return std::nullopt;
    }
    setPanel(2,
             QStringLiteral("Bearbeite Eintrag Nr. %1 von %2").arg(m_nextIndex).arg(m_list.count));
    return m_list.entries[size_t(m_nextIndex - 1)];
}

int SubmissionScheduler::freeSlot() const
{
    for (int i = 0; i < m_threadCount; ++i)
        if (m_slots[size_t(i)].state == SlotState::Bereit && m_threads[size_t(i)])
            return i;
    return -1;
}

std::optional<TEineEngine> SubmissionScheduler::nextEntry()
{
    if (m_keyGate == KeyGate::Passed && !m_deferred.empty()) {
        const int index = m_deferred.front();
        m_deferred.pop_front();
        return m_list.entries[size_t(index)];
    }
    for (;;) {
        std::optional<TEineEngine> entry = NaechstenEintragHolen();
        if (!entry || !entry->IndexNow)
            return entry;
        if (m_keyGate == KeyGate::Checking)
            m_deferred.push_back(m_nextIndex - 1);
        else if (m_keyGate == KeyGate::Failed && m_journal)
            m_journal->heldBack << entry->Nr;
        else if (m_keyGate != KeyGate::Failed)
            return entry;
    }
}

bool SubmissionScheduler::startKeyCheck(int slot)
{
    m_keyGate = KeyGate::Checking;
    m_keyCheckSlot = slot;
    THTTPThread::Assignment assignment;
    assignment.request = RunPreview::exchangeRequest(
        TEineEngine(), {m_proxyHost, m_proxyPort, m_idleTimeLimit, m_caFile});
    assignment.keyCheck = true;
    assignment.siteAddress = m_list.indexNowSite;
    assignment.key = m_list.indexNowKey;
    assignment.name = keyCheckName();
    assignment.ticket = m_nextTicket++;
    TEineEngine shown;
    shown.Name = assignment.name;
    m_work[size_t(slot)] = shown;
    m_tickets[size_t(slot)] = assignment.ticket;
    SlotAnzeigen(slot, SlotState::Belegt);
    setPanel(2, QStringLiteral("Die IndexNow-Schlüsseldatei wird geprüft."));
    m_threads[size_t(slot)]->assign(assignment);
    changeRunning(+1);
    ++m_inFlight;
    return true;
}

QString SubmissionScheduler::keyCheckName()
{
    return QStringLiteral("IndexNow-Schlüsseldatei");
}

bool SubmissionScheduler::NaechstenEintragStarten()
{
    // The key file is fetched first, by the first free worker; the others go on with the
    // form services meanwhile.
    if (m_keyGate == KeyGate::Pending && !m_abortRequested) {
        if (const int slot = freeSlot(); slot >= 0)
            return startKeyCheck(slot);
    }
    const std::optional<TEineEngine> entry = nextEntry();
    if (!entry || entry->URL.isEmpty() || entry->URL == TEineEngine::errorUrl())
        return false;
    const int slot = freeSlot();
    if (slot < 0) {
        m_ui.error(QStringLiteral("Fehler-Nr. 88219"));
        return false;
    }
    THTTPThread::Assignment assignment;
    // Built where the preview builds it, so that the preview shows what goes out.
    assignment.request =
        RunPreview::exchangeRequest(*entry, {m_proxyHost, m_proxyPort, m_idleTimeLimit, m_caFile});
    assignment.name = entry->Name;
    // The service's name becomes the answer page's file name, so this check is what keeps
    // a name such as "../x" from writing outside the answer folder. A name that is no file
    // name gets no page; the submission still counts.
    if (AnswerPage::fileNameAllowed(entry->Name))
        assignment.answerFile = entry->AntwortDatei;
    assignment.nr = entry->Nr;
    assignment.ticket = m_nextTicket++;
    m_work[size_t(slot)] = *entry;
    m_tickets[size_t(slot)] = assignment.ticket;
    SlotAnzeigen(slot, SlotState::Belegt);
    if (m_journal)
        m_journal->sent << entry->Nr;
    m_threads[size_t(slot)]->assign(assignment);
    changeRunning(+1);
    ++m_inFlight;
    return true;
}

void SubmissionScheduler::postProgress(int slot, quint64 ticket, int percent)
{
    m_progressReports[size_t(slot)].store(ticket << 8 | quint64(percent & 0xff),
                                          std::memory_order_relaxed);
}

void SubmissionScheduler::postResult(int slot, quint64 ticket, ExchangeResult result)
{
    bool wasWoken = false;
    {
        std::lock_guard lock(m_inboxLock);
        wasWoken = m_wakePending;
        m_wakePending = true;
        m_inbox.push_back(WorkerMessage{slot, ticket, std::move(result)});
    }
    if (wasWoken)
        return; // the main thread is already woken and takes this one too
    if (m_wakeFd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    } else {
        QMetaObject::invokeMethod(this, &SubmissionScheduler::deliverMessages,
                                  Qt::QueuedConnection);
    }
}

bool SubmissionScheduler::takeProgress()
{
    bool shown = false;
    for (int i = 0; i < m_threadCount; ++i) {
        Slot& s = m_slots[size_t(i)];
        const quint64 ticket = m_tickets[size_t(i)];
        if (s.state != SlotState::Belegt || ticket == 0)
            continue;
        const quint64 report = m_progressReports[size_t(i)].load(std::memory_order_relaxed);
        if (report >> 8 != (ticket << 8) >> 8)
            continue; // nothing yet from this assignment
        const int percent = int(report & 0xff);
        if (s.progress == percent && !s.label.isEmpty())
            continue;
        s.progress = percent;
        s.label = m_work[size_t(i)].Name;
        shown = true;
    }
    return shown;
}

void SubmissionScheduler::deliverMessages()
{
    // Every call takes the wake-up it may have been called for, so the event never stays
    // set; a result arriving from here on wakes the main thread again. Results are taken
    // one at a time because filing one may show a box whose event loop comes back here:
    // the inner call then goes on with the next result, in order.
    if (m_wakeFd >= 0) {
        quint64 count = 0;
        [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &count, sizeof count);
    }
    {
        std::lock_guard lock(m_inboxLock);
        m_wakePending = false;
    }
    for (;;) {
        WorkerMessage message;
        {
            std::lock_guard lock(m_inboxLock);
            if (m_inbox.empty())
                break;
            message = std::move(m_inbox.front());
            m_inbox.pop_front();
        }
        ErgebnisVerarbeiten(message.slot, message.ticket, message.result);
    }
    if (takeProgress())
        emit changed();
}

void SubmissionScheduler::ErgebnisVerarbeiten(int slot, quint64 ticket,
                                              const ExchangeResult& result)
{
    // A worker discarded since its result was sent files nothing.
    if (m_tickets[size_t(slot)] != ticket || m_slots[size_t(slot)].state != SlotState::Belegt)
        return;
    m_tickets[size_t(slot)] = 0;
    --m_inFlight;
    changeRunning(-1);

    if (slot == m_keyCheckSlot) {
        m_keyCheckSlot = -1;
        SlotAnzeigen(slot, SlotState::Bereit);
        keyCheckDone(result);
    } else {
        fileAnswer(m_work[size_t(slot)], result);
        SlotAnzeigen(slot, SlotState::Bereit);
    }

    if (m_failures > 30 && Fehlerquote(m_failures, m_successes) > 60)
        m_abortRequested = true;
    if (!m_allHandedOut && !m_abortRequested && NaechstenEintragStarten()) {
        // After the key check, the IndexNow entries it held may fill idle workers too.
        while (!m_allHandedOut && !m_abortRequested && freeSlot() >= 0 &&
               NaechstenEintragStarten()) {
        }
        emit changed();
        return;
    }
    if (LaufendeThreads() != 0 || m_inFlight != 0) {
        emit changed();
        return;
    }

    m_timer1.stop();
    m_abortTimer.stop();
    QString message;
    if (m_allHandedOut && !m_abortRequested) {
        message = QStringLiteral("Die Übertragung ist abgeschlossen!");
    } else if (const int rate = Fehlerquote(m_failures, m_successes); rate > 70) {
        message =
            QStringLiteral("Die Übertragung wurde wegen zu hoher Fehlerquote (%1%) abgebrochen! "
                           "\n\nBitte überprüfen Sie Ihre Internet-Verbindung. \n\nFalls eine "
                           "Verbindung besteht und Sie diese Meldung erhalten, sollten Sie "
                           "überprüfen, ob Sie für Ihre Internet-Verbindung Proxy-Server-"
                           "Einstellungen setzen müssen! Dies können Sie im Hauptmenü über den "
                           "Menüpunkt \"Optionen\" durchführen.")
                .arg(rate);
    } else {
        message = QStringLiteral("Die Übertragung wurde abgebrochen!");
    }
    emit aboutToShowMessage();
    m_ui.information(message);
    m_startCaption = startCaption;
    m_startEnabled = false;
    m_busyCursor = false;
    {
        std::lock_guard lock(m_threadLock);
        m_running = 0;
    }
    m_inFlight = 0;
    m_allHandedOut = m_abortRequested = false;
    m_finished = true;
    emit changed();
    emit runEnded(message);
}

bool SubmissionScheduler::fileAnswer(const TEineEngine& entry, const ExchangeResult& result)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    ServiceOutcome outcome;
    outcome.nr = entry.Nr;
    outcome.indexNow = entry.IndexNow;
    outcome.when = now;
    outcome.Erfolg = result.Erfolg;
    outcome.statusCode = result.StatusCode;
    outcome.message = result.Meldung;
    if (entry.IndexNow) {
        // An endpoint's answer means what the protocol says, not what a form page would.
        const IndexNowSubmission::Outcome judged =
            IndexNowSubmission::evaluate(result, result.retryAfter, now);
        outcome.Erfolg = judged.Erfolg;
        outcome.statusCode = judged.StatusCode;
        outcome.message = judged.Meldung;
        outcome.keyPending = judged.Erfolg && judged.StatusCode == 202;
        if (judged.kind == IndexNowSubmission::Outcome::Kind::TooManyRequests)
            outcome.notBefore = judged.notBefore;
    } else if (result.answered && result.StatusCode == 429) {
        outcome.notBefore =
            now.addSecs(IndexNowSubmission::waitFor(result.retryAfter, now).count());
    }
    if (m_journal) {
        if (outcome.notBefore.isValid())
            m_journal->waits.wait(entry.URL, outcome.notBefore);
        m_journal->outcomes.push_back(outcome);
    }

    const QString line =
        resultLine(entry.Name, outcome.message, outcome.statusCode, entry.Nr, entry.URL);
    if (outcome.Erfolg) {
        ++m_successes;
        m_successLines << line;
        // Its worker has written the answer page before reporting.
    } else {
        ++m_failures;
        m_failureLines << line;
    }
    emit resultFiled(outcome.Erfolg, line);
    return outcome.Erfolg;
}

void SubmissionScheduler::keyCheckDone(const ExchangeResult& result)
{
    if (result.Erfolg) {
        m_keyGate = KeyGate::Passed;
        setPanel(2, QStringLiteral("Die IndexNow-Schlüsseldatei ist in Ordnung."));
        return;
    }
    // The site's key file is missing or wrong: no endpoint would take the addresses, and
    // none of them is to blame. The IndexNow services go back into the selection.
    m_keyGate = KeyGate::Failed;
    if (m_journal) {
        m_journal->indexNowStop = result.Meldung;
        for (const int index : m_deferred)
            m_journal->heldBack << m_list.entries[size_t(index)].Nr;
    }
    m_deferred.clear();
    if (m_nextIndex >= m_list.count)
        m_allHandedOut = true;
    setPanel(2, QStringLiteral("IndexNow angehalten: die Schlüsseldatei ist nicht in Ordnung."));
}

void SubmissionScheduler::Timer1Timer()
{
    takeProgress();
    setPanel(1, QStringLiteral("Simultane Threads: %1").arg(LaufendeThreads()));
    emit changed();
}

void SubmissionScheduler::sleepAllWorkers()
{
    for (int i = 0; i < m_threadCount; ++i) {
        m_tickets[size_t(i)] = 0;
        if (m_threads[size_t(i)])
            SlotAnzeigen(i, SlotState::Bereit);
    }
    std::lock_guard lock(m_threadLock);
    m_running = 0;
}

void SubmissionScheduler::TimerAbbruchanforderungTimer()
{
    m_abortTimer.stop();
    sleepAllWorkers();
    ThreadsBeenden();
    emit changed();
    emit runEnded(QString());
}

void SubmissionScheduler::ThreadsBeenden()
{
    for (int i = 0; i < m_threadCount; ++i) {
        m_tickets[size_t(i)] = 0;
        SlotAnzeigen(i, SlotState::Deaktiviert);
    }
    // Each worker abandons its exchange at once; none leaves a result line.
    for (auto& worker : m_threads)
        worker.reset();
    m_inFlight = 0;
    m_startCaption = startCaption;
    m_startEnabled = false;
    m_busyCursor = false;
    m_timer1.stop();
    m_finished = true;
}

bool SubmissionScheduler::SchliessenButtonClick()
{
    const int running = LaufendeThreads();
    if (running <= 0) {
        m_allHandedOut = true;
        return true;
    }
    m_ui.information(
        QStringLiteral("Bitte warten Sie, bis alle %1 laufenden Threads beendet sind, "
                       "oder klicken Sie auf \"Abbrechen\", um den Vorgang abzubrechen!")
            .arg(running));
    return false;
}

bool SubmissionScheduler::FormCloseQuery()
{
    const int running = LaufendeThreads();
    if (running <= 0)
        return true;
    m_ui.information(QStringLiteral("Bitte warten Sie, bis alle %1 laufenden Threads beendet sind, "
                                    "oder klicken Sie auf \"Abbrechen\"!")
                         .arg(running));
    return false;
}

void SubmissionScheduler::FormClose()
{
    ThreadsBeenden();
}

} // namespace pelvaro::submit
