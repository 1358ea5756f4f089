#include "tools/ui/TFormManuellHilfe.h"

#include "base/UiServices.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/store/TableCursor.h"
#include "catalogue/ui/NavigatorArrows.h"
#include "site/SiteRecord.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace pelvaro::tools::ui {

namespace {

// The same arrows as the navigators of the main window's lists, so the user knows them again.
using catalogue::ui::NavigatorArrow;
using catalogue::ui::navigatorArrowIcon;

// The name label keeps this much room to the window's edges.
constexpr int nameMargin = 20;

} // namespace

TFormManuellHilfe::TFormManuellHilfe(base::UiServices& ui, catalogue::TDataModule1& module,
                                     QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_ui(ui),
      m_manual(module.TableManuellSenden())
{
    setObjectName(QStringLiteral("TFormManuellHilfe"));
    setWindowTitle(tr("Anmeldehilfe"));
    setFixedWidth(WindowWidth);

    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("LabelName"));
    m_name->setTextFormat(Qt::PlainText);
    m_name->setAlignment(Qt::AlignCenter);
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);

    m_startLink = createLink(QStringLiteral("URLLinkStartseite"));
    m_registrationLink = createLink(QStringLiteral("URLLinkAnmeldung"));

    m_remark = new QPlainTextEdit(this);
    m_remark->setObjectName(QStringLiteral("MemoBemerkung"));
    m_remark->setReadOnly(true);
    m_remark->setFocusPolicy(Qt::NoFocus);
    m_remark->setTextInteractionFlags(Qt::NoTextInteraction);
    m_remark->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_remark->installEventFilter(this);

    m_registered = new QPushButton(tr("Anmeldung durchgeführt"), this);
    m_registered->setObjectName(QStringLiteral("ButtonAnmeldungDurchgefuehrt"));
    m_registered->setAutoDefault(false);
    connect(m_registered, &QPushButton::clicked, this,
            [this] { m_ui.guarded([this] { registrationDone(); }); });
    auto* help = new QPushButton(tr("Hilfe"), this);
    help->setObjectName(QStringLiteral("ButtonHilfe"));
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this,
            [this] { m_ui.ShowHelp(ManualAssistant::HelpContext); });
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this,
            [this] { m_ui.ShowHelp(ManualAssistant::HelpContext); });
    auto* close = new QPushButton(tr("Schließen"), this);
    close->setObjectName(QStringLiteral("ButtonSchliessen"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    // 130 pixels leave little room: every control spans the window, with thin margins.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 3);
    layout->setSpacing(3);
    layout->addWidget(createValueButtons());
    layout->addWidget(createNavigator());
    layout->addSpacing(2);
    layout->addWidget(m_name, 0, Qt::AlignHCenter);
    layout->addWidget(m_startLink);
    layout->addWidget(m_registrationLink);
    layout->addWidget(m_remark);
    layout->addSpacing(2);
    layout->addWidget(m_registered);
    auto* lastRow = new QHBoxLayout;
    lastRow->setSpacing(3);
    lastRow->addWidget(help);
    lastRow->addWidget(close);
    layout->addLayout(lastRow);

    // Moves made elsewhere (the manual page's list) show here too while the window is open.
    connect(&m_manual, &catalogue::store::TableCursor::currentRowChanged, this, [this] {
        if (isVisible())
            refreshDisplay();
    });
    connect(&m_manual, &catalogue::store::TableCursor::rowsReset, this, [this] {
        if (isVisible())
            refreshDisplay();
    });

    fitToFont();
    refreshDisplay();
}

TFormManuellHilfe::~TFormManuellHilfe() = default;

void TFormManuellHilfe::fitToFont()
{
    // Room for a remark of four lines without a scroll bar.
    m_remark->setFixedHeight(4 * m_remark->fontMetrics().lineSpacing() +
                             2 * int(m_remark->document()->documentMargin()) +
                             2 * m_remark->frameWidth());
    // "Kein Eintrag ausgewählt/verfügbar" is wider than the window and takes two lines; the
    // room is kept for every service so the controls below do not jump.
    for (QLabel* link : {m_startLink, m_registrationLink})
        link->setMinimumHeight(2 * link->fontMetrics().lineSpacing());
}

void TFormManuellHilfe::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_remark)
        fitToFont();
}

QWidget* TFormManuellHilfe::createValueButtons()
{
    auto* group = new QGroupBox(tr("Kenndaten-Felder"), this);
    group->setObjectName(QStringLiteral("GroupBoxKenndaten"));
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(3, 2, 3, 3);
    layout->setSpacing(2);
    for (const int number : ManualAssistant::stackingOrder()) {
        auto* button = new QPushButton(ManualAssistant::caption(number), group);
        button->setObjectName(QStringLiteral("Button%1").arg(number));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this,
                [this, number] { m_ui.setClipboardText(m_values.at(size_t(number))); });
        layout->addWidget(button);
        m_valueButtons.at(size_t(number)) = button;
    }
    return group;
}

QWidget* TFormManuellHilfe::createNavigator()
{
    auto* navigator = new QWidget(this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    auto* layout = new QHBoxLayout(navigator);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const auto button = [&](const char* name, const QString& tip, NavigatorArrow arrow,
                            void (catalogue::store::TableCursor::*move)()) {
        auto* b = new QToolButton(navigator);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        b->setIcon(navigatorArrowIcon(arrow));
        b->setIconSize(QSize(16, 16));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setFocusPolicy(Qt::StrongFocus);
        connect(b, &QToolButton::clicked, this,
                [this, move] { m_ui.guarded([this, move] { navigate(move); }); });
        layout->addWidget(b);
        return b;
    };
    using Cursor = catalogue::store::TableCursor;
    m_first = button("First", tr("Erster Datensatz"), NavigatorArrow::First, &Cursor::first);
    m_prior = button("Prior", tr("Vorheriger Datensatz"), NavigatorArrow::Prior, &Cursor::prior);
    m_next = button("Next", tr("Nächster Datensatz"), NavigatorArrow::Next, &Cursor::next);
    m_last = button("Last", tr("Letzter Datensatz"), NavigatorArrow::Last, &Cursor::last);
    return navigator;
}

QLabel* TFormManuellHilfe::createLink(const QString& objectName)
{
    auto* link = new QLabel(this);
    link->setObjectName(objectName);
    link->setAlignment(Qt::AlignCenter);
    // "Kein Eintrag ausgewählt/verfügbar" is wider than the window and takes two lines; the
    // room is kept for every service so the controls below do not jump.
    link->setWordWrap(true);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setOpenExternalLinks(false);
    connect(link, &QLabel::linkActivated, this, [this, link] { openLink(link); });
    return link;
}

void TFormManuellHilfe::load(const site::SiteRecord& values)
{
    m_values = ManualAssistant::valuesOf(values);
    for (int number = 1; number <= ManualAssistant::ValueCount; ++number)
        m_valueButtons.at(size_t(number))->setToolTip(m_values.at(size_t(number)));
    if (m_manual.isOpen())
        m_manual.first();
    refreshDisplay();
    // Above the browser the user types into; dropped again when the window closes.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    adjustSize();
}

void TFormManuellHilfe::prepare(const site::SiteRecord& values)
{
    load(values);
    show();
}

void TFormManuellHilfe::run(const site::SiteRecord& values, QWidget* mainWindow)
{
    load(values);
    // While the main window is minimised this window must not be its dependant, or the
    // desktop would minimise it along with it.
    const QPointer<QWidget> owner = parentWidget();
    if (owner)
        setParent(nullptr, windowFlags());
    const QPointer<QWidget> main = mainWindow;
    const Qt::WindowStates before =
        main ? main->windowState() & ~Qt::WindowMinimized : Qt::WindowNoState;
    if (main)
        main->showMinimized();
    exec();
    if (owner)
        setParent(owner, windowFlags());
    if (main) {
        main->setWindowState(before);
        main->show();
        main->raise();
        main->activateWindow();
    }
}

void TFormManuellHilfe::done(int result)
{
    QDialog::done(result);
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
}

void TFormManuellHilfe::refreshDisplay()
{
    const ManualAssistant::ServiceDisplay shown = ManualAssistant::display(m_manual);
    showLink(m_startLink, shown.startPage);
    showLink(m_registrationLink, shown.registrationPage);
    m_name->setText(shown.name);
    fitNameLabel();
    m_remark->setPlainText(shown.remark);
    m_remark->setToolTip(shown.remark);
    updateNavigator();
    // The name and the link captions change their size; lay them out before the next paint
    // so a service is never shown with the previous one's measures.
    layout()->activate();
}

void TFormManuellHilfe::showLink(QLabel* link, const ManualAssistant::Link& shown)
{
    // The address travels beside the caption and is opened as it is, never parsed from
    // the label's text.
    link->setProperty("address", shown.address);
    link->setToolTip(shown.address);
    link->setEnabled(shown.enabled);
    if (shown.enabled) {
        link->setTextFormat(Qt::RichText);
        link->setText(QStringLiteral("<a href=\"link\">%1</a>").arg(shown.caption.toHtmlEscaped()));
    } else {
        link->setTextFormat(Qt::PlainText);
        link->setText(shown.caption);
    }
}

void TFormManuellHilfe::openLink(QLabel* link)
{
    const QString address = link->property("address").toString();
    if (address.isEmpty())
        return;
    m_ui.openInBrowser(QUrl(address));
}

void TFormManuellHilfe::navigate(void (catalogue::store::TableCursor::*move)())
{
    if (!m_manual.isOpen())
        return;
    (m_manual.*move)();
    refreshDisplay();
}

void TFormManuellHilfe::registrationDone()
{
    const QString startPage = ManualAssistant::registrationDone(m_manual, m_today());
    refreshDisplay();
    if (!startPage.isEmpty())
        m_ui.openInBrowser(QUrl(startPage));
}

void TFormManuellHilfe::updateNavigator()
{
    const bool rows = m_manual.isOpen() && !m_manual.isEmpty();
    const int position = rows ? m_manual.position() : 0;
    const int lastRow = rows ? m_manual.rowCount() - 1 : 0;
    m_first->setEnabled(rows && position > 0);
    m_prior->setEnabled(rows && position > 0);
    m_next->setEnabled(rows && position < lastRow);
    m_last->setEnabled(rows && position < lastRow);
    m_registered->setEnabled(rows);
}

void TFormManuellHilfe::fitNameLabel()
{
    // The label takes the width of its text, but never more than the window less the margin.
    m_name->setMaximumWidth(qMax(0, width() - nameMargin));
}

void TFormManuellHilfe::focusNavigator()
{
    for (QToolButton* button : {m_first, m_prior, m_next, m_last})
        if (button->isEnabled()) {
            button->setFocus(Qt::OtherFocusReason);
            return;
        }
    // A list of one service leaves no arrow to stand on.
    m_registered->setFocus(Qt::OtherFocusReason);
}

bool TFormManuellHilfe::eventFilter(QObject* watched, QEvent* event)
{
    // The remark is only to be read: the focus passes on to the navigator.
    if (watched == m_remark && event->type() == QEvent::FocusIn)
        focusNavigator();
    return QDialog::eventFilter(watched, event);
}

void TFormManuellHilfe::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    fitNameLabel();
}

} // namespace pelvaro::tools::ui
