#include "site/SiteRecord.h"

#include "base/Windows1252.h"

#include <QtEndian>

#include <algorithm>
#include <bit>

namespace pelvaro::site {

using base::Windows1252;

namespace {

// Where each text lives in the byte form and how many Windows-1252 bytes it may hold; the
// slot is one length byte plus the capacity.
struct TextSlot
{
    SiteRecord::TextField field;
    qsizetype offset;
    qsizetype capacity;
};

constexpr TextSlot textSlots[] = {
    {{"FirstNameEdit", &SiteRecord::FirstNameEdit}, 0, 30},
    {{"LastNameEdit", &SiteRecord::LastNameEdit}, 31, 30},
    {{"title_personEdit", &SiteRecord::title_personEdit}, 62, 30},
    {{"mobileEdit", &SiteRecord::mobileEdit}, 93, 30},
    {{"tollfreeEdit", &SiteRecord::tollfreeEdit}, 124, 30},
    {{"FaxEdit", &SiteRecord::FaxEdit}, 155, 30},
    {{"phoneEdit", &SiteRecord::phoneEdit}, 186, 30},
    {{"PostcodeEdit", &SiteRecord::PostcodeEdit}, 217, 15},
    {{"CityEdit", &SiteRecord::CityEdit}, 233, 50},
    {{"AddressEdit", &SiteRecord::AddressEdit}, 284, 60},
    {{"emailEdit", &SiteRecord::emailEdit}, 345, 60},
    {{"CompanyEdit", &SiteRecord::CompanyEdit}, 406, 50},
    {{"productsEdit", &SiteRecord::productsEdit}, 457, 50},
    {{"StateEdit", &SiteRecord::StateEdit}, 508, 30},
    {{"TitleEdit", &SiteRecord::TitleEdit}, 539, 50},
    {{"URLEdit", &SiteRecord::URLEdit}, 590, 100},
    {{"DescriptionShortEdit", &SiteRecord::DescriptionShortEdit}, 691, 60},
    {{"NameVornameWebMasterEdit", &SiteRecord::NameVornameWebMasterEdit}, 752, 100},
    {{"WebmasterEmailEdit", &SiteRecord::WebmasterEmailEdit}, 853, 60},
    {{"passwordedit", &SiteRecord::passwordedit}, 914, 15},
    {{"ageEdit", &SiteRecord::ageEdit}, 930, 2},
    {{"KeywordsMemo", &SiteRecord::KeywordsMemo}, 933, 255},
    {{"DescriptionMemo", &SiteRecord::DescriptionMemo}, 1189, 255},
    {{"FullName", &SiteRecord::FullName}, 1934, 60},
};

constexpr qint32 SiteRecord::*indexSlots[] = {
    &SiteRecord::LanguageCombo, &SiteRecord::webtypeCombo,  &SiteRecord::CategoryCombo,
    &SiteRecord::countryCombo,  &SiteRecord::GreetingCombo, &SiteRecord::sexCombo,
};
constexpr qsizetype indexOffset = 1445;

constexpr qsizetype keyOffset = 1469;
constexpr qsizetype keyCapacity = SiteRecord::keyCapacity;
constexpr qsizetype keyStride = keyCapacity + 1;

constexpr qsizetype fullNameCapacity = 60;
constexpr qsizetype nameCapacity = 30;

constexpr qsizetype dateEntrySize = 12;

static_assert(indexOffset + 6 * 4 == keyOffset);
static_assert(keyOffset + SiteRecord::KeyCount * keyStride == 1934);
static_assert(1934 + fullNameCapacity + 1 == SiteRecord::DateTableOffset);
static_assert(SiteRecord::DateTableOffset + SiteRecord::DateEntryCount * dateEntrySize ==
              SiteRecord::ByteSize);

void writeText(char* out, qsizetype capacity, const QString& text)
{
    // The length byte counts code-page bytes, so the cut has to happen on the encoded form.
    const QByteArray bytes =
        Windows1252::encode(Windows1252::truncated(text, capacity)).left(capacity);
    out[0] = char(static_cast<unsigned char>(bytes.size()));
    std::copy(bytes.cbegin(), bytes.cend(), out + 1);
}

QString readText(const char* in, qsizetype capacity)
{
    // Files come from anywhere; a length byte beyond the field must not read the next one.
    const qsizetype length = std::min<qsizetype>(static_cast<unsigned char>(in[0]), capacity);
    return Windows1252::decode(in + 1, length);
}

} // namespace

void SiteRecord::Clear()
{
    *this = SiteRecord();
}

QString SiteRecord::fullNameOf(const QString& firstName, const QString& lastName)
{
    // Each part is first cut to what its own field can hold, as the joined name is built
    // from the stored fields.
    return Windows1252::truncated(Windows1252::truncated(firstName, nameCapacity) +
                                      QLatin1Char(' ') +
                                      Windows1252::truncated(lastName, nameCapacity),
                                  fullNameCapacity);
}

std::span<const SiteRecord::TextField> SiteRecord::textFields()
{
    // Every slot but the last, the derived full name.
    static const std::array<TextField, std::size(textSlots) - 1> fields = [] {
        std::array<TextField, std::size(textSlots) - 1> out{};
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = textSlots[i].field;
        return out;
    }();
    return fields;
}

int SiteRecord::capacityOf(QString SiteRecord::*member)
{
    for (const TextSlot& slot : textSlots) {
        if (slot.field.member == member)
            return int(slot.capacity);
    }
    return 0;
}

void SiteRecord::clampToCapacities()
{
    for (const TextSlot& slot : textSlots)
        this->*slot.field.member = Windows1252::truncated(this->*slot.field.member, slot.capacity);
    for (QString& key : Key)
        key = Windows1252::truncated(key, keyCapacity);
}

QByteArray SiteRecord::encode() const
{
    QByteArray out(ByteSize, '\0');
    char* data = out.data();
    for (const TextSlot& slot : textSlots)
        writeText(data + slot.offset, slot.capacity, this->*slot.field.member);
    for (qsizetype i = 0; i < qsizetype(std::size(indexSlots)); ++i)
        qToLittleEndian<qint32>(this->*indexSlots[i], data + indexOffset + 4 * i);
    for (qsizetype i = 0; i < KeyCount; ++i)
        writeText(data + keyOffset + keyStride * i, keyCapacity, Key[size_t(i)]);
    for (qsizetype i = 0; i < DateEntryCount; ++i) {
        const EngineDateEntry& entry = dates[size_t(i)];
        char* at = data + DateTableOffset + dateEntrySize * i;
        qToLittleEndian<qint32>(entry.nr, at);
        qToLittleEndian<quint64>(std::bit_cast<quint64>(entry.date), at + 4);
    }
    return out;
}

SiteRecord SiteRecord::decode(const QByteArray& bytes)
{
    // Working on a copy of exactly ByteSize bytes makes short input read as zeros and
    // keeps every read below inside the buffer.
    QByteArray padded = bytes.left(ByteSize);
    if (padded.size() < ByteSize)
        padded.append(ByteSize - padded.size(), '\0');
    const char* data = padded.constData();

    SiteRecord record;
    for (const TextSlot& slot : textSlots)
        record.*slot.field.member = readText(data + slot.offset, slot.capacity);
    for (qsizetype i = 0; i < qsizetype(std::size(indexSlots)); ++i)
        record.*indexSlots[i] = qFromLittleEndian<qint32>(data + indexOffset + 4 * i);
    for (qsizetype i = 0; i < KeyCount; ++i)
        record.Key[size_t(i)] = readText(data + keyOffset + keyStride * i, keyCapacity);
    for (qsizetype i = 0; i < DateEntryCount; ++i) {
        const char* at = data + DateTableOffset + dateEntrySize * i;
        EngineDateEntry& entry = record.dates[size_t(i)];
        entry.nr = qFromLittleEndian<qint32>(at);
        entry.date = std::bit_cast<double>(qFromLittleEndian<quint64>(at + 4));
    }
    return record;
}

} // namespace pelvaro::site
