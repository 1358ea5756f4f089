// Update information pages as the update check reads them: Windows-1252 bytes, one tag per
// line, the date read back when the page names one.

#include "FuzzSupport.h"
#include "base/Error.h"
#include "updates/InfoPageParser.h"

using pelvaro::updates::InfoPageParser;
using pelvaro::updates::TWfiTags;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TWfiTags tags = [] {
        TWfiTags all;
        all.AuthorEMailTag = QStringLiteral("email");
        all.ReadMeExtTag = QStringLiteral("infoext");
        all.RedirectTag = QStringLiteral("redirect");
        return all;
    }();
    const QString text = InfoPageParser::decode(pelvaro::fuzz::bytesOf(data, size));
    const pelvaro::updates::InfoValues values = InfoPageParser::parse(text, tags);
    try {
        static_cast<void>(InfoPageParser::parseDate(values.ProductDateStr));
    } catch (const pelvaro::Error&) {
        // A date of another form is refused: an answer, not a crash.
    }
    return 0;
}
