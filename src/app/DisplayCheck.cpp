#include "app/DisplayCheck.h"

#include "base/AppInfo.h"

namespace pelvaro::app {

DisplayCheck DisplayCheck::run(int width, int height, int bitsPerPixel)
{
    DisplayCheck result;
    if (width < 800 || height < 600) {
        result.resolutionMessage =
            QStringLiteral("Bitte wählen Sie eine höhrere Bildschirmauflösung. %1 kann bei der "
                           "aktuell eingestellten Auflösung von %2 x %3 nicht ausgeführt werden.")
                .arg(base::AppInfo::title())
                .arg(width)
                .arg(height);
        return result;
    }
    // Only the two palette modes earn the notice; deeper displays are fine.
    if (bitsPerPixel == 4 || bitsPerPixel == 8) {
        const int colours = 1 << bitsPerPixel;
        result.colourMessage =
            QStringLiteral(
                "Ihr System kann zur Zeit nur %1 Farben darstellen. \n\nFür eine bessere "
                "Darstellung der Programmelemente sollten Sie über die Systemsteuerung "
                "eine höhere Farbanzahl auswählen.")
                .arg(colours);
    }
    return result;
}

} // namespace pelvaro::app
