#pragma once

#include "submit/SubmissionScheduler.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::submit::ui {

class TThreadForm;

// The scheduler window on screen, for pictures of it, without exec(). Its runs are real:
// the workers talk to small services on 127.0.0.1 that this object keeps for its life (one
// answers every request, one refuses connections, one takes requests and never answers), so
// every caption, count and panel is the scheduler's own. Each show… call replaces the
// window the previous one showed; a window is valid until the next call or the showcase's
// end. Messages of the run go through the given door.
class ThreadFormShowcase
{
public:
    explicit ThreadFormShowcase(base::UiServices& ui);
    ~ThreadFormShowcase();
    ThreadFormShowcase(const ThreadFormShowcase&) = delete;
    ThreadFormShowcase& operator=(const ThreadFormShowcase&) = delete;

    // 23 workers on 26 services: four have answered, two refused, the other twenty hang with
    // their requests sent. Twenty slots are belegt, three bereit, the 24th deaktiviert.
    TThreadForm& showRunning();
    // Five workers on eight services, six answering and two refusing, after the closing
    // message "Die Übertragung ist abgeschlossen!" has gone through the door.
    TThreadForm& showFinished();
    // The result lines of the last run shown.
    const QStringList& successLines() const { return m_success; }
    const QStringList& failureLines() const { return m_failure; }

private:
    struct Services;
    TThreadForm& showRun(int threads, const QStringList& kinds,
                         const std::function<bool(SubmissionScheduler&)>& reached);

    base::UiServices& m_ui;
    std::unique_ptr<Services> m_services;
    std::unique_ptr<SendList> m_list;
    QStringList m_success;
    QStringList m_failure;
    std::unique_ptr<TThreadForm> m_form;
};

} // namespace pelvaro::submit::ui
