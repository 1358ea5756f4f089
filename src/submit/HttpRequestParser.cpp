#include "submit/HttpRequestParser.h"

#include <algorithm>
#include <array>
#include <optional>

namespace pelvaro::submit {

namespace {

using Status = HttpRequestParser::Status;

constexpr std::array<QByteArrayView, 3> Methods = {"GET", "HEAD", "POST"};
constexpr std::array<QByteArrayView, 3> MethodsWithBlank = {"GET ", "HEAD ", "POST "};

bool isControl(char c)
{
    return (c >= 0 && c < 0x20) || c == 0x7f;
}

// Whether the bytes so far can still begin a request line: refusing garbage before its
// first line end spares waiting for a line that will never make sense.
bool couldStartRequest(QByteArrayView data)
{
    return std::any_of(MethodsWithBlank.begin(), MethodsWithBlank.end(), [&](QByteArrayView start) {
        const qsizetype n = std::min(data.size(), start.size());
        return data.first(n) == start.first(n);
    });
}

QByteArrayView withoutCr(QByteArrayView line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

QByteArray hostWithoutPort(QByteArrayView authority)
{
    const qsizetype at = authority.lastIndexOf('@');
    if (at >= 0)
        authority = authority.sliced(at + 1);
    if (authority.startsWith('[')) {
        const qsizetype close = authority.indexOf(']');
        return (close > 0 ? authority.first(close + 1) : authority).toByteArray().toLower();
    }
    const qsizetype colon = authority.indexOf(':');
    return (colon >= 0 ? authority.first(colon) : authority).toByteArray().toLower();
}

bool parseRequestLine(QByteArrayView line, HttpRequestParser::Request& out)
{
    if (std::any_of(line.begin(), line.end(), isControl))
        return false;
    const qsizetype first = line.indexOf(' ');
    const qsizetype last = line.lastIndexOf(' ');
    if (first <= 0 || last <= first + 1)
        return false;
    out.method = line.first(first).toByteArray();
    out.target = line.sliced(first + 1, last - first - 1).toByteArray();
    out.version = line.sliced(last + 1).toByteArray();
    if (std::find(Methods.begin(), Methods.end(), QByteArrayView(out.method)) == Methods.end())
        return false;
    if (out.version != "HTTP/1.0" && out.version != "HTTP/1.1")
        return false;
    if (out.target.startsWith('/')) {
        out.pathAndQuery = out.target;
        return true;
    }
    if (out.target.left(7).toLower() != "http://")
        return false;
    // Absolute form, as a proxy sees it: the service's host is in the address.
    const QByteArrayView rest = QByteArrayView(out.target).sliced(7);
    qsizetype authorityEnd = rest.size();
    for (const char stop : {'/', '?'}) {
        const qsizetype at = rest.indexOf(stop);
        if (at >= 0)
            authorityEnd = std::min(authorityEnd, at);
    }
    out.host = hostWithoutPort(rest.first(authorityEnd));
    if (out.host.isEmpty())
        return false;
    out.pathAndQuery = rest.sliced(authorityEnd).toByteArray();
    if (!out.pathAndQuery.startsWith('/'))
        out.pathAndQuery.prepend('/');
    return true;
}

bool isHeaderName(QByteArrayView name)
{
    return !name.isEmpty() && std::none_of(name.begin(), name.end(), [](char c) {
        return isControl(c) || c == ' ' || c == '\t';
    });
}

// The body length the headers announce: none, a length, or a value that is no length.
struct BodyLength
{
    bool valid = true;
    std::optional<qsizetype> length;
};

BodyLength announcedLength(const HttpRequestParser::Request& request)
{
    BodyLength out;
    for (const auto& [name, value] : request.headers) {
        if (name.compare("Content-Length", Qt::CaseInsensitive) != 0)
            continue;
        const bool digits =
            !value.isEmpty() && value.size() <= 10 &&
            std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
        const qlonglong length = digits ? value.toLongLong() : -1;
        if (length < 0 || length > HttpRequestParser::MaxBodyBytes ||
            (out.length && *out.length != length)) {
            out.valid = false;
            return out;
        }
        out.length = qsizetype(length);
    }
    return out;
}

} // namespace

QByteArray HttpRequestParser::Request::header(QByteArrayView name) const
{
    for (const auto& [headerName, value] : headers) {
        if (headerName.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

HttpRequestParser::Status HttpRequestParser::parse(QByteArrayView data, Request& out)
{
    out = Request();
    if (!couldStartRequest(data))
        return Status::Malformed;
    qsizetype lineEnd = data.indexOf('\n');
    if (lineEnd < 0)
        return data.size() > MaxHeadBytes ? Status::Malformed : Status::NeedMore;
    if (lineEnd >= MaxHeadBytes)
        return Status::Malformed;
    if (!parseRequestLine(withoutCr(data.first(lineEnd)), out))
        return Status::Malformed;

    qsizetype headEnd = -1;
    for (qsizetype lineStart = lineEnd + 1; headEnd < 0; lineStart = lineEnd + 1) {
        lineEnd = data.indexOf('\n', lineStart);
        if (lineEnd < 0)
            return data.size() > MaxHeadBytes ? Status::Malformed : Status::NeedMore;
        if (lineEnd >= MaxHeadBytes)
            return Status::Malformed;
        const QByteArrayView line = withoutCr(data.sliced(lineStart, lineEnd - lineStart));
        if (line.isEmpty()) {
            headEnd = lineEnd + 1;
        } else if (line.startsWith(' ') || line.startsWith('\t')) {
            // A folded line continues the header above it.
            if (out.headers.isEmpty())
                return Status::Malformed;
            out.headers.last().second =
                (out.headers.last().second + ' ' + line.trimmed().toByteArray()).trimmed();
        } else {
            const qsizetype colon = line.indexOf(':');
            if (colon < 0 || !isHeaderName(line.first(colon)))
                return Status::Malformed;
            out.headers.append(
                {line.first(colon).toByteArray(), line.sliced(colon + 1).trimmed().toByteArray()});
        }
    }

    const BodyLength body = announcedLength(out);
    // HTTP/1.0 knows no other way to end a request body than its announced length.
    if (!body.valid || (out.method == "POST" && !body.length))
        return Status::Malformed;
    const qsizetype length = body.length.value_or(0);
    if (data.size() - headEnd < length)
        return Status::NeedMore;

    if (out.host.isEmpty())
        out.host = hostWithoutPort(out.header("Host"));
    const qsizetype question = out.pathAndQuery.indexOf('?');
    out.path = question < 0 ? out.pathAndQuery : out.pathAndQuery.left(question);
    if (question >= 0)
        out.query = out.pathAndQuery.mid(question + 1);
    out.body = data.sliced(headEnd, length).toByteArray();
    out.size = headEnd + length;
    return Status::Complete;
}

} // namespace pelvaro::submit
