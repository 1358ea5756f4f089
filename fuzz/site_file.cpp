// Site-info files: the record and the extension trailer after it, split as SiteFile::read
// splits a file, then written back as saving the opened site does. The bytes go to the decoders
// directly: SiteFile::read asks the file for up to MaxTrailer bytes, and under the address
// sanitizer the 16 MB buffer that reserves costs milliseconds per input.

#include "FuzzSupport.h"
#include "site/SiteFile.h"

#include <algorithm>

using pelvaro::site::SiteFile;
using pelvaro::site::SiteRecord;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = pelvaro::fuzz::bytesOf(data, size);
    if (bytes.size() < SiteRecord::ByteSize)
        return 0; // refused as too short before anything is decoded
    SiteRecord record = SiteRecord::decode(bytes.first(SiteRecord::ByteSize));
    SiteFile::decodeTrailer(
        QByteArrayView(bytes)
            .sliced(SiteRecord::ByteSize)
            .first(std::min(bytes.size() - SiteRecord::ByteSize, SiteFile::MaxTrailer)),
        record);
    // Whatever a file held, the record read from it must be one the program can save again.
    static_cast<void>(record.encode());
    static_cast<void>(SiteFile::encodeTrailer(record));
    return 0;
}
