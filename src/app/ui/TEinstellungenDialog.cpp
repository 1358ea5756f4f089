#include "app/ui/TEinstellungenDialog.h"

#include "base/SettingsStore.h"
#include "base/UiServices.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <optional>

namespace pelvaro::app::ui {

namespace {

// The desktop's colour for the caption of an inactive window, which the closed proxy
// edits wear so that they read as out of use even when they still hold text.
QColor inactiveCaptionColour()
{
    return QColor(191, 205, 219);
}

// The character a key types into the thread-count field, as the field's rule sees it.
// Keys that type nothing or steer the dialog (Enter, Tab, Delete, arrows) and shortcuts
// are no typing and pass unchecked.
std::optional<QChar> typedCharacter(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Backspace:
        return QChar(u'\b');
    case Qt::Key_Escape:
        return QChar(u'\x1b');
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return std::nullopt;
    default:
        break;
    }
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    const QString text = event.text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return std::nullopt;
    return text.at(0);
}

} // namespace

TEinstellungenDialog::TEinstellungenDialog(base::UiServices& ui, base::Settings& settings,
                                           QWidget* parent)
    : QDialog(parent), m_ui(ui), m_settings(settings)
{
    setObjectName(QStringLiteral("TEinstellungenDialog"));
    setWindowTitle(tr("Programmoptionen"));

    auto* general = new QGroupBox(tr("Sonstige Einstellungen"), this);
    general->setObjectName(QStringLiteral("GroupBoxSonstiges"));
    m_threads = new QLineEdit(general);
    m_threads->setObjectName(QStringLiteral("EditAnzThreads"));
    m_threads->setFixedWidth(40);
    m_threads->installEventFilter(this);
    auto* threadsLabel = new QLabel(tr("&Maximale Anzahl Threads (1 - 24):"), general);
    threadsLabel->setBuddy(m_threads);
    m_overwrite = new QCheckBox(tr("Proto&kolle ohne Rückfrage überschreiben"), general);
    m_overwrite->setObjectName(QStringLiteral("CheckBoxBerichtUeberschreiben"));

    auto* threadsRow = new QHBoxLayout;
    threadsRow->addWidget(threadsLabel);
    threadsRow->addWidget(m_threads);
    threadsRow->addStretch(1);
    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->addLayout(threadsRow);
    generalLayout->addWidget(m_overwrite);

    auto* proxy = new QGroupBox(tr("Proxy"), this);
    proxy->setObjectName(QStringLiteral("GroupBoxProxy"));
    m_choices = new QButtonGroup(this);
    auto* choicesRow = new QHBoxLayout;
    const struct
    {
        int choice;
        const char* objectName;
        QString caption;
    } choiceButtons[] = {
        {ProgramOptions::NoProxy, "RadioButtonOHNEProxy", tr("Ohne")},
        {ProgramOptions::AolProxy, "RadioButtonAOL", tr("AOL")},
        {ProgramOptions::TOnlineProxy, "RadioButtonTOnline", tr("T-Online")},
        {ProgramOptions::OtherProxy, "RadioButtonAndere", tr("Andere")},
    };
    for (const auto& button : choiceButtons) {
        auto* radio = new QRadioButton(button.caption, proxy);
        radio->setObjectName(QLatin1String(button.objectName));
        m_choices->addButton(radio, button.choice);
        choicesRow->addWidget(radio);
    }
    choicesRow->addStretch(1);
    connect(m_choices, &QButtonGroup::idClicked, this, &TEinstellungenDialog::chooseProxy);

    m_proxyHost = new QLineEdit(proxy);
    m_proxyHost->setObjectName(QStringLiteral("EditProxy"));
    m_proxyHost->setMinimumWidth(240);
    m_proxyPort = new QLineEdit(proxy);
    m_proxyPort->setObjectName(QStringLiteral("EditProxyPort"));
    m_proxyPort->setFixedWidth(60);
    auto* hostLabel = new QLabel(tr("Pro&xy:"), proxy);
    hostLabel->setBuddy(m_proxyHost);
    auto* portLabel = new QLabel(tr("Proxy-&Port:"), proxy);
    portLabel->setBuddy(m_proxyPort);
    auto* address = new QGridLayout;
    address->addWidget(hostLabel, 0, 0);
    address->addWidget(m_proxyHost, 0, 1);
    address->addWidget(portLabel, 1, 0);
    address->addWidget(m_proxyPort, 1, 1, Qt::AlignLeft);
    address->setColumnStretch(1, 1);
    auto* proxyLayout = new QVBoxLayout(proxy);
    proxyLayout->addLayout(choicesRow);
    proxyLayout->addLayout(address);

    auto* ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("&Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    auto* help = new QPushButton(tr("&Hilfe"), this);
    help->setObjectName(QStringLiteral("HelpButton"));
    help->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &TEinstellungenDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { m_ui.ShowHelp(ProgramOptions::HelpContext); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(general);
    layout->addWidget(proxy);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Filled once: filling again whenever the dialog becomes active would throw away what
    // the user typed before looking at the help window.
    fill(ProgramOptions::opening(m_settings));
}

bool TEinstellungenDialog::OpenSettings(base::UiServices& ui, base::SettingsStore& store,
                                        QWidget* parent)
{
    TEinstellungenDialog dialog(ui, store.settings(), parent);
    dialog.centreOnScreen();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!store.SaveSettings())
        ui.error(base::SettingsStore::writeErrorText());
    return true;
}

void TEinstellungenDialog::centreOnScreen()
{
    adjustSize();
    const QScreen* screen =
        parentWidget() ? parentWidget()->screen() : QApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void TEinstellungenDialog::fill(const ProgramOptions::Entries& entries)
{
    m_threads->setText(entries.threadCount);
    if (QAbstractButton* checked = m_choices->button(entries.proxyChoice))
        checked->setChecked(true);
    m_proxyHost->setText(entries.proxyHost);
    m_proxyPort->setText(entries.proxyPort);
    setProxyEditState(entries.proxyChoice);
    m_overwrite->setChecked(entries.overwriteReport);
}

ProgramOptions::Entries TEinstellungenDialog::entries() const
{
    ProgramOptions::Entries entries;
    entries.threadCount = m_threads->text();
    entries.proxyChoice = std::max(m_choices->checkedId(), 0);
    entries.proxyHost = m_proxyHost->text();
    entries.proxyPort = m_proxyPort->text();
    entries.overwriteReport = m_overwrite->isChecked();
    return entries;
}

void TEinstellungenDialog::chooseProxy(int choice)
{
    m_ui.guarded([this, choice] {
        if (QAbstractButton* button = m_choices->button(choice))
            button->setChecked(true);
        setProxyEditState(choice);
        if (ProgramOptions::focusesProxyHost(choice))
            m_proxyHost->setFocus(Qt::OtherFocusReason);
    });
}

void TEinstellungenDialog::setProxyEditState(int choice)
{
    const bool enabled = ProgramOptions::proxyEditsEnabled(choice);
    const QColor background =
        ProgramOptions::proxyEditBackground(choice) == ProgramOptions::EditBackground::Normal
            ? QApplication::palette(m_proxyHost).color(QPalette::Active, QPalette::Base)
            : inactiveCaptionColour();
    for (QLineEdit* edit : {m_proxyHost, m_proxyPort}) {
        edit->setEnabled(enabled);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, background);
        edit->setPalette(palette);
    }
}

bool TEinstellungenDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_threads)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const std::optional<QChar> typed = typedCharacter(*static_cast<QKeyEvent*>(event));
        if (typed && !threadKeyPasses(*typed)) {
            m_ui.beep();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Only a move to another control leaves the field, not another window coming up.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            m_ui.guarded([this] { leaveThreadCount(); });
    }
    return QDialog::eventFilter(watched, event);
}

bool TEinstellungenDialog::threadKeyPasses(QChar typed) const
{
    bool passes = true;
    m_ui.guarded([&] {
        passes =
            ProgramOptions::threadKeyPasses(m_threads->text(), m_threads->hasSelectedText(), typed);
    });
    return passes;
}

void TEinstellungenDialog::leaveThreadCount()
{
    switch (ProgramOptions::threadLeaveCheck(m_threads->text())) {
    case ProgramOptions::LeaveAction::Keep:
        break;
    case ProgramOptions::LeaveAction::RefuseNumber:
        refuseThreadCount();
        break;
    case ProgramOptions::LeaveAction::Clear:
        m_threads->clear();
        break;
    }
}

void TEinstellungenDialog::refuseThreadCount()
{
    m_ui.beep();
    m_threads->clear();
    m_threads->setFocus(Qt::OtherFocusReason);
}

void TEinstellungenDialog::accept()
{
    bool taken = false;
    m_ui.guarded([this, &taken] { taken = ProgramOptions::accept(entries(), m_settings); });
    if (taken) {
        QDialog::accept();
        return;
    }
    // A beep alone does not tell the user what the dialog wants of him.
    m_ui.information(ProgramOptions::threadCountRangeText());
    refuseThreadCount();
}

} // namespace pelvaro::app::ui
