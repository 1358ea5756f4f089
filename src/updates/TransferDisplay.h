#pragma once

#include <QString>

namespace pelvaro::updates {

class TransferJob;

// How the update mechanism waits for a transfer: the windows on the desktop, an event
// loop on the command line. Each call returns when the job has finished or the user
// cancelled it; a cancelling display calls job.cancel() before it returns.
class TransferDisplay
{
public:
    TransferDisplay() = default;
    virtual ~TransferDisplay();
    TransferDisplay(const TransferDisplay&) = delete;
    TransferDisplay& operator=(const TransferDisplay&) = delete;

    // The wait window with one line of text ("Suche nach neuer Version ...").
    virtual void waitFor(TransferJob& job, const QString& text) = 0;
    // The progress window ("Neue Version wird heruntergeladen").
    virtual void showProgress(TransferJob& job, const QString& text) = 0;
    // The modal "Info-Datei" window with the information file's text.
    virtual void showInfoText(const QString& text) = 0;
    // The busy cursor while the information page is fetched.
    virtual void setBusy(bool busy) = 0;
};

// Busy for as long as it lives.
class BusyGuard
{
public:
    explicit BusyGuard(TransferDisplay& display) : m_display(display) { m_display.setBusy(true); }
    ~BusyGuard() { release(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
    void release()
    {
        if (m_busy)
            m_display.setBusy(false);
        m_busy = false;
    }

private:
    TransferDisplay& m_display;
    bool m_busy = true;
};

} // namespace pelvaro::updates
