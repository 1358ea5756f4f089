#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QTextDocument;

namespace pelvaro::reports::rtf::test {

// A document with everything the report editor can produce: fonts, sizes, bold, italic,
// underline, colours, the three alignments and justified text, indents, tab stops, bullets,
// a line break inside a paragraph, an empty line of its own size, and characters inside and
// outside Windows-1252.
void fillEditorDocument(QTextDocument& document);

// Each paragraph's attributes and runs on one line, with unset values resolved against the
// document's default font, so two documents that look alike describe alike.
QStringList describe(const QTextDocument& document);

// Real files in the test's own folder.
QString writeFile(const QString& name, const QByteArray& bytes);
QByteArray readFile(const QString& path);

} // namespace pelvaro::reports::rtf::test
