#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "image/TextureImage.h"
#include "layout/TextureCollection.h"
#include "support/TestSupport.h"

namespace {

constexpr int kSize = 96;
constexpr COLORREF kBackground = RGB(0x40, 0x40, 0x40), kFrame = RGB(255, 0, 0);

// A memory device context drawing into a 32-bit top-down DIB section whose pixels are read directly.
struct Surface {
    HDC dc = CreateCompatibleDC(nullptr);
    uint32_t* bits = nullptr;
    HBITMAP bitmap = [this] {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        return CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    }();
    HGDIOBJ previous = SelectObject(dc, bitmap);
    Surface() { std::fill(bits, bits + kSize * kSize, 0x404040u); }
    ~Surface() {
        DeleteObject(SelectObject(dc, previous));
        DeleteDC(dc);
    }
    // Every pixel as a COLORREF, rows from the top.
    std::vector<COLORREF> pixels() const {
        GdiFlush();
        std::vector<COLORREF> out;
        for (int i = 0; i < kSize * kSize; ++i)
            out.push_back(RGB((bits[i] >> 16) & 0xFF, (bits[i] >> 8) & 0xFF, bits[i] & 0xFF));
        return out;
    }
};

// The image's colour inside [left, left + width) x [top, top + height), a red frame one pixel outside it when
// selected, the background elsewhere.
std::vector<COLORREF> expected(int left, int top, int width, int height, COLORREF colour, bool framed) {
    std::vector<COLORREF> out;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const bool inside = x >= left && x < left + width && y >= top && y < top + height;
            const bool frame = framed && x >= left - 1 && x <= left + width && y >= top - 1 && y <= top + height;
            out.push_back(inside ? colour : frame ? kFrame : kBackground);
        }
    }
    return out;
}

// The place is the origin plus position x zoom / 256, rounded towards minus infinity; so is the size.
TEST(Draw, ScaledPlacesAtEveryZoomWithTheFrameOfTheSelection) {
    TempDir dir;
    TextureImage image, narrow;
    ASSERT_EQ(image.loadBmp(writeSolidImage(dir.file("a.bmp"), 12, 8, {200, 100, 50})), nullptr);
    ASSERT_EQ(narrow.loadBmp(writeSolidImage(dir.file("n.bmp"), 3, 3, {0, 200, 0})), nullptr);
    struct Case {
        TextureImage* image;
        int32_t zoom, x, y;
        int left, top, width, height;
    };
    const Case cases[] = {
        {&image, 256, 5, 7, 35, 27, 12, 8},     {&image, 512, 5, 7, 40, 34, 24, 16},
        {&image, 128, 5, 7, 32, 23, 6, 4},      {&image, 128, -3, 0, 28, 20, 6, 4},
        {&image, 256, -20, -10, 10, 10, 12, 8}, {&image, 512, -10, -8, 10, 4, 24, 16},
        {&narrow, 128, -3, 0, 28, 20, 1, 1},  // -384 >> 8 = -2; 3 pixels become 1
    };
    for (bool selected : {false, true}) {
        for (const Case& c : cases) {
            Surface surface;
            c.image->setOrigin({30, 20});
            c.image->setPosition(c.x, c.y);
            c.image->setSelected(selected);
            c.image->draw(surface.dc, c.zoom);
            const COLORREF colour = c.image == &image ? RGB(200, 100, 50) : RGB(0, 200, 0);
            EXPECT_EQ(surface.pixels(), expected(c.left, c.top, c.width, c.height, colour, selected))
                << "zoom " << c.zoom << " at " << c.x << "," << c.y << (selected ? ", selected" : "");
        }
    }
}

// The alpha view is white for a BMP and the alpha as grey for a TGA; the collection draws front to back; an image
// without pixels draws nothing.
TEST(Draw, AlphaViewAndTheCollectionFrontToBack) {
    TempDir dir;
    TextureCollection images;
    ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file("red.bmp"), 10, 10, {255, 0, 0}), true));
    ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file("blue.bmp"), 10, 10, {0, 0, 255}), true));
    ASSERT_TRUE(images.addFromFile(fixturePath("c_tga.tga"), true));
    const Picture tga = readRaw(fixturePath("c_tga.rgba"));
    images.deselectAll();
    images.images()[1]->setPosition(5, 5);
    images.images()[2]->setPosition(40, 40);
    images.setOriginAll({20, 20});
    Surface surface;
    TextureImage empty;
    empty.draw(surface.dc, 256);
    empty.drawAlpha(surface.dc, 256);
    EXPECT_EQ(surface.pixels(), expected(0, 0, 0, 0, kBackground, false));
    // The TGA's pixels in colour, in the alpha view, and in colour again: the alpha view leaves the colours as they
    // are.
    for (const bool alphaView : {false, true, false}) {
        alphaView ? images.drawAllAlpha(surface.dc, 256) : images.drawAll(surface.dc, 256);
        const std::vector<COLORREF> shown = surface.pixels();
        EXPECT_EQ(shown[22 * kSize + 22], alphaView ? RGB(255, 255, 255) : RGB(255, 0, 0));
        EXPECT_EQ(shown[27 * kSize + 27], alphaView ? RGB(255, 255, 255) : RGB(0, 0, 255)) << "the later one on top";
        for (int i = 0; i < 16; ++i) {
            const Rgba p = tga.pixels[i];
            EXPECT_EQ(shown[(60 + i / 4) * kSize + 60 + i % 4], alphaView ? RGB(p.a, p.a, p.a) : RGB(p.r, p.g, p.b));
        }
    }
}

}  // namespace
