#pragma once

#include "base/UiServices.h"

class QTextStream;

namespace pelvaro::cli {

// The UI-services door of the command line: information goes to standard output, warnings
// and errors to standard error. Nobody is there to answer, so questions take their safe
// answer (No, or Cancel) and dialogs are cancelled; each is printed all the same.
class ConsoleUiServices : public base::UiServices
{
public:
    ConsoleUiServices(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

    // The answer to the next question only, for a question the user has already answered by
    // what they did (Ctrl+C asking to abort a run).
    void answerNextQuestion(base::MessageAnswer answer) { m_nextAnswer = answer; }

    base::MessageAnswer showMessage(base::MessageKind kind, const QString& title,
                                    const QString& text, base::MessageButtons buttons) override;
    std::optional<QString> getOpenFileName(const base::FileDialogRequest& request) override;
    std::optional<QString> getSaveFileName(const base::FileDialogRequest& request) override;
    std::optional<base::PrintChoice> choosePrinter(const base::PrintRequest&) override
    {
        return std::nullopt;
    }
    std::optional<QString> chooseFont(const QString&, const QString&) override
    {
        return std::nullopt;
    }
    bool openUrl(const QUrl& url) override;
    QString clipboardText() override { return m_clipboard; }
    void setClipboardText(const QString& text) override { m_clipboard = text; }
    void beep() override {}
    void showGeneralError(const QString& text) override;

protected:
    void openWaitWindow(const QString&) override {}
    void closeWaitWindow() override {}
    void showHelpWindow(const base::HelpPage& page) override;

private:
    QTextStream& m_out;
    QTextStream& m_err;
    QString m_clipboard;
    std::optional<base::MessageAnswer> m_nextAnswer;
};

} // namespace pelvaro::cli
