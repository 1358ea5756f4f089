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
    // The fields a catalogue of an older version lacks, added empty: IndexNow (the service
    // takes IndexNow posts instead of a form) and Ausstehend (the open site still needs
    // submitting there; kept up to date by the program while a site is open). Catalogue
    // updates built for older versions arrive without them too. Throws pelvaro::Error when
    // the file cannot take them (read-only).
    static void upgradeSchema(Database& db);
    // Throws pelvaro::Error when a table or one of its fields is missing.
    static void verifySchema(Database& db);
    // How the program's connections use the file: with a write-ahead log. A commit then costs
    // one sync of the log instead of several of the file and its journal, and a reader (the
    // window between two clicks) never keeps another program from writing. Where the folder
    // does not allow the log, the file stays with its rollback journal.
    static void configureConnection(Database& db);
    // Before a new file takes the place of the catalogue at path: the old file is put back
    // to a plain rollback journal, which SQLite allows only while no other program has it
    // open. Throws pelvaro::Error when it is in use: its log would be read as the new
    // file's. A file that is no catalogue at all is no obstacle.
    static void releaseForReplacement(const QString& path);
};

} // namespace pelvaro::catalogue::store
