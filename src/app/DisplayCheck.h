#pragma once

#include <QString>

#include <optional>

namespace pelvaro::app {

// The two display checks made while the splash window is created.
struct DisplayCheck
{
    // The information box for a screen below 800 x 600; the program then ends.
    std::optional<QString> resolutionMessage;
    // The information box for a display of 16 or 256 colours; start-up goes on.
    std::optional<QString> colourMessage;

    // bitsPerPixel is colour planes times bits per plane.
    static DisplayCheck run(int width, int height, int bitsPerPixel);
};

} // namespace pelvaro::app
