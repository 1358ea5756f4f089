#pragma once

namespace pelvaro::app::ui {

// The program's font and widget style, set once before the first window exists. The
// windows were laid out for an 8-point sans-serif dialog font; Liberation Sans keeps the
// metrics of the font they were drawn with, so captions fit on every desktop.
void applyProgramLook();

} // namespace pelvaro::app::ui
