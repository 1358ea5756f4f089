#include "app/ui/StartupSequence.h"

#include "app/DisplayCheck.h"
#include "app/StartFiles.h"
#include "app/StartupGuard.h"
#include "app/ui/SplashWindow.h"
#include "app/ui/THauptFormular.h"
#include "base/UiServices.h"
#include "catalogue/TDataModule1.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace pelvaro::app::ui {

StartupSequence::StartupSequence(base::UiServices& ui, StartupOptions options)
    : m_ui(ui), m_options(std::move(options))
{
}

StartupSequence::~StartupSequence()
{
    // The main window goes first, as at shutdown.
    m_mainWindow.reset();
}

StartupSequence::Outcome StartupSequence::start()
{
    // Without a folder for its settings and data the program could only stumble through a
    // row of error numbers; one clear message says what is wrong instead.
    m_paths = base::ProgramPaths::fromEnvironment(m_options.programHome);
    const QString settingsFile = m_options.settingsFile.isEmpty()
                                     ? base::SettingsStore::defaultFilePath()
                                     : m_options.settingsFile;
    if (const auto problem = StartFiles::unwritableFolderProblem(
            {QFileInfo(settingsFile).absolutePath(), m_paths->programDirectory()})) {
        m_ui.error(*problem);
        return Outcome::Ended;
    }

    if (m_options.useGuard) {
        m_guard = std::make_unique<StartupGuard>(m_options.applicationName, m_options.runtimeDir);
        if (!m_guard->acquire(m_options.fileToHandOver))
            return Outcome::SecondInstance;
    }

    m_splash = std::make_unique<SplashWindow>();
    if (!runSplashChecks()) {
        m_splash.reset();
        return Outcome::Ended;
    }
    m_splash->showNow();

    createMainWindow();
    m_dataModule = std::make_unique<catalogue::TDataModule1>(m_ui);
    if (m_dataModule->open(m_paths->dataDirectory(), m_settings->settings().catalogueVersion))
        m_mainWindow->attachCatalogue(*m_dataModule);
    else
        m_endRequested = true;
    if (m_guard) {
        QObject::connect(m_guard.get(), &StartupGuard::fileHandedOver, m_mainWindow.get(),
                         &THauptFormular::handOverFile);
        QObject::connect(m_guard.get(), &StartupGuard::activationRequested, m_mainWindow.get(),
                         &THauptFormular::bringToFront);
    }

    m_splash.reset();
    return m_endRequested ? Outcome::Ended : Outcome::Running;
}

// The display checks and the settings load, made while the splash window is created.
// Returns false when the program must end at once.
bool StartupSequence::runSplashChecks()
{
    QSize size = m_options.screenSize.value_or(QSize());
    int depth = m_options.screenDepth.value_or(0);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        if (!m_options.screenSize)
            size = screen->size();
        if (!m_options.screenDepth)
            depth = screen->depth();
    }
    const DisplayCheck check = DisplayCheck::run(size.width(), size.height(), depth);
    if (check.resolutionMessage) {
        m_ui.information(*check.resolutionMessage);
        return false;
    }
    if (check.colourMessage)
        m_ui.information(*check.colourMessage);

    m_settings = std::make_unique<base::SettingsStore>(m_options.settingsFile.isEmpty()
                                                           ? base::SettingsStore::defaultFilePath()
                                                           : m_options.settingsFile);
    m_settingsLoaded = m_settings->LoadSettings();
    if (!m_settingsLoaded) {
        m_ui.error(base::SettingsStore::readErrorText());
        // The remaining start-up steps still run; the event loop then ends at once.
        m_endRequested = true;
    }
    return true;
}

void StartupSequence::createMainWindow()
{
    m_mainWindow = std::make_unique<THauptFormular>(m_ui, m_settings->filePath());
    const QStringList failures = m_paths->ensureDirectories();
    for (const QString& failure : failures) {
        m_ui.error(failure);
        m_endRequested = true;
    }
    m_mainWindow->setRunContext(m_settings.get(), m_paths->programDirectory(),
                                m_paths->answerPageDirectory());
    if (failures.isEmpty())
        m_paths->seedDataDirectory(m_options.installedDataDirectory.isNull()
                                       ? base::ProgramPaths::installedDataDirectory()
                                       : m_options.installedDataDirectory);
}

int StartupSequence::run()
{
    // Quitting with the last window would keep the program running, unseen, for as long as
    // a help window stays open; the program ends with its main window instead.
    const QMetaObject::Connection ending = QObject::connect(
        m_mainWindow.get(), &THauptFormular::closed, qApp, [] { QCoreApplication::exit(0); });
    m_mainWindow->show();
    const int code = QCoreApplication::exec();
    QObject::disconnect(ending);
    return code;
}

bool StartupSequence::shutdown()
{
    m_mainWindow.reset();
    m_dataModule.reset();
    // Settings that could not be read are not written back: that would replace whatever
    // the user has stored with empty values.
    if (!m_settings || !m_settingsLoaded)
        return true;
    if (m_settings->SaveSettings())
        return true;
    m_ui.error(base::SettingsStore::writeErrorText());
    return false;
}

} // namespace pelvaro::app::ui
