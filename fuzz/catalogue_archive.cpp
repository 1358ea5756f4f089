// Catalogue updates as downloaded from the product's server (a gzip-compressed tar of the
// three catalogue sources), installed into the sample catalogue as the update does. An
// archive that installs replaces the catalogue the next input meets; the selection it keeps
// is carried by Nr, so what the next input does hardly depends on it.

#include "FuzzCatalogue.h"
#include "base/Error.h"
#include "updates/CatalogueArchive.h"

namespace {
pelvaro::fuzz::SampleCatalogue catalogue;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    catalogue = pelvaro::fuzz::openSampleCatalogue(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = pelvaro::fuzz::inputFile(data, size, QStringLiteral("katalog.tar.gz"));
    try {
        static_cast<void>(pelvaro::updates::CatalogueArchive::install(*catalogue.module, path));
    } catch (const pelvaro::Error&) {
        // A broken archive is refused with its reason and the catalogue stays as it was.
    }
    return 0;
}
