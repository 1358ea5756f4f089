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
    // is one (the IndexNow key, the further addresses, the ledger). Any other bytes after the
    // record are ignored, as a record-sized read ignores them; a damaged block reads as no
    // block, a damaged value as no value.
    static ReadResult read(const QString& path);
    // Replaces the file only by a complete new one; the reason on failure, else empty. The
    // record's bytes come first and are the same whatever the trailer holds, so programs that
    // read only the record see the file they always saw.
    static QString write(const QString& path, const SiteRecord& record);

    // The trailer is one or more blocks, one after another. A block: Magic, the entries'
    // total length (unsigned 32 bits, little-endian), then entries of a four-letter tag, a
    // value length (unsigned 16 bits, little-endian) and the value. Readers skip tags they do
    // not know, so later entries can be added freely. Builds that knew only the key read the
    // first block alone, which is why the key, when there is one, has a small block of its own
    // and everything else follows in a second block.
    //
    // Long values: a value longer than one entry holds is split over consecutive entries of
    // the same tag; every piece but the last is exactly 65535 bytes, the last is shorter (empty
    // when the value is a multiple of 65535). Such a value is zlib data (RFC 1950) of:
    //   IndexNowUrlsTag  the further addresses: per address its UTF-8 length (unsigned 32
    //                    bits, little-endian) and its UTF-8 bytes.
    //   LedgerEntryTag   one ledger entry: Nr (signed 32 bits), when (signed 64 bits, UTC
    //                    milliseconds since 1970, minimum = none), outcome (8 bits), status
    //                    code (signed 32 bits), message (length + UTF-8 as above), not before
    //                    (as when), fingerprint (length + bytes), address count (unsigned 32
    //                    bits) and the addresses (length + UTF-8 each); all little-endian and
    //                    nothing after the last address. One entry per service.
    static constexpr char Magic[] = "PVX1";
    static constexpr char IndexNowKeyTag[] = "INKY";
    static constexpr char IndexNowUrlsTag[] = "INUR";
    static constexpr char LedgerEntryTag[] = "LDGR";
    // The most trailer bytes read or written. IndexNow takes at most 10,000 addresses in one
    // post. Page addresses of one site share host and path and pack about 20 to 1 (10,000
    // addresses of 60 characters take some 30 KB), so the site's list and the lists of many
    // endpoints fit easily even with addresses of 2 KB; only addresses of random characters
    // come near the limit, and then the ledger's copies are left out (see encodeTrailer). A
    // larger trailer is not ours and is not read into memory.
    static constexpr qsizetype MaxTrailer = 16 * 1024 * 1024;
    // The most one value may unpack to: 10,000 addresses of 2 KB with their lengths and the
    // entry's other fields, with room to spare; larger is taken as damage, never unpacked.
    static constexpr qsizetype MaxValue = 24 * 1024 * 1024;
    // When the trailer would exceed MaxTrailer, the ledger entries are written without their
    // address lists (their fingerprints still tell what was sent); empty when even that is
    // too much.
    static QByteArray encodeTrailer(const SiteRecord& record);
    static void decodeTrailer(QByteArrayView bytes, SiteRecord& record);
};

} // namespace pelvaro::site
