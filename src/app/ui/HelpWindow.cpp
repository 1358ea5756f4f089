#include "app/ui/HelpWindow.h"

#include "base/AppInfo.h"

#include <QDesktopServices>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace pelvaro::app::ui {

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(520, 460);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == QLatin1String("help")) {
            bool ok = false;
            const int context = url.path().toInt(&ok);
            if (ok)
                showPage(base::HelpPages::page(context));
        } else {
            QDesktopServices::openUrl(url);
        }
    });
}

void HelpWindow::showPage(const base::HelpPage& page)
{
    m_context = page.context;
    m_browser->setHtml(page.html);
    setWindowTitle(tr("%1 - Hilfe: %2").arg(base::AppInfo::title(), page.title));
    show();
    raise();
    activateWindow();
}

QString HelpWindow::currentHtml() const
{
    return m_browser->toHtml();
}

} // namespace pelvaro::app::ui
