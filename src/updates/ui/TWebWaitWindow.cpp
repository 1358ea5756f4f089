#include "updates/ui/TWebWaitWindow.h"

#include "updates/TransferJob.h"

#include <QLabel>
#include <QPushButton>

namespace pelvaro::updates::ui {

TWebWaitWindow::TWebWaitWindow(const QString& text, QWidget* parent)
    : TransferDialog(parent), m_lblText(new QLabel(text, this)),
      m_btnCancel(new QPushButton(tr("Abbrechen"), this))
{
    setObjectName(QStringLiteral("TWebWaitWindow"));
    setWindowTitle(tr("Bitte warten ..."));
    setFixedSize(240, 100);
    setCursor(Qt::WaitCursor);
    m_lblText->setObjectName(QStringLiteral("lblText"));
    m_lblText->setAlignment(Qt::AlignCenter);
    m_lblText->setGeometry(8, 16, 224, 32);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setGeometry(82, 62, 75, 25);
    // The one control that still does something gets the ordinary pointer.
    m_btnCancel->setCursor(Qt::ArrowCursor);
    connect(m_btnCancel, &QPushButton::clicked, this, &TWebWaitWindow::cancelTransfer);
}

TWebWaitWindow::~TWebWaitWindow() = default;

std::unique_ptr<TWebWaitWindow> TWebWaitWindow::ForPicture(QWidget* parent)
{
    auto window = std::make_unique<TWebWaitWindow>(tr("Suche nach neuer Version ..."), parent);
    window->show();
    return window;
}

} // namespace pelvaro::updates::ui
