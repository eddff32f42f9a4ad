#include <gtest/gtest.h>

#include "base/Format.h"
#include "base/Message.h"
#include "base/ShiftJis.h"
#include "base/TextEncoding.h"
#include "support/TestSupport.h"

namespace {

// 表 is 0x95 0x5C and ソ is 0x83 0x5C: their second byte is no separator.
TEST(ShiftJis, SplitsPathsLikeTheRuntime) {
    const std::vector<std::string> cases[] = {
        {"D:\\tex\\Wood_01.bmp", "D:", "\\tex\\", "Wood_01", ".bmp"},
        {"/home/me/wood.tga", "", "/home/me/", "wood", ".tga"},
        {"C:grass.BMP", "C:", "", "grass", ".BMP"},
        {"a.b\\c", "", "a.b\\", "c", ""},
        {"archive.tar.gz", "", "", "archive.tar", ".gz"},
        {"dir/", "", "dir/", "", ""},
        {"C:\\表\\ソ.bmp", "C:", "\\表\\", "ソ", ".bmp"},
        {"x\\a\x83", "", "x\\", "a\x83", ""},  // a lead byte at the very end stands alone
    };
    for (const auto& c : cases) {
        const PathParts parts = splitPath(c[0]);
        EXPECT_EQ((std::vector<std::string>{c[0], parts.drive, parts.folder, parts.title, parts.extension}), c);
    }
}

TEST(ShiftJis, CutsAtCharacterBoundaries) {
    const std::string mixed = "abテスト";  // a, b, then three double-byte characters: 8 bytes
    const std::pair<size_t, size_t> cases[] = {{100, 8}, {8, 8}, {7, 6}, {5, 4}, {3, 2}, {0, 0}};
    for (const auto& [limit, length] : cases) EXPECT_EQ(cutLength(mixed, limit), length) << limit;
    // テスト is 0x83 0x65 0x83 0x58 0x83 0x67: the second bytes are letters when read alone.
    EXPECT_EQ(toUpperSingleByte("az{`aテb"), "AZ{`AテB");
}

// Literals here are compiled to Shift-JIS; the UTF-8 forms are spelled out as bytes.
TEST(TextEncoding, ConvertsBothWaysAndRefusesWhatTheOtherSideCannotHold) {
    std::string utf8, back;
    ASSERT_TRUE(cp932ToUtf8("テIDリスト", utf8));
    EXPECT_EQ(utf8,
              "\xE3\x83\x86"
              "ID\xE3\x83\xAA\xE3\x82\xB9\xE3\x83\x88");
    ASSERT_TRUE(utf8ToCp932(utf8, back));
    EXPECT_EQ(back, "テIDリスト");
    std::string out = "unchanged";
    EXPECT_FALSE(utf8ToCp932("\xF0\x9F\x98\x80", out));  // an emoji has no code page 932 form
    EXPECT_FALSE(utf8ToCp932("\xC3", out));              // a cut UTF-8 sequence
    EXPECT_FALSE(cp932ToUtf8("\x83", out));              // a lead byte without its second byte
    EXPECT_EQ(out, "unchanged");
    EXPECT_TRUE(cp932ToUtf8("", out) && out.empty());
}

TEST(Message, ReachesTheHandlerAndTheOldOneComesBackAndTheDefaultIsStandardError) {
    const MessageHandler before = setMessageHandler(nullptr);
    {
        MessageRecorder recorder;
        showMessage(formatText("BMP Error : %s \n\"%s\"", "x", "D:\\a.bmp"), "Failed!");
        EXPECT_EQ(recorder.seen, std::vector<std::string>{"Failed!: BMP Error : x \n\"D:\\a.bmp\""});
    }
    testing::internal::CaptureStderr();
    showMessage(formatText("%s|%7s|%.4f", std::string(5000, 'a').c_str(), "ab", 0.25), "Caption");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Caption: " + std::string(5000, 'a') + "|     ab|0.2500\n");
    EXPECT_EQ(formatText("%s", ""), "");
    setMessageHandler(before);
}

}  // namespace
