#pragma once

#include <QByteArray>
#include <QString>

namespace pelvaro::catalogue {
class TDataModule1;
}

namespace pelvaro::updates {

// A catalogue update as the product's server offers it: a gzip-compressed tar archive with
// the catalogue sources dba.csv, dbc.csv and dbd.csv.
class CatalogueArchive
{
public:
    // Installs the archive into the open catalogue in place, keeping each service's
    // Ausgewaehlt, NurManuell and ZuletztRegistriert by Nr; every view reads the new rows.
    // Throws pelvaro::Error with a German text naming the reason when the archive is broken;
    // the old catalogue then stays untouched. Returns the number of services installed.
    static int install(catalogue::TDataModule1& module, const QString& archivePath);
    // Writes such an archive from the three CSV texts, inside `topFolder` when one is given
    // (for the demo server and tests). Throws pelvaro::Error when the file cannot be written.
    static void write(const QString& archivePath, const QByteArray& dba, const QByteArray& dbc,
                      const QByteArray& dbd, const QString& topFolder = {});

    // Nothing of an archive is ever kept beyond these sizes, so a hostile archive that
    // unpacks to gigabytes is refused instead of filling the memory.
    static constexpr qint64 EntryCap = 64 * 1024 * 1024;
    static constexpr qint64 TotalCap = 128 * 1024 * 1024;

    static QString failureText(const QString& archivePath, const QString& reason);
};

} // namespace pelvaro::updates
