// RTF files as the report editor opens them, and the document written back as it saves.

#include "FuzzSupport.h"
#include "reports/rtf/RtfCodec.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts and their metrics need a GUI application; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QTextDocument document;
    pelvaro::reports::rtf::readRtf(pelvaro::fuzz::bytesOf(data, size), document);
    static_cast<void>(pelvaro::reports::rtf::writeRtf(document));
    return 0;
}
