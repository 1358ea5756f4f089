#include "app/StartFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace pelvaro::app {

StartFiles::Kind StartFiles::kindOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("sit"), Qt::CaseInsensitive) == 0)
        return Kind::SiteInfo;
    if (suffix.compare(QLatin1String("suc"), Qt::CaseInsensitive) == 0)
        return Kind::Selection;
    return Kind::Other;
}

std::optional<QString> StartFiles::unwritableFolderProblem(const QStringList& folders)
{
    for (const QString& folder : folders) {
        // Permission bits alone do not tell (a read-only mount, an administrator's account),
        // so the folder is tried with a real file.
        bool usable = QDir().mkpath(folder);
        if (usable) {
            QTemporaryFile probe(folder + QStringLiteral("/.pelvaro-probe-XXXXXX"));
            usable = probe.open();
        }
        if (!usable) {
            return QStringLiteral(
                       "Pelvaro! kann nicht starten: Der Ordner\n%1\nlässt sich nicht anlegen "
                       "oder ist schreibgeschützt. Pelvaro! legt dort seine Einstellungen und "
                       "Daten ab.\n\nBitte prüfen Sie, ob Ihr persönlicher Ordner (%2) "
                       "vorhanden und für Sie beschreibbar ist.\n\nDie Anwendung wird beendet!")
                .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(QDir::homePath()));
        }
    }
    return std::nullopt;
}

} // namespace pelvaro::app
