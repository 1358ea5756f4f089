#include "app/ui/WaitNoticeWindow.h"

#include "base/AppInfo.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace pelvaro::app::ui {

WaitNoticeWindow::WaitNoticeWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("WaitNotice"));
    // Shown by no caption, but named so in task lists and pagers.
    setWindowTitle(base::AppInfo::title());
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_label->setObjectName(QStringLiteral("WaitNoticeLabel"));
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setWordWrap(true);
    m_label->setFrameShape(QFrame::NoFrame);
    layout->addWidget(m_label);
    setStyleSheet(QStringLiteral("#WaitNotice { border: 1px solid palette(dark); }"));
    setFixedWidth(200);
}

void WaitNoticeWindow::showNotice(const QString& text)
{
    m_label->setText(text);
    m_label->setMinimumHeight(15);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    // The caller's long work follows on this thread, so paint now.
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString WaitNoticeWindow::text() const
{
    return m_label->text();
}

} // namespace pelvaro::app::ui
