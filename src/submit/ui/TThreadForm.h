#pragma once

#include "submit/SubmissionScheduler.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <array>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::submit::ui {

// "Anmeldung durchführen": the scheduler's face. It hands every event to the scheduler and
// shows what the scheduler says; what a slot, a button or a panel shows, and when, is decided
// there, never here.
class TThreadForm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TThreadForm)

public:
    // Shows the scheduler's state now, without waiting for the frame to end.
    void refresh();
    // The help page of the automatic submission, which explains this window.
    static constexpr int HelpContext = 5;

    TThreadForm(base::UiServices& ui, const SendList& list, QStringList& successLines,
                QStringList& failureLines, const SubmissionScheduler::Settings& settings,
                QWidget* parent = nullptr);
    ~TThreadForm() override;

    // Shows the window modally for one run and returns when the user has closed it; the
    // result lines are then in the two lists, in the order the exchanges ended.
    static void execute(base::UiServices& ui, const SendList& list, QStringList& successLines,
                        QStringList& failureLines, const SubmissionScheduler::Settings& settings,
                        QWidget* parent = nullptr);

    SubmissionScheduler& scheduler() { return m_scheduler; }

    // Every way of closing ends here; the scheduler may refuse while exchanges run.
    void done(int result) override;

    // Object names of the status bar's three panels (0 to 2).
    static QString panelName(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct SlotView
    {
        QGroupBox* frame = nullptr;
        QLabel* label = nullptr;
        QProgressBar* bar = nullptr;
        // The state whose colour the frame wears; -1 before the first refresh.
        int colouredAs = -1;
    };

    QWidget* makeSlotFrame(int index);
    void startClicked();
    void closeClicked();
    void scheduleRefresh();
    void colourFrame(SlotView& view, SubmissionScheduler::SlotState state);

    base::UiServices& m_ui;
    SubmissionScheduler m_scheduler;
    std::array<SlotView, SubmissionScheduler::SlotCount> m_slots{};
    QPushButton* m_start = nullptr;
    QLabel* m_labelErfolg = nullptr;
    QLabel* m_labelFehler = nullptr;
    QStatusBar* m_statusBar = nullptr;
    std::array<QLabel*, 3> m_panels{};
    // At most one repaint of the window per frame while workers report.
    static constexpr int FrameMs = 20;
    QTimer m_frameTimer;
    QElapsedTimer m_lastRefresh;
    bool m_busyShown = false;
};

} // namespace pelvaro::submit::ui
