#include "cli/DemoServer.h"

#include "catalogue/TDataModule1.h"
#include "updates/CatalogueArchive.h"

#include "catalogue/CsvReader.h"

#include "CatalogueFixture.h"
#include "ScriptedUiServices.h"
#include "TestDirs.h"

#include <QFile>
#include <QStringEncoder>
#include <QTextStream>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using pelvaro::cli::DemoServer;
using Outcome = DemoServer::Outcome;

namespace {

// Services of the sample catalogue whose answer kind is known; a run must give each the same
// answer every time.
const QByteArray acceptingService = "http://probedeck.example/servlet/AddUrl";
const QByteArray redirectingService = "http://heimwerker-katalog.invalid/scripts/add.asp";
const QByteArray missingService = "http://www.cobalt-site-finder.example/cgi/save.cgi";
const QByteArray failingService =
    "http://cgi.feines-seitenregister.example/anmeldung/speichern.php";

QByteArray windows1252(const QString& text)
{
    QStringEncoder encoder("windows-1252");
    return encoder.encode(text);
}

// A proxy-form POST as the program sends it.
QByteArray proxyPost(const QByteArray& address, const QByteArray& body)
{
    const QByteArray host = QUrl(QString::fromLatin1(address)).host().toLatin1();
    return "POST " + address +
           " HTTP/1.0\r\n"
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "Referer: http://www.trevanix.example/pelvaro/\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\n"
           "User-Agent: Mozilla/3.0 (compatible)\r\n"
           "Host: " +
           host + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray originGet(const QByteArray& host, const QByteArray& pathAndQuery)
{
    return "GET " + pathAndQuery +
           " HTTP/1.0\r\n"
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible)\r\n"
           "Host: " +
           host + "\r\n\r\n";
}

struct Reply
{
    int status = 0;
    QByteArray head;
    QByteArray body;
};

Reply parseReply(const QByteArray& bytes)
{
    Reply reply;
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    reply.head = end < 0 ? bytes : bytes.left(end + 2);
    reply.body = end < 0 ? QByteArray() : bytes.mid(end + 4);
    if (bytes.startsWith("HTTP/1.0 "))
        reply.status = bytes.mid(9, 3).toInt();
    return reply;
}

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    // A watchdog, so a server that never answers fails the test instead of hanging it.
    timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    return fd;
}

QByteArray readToEnd(int fd)
{
    QByteArray answer;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        answer.append(buffer, n);
    return answer;
}

Reply exchange(quint16 port, const QList<QByteArray>& pieces, bool halfClose = false);

// A whole exchange on a connection of its own. The farm reads every connection that has
// bytes waiting in each round of its loop, so when this answer is back, whatever another
// connection had sent before has been read.
void roundTrip(quint16 port)
{
    exchange(port, {"hello\r\n\r\n"});
}

// One exchange as a plain client: the request may come in pieces, each read by the farm
// before the next is sent; halfClose ends the sending side, as a client that gives up on
// its request would.
Reply exchange(quint16 port, const QList<QByteArray>& pieces, bool halfClose)
{
    const int fd = connectTo(port);
    if (fd < 0)
        return {};
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            roundTrip(port);
        ::send(fd, pieces.at(i).constData(), std::size_t(pieces.at(i).size()), MSG_NOSIGNAL);
    }
    if (halfClose)
        ::shutdown(fd, SHUT_WR);
    const QByteArray answer = readToEnd(fd);
    ::close(fd);
    return parseReply(answer);
}

TEST(DemoServerOutcome, SampleCatalogueGetsTheIntendedMix)
{
    QFile file(pelvaro::test::sampleCatalogueSource() + QStringLiteral("/dba.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto records = pelvaro::catalogue::CsvReader::parse(QString::fromUtf8(file.readAll()),
                                                              QStringLiteral("dba.csv"));
    ASSERT_FALSE(records.empty());
    const qsizetype action = records.front().fields.indexOf(QStringLiteral("Action"));
    const qsizetype indexNow = records.front().fields.indexOf(QStringLiteral("IndexNow"));
    ASSERT_GE(action, 0);
    ASSERT_GE(indexNow, 0);

    std::map<Outcome, int> counts;
    int services = 0;
    int endpoints = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
        const QUrl url(records[i].fields.value(action));
        if (url.host().isEmpty())
            continue;
        // The IndexNow endpoints take JSON posts to /indexnow, which the farm answers as an
        // endpoint, never with a form's answer.
        if (records[i].fields.value(indexNow) == QLatin1String("True")) {
            EXPECT_EQ(url.path(), QStringLiteral("/indexnow"));
            ++endpoints;
            continue;
        }
        ++services;
        ++counts[DemoServer::outcomeFor(url.host().toUtf8() + url.path().toUtf8())];
    }
    // The answer kind is a fixed hash of each address, so these counts are exact: the
    // catalogue's 521 form services make roughly four of five accept, and a few of each other
    // kind. A changed catalogue needs them counted again (and the mix looked at).
    EXPECT_EQ(endpoints, 6);
    EXPECT_EQ(services, 521);
    EXPECT_EQ(counts[Outcome::Accepted], 417);
    EXPECT_EQ(counts[Outcome::Redirected], 41);
    EXPECT_EQ(counts[Outcome::NotFound], 27);
    EXPECT_EQ(counts[Outcome::ServerError], 36);
}

TEST(DemoServerOutcome, IsFixedPerServiceWhicheverWayItIsAsked)
{
    // The same service answers alike directly and through the proxy, with any port, query
    // or spelling of its host, and in every run (the statuses are pinned here).
    const std::vector<std::pair<QByteArray, int>> services = {
        {acceptingService, 200},
        {redirectingService, 302},
        {missingService, 404},
        {failingService, 500},
    };
    for (const auto& [address, status] : services) {
        SCOPED_TRACE(address.toStdString());
        const QUrl url(QString::fromLatin1(address));
        const QByteArray host = url.host().toLatin1();
        const QByteArray path = url.path().toLatin1();
        EXPECT_EQ(parseReply(DemoServer::responseFor(proxyPost(address, "a=1"))).status, status);
        EXPECT_EQ(parseReply(DemoServer::responseFor("GET http://" + host.toUpper() + ":80" + path +
                                                     "?x=y HTTP/1.0\r\n\r\n"))
                      .status,
                  status);
        EXPECT_EQ(
            parseReply(DemoServer::responseFor(originGet(host + ":8080", path + "?q=1"))).status,
            status);
    }
}

TEST(DemoServerResponse, ThankYouPageListsTheReceivedFieldsDecoded)
{
    // Bodies go out unescaped in Windows-1252: blanks, umlauts as single bytes, "=", "?" and
    // "+" inside values.
    const QByteArray body = windows1252(QStringLiteral(
        "name=Jürgen Weiß&titel=A<b> = c?d+e&preis=5 €&leer=&ohnewert&&url=http://x.example/?a=b"));
    const Reply reply = parseReply(DemoServer::responseFor(proxyPost(acceptingService, body)));
    ASSERT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.head.contains("Content-Length: " + QByteArray::number(reply.body.size())));
    const QString page = QString::fromUtf8(reply.body);
    EXPECT_TRUE(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(page.contains(QStringLiteral("Vielen Dank")));
    for (const QString& row : {
             QStringLiteral("<tr><td>name</td><td>Jürgen Weiß</td></tr>"),
             QStringLiteral("<tr><td>titel</td><td>A&lt;b&gt; = c?d+e</td></tr>"),
             QStringLiteral("<tr><td>preis</td><td>5 €</td></tr>"),
             QStringLiteral("<tr><td>leer</td><td></td></tr>"),
             QStringLiteral("<tr><td>ohnewert</td><td></td></tr>"),
             QStringLiteral("<tr><td>url</td><td>http://x.example/?a=b</td></tr>"),
         })
        EXPECT_TRUE(page.contains(row)) << row.toStdString() << "\n" << page.toStdString();
    EXPECT_EQ(page.count(QStringLiteral("<tr><td>")), 6);
}

TEST(DemoServerResponse, OriginGetListsTheQueryEvenWithBlanks)
{
    const QUrl url(QString::fromLatin1(acceptingService));
    const Reply reply = parseReply(DemoServer::responseFor(
        originGet(url.host().toLatin1(), url.path().toLatin1() + "?q=zwei Worte&x=1")));
    ASSERT_EQ(reply.status, 200);
    const QString page = QString::fromUtf8(reply.body);
    EXPECT_TRUE(page.contains(QStringLiteral("<tr><td>q</td><td>zwei Worte</td></tr>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<tr><td>x</td><td>1</td></tr>")));
}

TEST(DemoServerResponse, FailuresAndRedirectsHaveTheirStatusLines)
{
    const Reply redirect =
        parseReply(DemoServer::responseFor(proxyPost(redirectingService, "a=1")));
    EXPECT_TRUE(redirect.head.startsWith("HTTP/1.0 302 Found\r\n"));
    EXPECT_TRUE(redirect.head.contains("\r\nLocation: http://heimwerker-katalog.invalid/"));
    EXPECT_TRUE(redirect.body.isEmpty());
    // Asked inside a TLS tunnel, the farm sends the browser on over https.
    EXPECT_TRUE(DemoServer::responseFor(proxyPost(redirectingService, "a=1"), true)
                    .contains("\r\nLocation: https://heimwerker-katalog.invalid/"));

    EXPECT_TRUE(DemoServer::responseFor(proxyPost(missingService, "a=1"))
                    .startsWith("HTTP/1.0 404 Not Found\r\n"));
    EXPECT_TRUE(DemoServer::responseFor(proxyPost(failingService, "a=1"))
                    .startsWith("HTTP/1.0 500 Internal Server Error\r\n"));
}

// The farm's IndexNow endpoint: a host named after a status answers with it, any other
// host checks the body as the real endpoints do.
TEST(DemoServerResponse, IndexNowEndpointAnswersEveryOutcome)
{
    const QByteArray good = R"({"host":"www.example.org","key":"abcdef12","keyLocation":)"
                            R"("https://www.example.org/abcdef12.txt","urlList":)"
                            R"(["https://www.example.org/","https://www.example.org/neu.html"]})";
    const struct
    {
        const char* address;
        QByteArray body;
        const char* statusLine;
        const char* retryAfter;
    } cases[] = {
        {"http://indexnow.demo/indexnow", good, "HTTP/1.0 200 OK", nullptr},
        {"http://indexnow-202.demo/indexnow", good, "HTTP/1.0 202 Accepted", nullptr},
        {"http://indexnow-403.demo/indexnow", good, "HTTP/1.0 403 Forbidden", nullptr},
        {"http://indexnow-429.demo/indexnow", good, "HTTP/1.0 429 Too Many Requests", "120"},
        {"http://indexnow-429-ohne-wartezeit.demo/indexnow", good, "HTTP/1.0 429 Too Many Requests",
         nullptr},
        {"http://indexnow.demo/indexnow", "kein JSON", "HTTP/1.0 400 Bad Request", nullptr},
        {"http://indexnow.demo/indexnow", QByteArray(good).replace("abcdef12", "kurz"),
         "HTTP/1.0 422 Unprocessable Entity", nullptr},
        {"http://indexnow.demo/indexnow",
         QByteArray(good).replace("https://www.example.org/neu", "https://fremd.example/neu"),
         "HTTP/1.0 422 Unprocessable Entity", nullptr},
    };
    for (const auto& c : cases) {
        const Reply reply = parseReply(DemoServer::responseFor(proxyPost(c.address, c.body)));
        EXPECT_TRUE(reply.head.startsWith(QByteArray(c.statusLine) + "\r\n"))
            << c.address << " " << c.body.constData() << "\n"
            << reply.head.constData();
        EXPECT_EQ(reply.head.contains("\r\nRetry-After: "), c.retryAfter != nullptr) << c.address;
        if (c.retryAfter) {
            EXPECT_TRUE(reply.head.contains(QByteArray("\r\nRetry-After: ") + c.retryAfter));
        }
    }
}

// The farm plays the site as well: any host serves a key file for its key, unless its name
// says it has none or a wrong one.
TEST(DemoServerResponse, KeyFilesAreServedAsASiteWouldServeThem)
{
    const struct
    {
        const char* address;
        const char* statusLine;
        QByteArray body;
    } cases[] = {
        {"http://www.meine-site.example/abcdef12-Schluessel.txt", "HTTP/1.0 200 OK",
         "abcdef12-Schluessel\n"},
        {"http://ohne-schluessel.example/abcdef12-Schluessel.txt", "HTTP/1.0 404 Not Found", {}},
        {"http://falscher-schluessel.example/abcdef12-Schluessel.txt", "HTTP/1.0 200 OK",
         "ein-anderer-Schluessel\n"},
    };
    for (const auto& c : cases) {
        const Reply reply = parseReply(
            DemoServer::responseFor(QByteArray("GET ") + c.address + " HTTP/1.0\r\n\r\n"));
        EXPECT_TRUE(reply.head.startsWith(QByteArray(c.statusLine) + "\r\n")) << c.address;
        if (!c.body.isEmpty()) {
            EXPECT_EQ(reply.body, c.body) << c.address;
        }
    }
    // A text file whose name is no key is an ordinary page of a service.
    EXPECT_FALSE(DemoServer::responseFor("GET http://probedeck.example/kurz.txt HTTP/1.0\r\n\r\n")
                     .contains("\r\n\r\nkurz"));
}

TEST(DemoServerResponse, AnythingButAGetOrPostIsABadRequest)
{
    const QList<QByteArray> requests = {
        "CONNECT www.suchfix.example:443 HTTP/1.1\r\nHost: www.suchfix.example\r\n\r\n",
        "hello\r\n\r\n",
        "\r\n",
        "",
        "DELETE http://probedeck.example/ HTTP/1.0\r\n\r\n",
        "GET https://probedeck.example/servlet/AddUrl HTTP/1.0\r\n\r\n",
        "GET probedeck.example/servlet/AddUrl HTTP/1.0\r\n\r\n",
        "GET http:/// HTTP/1.0\r\n\r\n",
        "GET /servlet/AddUrl HTTP/2.0\r\n\r\n",
        "GET /servlet/AddUrl\r\n\r\n",
        "POST http://probedeck.example/servlet/AddUrl HTTP/1.0\r\n\r\na=1",
        "POST http://probedeck.example/servlet/AddUrl HTTP/1.0\r\nContent-Length: x1\r\n\r\na",
        "POST http://probedeck.example/servlet/AddUrl HTTP/1.0\r\nContent-Length: 9\r\n\r\nkurz",
        "GET /servlet/AddUrl HTTP/1.0\r\nHost: probedeck.example\r\n",
    };
    for (const QByteArray& request : requests) {
        const QByteArray answer = DemoServer::responseFor(request);
        EXPECT_TRUE(answer.startsWith("HTTP/1.0 400 Bad Request\r\n")) << request.toStdString();
    }
}

class DemoServerSocket : public ::testing::Test
{
protected:
    void start(int delayMs)
    {
        QString error;
        ASSERT_TRUE(m_server.listen(0, delayMs, &error)) << error.toStdString();
        ASSERT_NE(m_server.port(), 0);
    }

    DemoServer m_server;
};

TEST_F(DemoServerSocket, ProxyPostArrivingInPiecesGetsItsThankYouPage)
{
    start(0);
    const QByteArray request =
        proxyPost(acceptingService, windows1252(QStringLiteral("firma=Müller & Söhne&ort=Köln")));
    const qsizetype split = request.indexOf("\r\n\r\n") + 10;
    const Reply reply = exchange(m_server.port(), {request.left(split), request.mid(split)});
    ASSERT_EQ(reply.status, 200);
    const QString page = QString::fromUtf8(reply.body);
    EXPECT_TRUE(page.contains(QStringLiteral("<tr><td>firma</td><td>Müller </td></tr>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<tr><td> Söhne</td><td></td></tr>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<tr><td>ort</td><td>Köln</td></tr>")));
}

TEST_F(DemoServerSocket, OriginGetAndRedirectOverTheWire)
{
    start(0);
    const QUrl accepting(QString::fromLatin1(acceptingService));
    const Reply page =
        exchange(m_server.port(),
                 {originGet(accepting.host().toLatin1(), accepting.path().toLatin1() + "?s=1")});
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains("<tr><td>s</td><td>1</td></tr>"));

    const QUrl redirecting(QString::fromLatin1(redirectingService));
    const Reply redirect =
        exchange(m_server.port(), {"GET " + redirectingService + "?s=1 HTTP/1.0\r\nHost: " +
                                   redirecting.host().toLatin1() + "\r\n\r\n"});
    EXPECT_EQ(redirect.status, 302);
    EXPECT_TRUE(redirect.head.contains("\r\nLocation: "));
    EXPECT_TRUE(redirect.body.isEmpty());
}

TEST_F(DemoServerSocket, GarbageIsRefusedWithoutWaitingForMore)
{
    start(0);
    // A bad request line is answered before any blank line arrives (a tunnel's CONNECT is
    // a request of its own, see DemoServerTls).
    EXPECT_EQ(exchange(m_server.port(), {"BREW /kanne HTTP/1.1\r\n"}).status, 400);
    // Bytes without any line end, then the client stops sending.
    EXPECT_EQ(
        exchange(m_server.port(), {QByteArray("\x16\x03\x01\x02\x00garbage", 12)}, true).status,
        400);
    // A body shorter than announced.
    EXPECT_EQ(
        exchange(m_server.port(),
                 {"POST " + acceptingService + " HTTP/1.0\r\nContent-Length: 50\r\n\r\nname=kurz"},
                 true)
            .status,
        400);
    // Connecting and leaving at once must not upset the server.
    ::close(connectTo(m_server.port()));
    EXPECT_EQ(exchange(m_server.port(), {proxyPost(acceptingService, "a=1")}).status, 200);
}

// Each connection waits on its own clock: answers held back by the delay hold back neither
// each other nor the rest of the farm.
TEST_F(DemoServerSocket, DelayHoldsEachAnswerWithoutHoldingOthers)
{
    // An hour: none of the delayed answers can come while the test runs.
    start(3600 * 1000);
    std::vector<int> waiting;
    for (int i = 0; i < 10; ++i) {
        const int fd = connectTo(m_server.port());
        ASSERT_GE(fd, 0);
        const QByteArray request = proxyPost(acceptingService, "nr=" + QByteArray::number(i));
        ::send(fd, request.constData(), std::size_t(request.size()), MSG_NOSIGNAL);
        waiting.push_back(fd);
    }

    // A request the farm refuses is answered at once, without a delay, even now.
    EXPECT_EQ(exchange(m_server.port(), {"hello\r\n\r\n"}).status, 400);
    for (const int fd : waiting) {
        pollfd answer{fd, POLLIN, 0};
        EXPECT_EQ(::poll(&answer, 1, 0), 0) << "a delayed answer came early";
    }

    // Closing the farm drops the waiting connections.
    m_server.close();
    for (const int fd : waiting) {
        EXPECT_TRUE(readToEnd(fd).isEmpty());
        ::close(fd);
    }
}

TEST_F(DemoServerSocket, DelayedAnswersStillCome)
{
    start(1);
    std::vector<int> statuses(10);
    std::vector<std::thread> threads;
    for (int i = 0; i < 10; ++i) {
        threads.emplace_back([&, i] {
            statuses[std::size_t(i)] =
                exchange(m_server.port(),
                         {proxyPost(acceptingService, "nr=" + QByteArray::number(i))})
                    .status;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(statuses, std::vector<int>(10, 200));
}

TEST(DemoServerCommand, RejectsBadArguments)
{
    for (const QStringList& arguments : {
             QStringList{QStringLiteral("--port")},
             QStringList{QStringLiteral("--port"), QStringLiteral("70000")},
             QStringList{QStringLiteral("--delay"), QStringLiteral("-1")},
             QStringList{QStringLiteral("--delay"), QStringLiteral("bald")},
             QStringList{QStringLiteral("--lauschen")},
         }) {
        QString outText;
        QString errText;
        QTextStream out(&outText);
        QTextStream err(&errText);
        EXPECT_EQ(DemoServer::runCommand(arguments, out, err), 1)
            << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(errText.contains(QStringLiteral("Aufruf: pelvaro-cli demo-server")));
        EXPECT_TRUE(outText.isEmpty());
    }
}

TEST(DemoServerCommand, ReportsAPortInUse)
{
    DemoServer other;
    ASSERT_TRUE(other.listen(0, 0, nullptr));
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    EXPECT_EQ(
        DemoServer::runCommand({QStringLiteral("--port"), QString::number(other.port())}, out, err),
        1);
    EXPECT_TRUE(errText.contains(QString::number(other.port()))) << errText.toStdString();
}

// Lines the command prints, read from a pipe so the command's thread owns its stream.
class OutputPipe
{
public:
    OutputPipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            m_read = fds[0];
            m_file.open(fds[1], QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
        }
    }
    ~OutputPipe()
    {
        m_file.close();
        ::close(m_read);
    }

    QFile& device() { return m_file; }

    // The next line, or an empty text when none comes within ten seconds.
    QString nextLine()
    {
        while (!m_buffer.contains('\n')) {
            pollfd readable{m_read, POLLIN, 0};
            char buffer[512];
            if (::poll(&readable, 1, 10000) <= 0)
                return {};
            const ssize_t n = ::read(m_read, buffer, sizeof buffer);
            if (n <= 0)
                return {};
            m_buffer.append(buffer, n);
        }
        const qsizetype lf = m_buffer.indexOf('\n');
        const QString line = QString::fromUtf8(m_buffer.left(lf));
        m_buffer.remove(0, lf + 1);
        return line;
    }

private:
    int m_read = -1;
    QFile m_file;
    QByteArray m_buffer;
};

TEST(DemoServerCommand, ServesAndLogsUntilTerminated)
{
    OutputPipe pipe;
    int code = -1;
    QString errText;
    std::thread command([&] {
        QTextStream out(&pipe.device());
        out.setEncoding(QStringConverter::Utf8);
        QTextStream err(&errText);
        code = DemoServer::runCommand({QStringLiteral("--port"), QStringLiteral("0"),
                                       QStringLiteral("--verbose"), QStringLiteral("--delay"),
                                       QStringLiteral("1")},
                                      out, err);
    });

    const QString listening = pipe.nextLine();
    const QString prefix = QStringLiteral("Demo-Suchdienste lauschen auf 127.0.0.1:");
    ASSERT_TRUE(listening.startsWith(prefix)) << listening.toStdString();
    const quint16 port = quint16(listening.mid(prefix.size()).toUInt());
    ASSERT_NE(port, 0);
    EXPECT_TRUE(pipe.nextLine().contains(QStringLiteral("Andere, 127.0.0.1, Port %1").arg(port)));

    EXPECT_EQ(exchange(port, {proxyPost(failingService, "a=1")}).status, 500);
    EXPECT_EQ(pipe.nextLine(), QStringLiteral("POST %1 500").arg(QLatin1String(failingService)));
    EXPECT_EQ(exchange(port, {"hello\r\n\r\n"}).status, 400);
    EXPECT_EQ(pipe.nextLine(), QStringLiteral("hello 400"));

    ::kill(::getpid(), SIGTERM);
    command.join();
    EXPECT_EQ(code, 0) << errText.toStdString();
    EXPECT_EQ(pipe.nextLine(), QStringLiteral("Demo-Suchdienste beendet."));
    EXPECT_EQ(connectTo(port), -1);
}

} // namespace

TEST(DemoServerUpdates, PagesAnnounceNewerVersionsWithTheirFilesOnTheAddressedServer)
{
    struct Case
    {
        const char* page;
        const char* product;
        const char* version;
        const char* file;
        const char* info;
    };
    for (const Case& c : {Case{"/kelmora/engines.html", "Pelvaro! Suchdienste", "3.0",
                               "pelvaro-katalog-3.0.tar.gz", "katalog-info.txt"},
                          Case{"/kelmora/pv.html", "Pelvaro!", "1.7.0", "pelvaro_1.7.0_amd64.deb",
                               "pv-info.txt"}}) {
        const Reply page = parseReply(DemoServer::responseFor(originGet("127.0.0.1:8088", c.page)));
        ASSERT_EQ(page.status, 200) << c.page;
        const QList<QByteArray> lines = page.body.split('\n');
        const QByteArray base = "http://127.0.0.1:8088/kelmora/";
        for (const QByteArray& line :
             {"<META HTTP-EQUIV=\"produkt\" CONTENT=\"" + QByteArray(c.product) + "\">",
              "<META HTTP-EQUIV=\"version\" CONTENT=\"" + QByteArray(c.version) + "\">",
              QByteArray("<META HTTP-EQUIV=\"datum\" CONTENT=\"Dec 07, 2026\">"),
              QByteArray("<META HTTP-EQUIV=\"autor\" CONTENT=\"Trevanix GmbH\">"),
              "<META HTTP-EQUIV=\"url\" CONTENT=\"" + base + c.file + "\">",
              "<META HTTP-EQUIV=\"info\" CONTENT=\"" + base + c.info + "\">"})
            EXPECT_TRUE(lines.contains(line + '\r')) << line.toStdString() << "\n"
                                                     << page.body.toStdString();

        for (const char* offered : {c.file, c.info}) {
            const Reply file = parseReply(DemoServer::responseFor(
                originGet("127.0.0.1:8088", QByteArray("/kelmora/") + offered)));
            EXPECT_EQ(file.status, 200) << offered;
            EXPECT_TRUE(
                file.head.contains("Content-Length: " + QByteArray::number(file.body.size())));
            EXPECT_FALSE(file.body.isEmpty());
        }
    }
    // A host that is no plain host and port never reaches the page.
    const Reply odd =
        parseReply(DemoServer::responseFor(originGet("x\"><script>", "/kelmora/engines.html")));
    EXPECT_FALSE(odd.body.contains("<script>"));
    EXPECT_EQ(parseReply(DemoServer::responseFor(originGet("h", "/kelmora/gibtsnicht"))).status,
              404);
}

// The whole way a user's update check goes: the page from a running server, then the file its
// address names, then the install into the catalogue the program ships.
TEST(DemoServerUpdates, TheOfferedCatalogueDownloadsAndInstallsIntoTheSampleCatalogue)
{
    DemoServer server;
    QString error;
    ASSERT_TRUE(server.listen(0, 0, &error)) << error.toStdString();
    // Without a port in the Host header, the page names the port the server listens on.
    const Reply page = exchange(server.port(), {originGet("127.0.0.1", "/kelmora/engines.html")});
    ASSERT_EQ(page.status, 200);
    const QByteArray marker = "<META HTTP-EQUIV=\"url\" CONTENT=\"";
    const qsizetype start = page.body.indexOf(marker) + marker.size();
    ASSERT_GE(start, marker.size());
    const QUrl url(
        QString::fromLatin1(page.body.mid(start, page.body.indexOf('"', start) - start)));
    EXPECT_EQ(url.port(), server.port());
    const Reply archive = exchange(server.port(), {originGet("127.0.0.1", url.path().toLatin1())});
    ASSERT_EQ(archive.status, 200);
    EXPECT_TRUE(
        archive.head.contains("Content-Length: " + QByteArray::number(archive.body.size())));
    server.close();

    const QString data = pelvaro::test::TestDirs::programDir() + QStringLiteral("/daten");
    pelvaro::test::installSampleCatalogue(data);
    pelvaro::test::ScriptedUiServices ui;
    pelvaro::catalogue::TDataModule1 module(ui);
    ASSERT_TRUE(module.open(data, QStringLiteral("2.9")));
    const QString path = pelvaro::test::TestDirs::root() + QStringLiteral("/katalog.tar.gz");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(archive.body);
    file.close();
    EXPECT_EQ(pelvaro::updates::CatalogueArchive::install(module, path), 604);
}
