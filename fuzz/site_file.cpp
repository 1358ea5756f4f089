// Site-info files: the record and the extension trailer after it, split as SiteFile::read
// splits a file, then saved and read again as saving and reopening the site does. The bytes go to
// the decoders directly: SiteFile::read asks the file for up to MaxTrailer bytes, and under the
// address sanitizer the 16 MB buffer that reserves costs milliseconds per input.

#include "FuzzSupport.h"
#include "site/SiteFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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
    // Whatever a file held, the program can save the record read from it, and opening that
    // file again gives the same site: the same record bytes (a date's bits may be a NaN,
    // which compares unequal to itself), key, addresses and ledger.
    const QByteArray saved = record.encode() + SiteFile::encodeTrailer(record);
    SiteRecord reopened = SiteRecord::decode(saved.first(SiteRecord::ByteSize));
    SiteFile::decodeTrailer(QByteArrayView(saved).sliced(SiteRecord::ByteSize), reopened);
    if (reopened.encode() != record.encode() || reopened.indexNowKey != record.indexNowKey ||
        reopened.indexNowUrls != record.indexNowUrls || !(reopened.ledger == record.ledger)) {
        std::fprintf(stderr, "A site read and saved reads back differently.\n");
        std::abort();
    }
    return 0;
}
