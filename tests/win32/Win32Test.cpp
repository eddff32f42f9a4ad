#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "base/MessageBox.h"
#include "layout/TextureCollection.h"
#include "support/TestSupport.h"

namespace {

// Under Wine with a Japanese locale the ANSI code page is 932, so the "A" calls read our Shift-JIS literals.
TEST(System, JapaneseLiteralsRoundTripThroughTheAnsiCodePage) {
    EXPECT_EQ(GetACP(), 932u);
    wchar_t wide[64] = {};
    char back[64] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "テクスチャーIDリスト", -1, wide, 64), 12);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide)), u"テクスチャーIDリスト");
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, nullptr), 0);
    EXPECT_STREQ(back, "テクスチャーIDリスト");
}

// The UTF-8 resource script's Japanese text reaches quiltbox-cli.exe's version resource as the same characters.
TEST(System, VersionTextsSurviveTheResourceCompiler) {
    const char* exe = std::getenv("QUILTBOX_CLI_EXE");
    ASSERT_NE(exe, nullptr);
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(exe, &ignored));
    ASSERT_FALSE(info.empty()) << exe;
    ASSERT_TRUE(GetFileVersionInfoA(exe, 0, static_cast<DWORD>(info.size()), info.data()));
    char* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\041104b0\\FileDescription",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, "Quiltbox コマンドライン版");
}

// Another thread finds the box, reads its caption and its message (the longest static text), and presses OK.
TEST(MessageBoxHandler, ShowsTheTextAndCaptionAsGiven) {
    const MessageHandler previous = setMessageHandler(messageBoxHandler(nullptr));
    const std::string text = "BMP Error : ファイルオープンに失敗! \n\"C:\\tex\\表.bmp\"";
    char caption[64] = {};
    std::string shown;
    std::thread watcher([&] {
        for (int i = 0; i < 500 && !caption[0]; ++i, Sleep(10)) {
            if (HWND box = FindWindowA("#32770", "Failed!")) {
                const auto longestStatic = [](HWND child, LPARAM found) -> BOOL {
                    char kind[32] = {}, words[512] = {};
                    GetClassNameA(child, kind, sizeof kind);
                    GetWindowTextA(child, words, sizeof words);
                    auto* longest = reinterpret_cast<std::string*>(found);
                    if (lstrcmpiA(kind, "Static") == 0 && std::string(words).size() > longest->size()) *longest = words;
                    return TRUE;
                };
                EnumChildWindows(box, longestStatic, reinterpret_cast<LPARAM>(&shown));
                GetWindowTextA(box, caption, sizeof caption);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
        }
    });
    showMessage(text, "Failed!");  // returns once the box is closed
    watcher.join();
    setMessageHandler(previous);
    EXPECT_STREQ(caption, "Failed!") << "no message box appeared";
    shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
    EXPECT_EQ(shown, text);
}

constexpr int kSize = 96;
constexpr uint32_t kBackground = 0x404040;

// Draws into a 32-bit top-down DIB section of the background colour; its pixels as 0xRRGGBB.
template <typename Draw>
std::vector<uint32_t> drawn(Draw draw) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    uint32_t* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    std::fill(bits, bits + kSize * kSize, kBackground);
    draw(dc);
    GdiFlush();
    std::vector<uint32_t> pixels(bits, bits + kSize * kSize);
    DeleteObject(SelectObject(dc, previous));
    DeleteDC(dc);
    return pixels;
}

// The place is the origin plus position x zoom / 256 rounded towards minus infinity, and so is the size; a selected
// image has a red frame one pixel outside it; an image without pixels draws nothing.
TEST(Draw, ScaledPlacesAtEveryZoomWithTheFrameOfTheSelection) {
    TempDir dir;
    TextureImage wide, narrow, empty;
    ASSERT_EQ(wide.loadBmp(writeSolidImage(dir.file("w.bmp"), 12, 8, {200, 100, 50})), nullptr);
    ASSERT_EQ(narrow.loadBmp(writeSolidImage(dir.file("n.bmp"), 3, 3, {200, 100, 50})), nullptr);
    EXPECT_EQ(drawn([&](HDC dc) { empty.draw(dc, 256), empty.drawAlpha(dc, 256); }),
              std::vector<uint32_t>(kSize * kSize, kBackground));
    const int cases[][7] = {// zoom, x, y, and the left, top, width and height drawn
                            {256, 5, 7, 35, 27, 12, 8}, {512, 5, 7, 40, 34, 24, 16},    {128, 5, 7, 32, 23, 6, 4},
                            {128, -3, 0, 28, 20, 6, 4}, {256, -20, -10, 10, 10, 12, 8}, {512, -10, -8, 10, 4, 24, 16},
                            {128, -3, 0, 28, 20, 1, 1}};  // the narrow one: -384 >> 8 = -2; 3 pixels become 1
    for (const bool selected : {false, true}) {
        for (const auto& [zoom, x, y, left, top, width, height] : cases) {
            TextureImage& image = width == 1 ? narrow : wide;
            image.setOrigin({30, 20});
            image.setPosition(x, y);
            image.setSelected(selected);
            std::vector<uint32_t> want;
            for (int r = 0; r < kSize; ++r) {
                for (int c = 0; c < kSize; ++c) {
                    const bool inside = c >= left && c < left + width && r >= top && r < top + height;
                    const bool frame = c >= left - 1 && c <= left + width && r >= top - 1 && r <= top + height;
                    want.push_back(inside ? 0xC86432 : frame && selected ? 0xFF0000 : kBackground);
                }
            }
            EXPECT_EQ(drawn([&](HDC dc) { image.draw(dc, zoom); }), want) << zoom << " at " << x << "," << y;
        }
    }
}

// The alpha view shows a BMP white and a TGA's alpha as grey; the collection draws front to back.
TEST(Draw, AlphaViewAndTheCollectionFrontToBack) {
    TempDir dir;
    TextureCollection images;
    ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file("red.bmp"), 10, 10, {255, 0, 0}), true));
    ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file("blue.bmp"), 10, 10, {0, 0, 255}), true));
    ASSERT_TRUE(images.addFromFile(fixturePath("c_tga.tga"), true));  // 4 x 4
    const Picture tga = readRaw(fixturePath("c_tga.rgba"));
    images.deselectAll();
    images.images()[1]->setPosition(5, 5);
    images.images()[2]->setPosition(40, 40);
    images.setOriginAll({20, 20});
    for (const bool alphaView : {false, true, false}) {
        const auto shown = drawn([&](HDC dc) { alphaView ? images.drawAllAlpha(dc, 256) : images.drawAll(dc, 256); });
        EXPECT_EQ(shown[22 * kSize + 22], alphaView ? 0xFFFFFFu : 0xFF0000u);
        EXPECT_EQ(shown[27 * kSize + 27], alphaView ? 0xFFFFFFu : 0x0000FFu) << "the later image lies on top";
        for (int i = 0; i < 16; ++i) {
            const Rgba p = tga.pixels[i];
            EXPECT_EQ(shown[(60 + i / 4) * kSize + 60 + i % 4],
                      alphaView ? p.a * 0x010101u : uint32_t(p.r << 16 | p.g << 8 | p.b));
        }
    }
}

}  // namespace
