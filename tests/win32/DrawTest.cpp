#include <windows.h>

#include <gtest/gtest.h>

#include "image/TextureImage.h"
#include "layout/TextureCollection.h"
#include "support/ImageFiles.h"
#include "support/TestSupport.h"

namespace {

constexpr int kSize = 96;
constexpr COLORREF kBackground = RGB(0x40, 0x40, 0x40);

// A memory device context drawing into a 32-bit top-down DIB section whose pixels the test reads directly.
class Surface {
public:
    Surface() {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = kSize;
        info.bmiHeader.biHeight = -kSize;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        clear();
    }
    ~Surface() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    void clear() {
        for (int i = 0; i < kSize * kSize; ++i) bits_[i] = 0x404040;
    }
    HDC dc() const { return dc_; }
    // The colour at (x, y) as a COLORREF.
    COLORREF at(int x, int y) const {
        GdiFlush();
        const uint32_t v = bits_[y * kSize + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    uint32_t* bits_ = nullptr;
};

// Checks every pixel of the surface: inside [left, left + width) x [top, top + height) the image colour, on the frame
// one pixel outside it red when selected, elsewhere the background.
void expectDrawn(const Surface& s, int left, int top, int width, int height, COLORREF colour, bool framed) {
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const bool inside = x >= left && x < left + width && y >= top && y < top + height;
            const bool onFrame =
                framed && x >= left - 1 && x <= left + width && y >= top - 1 && y <= top + height && !inside;
            const COLORREF want = inside ? colour : onFrame ? RGB(255, 0, 0) : kBackground;
            ASSERT_EQ(s.at(x, y), want) << "at " << x << "," << y;
        }
    }
}

TEST(Draw, ScaledPlacesAtEveryZoom) {
    TempDir dir;
    TextureImage image;
    ASSERT_EQ(image.loadBmp(writeSolidImage(dir.file("a.bmp"), 12, 8, solid(200, 100, 50))), nullptr);
    struct Case {
        int32_t zoom, x, y;
        int left, top, width, height;
    };
    // Origin (30, 20); v x zoom is shifted right by 8 (rounding towards minus infinity).
    const Case cases[] = {
        {256, 5, 7, 35, 27, 12, 8}, {512, 5, 7, 40, 34, 24, 16},    {128, 5, 7, 32, 23, 6, 4},
        {128, -3, 0, 28, 20, 6, 4}, {256, -20, -10, 10, 10, 12, 8}, {512, -10, -8, 10, 4, 24, 16},
    };
    for (bool selected : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << "zoom " << c.zoom << " at " << c.x << "," << c.y << " selected " << selected);
            Surface surface;
            image.setOrigin({30, 20});
            image.setPosition(c.x, c.y);
            image.setSelected(selected);
            image.draw(surface.dc(), c.zoom);
            expectDrawn(surface, c.left, c.top, c.width, c.height, RGB(200, 100, 50), selected);
        }
    }
}

TEST(Draw, NarrowImageAtHalfZoomFromANegativePosition) {
    TempDir dir;
    TextureImage image;
    ASSERT_EQ(image.loadBmp(writeSolidImage(dir.file("n.bmp"), 3, 3, solid(0, 200, 0))), nullptr);
    image.setOrigin({40, 40});
    image.setPosition(-3, 0);
    image.setSelected(false);
    Surface surface;
    image.draw(surface.dc(), 128);
    expectDrawn(surface, 38, 40, 1, 1, RGB(0, 200, 0), false);  // -384 >> 8 = -2; 3 pixels become 1
}

TEST(Draw, AlphaViewIsWhiteForBmpAndGreyForTga) {
    TempDir dir;
    TextureImage bmp;
    ASSERT_EQ(bmp.loadBmp(writeSolidImage(dir.file("b.bmp"), 4, 4, solid(1, 2, 3))), nullptr);
    bmp.setOrigin({10, 10});
    Surface surface;
    bmp.drawAlpha(surface.dc(), 256);
    expectDrawn(surface, 10, 10, 4, 4, RGB(255, 255, 255), true);

    TextureImage tga;
    const std::string path = dir.file("t.tga");
    writeBytes(path, makeTga32(4, 2, [](int c, int r) { return Rgba{9, 9, 9, static_cast<uint8_t>(c * 60 + r)}; }));
    ASSERT_TRUE(tga.loadTga(path));
    tga.setSelected(false);
    tga.setOrigin({0, 0});
    surface.clear();
    tga.drawAlpha(surface.dc(), 256);
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int a = c * 60 + r;
            EXPECT_EQ(surface.at(c, r), RGB(a, a, a)) << c << "," << r;
        }
    }
    // The colour view is untouched by the alpha view.
    surface.clear();
    tga.draw(surface.dc(), 256);
    EXPECT_EQ(surface.at(1, 1), RGB(9, 9, 9));
}

TEST(Draw, EmptyImagesDrawNothingAndTheCollectionDrawsFrontToBack) {
    Surface surface;
    TextureImage empty;
    empty.draw(surface.dc(), 256);
    empty.drawAlpha(surface.dc(), 256);
    expectDrawn(surface, 0, 0, 0, 0, kBackground, false);

    TempDir dir;
    TextureCollection images;
    ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file("red.bmp"), 10, 10, solid(255, 0, 0)), true));
    ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file("blue.bmp"), 10, 10, solid(0, 0, 255)), true));
    images.deselectAll();
    images.images()[1]->setPosition(5, 5);
    images.setOriginAll({20, 20});
    images.drawAll(surface.dc(), 256);
    EXPECT_EQ(surface.at(22, 22), RGB(255, 0, 0));
    EXPECT_EQ(surface.at(27, 27), RGB(0, 0, 255));  // the later image lies on top
    images.drawAllAlpha(surface.dc(), 256);
    EXPECT_EQ(surface.at(27, 27), RGB(255, 255, 255));
}

}  // namespace
