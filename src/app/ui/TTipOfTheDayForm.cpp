#include "app/ui/TTipOfTheDayForm.h"

#include "base/UiServices.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <optional>

namespace pelvaro::app::ui {

namespace {

// The light bulb beside the tip, drawn here so the program carries no foreign picture.
class LightBulb : public QWidget
{
public:
    explicit LightBulb(QWidget* parent) : QWidget(parent) { setFixedSize(48, 64); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF centre(24, 22);
        QRadialGradient glow(centre, 20, centre - QPointF(6, 6));
        glow.setColorAt(0.0, QColor(0xff, 0xfb, 0xd6));
        glow.setColorAt(1.0, QColor(0xf5, 0xc5, 0x18));
        p.setPen(QPen(QColor(0x8a, 0x6d, 0x0b), 1.5));
        p.setBrush(glow);
        QPainterPath bulb;
        bulb.addEllipse(centre, 17, 17);
        QPainterPath neck;
        neck.moveTo(15, 34);
        neck.lineTo(18, 44);
        neck.lineTo(30, 44);
        neck.lineTo(33, 34);
        neck.closeSubpath();
        p.drawPath(bulb.united(neck));
        // The filament.
        p.setPen(QPen(QColor(0xb0, 0x5a, 0x00), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(19, 40), QPointF(20, 26), QPointF(22.5, 30),
                                  QPointF(25.5, 26), QPointF(28, 30), QPointF(29, 40)}));
        // The screw base.
        p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
        p.setBrush(QColor(0xb8, 0xb8, 0xb8));
        for (int i = 0; i < 3; ++i)
            p.drawRoundedRect(QRectF(17.5, 45 + i * 5, 13, 4.5), 1.5, 1.5);
        p.setBrush(QColor(0x44, 0x44, 0x44));
        p.drawEllipse(QRectF(21, 60, 6, 3.5));
    }
};

} // namespace

TTipOfTheDayForm::TTipOfTheDayForm(base::UiServices& ui, TipsFile tips, bool showOnStartup,
                                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ui(ui),
      m_tips(std::move(tips)), m_tip(new QLabel(this)), m_showOnStartup(new QCheckBox(this))
{
    setObjectName(QStringLiteral("TTipOfTheDayForm"));
    setWindowTitle(tr("Tip des Tages"));
    setModal(true);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel"));
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);
    auto* heading = new QLabel(tr("Wußten Sie schon ..."), panel);
    heading->setObjectName(QStringLiteral("Heading"));
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
    heading->setFont(headingFont);
    m_tip->setParent(panel);
    m_tip->setObjectName(QStringLiteral("Tip"));
    m_tip->setWordWrap(true);
    m_tip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_tip->setMinimumSize(320, 110);
    auto* text = new QVBoxLayout;
    text->addWidget(heading);
    text->addWidget(m_tip, 1);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(14, 14, 14, 14);
    panelLayout->setSpacing(14);
    panelLayout->addWidget(new LightBulb(panel), 0, Qt::AlignTop);
    panelLayout->addLayout(text, 1);

    m_showOnStartup->setObjectName(QStringLiteral("ShowOnStartup"));
    m_showOnStartup->setText(tr("Tips beim nächsten Programmstart zeigen"));
    m_showOnStartup->setChecked(showOnStartup);
    auto* ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* next = new QPushButton(tr("&Nächster Tip"), this);
    next->setObjectName(QStringLiteral("NextButton"));
    next->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &TTipOfTheDayForm::okClicked);
    connect(next, &QPushButton::clicked, this, &TTipOfTheDayForm::nextTip);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_showOnStartup);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(next);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel, 1);
    layout->addLayout(buttons);

    showCurrent();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool TTipOfTheDayForm::showOnStartup() const
{
    return m_showOnStartup->isChecked();
}

std::unique_ptr<TTipOfTheDayForm> TTipOfTheDayForm::showForPicture(base::UiServices& ui,
                                                                   const QStringList& tips)
{
    auto form = std::make_unique<TTipOfTheDayForm>(ui, TipsFile::fromTips(tips), true);
    form->setModal(false);
    form->show();
    return form;
}

void TTipOfTheDayForm::showCurrent()
{
    m_tip->setText(m_tips.current());
}

void TTipOfTheDayForm::nextTip()
{
    m_tips.next();
    showCurrent();
}

void TTipOfTheDayForm::okClicked()
{
    // The window closes also when the file cannot be written: the user has read the tip,
    // and the failure has been reported.
    m_ui.guarded([this] { m_tips.finish(); });
    m_closing = true;
    accept();
}

void TTipOfTheDayForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TTipOfTheDayForm::closeEvent(QCloseEvent* event)
{
    if (!m_closing)
        event->ignore();
}

void TTipOfTheDayForm::reject()
{
    // Only OK closes the window: every opening must rotate the file.
    if (m_closing)
        QDialog::reject();
}

void TTipDesTages::Execute(base::UiServices& ui, bool& showTips, QWidget* parent) const
{
    std::optional<TipsFile> tips;
    if (!ui.guarded([&] { tips = TipsFile::load(m_tipsFile); }))
        return;
    TTipOfTheDayForm form(ui, std::move(*tips), showTips, parent);
    form.exec();
    showTips = form.showOnStartup();
}

} // namespace pelvaro::app::ui
