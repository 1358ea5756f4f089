#pragma once

#include <QByteArray>
#include <QString>

namespace pelvaro::base {

// The program's files and wire bytes are Windows-1252. Memory holds QString; these two
// functions are the only crossing. A character the code page cannot hold becomes "?".
class Windows1252
{
public:
    static QByteArray encode(const QString& text);
    static QString decode(const QByteArray& bytes);
    static QString decode(const char* data, qsizetype size);

    // Cuts text so that its encoded form holds at most maxBytes bytes. Since the code page
    // is single-byte this counts characters, with a pair of surrogates as one.
    static QString truncated(const QString& text, qsizetype maxBytes);
};

} // namespace pelvaro::base
