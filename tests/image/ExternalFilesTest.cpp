#include <gtest/gtest.h>

#include <sstream>

#include "base/ByteReader.h"
#include "image/BmpReader.h"
#include "image/TextureImage.h"
#include "support/ImageFiles.h"
#include "support/TestSupport.h"

namespace {

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<Rgba> pixels;  // rows from the top
};

Picture readRaw(const std::string& name) {
    const std::vector<uint8_t> bytes = readBytes(fixturePath(name));
    ByteReader in(bytes);
    Picture p;
    p.width = in.u32();
    p.height = in.u32();
    for (uint64_t i = 0; i < uint64_t{p.width} * p.height; ++i) {
        Rgba px;
        px.r = in.u8();
        px.g = in.u8();
        px.b = in.u8();
        px.a = in.u8();
        p.pixels.push_back(px);
    }
    EXPECT_TRUE(in.ok()) << name;
    return p;
}

// What the image holds at column c, row r from the top, with its alpha (255 for an image without alpha plane).
Rgba pixelOf(const TextureImage& image, int c, int r) {
    const int row = image.height() - 1 - r;
    const uint8_t* p = &image.pixels()[static_cast<size_t>(row) * image.rowStride() + c * 3];
    const uint8_t a = image.hasAlpha() ? image.alpha()[static_cast<size_t>(row) * image.width() + c] : 255;
    return {p[2], p[1], p[0], a};
}

struct Fixture {
    std::string file, expected, expectation;
};

std::vector<Fixture> manifest() {
    std::istringstream lines(readText(fixturePath("manifest.txt")));
    std::vector<Fixture> fixtures;
    Fixture f;
    while (lines >> f.file >> f.expected >> f.expectation) fixtures.push_back(f);
    return fixtures;
}

bool isTga(const std::string& file) {
    return file.size() > 4 && file.substr(file.size() - 4) == ".tga";
}

// Every file written by ImageMagick or Pillow decodes to exactly the pixels the writer was given (alpha included for
// TGA, both row orders), or is refused for the reason the manifest gives.
TEST(ExternalFiles, DecodeToThePixelsTheWriterWasGiven) {
    const std::vector<Fixture> fixtures = manifest();
    ASSERT_GE(fixtures.size(), 20u);
    int decoded = 0;
    for (const Fixture& f : fixtures) {
        SCOPED_TRACE(f.file);
        TextureImage image;
        const std::string path = fixturePath(f.file);
        if (f.expectation == "bmp-depth" || f.expectation == "bmp-compression") {
            EXPECT_STREQ(image.loadBmp(path), f.expectation == "bmp-depth" ? kBmpWrongDepth : kBmpNotUncompressed);
            continue;
        }
        if (f.expectation == "tga-refused") {
            EXPECT_FALSE(image.loadTga(path));
            continue;
        }
        ASSERT_EQ(f.expectation, "ok");
        if (isTga(f.file)) {
            ASSERT_TRUE(image.loadTga(path));
            EXPECT_TRUE(image.hasAlpha());
        } else {
            ASSERT_EQ(image.loadBmp(path), nullptr);
            EXPECT_FALSE(image.hasAlpha());
        }
        const Picture want = readRaw(f.expected);
        ASSERT_EQ(image.width(), static_cast<int32_t>(want.width));
        ASSERT_EQ(image.height(), static_cast<int32_t>(want.height));
        for (uint32_t r = 0; r < want.height; ++r) {
            for (uint32_t c = 0; c < want.width; ++c) {
                ASSERT_EQ(pixelOf(image, c, r), want.pixels[r * want.width + c]) << "pixel " << c << "," << r;
            }
        }
        ++decoded;
    }
    EXPECT_GE(decoded, 20);
}

}  // namespace
