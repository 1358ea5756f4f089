// HTML pages whose META tags "Importieren" reads into the meta-tag form, and the HEAD section
// the head view shows.

#include "FuzzSupport.h"
#include "tools/MetaTagImporter.h"

using pelvaro::tools::MetaTagImporter;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QLocale german(QLocale::German, QLocale::Germany);
    const QString path = pelvaro::fuzz::inputFile(data, size, QStringLiteral("seite.html"));
    static_cast<void>(MetaTagImporter::importFile(path, pelvaro::tools::MetaTagForm(), german));
    static_cast<void>(MetaTagImporter::extractHead(path, MetaTagImporter::HeadPart::ForView));
    return 0;
}
