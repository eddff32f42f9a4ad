#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The resource script is UTF-8 with #pragma code_page(65001): its Japanese text must reach the program as the same
// characters, read here through the ANSI (code page 932) version API of the built quiltbox-cli.exe.
TEST(Resources, VersionTextsSurviveTheResourceCompiler) {
    const char* exe = std::getenv("QUILTBOX_CLI_EXE");
    ASSERT_NE(exe, nullptr);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe, &ignored);
    ASSERT_GT(size, 0u) << exe;
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe, 0, size, info.data()));
    char* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\041104b0\\FileDescription",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::string(text), "Quiltbox コマンドライン版");
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\041104b0\\OriginalFilename",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::string(text), "quiltbox-cli.exe");
}

}  // namespace
