#include "tools/ui/Tpingform.h"

#include "base/UiServices.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelvaro::tools::ui {

Tpingform::Tpingform(base::UiServices& ui, QWidget* parent, const PingSettings& settings)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_ui(ui),
      m_settings(settings)
{
    setObjectName(QStringLiteral("pingform"));
    setWindowTitle(tr("Verfügbarkeit der URL testen"));
    setFixedSize(416, 218);

    m_hostLabel = new QLabel(tr("Host:"), this);
    m_hostEdit = new QLineEdit(this);
    m_hostEdit->setObjectName(QStringLiteral("HostEdit"));
    m_hostLabel->setBuddy(m_hostEdit);

    m_displayMemo = new QPlainTextEdit(this);
    m_displayMemo->setObjectName(QStringLiteral("DisplayMemo"));
    m_displayMemo->setReadOnly(true);
    // Keyboard users may still select and copy a line from the log.
    m_displayMemo->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);

    m_pingButton = new QPushButton(tr("Erneut versuchen"), this);
    m_pingButton->setObjectName(QStringLiteral("PingButton"));
    m_cancelButton = new QPushButton(tr("Abbrechen"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_cancelButton->setEnabled(false);
    m_closeButton = new QPushButton(tr("Schließen"), this);
    m_closeButton->setObjectName(QStringLiteral("CloseButton"));
    // Return in the host field tries the edited host at once.
    m_pingButton->setDefault(true);
    for (QPushButton* button : {m_pingButton, m_cancelButton, m_closeButton})
        button->setMinimumWidth(button->sizeHint().width() + 8);

    connect(m_pingButton, &QPushButton::clicked, this, &Tpingform::startAttempt);
    connect(m_cancelButton, &QPushButton::clicked, this, &Tpingform::cancelLookup);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* hostRow = new QHBoxLayout;
    hostRow->addWidget(m_hostLabel);
    hostRow->addWidget(m_hostEdit, 1);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_pingButton);
    buttonRow->addWidget(m_cancelButton);
    buttonRow->addWidget(m_closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addLayout(hostRow);
    layout->addWidget(m_displayMemo, 1);
    layout->addLayout(buttonRow);

    makeCheck();
}

Tpingform::~Tpingform() = default;

void Tpingform::checkUrl(base::UiServices& ui, const QString& urlEditText, QWidget* parent,
                         const PingSettings& settings)
{
    const QString problem = pingAddressProblem(urlEditText);
    if (!problem.isEmpty()) {
        ui.warning(problem);
        return;
    }
    Tpingform form(ui, parent, settings);
    form.setHost(hostText(urlEditText));
    form.exec();
}

std::unique_ptr<Tpingform> Tpingform::showForPicture(base::UiServices& ui,
                                                     const QString& urlEditText, QWidget* parent,
                                                     const PingSettings& settings)
{
    auto form = std::make_unique<Tpingform>(ui, parent, settings);
    form->setHost(hostText(urlEditText));
    // A picture shows one attempt from start to end; the activation that comes with the
    // showing on most platforms would start it over.
    form->m_attemptOnActivation = false;
    form->setAttribute(Qt::WA_ShowWithoutActivating);
    form->show();
    form->startAttempt();
    return form;
}

QString Tpingform::hostText(const QString& urlEditText)
{
    const PingTarget target = pingTargetFromAddress(urlEditText);
    if (target.port == 80)
        return target.host;
    const QString host = target.host.contains(u':') ? u'[' + target.host + u']' : target.host;
    return host + u':' + QString::number(target.port);
}

void Tpingform::setHost(const QString& hostText)
{
    m_hostEdit->setText(hostText);
}

void Tpingform::startAttempt()
{
    m_ui.guarded([this] {
        // The field may hold a host with a port, as the window was given it, or whatever
        // the user typed over it, scheme and path included.
        const PingTarget target = pingTargetFromAddress(m_hostEdit->text().trimmed());
        m_displayMemo->clear();
        // Before the start: a host in dotted decimal form ends its "look-up" inside it.
        setLookingUp(true);
        m_check->start(target.host, target.port);
    });
}

bool Tpingform::attemptRunning() const
{
    return m_check->isRunning();
}

bool Tpingform::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && m_attemptOnActivation) {
        if (m_ignoreNextActivation)
            m_ignoreNextActivation = false;
        else
            startAttempt();
    }
    return QDialog::event(event);
}

void Tpingform::hideEvent(QHideEvent* event)
{
    // Whatever is still under way belongs to a window nobody sees any more; its sockets
    // and timers go with it.
    if (m_check->isRunning()) {
        makeCheck();
        setLookingUp(false);
    }
    QDialog::hideEvent(event);
}

void Tpingform::reject()
{
    if (m_check->isLookingUp()) {
        cancelLookup();
        return;
    }
    QDialog::reject();
}

void Tpingform::makeCheck()
{
    m_check = std::make_unique<PingCheck>();
    m_check->setNameServers(m_settings.nameServers);
    m_check->setEchoTimeout(m_settings.echoTimeoutMs);
    m_check->setWebPortTimeout(m_settings.webPortTimeoutMs);
    connect(m_check.get(), &PingCheck::logLine, m_displayMemo, &QPlainTextEdit::appendPlainText);
    connect(m_check.get(), &PingCheck::lookupFinished, this, &Tpingform::lookupEnded);
    // The box waits until the check has returned, so that closing it (which activates the
    // window again) cannot start a new attempt in the middle of the failed one.
    connect(m_check.get(), &PingCheck::lookupStartFailed, this, &Tpingform::showStartFailure,
            Qt::QueuedConnection);
}

void Tpingform::cancelLookup()
{
    m_ui.guarded([this] { m_check->cancel(); });
}

void Tpingform::lookupEnded()
{
    setLookingUp(false);
}

void Tpingform::showStartFailure(const QString& message)
{
    // The box takes the activation and hands it back when it closes; that return is no
    // request for a new attempt, which would only fail the same way again.
    m_ignoreNextActivation = isActiveWindow();
    m_ui.showGeneralError(message);
}

void Tpingform::setLookingUp(bool lookingUp)
{
    m_cancelButton->setEnabled(lookingUp);
    m_pingButton->setEnabled(!lookingUp);
    m_closeButton->setEnabled(!lookingUp);
}

} // namespace pelvaro::tools::ui
