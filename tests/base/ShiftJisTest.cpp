#include <gtest/gtest.h>

#include "base/ShiftJis.h"

namespace {

TEST(ShiftJis, SplitsPathsLikeTheRuntime) {
    struct Case {
        std::string path, drive, folder, title, extension;
    };
    const Case cases[] = {
        {"D:\\tex\\Wood_01.bmp", "D:", "\\tex\\", "Wood_01", ".bmp"},
        {"/home/me/tex/wood.tga", "", "/home/me/tex/", "wood", ".tga"},
        {"C:grass.BMP", "C:", "", "grass", ".BMP"},
        {"a.b\\c", "", "a.b\\", "c", ""},
        {"archive.tar.gz", "", "", "archive.tar", ".gz"},
        {"noext", "", "", "noext", ""},
        {"dir/", "", "dir/", "", ""},
        {"", "", "", "", ""},
        // 表 is 0x95 0x5C and ソ is 0x83 0x5C: their second byte is no separator.
        {"C:\\表\\ソ.bmp", "C:", "\\表\\", "ソ", ".bmp"},
        {"表.bmp", "", "", "表", ".bmp"},
        // A lead byte at the very end stands alone.
        {std::string("x\\a\x83"), "", "x\\", std::string("a\x83"), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const PathParts parts = splitPath(c.path);
        EXPECT_EQ(parts.drive, c.drive);
        EXPECT_EQ(parts.folder, c.folder);
        EXPECT_EQ(parts.title, c.title);
        EXPECT_EQ(parts.extension, c.extension);
    }
}

TEST(ShiftJis, UpperCasesSingleByteLettersOnly) {
    EXPECT_EQ(toUpperSingleByte("Wood_01"), "WOOD_01");
    EXPECT_EQ(toUpperSingleByte("az{`AZ09"), "AZ{`AZ09");
    // テスト is 0x83 0x65 0x83 0x58 0x83 0x67: the trail bytes 0x65 and 0x67 are letters when read alone.
    EXPECT_EQ(toUpperSingleByte("テスト"), "テスト");
    EXPECT_EQ(toUpperSingleByte("aテb"), "AテB");
}

TEST(ShiftJis, CutsAtCharacterBoundaries) {
    const std::string mixed = "abテスト";  // a b, then three double-byte characters: 8 bytes
    EXPECT_EQ(cutLength(mixed, 100), 8u);
    EXPECT_EQ(cutLength(mixed, 8), 8u);
    EXPECT_EQ(cutLength(mixed, 7), 6u);
    EXPECT_EQ(cutLength(mixed, 6), 6u);
    EXPECT_EQ(cutLength(mixed, 3), 2u);
    EXPECT_EQ(cutLength(mixed, 0), 0u);
    EXPECT_EQ(cutAtCharacter(std::string(130, 'A'), 127).size(), 127u);
}

}  // namespace
