#include <gtest/gtest.h>

#include <cstring>

#include "image/TextureImage.h"
#include "support/TestSupport.h"

namespace {

TEST(TextureImage, NamesComeFromTheFileTitle) {
    const std::pair<std::string, std::string> cases[] = {
        {"D:\\tex\\Wood_01.bmp", "WOOD_01"},
        {"/home/me/az{`.tga", "AZ{`"},
        // Double-byte characters stay as they are, even where their second byte is a lower-case letter (テ, ス).
        {"C:\\表\\テスaト.bmp", "テスAト"},
        {"x/" + std::string(200, 'a') + ".bmp", std::string(127, 'A')},
        {std::string(126, 'a') + "テ.bmp", std::string(126, 'A')},
        // Control characters would break the lines of the exported texts.
        {"/tmp/a\tb\nc\x7f.bmp", "A_B_C_"},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(TextureImage::nameFromPath(path), name) << path;
}

// The column right of the image and the row below it still hit.
TEST(TextureImage, HitsItsBoundsIncludingTheColumnRightAndTheRowBelow) {
    TextureImage image;
    ASSERT_EQ(image.loadBmp(fixturePath("im24_w7.bmp")), nullptr);
    image.setPosition(10, 20);
    EXPECT_EQ(image.bounds(), (Rect{10, 20, 17, 23}));
    const std::pair<Point, bool> cases[] = {{{10, 20}, true},  {{17, 23}, true},  {{12, 21}, true}, {{9, 20}, false},
                                            {{18, 20}, false}, {{10, 24}, false}, {{10, 19}, false}};
    for (const auto& [p, hit] : cases) EXPECT_EQ(image.contains(p), hit) << p.x << "," << p.y;
}

// A TGA's in-memory header is the plain 24-bit DIB header that an 8-bit BMP of the same size is turned into, the one
// the canvas draws from.
TEST(TextureImage, LoadsKeepThePathAndGiveOneInMemoryForm) {
    TextureImage bmp, tga;
    ASSERT_EQ(bmp.loadBmp(fixturePath("c8_256.bmp")), nullptr);
    ASSERT_TRUE(tga.loadTga(fixturePath("c_tga.tga")));
    EXPECT_EQ(bmp.path(), fixturePath("c8_256.bmp"));
    EXPECT_EQ(bmp.name() + tga.name(), "C8_256C_TGA");
    EXPECT_TRUE(bmp.kind() == ImageKind::Bmp && tga.kind() == ImageKind::Tga);
    EXPECT_EQ(std::memcmp(&bmp.info(), &tga.info(), sizeof(BitmapInfoHeader)), 0);
}

}  // namespace
