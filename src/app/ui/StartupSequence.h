#pragma once

#include "base/ProgramPaths.h"
#include "base/SettingsStore.h"

#include <QSize>
#include <QString>

#include <memory>
#include <optional>

namespace pelvaro::base {
class UiServices;
}
namespace pelvaro::app {
class StartupGuard;
} // namespace pelvaro::app

namespace pelvaro::catalogue {
class TDataModule1;
}

namespace pelvaro::app::ui {

class SplashWindow;
class THauptFormular;

struct StartupOptions
{
    // Names the single-instance guard; the program passes its executable's name.
    QString applicationName = QStringLiteral("pelvaro");
    // Folder of the guard's lock and socket; empty means the per-user runtime folder.
    QString runtimeDir;
    // Settings file; empty means the per-user default.
    QString settingsFile;
    // Program directory given on the command line; empty means PELVARO_HOME and the rules
    // of ProgramPaths.
    QString programHome;
    // The display as the checks see it; unset means the primary screen.
    std::optional<QSize> screenSize;
    std::optional<int> screenDepth;
    bool useGuard = true;
    // The file the program was started with: a later instance hands it to the first one.
    QString fileToHandOver;
    // The data folder of an installation, copied into a program directory that lacks its
    // files; a null text means the one beside the executable.
    QString installedDataDirectory;
};

// Start-up and shutdown of the program in their fixed order. The main window exists only
// after start() returned Running.
class StartupSequence
{
public:
    enum class Outcome
    {
        Running,        // the event loop may run
        SecondInstance, // another instance was asked to come to the front; end silently
        Ended           // a fatal start-up failure was shown; end without the event loop
    };

    StartupSequence(base::UiServices& ui, StartupOptions options);
    ~StartupSequence();
    StartupSequence(const StartupSequence&) = delete;
    StartupSequence& operator=(const StartupSequence&) = delete;

    Outcome start();
    // Shows the main window and runs the event loop until the main window closes, whatever
    // other windows are still open. Returns the event loop's code.
    int run();
    // Runs when the main window has closed: writes the settings back and reports a failure.
    // Returns false when settings that were loaded could not be written.
    bool shutdown();

    THauptFormular* mainWindow() const { return m_mainWindow.get(); }
    base::SettingsStore* settings() const { return m_settings.get(); }
    const std::optional<base::ProgramPaths>& paths() const { return m_paths; }
    StartupGuard* guard() const { return m_guard.get(); }
    catalogue::TDataModule1* dataModule() const { return m_dataModule.get(); }

private:
    bool runSplashChecks();
    void createMainWindow();

    base::UiServices& m_ui;
    StartupOptions m_options;
    std::unique_ptr<StartupGuard> m_guard;
    std::unique_ptr<base::SettingsStore> m_settings;
    std::optional<base::ProgramPaths> m_paths;
    std::unique_ptr<SplashWindow> m_splash;
    // Declared before the main window so that it outlives it: the window's lists are bound
    // to the data module's views until the window is gone.
    std::unique_ptr<catalogue::TDataModule1> m_dataModule;
    std::unique_ptr<THauptFormular> m_mainWindow;
    bool m_endRequested = false;
    bool m_settingsLoaded = false;
};

} // namespace pelvaro::app::ui
