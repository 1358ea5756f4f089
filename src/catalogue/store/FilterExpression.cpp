#include "catalogue/store/FilterExpression.h"

#include "base/DayNumber.h"
#include "base/Error.h"

#include <QDate>
#include <QRegularExpression>

#include <optional>

namespace pelvaro::catalogue::store {

namespace {

// Deep enough for every country combination the filter dialog can build (29 nested levels),
// shallow enough that garbage like 100000 "(" cannot exhaust the stack.
constexpr int MaxDepth = 200;

enum class TokenKind
{
    End,
    OpenParen,
    CloseParen,
    Operator,
    Word,
    Text,
    Number
};

struct Token
{
    TokenKind kind = TokenKind::End;
    QString text;     // a text's content without the quotes, otherwise as written
    int position = 0; // 1-based
};

[[noreturn]] void fail(int position, const QString& what)
{
    throw Error(
        QStringLiteral("Fehler im Filter an Position %1: %2").arg(QString::number(position), what));
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Digits with an optional sign and an optional "." fraction; qlonglong when whole.
std::optional<QVariant> numberValue(const QString& written)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+(\\.[0-9]+)?$"));
    const QString text = written.trimmed();
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    if (!text.contains(QLatin1Char('.'))) {
        const qlonglong whole = text.toLongLong(&ok);
        if (ok)
            return QVariant(whole);
    }
    const double value = text.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return QVariant(value);
}

// Reads a date by a numeric date format (d, dd, M, MM, yy, yyyy and separators). Either year
// width is accepted whatever the format says; two digits fall into 1950..2049, the window the
// catalogue's dates have always been written with.
std::optional<QDate> dateByFormat(const QString& text, const QString& format)
{
    QString pattern = QStringLiteral("^");
    int group = 0, dayGroup = 0, monthGroup = 0, yearGroup = 0;
    for (int i = 0; i < format.size();) {
        const QChar c = format.at(i);
        int run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        if (c == QLatin1Char('d') && run <= 2) {
            pattern += QStringLiteral("([0-9]{1,2})");
            dayGroup = ++group;
        } else if (c == QLatin1Char('M') && run <= 2) {
            pattern += QStringLiteral("([0-9]{1,2})");
            monthGroup = ++group;
        } else if (c == QLatin1Char('y') && (run == 2 || run == 4)) {
            pattern += QStringLiteral("([0-9]{4}|[0-9]{2})");
            yearGroup = ++group;
        } else if (c.isLetter()) {
            return std::nullopt; // month names, weekdays: not a format one can type a date in
        } else {
            pattern += QRegularExpression::escape(format.mid(i, run));
        }
        i += run;
    }
    if (dayGroup == 0 || monthGroup == 0 || yearGroup == 0)
        return std::nullopt;
    const QRegularExpressionMatch match =
        QRegularExpression(pattern + QLatin1Char('$')).match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QString yearText = match.captured(yearGroup);
    int year = yearText.toInt();
    if (yearText.size() == 2)
        year += year < 50 ? 2000 : 1900;
    const QDate date(year, match.captured(monthGroup).toInt(), match.captured(dayGroup).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

class Parser
{
public:
    Parser(const QString& text, const TableDef& table, const QLocale& locale)
        : m_text(text), m_table(table), m_locale(locale)
    {
    }

    CompiledFilter run()
    {
        advance();
        if (m_token.kind == TokenKind::End)
            fail(1, QStringLiteral("Der Filter ist leer."));
        CompiledFilter result;
        result.whereSql = parseOr(0);
        if (m_token.kind != TokenKind::End)
            fail(m_token.position, QStringLiteral("Ende des Filters erwartet."));
        result.parameters = m_parameters;
        return result;
    }

private:
    bool isWord(const char* keyword) const
    {
        return m_token.kind == TokenKind::Word &&
               m_token.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }

    void advance() { m_token = lex(); }

    Token lex()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
        Token token;
        const int start = m_pos;
        token.position = start + 1;
        if (m_pos >= m_text.size())
            return token;
        const QChar c = m_text.at(m_pos);
        const QChar following = m_pos + 1 < m_text.size() ? m_text.at(m_pos + 1) : QChar();
        if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
            token.kind = c == QLatin1Char('(') ? TokenKind::OpenParen : TokenKind::CloseParen;
            ++m_pos;
        } else if (c == QLatin1Char('=') || c == QLatin1Char('<') || c == QLatin1Char('>')) {
            token.kind = TokenKind::Operator;
            ++m_pos;
            if ((c == QLatin1Char('<') && following == QLatin1Char('>')) ||
                (c != QLatin1Char('=') && following == QLatin1Char('=')))
                ++m_pos;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            token.kind = TokenKind::Text;
            for (++m_pos;; ++m_pos) {
                if (m_pos >= m_text.size())
                    fail(token.position, QStringLiteral("Zum Anführungszeichen fehlt das "
                                                        "schließende Anführungszeichen."));
                if (m_text.at(m_pos) == c) {
                    if (m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == c) {
                        token.text += c; // doubled quote stands for one
                        ++m_pos;
                        continue;
                    }
                    ++m_pos;
                    return token;
                }
                token.text += m_text.at(m_pos);
            }
        } else if (isAsciiDigit(c) ||
                   ((c == QLatin1Char('-') || c == QLatin1Char('+')) && isAsciiDigit(following))) {
            token.kind = TokenKind::Number;
            ++m_pos;
            while (m_pos < m_text.size() && isAsciiDigit(m_text.at(m_pos)))
                ++m_pos;
            if (m_pos + 1 < m_text.size() && m_text.at(m_pos) == QLatin1Char('.') &&
                isAsciiDigit(m_text.at(m_pos + 1))) {
                for (++m_pos; m_pos < m_text.size() && isAsciiDigit(m_text.at(m_pos));)
                    ++m_pos;
            }
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            token.kind = TokenKind::Word;
            while (m_pos < m_text.size() &&
                   (m_text.at(m_pos).isLetterOrNumber() || m_text.at(m_pos) == QLatin1Char('_')))
                ++m_pos;
        } else {
            fail(token.position, QStringLiteral("Unerwartetes Zeichen %1.").arg(quoted(c)));
        }
        if (token.kind != TokenKind::Text)
            token.text = m_text.mid(start, m_pos - start);
        return token;
    }

    void checkDepth(int depth) const
    {
        if (depth > MaxDepth)
            fail(m_token.position, QStringLiteral("Der Filter ist zu tief verschachtelt."));
    }

    // SQL ranks comparison over NOT over AND over OR, as the filter texts do, so the SQL keeps
    // the shape of the text: its parentheses where it has them, none added.
    QString parseOr(int depth)
    {
        checkDepth(depth);
        QString sql = parseAnd(depth);
        while (isWord("or")) {
            advance();
            sql += QStringLiteral(" OR ") + parseAnd(depth);
        }
        return sql;
    }

    QString parseAnd(int depth)
    {
        QString sql = parseNot(depth);
        while (isWord("and")) {
            advance();
            sql += QStringLiteral(" AND ") + parseNot(depth);
        }
        return sql;
    }

    QString parseNot(int depth)
    {
        if (isWord("not")) {
            advance();
            checkDepth(depth + 1);
            return QStringLiteral("NOT ") + parseNot(depth + 1);
        }
        if (m_token.kind == TokenKind::OpenParen) {
            advance();
            const QString inner = parseOr(depth + 1);
            if (m_token.kind != TokenKind::CloseParen)
                fail(m_token.position, QStringLiteral("')' erwartet."));
            advance();
            return QLatin1Char('(') + inner + QLatin1Char(')');
        }
        if (m_token.kind != TokenKind::Word)
            fail(m_token.position, QStringLiteral("Feldname oder '(' erwartet."));
        return parseComparison();
    }

    QString parseComparison()
    {
        const FieldDef* field = m_table.field(m_token.text);
        if (!field)
            fail(m_token.position,
                 QStringLiteral("Unbekanntes Feld %1.").arg(quoted(m_token.text)));
        QString column = field->name;
        column = QLatin1Char('"') + column.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                 QLatin1Char('"');
        advance();
        if (m_token.kind != TokenKind::Operator)
            fail(m_token.position, QStringLiteral("Vergleichsoperator erwartet."));
        const Token op = m_token;
        advance();
        const Token value = m_token;
        if (isWord("null")) {
            const bool equal = op.text == QLatin1String("=");
            if (!equal && op.text != QLatin1String("<>"))
                fail(op.position, QStringLiteral("Mit Null ist nur '=' oder '<>' möglich."));
            advance();
            return QStringLiteral("%1 IS %2NULL")
                .arg(column, equal ? QString() : QStringLiteral("NOT "));
        }
        if (value.kind != TokenKind::Text && value.kind != TokenKind::Number)
            fail(value.position, QStringLiteral("Wert erwartet."));
        const QVariant typed = typedValue(*field, value);
        advance();
        if (field->type == FieldType::DateTime && value.kind == TokenKind::Text)
            return dayComparison(column, op.text, typed.toDouble());
        m_parameters << typed;
        // Texts compare exactly, whatever collation the column was declared with.
        const QString collation =
            field->type == FieldType::Text ? QStringLiteral(" COLLATE BINARY") : QString();
        return QStringLiteral("%1 %2 ?%3").arg(column, op.text, collation);
    }

    // A date names a whole day, while a stored time may carry the hour as a fraction: a
    // registration at noon of 07.12.2026 is "<= '07.12.2026'" and "= '07.12.2026'". So the
    // comparison is made against the day's bounds, which keeps the column bare for an index.
    QString dayComparison(const QString& column, const QString& op, double day)
    {
        const double next = day + 1;
        if (op == QLatin1String("<=") || op == QLatin1String(">")) {
            m_parameters << QVariant(next);
            return QStringLiteral("%1 %2 ?").arg(
                column, op == QLatin1String("<=") ? QStringLiteral("<") : QStringLiteral(">="));
        }
        if (op == QLatin1String("=") || op == QLatin1String("<>")) {
            m_parameters << QVariant(day) << QVariant(next);
            return op == QLatin1String("=") ? QStringLiteral("(%1 >= ? AND %1 < ?)").arg(column)
                                            : QStringLiteral("(%1 < ? OR %1 >= ?)").arg(column);
        }
        m_parameters << QVariant(day); // "<" and ">=" start at the day's first moment
        return QStringLiteral("%1 %2 ?").arg(column, op);
    }

    QVariant typedValue(const FieldDef& field, const Token& value) const
    {
        const bool isText = value.kind == TokenKind::Text;
        switch (field.type) {
        case FieldType::Boolean:
            if (isText && value.text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                return QVariant(qlonglong(1));
            if (isText && value.text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
                return QVariant(qlonglong(0));
            if (!isText && (value.text == QLatin1String("0") || value.text == QLatin1String("1")))
                return QVariant(value.text.toLongLong());
            fail(value.position, QStringLiteral("%1 ist kein Wahrheitswert ('True' oder 'False' "
                                                "erwartet).")
                                     .arg(quoted(value.text)));
        case FieldType::AutoIncrement:
        case FieldType::Integer:
        case FieldType::SmallInt:
            if (const std::optional<QVariant> number = numberValue(value.text))
                return *number;
            fail(value.position, QStringLiteral("%1 ist keine Zahl.").arg(quoted(value.text)));
        case FieldType::DateTime:
            if (!isText) {
                if (const std::optional<QVariant> number = numberValue(value.text))
                    return *number;
            } else if (const std::optional<QDate> date = dateValue(value.text)) {
                return QVariant(base::DayNumber::fromDate(*date));
            }
            fail(value.position,
                 QStringLiteral("%1 ist kein gültiges Datum.").arg(quoted(value.text)));
        case FieldType::Text:
            break;
        }
        return QVariant(value.text);
    }

    std::optional<QDate> dateValue(const QString& text) const
    {
        // The user's own short format first, then the one the filter dialog writes whatever
        // the system's language, then ISO.
        for (const QString& format : {m_locale.dateFormat(QLocale::ShortFormat),
                                      QStringLiteral("dd.MM.yyyy"), QStringLiteral("yyyy-MM-dd")}) {
            if (const std::optional<QDate> date = dateByFormat(text, format))
                return date;
        }
        return std::nullopt;
    }

    const QString& m_text;
    const TableDef& m_table;
    const QLocale& m_locale;
    int m_pos = 0;
    Token m_token;
    QVariantList m_parameters;
};

} // namespace

CompiledFilter FilterExpression::compile(const QString& text, const TableDef& table,
                                         const QLocale& locale)
{
    return Parser(text, table, locale).run();
}

} // namespace pelvaro::catalogue::store
