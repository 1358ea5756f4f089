#include "ScriptedUiServices.h"

#include <gtest/gtest.h>

namespace pelvaro::test {

using base::MessageAnswer;
using base::MessageButtons;

ScriptedUiServices::~ScriptedUiServices()
{
    EXPECT_TRUE(m_answers.empty())
        << m_answers.size() << " scripted answer(s) were never asked for";
}

QStringList ScriptedUiServices::messageTexts() const
{
    QStringList texts;
    for (const Shown& s : m_shown)
        if (s.kind == Shown::Kind::Message || s.kind == Shown::Kind::GeneralError)
            texts << s.text;
    return texts;
}

MessageAnswer ScriptedUiServices::showMessage(base::MessageKind kind, const QString& title,
                                              const QString& text, MessageButtons buttons)
{
    Shown shown;
    shown.kind = Shown::Kind::Message;
    shown.messageKind = kind;
    shown.buttons = buttons;
    shown.title = title;
    shown.text = text;
    m_shown.push_back(shown);
    // A box with only OK leaves nothing to choose, so it needs no scripted answer.
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (m_answers.empty() || !std::holds_alternative<MessageAnswer>(m_answers.front())) {
        ADD_FAILURE() << "unscripted question: " << text.toStdString();
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    }
    const MessageAnswer answer = std::get<MessageAnswer>(m_answers.front());
    m_answers.pop_front();
    return answer;
}

std::optional<ScriptedUiServices::FileAnswer>
ScriptedUiServices::takeFileAnswer(const base::FileDialogRequest& request, Shown::Kind kind)
{
    Shown shown;
    shown.kind = kind;
    shown.title = request.title;
    m_shown.push_back(shown);
    m_lastFileRequest = request;
    if (m_answers.empty() || !std::holds_alternative<FileAnswer>(m_answers.front())) {
        ADD_FAILURE() << "unscripted file dialog: " << request.title.toStdString();
        return std::nullopt;
    }
    const FileAnswer answer = std::get<FileAnswer>(m_answers.front());
    m_answers.pop_front();
    if (answer.cancelled)
        return std::nullopt;
    return answer;
}

std::optional<QString> ScriptedUiServices::getOpenFileName(const base::FileDialogRequest& request)
{
    const std::optional<FileAnswer> answer = takeFileAnswer(request, Shown::Kind::OpenDialog);
    return answer ? std::optional<QString>(answer->path) : std::nullopt;
}

std::optional<QString> ScriptedUiServices::getSaveFileName(const base::FileDialogRequest& request)
{
    const std::optional<FileAnswer> answer = takeFileAnswer(request, Shown::Kind::SaveDialog);
    return answer ? std::optional<QString>(answer->path) : std::nullopt;
}

std::optional<base::SaveFileChoice>
ScriptedUiServices::getSaveFileChoice(const base::FileDialogRequest& request)
{
    const std::optional<FileAnswer> answer = takeFileAnswer(request, Shown::Kind::SaveDialog);
    if (!answer)
        return std::nullopt;
    return base::SaveFileChoice{answer->path, answer->filter};
}

std::optional<base::PrintChoice>
ScriptedUiServices::choosePrinter(const base::PrintRequest& request)
{
    Shown shown;
    shown.kind = Shown::Kind::PrintDialog;
    shown.title = request.title;
    shown.printRequest = request;
    m_shown.push_back(shown);
    if (m_answers.empty() || !std::holds_alternative<PrintAnswer>(m_answers.front())) {
        ADD_FAILURE() << "unscripted print dialog: " << request.jobName.toStdString();
        return std::nullopt;
    }
    const PrintAnswer answer = std::get<PrintAnswer>(m_answers.front());
    m_answers.pop_front();
    return answer.choice;
}

std::optional<QString> ScriptedUiServices::chooseFont(const QString& title, const QString& current)
{
    Shown shown;
    shown.kind = Shown::Kind::FontDialog;
    shown.title = title;
    shown.text = current;
    m_shown.push_back(shown);
    if (m_answers.empty() || !std::holds_alternative<FontAnswer>(m_answers.front())) {
        ADD_FAILURE() << "unscripted font dialog: " << title.toStdString();
        return std::nullopt;
    }
    const FontAnswer answer = std::get<FontAnswer>(m_answers.front());
    m_answers.pop_front();
    return answer.font;
}

bool ScriptedUiServices::openUrl(const QUrl& url)
{
    m_openedUrls.push_back(url);
    return true;
}

void ScriptedUiServices::showGeneralError(const QString& text)
{
    Shown shown;
    shown.kind = Shown::Kind::GeneralError;
    shown.messageKind = base::MessageKind::Error;
    shown.text = text;
    m_shown.push_back(shown);
}

void ScriptedUiServices::openWaitWindow(const QString& text)
{
    ++m_waitOpened;
    m_lastWaitText = text;
    Shown shown;
    shown.kind = Shown::Kind::WaitNotice;
    shown.text = text;
    m_shown.push_back(shown);
}

void ScriptedUiServices::showHelpWindow(const base::HelpPage& page)
{
    Shown shown;
    shown.kind = Shown::Kind::Help;
    shown.title = page.title;
    shown.text = page.html;
    shown.helpContext = page.context;
    shown.helpFound = page.found;
    m_shown.push_back(shown);
}

} // namespace pelvaro::test
