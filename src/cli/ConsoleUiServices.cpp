#include "cli/ConsoleUiServices.h"

#include <QTextStream>

namespace pelvaro::cli {

using base::MessageAnswer;
using base::MessageButtons;
using base::MessageKind;

MessageAnswer ConsoleUiServices::showMessage(MessageKind kind, const QString&, const QString& text,
                                             MessageButtons buttons)
{
    QTextStream& stream =
        (kind == MessageKind::Warning || kind == MessageKind::Error) ? m_err : m_out;
    stream << text << '\n';
    stream.flush();
    if (buttons != MessageButtons::Ok && m_nextAnswer) {
        const MessageAnswer answer = *m_nextAnswer;
        m_nextAnswer.reset();
        return answer;
    }
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
        break;
    }
    return MessageAnswer::Cancel;
}

std::optional<QString> ConsoleUiServices::getOpenFileName(const base::FileDialogRequest&)
{
    return std::nullopt;
}

std::optional<QString> ConsoleUiServices::getSaveFileName(const base::FileDialogRequest&)
{
    return std::nullopt;
}

bool ConsoleUiServices::openUrl(const QUrl& url)
{
    m_out << url.toString() << '\n';
    m_out.flush();
    return true;
}

void ConsoleUiServices::showGeneralError(const QString& text)
{
    m_err << text << '\n';
    m_err.flush();
}

void ConsoleUiServices::showHelpWindow(const base::HelpPage& page)
{
    m_out << page.title << '\n';
    m_out.flush();
}

} // namespace pelvaro::cli
