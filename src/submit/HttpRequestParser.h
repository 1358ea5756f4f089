#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

namespace pelvaro::submit {

// Reads one HTTP/1.0 request from the bytes a server has received on a connection so far:
// the request line ("GET", "HEAD" or "POST", the target, "HTTP/1.0" or "HTTP/1.1"), the
// header lines up to the empty line, and for a Content-Length that many body bytes. The
// demo service farm and the tests' recording server both read requests through it, so
// they agree on what a request is.
//
// Line ends may be CR LF or a bare LF (a request typed into a terminal). A GET query
// written without escaping may hold blanks, so the target is everything between the first
// and the last blank of the request line. The target is either origin form ("/path?query")
// or an absolute "http://" address, as a proxy receives it.
class HttpRequestParser
{
public:
    static constexpr qsizetype MaxHeadBytes = 64 * 1024;
    static constexpr qsizetype MaxBodyBytes = 8 * 1024 * 1024;

    enum class Status
    {
        NeedMore,  // nothing wrong so far, but the request is not complete
        Complete,  // the request is in `Request`; `size` bytes belong to it
        Malformed, // no HTTP/1.0 request, whatever follows
    };

    struct Request
    {
        QByteArray method;
        QByteArray target; // as received
        QByteArray version;
        QList<QPair<QByteArray, QByteArray>> headers; // name as sent, value trimmed
        QByteArray host;         // lower case, without port: from the target, else from Host
        QByteArray pathAndQuery; // the target in origin form ("/" when it names no path)
        QByteArray path;         // without the query
        QByteArray query;        // after the first "?", without it
        QByteArray body;
        qsizetype size = 0; // head and body

        // The first header of that name (any case), trimmed; empty when there is none.
        QByteArray header(QByteArrayView name) const;
    };

    // The request at the start of `data`. For NeedMore and Malformed, `out` holds whatever
    // was read so far and must not be relied upon.
    static Status parse(QByteArrayView data, Request& out);
};

} // namespace pelvaro::submit
