// Catalogue sources: CSV text as the catalogue import reads it (UTF-8, an optional byte order
// mark).

#include "FuzzSupport.h"
#include "base/Error.h"
#include "catalogue/CsvReader.h"

using pelvaro::catalogue::CsvReader;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = pelvaro::fuzz::bytesOf(data, size);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    try {
        static_cast<void>(CsvReader::parse(QString::fromUtf8(bytes), QStringLiteral("dba.csv")));
    } catch (const pelvaro::Error&) {
        // A malformed record is refused with its line: an answer, not a fault.
    }
    return 0;
}
