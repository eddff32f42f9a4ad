#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Under Wine with a Japanese locale the ANSI code page is 932, so the program's Shift-JIS literals mean to every "A"
// call what they say.
TEST(System, JapaneseLiteralsRoundTripThroughTheAnsiCodePage) {
    EXPECT_EQ(GetACP(), 932u);
    wchar_t wide[64] = {};
    char back[64] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "テクスチャーIDリスト", -1, wide, 64), 12);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide)), u"テクスチャーIDリスト");
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, nullptr), 0);
    EXPECT_STREQ(back, "テクスチャーIDリスト");
}

// The resource script is UTF-8 (#pragma code_page(65001)): its Japanese text reaches quiltbox-cli.exe's version
// resource as the same characters, read here through the ANSI version API.
TEST(System, VersionTextsSurviveTheResourceCompiler) {
    const char* exe = std::getenv("QUILTBOX_CLI_EXE");
    ASSERT_NE(exe, nullptr);
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(exe, &ignored));
    ASSERT_FALSE(info.empty()) << exe;
    ASSERT_TRUE(GetFileVersionInfoA(exe, 0, static_cast<DWORD>(info.size()), info.data()));
    for (const auto& [field, want] :
         {std::pair{"FileDescription", "Quiltbox コマンドライン版"}, {"OriginalFilename", "quiltbox-cli.exe"}}) {
        char* text = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), (std::string("\\StringFileInfo\\041104b0\\") + field).c_str(),
                                   reinterpret_cast<void**>(&text), &length));
        EXPECT_STREQ(text, want);
    }
}

}  // namespace
