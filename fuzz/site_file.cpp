// Site-info files: the record and the extension trailer after it, read as the program opens a
// file, then written back as saving the opened site does.

#include "FuzzSupport.h"
#include "site/SiteFile.h"

using pelvaro::site::SiteFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = pelvaro::fuzz::inputFile(data, size, QStringLiteral("site.sit"));
    const SiteFile::ReadResult result = SiteFile::read(path);
    if (result.failure != SiteFile::Failure::None)
        return 0;
    // Whatever a file held, the record read from it must be one the program can save again.
    static_cast<void>(result.record.encode());
    static_cast<void>(SiteFile::encodeTrailer(result.record));
    return 0;
}
