#pragma once

#include "base/UiServices.h"

class QPrinter;

namespace pelvaro::reports::ui {

// Sets up a printer as the user chose in the print dialog. The windows keep their own
// printer, so that the job name and resolution stay theirs whatever the dialog did.
// False when the chosen printer is not (or no longer) one of the system's: Qt would print on
// another one instead.
[[nodiscard]] bool applyChoice(QPrinter& printer, const base::PrintChoice& choice);

} // namespace pelvaro::reports::ui
