#include "reports/ui/PrintPreviewWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace pelvaro::reports::ui {

namespace {

// Each step of zooming by hand.
constexpr qreal ZoomStep = 1.25;

} // namespace

PrintPreviewWindow::PrintPreviewWindow(const QString& documentName, PagePainter paint,
                                       QPageLayout::Orientation orientation, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)), m_paint(std::move(paint))
{
    setObjectName(QStringLiteral("PrintPreviewWindow"));
    setWindowTitle(tr("Seitenansicht – %1").arg(documentName));
    setModal(true);

    // The same printer set-up the print command starts from, so that the pages break where
    // they will break on paper.
    m_printer->setDocName(documentName);
    m_printer->setPageOrientation(orientation);

    m_preview = new QPrintPreviewWidget(m_printer.get(), this);
    m_preview->setObjectName(QStringLiteral("Preview"));
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
        if (m_paint)
            m_paint(*printer);
    });
    connect(m_preview, &QPrintPreviewWidget::previewChanged, this,
            &PrintPreviewWindow::updatePageDisplay);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("PreviewToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    createToolBar(bar);

    auto* print = new QPushButton(tr("&Drucken ..."), this);
    print->setObjectName(QStringLiteral("BtnDrucken"));
    print->setToolTip(tr("Schließt die Seitenansicht und öffnet den Druckdialog"));
    connect(print, &QPushButton::clicked, this, [this] { done(PrintRequested); });
    auto* close = new QPushButton(tr("&Schließen"), this);
    close->setObjectName(QStringLiteral("BtnSchliessen"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    // The pages are turned at the foot of the window, beside the buttons, which leaves the
    // tool bar room for its words on a small screen.
    auto* pages = new QToolBar(this);
    pages->setObjectName(QStringLiteral("PageBar"));
    createPageBar(pages);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 4, 8, 8);
    buttons->addWidget(pages);
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_preview, 1);
    layout->addLayout(buttons);

    m_preview->setViewMode(QPrintPreviewWidget::SinglePageView);
    m_preview->setZoomMode(QPrintPreviewWidget::FitInView);
    updatePageDisplay();

    QSize size(960, 720);
    if (const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
    m_preview->setFocus();
}

PrintPreviewWindow::~PrintPreviewWindow()
{
    // The preview widget holds the printer; it goes first.
    delete m_preview;
}

bool PrintPreviewWindow::run(const QString& documentName, const PagePainter& paint,
                             QPageLayout::Orientation& orientation, QWidget* parent)
{
    PrintPreviewWindow window(documentName, paint, orientation, parent);
    const bool print = window.exec() == PrintRequested;
    orientation = window.orientation();
    return print;
}

QAction* PrintPreviewWindow::addCommand(const QString& text, const char* name, const QString& hint)
{
    auto* action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(hint.isEmpty() ? text : hint);
    addAction(action);
    return action;
}

void PrintPreviewWindow::createToolBar(QToolBar* bar)
{
    m_fitPage = addCommand(tr("Ganze Seite"), "FitPage", tr("Zeigt die ganze Seite"));
    m_fitWidth =
        addCommand(tr("Seitenbreite"), "FitWidth", tr("Zeigt die Seite so breit wie das Fenster"));
    QAction* zoomIn = addCommand(tr("Vergrößern"), "ZoomIn");
    zoomIn->setShortcut(QKeySequence::ZoomIn);
    QAction* zoomOut = addCommand(tr("Verkleinern"), "ZoomOut");
    zoomOut->setShortcut(QKeySequence::ZoomOut);
    // Zooming by hand leaves both fitting modes; the group may then have none checked.
    auto* fitting = new QActionGroup(this);
    fitting->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (QAction* action : {m_fitPage, m_fitWidth}) {
        action->setCheckable(true);
        fitting->addAction(action);
    }
    m_fitPage->setChecked(true);
    connect(m_fitPage, &QAction::triggered, this, [this] {
        m_fitPage->setChecked(true);
        m_preview->fitInView();
    });
    connect(m_fitWidth, &QAction::triggered, this, [this] {
        m_fitWidth->setChecked(true);
        m_preview->fitToWidth();
    });
    const auto leaveFitting = [fitting] {
        if (QAction* checked = fitting->checkedAction())
            checked->setChecked(false);
    };
    connect(zoomIn, &QAction::triggered, this, [this, leaveFitting] {
        leaveFitting();
        m_preview->zoomIn(ZoomStep);
    });
    connect(zoomOut, &QAction::triggered, this, [this, leaveFitting] {
        leaveFitting();
        m_preview->zoomOut(ZoomStep);
    });

    QAction* single = addCommand(tr("Eine Seite"), "SinglePage");
    QAction* facing =
        addCommand(tr("Zwei Seiten"), "FacingPages", tr("Zeigt je zwei Seiten nebeneinander"));
    QAction* all = addCommand(tr("Alle Seiten"), "AllPages");
    auto* modes = new QActionGroup(this);
    const std::pair<QAction*, QPrintPreviewWidget::ViewMode> viewModes[] = {
        {single, QPrintPreviewWidget::SinglePageView},
        {facing, QPrintPreviewWidget::FacingPagesView},
        {all, QPrintPreviewWidget::AllPagesView}};
    for (const auto& [action, mode] : viewModes) {
        action->setCheckable(true);
        modes->addAction(action);
        connect(action, &QAction::triggered, this, [this, mode = mode] {
            m_preview->setViewMode(mode);
            // A new arrangement of pages is shown whole, or as wide as the window allows.
            if (m_fitPage->isChecked())
                m_preview->fitInView();
            else if (m_fitWidth->isChecked())
                m_preview->fitToWidth();
        });
    }
    single->setChecked(true);

    m_portrait = addCommand(tr("Hochformat"), "Portrait");
    m_landscape = addCommand(tr("Querformat"), "Landscape");
    auto* orientations = new QActionGroup(this);
    for (QAction* action : {m_portrait, m_landscape}) {
        action->setCheckable(true);
        orientations->addAction(action);
    }
    (orientation() == QPageLayout::Landscape ? m_landscape : m_portrait)->setChecked(true);
    connect(m_portrait, &QAction::triggered, m_preview,
            &QPrintPreviewWidget::setPortraitOrientation);
    connect(m_landscape, &QAction::triggered, m_preview,
            &QPrintPreviewWidget::setLandscapeOrientation);

    bar->addActions({m_fitPage, m_fitWidth, zoomIn, zoomOut});
    bar->addSeparator();
    bar->addActions({single, facing, all});
    bar->addSeparator();
    bar->addActions({m_portrait, m_landscape});
}

void PrintPreviewWindow::createPageBar(QToolBar* bar)
{
    m_first = addCommand(tr("Erste Seite"), "FirstPage");
    m_first->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    m_previous = addCommand(tr("Vorherige Seite"), "PreviousPage");
    m_previous->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
    m_previous->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    m_next = addCommand(tr("Nächste Seite"), "NextPage");
    m_next->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
    m_next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    m_last = addCommand(tr("Letzte Seite"), "LastPage");
    m_last->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    connect(m_first, &QAction::triggered, this, [this] { goToPage(1); });
    connect(m_previous, &QAction::triggered, this, [this] { goToPage(currentPage() - 1); });
    connect(m_next, &QAction::triggered, this, [this] { goToPage(currentPage() + 1); });
    connect(m_last, &QAction::triggered, this, [this] { goToPage(pageCount()); });

    m_pageDisplay = new QLabel(bar);
    m_pageDisplay->setObjectName(QStringLiteral("PageDisplay"));
    m_pageDisplay->setAlignment(Qt::AlignCenter);
    m_pageDisplay->setContentsMargins(6, 0, 6, 0);

    // The arrows say enough; their words stay in the tool tips.
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->addActions({m_first, m_previous});
    bar->addWidget(m_pageDisplay);
    bar->addActions({m_next, m_last});
}

int PrintPreviewWindow::pageCount() const
{
    return m_preview->pageCount();
}

int PrintPreviewWindow::currentPage() const
{
    return m_preview->currentPage();
}

QPageLayout::Orientation PrintPreviewWindow::orientation() const
{
    return m_printer->pageLayout().orientation();
}

void PrintPreviewWindow::goToPage(int page)
{
    if (pageCount() == 0)
        return;
    m_preview->setCurrentPage(std::clamp(page, 1, pageCount()));
    // The widget reports a new page only when scrolling brought it there; a page that was
    // already in view would leave the display behind.
    updatePageDisplay();
}

void PrintPreviewWindow::updatePageDisplay()
{
    const int count = pageCount();
    const int page = count > 0 ? currentPage() : 0;
    m_pageDisplay->setText(tr("Seite %1 von %2").arg(page).arg(count));
    m_first->setEnabled(page > 1);
    m_previous->setEnabled(page > 1);
    m_next->setEnabled(page < count);
    m_last->setEnabled(page < count);
}

} // namespace pelvaro::reports::ui
