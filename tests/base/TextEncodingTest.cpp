#include <gtest/gtest.h>

#include "base/TextEncoding.h"

namespace {

// Literals in this file are compiled to Shift-JIS; the UTF-8 forms are spelled out as bytes.
TEST(TextEncoding, RoundTripsJapaneseText) {
    const std::string cp932 = "テクスチャーIDリスト";
    std::string utf8;
    ASSERT_TRUE(cp932ToUtf8(cp932, utf8));
    EXPECT_EQ(utf8.substr(0, 3), "\xE3\x83\x86");  // テ
    EXPECT_EQ(utf8.size(), 3u * 6 + 2 + 3u * 3);
    std::string back;
    ASSERT_TRUE(utf8ToCp932(utf8, back));
    EXPECT_EQ(back, cp932);
}

TEST(TextEncoding, RefusesWhatTheOtherSideCannotHold) {
    std::string out = "unchanged";
    EXPECT_FALSE(utf8ToCp932("\xF0\x9F\x98\x80", out));  // an emoji has no code page 932 form
    EXPECT_FALSE(utf8ToCp932("\xC3", out));              // a cut UTF-8 sequence
    EXPECT_FALSE(cp932ToUtf8("\x83", out));              // a lead byte without its second byte
    EXPECT_EQ(out, "unchanged");
    std::string empty = "x";
    EXPECT_TRUE(cp932ToUtf8("", empty));
    EXPECT_EQ(empty, "");
}

}  // namespace
