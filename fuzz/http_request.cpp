// HTTP requests as the demo service farm reads them from its connections; parsed as they grow,
// the way a server sees the bytes arrive, and consumed request by request as a connection
// that sends several.

#include "FuzzSupport.h"
#include "submit/HttpRequestParser.h"

using pelvaro::submit::HttpRequestParser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Every prefix a read could end at would be quadratic; a few cuts show partial requests.
    for (const qsizetype cut : {bytes.size() / 3, bytes.size() / 2}) {
        HttpRequestParser::Request partial;
        static_cast<void>(HttpRequestParser::parse(bytes.first(cut), partial));
    }
    QByteArrayView rest = bytes;
    while (!rest.isEmpty()) {
        HttpRequestParser::Request request;
        if (HttpRequestParser::parse(rest, request) != HttpRequestParser::Status::Complete)
            break;
        static_cast<void>(request.header("Content-Type"));
        if (request.size <= 0 || request.size > rest.size())
            __builtin_trap(); // a complete request must account for bytes it was given
        rest = rest.sliced(request.size);
    }
    return 0;
}
