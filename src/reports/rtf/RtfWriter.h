#pragma once

#include <QByteArray>

class QTextDocument;

namespace pelvaro::reports::rtf {

// Turns a QTextDocument into RTF that word processors old and new read alike: bullets are
// written twice, as a list table entry for current readers and as the older paragraph
// numbering with its fallback text for the rest. Every character outside ASCII is escaped, so
// the file is plain 7-bit text whatever the code page of the reader.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument& document);
};

} // namespace pelvaro::reports::rtf
