#pragma once

#include <QByteArray>
#include <QString>

namespace pelvaro::base {

// Writes a whole file through a temporary file beside it and renames it into place, so a
// failed write never destroys the file that was there.
class AtomicFile
{
public:
    // Returns the reason of a failure, or an empty text.
    static QString write(const QString& path, const QByteArray& bytes);
};

} // namespace pelvaro::base
