#include <gtest/gtest.h>

#include "image/TgaReader.h"
#include "support/ImageFiles.h"
#include "support/TestSupport.h"

namespace {

bool decode(const std::vector<uint8_t>& file, TgaImage& image) {
    return decodeTga(file.data(), file.size(), image);
}

// The image's pixel at column c, row r from the top, alpha included.
Rgba at(const TgaImage& image, int c, int r) {
    const int row = image.height - 1 - r;
    const int stride = (image.width * 3 + 3) & ~3;
    const uint8_t* p = &image.pixels[row * stride + c * 3];
    return {p[2], p[1], p[0], image.alpha[row * image.width + c]};
}

void expectPattern(const TgaImage& image, int width, int height) {
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) ASSERT_EQ(at(image, c, r), patternPixel(c, r)) << c << "," << r;
    }
}

TEST(TgaReader, SplitsPixelsAndAlphaRowForRow) {
    TgaImage image;
    ASSERT_TRUE(decode(makeTga32(3, 2, patternPixel), image));
    EXPECT_EQ(image.pixels.size(), 24u);  // rows of 12 bytes, 9 used
    EXPECT_EQ(image.alpha.size(), 6u);
    expectPattern(image, 3, 2);
}

TEST(TgaReader, BothOriginsStandUprightAndAnImageIdIsSkipped) {
    for (bool topLeft : {false, true}) {
        for (const std::string& id : {std::string(), std::string("8 bytes!"), std::string(255, 'i')}) {
            SCOPED_TRACE(testing::Message() << "top-left " << topLeft << ", id of " << id.size());
            TgaImage image;
            ASSERT_TRUE(decode(makeTga32(5, 4, patternPixel, topLeft, id), image));
            expectPattern(image, 5, 4);
        }
    }
}

TEST(TgaReader, AlphaIsTheFourthByteWhateverTheDescriptorSays) {
    std::vector<uint8_t> file = makeTga32(2, 2, patternPixel);
    file[17] = 0;  // no alpha bits declared
    TgaImage image;
    ASSERT_TRUE(decode(file, image));
    expectPattern(image, 2, 2);
}

TEST(TgaReader, RefusesEveryOtherKindAndDamagedFiles) {
    const std::vector<uint8_t> good = makeTga32(3, 2, patternPixel);
    auto with = [&](size_t at, uint8_t v) {
        std::vector<uint8_t> f = good;
        f[at] = v;
        return f;
    };
    auto sized = [&](uint16_t w, uint16_t h) {
        std::vector<uint8_t> f = good;
        putU16(f, 12, w);
        putU16(f, 14, h);
        return f;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        {"run-length encoded", with(2, 10)},
        {"colour-mapped", with(2, 1)},
        {"colour map present", with(1, 1)},
        {"grey", with(2, 3)},
        {"24 bits", with(16, 24)},
        {"16 bits", with(16, 16)},
        {"zero width", sized(0, 2)},
        {"zero height", sized(3, 0)},
        {"larger than the file", sized(65535, 65535)},
        {"image ID past the end", with(0, 200)},
        {"not a TGA", std::vector<uint8_t>(64, 'x')},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        TgaImage image;
        EXPECT_FALSE(decode(c.file, image)) << c.what;
    }
    for (size_t length = 0; length < good.size(); ++length) {
        TgaImage image;
        EXPECT_FALSE(decode(std::vector<uint8_t>(good.begin(), good.begin() + length), image)) << "cut at " << length;
    }
}

TEST(TgaReader, ReadsFromAFile) {
    TempDir dir;
    writeBytes(dir.file("a.tga"), makeTga32(4, 3, patternPixel));
    TgaImage image;
    ASSERT_TRUE(readTga(dir.file("a.tga"), image));
    expectPattern(image, 4, 3);
    EXPECT_FALSE(readTga(dir.file("missing.tga"), image));
}

}  // namespace
