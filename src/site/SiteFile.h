#pragma once

#include "site/SiteRecord.h"

#include <QString>

namespace pelvaro::site {

// Reads and writes site-info files. The window and pelvaro-cli both go through here, so a
// file one of them accepts is a file the other accepts too.
class SiteFile
{
public:
    enum class Failure
    {
        None,
        NotFound, // the file cannot be opened
        TooShort  // fewer bytes than one record
    };

    struct ReadResult
    {
        SiteRecord record;
        Failure failure = Failure::None;
        // The German text for the user; empty on success.
        QString message;
    };

    // One record from the start of the file, and the extension trailer after it when there
    // is one (the IndexNow key). Any other bytes after the record are ignored, as a
    // record-sized read ignores them; a damaged trailer reads as no trailer.
    static ReadResult read(const QString& path);
    // Replaces the file only by a complete new one; the reason on failure, else empty. The
    // record's bytes come first and are the same with or without a key; a key follows them
    // in the trailer, so programs that read only the record see the file they always saw.
    static QString write(const QString& path, const SiteRecord& record);

    // The trailer: Magic, the entries' total length (unsigned 32 bits, little-endian), then
    // entries of a four-letter tag, a value length (unsigned 16 bits, little-endian) and the
    // value. Readers skip tags they do not know, so later entries can be added freely.
    static constexpr char Magic[] = "PVX1";
    static constexpr char IndexNowKeyTag[] = "INKY";
    static QByteArray encodeTrailer(const SiteRecord& record);
    static void decodeTrailer(QByteArrayView bytes, SiteRecord& record);
};

} // namespace pelvaro::site
