#include "updates/ui/UpdateMenu.h"

#include "base/UiServices.h"
#include "updates/ui/WindowTransferDisplay.h"

namespace pelvaro::updates::ui {

UpdateOutcome UpdateMenu::updateCatalogue(base::UiServices& ui, base::SettingsStore& settings,
                                          catalogue::TDataModule1& module, QWidget* parent)
{
    WindowTransferDisplay display(parent);
    UpdateSequence sequence(ui, settings, display);
    UpdateOutcome outcome = UpdateOutcome::Nothing;
    ui.guarded([&] { outcome = sequence.updateCatalogue(module).outcome; });
    return outcome;
}

UpdateOutcome UpdateMenu::updateProgram(base::UiServices& ui, base::SettingsStore& settings,
                                        QWidget* parent)
{
    WindowTransferDisplay display(parent);
    UpdateSequence sequence(ui, settings, display);
    UpdateOutcome outcome = UpdateOutcome::Nothing;
    ui.guarded([&] { outcome = sequence.updateProgram().outcome; });
    return outcome;
}

} // namespace pelvaro::updates::ui
