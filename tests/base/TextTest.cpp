#include <gtest/gtest.h>

#include "base/ShiftJis.h"

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
}

}  // namespace
