#include "site/SiteRecord.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>

using pelvaro::site::EngineDateEntry;
using pelvaro::site::SiteRecord;

namespace {

// The byte layout written down independently of the implementation, so a shifted or
// swapped field shows up as a wrong offset here.
struct TextField
{
    const char* name;
    QString SiteRecord::*member;
    qsizetype offset;
    qsizetype capacity;
};

const TextField textFields[] = {
    {"FirstNameEdit", &SiteRecord::FirstNameEdit, 0, 30},
    {"LastNameEdit", &SiteRecord::LastNameEdit, 31, 30},
    {"title_personEdit", &SiteRecord::title_personEdit, 62, 30},
    {"mobileEdit", &SiteRecord::mobileEdit, 93, 30},
    {"tollfreeEdit", &SiteRecord::tollfreeEdit, 124, 30},
    {"FaxEdit", &SiteRecord::FaxEdit, 155, 30},
    {"phoneEdit", &SiteRecord::phoneEdit, 186, 30},
    {"PostcodeEdit", &SiteRecord::PostcodeEdit, 217, 15},
    {"CityEdit", &SiteRecord::CityEdit, 233, 50},
    {"AddressEdit", &SiteRecord::AddressEdit, 284, 60},
    {"emailEdit", &SiteRecord::emailEdit, 345, 60},
    {"CompanyEdit", &SiteRecord::CompanyEdit, 406, 50},
    {"productsEdit", &SiteRecord::productsEdit, 457, 50},
    {"StateEdit", &SiteRecord::StateEdit, 508, 30},
    {"TitleEdit", &SiteRecord::TitleEdit, 539, 50},
    {"URLEdit", &SiteRecord::URLEdit, 590, 100},
    {"DescriptionShortEdit", &SiteRecord::DescriptionShortEdit, 691, 60},
    {"NameVornameWebMasterEdit", &SiteRecord::NameVornameWebMasterEdit, 752, 100},
    {"WebmasterEmailEdit", &SiteRecord::WebmasterEmailEdit, 853, 60},
    {"passwordedit", &SiteRecord::passwordedit, 914, 15},
    {"ageEdit", &SiteRecord::ageEdit, 930, 2},
    {"KeywordsMemo", &SiteRecord::KeywordsMemo, 933, 255},
    {"DescriptionMemo", &SiteRecord::DescriptionMemo, 1189, 255},
    {"FullName", &SiteRecord::FullName, 1934, 60},
};

qsizetype keyOffset(int i)
{
    return 1469 + 31 * i;
}

qsizetype dateEntryOffset(int k)
{
    return 1983 + 12 * k;
}

qint32 int32At(const QByteArray& bytes, qsizetype offset)
{
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

double doubleAt(const QByteArray& bytes, qsizetype offset)
{
    return std::bit_cast<double>(qFromLittleEndian<quint64>(bytes.constData() + offset));
}

// Every text filled with a text of its own (umlauts included), indexes and dates distinct.
SiteRecord filledRecord()
{
    SiteRecord record;
    int n = 0;
    for (const TextField& field : textFields)
        record.*field.member = QStringLiteral("Ä%1-").arg(++n).left(field.capacity);
    record.ageEdit = QStringLiteral("42");
    record.KeywordsMemo = QStringLiteral("Straße, Größe,\r\nÜbung");
    record.LanguageCombo = 16;
    record.webtypeCombo = 0;
    record.CategoryCombo = 146;
    record.countryCombo = 238;
    record.GreetingCombo = 1;
    record.sexCombo = 0;
    for (int i = 0; i < SiteRecord::KeyCount; ++i)
        record.Key[size_t(i)] = QStringLiteral("Schlüssel %1").arg(i + 1);
    for (int k = 1; k <= SiteRecord::DateEntryCount; ++k)
        record.dates[size_t(k - 1)] = {1000 + k, 36526.5 + k};
    return record;
}

} // namespace

TEST(SiteRecord, ClearedRecordIsZeroExceptTheSixIndexes)
{
    SiteRecord record = filledRecord();
    record.Clear();
    EXPECT_EQ(record, SiteRecord());
    EXPECT_TRUE(record.FullName.isEmpty());
    EXPECT_TRUE(record.Key[14].isEmpty());

    const QByteArray bytes = record.encode();
    ASSERT_EQ(bytes.size(), 10395);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char expected = (i >= 1445 && i < 1469) ? char(0xFF) : '\0';
        ASSERT_EQ(bytes.at(i), expected) << "offset " << i;
    }
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(int32At(bytes, 1445 + 4 * i), -1);
}

TEST(SiteRecord, FilledRecordLandsAtItsOffsetsAndRoundTrips)
{
    const SiteRecord record = filledRecord();
    const QByteArray bytes = record.encode();
    ASSERT_EQ(bytes.size(), SiteRecord::ByteSize);

    for (const TextField& field : textFields) {
        SCOPED_TRACE(field.name);
        const QString text = record.*field.member;
        const QByteArray encoded = text.toLatin1(); // the test texts are all Latin-1
        EXPECT_EQ(static_cast<unsigned char>(bytes.at(field.offset)), encoded.size());
        EXPECT_EQ(bytes.mid(field.offset + 1, encoded.size()), encoded);
        EXPECT_EQ(bytes.mid(field.offset + 1 + encoded.size(), field.capacity - encoded.size()),
                  QByteArray(field.capacity - encoded.size(), '\0'));
    }
    // "Ä" is one byte, 0xC4, as in the code page.
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(1)), 0xC4);

    const qint32 indexes[] = {16, 0, 146, 238, 1, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(int32At(bytes, 1445 + 4 * i), indexes[i]) << "index " << i;

    for (int i = 0; i < SiteRecord::KeyCount; ++i) {
        const QByteArray key = record.Key[size_t(i)].toLatin1();
        EXPECT_EQ(bytes.at(keyOffset(i)), char(key.size()));
        EXPECT_EQ(bytes.mid(keyOffset(i) + 1, key.size()), key);
    }

    for (int k : {1, 2, 350, 700}) {
        EXPECT_EQ(int32At(bytes, dateEntryOffset(k)), 1000 + k) << "entry " << k;
        EXPECT_EQ(doubleAt(bytes, dateEntryOffset(k) + 4), 36526.5 + k) << "entry " << k;
    }
    EXPECT_EQ(dateEntryOffset(1), SiteRecord::DateTableOffset);
    EXPECT_EQ(dateEntryOffset(700) + 12, SiteRecord::ByteSize);

    EXPECT_EQ(SiteRecord::decode(bytes), record);
}

TEST(SiteRecord, TextsAreCutToTheirCapacityInCodePageBytes)
{
    SiteRecord record;
    record.DescriptionMemo = QString(300, QLatin1Char('x'));
    record.ageEdit = QStringLiteral("123");
    // "€" exists in the code page, "Ł" and the emoji do not; the emoji is one character
    // (a surrogate pair) and must take one byte, not two.
    record.CityEdit = QStringLiteral("€ Łódź 😀!");
    record.PostcodeEdit = QStringLiteral("😀").repeated(20);
    record.Key[3] = QString(31, QLatin1Char('k'));
    record.FullName = QString(61, QLatin1Char('f'));

    const QByteArray bytes = record.encode();
    ASSERT_EQ(bytes.size(), SiteRecord::ByteSize);
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(1189)), 255);
    EXPECT_EQ(bytes.at(1445), char(0xFF)) << "the memo ran into the item indexes";
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(233)), 9);
    EXPECT_EQ(bytes.mid(234, 9), QByteArray("\x80 ?\xF3"
                                            "d? ?!"));
    EXPECT_EQ(bytes.at(217), char(15));

    const SiteRecord decoded = SiteRecord::decode(bytes);
    EXPECT_EQ(decoded.DescriptionMemo, QString(255, QLatin1Char('x')));
    EXPECT_EQ(decoded.ageEdit, QStringLiteral("12"));
    EXPECT_EQ(decoded.CityEdit, QStringLiteral("€ ?ód? ?!"));
    EXPECT_EQ(decoded.PostcodeEdit, QString(15, QLatin1Char('?')));
    EXPECT_EQ(decoded.Key[3], QString(30, QLatin1Char('k')));
    EXPECT_EQ(decoded.FullName, QString(60, QLatin1Char('f')));

    // Cutting in memory agrees with what a save and load would keep.
    SiteRecord clamped = record;
    clamped.clampToCapacities();
    EXPECT_EQ(clamped.DescriptionMemo, decoded.DescriptionMemo);
    EXPECT_EQ(clamped.ageEdit, decoded.ageEdit);
    EXPECT_EQ(clamped.PostcodeEdit, QStringLiteral("😀").repeated(15));
    EXPECT_EQ(clamped.Key[3], decoded.Key[3]);
    EXPECT_EQ(clamped.FullName, decoded.FullName);
    EXPECT_EQ(clamped.encode(), bytes);
}

TEST(SiteRecord, FullNameJoinsWithOneBlankAndKeepsSixtyCharacters)
{
    const QString first30(30, QLatin1Char('V'));
    const QString last30 = QStringLiteral("N").repeated(29) + QLatin1Char('Z');
    const QString full = SiteRecord::fullNameOf(first30, last30);
    EXPECT_EQ(full.size(), 60);
    EXPECT_EQ(full, first30 + QLatin1Char(' ') + last30.left(29));

    EXPECT_EQ(SiteRecord::fullNameOf(QStringLiteral("Jörg"), QStringLiteral("Müller")),
              QStringLiteral("Jörg Müller"));
    EXPECT_EQ(SiteRecord::fullNameOf({}, QStringLiteral("Müller")), QStringLiteral(" Müller"));
    EXPECT_EQ(SiteRecord::fullNameOf({}, {}), QStringLiteral(" "));
    // Longer parts than their fields hold are cut as the fields would cut them.
    EXPECT_EQ(SiteRecord::fullNameOf(QString(40, QLatin1Char('V')), QStringLiteral("X")),
              first30 + QStringLiteral(" X"));

    SiteRecord record;
    record.FirstNameEdit = first30;
    record.LastNameEdit = last30;
    record.recomputeFullName();
    EXPECT_EQ(record.FullName, full);
    EXPECT_EQ(SiteRecord::decode(record.encode()).FullName, full);
}

TEST(SiteRecord, DecodeOfShortOrLongInputReadsZerosOrIgnoresTheRest)
{
    const SiteRecord record = filledRecord();
    const QByteArray bytes = record.encode();

    EXPECT_EQ(SiteRecord::decode(bytes + QByteArray(500, 'x')), record);

    // Cut inside the keyword memo: what lies before survives, the cut text keeps the bytes
    // that are there, everything after reads as zero (indexes 0, not -1).
    const SiteRecord cut = SiteRecord::decode(bytes.left(940));
    EXPECT_EQ(cut.FirstNameEdit, record.FirstNameEdit);
    EXPECT_EQ(cut.ageEdit, record.ageEdit);
    EXPECT_EQ(cut.KeywordsMemo, record.KeywordsMemo.left(6) + QString(15, QChar(0)));
    EXPECT_TRUE(cut.DescriptionMemo.isEmpty());
    EXPECT_EQ(cut.LanguageCombo, 0);
    EXPECT_EQ(cut.dates[699], EngineDateEntry());

    const SiteRecord empty = SiteRecord::decode({});
    EXPECT_TRUE(empty.FirstNameEdit.isEmpty());
    EXPECT_EQ(empty.sexCombo, 0);
    EXPECT_EQ(empty.encode(), QByteArray(SiteRecord::ByteSize, '\0'));
}

TEST(SiteRecord, LengthBytesAboveCapacityAreClampedToTheField)
{
    // Each field's bytes carry their own letter, so reading past a field shows up as a
    // foreign letter in the text.
    QByteArray bytes(SiteRecord::ByteSize, '\0');
    char letter = 'A';
    auto fill = [&](qsizetype offset, qsizetype capacity, char c) {
        bytes[offset] = char(0xFF);
        std::memset(bytes.data() + offset + 1, c, size_t(capacity));
    };
    for (const TextField& field : textFields)
        fill(field.offset, field.capacity, letter++);
    for (int i = 0; i < SiteRecord::KeyCount; ++i)
        fill(keyOffset(i), 30, char('a' + i));

    const SiteRecord record = SiteRecord::decode(bytes);
    letter = 'A';
    for (const TextField& field : textFields) {
        SCOPED_TRACE(field.name);
        EXPECT_EQ(record.*field.member, QString(field.capacity, QLatin1Char(letter++)));
    }
    for (int i = 0; i < SiteRecord::KeyCount; ++i)
        EXPECT_EQ(record.Key[size_t(i)], QString(30, QLatin1Char(char('a' + i))));

    const QByteArray again = record.encode();
    ASSERT_EQ(again.size(), SiteRecord::ByteSize);
    EXPECT_EQ(static_cast<unsigned char>(again.at(933)), 255);
    EXPECT_EQ(again.at(930), char(2));
}

TEST(SiteRecord, DecodeSurvivesRandomBytes)
{
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<qsizetype> length(0, SiteRecord::ByteSize + 64);
    for (int round = 0; round < 1000; ++round) {
        QByteArray input(length(random), Qt::Uninitialized);
        for (char& c : input)
            c = char(byte(random));
        // Favour the length bytes' extreme so clamping is hit often.
        for (const TextField& field : textFields) {
            if (field.offset < input.size() && round % 2 == 0)
                input[field.offset] = char(0xFF);
        }

        const SiteRecord record = SiteRecord::decode(input);
        for (const TextField& field : textFields)
            ASSERT_LE((record.*field.member).size(), field.capacity) << field.name;
        for (const QString& key : record.Key)
            ASSERT_LE(key.size(), 30);

        const QByteArray encoded = record.encode();
        ASSERT_EQ(encoded.size(), SiteRecord::ByteSize);
        // What was read is written back unchanged, so a second pass is stable.
        ASSERT_EQ(SiteRecord::decode(encoded).encode(), encoded) << "round " << round;
        if (input.size() >= SiteRecord::ByteSize) {
            ASSERT_EQ(encoded.mid(1445, 24), input.mid(1445, 24));
            ASSERT_EQ(encoded.mid(SiteRecord::DateTableOffset),
                      input.mid(SiteRecord::DateTableOffset, 8400));
        }
    }
}
