#include "reports/rtf/RtfCodec.h"

#include "base/Windows1252.h"

#include <QTextBlock>
#include <QTextDocument>

namespace pelvaro::reports::rtf {

QByteArray writeRtf(const QTextDocument& document)
{
    QByteArray out("{\\rtf1\\ansi\\ansicpg1252\\deff0\n");
    out += base::Windows1252::encode(document.toPlainText());
    out += "}\n";
    return out;
}

void readRtf(const QByteArray& rtf, QTextDocument& document)
{
    document.setPlainText(base::Windows1252::decode(rtf));
}

QByteArray writePlainText(const QTextDocument& document)
{
    QString text = document.toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return base::Windows1252::encode(text);
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
    QString out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        out += block.text();
        out += QLatin1Char('\n');
    }
    return out;
}

} // namespace pelvaro::reports::rtf
