#pragma once

#include "tools/PingCheck.h"

#include <QByteArray>
#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::tools::ui {

// How the window's checks reach the network. The defaults are the program's own; tests
// point the look-up at a local name server and shorten the waits.
struct PingSettings
{
    // "127.0.0.1:5353,..."; empty for the system's resolver.
    QByteArray nameServers;
    int echoTimeoutMs = PingCheck::EchoTimeoutMs;
    int webPortTimeoutMs = PingCheck::WebPortTimeoutMs;
};

// "Verfügbarkeit der URL testen": checks that the web server of the site address answers,
// one log line per step. Every activation of the window starts a new attempt with the host
// as it stands in HostEdit, so coming back to it repeats the test.
class Tpingform : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tpingform)

public:
    explicit Tpingform(base::UiServices& ui, QWidget* parent = nullptr,
                       const PingSettings& settings = {});
    ~Tpingform() override;

    // "URL prüfen" beside the site address: checks the address as typed in URLEdit, warns
    // through `ui` when it cannot be checked, and otherwise shows the window modally until
    // it is closed.
    static void checkUrl(base::UiServices& ui, const QString& urlEditText, QWidget* parent,
                         const PingSettings& settings = {});

    // The window for an address, shown without a modal loop, e.g. for a picture of it. Its
    // one attempt is started here; activations do not start it over.
    static std::unique_ptr<Tpingform> showForPicture(base::UiServices& ui,
                                                     const QString& urlEditText,
                                                     QWidget* parent = nullptr,
                                                     const PingSettings& settings = {});

    // What HostEdit shows for an address: its host, with the port when it names another
    // than 80.
    static QString hostText(const QString& urlEditText);

    void setHost(const QString& hostText);
    // An attempt, as "Erneut versuchen" starts one.
    void startAttempt();
    // Whether an attempt is still under way (look-up, echo or web port).
    bool attemptRunning() const;

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

public slots:
    // Escape and the title bar's close button: while the name is being looked up they end
    // the look-up, as "Abbrechen" does, and the window stays; otherwise they close it.
    void reject() override;

private:
    void makeCheck();
    void cancelLookup();
    void lookupEnded();
    void showStartFailure(const QString& message);
    void setLookingUp(bool lookingUp);

    base::UiServices& m_ui;
    PingSettings m_settings;
    std::unique_ptr<PingCheck> m_check;
    bool m_attemptOnActivation = true;
    // The activation that follows our own error box would fail the same way again.
    bool m_ignoreNextActivation = false;

    QLabel* m_hostLabel;
    QLineEdit* m_hostEdit;
    QPlainTextEdit* m_displayMemo;
    QPushButton* m_pingButton;
    QPushButton* m_cancelButton;
    QPushButton* m_closeButton;
};

} // namespace pelvaro::tools::ui
