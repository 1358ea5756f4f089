#pragma once

#include <QByteArray>

class QTextDocument;

namespace pelvaro::reports::rtf {

// Reads RTF as the editor and other word processors write it into a QTextDocument. It walks the
// bytes once with an explicit group stack (no recursion), keeps what the editor can show -- fonts,
// sizes, bold, italic, underline, colours, alignment, indents, tab stops, bullets, line and
// paragraph breaks -- and skips the rest: unknown control words, {\*...} destinations, tables it
// has no use for, binary data. Malformed input never throws; what cannot be read is left out.
class RtfReader
{
public:
    static void read(const QByteArray& rtf, QTextDocument& document);
};

} // namespace pelvaro::reports::rtf
