#pragma once

#include <QByteArray>

#include <optional>

namespace pelvaro::cli {

// The product server's side of the update check, for the demo server: the two information
// pages announcing a newer catalogue (3.0) and a newer program (1.7.0), their info texts
// and the files they offer, so the whole update sequence can be tried offline.
class DemoUpdateFiles
{
public:
    struct File
    {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray contentType;
        QByteArray body;
    };

    // The file for a path below /kelmora/; std::nullopt for any other path. `host` is the
    // host and port the request was sent to: the pages name their files there.
    static std::optional<File> find(const QByteArray& host, const QByteArray& path);

    // The catalogue archive: the sample catalogue's sources, packed once per process.
    static const QByteArray& catalogueArchive();
    static QByteArray programPackage();
};

} // namespace pelvaro::cli
