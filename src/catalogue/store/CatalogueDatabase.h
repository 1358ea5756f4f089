#pragma once

#include <QString>

namespace pelvaro::catalogue::store {

class Database;

// The catalogue database "pelvarodaten": one SQLite file in the data folder holding the
// tables dba, dbc and dbd.
class CatalogueDatabase
{
public:
    static QString filePath(const QString& dataDirectory);
    // Creates the three tables with their indexes in an empty database.
    static void createSchema(Database& db);
    // Throws pelvaro::Error when a table or one of its fields is missing.
    static void verifySchema(Database& db);
};

} // namespace pelvaro::catalogue::store
