#include "base/Windows1252.h"

#include <QHash>
#include <QStringDecoder>

#include <array>

namespace pelvaro::base {

namespace {

// Qt's converter substitutes unmappable characters with the control byte 0x1A, which
// would smuggle a control character into files and requests. The table is therefore
// derived once from Qt's decoder and inverted, so "?" can stand in for what does not fit.
struct CodePage
{
    std::array<char16_t, 256> toUnicode{};
    QHash<char32_t, unsigned char> fromUnicode;

    CodePage()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QStringDecoder decoder("windows-1252");
        const QString decoded = decoder.decode(all);
        Q_ASSERT(decoded.size() == 256);
        for (int i = 0; i < 256; ++i) {
            toUnicode[size_t(i)] = decoded.at(i).unicode();
            fromUnicode.insert(char32_t(decoded.at(i).unicode()), static_cast<unsigned char>(i));
        }
    }
};

const CodePage& codePage()
{
    static const CodePage page;
    return page;
}

} // namespace

QByteArray Windows1252::encode(const QString& text)
{
    const CodePage& page = codePage();
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text.at(i).unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        const auto it = page.fromUnicode.constFind(cp);
        out.append(it == page.fromUnicode.cend() ? '?' : char(*it));
    }
    return out;
}

QString Windows1252::decode(const char* data, qsizetype size)
{
    const CodePage& page = codePage();
    QString out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        out[i] = QChar(page.toUnicode[static_cast<unsigned char>(data[i])]);
    return out;
}

QString Windows1252::decode(const QByteArray& bytes)
{
    return decode(bytes.constData(), bytes.size());
}

QString Windows1252::truncated(const QString& text, qsizetype maxBytes)
{
    qsizetype count = 0;
    qsizetype i = 0;
    while (i < text.size() && count < maxBytes) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        i += pair ? 2 : 1;
        ++count;
    }
    return text.left(i);
}

} // namespace pelvaro::base
