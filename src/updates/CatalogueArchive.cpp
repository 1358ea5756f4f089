#include "updates/CatalogueArchive.h"

#include "base/Error.h"
#include "catalogue/TDataModule1.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <array>
#include <memory>

namespace pelvaro::updates {

namespace {

const std::array<QString, 3> sourceNames{QStringLiteral("dba.csv"), QStringLiteral("dbc.csv"),
                                         QStringLiteral("dbd.csv")};

struct ReaderDeleter
{
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriterDeleter
{
    void operator()(archive* a) const { archive_write_free(a); }
};

QString archiveError(archive* a)
{
    const char* text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("unbekannter Fehler");
}

// The three sources, read into memory by their base name. Entry names are never used as
// paths, so names such as "../x" can do no harm.
std::array<QByteArray, 3> readSources(const QString& archivePath)
{
    const auto fail = [&archivePath](const QString& reason) {
        return Error(CatalogueArchive::failureText(archivePath, reason));
    };
    if (!QFileInfo(archivePath).isFile())
        throw fail(QStringLiteral("Die Datei ist nicht vorhanden."));
    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    archive_read_support_filter_gzip(reader.get());
    archive_read_support_format_tar(reader.get());
    if (archive_read_open_filename(reader.get(), QFile::encodeName(archivePath).constData(),
                                   64 * 1024) != ARCHIVE_OK)
        throw fail(QStringLiteral("Die Datei ist kein Katalog-Archiv oder beschädigt (%1).")
                       .arg(archiveError(reader.get())));
    std::array<QByteArray, 3> sources;
    std::array<bool, 3> found{};
    qint64 total = 0;
    archive_entry* entry = nullptr;
    for (;;) {
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN)
            throw fail(
                QStringLiteral("Das Archiv ist beschädigt (%1).").arg(archiveError(reader.get())));
        const char* rawName = archive_entry_pathname(entry);
        const QString path = QString::fromUtf8(rawName ? rawName : "");
        // Nothing is unpacked under these names, but an archive of ours never holds them: one
        // that does was made elsewhere or tampered with, and is not installed.
        const QString slashed = QString(path).replace(u'\\', u'/');
        if (slashed.startsWith(u'/') || slashed.split(u'/').contains(QStringLiteral("..")))
            throw fail(
                QStringLiteral("Das Archiv enthält den unzulässigen Dateinamen \"%1\".").arg(path));
        if (archive_entry_filetype(entry) != AE_IFREG)
            continue;
        const QString name = QFileInfo(path).fileName();
        qsizetype index = -1;
        for (size_t i = 0; i < sourceNames.size(); ++i)
            if (name.compare(sourceNames[i], Qt::CaseInsensitive) == 0)
                index = qsizetype(i);
        if (index < 0)
            continue;
        if (found[size_t(index)])
            throw fail(QStringLiteral("Das Archiv enthält die Datei %1 mehrfach.")
                           .arg(sourceNames[size_t(index)]));
        found[size_t(index)] = true;
        QByteArray& bytes = sources[size_t(index)];
        std::array<char, 64 * 1024> block;
        for (;;) {
            const la_ssize_t got = archive_read_data(reader.get(), block.data(), block.size());
            if (got < 0)
                throw fail(QStringLiteral("Das Archiv ist beschädigt (%1).")
                               .arg(archiveError(reader.get())));
            if (got == 0)
                break;
            total += got;
            if (bytes.size() + got > CatalogueArchive::EntryCap ||
                total > CatalogueArchive::TotalCap)
                throw fail(QStringLiteral("Die Datei %1 im Archiv ist zu groß.")
                               .arg(sourceNames[size_t(index)]));
            bytes.append(block.data(), qsizetype(got));
        }
    }
    for (size_t i = 0; i < sourceNames.size(); ++i)
        if (!found[i])
            throw fail(QStringLiteral("Das Archiv enthält keine Datei %1.").arg(sourceNames[i]));
    return sources;
}

} // namespace

QString CatalogueArchive::failureText(const QString& archivePath, const QString& reason)
{
    return QStringLiteral("Der neue Katalog aus \"%1\" kann nicht installiert werden. "
                          "Der bisherige Katalog bleibt unverändert.\n%2")
        .arg(QFileInfo(archivePath).fileName(), reason);
}

int CatalogueArchive::install(catalogue::TDataModule1& module, const QString& archivePath)
{
    const std::array<QByteArray, 3> sources = readSources(archivePath);
    // The importer reads files; under our own names in a folder of our own.
    QTemporaryDir folder;
    if (!folder.isValid())
        throw Error(failureText(
            archivePath, QStringLiteral("Kein temporärer Ordner: %1").arg(folder.errorString())));
    for (size_t i = 0; i < sources.size(); ++i) {
        QFile file(folder.filePath(sourceNames[i]));
        if (!file.open(QIODevice::WriteOnly) || file.write(sources[i]) != sources[i].size())
            throw Error(failureText(archivePath, file.errorString()));
    }
    try {
        return module.replaceCatalogue(folder.path());
    } catch (const Error& e) {
        throw Error(failureText(archivePath, e.message()));
    }
}

void CatalogueArchive::write(const QString& archivePath, const QByteArray& dba,
                             const QByteArray& dbc, const QByteArray& dbd, const QString& topFolder)
{
    std::unique_ptr<archive, WriterDeleter> writer(archive_write_new());
    archive_write_add_filter_gzip(writer.get());
    archive_write_set_format_ustar(writer.get());
    const auto fail = [&] {
        return Error(QStringLiteral("Das Katalog-Archiv %1 kann nicht geschrieben werden: %2")
                         .arg(archivePath, archiveError(writer.get())));
    };
    if (archive_write_open_filename(writer.get(), QFile::encodeName(archivePath).constData()) !=
        ARCHIVE_OK)
        throw fail();
    const std::array<const QByteArray*, 3> contents{&dba, &dbc, &dbd};
    for (size_t i = 0; i < sourceNames.size(); ++i) {
        std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(archive_entry_new(),
                                                                       archive_entry_free);
        const QString name =
            topFolder.isEmpty() ? sourceNames[i] : topFolder + QLatin1Char('/') + sourceNames[i];
        archive_entry_set_pathname(entry.get(), name.toUtf8().constData());
        archive_entry_set_size(entry.get(), contents[i]->size());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK ||
            archive_write_data(writer.get(), contents[i]->constData(),
                               size_t(contents[i]->size())) != la_ssize_t(contents[i]->size()))
            throw fail();
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        throw fail();
}

} // namespace pelvaro::updates
