#include "app/ui/HelpWindow.h"

#include "base/AppInfo.h"

#include <QApplication>
#include <QDesktopServices>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWindow>

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
    // Beside a modal window (the scheduler's "Hilfe") the help would be blocked by it and
    // stay behind: as that window's transient it takes input and stands in front of it.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this && modal->windowHandle()) {
        create();
        windowHandle()->setTransientParent(modal->windowHandle());
    }
    QWidget* beside = modal ? modal : QApplication::activeWindow();
    if (const QScreen* shownOn = beside ? beside->screen() : QGuiApplication::primaryScreen()) {
        const QRect available = shownOn->availableGeometry();
        // The first time in the middle of the screen the user works on; later where he
        // left it, as far as it is still on screen.
        if (!m_placed)
            move(available.center() - rect().center());
        m_placed = true;
        const QRect placed = placedOnScreen(frameGeometry(), available);
        const QSize frameExtra = frameGeometry().size() - size();
        resize(placed.size() - frameExtra);
        move(placed.topLeft());
    }
    show();
    raise();
    activateWindow();
}

QRect HelpWindow::placedOnScreen(const QRect& frame, const QRect& available)
{
    QRect placed(frame.topLeft(), frame.size().boundedTo(available.size()));
    if (placed.right() > available.right())
        placed.moveRight(available.right());
    if (placed.bottom() > available.bottom())
        placed.moveBottom(available.bottom());
    if (placed.left() < available.left())
        placed.moveLeft(available.left());
    if (placed.top() < available.top())
        placed.moveTop(available.top());
    return placed;
}

QString HelpWindow::currentHtml() const
{
    return m_browser->toHtml();
}

} // namespace pelvaro::app::ui
