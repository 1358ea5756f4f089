#pragma once

#include "updates/UpdateSequence.h"

class QWidget;

namespace pelvaro::base {
class SettingsStore;
class UiServices;
} // namespace pelvaro::base

namespace pelvaro::catalogue {
class TDataModule1;
}

namespace pelvaro::updates::ui {

// The main menu's "Aktualisierung" items, each the whole sequence with its windows over
// `parent`. They return what the main window must do next: nothing, read the catalogue
// anew (views and counters), or end the program. A failure nobody handled closer reaches
// the general error display and counts as nothing to do.
class UpdateMenu
{
public:
    // "S&uchdienste aktualisieren" (help context 12).
    static UpdateOutcome updateCatalogue(base::UiServices& ui, base::SettingsStore& settings,
                                         catalogue::TDataModule1& module, QWidget* parent);
    // "&Software aktualisieren" (help context 11).
    static UpdateOutcome updateProgram(base::UiServices& ui, base::SettingsStore& settings,
                                       QWidget* parent);
};

} // namespace pelvaro::updates::ui
