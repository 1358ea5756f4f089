#pragma once

#include "base/UiServices.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <optional>
#include <variant>
#include <vector>

namespace pelvaro::test {

// The UI-services door for tests: answers are queued in advance, everything shown is
// recorded in order, and a question that nobody scripted fails the test at once instead of
// waiting for a click that never comes.
class ScriptedUiServices : public base::UiServices
{
public:
    struct Shown
    {
        enum class Kind
        {
            Message,
            OpenDialog,
            SaveDialog,
            PrintDialog,
            FontDialog,
            WaitNotice,
            Help,
            GeneralError
        };
        Kind kind = Kind::Message;
        base::MessageKind messageKind = base::MessageKind::Information;
        base::MessageButtons buttons = base::MessageButtons::Ok;
        QString title;
        // For the font dialog, the font it started from.
        QString text;
        base::PrintRequest printRequest;
        int helpContext = 0;
        bool helpFound = false;
    };

    ~ScriptedUiServices() override;

    // Queues the answer to the next box with buttons to choose from.
    void answer(base::MessageAnswer answer) { m_answers.emplace_back(answer); }
    // Queues the next file dialog's answer; std::nullopt stands for Cancel.
    void answerFile(const std::optional<QString>& path)
    {
        m_answers.emplace_back(FileAnswer{!path.has_value(), path.value_or(QString()), QString()});
    }
    // Queues a save dialog's answer left on the given filter line.
    void answerSaveFile(const QString& path, const QString& filter)
    {
        m_answers.emplace_back(FileAnswer{false, path, filter});
    }
    // The request of the last file dialog shown.
    const base::FileDialogRequest& lastFileRequest() const { return m_lastFileRequest; }

    // Queues the next print dialog's answer; std::nullopt stands for Cancel.
    void answerPrint(const std::optional<base::PrintChoice>& choice)
    {
        m_answers.emplace_back(PrintAnswer{choice});
    }
    // Queues the next font dialog's answer, a QFont::toString() text; std::nullopt stands for
    // Cancel.
    void answerFont(const std::optional<QString>& font)
    {
        m_answers.emplace_back(FontAnswer{font});
    }

    const std::vector<Shown>& shown() const { return m_shown; }
    // The texts of all message boxes and the general error display, in order.
    QStringList messageTexts() const;
    const std::vector<QUrl>& openedUrls() const { return m_openedUrls; }
    int waitNoticesOpened() const { return m_waitOpened; }
    const QString& lastWaitText() const { return m_lastWaitText; }
    bool allAnswersUsed() const { return m_answers.empty(); }
    int beeps() const { return m_beeps; }

    base::MessageAnswer showMessage(base::MessageKind kind, const QString& title,
                                    const QString& text, base::MessageButtons buttons) override;
    std::optional<QString> getOpenFileName(const base::FileDialogRequest& request) override;
    std::optional<QString> getSaveFileName(const base::FileDialogRequest& request) override;
    std::optional<base::SaveFileChoice>
    getSaveFileChoice(const base::FileDialogRequest& request) override;
    std::optional<base::PrintChoice> choosePrinter(const base::PrintRequest& request) override;
    std::optional<QString> chooseFont(const QString& title, const QString& current) override;
    bool openUrl(const QUrl& url) override;
    QString clipboardText() override { return m_clipboard; }
    void setClipboardText(const QString& text) override { m_clipboard = text; }
    void beep() override { ++m_beeps; }
    void showGeneralError(const QString& text) override;

protected:
    void openWaitWindow(const QString& text) override;
    void closeWaitWindow() override {}
    void showHelpWindow(const base::HelpPage& page) override;

private:
    struct FileAnswer
    {
        bool cancelled = false;
        QString path;
        QString filter;
    };
    struct PrintAnswer
    {
        std::optional<base::PrintChoice> choice;
    };
    struct FontAnswer
    {
        std::optional<QString> font;
    };
    std::optional<FileAnswer> takeFileAnswer(const base::FileDialogRequest& request,
                                             Shown::Kind kind);

    std::deque<std::variant<base::MessageAnswer, FileAnswer, PrintAnswer, FontAnswer>> m_answers;
    std::vector<Shown> m_shown;
    std::vector<QUrl> m_openedUrls;
    QString m_clipboard;
    base::FileDialogRequest m_lastFileRequest;
    QString m_lastWaitText;
    int m_waitOpened = 0;
    int m_beeps = 0;
};

} // namespace pelvaro::test
