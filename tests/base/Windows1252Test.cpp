#include "base/Windows1252.h"

#include <gtest/gtest.h>

using pelvaro::base::Windows1252;

TEST(Windows1252, EveryByteSurvivesTheRoundTrip)
{
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = Windows1252::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC)); // the euro sign
    EXPECT_EQ(text.at(0xE4), QChar(0xE4));   // ä
    EXPECT_EQ(Windows1252::encode(text), all);
}

TEST(Windows1252, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach)
{
    // Greek omega, a CJK character and an emoji (a surrogate pair in UTF-16).
    const QString text = QString::fromUtf8("a\u03A9b\u4E2D\U0001F600ü\u001A");
    EXPECT_EQ(Windows1252::encode(text), QByteArray("a?b??\xFC\x1A", 7));
}

TEST(Windows1252, TruncationCountsEncodedBytes)
{
    const QString emoji = QString::fromUtf8("\U0001F600\U0001F600x");
    EXPECT_EQ(Windows1252::truncated(emoji, 1), QString::fromUtf8("\U0001F600"));
    EXPECT_EQ(Windows1252::truncated(emoji, 2).size(), 4);
    EXPECT_EQ(Windows1252::truncated(QStringLiteral("abc"), 5), QStringLiteral("abc"));
    EXPECT_EQ(Windows1252::truncated(QStringLiteral("abc"), 0), QString());
}
