#include "base/UiServices.h"

#include "base/AppInfo.h"

namespace pelvaro::base {

UiServices::~UiServices() = default;

std::optional<SaveFileChoice> UiServices::getSaveFileChoice(const FileDialogRequest& request)
{
    const std::optional<QString> path = getSaveFileName(request);
    if (!path)
        return std::nullopt;
    return SaveFileChoice{*path, QString()};
}

void UiServices::information(const QString& text)
{
    showMessage(MessageKind::Information, AppInfo::title(), text, MessageButtons::Ok);
}

void UiServices::warning(const QString& text)
{
    showMessage(MessageKind::Warning, AppInfo::title(), text, MessageButtons::Ok);
}

void UiServices::error(const QString& text)
{
    showMessage(MessageKind::Error, AppInfo::title(), text, MessageButtons::Ok);
}

MessageAnswer UiServices::question(const QString& text, MessageButtons buttons)
{
    return showMessage(MessageKind::Question, AppInfo::title(), text, buttons);
}

bool UiServices::openInBrowser(const QUrl& url)
{
    if (openUrl(url))
        return true;
    warning(noBrowserText(url));
    return false;
}

QString UiServices::noBrowserText(const QUrl& url)
{
    return QStringLiteral("%1 kann nicht angezeigt werden: Es wurde kein Programm für Web-Seiten "
                          "(Web-Browser) gefunden.\n\nBitte installieren Sie einen Web-Browser, "
                          "oder legen Sie in den Einstellungen Ihrer Arbeitsumgebung einen als "
                          "Standard fest.")
        .arg(url.isLocalFile() ? url.toLocalFile() : url.toDisplayString());
}

bool UiServices::ShowWaitNotice(const QString& text)
{
    if (m_waitNoticeShown)
        return false;
    m_waitNoticeShown = true;
    openWaitWindow(text);
    return true;
}

bool UiServices::CloseWaitNotice()
{
    if (!m_waitNoticeShown)
        return false;
    m_waitNoticeShown = false;
    closeWaitWindow();
    return true;
}

void UiServices::ShowHelp(int context)
{
    showHelpWindow(HelpPages::page(context));
}

WaitNoticeGuard::WaitNoticeGuard(UiServices& ui, const QString& text)
    : m_ui(ui), m_opened(ui.ShowWaitNotice(text))
{
}

WaitNoticeGuard::~WaitNoticeGuard()
{
    close();
}

void WaitNoticeGuard::close()
{
    if (!m_opened)
        return;
    m_opened = false;
    m_ui.CloseWaitNotice();
}

} // namespace pelvaro::base
