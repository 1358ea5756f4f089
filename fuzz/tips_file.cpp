// Tips files as the tip window opens them, rotated as "Nächster Tip" and "OK" do.

#include "FuzzSupport.h"
#include "app/TipsFile.h"
#include "base/Error.h"

using pelvaro::app::TipsFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = pelvaro::fuzz::inputFile(data, size, QStringLiteral("tips.txt"));
    try {
        TipsFile tips = TipsFile::load(path);
        static_cast<void>(tips.current());
        tips.next();
        // Writes the file back in the encoding and with the line ends it was read with.
        tips.finish();
    } catch (const pelvaro::Error&) {
        // Missing, unreadable or without a tip: refused with a German text.
    }
    return 0;
}
