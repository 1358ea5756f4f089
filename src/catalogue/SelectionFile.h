#pragma once

#include <QByteArray>
#include <QString>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::catalogue {

class TDataModule1;

// Selection files (.suc): 700 entries of 8 bytes, one per catalogue row in store order:
// the row's Nr (32-bit little-endian), a selection byte (1 selected, 0 not), three zeros.
class SelectionFile
{
public:
    static constexpr qsizetype ByteSize = 5600;
    static constexpr int EntryCount = 700;

    // The current selection as file bytes. Rows after the 700th have no room and are left out.
    static QByteArray build(TDataModule1& module);
    // Applies file bytes to the catalogue, row by row in store order, up to the first row
    // whose Nr differs from its entry. The list views are refreshed and the counters
    // recounted afterwards, also on failure. Bytes shorter than a whole file are refused
    // with an error before anything changes; extra bytes are ignored.
    static void apply(TDataModule1& module, const QByteArray& bytes);

    enum class LoadResult
    {
        Loaded,
        NotFound
    };
    // Writes the file; the reason when it cannot be written (an existing file then stays
    // as it was), else empty.
    static QString save(TDataModule1& module, const QString& path);
    // Reads and applies the file; throws pelvaro::Error for a short file.
    static LoadResult load(TDataModule1& module, const QString& path);

    // The user's commands "Auswahl speichern" and "Auswahl laden" with their dialogs and
    // messages. Failures meant for the general error display reach it.
    static void saveCommand(base::UiServices& ui, TDataModule1& module);
    static void loadCommand(base::UiServices& ui, TDataModule1& module);
    // "Auswahl laden" once the file is chosen; files the program is started with come
    // this way too.
    static void loadFileCommand(base::UiServices& ui, TDataModule1& module, const QString& path);

    static QString shortFileText(const QString& path);
};

} // namespace pelvaro::catalogue
