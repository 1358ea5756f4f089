#include "site/SiteFile.h"

#include "base/AtomicFile.h"
#include "base/FileTexts.h"

#include <QFile>
#include <QTimeZone>
#include <QtEndian>

#include <zlib.h>

#include <limits>
#include <optional>

namespace pelvaro::site {

namespace {

constexpr qsizetype tagSize = 4;
constexpr qsizetype magicSize = 4;
constexpr qsizetype blockHeaderSize = magicSize + 4;
constexpr qsizetype maxPiece = 0xffff;
constexpr qint64 noTime = std::numeric_limits<qint64>::min();

bool isTag(QByteArrayView tag, const char* name)
{
    return tag == QByteArrayView(name, tagSize);
}

void appendEntry(QByteArray& entries, const char* tag, QByteArrayView value)
{
    entries.append(tag, tagSize);
    const quint16 length = static_cast<quint16>(qMin<qsizetype>(value.size(), maxPiece));
    char lengthBytes[2];
    qToLittleEndian(length, lengthBytes);
    entries.append(lengthBytes, 2);
    entries.append(value.first(length));
}

// Pieces of exactly maxPiece bytes and a shorter last one, so a reader knows where the value
// ends without a length of its own.
void appendLongEntry(QByteArray& entries, const char* tag, QByteArrayView value)
{
    for (;;) {
        const qsizetype piece = qMin(value.size(), maxPiece);
        appendEntry(entries, tag, value.first(piece));
        value = value.sliced(piece);
        if (piece < maxPiece)
            return;
    }
}

QByteArray block(const QByteArray& entries)
{
    QByteArray out(SiteFile::Magic, magicSize);
    char lengthBytes[4];
    qToLittleEndian(static_cast<quint32>(entries.size()), lengthBytes);
    out.append(lengthBytes, 4);
    return out + entries;
}

QByteArray deflated(const QByteArray& plain)
{
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(plain.constData()),
                  static_cast<uLong>(plain.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
        return {};
    out.truncate(static_cast<qsizetype>(size));
    return out;
}

// Unpacks at most SiteFile::MaxValue bytes; a damaged, unfinished or larger stream gives
// nothing, so no claim inside the data decides how much memory is taken.
std::optional<QByteArray> inflated(QByteArrayView packed)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    QByteArray out;
    int status = Z_OK;
    while (status == Z_OK) {
        const qsizetype room = qMin<qsizetype>(qMax<qsizetype>(out.size(), 64 * 1024),
                                               SiteFile::MaxValue - out.size());
        if (room <= 0)
            break;
        const qsizetype start = out.size();
        out.resize(start + room);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + start);
        stream.avail_out = static_cast<uInt>(room);
        status = inflate(&stream, Z_NO_FLUSH);
        out.truncate(start + room - static_cast<qsizetype>(stream.avail_out));
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || stream.avail_in != 0)
        return std::nullopt;
    return out;
}

class Writer
{
public:
    void u8(quint8 value) { m_out.append(char(value)); }
    void i32(qint32 value) { add(value); }
    void u32(quint32 value) { add(value); }
    void time(const QDateTime& value) { add(value.isValid() ? value.toMSecsSinceEpoch() : noTime); }
    void bytes(QByteArrayView value)
    {
        u32(static_cast<quint32>(value.size()));
        m_out.append(value);
    }
    void text(const QString& value) { bytes(value.toUtf8()); }
    const QByteArray& data() const { return m_out; }

private:
    template <typename T> void add(T value)
    {
        char raw[sizeof(T)];
        qToLittleEndian(value, raw);
        m_out.append(raw, sizeof(T));
    }
    QByteArray m_out;
};

// Every read past the end leaves the reader failed for good, so a caller checks once.
class Reader
{
public:
    explicit Reader(QByteArrayView data) : m_data(data) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_data.isEmpty(); }
    quint8 u8() { return take<quint8>(); }
    qint32 i32() { return take<qint32>(); }
    quint32 u32() { return take<quint32>(); }
    QDateTime time()
    {
        const qint64 ms = take<qint64>();
        return ms == noTime ? QDateTime() : QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
    }
    QByteArray bytes()
    {
        const quint32 length = u32();
        if (!m_ok || length > static_cast<quint64>(m_data.size())) {
            m_ok = false;
            return {};
        }
        const QByteArray out = m_data.first(length).toByteArray();
        m_data = m_data.sliced(length);
        return out;
    }
    QString text() { return QString::fromUtf8(bytes()); }
    QStringList texts(quint32 count)
    {
        QStringList out;
        // Each text takes at least its length, so the data bound the count before it is used.
        out.reserve(qMin<qsizetype>(count, m_data.size() / 4));
        for (quint32 i = 0; i < count && m_ok; ++i)
            out.append(text());
        return m_ok ? out : QStringList();
    }

private:
    template <typename T> T take()
    {
        if (!m_ok || m_data.size() < qsizetype(sizeof(T))) {
            m_ok = false;
            return T{};
        }
        const T value = qFromLittleEndian<T>(m_data.data());
        m_data = m_data.sliced(sizeof(T));
        return value;
    }
    QByteArrayView m_data;
    bool m_ok = true;
};

QByteArray encodeUrls(const QStringList& urls)
{
    Writer out;
    for (const QString& url : urls)
        out.text(url);
    return out.data();
}

std::optional<QStringList> decodeUrls(QByteArrayView data)
{
    Reader in(data);
    QStringList urls;
    while (in.ok() && !in.atEnd())
        urls.append(in.text());
    if (!in.ok())
        return std::nullopt;
    return urls;
}

QByteArray encodeEntry(const LedgerEntry& entry, bool withAddresses)
{
    Writer out;
    out.i32(entry.nr);
    out.time(entry.when);
    out.u8(static_cast<quint8>(entry.outcome));
    out.i32(entry.statusCode);
    out.text(entry.message);
    out.time(entry.notBefore);
    out.bytes(entry.fingerprint);
    const QStringList addresses = withAddresses ? entry.addresses : QStringList();
    out.u32(static_cast<quint32>(addresses.size()));
    for (const QString& address : addresses)
        out.text(address);
    return out.data();
}

std::optional<LedgerEntry> decodeEntry(QByteArrayView data)
{
    Reader in(data);
    LedgerEntry entry;
    entry.nr = in.i32();
    entry.when = in.time();
    const quint8 outcome = in.u8();
    entry.statusCode = in.i32();
    entry.message = in.text();
    entry.notBefore = in.time();
    entry.fingerprint = in.bytes();
    entry.addresses = in.texts(in.u32());
    if (!in.ok() || !in.atEnd() || outcome > quint8(LedgerEntry::Outcome::TooManyRequests))
        return std::nullopt;
    entry.outcome = static_cast<LedgerEntry::Outcome>(outcome);
    return entry;
}

// Nothing when the site's own addresses unpack to more than a reader takes. A ledger entry
// that would is written without its addresses, as are all when ledgerAddresses is false.
std::optional<QByteArray> extensionEntries(const SiteRecord& record, bool ledgerAddresses)
{
    QByteArray entries;
    if (!record.indexNowUrls.isEmpty()) {
        const QByteArray urls = encodeUrls(record.indexNowUrls);
        if (urls.size() > SiteFile::MaxValue)
            return std::nullopt;
        appendLongEntry(entries, SiteFile::IndexNowUrlsTag, deflated(urls));
    }
    for (const LedgerEntry& entry : record.ledger.entries()) {
        QByteArray value = encodeEntry(entry, ledgerAddresses);
        if (value.size() > SiteFile::MaxValue)
            value = encodeEntry(entry, false);
        appendLongEntry(entries, SiteFile::LedgerEntryTag, deflated(value));
    }
    return entries;
}

void applyLongValue(QByteArrayView tag, QByteArrayView packed, SiteRecord& record)
{
    const std::optional<QByteArray> value = inflated(packed);
    if (!value)
        return;
    if (isTag(tag, SiteFile::IndexNowUrlsTag)) {
        if (std::optional<QStringList> urls = decodeUrls(*value))
            record.indexNowUrls = std::move(*urls);
    } else if (std::optional<LedgerEntry> entry = decodeEntry(*value)) {
        record.ledger.record(*entry);
    }
}

void decodeBlock(QByteArrayView entries, SiteRecord& record)
{
    // A long value being gathered; given up when its next piece is missing.
    QByteArrayView longTag;
    QByteArray longValue;
    while (entries.size() >= tagSize + 2) {
        const QByteArrayView tag = entries.first(tagSize);
        const quint16 valueLength = qFromLittleEndian<quint16>(entries.data() + tagSize);
        entries = entries.sliced(tagSize + 2);
        if (valueLength > entries.size())
            return;
        const QByteArrayView value = entries.first(valueLength);
        entries = entries.sliced(valueLength);
        if (!longTag.isEmpty()) {
            if (tag == longTag) {
                longValue.append(value);
                if (valueLength < maxPiece) {
                    applyLongValue(longTag, longValue, record);
                    longTag = {};
                    longValue.clear();
                }
                continue;
            }
            longTag = {};
            longValue.clear();
        }
        if (isTag(tag, SiteFile::IndexNowKeyTag)) {
            record.indexNowKey = QString::fromLatin1(value);
        } else if (isTag(tag, SiteFile::IndexNowUrlsTag) || isTag(tag, SiteFile::LedgerEntryTag)) {
            if (valueLength < maxPiece) {
                applyLongValue(tag, value, record);
            } else {
                longTag = tag;
                longValue = value.toByteArray();
            }
        }
    }
}

} // namespace

QByteArray SiteFile::encodeTrailer(const SiteRecord& record)
{
    QByteArray trailer;
    if (!record.indexNowKey.isEmpty()) {
        QByteArray key;
        appendEntry(key, IndexNowKeyTag, record.indexNowKey.toLatin1());
        trailer = block(key);
    }
    std::optional<QByteArray> entries = extensionEntries(record, true);
    if (entries && trailer.size() + blockHeaderSize + entries->size() > MaxTrailer)
        entries = extensionEntries(record, false);
    if (!entries || trailer.size() + blockHeaderSize + entries->size() > MaxTrailer)
        return {};
    if (!entries->isEmpty())
        trailer += block(*entries);
    return trailer;
}

void SiteFile::decodeTrailer(QByteArrayView bytes, SiteRecord& record)
{
    while (bytes.size() >= blockHeaderSize &&
           bytes.first(magicSize) == QByteArrayView(Magic, magicSize)) {
        const quint32 length = qFromLittleEndian<quint32>(bytes.data() + magicSize);
        bytes = bytes.sliced(blockHeaderSize);
        if (length > static_cast<quint64>(bytes.size()))
            return;
        decodeBlock(bytes.first(length), record);
        bytes = bytes.sliced(length);
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
    // Only what is there: a read of the whole cap would reserve 16 MiB for every file.
    const qint64 rest = file.size() - file.pos();
    decodeTrailer(file.read(rest > 0 ? qMin<qint64>(rest, MaxTrailer) : MaxTrailer), result.record);
    return result;
}

QString SiteFile::write(const QString& path, const SiteRecord& record)
{
    const QByteArray trailer = encodeTrailer(record);
    if (trailer.isEmpty() && (!record.indexNowKey.isEmpty() || !record.indexNowUrls.isEmpty() ||
                              !record.ledger.isEmpty()))
        return QStringLiteral("Die weiteren Adressen für IndexNow sind zu umfangreich, um in "
                              "der Datei gespeichert zu werden.");
    return base::AtomicFile::write(path, record.encode() + trailer);
}

} // namespace pelvaro::site
