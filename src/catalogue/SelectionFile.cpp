#include "catalogue/SelectionFile.h"

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/FileTexts.h"
#include "base/UiServices.h"
#include "catalogue/TDataModule1.h"

#include <QFile>
#include <QtEndian>

namespace pelvaro::catalogue {

using store::ScreenUpdatesOff;
using store::TableCursor;

namespace {

base::FileDialogRequest dialogRequest(const QString& title)
{
    base::FileDialogRequest request;
    request.title = title;
    request.filter = QStringLiteral("Suchdiensteauswahl-Dateien (*.suc);;Alle Dateien (*)");
    request.defaultSuffix = QStringLiteral("suc");
    request.confirmOverwrite = true;
    return request;
}

} // namespace

QString SelectionFile::shortFileText(const QString& path)
{
    return QStringLiteral("Die Datei %1 kann nicht gelesen werden: Lesen über das Dateiende "
                          "hinaus.")
        .arg(path);
}

QByteArray SelectionFile::build(TDataModule1& module)
{
    QByteArray bytes(ByteSize, '\0');
    TableCursor& v = module.TableTMP();
    v.setIndexName(QString());
    const ScreenUpdatesOff quiet(v);
    v.setFiltered(false);
    int i = 0;
    for (v.first(); !v.eof() && !v.isEmpty() && i < EntryCount; v.next(), ++i) {
        char* entry = bytes.data() + 8 * i;
        qToLittleEndian<qint32>(v.value(QStringLiteral("Nr")).toInt(), entry);
        const QVariant selected = v.value(QStringLiteral("Ausgewaehlt"));
        entry[4] = selected.isValid() && selected.toBool() ? 1 : 0;
    }
    return bytes;
}

void SelectionFile::apply(TDataModule1& module, const QByteArray& bytes)
{
    const auto finish = [&module] {
        module.refreshListViews();
        module.recount();
    };
    try {
        if (bytes.size() < ByteSize)
            throw Error(shortFileText(QStringLiteral("der Suchdiensteauswahl")));
        // The rows in store order against the entries, up to the first number out of step;
        // then one statement for the rows to select and one for the rest.
        const std::vector<TDataModule1::StoreRow> rows =
            module.storeOrder({QStringLiteral("Nr")}, EntryCount);
        QList<qint64> selected;
        QList<qint64> unselected;
        for (size_t i = 0; i < rows.size(); ++i) {
            const char* entry = bytes.constData() + 8 * i;
            if (rows[i].values.at(0).toInt() != qFromLittleEndian<qint32>(entry))
                break;
            (entry[4] == 1 ? selected : unselected) << rows[i].rowid;
        }
        module.bulk([&module, &selected, &unselected] {
            module.setFieldOfRows(QStringLiteral("Ausgewaehlt"), true, selected);
            module.setFieldOfRows(QStringLiteral("Ausgewaehlt"), false, unselected);
        });
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

QString SelectionFile::save(TDataModule1& module, const QString& path)
{
    return base::AtomicFile::write(path, build(module));
}

SelectionFile::LoadResult SelectionFile::load(TDataModule1& module, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::NotFound;
    const QByteArray bytes = file.read(ByteSize);
    file.close();
    if (bytes.size() < ByteSize) {
        // The selection stays as it was; the counts are taken anew all the same.
        module.refreshListViews();
        module.recount();
        throw Error(shortFileText(path));
    }
    apply(module, bytes);
    return LoadResult::Loaded;
}

void SelectionFile::saveCommand(base::UiServices& ui, TDataModule1& module)
{
    const std::optional<QString> path =
        ui.getSaveFileName(dialogRequest(QStringLiteral("Speichern der Suchdiensteauswahl")));
    if (!path)
        return;
    base::WaitNoticeGuard notice(ui, base::FileTexts::saving());
    QString failure;
    try {
        failure = save(module, *path);
    } catch (const Error& e) {
        notice.close();
        ui.showGeneralError(e.message());
        return;
    }
    notice.close();
    if (!failure.isEmpty()) {
        // Saving that fails must not look like success.
        ui.error(base::FileTexts::saveFailed(*path, failure));
        return;
    }
    ui.information(base::FileTexts::saved(*path));
}

void SelectionFile::loadCommand(base::UiServices& ui, TDataModule1& module)
{
    const std::optional<QString> path =
        ui.getOpenFileName(dialogRequest(QStringLiteral("Laden einer Suchdiensteauswahl")));
    if (path)
        loadFileCommand(ui, module, *path);
}

void SelectionFile::loadFileCommand(base::UiServices& ui, TDataModule1& module, const QString& path)
{
    try {
        if (load(module, path) == LoadResult::NotFound)
            ui.warning(base::FileTexts::notFound());
    } catch (const Error& e) {
        ui.showGeneralError(e.message());
    }
}

} // namespace pelvaro::catalogue
