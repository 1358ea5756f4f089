#pragma once

#include "app/ui/HelpWindow.h"
#include "app/ui/WaitNoticeWindow.h"
#include "base/UiServices.h"

#include <QPointer>

#include <memory>

class QMessageBox;
class QWidget;

namespace pelvaro::app::ui {

// The UI-services door on Qt widgets: the only place that opens message boxes and file,
// print and font dialogs.
class QtUiServices : public base::UiServices
{
public:
    QtUiServices();
    ~QtUiServices() override;

    // Boxes and dialogs are centred on this window while it exists.
    void setDialogParent(QWidget* parent) { m_parent = parent; }
    // For runs nobody watches (a smoke test of the start): every box is written to standard
    // error and answered with its default button, file, print and font dialogs count as
    // cancelled and no browser is started, so nothing ever waits for a person.
    void setUnattended(bool unattended) { m_unattended = unattended; }
    bool unattended() const { return m_unattended; }
    // Closes the help window and the wait notice: the program is ending.
    void closeWindows();

    // The box showMessage shows, not yet shown (also for pictures of it).
    static std::unique_ptr<QMessageBox> messageBox(base::MessageKind kind, const QString& title,
                                                   const QString& text,
                                                   base::MessageButtons buttons, QWidget* parent);
    base::MessageAnswer showMessage(base::MessageKind kind, const QString& title,
                                    const QString& text, base::MessageButtons buttons) override;
    std::optional<QString> getOpenFileName(const base::FileDialogRequest& request) override;
    std::optional<QString> getSaveFileName(const base::FileDialogRequest& request) override;
    std::optional<base::SaveFileChoice>
    getSaveFileChoice(const base::FileDialogRequest& request) override;
    std::optional<base::PrintChoice> choosePrinter(const base::PrintRequest& request) override;
    std::optional<QString> chooseFont(const QString& title, const QString& current) override;
    bool openUrl(const QUrl& url) override;
    QString clipboardText() override;
    void setClipboardText(const QString& text) override;
    void beep() override;
    void showGeneralError(const QString& text) override;

    HelpWindow* helpWindow() const { return m_help; }
    WaitNoticeWindow* waitWindow() const { return m_wait; }

protected:
    void openWaitWindow(const QString& text) override;
    void closeWaitWindow() override;
    void showHelpWindow(const base::HelpPage& page) override;

private:
    class NoticeStepsAside;
    void report(const QString& text) const;

    QPointer<QWidget> m_parent;
    QPointer<HelpWindow> m_help;
    QPointer<WaitNoticeWindow> m_wait;
    bool m_unattended = false;
};

} // namespace pelvaro::app::ui
