#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace pelvaro::reports::rtf {

// Units shared by the writer and the reader. QTextDocument keeps indents and tab positions in
// pixels at 96 dpi (1 pt = 4/3 px), font sizes in points; RTF has twips (1/20 pt) for both and
// half-points for sizes. Both directions convert through these, so a file read back lands on
// the pixel it was written from.
inline constexpr double TwipsPerPixel = 15.0; // 20 twips per point * 3/4 point per pixel

// The room a bullet takes left of its paragraph's text, as word processors leave it by default.
// The writer puts it into the first-line indent of a bullet paragraph, the reader takes it out.
inline constexpr int BulletHangTwips = 360;

// Groups nested deeper than this are read as if they held no text: their content is skipped
// until the matching close brace, so a hostile file cannot grow the group stack without end.
inline constexpr int MaxGroupDepth = 500;

// Writes the document as RTF (\ansi\ansicpg1252, font and colour tables, ...).
QByteArray writeRtf(const QTextDocument& document);
// Reads RTF into the document (replacing its content). Tolerant: never throws, never hangs; text
// it cannot make sense of is skipped.
void readRtf(const QByteArray& rtf, QTextDocument& document);
// Plain-text mode: Windows-1252 bytes <-> document text (CR LF line ends written; CR LF, LF or CR
// read).
QByteArray writePlainText(const QTextDocument& document);
void readPlainText(const QByteArray& bytes, QTextDocument& document);
// The text of a document, one paragraph a line, as `pelvaro-cli report text` prints it. A line
// break inside a paragraph ends a printed line too; every line ends with "\n".
QString paragraphText(const QTextDocument& document);

} // namespace pelvaro::reports::rtf
