#include "reports/rtf/RtfReader.h"

#include "base/Windows1252.h"
#include "reports/rtf/RtfCodec.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace pelvaro::reports::rtf {

namespace {

// Beyond any page a word processor lays out; keeps hostile numbers away from the layout.
constexpr int MaxTwips = 31680;
constexpr int MaxTabStops = 64;
constexpr int MaxUnicodeSkip = 16;
// Qt touches every block of a list whenever one joins it, so one list of n bullets costs n²/2.
// A bullet shows the same in any list; runs of bullets longer than this start a new one.
constexpr int MaxBlocksPerList = 64;

enum class Destination : unsigned char
{
    Body,
    FontTable,
    ColorTable,
    ListTable,
    ListOverrideTable,
    Numbering, // {\*\pn ...}: says a paragraph is a bullet, its text is not the paragraph's
    Skip,
};

enum class Kw : unsigned char
{
    // destinations the reader understands
    FontTable,
    ColorTable,
    ListTable,
    ListOverrideTable,
    Numbering,
    SkippedDestination,
    // document
    DefaultFont,
    // character
    Plain,
    Font,
    FontSize,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Hidden,
    ColorIndex,
    Unicode,
    UnicodeSkip,
    // colour table
    Red,
    Green,
    Blue,
    // lists
    List,
    ListLevel,
    LevelNumberFormat,
    ListId,
    ListOverride,
    ListOverrideIndex,
    ListLevelIndex,
    NumberingBullet,
    NumberingBody,
    NumberingContinue,
    // paragraph
    ParagraphDefaults,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    FirstIndent,
    LeftIndent,
    RightIndent,
    TabRight,
    TabCenter,
    TabDecimal,
    TabBar,
    TabStop,
    // breaks and special characters
    Paragraph,
    Row,
    Section,
    Cell,
    Line,
    Tab,
    Binary,
    Character, // a control word that stands for one character, see characterOf()
};

struct Keyword
{
    std::string_view name;
    Kw kw;
    char16_t character = 0;
};

// Sorted by name for the binary search.
constexpr Keyword Keywords[] = {
    {"aftncn", Kw::SkippedDestination},
    {"aftnsep", Kw::SkippedDestination},
    {"aftnsepc", Kw::SkippedDestination},
    {"annotation", Kw::SkippedDestination},
    {"atnauthor", Kw::SkippedDestination},
    {"atnid", Kw::SkippedDestination},
    {"author", Kw::SkippedDestination},
    {"b", Kw::Bold},
    {"bin", Kw::Binary},
    {"blue", Kw::Blue},
    {"bullet", Kw::Character, 0x2022},
    {"cell", Kw::Cell},
    {"cf", Kw::ColorIndex},
    {"colortbl", Kw::ColorTable},
    {"comment", Kw::SkippedDestination},
    {"deff", Kw::DefaultFont},
    {"emdash", Kw::Character, 0x2014},
    {"emspace", Kw::Character, 0x2003},
    {"endash", Kw::Character, 0x2013},
    {"enspace", Kw::Character, 0x2002},
    {"f", Kw::Font},
    {"fi", Kw::FirstIndent},
    {"filetbl", Kw::SkippedDestination},
    {"fldinst", Kw::SkippedDestination},
    {"fonttbl", Kw::FontTable},
    {"footer", Kw::SkippedDestination},
    {"footerf", Kw::SkippedDestination},
    {"footerl", Kw::SkippedDestination},
    {"footerr", Kw::SkippedDestination},
    {"footnote", Kw::SkippedDestination},
    {"fs", Kw::FontSize},
    {"ftncn", Kw::SkippedDestination},
    {"ftnsep", Kw::SkippedDestination},
    {"ftnsepc", Kw::SkippedDestination},
    {"green", Kw::Green},
    {"header", Kw::SkippedDestination},
    {"headerf", Kw::SkippedDestination},
    {"headerl", Kw::SkippedDestination},
    {"headerr", Kw::SkippedDestination},
    {"i", Kw::Italic},
    {"ilvl", Kw::ListLevelIndex},
    {"info", Kw::SkippedDestination},
    {"ldblquote", Kw::Character, 0x201C},
    {"levelnfc", Kw::LevelNumberFormat},
    {"levelnfcn", Kw::LevelNumberFormat},
    {"li", Kw::LeftIndent},
    {"lin", Kw::LeftIndent},
    {"line", Kw::Line},
    {"list", Kw::List},
    {"listid", Kw::ListId},
    {"listlevel", Kw::ListLevel},
    {"listoverride", Kw::ListOverride},
    {"listoverridetable", Kw::ListOverrideTable},
    {"listtable", Kw::ListTable},
    {"listtext", Kw::SkippedDestination},
    {"lquote", Kw::Character, 0x2018},
    {"ls", Kw::ListOverrideIndex},
    {"nestcell", Kw::Cell},
    {"nestrow", Kw::Row},
    {"nonshppict", Kw::SkippedDestination},
    {"object", Kw::SkippedDestination},
    {"operator", Kw::SkippedDestination},
    {"par", Kw::Paragraph},
    {"pard", Kw::ParagraphDefaults},
    {"pict", Kw::SkippedDestination},
    {"plain", Kw::Plain},
    {"pn", Kw::Numbering},
    {"pnlvlblt", Kw::NumberingBullet},
    {"pnlvlbody", Kw::NumberingBody},
    {"pnlvlcont", Kw::NumberingContinue},
    {"pntext", Kw::SkippedDestination},
    {"qc", Kw::AlignCenter},
    {"qj", Kw::AlignJustify},
    {"ql", Kw::AlignLeft},
    {"qr", Kw::AlignRight},
    {"rdblquote", Kw::Character, 0x201D},
    {"red", Kw::Red},
    {"revtbl", Kw::SkippedDestination},
    {"ri", Kw::RightIndent},
    {"rin", Kw::RightIndent},
    {"row", Kw::Row},
    {"rquote", Kw::Character, 0x2019},
    {"rxe", Kw::SkippedDestination},
    {"sect", Kw::Section},
    {"shp", Kw::SkippedDestination},
    {"stylesheet", Kw::SkippedDestination},
    {"tab", Kw::Tab},
    {"tb", Kw::TabBar},
    {"tc", Kw::SkippedDestination},
    {"tqc", Kw::TabCenter},
    {"tqdec", Kw::TabDecimal},
    {"tqr", Kw::TabRight},
    {"tx", Kw::TabStop},
    {"txe", Kw::SkippedDestination},
    {"u", Kw::Unicode},
    {"uc", Kw::UnicodeSkip},
    {"ul", Kw::Underline},
    {"uld", Kw::Underline},
    {"uldash", Kw::Underline},
    {"uldashd", Kw::Underline},
    {"uldashdd", Kw::Underline},
    {"uldb", Kw::Underline},
    {"ulhwave", Kw::Underline},
    {"ulnone", Kw::UnderlineNone},
    {"ulth", Kw::Underline},
    {"ulw", Kw::Underline},
    {"ulwave", Kw::Underline},
    {"v", Kw::Hidden},
    {"xe", Kw::SkippedDestination},
    {"zwj", Kw::Character, 0x200D},
    {"zwnj", Kw::Character, 0x200C},
};

static_assert(std::is_sorted(std::begin(Keywords), std::end(Keywords),
                             [](const Keyword& a, const Keyword& b) { return a.name < b.name; }));

const Keyword* findKeyword(std::string_view name)
{
    const auto it = std::lower_bound(
        std::begin(Keywords), std::end(Keywords), name,
        [](const Keyword& keyword, std::string_view wanted) { return keyword.name < wanted; });
    return it != std::end(Keywords) && it->name == name ? it : nullptr;
}

const std::array<QChar, 256>& codePage()
{
    static const std::array<QChar, 256> table = [] {
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const QString decoded = base::Windows1252::decode(all);
        std::array<QChar, 256> chars;
        for (int i = 0; i < 256; ++i)
            chars[size_t(i)] = decoded.at(i);
        return chars;
    }();
    return table;
}

struct CharState
{
    int font = -1; // RTF font number, -1 = none chosen
    int halfPoints = 24;
    int color = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hidden = false;
    bool operator==(const CharState&) const = default;
};

struct ParaState
{
    Qt::Alignment alignment = Qt::AlignLeft;
    int firstTwips = 0;
    int leftTwips = 0;
    int rightTwips = 0;
    QList<QTextOption::Tab> tabs; // positions in twips until the block is made
    int listOverride = 0;
    int listLevel = 0;
    bool numbered = false; // from {\*\pn\pnlvlblt}
};

struct Group
{
    CharState chars;
    ParaState para;
    Destination destination = Destination::Body;
    int unicodeSkip = 1;
};

struct ListDefinition
{
    int id = 0;
    int levels = 0;
    int firstLevelFormat = 23; // bullet
};

int clampTwips(int twips)
{
    return std::clamp(twips, -MaxTwips, MaxTwips);
}

qreal pixelsFromTwips(int twips)
{
    return twips / TwipsPerPixel;
}

class Parser
{
public:
    explicit Parser(QTextDocument& document) : m_document(document), m_cursor(&document)
    {
        m_groups.reserve(64);
        m_groups.emplace_back();
    }

    void parse(const QByteArray& rtf)
    {
        m_p = rtf.constData();
        m_end = m_p + rtf.size();
        const char* start = m_p;
        while (start < m_end &&
               (*start == ' ' || *start == '\r' || *start == '\n' || *start == '\t'))
            ++start;
        // Text after the document's closing brace is not part of it (trailing NULs, mail
        // signatures). A file that does not begin with a group is read as loose text.
        m_stopAtOuterClose = start < m_end && *start == '{';

        m_document.clear();
        m_cursor = QTextCursor(&m_document);
        m_cursor.beginEditBlock();

        while (m_p < m_end && !m_done) {
            const char c = *m_p++;
            const bool groupStart = m_groupStart;
            m_groupStart = false;
            switch (c) {
            case '{':
                openGroup();
                m_groupStart = true;
                break;
            case '}':
                closeGroup();
                break;
            case '\\':
                control(groupStart);
                break;
            case '\r':
            case '\n':
                m_groupStart = groupStart;
                break;
            default:
                if (m_skipCharacters > 0) {
                    --m_skipCharacters;
                    break;
                }
                if (ignoring())
                    break;
                if (c == '\t') {
                    character(u'\t');
                    break;
                }
                if (static_cast<unsigned char>(c) < 0x20)
                    break;
                if (group().destination == Destination::Body) {
                    plainText(m_p - 1);
                    break;
                }
                character(codePage()[static_cast<unsigned char>(c)].unicode());
                break;
            }
        }
        finish();
    }

private:
    Group& group() { return m_groups.back(); }
    bool ignoring() const
    {
        return m_overflowDepth > 0 || m_groups.back().destination == Destination::Skip;
    }

    // Body text between control characters: the bulk of any document, taken in one stretch.
    void plainText(const char* from)
    {
        const char* p = from;
        while (p < m_end) {
            const unsigned char byte = static_cast<unsigned char>(*p);
            if (byte < 0x20 || byte == '\\' || byte == '{' || byte == '}')
                break;
            ++p;
        }
        m_p = p;
        if (group().chars.hidden)
            return;
        beginRun();
        const std::array<QChar, 256>& page = codePage();
        for (const char* q = from; q < p; ++q)
            m_runText.append(page[static_cast<unsigned char>(*q)]);
    }

    void openGroup()
    {
        m_skipCharacters = 0;
        m_starPending = false;
        if (m_overflowDepth > 0 || int(m_groups.size()) > MaxGroupDepth) {
            ++m_overflowDepth;
            return;
        }
        Group copy = m_groups.back();
        m_groups.push_back(std::move(copy));
    }

    void closeGroup()
    {
        m_skipCharacters = 0;
        m_starPending = false;
        if (m_overflowDepth > 0) {
            --m_overflowDepth;
            return;
        }
        if (m_groups.size() <= 1)
            return; // one brace too many: nothing to close
        const Group closed = m_groups.back();
        m_groups.pop_back();
        switch (closed.destination) {
        case Destination::FontTable:
            commitFont();
            break;
        case Destination::Numbering:
            // The numbering group describes the paragraph it stands in.
            if (group().destination == Destination::Body ||
                group().destination == Destination::Numbering)
                group().para.numbered = closed.para.numbered;
            break;
        default:
            break;
        }
        if (m_groups.size() == 1 && m_stopAtOuterClose)
            m_done = true;
    }

    void control(bool groupStart)
    {
        if (m_p >= m_end)
            return;
        const char c = *m_p;
        if (!isLetter(c)) {
            ++m_p;
            // \* marks a destination only as a group's first word; elsewhere it means nothing.
            if (c == '*') {
                m_starPending = groupStart;
                return;
            }
            controlSymbol(c);
            return;
        }
        const char* nameStart = m_p;
        while (m_p < m_end && isLetter(*m_p))
            ++m_p;
        const std::string_view name(nameStart, size_t(m_p - nameStart));
        bool hasParameter = false;
        qint64 value = 0;
        bool negative = false;
        if (m_p + 1 < m_end && *m_p == '-' && isDigit(m_p[1])) {
            negative = true;
            ++m_p;
        }
        while (m_p < m_end && isDigit(*m_p)) {
            hasParameter = true;
            if (value < 100000000000LL)
                value = value * 10 + (*m_p - '0');
            ++m_p;
        }
        if (m_p < m_end && *m_p == ' ')
            ++m_p;
        value = std::clamp<qint64>(negative ? -value : value, INT_MIN, INT_MAX);
        controlWord(name, hasParameter, int(value));
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    void controlSymbol(char c)
    {
        m_starPending = false;
        char16_t ch = 0;
        switch (c) {
        case '\'': {
            if (m_p + 1 >= m_end)
                return;
            const int high = hexValue(m_p[0]);
            const int low = hexValue(m_p[1]);
            if (high < 0 || low < 0)
                return;
            m_p += 2;
            ch = codePage()[size_t(high * 16 + low)].unicode();
            break;
        }
        case '\\':
        case '{':
        case '}':
            ch = char16_t(c);
            break;
        case '~':
            ch = 0x00A0;
            break;
        case '_':
            ch = 0x2011;
            break;
        case '\r':
        case '\n':
            if (m_skipCharacters > 0) {
                --m_skipCharacters;
                return;
            }
            if (!ignoring() && group().destination == Destination::Body)
                endParagraph();
            return;
        default:
            // \- (optional hyphen), \| \: and the like carry nothing the editor shows.
            if (m_skipCharacters > 0)
                --m_skipCharacters;
            return;
        }
        if (m_skipCharacters > 0) {
            --m_skipCharacters;
            return;
        }
        if (!ignoring())
            character(ch);
    }

    void controlWord(std::string_view name, bool hasParameter, int parameter)
    {
        const Keyword* keyword = findKeyword(name);
        if (keyword && keyword->kw == Kw::Binary) {
            // Raw bytes follow, braces and backslashes included; they never count as text.
            const qint64 length = std::max(0, parameter);
            m_p += std::min<qint64>(length, m_end - m_p);
            return;
        }
        const bool star = m_starPending;
        m_starPending = false;
        if (m_skipCharacters > 0) {
            --m_skipCharacters;
            return;
        }
        if (ignoring())
            return;
        if (star && (!keyword || !isReadDestination(keyword->kw))) {
            group().destination = Destination::Skip;
            return;
        }
        if (!keyword)
            return;
        const int value = hasParameter ? parameter : 1;
        switch (group().destination) {
        case Destination::Body:
            bodyWord(*keyword, hasParameter, value);
            break;
        case Destination::FontTable:
            if (keyword->kw == Kw::Font) {
                commitFont();
                m_fontNumber = value;
            } else if (keyword->kw == Kw::Unicode) {
                unicode(value);
            } else if (keyword->kw == Kw::SkippedDestination) {
                group().destination = Destination::Skip;
            }
            break;
        case Destination::ColorTable:
            colorWord(keyword->kw, value);
            break;
        case Destination::ListTable:
            listWord(keyword->kw, value);
            break;
        case Destination::ListOverrideTable:
            if (keyword->kw == Kw::ListOverride)
                m_overrideListId = 0;
            else if (keyword->kw == Kw::ListId)
                m_overrideListId = value;
            else if (keyword->kw == Kw::ListOverrideIndex)
                m_overrides.insert(value, m_overrideListId);
            else if (keyword->kw == Kw::SkippedDestination)
                group().destination = Destination::Skip;
            break;
        case Destination::Numbering:
            if (keyword->kw == Kw::NumberingBullet || keyword->kw == Kw::NumberingBody)
                group().para.numbered = true;
            else if (keyword->kw == Kw::NumberingContinue)
                group().para.numbered = false;
            break;
        case Destination::Skip:
            break;
        }
    }

    static bool isReadDestination(Kw kw)
    {
        return kw == Kw::FontTable || kw == Kw::ColorTable || kw == Kw::ListTable ||
               kw == Kw::ListOverrideTable || kw == Kw::Numbering;
    }

    void bodyWord(const Keyword& keyword, bool hasParameter, int value)
    {
        Group& g = group();
        CharState& chars = g.chars;
        ParaState& para = g.para;
        switch (keyword.kw) {
        case Kw::FontTable:
            g.destination = Destination::FontTable;
            m_fontNumber = -1;
            m_fontName.clear();
            break;
        case Kw::ColorTable:
            g.destination = Destination::ColorTable;
            m_colors.clear();
            m_colorSet = false;
            m_color = QColor(0, 0, 0);
            break;
        case Kw::ListTable:
            g.destination = Destination::ListTable;
            break;
        case Kw::ListOverrideTable:
            g.destination = Destination::ListOverrideTable;
            break;
        case Kw::Numbering:
            g.destination = Destination::Numbering;
            break;
        case Kw::SkippedDestination:
            g.destination = Destination::Skip;
            break;
        case Kw::DefaultFont:
            m_defaultFont = value;
            chars.font = value;
            break;
        case Kw::Plain:
            chars = CharState();
            chars.font = m_defaultFont;
            break;
        case Kw::Font:
            chars.font = value;
            break;
        case Kw::FontSize:
            chars.halfPoints = hasParameter ? std::clamp(value, 2, 3276) : 24;
            break;
        case Kw::Bold:
            chars.bold = value != 0;
            break;
        case Kw::Italic:
            chars.italic = value != 0;
            break;
        case Kw::Underline:
            chars.underline = value != 0;
            break;
        case Kw::UnderlineNone:
            chars.underline = false;
            break;
        case Kw::Hidden:
            chars.hidden = value != 0;
            break;
        case Kw::ColorIndex:
            chars.color = std::max(0, value);
            break;
        case Kw::Unicode:
            if (hasParameter)
                unicode(value);
            break;
        case Kw::UnicodeSkip:
            g.unicodeSkip = std::clamp(value, 0, MaxUnicodeSkip);
            break;
        case Kw::ParagraphDefaults:
            para = ParaState();
            m_pendingTabType = QTextOption::LeftTab;
            break;
        case Kw::AlignLeft:
            para.alignment = Qt::AlignLeft;
            break;
        case Kw::AlignCenter:
            para.alignment = Qt::AlignHCenter;
            break;
        case Kw::AlignRight:
            para.alignment = Qt::AlignRight;
            break;
        case Kw::AlignJustify:
            para.alignment = Qt::AlignJustify;
            break;
        case Kw::FirstIndent:
            para.firstTwips = clampTwips(hasParameter ? value : 0);
            break;
        case Kw::LeftIndent:
            para.leftTwips = clampTwips(hasParameter ? value : 0);
            break;
        case Kw::RightIndent:
            para.rightTwips = clampTwips(hasParameter ? value : 0);
            break;
        case Kw::TabRight:
            m_pendingTabType = QTextOption::RightTab;
            break;
        case Kw::TabCenter:
            m_pendingTabType = QTextOption::CenterTab;
            break;
        case Kw::TabDecimal:
            m_pendingTabType = QTextOption::DelimiterTab;
            break;
        case Kw::TabBar:
            m_pendingTabType = QTextOption::LeftTab;
            break;
        case Kw::TabStop:
            if (hasParameter && para.tabs.size() < MaxTabStops) {
                QTextOption::Tab tab(std::clamp(value, 0, MaxTwips), m_pendingTabType);
                if (tab.type == QTextOption::DelimiterTab)
                    tab.delimiter = QLatin1Char('.');
                para.tabs.append(tab);
            }
            m_pendingTabType = QTextOption::LeftTab;
            break;
        case Kw::ListOverrideIndex:
            para.listOverride = value;
            break;
        case Kw::ListLevelIndex:
            para.listLevel = std::clamp(value, 0, 8);
            break;
        case Kw::Paragraph:
            endParagraph();
            break;
        case Kw::Row:
            // Each cell ended with a tab; the row's end is the line's end.
            if (m_runText.endsWith(QLatin1Char('\t')))
                m_runText.chop(1);
            endParagraph();
            break;
        case Kw::Section:
            // A section break ends a paragraph only where the paragraph has not ended yet.
            flushRun();
            if (!m_runs.empty())
                endParagraph();
            break;
        case Kw::Cell:
        case Kw::Tab:
            character(u'\t');
            break;
        case Kw::Line:
            character(QChar::LineSeparator);
            break;
        case Kw::Character:
            character(keyword.character);
            break;
        default:
            break;
        }
    }

    void colorWord(Kw kw, int value)
    {
        const int component = std::clamp(value, 0, 255);
        if (kw == Kw::Red)
            m_color.setRed(component);
        else if (kw == Kw::Green)
            m_color.setGreen(component);
        else if (kw == Kw::Blue)
            m_color.setBlue(component);
        else
            return;
        m_colorSet = true;
    }

    void listWord(Kw kw, int value)
    {
        switch (kw) {
        case Kw::List:
            m_lists.emplace_back();
            break;
        case Kw::ListLevel:
            if (!m_lists.empty())
                ++m_lists.back().levels;
            break;
        case Kw::LevelNumberFormat:
            if (!m_lists.empty() && m_lists.back().levels == 1)
                m_lists.back().firstLevelFormat = value;
            break;
        case Kw::ListId:
            if (!m_lists.empty())
                m_lists.back().id = value;
            break;
        case Kw::SkippedDestination:
            group().destination = Destination::Skip;
            break;
        default:
            break;
        }
    }

    void unicode(int value)
    {
        // \u takes a signed 16-bit number; larger values wrap as other writers wrap them.
        const char16_t unit = char16_t(static_cast<unsigned int>(value) & 0xFFFF);
        character(unit);
        m_skipCharacters = group().unicodeSkip;
    }

    void character(char16_t ch)
    {
        switch (group().destination) {
        case Destination::Body:
            bodyCharacter(ch);
            break;
        case Destination::FontTable:
            if (ch == u';')
                commitFont();
            else
                m_fontName.append(QChar(ch));
            break;
        case Destination::ColorTable:
            if (ch == u';') {
                m_colors.push_back(m_colorSet ? m_color : QColor());
                m_color = QColor(0, 0, 0);
                m_colorSet = false;
            }
            break;
        default:
            break;
        }
    }

    void bodyCharacter(char16_t ch)
    {
        if (group().chars.hidden)
            return;
        // The document reads these as block and frame boundaries; in a run they are noise.
        if ((ch < 0x20 && ch != u'\t') || ch == QChar::ObjectReplacementCharacter || ch == 0xFDD0 ||
            ch == 0xFDD1)
            return;
        if (ch == QChar::ParagraphSeparator)
            ch = QChar::LineSeparator;
        beginRun();
        m_runText.append(QChar(ch));
    }

    void beginRun()
    {
        const CharState& chars = group().chars;
        if (chars == m_runChars)
            return;
        flushRun();
        m_runChars = chars;
    }

    void flushRun()
    {
        if (m_runText.isEmpty())
            return;
        m_runs.push_back({m_runChars, m_runText});
        m_runText.clear();
    }

    void commitFont()
    {
        const QString name = m_fontName.trimmed();
        if (m_fontNumber >= 0 && !name.isEmpty() && !m_fonts.contains(m_fontNumber))
            m_fonts.insert(m_fontNumber, name);
        m_fontName.clear();
    }

    QTextCharFormat charFormat(const CharState& chars)
    {
        for (const auto& [state, format] : m_formatCache)
            if (state == chars)
                return format;
        QTextCharFormat format;
        const auto font = m_fonts.constFind(chars.font);
        if (font != m_fonts.cend())
            format.setFontFamilies({*font});
        format.setFontPointSize(chars.halfPoints / 2.0);
        format.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(chars.italic);
        format.setFontUnderline(chars.underline);
        if (chars.color > 0 && chars.color < qsizetype(m_colors.size())) {
            const QColor& color = m_colors[size_t(chars.color)];
            if (color.isValid())
                format.setForeground(color);
        }
        if (m_formatCache.size() < 64)
            m_formatCache.emplace_back(chars, format);
        return format;
    }

    bool isBullet(const ParaState& para) const
    {
        if (para.numbered)
            return true;
        if (para.listOverride <= 0)
            return false;
        const auto override = m_overrides.constFind(para.listOverride);
        if (override == m_overrides.cend())
            return true; // a list without its table: still a list
        for (const ListDefinition& list : m_lists)
            if (list.id == *override)
                return list.firstLevelFormat != 255; // 255: a level without any number
        return true;
    }

    void endParagraph()
    {
        flushRun();
        const ParaState& para = group().para;
        const bool bullet = isBullet(para);
        const int listIndent = para.listLevel + 1;

        QTextBlockFormat block;
        block.setAlignment(para.alignment);
        qreal left = pixelsFromTwips(para.leftTwips);
        qreal first = pixelsFromTwips(para.firstTwips);
        if (bullet) {
            left -= listIndent * m_document.indentWidth();
            first += pixelsFromTwips(BulletHangTwips);
        }
        block.setLeftMargin(std::max<qreal>(0, left));
        block.setRightMargin(std::max<qreal>(0, pixelsFromTwips(para.rightTwips)));
        block.setTextIndent(first);
        if (!para.tabs.isEmpty()) {
            QList<QTextOption::Tab> tabs = para.tabs;
            for (QTextOption::Tab& tab : tabs)
                tab.position = pixelsFromTwips(int(tab.position));
            std::stable_sort(tabs.begin(), tabs.end(),
                             [](const QTextOption::Tab& a, const QTextOption::Tab& b) {
                                 return a.position < b.position;
                             });
            block.setTabPositions(tabs);
        }

        const QTextCharFormat mark = charFormat(group().chars);
        if (m_paragraphs == 0) {
            m_cursor.setBlockFormat(block);
            m_cursor.setBlockCharFormat(mark);
        } else {
            m_cursor.insertBlock(block, mark);
        }
        ++m_paragraphs;
        for (const auto& [chars, text] : m_runs)
            m_cursor.insertText(text, charFormat(chars));
        m_runs.clear();

        if (!bullet) {
            m_list = nullptr;
        } else if (m_list && m_listIndent == listIndent && m_listBlocks < MaxBlocksPerList) {
            m_list->add(m_cursor.block());
            ++m_listBlocks;
        } else {
            QTextListFormat format;
            format.setStyle(QTextListFormat::ListDisc);
            format.setIndent(listIndent);
            m_list = m_cursor.createList(format);
            m_listIndent = listIndent;
            m_listBlocks = 1;
        }
    }

    void finish()
    {
        flushRun();
        // A file's last \par closes its last paragraph; only text behind it makes another.
        if (!m_runs.empty() || m_paragraphs == 0)
            endParagraph();
        m_cursor.endEditBlock();
    }

    QTextDocument& m_document;
    QTextCursor m_cursor;
    const char* m_p = nullptr;
    const char* m_end = nullptr;
    bool m_done = false;
    bool m_stopAtOuterClose = false;

    std::vector<Group> m_groups; // never empty: the first entry is the state outside any group
    int m_overflowDepth = 0;     // groups opened beyond MaxGroupDepth, read as skipped
    int m_skipCharacters = 0;    // fallback characters still to skip behind a \u
    bool m_starPending = false;
    bool m_groupStart = false; // nothing read yet since the last '{'

    int m_defaultFont = -1;
    QHash<int, QString> m_fonts;
    int m_fontNumber = -1;
    QString m_fontName;
    std::vector<QColor> m_colors;
    QColor m_color;
    bool m_colorSet = false;
    std::vector<ListDefinition> m_lists;
    QHash<int, int> m_overrides; // \ls number -> \listid
    int m_overrideListId = 0;
    QTextOption::TabType m_pendingTabType = QTextOption::LeftTab;

    CharState m_runChars;
    QString m_runText;
    std::vector<std::pair<CharState, QString>> m_runs;
    std::vector<std::pair<CharState, QTextCharFormat>> m_formatCache;
    int m_paragraphs = 0;
    QTextList* m_list = nullptr;
    int m_listIndent = 0;
    int m_listBlocks = 0;
};

} // namespace

void RtfReader::read(const QByteArray& rtf, QTextDocument& document)
{
    // Loading replaces the document; its undo history would only lead back to what was there.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    Parser(document).parse(rtf);
    document.setUndoRedoEnabled(undo);
}

} // namespace pelvaro::reports::rtf
