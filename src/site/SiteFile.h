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

    // One record from the start of the file. Bytes after the record are ignored, as a
    // record-sized read ignores them.
    static ReadResult read(const QString& path);
    // Replaces the file only by a complete new one; the reason on failure, else empty.
    static QString write(const QString& path, const SiteRecord& record);
};

} // namespace pelvaro::site
