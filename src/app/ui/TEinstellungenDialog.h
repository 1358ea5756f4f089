#pragma once

#include "app/ProgramOptions.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace pelvaro::base {
struct Settings;
class SettingsStore;
class UiServices;
} // namespace pelvaro::base

namespace pelvaro::app::ui {

// The options dialog "Programmoptionen": worker count, report overwriting and the proxy.
// It edits the settings it was opened on only when OK is accepted; every rule it follows is
// ProgramOptions'.
class TEinstellungenDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TEinstellungenDialog)

public:
    TEinstellungenDialog(base::UiServices& ui, base::Settings& settings, QWidget* parent = nullptr);

    // The menu's command: shows the dialog modally on the store's settings; OK takes the
    // entries over and writes the store at once, so a crash later loses nothing. Returns
    // whether OK took the entries over.
    static bool OpenSettings(base::UiServices& ui, base::SettingsStore& store,
                             QWidget* parent = nullptr);

    // As a click on the radio button of this proxy choice; also how a screenshot shows
    // the dialog with "Andere" chosen without running it.
    void chooseProxy(int choice);

    ProgramOptions::Entries entries() const;

    // OK: refused with a beep, and the focus in the thread-count field, while that field
    // holds no accepted count.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill(const ProgramOptions::Entries& entries);
    void centreOnScreen();
    void setProxyEditState(int choice);
    bool threadKeyPasses(QChar typed) const;
    void leaveThreadCount();
    void refuseThreadCount();

    base::UiServices& m_ui;
    base::Settings& m_settings;
    QLineEdit* m_threads = nullptr;
    QCheckBox* m_overwrite = nullptr;
    QButtonGroup* m_choices = nullptr;
    QLineEdit* m_proxyHost = nullptr;
    QLineEdit* m_proxyPort = nullptr;
};

} // namespace pelvaro::app::ui
