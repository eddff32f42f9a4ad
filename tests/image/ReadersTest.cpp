#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "image/BmpReader.h"
#include "image/TextureImage.h"
#include "support/TestSupport.h"

namespace {

// Every file of tests/fixtures/make_fixtures.py, written by ImageMagick, by Pillow or byte by byte there, decodes to
// exactly the picture it was made from (alpha included for TGA, both row orders), or is refused for its reason.
TEST(Readers, DecodeEveryFixtureToItsPictureOrRefuseItForItsReason) {
    const std::map<std::string, const char*> reasons = {{"ok", nullptr},
                                                        {"bmp-header", kBmpHeaderFailed},
                                                        {"bmp-compression", kBmpNotUncompressed},
                                                        {"bmp-depth", kBmpWrongDepth},
                                                        {"bmp-pixels", kBmpPixelsFailed}};
    std::istringstream manifest(readText(fixturePath("manifest.txt")));
    std::string file, expected, expectation;
    int decoded = 0;
    while (manifest >> file >> expected >> expectation) {
        SCOPED_TRACE(file);
        TextureImage image;
        const bool tga = file.substr(file.size() - 4) == ".tga";
        if (tga) {
            ASSERT_EQ(image.loadTga(fixturePath(file)), expectation == "ok");
        } else {
            ASSERT_STREQ(image.loadBmp(fixturePath(file)), reasons.at(expectation));
        }
        if (expectation != "ok") continue;
        EXPECT_EQ(image.hasAlpha(), tga);
        const Picture want = readRaw(fixturePath(expected));
        ASSERT_EQ(image.width(), want.width);
        ASSERT_EQ(image.height(), want.height);
        for (int r = 0; r < want.height; ++r) {
            const int row = image.height() - 1 - r;  // rows from the bottom, as a DIB holds them
            for (int c = 0; c < want.width; ++c) {
                const uint8_t* p = &image.pixels()[row * image.rowStride() + c * 3];
                const Rgba got{p[2], p[1], p[0], tga ? image.alpha()[row * image.width() + c] : uint8_t{255}};
                ASSERT_EQ(got, want.pixels[r * want.width + c]) << "pixel " << c << "," << r;
            }
        }
        ++decoded;
    }
    EXPECT_GE(decoded, 30);
}

TEST(Readers, RefuseEveryTruncation) {
    for (const char* file : {"c24_124.bmp", "c8_256.bmp", "c8_gap.bmp", "c_tga_top_id.tga"}) {
        const std::vector<uint8_t> bytes = readBytes(fixturePath(file));
        for (size_t length = 0; length < bytes.size(); ++length) {
            BitmapInfoHeader info;
            std::vector<uint8_t> pixels;
            TgaImage tga;
            if (std::string(file).back() == 'a') {
                ASSERT_FALSE(decodeTga(bytes.data(), length, tga)) << file << " cut at " << length;
            } else {
                ASSERT_STREQ(decodeBmp(bytes.data(), length, info, pixels),
                             length < 54 ? kBmpHeaderFailed : kBmpPixelsFailed)
                    << file << " cut at " << length;
            }
        }
    }
}

}  // namespace
