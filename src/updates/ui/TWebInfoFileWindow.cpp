#include "updates/ui/TWebInfoFileWindow.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace pelvaro::updates::ui {

TWebInfoFileWindow::TWebInfoFileWindow(const QString& text, QWidget* parent)
    : QDialog(parent), m_memo(new QPlainTextEdit(this)), m_btnOk(new QPushButton(tr("&Ok"), this))
{
    setObjectName(QStringLiteral("TWebInfoFileWindow"));
    setWindowTitle(tr("Info-Datei"));
    m_memo->setObjectName(QStringLiteral("memInfo"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setPlainText(text);
    m_btnOk->setObjectName(QStringLiteral("btnOk"));
    m_btnOk->setDefault(true);
    connect(m_btnOk, &QPushButton::clicked, this, &QDialog::accept);

    const QScreen* screen =
        parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    resize(available.width() * 4 / 5, available.height() * 4 / 5);
    move(available.center() - rect().center());
}

TWebInfoFileWindow::~TWebInfoFileWindow() = default;

void TWebInfoFileWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    m_memo->setGeometry(10, 10, width() - 25, height() - 80);
    m_btnOk->setGeometry((width() - 68) / 2, height() - 56, 68, 22);
}

std::unique_ptr<TWebInfoFileWindow> TWebInfoFileWindow::ForPicture(QWidget* parent)
{
    auto window = std::make_unique<TWebInfoFileWindow>(
        tr("Pelvaro! 1.7.0\n"
           "==============\n\n"
           "Neu in dieser Version:\n\n"
           "- 42 weitere Suchdienste im Katalog\n"
           "- Meta-Tag-Generator: Angaben zur Zielgruppe\n"
           "- schnellere Anmeldung mit bis zu 24 gleichzeitigen Verbindungen\n\n"
           "Die Installation übernimmt Ihre Einstellungen und Auswahldateien.\n"),
        parent);
    window->show();
    return window;
}

} // namespace pelvaro::updates::ui
