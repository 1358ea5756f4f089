#include "app/DisplayCheck.h"

#include <gtest/gtest.h>

using pelvaro::app::DisplayCheck;

struct DisplayCase
{
    int width, height, depth;
    const char* resolutionMessage; // nullptr: none
    const char* colourMessage;     // nullptr: none
};

class DisplayCheckTest : public ::testing::TestWithParam<DisplayCase>
{
};

TEST_P(DisplayCheckTest, ShowsTheRightNotices)
{
    const DisplayCase& c = GetParam();
    const DisplayCheck result = DisplayCheck::run(c.width, c.height, c.depth);
    if (c.resolutionMessage)
        EXPECT_EQ(result.resolutionMessage.value_or(QString()),
                  QString::fromUtf8(c.resolutionMessage));
    else
        EXPECT_FALSE(result.resolutionMessage.has_value());
    if (c.colourMessage)
        EXPECT_EQ(result.colourMessage.value_or(QString()), QString::fromUtf8(c.colourMessage));
    else
        EXPECT_FALSE(result.colourMessage.has_value());
}

#define TOO_SMALL(w, h)                                                                            \
    "Bitte wählen Sie eine höhrere Bildschirmauflösung. Pelvaro! kann bei der aktuell "         \
    "eingestellten Auflösung von " #w " x " #h " nicht ausgeführt werden."
#define COLOURS(n)                                                                                 \
    "Ihr System kann zur Zeit nur " #n " Farben darstellen. \n\nFür eine bessere Darstellung "    \
    "der Programmelemente sollten Sie über die Systemsteuerung eine höhere Farbanzahl "          \
    "auswählen."

INSTANTIATE_TEST_SUITE_P(Screens, DisplayCheckTest,
                         ::testing::Values(DisplayCase{640, 480, 32, TOO_SMALL(640, 480), nullptr},
                                           DisplayCase{799, 600, 32, TOO_SMALL(799, 600), nullptr},
                                           DisplayCase{800, 599, 8, TOO_SMALL(800, 599), nullptr},
                                           DisplayCase{800, 600, 32, nullptr, nullptr},
                                           DisplayCase{1024, 768, 8, nullptr, COLOURS(256)},
                                           DisplayCase{1024, 768, 4, nullptr, COLOURS(16)},
                                           DisplayCase{1024, 768, 16, nullptr, nullptr},
                                           DisplayCase{1920, 1080, 24, nullptr, nullptr}));
