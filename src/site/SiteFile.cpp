#include "site/SiteFile.h"

#include "base/AtomicFile.h"
#include "base/FileTexts.h"

#include <QFile>
#include <QtEndian>

namespace pelvaro::site {

namespace {

constexpr qsizetype tagSize = 4;
constexpr qsizetype magicSize = 4;
// A trailer is small; anything larger is not ours and is not read into memory.
constexpr qsizetype maxTrailer = 64 * 1024;

void appendEntry(QByteArray& entries, const char* tag, const QByteArray& value)
{
    entries.append(tag, tagSize);
    const quint16 length = static_cast<quint16>(qMin<qsizetype>(value.size(), 0xffff));
    char lengthBytes[2];
    qToLittleEndian(length, lengthBytes);
    entries.append(lengthBytes, 2);
    entries.append(value.left(length));
}

} // namespace

QByteArray SiteFile::encodeTrailer(const SiteRecord& record)
{
    QByteArray entries;
    if (!record.indexNowKey.isEmpty())
        appendEntry(entries, IndexNowKeyTag, record.indexNowKey.toLatin1());
    if (entries.isEmpty())
        return {};
    QByteArray trailer(Magic, magicSize);
    char lengthBytes[4];
    qToLittleEndian(static_cast<quint32>(entries.size()), lengthBytes);
    trailer.append(lengthBytes, 4);
    return trailer + entries;
}

void SiteFile::decodeTrailer(QByteArrayView bytes, SiteRecord& record)
{
    if (bytes.size() < magicSize + 4 || bytes.first(magicSize) != QByteArrayView(Magic, magicSize))
        return;
    const quint32 length = qFromLittleEndian<quint32>(bytes.data() + magicSize);
    QByteArrayView entries = bytes.sliced(magicSize + 4);
    if (length > static_cast<quint64>(entries.size()))
        return;
    entries.truncate(length);
    while (entries.size() >= tagSize + 2) {
        const QByteArrayView tag = entries.first(tagSize);
        const quint16 valueLength = qFromLittleEndian<quint16>(entries.data() + tagSize);
        entries = entries.sliced(tagSize + 2);
        if (valueLength > entries.size())
            return;
        const QByteArrayView value = entries.first(valueLength);
        entries = entries.sliced(valueLength);
        if (tag == QByteArrayView(IndexNowKeyTag, tagSize))
            record.indexNowKey = QString::fromLatin1(value);
    }
}

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
    decodeTrailer(file.read(maxTrailer), result.record);
    return result;
}

QString SiteFile::write(const QString& path, const SiteRecord& record)
{
    return base::AtomicFile::write(path, record.encode() + encodeTrailer(record));
}

} // namespace pelvaro::site
