#include "app/ui/THauptFormular.h"

#include "app/AppInfo.h"
#include "app/UiServices.h"

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace pelvaro::app::ui {

const std::array<THauptFormular::PageInfo, 6>& THauptFormular::pages()
{
    static const std::array<PageInfo, 6> list{{
        {"TabSiteDescription", "Kenndaten eingeben", 3},
        {"TabMetaTags", "Meta-Tags generieren", 3000},
        {"TabSelectEngine", "Suchdienste auswählen", 4},
        {"TabAutoSubmit", "Automatische Anmeldung", 5},
        {"TabManuell", "Manuelle Anmeldung", 172},
        {"TabStatusbericht", "Statusbericht", 174},
    }};
    return list;
}

THauptFormular::THauptFormular(UiServices& ui, QWidget* parent)
    : QMainWindow(parent), m_ui(ui), m_pages(new QTabWidget(this))
{
    setObjectName(QStringLiteral("THauptFormular"));
    setWindowTitle(AppInfo::title());
    // A fixed single border: minimise, but no maximise.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_pages->tabBar()->setAttribute(Qt::WA_Hover);
    const std::array<QStringList, 6> toolButtons{{
        {tr("Felder löschen"), tr("Speichern"), tr("Öffnen")},
        {tr("Meta-Tags einlesen"), tr("HEAD-Abschnitt zeigen"), tr("Datei bearbeiten"),
         tr("Meta-Tags generieren"), tr("Kenndaten importieren"), tr("In Zwischenablage")},
        {tr("Auswählen"), tr("Alle auswählen"), tr("Abwählen"), tr("Alle abwählen"),
         tr("Filter aktivieren"), tr("Auswahl speichern"), tr("Auswahl laden")},
        {tr("Anmeldung starten")},
        {tr("Anmeldehilfe starten")},
        {tr("Standard-Bericht"), tr("RTF-Bericht")},
    }};
    for (size_t i = 0; i < pages().size(); ++i)
        m_pages->addTab(createPage(pages()[i], toolButtons[i]), tr(pages()[i].caption));
    setCentralWidget(m_pages);

    createMenus();
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->showMessage(tr("Füllen Sie bitte alle Felder im Formular aus."));

    setFixedSize(769, 544 + menuBar()->sizeHint().height());
}

QWidget* THauptFormular::createPage(const PageInfo& info, const QStringList& toolButtons)
{
    auto* page = new QWidget(m_pages);
    page->setObjectName(QString::fromLatin1(info.objectName));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(page);
    bar->setObjectName(QString::fromLatin1(info.objectName) + QStringLiteral("ToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (const QString& caption : toolButtons)
        bar->addAction(caption);
    bar->addSeparator();
    QAction* help = bar->addAction(tr("Hilfe"));
    help->setObjectName(QString::fromLatin1(info.objectName) + QStringLiteral("HelpButton"));
    const int context = info.helpContext;
    connect(help, &QAction::triggered, this, [this, context] { m_ui.ShowHelp(context); });
    layout->addWidget(bar);
    layout->addStretch(1);
    return page;
}

void THauptFormular::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&Datei"));
    file->setObjectName(QStringLiteral("MenuDatei"));
    QAction* quit = file->addAction(tr("&Beenden"));
    quit->setObjectName(QStringLiteral("ActionBeenden"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X));
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* help = menuBar()->addMenu(tr("&Hilfe"));
    help->setObjectName(QStringLiteral("MenuHilfe"));
    struct HelpItem
    {
        const char* objectName;
        QString caption;
        int context;
    };
    const HelpItem items[] = {
        {"ActionInhalt", tr("&Inhalt"), 1},
        {"ActionHinweise", tr("10 &wichtige Hinweise!"), 99},
        {"ActionNeuerSuchdienst", tr("Neuer &Suchdienst"), 2000},
    };
    for (const HelpItem& item : items) {
        if (item.context == 2000)
            help->addSeparator();
        QAction* action = help->addAction(item.caption);
        action->setObjectName(QString::fromLatin1(item.objectName));
        const int context = item.context;
        connect(action, &QAction::triggered, this, [this, context] { m_ui.ShowHelp(context); });
    }
}

void THauptFormular::bringToFront()
{
    if (isMinimized()) {
        showNormal();
        return;
    }
    QWidget* popup = QApplication::activeModalWidget();
    QWidget* target =
        popup && popup != this && popup->isVisible() && popup->isEnabled() ? popup : this;
    target->raise();
    target->activateWindow();
}

} // namespace pelvaro::app::ui
