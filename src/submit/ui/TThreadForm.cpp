#include "submit/ui/TThreadForm.h"

#include "base/UiServices.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

namespace pelvaro::submit::ui {

namespace {

constexpr int frameColumns = 4;
constexpr int frameWidth = 190;

} // namespace

TThreadForm::TThreadForm(base::UiServices& ui, const SendList& list, QStringList& successLines,
                         QStringList& failureLines, const SubmissionScheduler::Settings& settings,
                         QWidget* parent)
    : QDialog(parent), m_ui(ui), m_scheduler(ui, list, successLines, failureLines, settings)
{
    setObjectName(QStringLiteral("ThreadForm"));
    setWindowTitle(tr("Anmeldung durchführen"));

    // All 24 frames are always there, whatever the worker count: the ones without a worker
    // say so themselves.
    auto* frames = new QGridLayout;
    frames->setHorizontalSpacing(8);
    frames->setVerticalSpacing(4);
    for (int i = 0; i < SubmissionScheduler::SlotCount; ++i)
        frames->addWidget(makeSlotFrame(i), i / frameColumns, i % frameColumns);

    m_labelErfolg = new QLabel(this);
    m_labelErfolg->setObjectName(QStringLiteral("LabelErfolg"));
    m_labelFehler = new QLabel(this);
    m_labelFehler->setObjectName(QStringLiteral("LabelFehler"));
    auto* counts = new QVBoxLayout;
    counts->addWidget(m_labelErfolg);
    counts->addWidget(m_labelFehler);

    m_start = new QPushButton(this);
    m_start->setObjectName(QStringLiteral("StartenButton"));
    m_start->setDefault(true);
    auto* close = new QPushButton(tr("&Schließen"), this);
    close->setObjectName(QStringLiteral("SchliessenButton"));
    close->setAutoDefault(false);
    auto* help = new QPushButton(tr("&Hilfe"), this);
    help->setObjectName(QStringLiteral("HilfeButton"));
    help->setAutoDefault(false);
    // The start button's caption changes during the run; as wide as its neighbours, it
    // keeps its size.
    const int buttonWidth = std::max(close->sizeHint().width(), help->sizeHint().width()) + 8;
    for (QPushButton* button : {m_start, close, help})
        button->setMinimumWidth(buttonWidth);
    connect(m_start, &QPushButton::clicked, this, &TThreadForm::startClicked);
    connect(close, &QPushButton::clicked, this, &TThreadForm::closeClicked);
    connect(help, &QPushButton::clicked, this, [this] { m_ui.ShowHelp(HelpContext); });

    auto* bottom = new QHBoxLayout;
    bottom->addLayout(counts, 1);
    bottom->addWidget(m_start, 0, Qt::AlignBottom);
    bottom->addWidget(close, 0, Qt::AlignBottom);
    bottom->addWidget(help, 0, Qt::AlignBottom);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    for (int i = 0; i < int(m_panels.size()); ++i) {
        auto* panel = new QLabel(m_statusBar);
        panel->setObjectName(panelName(i));
        panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        // The last panel carries the long messages; the two counts keep a steady width,
        // room for about 22 characters.
        if (i < 2)
            panel->setMinimumWidth(panel->fontMetrics().averageCharWidth() * 22 + 12);
        m_statusBar->addWidget(panel, i == 2 ? 1 : 0);
        m_panels[size_t(i)] = panel;
    }

    auto* content = new QVBoxLayout;
    content->setContentsMargins(9, 9, 9, 6);
    content->addLayout(frames);
    content->addSpacing(6);
    content->addLayout(bottom);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(content);
    layout->addWidget(m_statusBar);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_frameTimer.setSingleShot(true);
    connect(&m_frameTimer, &QTimer::timeout, this, &TThreadForm::refresh);
    connect(&m_scheduler, &SubmissionScheduler::changed, this, &TThreadForm::scheduleRefresh);
    connect(&m_scheduler, &SubmissionScheduler::resultFiled, this, &TThreadForm::scheduleRefresh);
    // The counts and slots must read right while a message such as the closing one is up.
    connect(&m_scheduler, &SubmissionScheduler::aboutToShowMessage, this, &TThreadForm::refresh);
    refresh();
}

TThreadForm::~TThreadForm() = default;

void TThreadForm::execute(base::UiServices& ui, const SendList& list, QStringList& successLines,
                          QStringList& failureLines, const SubmissionScheduler::Settings& settings,
                          QWidget* parent)
{
    TThreadForm form(ui, list, successLines, failureLines, settings, parent);
    form.exec();
}

QString TThreadForm::panelName(int index)
{
    return QStringLiteral("StatusBar1Panel%1").arg(index);
}

QWidget* TThreadForm::makeSlotFrame(int index)
{
    const int n = index + 1;
    SlotView& view = m_slots[size_t(index)];
    view.frame = new QGroupBox(this);
    view.frame->setObjectName(QStringLiteral("GroupBoxTh%1").arg(n));
    view.frame->setFixedWidth(frameWidth);
    view.label = new QLabel(view.frame);
    view.label->setObjectName(QStringLiteral("Label%1").arg(n));
    // A long service name is cut at the frame's edge instead of widening the window.
    view.label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    view.label->setMinimumHeight(view.label->fontMetrics().height());
    view.bar = new QProgressBar(view.frame);
    view.bar->setObjectName(QStringLiteral("StatusProgBar%1").arg(n));
    view.bar->setRange(0, 100);
    view.bar->setTextVisible(false);
    view.bar->setFixedHeight(12);
    auto* inner = new QVBoxLayout(view.frame);
    inner->setContentsMargins(6, 2, 6, 6);
    inner->setSpacing(3);
    inner->addWidget(view.label);
    inner->addWidget(view.bar);
    return view.frame;
}

void TThreadForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The scheduler knows whether this is the first showing.
    m_ui.guarded([this] { m_scheduler.FormActivate(); });
    refresh();
}

void TThreadForm::startClicked()
{
    m_ui.guarded([this] { m_scheduler.StartenButtonClick(); });
    refresh();
}

void TThreadForm::closeClicked()
{
    bool mayClose = false;
    m_ui.guarded([this, &mayClose] { mayClose = m_scheduler.SchliessenButtonClick(); });
    if (mayClose)
        done(QDialog::Accepted);
}

void TThreadForm::done(int result)
{
    bool mayClose = false;
    m_ui.guarded([this, &mayClose] { mayClose = m_scheduler.FormCloseQuery(); });
    if (!mayClose)
        return;
    m_ui.guarded([this] { m_scheduler.FormClose(); });
    refresh();
    QDialog::done(result);
}

void TThreadForm::scheduleRefresh()
{
    // With 24 workers reporting, results arrive hundreds of times a second, and a progress
    // bar repaints itself at once on every new value. The window shows the scheduler's state
    // at most once per frame instead: the first change after a quiet spell at once, on the
    // next turn of the event loop, later ones gathered until the frame is over.
    if (m_frameTimer.isActive())
        return;
    const qint64 since = m_lastRefresh.isValid() ? m_lastRefresh.elapsed() : FrameMs;
    m_frameTimer.start(int(std::max<qint64>(0, FrameMs - since)));
}

void TThreadForm::refresh()
{
    m_frameTimer.stop();
    m_lastRefresh.start();
    // Qt's setters ignore an unchanged value, so only what changed is repainted.
    for (int i = 0; i < SubmissionScheduler::SlotCount; ++i) {
        const SubmissionScheduler::Slot& slot = m_scheduler.slot(i);
        SlotView& view = m_slots[size_t(i)];
        view.frame->setTitle(slot.caption);
        colourFrame(view, slot.state);
        view.label->setText(slot.label);
        view.bar->setValue(slot.progress);
    }
    m_start->setText(m_scheduler.startButtonCaption());
    m_start->setEnabled(m_scheduler.startButtonEnabled());
    m_labelErfolg->setText(m_scheduler.labelErfolg());
    m_labelFehler->setText(m_scheduler.labelFehler());
    for (int i = 0; i < int(m_panels.size()); ++i)
        m_panels[size_t(i)]->setText(m_scheduler.panel(i));

    const bool busy = m_scheduler.busyCursor();
    if (busy != m_busyShown) {
        m_busyShown = busy;
        if (busy)
            setCursor(Qt::WaitCursor);
        else
            unsetCursor();
    }
}

void TThreadForm::colourFrame(SlotView& view, SubmissionScheduler::SlotState state)
{
    if (view.colouredAs == int(state))
        return;
    view.colouredAs = int(state);
    QColor colour;
    switch (state) {
    case SubmissionScheduler::SlotState::Deaktiviert:
        // Qt knows no inactive caption; the greyed text of the desktop's palette is its
        // nearest kin.
        colour = palette().color(QPalette::Disabled, QPalette::WindowText);
        break;
    case SubmissionScheduler::SlotState::Bereit:
        colour = palette().color(QPalette::Active, QPalette::WindowText);
        break;
    case SubmissionScheduler::SlotState::Belegt:
        colour = Qt::red;
        break;
    }
    // The frame's font colour, as its label inherits it; styles take the title's colour
    // from either role.
    QPalette framePalette = view.frame->palette();
    framePalette.setColor(QPalette::WindowText, colour);
    framePalette.setColor(QPalette::Text, colour);
    view.frame->setPalette(framePalette);
}

} // namespace pelvaro::submit::ui
