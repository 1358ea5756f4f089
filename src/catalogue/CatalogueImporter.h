#pragma once

#include <QString>

namespace pelvaro::catalogue::store {
class Database;
}

namespace pelvaro::catalogue {

// Builds the catalogue database from the text sources dba.csv, dbc.csv and dbd.csv.
//
// The CSV files are UTF-8 with RFC 4180 quoting; the first row names the fields (any
// order, without regard to case; a missing column means no value); an empty cell means no
// value; booleans are True or False; dates are YYYY-MM-DD, optionally with THH:MM:SS; the
// keys Nr, KategorieID and FelderID are given, and rows are stored in file order.
class CatalogueImporter
{
public:
    // Replaces the catalogue in dataDirectory only when every row of all three files was
    // read; a bad row throws pelvaro::Error naming the file and line, and the catalogue
    // already there stays untouched. Returns the number of services.
    static int importDirectory(const QString& sourceDirectory, const QString& dataDirectory);
    // Reads the three files into the tables of an open catalogue database, which the caller
    // has emptied, inside the caller's transaction; throws like importDirectory.
    static void importInto(store::Database& db, const QString& sourceDirectory);
};

} // namespace pelvaro::catalogue
