#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace pelvaro::catalogue {

// One record of a CSV text and the line it starts on (1-based).
struct CsvRecord
{
    int line = 0;
    QStringList fields;
};

// Reads RFC 4180 text: comma-separated fields, double quotes around fields that hold
// commas, quotes or line breaks, a doubled quote for a quote inside, CR LF or LF as record
// end. Throws pelvaro::Error naming the line of a malformed record.
class CsvReader
{
public:
    static std::vector<CsvRecord> parse(const QString& text, const QString& fileName);
};

} // namespace pelvaro::catalogue
