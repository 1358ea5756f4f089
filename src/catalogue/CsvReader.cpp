#include "catalogue/CsvReader.h"

#include "base/Error.h"

namespace pelvaro::catalogue {

std::vector<CsvRecord> CsvReader::parse(const QString& text, const QString& fileName)
{
    std::vector<CsvRecord> records;
    CsvRecord current;
    QString field;
    bool quoted = false;     // inside a quoted field
    bool afterQuote = false; // a quoted field just closed
    bool fieldStarted = false;
    int line = 1;
    current.line = 1;

    const auto fail = [&](int at, const QString& what) {
        return Error(QStringLiteral("%1, Zeile %2: %3").arg(fileName).arg(at).arg(what));
    };
    const auto endField = [&] {
        current.fields << field;
        field.clear();
        afterQuote = false;
        fieldStarted = false;
    };
    const auto endRecord = [&] {
        endField();
        // A line with nothing on it is no record.
        if (!(current.fields.size() == 1 && current.fields.first().isEmpty()))
            records.push_back(current);
        current = CsvRecord();
        current.line = line;
    };

    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++i;
                } else {
                    quoted = false;
                    afterQuote = true;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++line;
            endRecord();
        } else if (c == QLatin1Char('"')) {
            if (fieldStarted || afterQuote)
                throw fail(line, QStringLiteral("Anführungszeichen mitten im Feld."));
            quoted = true;
            fieldStarted = true;
        } else {
            if (afterQuote)
                throw fail(line, QStringLiteral("Text nach dem schließenden Anführungszeichen."));
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted)
        throw fail(current.line, QStringLiteral("Das Anführungszeichen wird nicht geschlossen."));
    if (fieldStarted || afterQuote || !current.fields.isEmpty())
        endRecord();
    return records;
}

} // namespace pelvaro::catalogue
