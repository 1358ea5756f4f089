#include "reports/rtf/RtfWriter.h"

#include "base/Windows1252.h"
#include "reports/rtf/RtfCodec.h"

#include <QFont>
#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <array>
#include <vector>

namespace pelvaro::reports::rtf {

namespace {

// Windows-1252 byte of each UTF-16 unit it can hold (0 = none), derived from the program's
// code page so the writer and the rest of the program agree on every character.
const std::array<unsigned char, 65536>& codePageBytes()
{
    static const std::array<unsigned char, 65536> table = [] {
        std::array<unsigned char, 65536> bytes{};
        QByteArray all(128, Qt::Uninitialized);
        for (int i = 0; i < 128; ++i)
            all[i] = char(0x80 + i);
        const QString decoded = base::Windows1252::decode(all);
        for (int i = 0; i < 128; ++i) {
            const char16_t unit = decoded.at(i).unicode();
            if (unit >= 0x80 && unit != QChar::ReplacementCharacter)
                bytes[unit] = static_cast<unsigned char>(0x80 + i);
        }
        return bytes;
    }();
    return table;
}

struct RunState
{
    int font = 0;
    int halfPoints = 24;
    int color = 0; // 0 = automatic
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool operator==(const RunState&) const = default;
};

int twipsFromPixels(qreal pixels)
{
    return qRound(pixels * TwipsPerPixel);
}

class Writer
{
public:
    explicit Writer(const QTextDocument& document)
        : m_document(document), m_defaultFont(document.defaultFont())
    {
        fontIndex(m_defaultFont.family());
    }

    QByteArray write()
    {
        // The tables come first in the file but are only known once every run has been seen,
        // so the body is written to its own buffer.
        m_out.reserve(m_document.characterCount() * 2 + 1024);
        bool anyBullet = false;
        for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
            anyBullet = anyBullet || block.textList() != nullptr;
            writeBlock(block);
        }
        QByteArray body;
        body.swap(m_out);
        writeHeader(anyBullet);
        m_out += body;
        m_out += "}\r\n";
        return m_out;
    }

private:
    int fontIndex(const QString& family)
    {
        const auto it = m_fontIndexes.constFind(family);
        if (it != m_fontIndexes.cend())
            return *it;
        const int index = int(m_fonts.size());
        m_fonts.push_back(family);
        m_fontIndexes.insert(family, index);
        return index;
    }

    int colorIndex(QRgb rgb)
    {
        const auto it = m_colorIndexes.constFind(rgb);
        if (it != m_colorIndexes.cend())
            return *it;
        m_colors.push_back(rgb);
        const int index = int(m_colors.size()); // entry 0 of the table is "automatic"
        m_colorIndexes.insert(rgb, index);
        return index;
    }

    RunState stateOf(const QTextCharFormat& format)
    {
        const QFont font = format.font().resolve(m_defaultFont);
        RunState state;
        state.font = fontIndex(font.family());
        qreal points = font.pointSizeF();
        if (points <= 0)
            points = font.pixelSize() > 0 ? font.pixelSize() * 0.75 : 12.0;
        state.halfPoints = std::max(1, qRound(points * 2));
        state.bold = font.bold();
        state.italic = font.italic();
        state.underline = font.underline();
        const QBrush foreground = format.foreground();
        if (format.hasProperty(QTextFormat::ForegroundBrush) && foreground.style() != Qt::NoBrush)
            state.color = colorIndex(foreground.color().rgb());
        return state;
    }

    // Runs share a handful of formats; the document numbers them, so each is resolved once.
    RunState cachedState(int formatIndex, const QTextCharFormat& format)
    {
        const auto it = m_states.constFind(formatIndex);
        if (it != m_states.cend())
            return *it;
        const RunState state = stateOf(format);
        m_states.insert(formatIndex, state);
        return state;
    }

    void word(const char* text)
    {
        m_out += text;
        m_needDelimiter = true;
    }

    void word(const char* text, int value)
    {
        m_out += text;
        m_out += QByteArray::number(value);
        m_needDelimiter = true;
    }

    void switchTo(const RunState& next)
    {
        if (next.font != m_current.font)
            word("\\f", next.font);
        if (next.halfPoints != m_current.halfPoints)
            word("\\fs", next.halfPoints);
        if (next.bold != m_current.bold)
            word(next.bold ? "\\b" : "\\b0");
        if (next.italic != m_current.italic)
            word(next.italic ? "\\i" : "\\i0");
        if (next.underline != m_current.underline)
            word(next.underline ? "\\ul" : "\\ulnone");
        if (next.color != m_current.color)
            word("\\cf", next.color);
        m_current = next;
    }

    void literal(char c)
    {
        if (m_needDelimiter)
            m_out += ' ';
        m_out += c;
        m_needDelimiter = false;
    }

    void symbol(const char* text)
    {
        m_out += text;
        m_needDelimiter = false;
    }

    void hexByte(unsigned char byte)
    {
        static const char digits[] = "0123456789abcdef";
        m_out += "\\'";
        m_out += digits[byte >> 4];
        m_out += digits[byte & 0xF];
        m_needDelimiter = false;
    }

    void text(const QString& text)
    {
        const std::array<unsigned char, 65536>& bytes = codePageBytes();
        for (const QChar ch : text) {
            const char16_t unit = ch.unicode();
            if (unit < 0x80) {
                if (unit == '\\' || unit == '{' || unit == '}') {
                    const char escaped[] = {'\\', char(unit), '\0'};
                    symbol(escaped);
                } else if (unit == '\t') {
                    word("\\tab");
                } else if (unit >= 0x20) {
                    literal(char(unit));
                }
                // Other control characters have no place in a paragraph's text.
            } else if (unit == QChar::LineSeparator) {
                word("\\line");
            } else if (unit == QChar::ObjectReplacementCharacter ||
                       unit == QChar::ParagraphSeparator) {
                // Embedded objects are not part of what the editor saves.
            } else if (bytes[unit] != 0) {
                hexByte(bytes[unit]);
            } else {
                // \uc1 is in force: one fallback character for readers without Unicode.
                m_out += "\\u";
                m_out += QByteArray::number(int(static_cast<int16_t>(unit)));
                m_out += '?';
                m_needDelimiter = false;
            }
        }
    }

    void writeBlock(const QTextBlock& block)
    {
        const QTextBlockFormat format = block.blockFormat();
        const QTextList* list = block.textList();
        const int indentWidthTwips = twipsFromPixels(m_document.indentWidth());
        int left = twipsFromPixels(format.leftMargin()) + format.indent() * indentWidthTwips;
        int first = twipsFromPixels(format.textIndent());
        if (list) {
            left += list->format().indent() * indentWidthTwips;
            first -= BulletHangTwips;
        }

        word("\\pard");
        if (list)
            word("\\ls1\\ilvl0");
        switch (format.alignment() & Qt::AlignHorizontal_Mask) {
        case Qt::AlignRight:
            word("\\qr");
            break;
        case Qt::AlignHCenter:
            word("\\qc");
            break;
        case Qt::AlignJustify:
            word("\\qj");
            break;
        default:
            word("\\ql");
            break;
        }
        if (first != 0)
            word("\\fi", first);
        if (left != 0)
            word("\\li", left);
        const int right = twipsFromPixels(format.rightMargin());
        if (right != 0)
            word("\\ri", right);
        QList<QTextOption::Tab> tabs = format.tabPositions();
        std::sort(tabs.begin(), tabs.end(),
                  [](const QTextOption::Tab& a, const QTextOption::Tab& b) {
                      return a.position < b.position;
                  });
        for (const QTextOption::Tab& tab : tabs) {
            if (tab.type == QTextOption::RightTab)
                word("\\tqr");
            else if (tab.type == QTextOption::CenterTab)
                word("\\tqc");
            else if (tab.type == QTextOption::DelimiterTab)
                word("\\tqdec");
            word("\\tx", twipsFromPixels(tab.position));
        }
        if (list) {
            // Readers that know neither list form show the fallback text; \'95 is the
            // bullet in Windows-1252.
            symbol("{\\*\\pn\\pnlvlblt\\pnf0\\pnindent360{\\pntxtb\\'95}}");
            symbol("{\\pntext\\f0\\'95\\tab}");
        }

        bool empty = true;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.length() == 0)
                continue;
            empty = false;
            switchTo(cachedState(fragment.charFormatIndex(), fragment.charFormat()));
            text(fragment.text());
        }
        // An empty line keeps its height from the paragraph mark's format.
        if (empty)
            switchTo(cachedState(block.charFormatIndex(), block.charFormat()));
        m_out += "\\par\r\n";
        m_needDelimiter = false;
    }

    void fontName(const QString& family)
    {
        QString name = family;
        name.remove(QLatin1Char(';'));
        text(name);
    }

    void writeHeader(bool bullets)
    {
        m_needDelimiter = false;
        m_out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031\r\n{\\fonttbl";
        for (qsizetype i = 0; i < qsizetype(m_fonts.size()); ++i) {
            m_out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
            m_needDelimiter = false;
            fontName(m_fonts[size_t(i)]);
            m_out += ";}";
        }
        m_out += "}\r\n{\\colortbl ;";
        for (const QRgb rgb : m_colors)
            m_out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" +
                     QByteArray::number(qGreen(rgb)) + "\\blue" + QByteArray::number(qBlue(rgb)) +
                     ';';
        m_out += "}\r\n";
        if (bullets) {
            const QByteArray indent = QByteArray::number(twipsFromPixels(m_document.indentWidth()));
            m_out += "{\\*\\listtable{\\list\\listtemplateid1\\listhybrid{\\listlevel\\levelnfc23"
                     "\\levelnfcn23\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1\\levelspace0"
                     "\\levelindent0{\\leveltext\\leveltemplateid1\\'01\\u8226 ?;}{\\levelnumbers;}"
                     "\\fi-" +
                     QByteArray::number(BulletHangTwips) + "\\li" + indent + "\\lin" + indent +
                     " }{\\listname ;}\\listid1}}\r\n"
                     "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}"
                     "\r\n";
        }
        m_out += "\\viewkind4\\uc1\r\n";
    }

    const QTextDocument& m_document;
    const QFont m_defaultFont;
    QByteArray m_out;
    bool m_needDelimiter = false;
    // Nothing a reader could assume: the first run states its font, size and colour in full.
    RunState m_current{-1, -1, -1, false, false, false};
    std::vector<QString> m_fonts;
    QHash<QString, int> m_fontIndexes;
    std::vector<QRgb> m_colors;
    QHash<QRgb, int> m_colorIndexes;
    QHash<int, RunState> m_states;
};

} // namespace

QByteArray RtfWriter::write(const QTextDocument& document)
{
    return Writer(document).write();
}

} // namespace pelvaro::reports::rtf
