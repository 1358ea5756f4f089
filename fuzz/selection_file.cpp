// Selection files (.suc) as "Auswahl laden" applies them to the sample catalogue.

#include "FuzzCatalogue.h"
#include "catalogue/SelectionFile.h"

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
    const QString path = pelvaro::fuzz::inputFile(data, size, QStringLiteral("auswahl.suc"));
    pelvaro::catalogue::SelectionFile::loadFileCommand(*catalogue.ui, *catalogue.module, path);
    return 0;
}
