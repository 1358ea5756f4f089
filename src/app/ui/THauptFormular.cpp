#include "app/ui/THauptFormular.h"
#include "app/StartFiles.h"

#include "app/ui/TAboutBox.h"
#include "app/ui/TEinstellungenDialog.h"
#include "app/ui/TTipOfTheDayForm.h"
#include "base/AppInfo.h"
#include "base/ProgramPaths.h"
#include "base/SettingsStore.h"
#include "base/UiServices.h"
#include "base/ui/ProgramIcons.h"
#include "catalogue/CatalogueLists.h"
#include "catalogue/CatalogueSiteDates.h"
#include "catalogue/EngineDetails.h"
#include "catalogue/SelectionFile.h"
#include "catalogue/TDataModule1.h"
#include "catalogue/ui/CatalogueListPanel.h"
#include "catalogue/ui/DetailsWindow.h"
#include "catalogue/ui/TFilterBox.h"
#include "reports/StatusPage.h"
#include "reports/StatusReport.h"
#include "reports/ui/TStandardBerichtForm.h"
#include "site/FieldGuidance.h"
#include "site/RecentFileList.h"
#include "site/SiteDocument.h"
#include "site/ui/SiteDescriptionPage.h"
#include "submit/RunPreview.h"
#include "submit/ServiceWaits.h"
#include "submit/SubmissionScheduler.h"
#include "submit/TEineEngine.h"
#include "submit/ui/TIndexNowForm.h"
#include "submit/ui/TThreadForm.h"
#include "submit/ui/TVorschauForm.h"
#include "tools/ManualAssistant.h"
#include "tools/MetaTagGenerator.h"
#include "tools/ui/MetaTagPage.h"
#include "tools/ui/TFormManuellHilfe.h"
#include "tools/ui/Tpingform.h"
#include "updates/ui/UpdateMenu.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>

namespace pelvaro::app::ui {

using catalogue::CatalogueLists;
using catalogue::ui::CatalogueListPanel;

namespace {

const char* const helpContextProperty = "helpContext";

QAction* addItem(QMenu* menu, const QString& caption, const char* objectName, int helpContext,
                 const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(objectName));
    action->setShortcut(shortcut);
    if (helpContext > 0)
        action->setProperty(helpContextProperty, helpContext);
    return action;
}

} // namespace

template <typename Command> void THauptFormular::changeSelection(Command&& command)
{
    if (!m_module)
        return;
    m_ui.guarded([this, &command] {
        try {
            command();
        } catch (...) {
            RefreshCounts();
            throw;
        }
        RefreshCounts();
    });
}

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

QString THauptFormular::productSiteAddress()
{
    return catalogue::EngineDetails::productHomePage();
}

QString THauptFormular::forumAddress()
{
    return QStringLiteral("http://forum.pelvaro.example/");
}

QString THauptFormular::makerSiteAddress()
{
    return QStringLiteral("http://www.trevanix.example/");
}

THauptFormular::THauptFormular(base::UiServices& ui, const QString& settingsFile, QWidget* parent)
    : QMainWindow(parent), m_ui(ui), m_settingsFile(settingsFile)
{
    setObjectName(QStringLiteral("THauptFormular"));
    setWindowTitle(base::AppInfo::title());
    // A fixed single border: minimise, but no maximise.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setProperty(helpContextProperty, 1);

    m_sitePage = new site::ui::SiteDescriptionPage(m_ui);
    m_recentFiles = std::make_unique<site::RecentFileList>(settingsFile);
    m_recentFiles->load();
    m_document = std::make_unique<site::SiteDocument>(m_ui, *m_sitePage, *m_recentFiles);
    m_sitePage->setKeywordSlots(&m_document->record().Key);
    connect(m_document.get(), &site::SiteDocument::captionChanged, this, &QWidget::setWindowTitle);
    connect(m_sitePage, &site::ui::SiteDescriptionPage::userModified, this,
            [this] { m_document->setSiteModified(true); });
    connect(m_sitePage, &site::ui::SiteDescriptionPage::hintShown, this,
            [this](const QString& hint) { setStatus(hint, true); });
    connect(m_sitePage, &site::ui::SiteDescriptionPage::hintFinished, this,
            [this] { setStatusAlarm(false); });
    connect(m_sitePage, &site::ui::SiteDescriptionPage::requiredFieldFocused, this,
            [this] { m_pages->setCurrentIndex(0); });

    createPages();
    createMenus();

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusPanel"));
    m_status->setAutoFillBackground(true);
    m_status->setContentsMargins(4, 0, 4, 0);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_status, 1);

    // Start-up's New: the description starts empty and nothing counts as modified.
    m_document->NewSite();
    pageShown(1);
    m_shownPage = 0;
    connect(m_pages, &QTabWidget::currentChanged, this, &THauptFormular::pageChanged);
    menuBar()->installEventFilter(this);

    setFixedSize(769, 544 + menuBar()->sizeHint().height());
}

THauptFormular::~THauptFormular() = default;

void THauptFormular::createPages()
{
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_pages->tabBar()->setAttribute(Qt::WA_Hover);
    const std::array<QStringList, 6> toolButtons{{
        {tr("Felder löschen"), tr("Speichern"), tr("Öffnen")},
        {tr("Meta-Tags einlesen"), tr("HEAD-Abschnitt zeigen"), tr("Datei bearbeiten"),
         tr("Meta-Tags generieren"), tr("Kenndaten importieren"), tr("In Zwischenablage")},
        {tr("Filter aktivieren"), tr("Auswahl speichern"), tr("Auswahl laden")},
        {tr("Anmeldung starten"), tr("Vorschau"), tr("IndexNow")},
        {tr("Anmeldehilfe starten")},
        {tr("Standard-Bericht"), tr("RTF-Bericht")},
    }};
    using Icon = base::ui::ProgramIcons::Command;
    const std::array<std::vector<Icon>, 6> toolIcons{{
        {Icon::Clear, Icon::Save, Icon::Open},
        {Icon::Open, Icon::ShowSource, Icon::EditFile, Icon::Run, Icon::Import, Icon::Copy},
        {Icon::Filter, Icon::Save, Icon::Open},
        {Icon::Start, Icon::ShowSource, Icon::WebBrowser},
        {Icon::Start},
        {Icon::Table, Icon::TextDocument},
    }};
    for (int i = 0; i < 6; ++i) {
        m_pages->addTab(createPage(i, toolButtons[size_t(i)]), tr(pages()[size_t(i)].caption));
        const QList<QAction*> buttons = toolBar(i)->actions();
        for (size_t j = 0; j < toolIcons[size_t(i)].size(); ++j)
            buttons.at(qsizetype(j))
                ->setIcon(base::ui::ProgramIcons::icon(toolIcons[size_t(i)][j]));
    }
    m_pageContents[0]->layout()->addWidget(m_sitePage);

    QToolBar* site = toolBar(0);
    connect(site->actions().at(0), &QAction::triggered, this,
            [this] { m_ui.guarded([this] { m_document->New(); }); });
    connect(site->actions().at(1), &QAction::triggered, this,
            [this] { m_ui.guarded([this] { m_document->Save(); }); });
    connect(site->actions().at(2), &QAction::triggered, this,
            [this] { m_ui.guarded([this] { m_document->Open(); }); });

    createStatusPage();
    createMetaTagPage();
    QAction* assistant = toolBar(4)->actions().at(0);
    assistant->setObjectName(QStringLiteral("ActionAnmeldehilfe"));
    connect(assistant, &QAction::triggered, this, &THauptFormular::startAssistant);
    connect(m_sitePage, &site::ui::SiteDescriptionPage::checkUrlRequested, this,
            &THauptFormular::checkUrl);
    QToolBar* automatic = toolBar(3);
    automatic->actions().at(0)->setObjectName(QStringLiteral("SubmitBtn"));
    connect(automatic->actions().at(0), &QAction::triggered, this, &THauptFormular::SubmitBtnClick);
    QAction* preview = automatic->actions().at(1);
    preview->setObjectName(QStringLiteral("ActionVorschau"));
    preview->setToolTip(tr("Zeigt, was an jeden Suchdienst gesendet würde, ohne etwas zu senden"));
    connect(preview, &QAction::triggered, this, &THauptFormular::VorschauBtnClick);
    QAction* indexNow = automatic->actions().at(2);
    indexNow->setObjectName(QStringLiteral("ActionIndexNow"));
    indexNow->setToolTip(tr("Schlüssel, Schlüsseldatei und Adressen für die IndexNow-Dienste"));
    connect(indexNow, &QAction::triggered, this, &THauptFormular::IndexNowBtnClick);

    const QList<QAction*> selection = toolBar(2)->actions();
    selection.at(0)->setObjectName(QStringLiteral("ActionFilterAktivieren"));
    selection.at(0)->setToolTip(tr("Hier klicken, um Suchdienste zu filtern"));
    selection.at(1)->setObjectName(QStringLiteral("ActionAuswahlSpeichern"));
    selection.at(2)->setObjectName(QStringLiteral("ActionAuswahlLaden"));
    connect(selection.at(0), &QAction::triggered, this, &THauptFormular::openFilter);
    connect(selection.at(1), &QAction::triggered, this, [this] {
        if (m_module)
            m_ui.guarded([this] { catalogue::SelectionFile::saveCommand(m_ui, *m_module); });
    });
    connect(selection.at(2), &QAction::triggered, this, [this] {
        changeSelection([this] { catalogue::SelectionFile::loadCommand(m_ui, *m_module); });
    });

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pages, 1);
    layout->addWidget(createBottomPanel());
    setCentralWidget(central);
}

QWidget* THauptFormular::createPage(int index, const QStringList& toolButtons)
{
    const PageInfo& info = pages()[size_t(index)];
    auto* page = new QWidget(m_pages);
    page->setObjectName(QLatin1String(info.objectName));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* bar = new QToolBar(page);
    bar->setObjectName(QLatin1String(info.objectName) + QStringLiteral("ToolBar"));
    // Words under small pictures: the bar keeps the width of its words (the meta-tag page's
    // seven buttons fill it) and grows by no more than the pictures' height.
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(16, 16));
    bar->setProperty(helpContextProperty, info.helpContext);
    for (const QString& caption : toolButtons)
        bar->addAction(caption);
    bar->addSeparator();
    QAction* help = bar->addAction(
        base::ui::ProgramIcons::icon(base::ui::ProgramIcons::Command::Help), tr("Hilfe"));
    help->setObjectName(QLatin1String(info.objectName) + QStringLiteral("HelpButton"));
    const int context = info.helpContext;
    connect(help, &QAction::triggered, this, [this, context] { m_ui.ShowHelp(context); });
    layout->addWidget(bar);
    auto* content = new QWidget(page);
    content->setObjectName(QLatin1String(info.objectName) + QStringLiteral("Content"));
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(4, 0, 4, 2);
    layout->addWidget(content, 1);
    m_pageContents[size_t(index)] = content;
    return page;
}

QToolBar* THauptFormular::toolBar(int index) const
{
    return m_pages->widget(index)->findChild<QToolBar*>(QString(), Qt::FindDirectChildrenOnly);
}

QWidget* THauptFormular::createBottomPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("BottomPanel"));
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(6, 2, 6, 2);
    const std::pair<QString, QString> links[] = {
        {tr("Zur Web-Site von Pelvaro!"), productSiteAddress()},
        {tr("Zum Diskussions- und Support-Forum"), forumAddress()},
        {tr("Zur Web-Site von Trevanix"), makerSiteAddress()},
    };
    int n = 0;
    for (const auto& [caption, address] : links) {
        auto* link = new QLabel(
            QStringLiteral("<a href=\"%1\">%2</a>").arg(address, caption.toHtmlEscaped()), panel);
        link->setObjectName(QStringLiteral("BottomLink%1").arg(++n));
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(link, &QLabel::linkActivated, this,
                [this](const QString& url) { m_ui.openInBrowser(QUrl(url)); });
        layout->addWidget(link);
        layout->addStretch(1);
    }
    return panel;
}

void THauptFormular::createMenus()
{
    m_fileMenu = menuBar()->addMenu(tr("&Datei"));
    m_fileMenu->setObjectName(QStringLiteral("MenuDatei"));
    QAction* neu =
        addItem(m_fileMenu, tr("N&eu"), "ActionNeu", 14, QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction* open = addItem(m_fileMenu, tr("Öff&nen ..."), "ActionOeffnen", 15,
                            QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* saveItem = addItem(m_fileMenu, tr("&Speichern"), "ActionSpeichern", 16,
                                QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* saveAs = addItem(m_fileMenu, tr("Speichern &unter ..."), "ActionSpeichernUnter", 17);
    m_fileMenu->addSeparator();
    QAction* quitItem = addItem(m_fileMenu, tr("&Beenden"), "ActionBeenden", 20,
                                QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X));
    m_recentSeparator = m_fileMenu->addSeparator();
    connect(neu, &QAction::triggered, this,
            [this] { m_ui.guarded([this] { m_document->New(); }); });
    connect(open, &QAction::triggered, this,
            [this] { m_ui.guarded([this] { m_document->Open(); }); });
    connect(saveItem, &QAction::triggered, this, &THauptFormular::save);
    connect(saveAs, &QAction::triggered, this,
            [this] { m_ui.guarded([this] { m_document->SaveAs(); }); });
    connect(quitItem, &QAction::triggered, this, &THauptFormular::quit);
    connect(m_fileMenu, &QMenu::aboutToShow, this,
            [this] { m_ui.guarded([this] { rebuildRecentFiles(); }); });
    rebuildRecentFiles();

    QMenu* update = menuBar()->addMenu(tr("A&ktualisierung"));
    update->setObjectName(QStringLiteral("MenuAktualisierung"));
    QAction* catalogueUpdate =
        addItem(update, tr("S&uchdienste aktualisieren"), "ActionSuchdiensteAktualisieren", 12);
    QAction* programUpdate =
        addItem(update, tr("&Software aktualisieren"), "ActionSoftwareAktualisieren", 11);
    connect(catalogueUpdate, &QAction::triggered, this, [this] {
        if (!m_settings || !m_module)
            return;
        afterUpdate(updates::ui::UpdateMenu::updateCatalogue(m_ui, *m_settings, *m_module, this));
    });
    connect(programUpdate, &QAction::triggered, this, [this] {
        if (!m_settings)
            return;
        afterUpdate(updates::ui::UpdateMenu::updateProgram(m_ui, *m_settings, this));
    });

    QAction* options = menuBar()->addAction(tr("&Optionen"));
    options->setObjectName(QStringLiteral("ActionOptionen"));
    options->setProperty(helpContextProperty, 21);
    connect(options, &QAction::triggered, this, [this] {
        if (!m_settings)
            return;
        m_ui.guarded([this] { TEinstellungenDialog::OpenSettings(m_ui, *m_settings, this); });
    });

    QMenu* help = menuBar()->addMenu(tr("&Hilfe"));
    help->setObjectName(QStringLiteral("MenuHilfe"));
    QAction* contents = addItem(help, tr("&Inhalt"), "ActionInhalt", 1);
    QAction* hints = addItem(help, tr("10 &wichtige Hinweise!"), "ActionHinweise", 99);
    QAction* tips = addItem(help, tr("&Tip des Tages"), "ActionTipDesTages", 0);
    connect(tips, &QAction::triggered, this, &THauptFormular::showTipOfTheDay);
    help->addSeparator();
    QAction* newService = addItem(help, tr("Neuer &Suchdienst"), "ActionNeuerSuchdienst", 2000);
    help->addSeparator();
    QAction* about = addItem(help, tr("I&nfo ..."), "ActionInfo", 8);
    connect(about, &QAction::triggered, this, [this] {
        m_ui.guarded([this] {
            TAboutBox::ShowAbout(
                m_ui, m_settings ? m_settings->settings().catalogueVersion : QString(), this);
        });
    });
    for (QAction* action : {contents, hints, newService}) {
        const int context = action->property(helpContextProperty).toInt();
        connect(action, &QAction::triggered, this, [this, context] { m_ui.ShowHelp(context); });
    }

    m_listMenu = new QMenu(this);
    m_listMenu->setObjectName(QStringLiteral("ListContextMenu"));
    QAction* details = m_listMenu->addAction(tr("Details zu diesem Suchdienst"));
    details->setObjectName(QStringLiteral("ActionDetails"));
    m_listMenu->addSeparator();
    QAction* home = m_listMenu->addAction(tr("Zur Startseite dieses Suchdiensts"));
    home->setObjectName(QStringLiteral("ActionStartseite"));
    QAction* submit = m_listMenu->addAction(tr("Zur Seite \"Anmeldung\" dieses Suchdiensts"));
    submit->setObjectName(QStringLiteral("ActionAnmeldeseite"));
    m_listMenu->addSeparator();
    QAction* deselect = m_listMenu->addAction(tr("Auswahl aufheben"));
    deselect->setObjectName(QStringLiteral("ActionAuswahlAufheben"));
    connect(details, &QAction::triggered, this, [this] {
        m_ui.guarded([this] {
            if (m_module && m_details)
                m_details->showFor(*m_module, m_focusedListCode);
        });
    });
    connect(home, &QAction::triggered, this, [this] { openFocusedServiceLink(false); });
    connect(submit, &QAction::triggered, this, [this] { openFocusedServiceLink(true); });
    connect(deselect, &QAction::triggered, this, &THauptFormular::deselectFocusedService);

    // 'Optionen' stands in the menu bar itself, where a picture would take the place of its word.
    using Icon = base::ui::ProgramIcons::Command;
    const std::pair<QAction*, Icon> pictures[] = {
        {neu, Icon::New},
        {open, Icon::Open},
        {saveItem, Icon::Save},
        {saveAs, Icon::SaveAs},
        {quitItem, Icon::Exit},
        {catalogueUpdate, Icon::Refresh},
        {programUpdate, Icon::SoftwareUpdate},
        {contents, Icon::Help},
        {hints, Icon::Info},
        {tips, Icon::Hint},
        {newService, Icon::Add},
        {about, Icon::About},
        {details, Icon::Info},
        {home, Icon::GoHome},
        {submit, Icon::WebBrowser},
        {deselect, Icon::Remove},
    };
    for (const auto& [action, picture] : pictures)
        action->setIcon(base::ui::ProgramIcons::icon(picture));
}

void THauptFormular::rebuildRecentFiles()
{
    for (QAction* action : m_recentActions)
        m_fileMenu->removeAction(action);
    qDeleteAll(m_recentActions);
    m_recentActions.clear();
    const QStringList entries = m_recentFiles->entries();
    m_recentSeparator->setVisible(!entries.isEmpty());
    for (int i = 0; i < entries.size(); ++i) {
        const QString path = entries.at(i);
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path), m_fileMenu);
        action->setObjectName(QStringLiteral("ActionZuletzt%1").arg(i + 1));
        connect(action, &QAction::triggered, this,
                [this, path] { m_ui.guarded([this, &path] { m_document->OpenRecent(path); }); });
        m_fileMenu->addAction(action);
        m_recentActions << action;
    }
}

void THauptFormular::save()
{
    m_ui.guarded([this] {
        if (m_activePageCode == 1)
            m_document->Save();
        else if (m_activePageCode == 3)
            m_document->SaveOnSelectionPage();
    });
}

void THauptFormular::quit()
{
    if (!mayQuit())
        return;
    m_quitConfirmed = true;
    close();
    m_quitConfirmed = false;
}

bool THauptFormular::mayQuit()
{
    bool mayClose = true;
    m_ui.guarded([this, &mayClose] { mayClose = m_document->Beenden(); });
    return mayClose;
}

void THauptFormular::attachCatalogue(catalogue::TDataModule1& module)
{
    m_module = &module;
    m_dates = std::make_unique<catalogue::CatalogueSiteDates>(module, m_ui);
    m_document->setDateStore(m_dates.get());

    const std::array<const char*, 4> frames{"GroupBoxNichtAusgewaehlt", "GroupBoxAusgewaehlt",
                                            "GroupBoxAutomatischeAnmeldung",
                                            "GroupBoxManuelleAnmeldung"};
    const std::array<int, 4> pageOfList{2, 2, 3, 4};
    std::array<QHBoxLayout*, 6> listRows{};
    for (int page : {2, 3, 4}) {
        auto* row = new QWidget(m_pageContents[size_t(page)]);
        row->setObjectName(QLatin1String(pages()[size_t(page)].objectName) +
                           QStringLiteral("Lists"));
        listRows[size_t(page)] = new QHBoxLayout(row);
        listRows[size_t(page)]->setContentsMargins(0, 0, 0, 0);
        m_pageContents[size_t(page)]->layout()->addWidget(row);
        m_pageContents[size_t(page)]->layout()->addWidget(createLinkBar(page + 1));
    }
    for (int code = 1; code <= 4; ++code) {
        auto* panel =
            new CatalogueListPanel(m_ui, module.view(CatalogueLists::viewName(code)), code);
        panel->setObjectName(QLatin1String(frames[size_t(code - 1)]));
        listRows[size_t(pageOfList[size_t(code - 1)])]->addWidget(panel, 1);
        if (code == CatalogueLists::NotSelected)
            listRows[2]->addWidget(createMoveButtons());
        m_lists[size_t(code - 1)] = panel;
        connect(panel, &CatalogueListPanel::sortOrderChanged, this,
                [this] { m_ui.guarded([this] { RefreshSearchFields(); }); });
        connect(panel, &CatalogueListPanel::entered, this, [this, code] { listEntered(code); });
        connect(panel, &CatalogueListPanel::left, this, [this, code] { listLeft(code); });
        connect(panel, &CatalogueListPanel::navigatorUsed, this, [this, code] {
            listEntered(code == CatalogueLists::Selected ? code : CatalogueLists::NotSelected);
        });
        connect(panel, &CatalogueListPanel::contextMenuRequested, this,
                [this, code](const QPoint& at) { m_ui.guarded([&] { showListMenu(code, at); }); });
        connect(panel, &CatalogueListPanel::currentChanged, this,
                [this] { m_ui.guarded([this] { updateLinkBar(); }); });
        if (code == CatalogueLists::NotSelected)
            connect(panel, &CatalogueListPanel::rowDoubleClicked, this, [this] {
                changeSelection([this] { CatalogueLists::selectCurrent(m_ui, *m_module); });
            });
        else if (code == CatalogueLists::Selected)
            connect(panel, &CatalogueListPanel::rowDoubleClicked, this, [this] {
                changeSelection([this] { CatalogueLists::deselectCurrent(m_ui, *m_module); });
            });
    }
    m_details = new catalogue::ui::DetailsWindow(m_ui, this);
    m_details->setSiteSource(openSite());
    // Made once and reused: every start refreshes its values.
    m_assistant = new tools::ui::TFormManuellHilfe(m_ui, module, this);
    showFrameCaptions();
}

CatalogueListPanel* THauptFormular::listPanel(int listCode) const
{
    return listCode >= 1 && listCode <= 4 ? m_lists[size_t(listCode - 1)] : nullptr;
}

void THauptFormular::setStatus(const QString& text, bool alarm)
{
    m_status->setText(text);
    setStatusAlarm(alarm);
}

void THauptFormular::setStatusAlarm(bool alarm)
{
    m_statusAlarm = alarm;
    QPalette palette = m_status->palette();
    const QPalette standard = QApplication::palette(m_status);
    palette.setColor(QPalette::Window, alarm ? QColor(Qt::red) : standard.color(QPalette::Button));
    palette.setColor(QPalette::WindowText,
                     alarm ? QColor(Qt::white) : standard.color(QPalette::WindowText));
    m_status->setPalette(palette);
}

QString THauptFormular::statusText() const
{
    return m_status->text();
}

void THauptFormular::pageChanged(int index)
{
    if (m_shownPage >= 0)
        m_ui.guarded([this] { pageHidden(m_shownPage + 1); });
    m_shownPage = index;
    m_ui.guarded([this, index] { pageShown(index + 1); });
}

void THauptFormular::pageHidden(int pageCode)
{
    if (pageCode == 1)
        m_document->ToRecord();
    else if (pageCode == 2)
        m_metaTags->pageHidden();
}

void THauptFormular::pageShown(int pageCode)
{
    m_activePageCode = pageCode;
    switch (pageCode) {
    case 1:
        setStatus(tr("Füllen Sie bitte alle Felder im Formular aus."));
        break;
    case 2:
        setStatus(tools::MetaTagGenerator::statusPageShown());
        m_metaTags->pageShown();
        break;
    case 3:
    case 4:
    case 5: {
        if (!m_module)
            break;
        RefreshCounts();
        RefreshSearchFields();
        for (CatalogueListPanel* panel : m_lists)
            if (panel && m_pageContents[size_t(pageCode - 1)]->isAncestorOf(panel))
                panel->resetColumnWidths();
        setStatus(CatalogueLists::totalEntriesText(m_module->counters()));
        break;
    }
    case 6: {
        const bool results =
            reports::StatusPage::reportsEnabled(ErfolgreichListe, FehlgeschlagenListe);
        for (QAction* action : toolBar(5)->actions())
            if (action->objectName() == QLatin1String("BtnStandardBericht") ||
                action->objectName() == QLatin1String("BtnRTFBericht"))
                action->setEnabled(results);
        setStatus(reports::StatusPage::statusText());
        break;
    }
    default:
        break;
    }
}

void THauptFormular::showFrameCaptions()
{
    for (int code = 1; code <= 4; ++code)
        if (CatalogueListPanel* panel = listPanel(code))
            panel->setCaption(CatalogueLists::frameCaption(code, m_module->counters()));
}

void THauptFormular::RefreshCounts()
{
    if (!m_module)
        return;
    showFrameCaptions();
    setStatus(CatalogueLists::totalServicesText(m_module->counters()));
}

void THauptFormular::RefreshSearchFields()
{
    for (CatalogueListPanel* panel : m_lists)
        if (panel)
            panel->setSearchEnabled(CatalogueLists::searchAllowed(panel->cursor()));
}

void THauptFormular::listEntered(int listCode)
{
    m_focusedListCode = listCode;
    // The bar follows the list the user works in from the moment he enters it, not only
    // from his first move in it.
    m_ui.guarded([this] { updateLinkBar(); });
    const CatalogueLists::Markers markers = CatalogueLists::markersAfterEntering(listCode);
    if (CatalogueListPanel* left = listPanel(CatalogueLists::NotSelected))
        left->setCurrentRowColour(markers.notSelectedWhite ? QColor(Qt::white)
                                                           : QColor(Qt::lightGray));
    if (CatalogueListPanel* right = listPanel(CatalogueLists::Selected))
        right->setCurrentRowColour(markers.selectedWhite ? QColor(Qt::white)
                                                         : QColor(Qt::lightGray));
}

void THauptFormular::listLeft(int listCode)
{
    if (listCode == CatalogueLists::NotSelected || listCode == CatalogueLists::Selected)
        if (CatalogueListPanel* panel = listPanel(listCode))
            panel->setCurrentRowColour(QColor(Qt::lightGray));
}

void THauptFormular::showListMenu(int listCode, const QPoint& globalPos)
{
    if (!m_module)
        return;
    m_focusedListCode = listCode;
    updateLinkBar();
    const CatalogueLists::ContextMenuState state =
        CatalogueLists::contextMenu(listCode, m_module->counters());
    m_listMenu->findChild<QAction*>(QStringLiteral("ActionDetails"))->setEnabled(state.details);
    m_listMenu->findChild<QAction*>(QStringLiteral("ActionStartseite"))->setEnabled(state.homePage);
    m_listMenu->findChild<QAction*>(QStringLiteral("ActionAnmeldeseite"))
        ->setEnabled(state.submissionPage);
    m_listMenu->findChild<QAction*>(QStringLiteral("ActionAuswahlAufheben"))
        ->setEnabled(state.deselect);
    if (!globalPos.isNull())
        m_listMenu->popup(globalPos);
}

void THauptFormular::openFocusedServiceLink(bool submissionPage)
{
    // The menu's two commands are the page's link bar, clicked.
    const int pair = CatalogueLists::linkPairForPage(m_activePageCode);
    if (QLabel* link = linkLabel(pair, submissionPage))
        activateLink(link);
}

void THauptFormular::createStatusPage()
{
    using reports::StatusPage;
    const QList<QAction*> buttons = toolBar(5)->actions();
    buttons.at(0)->setObjectName(QStringLiteral("BtnStandardBericht"));
    buttons.at(1)->setObjectName(QStringLiteral("BtnRTFBericht"));
    buttons.at(0)->setToolTip(tr("Hier klicken, um Standardbericht zu erzeugen"));
    connect(buttons.at(0), &QAction::triggered, this, [this] {
        m_ui.guarded([this] {
            reports::ui::TStandardBerichtForm::execute(m_ui, m_successRows, m_failureRows, this,
                                                       {m_runAddress, m_runDate});
        });
    });
    connect(buttons.at(1), &QAction::triggered, this, [this] {
        // A fresh window for every click: the report is built anew from the lists as they
        // are now.
        m_ui.guarded([this] {
            if (reports::ui::TStatusBerichtFormular::showReport(
                    m_ui, reportGenerator(), m_programDirectory, m_startArgument, this))
                m_reportKept = true;
        });
    });

    QWidget* content = m_pageContents[5];
    auto* row = new QWidget(content);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto makeView = [this, row, layout](const char* frameName, const QString& caption,
                                              const char* viewName, bool failures) {
        auto* frame = new QGroupBox(caption, row);
        frame->setObjectName(QLatin1String(frameName));
        auto* frameLayout = new QVBoxLayout(frame);
        auto* view = new QTreeWidget(frame);
        view->setObjectName(QLatin1String(viewName));
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setAllColumnsShowFocus(true);
        QStringList headers{tr("Suchdienst"), tr("Statuscode"), tr("Meldung")};
        if (failures)
            headers << tr("Reserviert");
        view->setHeaderLabels(headers);
        view->setColumnWidth(0, 150);
        view->setColumnWidth(1, 70);
        if (failures)
            view->setColumnHidden(3, true);
        view->viewport()->installEventFilter(this);
        frameLayout->addWidget(view);
        layout->addWidget(frame, 1);
        return view;
    };
    m_successView = makeView("GroupBoxSucceeded", StatusPage::successCaption(),
                             "OvcDataReportViewErfolgreich", false);
    m_failureView = makeView("GroupBoxFailed", StatusPage::failureCaption(),
                             "OvcDataReportViewFehlgeschlagen", true);
    content->layout()->addWidget(row);

    m_successView->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* showAnswer = new QAction(StatusPage::answerPageCommand(), m_successView);
    showAnswer->setObjectName(QStringLiteral("ActionAntwortAnzeigen"));
    m_successView->addAction(showAnswer);
    connect(showAnswer, &QAction::triggered, this, [this] { resultViewDoubleClicked(true); });
}

void THauptFormular::afterUpdate(updates::UpdateOutcome outcome)
{
    switch (outcome) {
    case updates::UpdateOutcome::Nothing:
        break;
    case updates::UpdateOutcome::RefreshCatalogue:
        // The module has read the new catalogue; the window shows it with its counts.
        RefreshCounts();
        RefreshSearchFields();
        updateLinkBar();
        break;
    case updates::UpdateOutcome::EndProgram:
        // As "Beenden": unsaved site data is offered for saving first, and the user may
        // still stay; the package installer runs on its own meanwhile.
        quit();
        break;
    }
}

void THauptFormular::showTipOfTheDay()
{
    if (!m_settings)
        return;
    TTipDesTages(base::ProgramPaths(m_programDirectory).tipsFile())
        .Execute(m_ui, m_settings->settings().showTips, this);
}

bool THauptFormular::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !m_handedOver.isEmpty())
        QTimer::singleShot(0, this, &THauptFormular::openHandedOverFiles);
    if (event->type() == QEvent::WindowActivate && m_tipOnFirstActivation) {
        m_tipOnFirstActivation = false;
        // After the activation has been handled: the tip window takes the activation over.
        if (m_settings && m_settings->settings().showTips)
            QTimer::singleShot(0, this, &THauptFormular::showTipOfTheDay);
    }
    return QMainWindow::event(event);
}

void THauptFormular::createMetaTagPage()
{
    m_metaTags = new tools::ui::MetaTagPage(m_ui, m_pageContents[1]);
    m_metaTags->setObjectName(QStringLiteral("MetaTagPage"));
    m_pageContents[1]->layout()->addWidget(m_metaTags);
    connect(m_metaTags, &tools::ui::MetaTagPage::statusText, this,
            [this](const QString& text) { setStatus(text); });

    using Page = tools::ui::MetaTagPage;
    const std::array<std::pair<const char*, std::function<void(Page&)>>, 6> commands{{
        {"ActionMetaTagsEinlesen", [](Page& page) { page.importSelectedFile(); }},
        {"ActionHeadAbschnittZeigen", [](Page& page) { page.showHeadSection(); }},
        {"ActionDateiBearbeiten", [](Page& page) { page.editFile(); }},
        {"ActionMetaTagsGenerieren", [](Page& page) { page.generateTags(); }},
        {"ActionKenndatenImportieren", nullptr},
        {"ActionInZwischenablage", [](Page& page) { page.copyTagsToClipboard(); }},
    }};
    const QList<QAction*> buttons = toolBar(1)->actions();
    const QStringList hints = Page::toolButtonHints();
    for (size_t i = 0; i < commands.size(); ++i) {
        QAction* button = buttons.at(qsizetype(i));
        button->setObjectName(QLatin1String(commands[i].first));
        button->setToolTip(hints.value(qsizetype(i)));
        if (const auto& command = commands[i].second)
            connect(button, &QAction::triggered, this,
                    [this, command] { m_ui.guarded([&] { command(*m_metaTags); }); });
    }
    connect(buttons.at(4), &QAction::triggered, this, [this] {
        // The record holds what was last taken over from the site page; the two lists are
        // read as they stand.
        const auto* category = m_sitePage->findChild<QComboBox*>(QStringLiteral("CategoryCombo"));
        const auto* webtype = m_sitePage->findChild<QComboBox*>(QStringLiteral("webtypeCombo"));
        m_ui.guarded([&] {
            m_metaTags->importSiteData(m_document->record(),
                                       category ? category->currentText() : QString(),
                                       webtype ? webtype->currentText() : QString());
        });
    });
}

void THauptFormular::startAssistant()
{
    if (!m_module || !m_assistant)
        return;
    m_ui.guarded([this] {
        using Start = tools::ManualAssistant::Start;
        const Start start = tools::ManualAssistant::checkStart(
            m_ui, [this] { return m_sitePage->RequiredFieldCheck(); }, m_module->counters());
        if (start == Start::ToSitePage) {
            m_pages->setCurrentIndex(0);
            return;
        }
        if (start != Start::Go)
            return;
        site::SiteRecord values;
        m_sitePage->readInto(values);
        m_assistant->run(values, this);
        m_pages->setCurrentIndex(4);
    });
}

void THauptFormular::checkUrl()
{
    const auto* address = m_sitePage->findChild<QLineEdit*>(QStringLiteral("URLEdit"));
    if (!address)
        return;
    m_ui.guarded([this, address] { tools::ui::Tpingform::checkUrl(m_ui, address->text(), this); });
}

void THauptFormular::showResults(const std::vector<submit::ResultRow>& successRows,
                                 const std::vector<submit::ResultRow>& failureRows)
{
    const auto fill = [](QTreeWidget* view, const std::vector<submit::ResultRow>& rows,
                         bool failures) {
        view->setUpdatesEnabled(false);
        view->clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(qsizetype(rows.size()));
        for (const submit::ResultRow& row : rows) {
            QStringList columns{row.Suchdienst, row.Statuscode, row.Meldung};
            if (failures)
                columns << row.Reserviert;
            items << new QTreeWidgetItem(columns);
        }
        view->addTopLevelItems(items);
        if (!items.isEmpty())
            view->setCurrentItem(items.first());
        view->setUpdatesEnabled(true);
    };
    m_successRows = successRows;
    m_failureRows = failureRows;
    fill(m_successView, m_successRows, false);
    fill(m_failureView, m_failureRows, true);
}

void THauptFormular::resultViewDoubleClicked(bool successView)
{
    QTreeWidget* view = successView ? m_successView : m_failureView;
    const std::vector<submit::ResultRow>& rows = successView ? m_successRows : m_failureRows;
    const int index = view->currentItem() ? view->indexOfTopLevelItem(view->currentItem()) : -1;
    const submit::ResultRow* row =
        index >= 0 && index < int(rows.size()) ? &rows[size_t(index)] : nullptr;
    m_ui.guarded([&] {
        if (successView)
            reports::StatusPage::showAnswerPage(m_ui, m_answerDirectory, row);
        else
            reports::StatusPage::openFailedAddress(m_ui, row);
    });
}

void THauptFormular::setRunContext(base::SettingsStore* settings, const QString& programDirectory,
                                   const QString& answerDirectory)
{
    m_settings = settings;
    m_programDirectory = programDirectory;
    m_answerDirectory = answerDirectory;
    m_metaTags->setProgramDirectory(programDirectory);
}

reports::ui::TStatusBerichtFormular::ReportGenerator THauptFormular::reportGenerator()
{
    return [this](QTextDocument& document) {
        return reports::StatusReport::generate(m_ui, document, ErfolgreichListe,
                                               FehlgeschlagenListe, m_document->record(),
                                               &QDate::currentDate);
    };
}

bool THauptFormular::submissionMayStart(submit::SubmissionRun& run, bool overwriteReport)
{
    bool started = false;
    m_ui.guarded([&] {
        using Start = submit::SubmissionRun::Start;
        // The address as the user sees it: the record follows the page only when it is left.
        const QString siteAddress = openSite()()->URLEdit;
        // A report the user saved or printed since the last run is no longer at risk.
        const Start start = run.checkStart([this] { return m_sitePage->RequiredFieldCheck(); },
                                           siteAddress, overwriteReport || m_reportKept);
        if (start == Start::NothingSelected)
            m_pages->setCurrentIndex(2);
        else if (start == Start::NothingAutomatic)
            m_pages->setCurrentIndex(4);
        else if (start == Start::AddressInvalid)
            m_sitePage->focusField(site::FieldGuidance::UrlTag);
        started = start == Start::Go;
    });
    return started;
}

void THauptFormular::SubmitBtnClick()
{
    if (!m_module)
        return;
    const base::Settings settings =
        m_settings ? m_settings->settings() : base::Settings::defaults();
    submit::SubmissionRun run(m_ui, *m_module, ErfolgreichListe, FehlgeschlagenListe);
    if (!submissionMayStart(run, settings.overwriteReport))
        return;

    // The lists are emptied by the preparation; the views follow at once.
    showResults({}, {});
    // Services that answered 429 in earlier runs wait as long as they asked.
    run.journal().waits = submit::ServiceWaits::fromText(settings.serviceWaits);
    auto list = std::make_unique<submit::SendList>();
    int prepared = 0;
    const bool preparedWell = m_ui.guarded(
        [&] { prepared = run.prepare(m_document->record(), m_answerDirectory, *list); });
    if (!preparedWell || prepared == 0) {
        RefreshCounts();
        if (preparedWell && !run.indexNowStopText().isEmpty())
            m_ui.warning(run.indexNowStopText());
        return;
    }
    run.announceConnection();
    repaint();

    submit::SubmissionScheduler::Settings scheduler;
    scheduler.threadCount = settings.threadCount;
    scheduler.proxyHost = settings.proxyHost;
    scheduler.proxyPort = settings.proxyPort;
    scheduler.idleTimeLimit = settings.idleTimeLimit;
    scheduler.caFile = settings.caFile;
    scheduler.journal = &run.journal();
    m_ui.guarded([&] {
        submit::ui::TThreadForm::execute(m_ui, *list, ErfolgreichListe, FehlgeschlagenListe,
                                         scheduler, this);
    });

    // Whatever the window ended with, the outcome is filed and the lists shown anew.
    m_ui.guarded([&run] { run.ErgebnisseUebernehmen(); });
    // The ledger belongs to the site file: the answers make the description unsaved, as
    // the new dates do in the user's eyes.
    if (run.recordInLedger(m_document->record()))
        m_document->setSiteModified(true);
    if (m_settings) {
        const QString waits = run.journal().waits.toText(QDateTime::currentDateTimeUtc());
        if (waits != m_settings->settings().serviceWaits) {
            m_settings->settings().serviceWaits = waits;
            if (!m_settings->SaveSettings())
                m_ui.warning(base::SettingsStore::writeErrorText());
        }
    }
    if (run.somethingSent()) {
        m_reportKept = false;
        m_runDate = QDate::currentDate();
        m_runAddress = m_document->record().URLEdit;
    }
    showResults(run.successRows(), run.failureRows());
    RefreshCounts();
    m_pages->setCurrentIndex(5);
    if (const QString stop = run.indexNowStopText(); !stop.isEmpty())
        m_ui.warning(stop);
}

void THauptFormular::VorschauBtnClick()
{
    if (!m_module)
        return;
    const base::Settings settings =
        m_settings ? m_settings->settings() : base::Settings::defaults();
    // The run's own checks, but not its question about an unsaved report: a preview empties
    // no result list. The run object only checks here; the lists stay as they are.
    submit::SubmissionRun checks(m_ui, *m_module, ErfolgreichListe, FehlgeschlagenListe);
    if (!submissionMayStart(checks, true))
        return;

    submit::RunPreview preview;
    const bool prepared = m_ui.guarded([&] {
        const submit::ServiceWaits waits = submit::ServiceWaits::fromText(settings.serviceWaits);
        preview = submit::RunPreview::prepare(
            *m_module, m_ui, m_document->record(), m_answerDirectory,
            {settings.proxyHost, settings.proxyPort, settings.idleTimeLimit, settings.caFile},
            &waits);
    });
    RefreshCounts();
    if (!prepared)
        return;
    if (submit::ui::TVorschauForm::execute(preview, this))
        SubmitBtnClick();
}

void THauptFormular::IndexNowBtnClick()
{
    const base::Settings settings =
        m_settings ? m_settings->settings() : base::Settings::defaults();
    submit::ExchangeRequest exchange;
    exchange.proxyHost = settings.proxyHost;
    exchange.proxyPort = settings.proxyPort;
    exchange.idleTimeLimit = settings.idleTimeLimit;
    exchange.caFile = settings.caFile;
    m_ui.guarded([&] { submit::ui::TIndexNowForm::execute(m_ui, *m_document, exchange, this); });
}

QWidget* THauptFormular::createLinkBar(int pageCode)
{
    const int pair = CatalogueLists::linkPairForPage(pageCode);
    auto* bar = new QGroupBox(tr("Gehe zu"), m_pageContents[size_t(pageCode - 1)]);
    bar->setObjectName(QStringLiteral("LinkBar%1").arg(pair));
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(8, 2, 8, 2);
    const CatalogueLists::LinkBar initial = CatalogueLists::initialLinkBar();
    for (bool submission : {false, true}) {
        auto* link = new QLabel(bar);
        link->setObjectName((submission ? QStringLiteral("ManuellURLHyperlink%1")
                                        : QStringLiteral("URLHyperlink%1"))
                                .arg(pair));
        link->setToolTip(tr("Hier klicken, um Browser zu starten"));
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(link, &QLabel::linkActivated, this, [this, link] { activateLink(link); });
        layout->addWidget(link, 1);
        m_linkBars[size_t(pair)][submission ? 1 : 0] = link;
        showLink(link, submission ? initial.submissionPage : initial.homePage);
    }
    return bar;
}

QWidget* THauptFormular::createMoveButtons()
{
    auto* column = new QWidget(m_pageContents[2]);
    column->setObjectName(QStringLiteral("MoveButtons"));
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    using Move = void (*)(base::UiServices&, catalogue::TDataModule1&);
    const std::array<std::pair<const char*, Move>, 4> buttons{{
        {">", &CatalogueLists::selectCurrent},
        {">>", &CatalogueLists::selectAll},
        {"<", &CatalogueLists::deselectCurrent},
        {"<<", &CatalogueLists::deselectAll},
    }};
    for (size_t i = 0; i < buttons.size(); ++i) {
        auto* button = new QToolButton(column);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(i + 1));
        button->setText(QLatin1String(buttons[i].first));
        button->setToolTip(CatalogueLists::moveButtonHints()[i]);
        button->setFixedSize(30, 26);
        const Move move = buttons[i].second;
        connect(button, &QToolButton::clicked, this,
                [this, move] { changeSelection([this, move] { move(m_ui, *m_module); }); });
        layout->addWidget(button);
        if (i == 1)
            layout->addSpacing(12);
    }
    layout->addStretch(1);
    return column;
}

QLabel* THauptFormular::linkLabel(int pair, bool submissionPage) const
{
    if (pair < 1 || pair >= int(m_linkBars.size()))
        return nullptr;
    return m_linkBars[size_t(pair)][submissionPage ? 1 : 0];
}

void THauptFormular::showLink(QLabel* label, const CatalogueLists::Link& link)
{
    label->setProperty("address", link.address);
    label->setText(link.enabled
                       ? QStringLiteral("<a href=\"%1\">%2</a>")
                             .arg(link.address.toHtmlEscaped(), link.caption.toHtmlEscaped())
                       : link.caption.toHtmlEscaped());
    label->setEnabled(link.enabled);
}

void THauptFormular::activateLink(QLabel* link)
{
    if (!link->isEnabled())
        return;
    const QString address = link->property("address").toString();
    m_ui.guarded([this, &address] { CatalogueLists::openLink(m_ui, address); });
}

void THauptFormular::updateLinkBar()
{
    if (!m_module)
        return;
    const auto [pair, bar] = CatalogueLists::linkBarFor(*m_module, m_focusedListCode);
    if (QLabel* home = linkLabel(pair, false))
        showLink(home, bar.homePage);
    if (QLabel* submission = linkLabel(pair, true))
        showLink(submission, bar.submissionPage);
}

std::function<const site::SiteRecord*()> THauptFormular::openSite()
{
    // The description as the user sees it: the record follows the page only when the page
    // is left, and the page may be the one showing.
    return [this]() -> const site::SiteRecord* {
        if (m_activePageCode == 1)
            m_document->ToRecord();
        return &m_document->record();
    };
}

void THauptFormular::openFilter()
{
    if (!m_module)
        return;
    changeSelection([this] {
        catalogue::ui::TFilterBox::execute(m_ui, *m_module, m_filterCriteria, m_settingsFile, this,
                                           openSite());
    });
}

void THauptFormular::deselectFocusedService()
{
    if (m_focusedListCode < CatalogueLists::Selected)
        return;
    changeSelection(
        [this] { m_module->EintragAbwaehlen(CatalogueLists::viewName(m_focusedListCode)); });
}

void THauptFormular::closeEvent(QCloseEvent* event)
{
    // The window's frame ends the program as "Beenden" does, and loses as much: it asks the
    // same question, unless "Beenden" has just asked it.
    if (!m_quitConfirmed && !mayQuit()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

bool THauptFormular::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (m_successView && watched == m_successView->viewport()) {
            resultViewDoubleClicked(true);
            return true;
        }
        if (m_failureView && watched == m_failureView->viewport()) {
            resultViewDoubleClicked(false);
            return true;
        }
    }
    // The menu bar takes no focus, so a field is not left when a menu opens; but the
    // commands behind the menus read the fields, and must see them checked as when the
    // user had gone to another field. The bar is entered by mouse, by Alt alone or by an
    // Alt shortcut, and its first reaction to each of these is one of the events below.
    if (watched == menuBar()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::Shortcut:
            // A user sent back into the field to correct it gets no menu.
            if (menuBarEntered())
                return true;
            break;
        case QEvent::FocusIn:
            menuBarEntered();
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool THauptFormular::menuBarEntered()
{
    bool keptInField = false;
    m_ui.guarded([this, &keptInField] { keptInField = m_sitePage->leaveCurrentField(); });
    return keptInField;
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

void THauptFormular::openStartFile(const QString& path)
{
    if (path.isEmpty())
        return;
    switch (StartFiles::kindOf(path)) {
    case StartFiles::Kind::SiteInfo:
        m_ui.guarded([this, &path] { m_document->OpenFile(path); });
        break;
    case StartFiles::Kind::Selection:
        changeSelection(
            [this, &path] { catalogue::SelectionFile::loadFileCommand(m_ui, *m_module, path); });
        break;
    case StartFiles::Kind::Other:
        m_startArgument = path;
        break;
    }
}

void THauptFormular::handOverFile(const QString& path)
{
    m_handedOver.append(path);
    openHandedOverFiles();
}

void THauptFormular::openHandedOverFiles()
{
    // A dialog, a run or the disabled window of a running assistant would have the site
    // changed under it; the file waits for the window's next activation.
    if (QApplication::activeModalWidget() || !isEnabled())
        return;
    while (!m_handedOver.isEmpty())
        openStartFile(m_handedOver.takeFirst());
}

} // namespace pelvaro::app::ui
