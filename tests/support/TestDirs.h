#pragma once

#include "QtPrinters.h"

#include <QString>

namespace pelvaro::test {

// Every test runs in its own temporary program directory, settings folder and runtime
// folder; these are set up before the test starts and removed after it.
class TestDirs
{
public:
    static QString root();
    static QString programDir(); // also PELVARO_HOME
    static QString configDir();  // also XDG_CONFIG_HOME
    static QString runtimeDir(); // also XDG_RUNTIME_DIR
    static QString settingsFile();
};

// Installs the per-test folders; called by the shared test main.
void installTestDirs();

// Directory of the built executables (pelvaro, pelvaro-cli).
QString binaryDir();

} // namespace pelvaro::test
