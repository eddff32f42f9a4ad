#include <gtest/gtest.h>

#include "image/TextureImage.h"
#include "support/ImageFiles.h"
#include "support/TestSupport.h"

namespace {

TEST(TextureImage, StartsEmptyAndSelected) {
    TextureImage image;
    EXPECT_TRUE(image.isSelected());
    EXPECT_EQ(image.kind(), ImageKind::None);
    EXPECT_EQ(image.bounds(), (Rect{0, 0, 0, 0}));
    std::vector<uint8_t> atlas(4 * 4 * 4, 0xEE);
    image.copyTo32(atlas.data(), 4, 4);
    image.copyTo24(atlas.data(), 4, 4);
    EXPECT_EQ(atlas, std::vector<uint8_t>(4 * 4 * 4, 0xEE));
}

TEST(TextureImage, HitTestIncludesTheColumnRightAndTheRowBelow) {
    TempDir dir;
    TextureImage image;
    ASSERT_EQ(image.loadBmp(writeSolidImage(dir.file("a.bmp"), 4, 3, solid(1, 2, 3))), nullptr);
    image.setPosition(10, 20);
    EXPECT_EQ(image.bounds(), (Rect{10, 20, 14, 23}));
    struct Case {
        Point p;
        bool hit;
    };
    for (const Case& c : {Case{{10, 20}, true}, Case{{14, 23}, true}, Case{{12, 21}, true}, Case{{9, 20}, false},
                          Case{{15, 20}, false}, Case{{10, 24}, false}, Case{{10, 19}, false}}) {
        EXPECT_EQ(image.contains(c.p), c.hit) << c.p.x << "," << c.p.y;
    }
    image.moveBy({-30, 5});
    EXPECT_EQ(image.position(), (Point{-20, 25}));
    image.moveToOrigin();
    EXPECT_EQ(image.position(), (Point{0, 0}));
}

TEST(TextureImage, NamesComeFromTheFileTitle) {
    struct Case {
        std::string path, name;
    };
    const Case cases[] = {
        {"D:\\tex\\Wood_01.bmp", "WOOD_01"},
        {"/home/me/sprites/tree.tga", "TREE"},
        {"C:rock.bmp", "ROCK"},
        {"a.b\\grass.bmp", "GRASS"},
        // Double-byte characters are left as they are, even where their second byte is a lower-case letter.
        {"テスト.bmp", "テスト"},
        {"C:\\表\\ソa.bmp", "ソA"},
        {"x/" + std::string(200, 'a') + ".bmp", std::string(127, 'A')},
        {std::string(126, 'a') + "テ.bmp", std::string(126, 'A')},
        // Control characters would break the lines of the exported texts.
        {"/tmp/a\tb\nc\x7f.bmp", "A_B_C_"},
    };
    for (const Case& c : cases) EXPECT_EQ(TextureImage::nameFromPath(c.path), c.name) << c.path;
}

TEST(TextureImage, LoadsKeepThePathAsPassedAndDescribeTheirPixels) {
    TempDir dir;
    const std::string bmpPath = dir.file("Wood_01.bmp");
    writeBytes(bmpPath, makeBmp24(3, 2, patternPixel));
    TextureImage bmp;
    ASSERT_EQ(bmp.loadBmp(bmpPath), nullptr);
    EXPECT_EQ(bmp.path(), bmpPath);
    EXPECT_EQ(bmp.name(), "WOOD_01");
    EXPECT_EQ(bmp.kind(), ImageKind::Bmp);
    EXPECT_EQ(bmp.rowStride(), 12);
    EXPECT_FALSE(bmp.hasAlpha());

    const std::string tgaPath = dir.file("leaf.tga");
    writeBytes(tgaPath, makeTga32(3, 2, patternPixel));
    TextureImage tga;
    ASSERT_TRUE(tga.loadTga(tgaPath));
    EXPECT_EQ(tga.name(), "LEAF");
    EXPECT_EQ(tga.kind(), ImageKind::Tga);
    EXPECT_EQ(tga.alpha().size(), 6u);
    EXPECT_EQ(tga.pixels().size(), 24u);
    const BitmapInfoHeader& info = tga.info();
    EXPECT_EQ(info.biSize, 40u);
    EXPECT_EQ(info.biWidth, 3);
    EXPECT_EQ(info.biHeight, 2);
    EXPECT_EQ(info.biPlanes, 1);
    EXPECT_EQ(info.biBitCount, 24);
    EXPECT_EQ(info.biSizeImage, 18u);
}

// Copying into an atlas: every area pixel either shows the image pixel that lies on it or keeps what was there; what
// lies outside the area is dropped on all four sides alike.
TEST(TextureImage, CopiesIntoTheAtlasClippedToTheArea) {
    constexpr int kW = 8, kH = 6, kImageW = 5, kImageH = 4;
    TempDir dir;
    const std::string bmpPath = dir.file("p.bmp");
    const std::string tgaPath = dir.file("p.tga");
    writeBytes(bmpPath, makeBmp24(kImageW, kImageH, patternPixel));
    writeBytes(tgaPath, makeTga32(kImageW, kImageH, patternPixel));
    TextureImage bmp, tga;
    ASSERT_EQ(bmp.loadBmp(bmpPath), nullptr);
    ASSERT_TRUE(tga.loadTga(tgaPath));

    const Point positions[] = {{0, 0}, {-2, 0}, {0, -3}, {kW - 2, kH - 1}, {3, kH - 3}, {-10, -10}, {kW, 0}, {2, kH}};
    for (TextureImage* image : {&bmp, &tga}) {
        for (int bytes : {3, 4}) {
            for (Point at : positions) {
                SCOPED_TRACE(testing::Message()
                             << image->name() << image->path() << " " << bytes << " bytes at " << at.x << "," << at.y);
                image->setPosition(at.x, at.y);
                std::vector<uint8_t> atlas(kW * kH * bytes, 0xEE);
                if (bytes == 3) {
                    image->copyTo24(atlas.data(), kW, kH);
                } else {
                    image->copyTo32(atlas.data(), kW, kH);
                }
                for (int r = 0; r < kH; ++r) {
                    for (int c = 0; c < kW; ++c) {
                        const uint8_t* p = &atlas[((kH - 1 - r) * kW + c) * bytes];
                        const int i = c - at.x, j = r - at.y;
                        Rgba want{0xEE, 0xEE, 0xEE, 0xEE};
                        if (i >= 0 && i < kImageW && j >= 0 && j < kImageH) {
                            want = patternPixel(i, j);
                            if (image == &bmp) want.a = 255;
                        }
                        const Rgba got{p[2], p[1], p[0], bytes == 4 ? p[3] : want.a};
                        ASSERT_EQ(got, want) << "area pixel " << c << "," << r;
                    }
                }
            }
        }
    }
}

}  // namespace
