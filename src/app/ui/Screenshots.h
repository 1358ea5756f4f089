#pragma once

#include <QString>

namespace pelvaro::app::ui {

class THauptFormular;

// Renders every page of the main window and every window of the program that exists so far
// to DIR/<name>.png, without a display. Returns the number of failures.
int renderScreenshots(THauptFormular& mainWindow, const QString& directory);

} // namespace pelvaro::app::ui
