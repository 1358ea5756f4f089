// The sitemap reader against a real local server: plain, gzip, indexes, and the bounds.
#include "submit/SitemapReader.h"

#include "TestHttpServer.h"

#include <gtest/gtest.h>

#include <zlib.h>

using pelvaro::submit::plainExchangeRunner;
using pelvaro::submit::SitemapReader;
using pelvaro::test::ScriptedAnswer;
using pelvaro::test::TestHttpServer;

namespace {

QByteArray gzip(const QByteArray& data)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8,
                           Z_DEFAULT_STRATEGY),
              Z_OK);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray urlset(const QStringList& locs)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const QString& loc : locs)
        xml += "  <url><loc>" + loc.toUtf8() + "</loc><lastmod>2026-01-01</lastmod></url>\n";
    return xml + "</urlset>\n";
}

QByteArray sitemapIndex(const QStringList& locs)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n"
                     "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const QString& loc : locs)
        xml += "  <sitemap><loc>" + loc.toUtf8() + "</loc></sitemap>\n";
    return xml + "</sitemapindex>\n";
}

class Sitemaps : public ::testing::Test
{
protected:
    QString at(const char* path) const { return server.url(QString::fromUtf8(path)); }
    SitemapReader::Result read(const QString& start = {})
    {
        return SitemapReader::read(at("/"), plainExchangeRunner(), start);
    }

    TestHttpServer server;
};

} // namespace

TEST_F(Sitemaps, PlainSitemapAtTheRootKeepsOnlyTheSitesHost)
{
    server.script("/sitemap.xml",
                  ScriptedAnswer::ok(urlset({at("/"), at("/a.html"), at("/a.html"),
                                             QStringLiteral("http://other.example/x"),
                                             QStringLiteral("  ") + at("/b.html?x=1&amp;y=2"),
                                             QStringLiteral("mailto:info@example.org")})));
    const SitemapReader::Result result = read();
    EXPECT_EQ(result.urls, QStringList({at("/"), at("/a.html"), at("/b.html?x=1&y=2")}));
    EXPECT_EQ(result.foreignUrls, 2);
    EXPECT_TRUE(result.problems.isEmpty()) << result.problems.join(u'\n').toStdString();
    EXPECT_FALSE(result.truncated);
}

TEST_F(Sitemaps, IndexLeadsToPlainAndGzipSitemapsButNotToOtherHostsOrInCircles)
{
    server.script("/index.xml",
                  ScriptedAnswer::ok(sitemapIndex({at("/eins.xml"), at("/zwei.xml.gz"),
                                                   QStringLiteral("http://other.example/s.xml"),
                                                   at("/index.xml")})));
    server.script("/eins.xml", ScriptedAnswer::ok(urlset({at("/1"), at("/2")})));
    server.script("/zwei.xml.gz", ScriptedAnswer::ok(gzip(urlset({at("/3"), at("/1")}))));
    const SitemapReader::Result result = read(at("/index.xml"));
    EXPECT_EQ(result.urls, QStringList({at("/1"), at("/2"), at("/3")}));
    EXPECT_EQ(result.filesRead, 3);
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems.first().contains(QStringLiteral("http://other.example/s.xml")));
    EXPECT_EQ(server.requests().size(), 3);
}

TEST_F(Sitemaps, NestingAndAddressesAreBounded)
{
    // Each index names the next one deeper.
    for (int depth = 1; depth <= 5; ++depth)
        server.script(QStringLiteral("/tief%1.xml").arg(depth).toUtf8(),
                      ScriptedAnswer::ok(sitemapIndex(
                          {server.url(QStringLiteral("/tief%1.xml").arg(depth + 1))})));
    SitemapReader::Result result = read(at("/tief1.xml"));
    EXPECT_EQ(result.filesRead, SitemapReader::MaxDepth);
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems.first().contains(QStringLiteral("zu tief verschachtelt")));

    QStringList many;
    for (int i = 0; i < 12000; ++i)
        many << server.url(QStringLiteral("/seite/%1.html").arg(i));
    server.script("/gross.xml.gz", ScriptedAnswer::ok(gzip(urlset(many))));
    result = read(at("/gross.xml.gz"));
    EXPECT_EQ(result.urls, many.first(SitemapReader::MaxUrls));
    EXPECT_TRUE(result.truncated);
    EXPECT_TRUE(result.problems.join(u'\n').contains(QStringLiteral("mehr als 10000 Adressen")));
}

TEST_F(Sitemaps, ProblemsAreExplainedAndWhatWasReadIsKept)
{
    const struct
    {
        const char* path;
        ScriptedAnswer answer;
        qsizetype urls;
        const char* problem;
    } cases[] = {
        {"/fehlt.xml", ScriptedAnswer::status("HTTP/1.0 404 Not Found", {}), 0,
         "konnte nicht gelesen werden: HTTP 404 Not Found"},
        {"/kaputt.xml",
         ScriptedAnswer::ok("<urlset><url><loc>" + at("/gut").toUtf8() +
                            "</loc></url><url><loc>x</url></urlset>"),
         1, "ist kein gültiges XML (Zeile 1"},
        {"/html.xml", ScriptedAnswer::ok("<html><body>Hallo</body></html>"), 0,
         "ist keine Sitemap (Wurzelelement <html>"},
        {"/bruch.xml.gz", ScriptedAnswer::ok(gzip(urlset({at("/x")})).chopped(20)), 0,
         "kann nicht entpackt werden"},
        {"/riesig.xml", ScriptedAnswer::sendForever(), 0, "größer als 10 MB"},
    };
    for (const auto& c : cases) {
        server.script(c.path, c.answer);
        const SitemapReader::Result result = read(at(c.path));
        EXPECT_EQ(result.urls.size(), c.urls) << c.path;
        ASSERT_EQ(result.problems.size(), 1) << c.path;
        EXPECT_TRUE(result.problems.first().contains(QString::fromUtf8(c.problem)))
            << result.problems.first().toStdString();
        EXPECT_TRUE(result.problems.first().contains(at(c.path))) << c.path;
    }
}

TEST(SitemapGunzip, StopsAtTheCap)
{
    const QByteArray zeros(3 * 1024 * 1024, '\0');
    QString failure;
    const QByteArray packed = gzip(zeros);
    EXPECT_FALSE(SitemapReader::gunzip(packed, 1024 * 1024, &failure).has_value());
    EXPECT_TRUE(failure.contains(QStringLiteral("größer als 1 MB")));
    const std::optional<QByteArray> whole = SitemapReader::gunzip(packed, zeros.size(), &failure);
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(*whole, zeros);
}
