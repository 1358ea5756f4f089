#include "cli/DemoUpdateFiles.h"

#include "base/Error.h"
#include "updates/CatalogueArchive.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

namespace pelvaro::cli {

namespace {

QByteArray resource(const char* name)
{
    QFile file(QStringLiteral(":/demo-katalog/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        throw Error(
            QStringLiteral("Die Demo-Katalogdatei %1 fehlt im Programm.").arg(QLatin1String(name)));
    return file.readAll();
}

QByteArray infoPage(const QByteArray& host, const QByteArray& product, const QByteArray& version,
                    const QByteArray& file, const QByteArray& info)
{
    const QByteArray base = "http://" + host + "/kelmora/";
    // One tag a line, CONTENT in capitals: the form the program's update check reads.
    return "<HTML>\r\n<HEAD>\r\n<TITLE>" + product +
           "</TITLE>\r\n"
           "<META HTTP-EQUIV=\"produkt\" CONTENT=\"" +
           product +
           "\">\r\n"
           "<META HTTP-EQUIV=\"version\" CONTENT=\"" +
           version +
           "\">\r\n"
           "<META HTTP-EQUIV=\"datum\" CONTENT=\"Dec 07, 2026\">\r\n"
           "<META HTTP-EQUIV=\"autor\" CONTENT=\"Trevanix GmbH\">\r\n"
           "<META HTTP-EQUIV=\"url\" CONTENT=\"" +
           base + file +
           "\">\r\n"
           "<META HTTP-EQUIV=\"info\" CONTENT=\"" +
           base + info +
           "\">\r\n"
           "</HEAD>\r\n<BODY>\r\n<P>" +
           product + " " + version + "</P>\r\n</BODY>\r\n</HTML>\r\n";
}

} // namespace

const QByteArray& DemoUpdateFiles::catalogueArchive()
{
    // Built on first use, once: the archive is the same for every request.
    static const QByteArray archive = [] {
        QTemporaryDir folder;
        if (!folder.isValid())
            throw Error(QStringLiteral("Kein temporärer Ordner für das Demo-Archiv."));
        const QString path = folder.filePath(QStringLiteral("katalog.tar.gz"));
        updates::CatalogueArchive::write(path, resource("dba.csv"), resource("dbc.csv"),
                                         resource("dbd.csv"),
                                         QStringLiteral("pelvaro-katalog-3.0"));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Error(file.errorString());
        return file.readAll();
    }();
    return archive;
}

QByteArray DemoUpdateFiles::programPackage()
{
    // Named like a Debian package so the whole sequence can be seen, but only text: the
    // package installer that opens it refuses it, and nothing is ever installed from it.
    QByteArray text;
    const QByteArray line = "Pelvaro! 1.7.0 - Demo-Datei des Demo-Servers, kein echtes Paket.\n";
    while (text.size() < 3 * 1024 * 1024)
        text += line;
    return text;
}

std::optional<DemoUpdateFiles::File> DemoUpdateFiles::find(const QByteArray& host,
                                                           const QByteArray& path)
{
    if (!path.startsWith("/kelmora/"))
        return std::nullopt;
    const QByteArray name = path.mid(int(sizeof("/kelmora/")) - 1);
    // The address goes into the pages as it was sent; only a plain host and port may.
    QByteArray server = host;
    const bool plain = std::all_of(server.begin(), server.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '-' || c == ':' || c == '[' || c == ']';
    });
    if (server.isEmpty() || !plain)
        server = "127.0.0.1";
    const QByteArray text = "text/plain; charset=windows-1252";
    if (name == "engines.html")
        return File{200, "OK", "text/html",
                    infoPage(server, "Pelvaro! Suchdienste", "3.0", "pelvaro-katalog-3.0.tar.gz",
                             "katalog-info.txt")};
    if (name == "pv.html")
        return File{
            200, "OK", "text/html",
            infoPage(server, "Pelvaro!", "1.7.0", "pelvaro_1.7.0_amd64.deb", "pv-info.txt")};
    if (name == "katalog-info.txt")
        return File{200, "OK", text,
                    "Suchdienst-Katalog 3.0\r\n\r\n"
                    "- Der Katalog der Demo-Suchdienste in neuer Fassung.\r\n"
                    "- Ihre Auswahl, die manuellen Anmeldungen und die Daten Ihrer letzten\r\n"
                    "  Anmeldungen bleiben bei der Installation erhalten.\r\n"};
    if (name == "pv-info.txt")
        return File{200, "OK", text,
                    "Pelvaro! 1.7.0\r\n\r\n"
                    "- Dies ist eine Demo-Ank\xfc"
                    "ndigung des Demo-Servers.\r\n"
                    "- Die angebotene Datei ist kein echtes Paket.\r\n"};
    if (name == "pelvaro-katalog-3.0.tar.gz") {
        try {
            return File{200, "OK", "application/gzip", catalogueArchive()};
        } catch (const Error& e) {
            return File{500, "Internal Server Error", "text/plain; charset=utf-8",
                        e.message().toUtf8()};
        }
    }
    if (name == "pelvaro_1.7.0_amd64.deb")
        return File{200, "OK", "application/vnd.debian.binary-package", programPackage()};
    return File{404, "Not Found", "text/plain; charset=utf-8",
                "Diese Datei gibt es auf dem Demo-Server nicht.\r\n"};
}

} // namespace pelvaro::cli
