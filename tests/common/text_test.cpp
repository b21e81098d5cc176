#include "common/text.h"

#include <gtest/gtest.h>

using namespace wc;

TEST(Text, DecodesUtf8OrFallsBackToCp1251) {
    const QString hello = QString::fromUtf8("Привет, мир");
    EXPECT_EQ(decodeText(hello.toUtf8()), hello);
    EXPECT_EQ(decodeText(toCp1251(hello)), hello);
    EXPECT_EQ(decodeText(QByteArray("\xEF\xBB\xBFok")), "ok");
    // Overlong forms and surrogates are not UTF-8.
    EXPECT_FALSE(isValidUtf8(QByteArray("\xC0\xAF")));
    EXPECT_FALSE(isValidUtf8(QByteArray("\xED\xA0\x80")));
    EXPECT_FALSE(isValidUtf8(QByteArray("\xE2\x82")));
    EXPECT_TRUE(isValidUtf8(QByteArray("\xF0\x9F\x8E\xB5")));
    // Every defined 1251 byte survives a round trip.
    QByteArray all;
    for (int i = 0x20; i < 0x100; ++i)
        if (i != 0x98) all.append(char(i));
    EXPECT_EQ(toCp1251(fromCp1251(all)), all);
    EXPECT_EQ(toCp1251(QString::fromUtf8("€ 中")), QByteArray("\x88 ?"));
}

TEST(Text, TruncationNeverSplitsACharacter) {
    const QString s = QString::fromUtf8("aЖ🎵b");
    EXPECT_EQ(utf8Truncated(s, 2), QByteArray("a"));
    EXPECT_EQ(utf8Truncated(s, 3), QString::fromUtf8("aЖ").toUtf8());
    EXPECT_EQ(utf8Truncated(s, 6), QString::fromUtf8("aЖ").toUtf8());
    EXPECT_EQ(utf8Truncated(s, 7), QString::fromUtf8("aЖ🎵").toUtf8());
    EXPECT_EQ(truncatedChars(s, 3), QString::fromUtf8("aЖ🎵"));
    EXPECT_EQ(truncatedChars(s, 10), s);
}
