#include "reports/rtf/RtfCodec.h"

#include "base/Windows1252.h"
#include "reports/rtf/RtfReader.h"
#include "reports/rtf/RtfWriter.h"

#include <QTextBlock>
#include <QTextDocument>

namespace pelvaro::reports::rtf {

namespace {

// One string per paragraph; a line break inside a paragraph becomes lineEnd as well.
QString paragraphLines(const QTextDocument& document, QStringView lineEnd, bool endWithLineEnd)
{
    QString out;
    out.reserve(document.characterCount() * 2);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            out += lineEnd;
        for (const QChar ch : block.text()) {
            if (ch == QChar::LineSeparator)
                out += lineEnd;
            else if (ch != QChar::ObjectReplacementCharacter)
                out += ch;
        }
    }
    if (endWithLineEnd)
        out += lineEnd;
    return out;
}

} // namespace

QByteArray writeRtf(const QTextDocument& document)
{
    return RtfWriter::write(document);
}

void readRtf(const QByteArray& rtf, QTextDocument& document)
{
    RtfReader::read(rtf, document);
}

QByteArray writePlainText(const QTextDocument& document)
{
    return base::Windows1252::encode(paragraphLines(document, u"\r\n", false));
}

void readPlainText(const QByteArray& bytes, QTextDocument& document)
{
    QString text = base::Windows1252::decode(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    document.setPlainText(text);
}

QString paragraphText(const QTextDocument& document)
{
    return paragraphLines(document, u"\n", true);
}

} // namespace pelvaro::reports::rtf
