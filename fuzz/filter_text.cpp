// Filter texts of the catalogue views, compiled against the services table with the German
// date format the views are written in.

#include "FuzzSupport.h"
#include "base/Error.h"
#include "catalogue/store/FilterExpression.h"

using pelvaro::catalogue::store::CatalogueSchema;
using pelvaro::catalogue::store::FilterExpression;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QLocale german(QLocale::German, QLocale::Germany);
    const QString text = QString::fromUtf8(pelvaro::fuzz::bytesOf(data, size));
    try {
        static_cast<void>(FilterExpression::compile(text, CatalogueSchema::dba(), german));
    } catch (const pelvaro::Error&) {
        // A fault named with its position: an answer, not a crash.
    }
    return 0;
}
