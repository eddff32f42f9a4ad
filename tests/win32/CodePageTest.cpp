#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The Windows tests run under Wine with a Japanese locale: the ANSI code page must be 932, so that the program's
// Shift-JIS literals mean what they say to every "A" call.
TEST(CodePage, AnsiCodePageIs932) {
    EXPECT_EQ(GetACP(), 932u);
}

TEST(CodePage, JapaneseLiteralRoundTripsThroughTheAnsiCodePage) {
    const char* literal = "テクスチャーIDリスト";  // compiled to Shift-JIS bytes
    const std::u16string expected = u"テクスチャーIDリスト";
    wchar_t wide[64] = {};
    const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, literal, -1, wide, 64);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide), static_cast<size_t>(n - 1)), expected);

    char back[64] = {};
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, nullptr), 0);
    EXPECT_STREQ(back, literal);
}

}  // namespace
