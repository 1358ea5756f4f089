#include "submit/HttpRequestParser.h"

#include <gtest/gtest.h>

using pelvaro::submit::HttpRequestParser;
using Status = HttpRequestParser::Status;

namespace {

struct ParseCase
{
    const char* name;
    QByteArray input;
    Status status;
    // For complete requests:
    QByteArray method = {};
    QByteArray host = {};
    QByteArray path = {};
    QByteArray query = {};
    QByteArray body = {};
    qsizetype after = 0; // bytes of the input behind the request
};

class RequestParsing : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(RequestParsing, FindsTheRequestOrSaysWhyNot)
{
    const ParseCase& c = GetParam();
    HttpRequestParser::Request request;

    const Status status = HttpRequestParser::parse(c.input, request);

    ASSERT_EQ(int(status), int(c.status));
    if (status != Status::Complete)
        return;
    EXPECT_EQ(request.method.toStdString(), c.method.toStdString());
    EXPECT_EQ(request.host.toStdString(), c.host.toStdString());
    EXPECT_EQ(request.path.toStdString(), c.path.toStdString());
    EXPECT_EQ(request.query.toStdString(), c.query.toStdString());
    EXPECT_EQ(request.body.toStdString(), c.body.toStdString());
    EXPECT_EQ(request.size, c.input.size() - c.after);
}

const QByteArray head = "Accept: */*\r\nHost: Www.Suchfix.Example:8080\r\n";

INSTANTIATE_TEST_SUITE_P(
    HttpRequestParser, RequestParsing,
    ::testing::Values(
        // Complete requests.
        ParseCase{"OriginGetTakesTheHostHeader",
                  "GET /add.cgi?a=1&b=2 HTTP/1.0\r\n" + head + "\r\n", Status::Complete, "GET",
                  "www.suchfix.example", "/add.cgi", "a=1&b=2"},
        ParseCase{"ProxyGetTakesTheAddressHost",
                  "GET http://USER:pw@Dienst.Example:81?x=y z HTTP/1.1\r\nHost: other\r\n\r\n",
                  Status::Complete, "GET", "dienst.example", "/", "x=y z"},
        ParseCase{"PostBodyByContentLengthExtraBytesLeft",
                  "POST http://[::1]:8080/s HTTP/1.0\r\ncontent-length: 3\r\n\r\na=1NEXT",
                  Status::Complete, "POST", "[::1]", "/s", "", "a=1", 4},
        ParseCase{"BareLineFeedsAndFoldedHeader",
                  "GET / HTTP/1.0\nX-Lang: eins\n  zwei\nHost: h\n\n", Status::Complete, "GET", "h",
                  "/"},
        ParseCase{"HeadIsAnHttp10Method", "HEAD /x HTTP/1.0\r\n\r\n", Status::Complete, "HEAD", "",
                  "/x"},
        // Not there yet.
        ParseCase{"Nothing", "", Status::NeedMore},
        ParseCase{"MethodBegun", "PO", Status::NeedMore},
        ParseCase{"HeadOpen", "GET / HTTP/1.0\r\nHost: h\r\n", Status::NeedMore},
        ParseCase{"BodyShort", "POST / HTTP/1.0\r\nContent-Length: 9\r\n\r\nkurz",
                  Status::NeedMore},
        // No request, whatever may follow.
        ParseCase{"GarbageBeforeAnyLineEnd", QByteArray("\x16\x03\x01\x02\x00", 5),
                  Status::Malformed},
        ParseCase{"OtherMethod", "DELETE http://a.example/ HTTP/1.0\r\n", Status::Malformed},
        ParseCase{"ConnectTarget", "CONNECT a.example:443 HTTP/1.1\r\n", Status::Malformed},
        ParseCase{"NoVersion", "GET /servlet/AddUrl\r\n\r\n", Status::Malformed},
        ParseCase{"OtherVersion", "GET / HTTP/2.0\r\n\r\n", Status::Malformed},
        ParseCase{"HttpsTarget", "GET https://a.example/ HTTP/1.0\r\n\r\n", Status::Malformed},
        ParseCase{"TargetWithoutScheme", "GET a.example/x HTTP/1.0\r\n\r\n", Status::Malformed},
        ParseCase{"AbsoluteWithoutHost", "GET http:/// HTTP/1.0\r\n\r\n", Status::Malformed},
        ParseCase{"CarriageReturnInsideTheLine", "GET /a\rX: 1 HTTP/1.0\r\n\r\n",
                  Status::Malformed},
        ParseCase{"HeaderWithoutColon", "GET / HTTP/1.0\r\nkein Kopf\r\n\r\n", Status::Malformed},
        ParseCase{"FoldBeforeAnyHeader", "GET / HTTP/1.0\r\n weiter\r\n\r\n", Status::Malformed},
        ParseCase{"PostWithoutLength", "POST / HTTP/1.0\r\n\r\na=1", Status::Malformed},
        ParseCase{"LengthNoNumber", "POST / HTTP/1.0\r\nContent-Length: x1\r\n\r\na",
                  Status::Malformed},
        ParseCase{"LengthsDisagree",
                  "POST / HTTP/1.0\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab",
                  Status::Malformed},
        ParseCase{"LengthOverTheCap", "POST / HTTP/1.0\r\nContent-Length: 9999999999\r\n\r\n",
                  Status::Malformed},
        ParseCase{"HeadOverTheCap",
                  "GET / HTTP/1.0\r\n" + QByteArray("X-Fuell: 1234567890\r\n").repeated(4000),
                  Status::Malformed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HttpRequestParser, HeaderLookupIgnoresCase)
{
    HttpRequestParser::Request request;
    ASSERT_EQ(int(HttpRequestParser::parse("GET / HTTP/1.0\r\nX-Eins:  a b \r\nx-eins: c\r\n\r\n",
                                           request)),
              int(Status::Complete));
    EXPECT_EQ(request.header("X-EINS").toStdString(), "a b");
    EXPECT_TRUE(request.header("Host").isEmpty());
    ASSERT_EQ(request.headers.size(), 2);
    EXPECT_EQ(request.headers.at(1).first.toStdString(), "x-eins");
}

} // namespace
