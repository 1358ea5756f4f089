#include "site/SiteFile.h"

#include "base/AtomicFile.h"
#include "base/FileTexts.h"

#include <QFile>

namespace pelvaro::site {

SiteFile::ReadResult SiteFile::read(const QString& path)
{
    ReadResult result;
    result.record.Clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.failure = Failure::NotFound;
        result.message = base::FileTexts::notFound();
        return result;
    }
    const QByteArray bytes = file.read(SiteRecord::ByteSize);
    if (bytes.size() < SiteRecord::ByteSize) {
        result.failure = Failure::TooShort;
        result.message =
            QStringLiteral("Fehler beim Lesen der Datei %1: Lesen über das Dateiende hinaus.")
                .arg(path);
        return result;
    }
    result.record = SiteRecord::decode(bytes);
    return result;
}

QString SiteFile::write(const QString& path, const SiteRecord& record)
{
    return base::AtomicFile::write(path, record.encode());
}

} // namespace pelvaro::site
