#include "app/ui/TAboutBox.h"

#include "app/AboutInfo.h"
#include "app/ui/SplashWindow.h"
#include "base/AppInfo.h"
#include "base/UiServices.h"
#include "submit/SubmissionScheduler.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

namespace pelvaro::app::ui {

namespace {

// Painted rather than shown as a label's pixmap: it stays sharp at any scale.
class Emblem : public QWidget
{
public:
    explicit Emblem(QWidget* parent) : QWidget(parent) { setFixedSize(400, 229); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.scale(width() / 420.0, height() / 240.0);
        SplashWindow::paintPicture(p, QSize(420, 240));
    }
};

QLabel* link(const QString& caption, const QString& address, const char* name, QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>")
                                 .arg(address.toHtmlEscaped(), caption.toHtmlEscaped()),
                             parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

} // namespace

TAboutBox::TAboutBox(base::UiServices& ui, const QString& catalogueVersion, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_ui(ui),
      m_versions(new QLabel(this)), m_versionRow(new QWidget(this))
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(tr("Info"));
    setProperty("helpContext", AboutInfo::HelpContext);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setFixedWidth(440);

    // The start picture, so the box and the start of the program look alike.
    auto* picture = new Emblem(this);
    picture->setObjectName(QStringLiteral("Image1"));

    // Placed by hand: its left edge follows the box's own centring rule.
    m_versions->setObjectName(QStringLiteral("LabelVersionen"));
    m_versions->setText(AboutInfo::versionLine(catalogueVersion));
    m_versions->adjustSize();
    m_versionRow->setFixedHeight(m_versions->sizeHint().height() + 4);

    auto* maker = new QLabel(AboutInfo::makerText(), this);
    maker->setObjectName(QStringLiteral("LabelHersteller"));
    maker->setAlignment(Qt::AlignHCenter);
    auto* ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 14);
    layout->addWidget(picture);
    layout->addWidget(m_versionRow);
    layout->addWidget(maker);
    layout->addWidget(
        link(tr("Zur Web-Site von Trevanix"), AboutInfo::webSiteAddress(), "LinkWebSite", this));
    layout->addWidget(link(tr("Zum Forum"), AboutInfo::forumAddress(), "LinkForum", this));
    layout->addWidget(
        link(tr("E-Mail an den Support"), AboutInfo::supportMailAddress(), "LinkSupport", this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    for (QLabel* label : findChildren<QLabel*>()) {
        if (label->objectName().startsWith(QLatin1String("Link")))
            connect(label, &QLabel::linkActivated, this,
                    [this](const QString& address) { m_ui.openInBrowser(QUrl(address)); });
    }

    // Like a key preview: the box sees every key before the control that has the focus.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    placeVersionLine();
}

void TAboutBox::placeVersionLine()
{
    // The layout reserves the line's row; across it the line follows its own centring rule.
    const int top = m_versionRow->y() + 2;
    m_versions->adjustSize();
    m_versions->move(AboutInfo::centredLeft(width(), m_versions->width()), top);
    m_versions->raise();
}

bool TAboutBox::handleKey(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    if (key.key() == Qt::Key_F1 && modifiers == Qt::ControlModifier) {
        submit::SubmissionScheduler::setDefaultReferringPage(AboutInfo::alternativeReferringPage());
        return true;
    }
    if (key.key() == Qt::Key_F2 && modifiers == Qt::ControlModifier) {
        m_ui.showMessage(base::MessageKind::Information, base::AppInfo::title(),
                         AboutInfo::buildLabel(), base::MessageButtons::Ok);
        return true;
    }
    if (key.key() == Qt::Key_F1 && modifiers == Qt::NoModifier) {
        m_ui.ShowHelp(AboutInfo::HelpContext);
        return true;
    }
    return false;
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent&>(*event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(*event))
        QDialog::keyPressEvent(event);
}

void TAboutBox::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeVersionLine();
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    placeVersionLine();
}

void TAboutBox::ShowAbout(base::UiServices& ui, const QString& catalogueVersion, QWidget* parent)
{
    TAboutBox box(ui, catalogueVersion, parent);
    box.exec();
}

std::unique_ptr<TAboutBox> TAboutBox::showForPicture(base::UiServices& ui,
                                                     const QString& catalogueVersion)
{
    auto box = std::make_unique<TAboutBox>(ui, catalogueVersion);
    box->show();
    return box;
}

} // namespace pelvaro::app::ui
