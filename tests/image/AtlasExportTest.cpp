#include <gtest/gtest.h>

#include <filesystem>

#include "base/ByteReader.h"
#include "image/AtlasExport.h"
#include "layout/TextureCollection.h"
#include "support/ImageFiles.h"
#include "support/TestSupport.h"

namespace {

std::vector<uint8_t> head(const std::vector<uint8_t>& bytes, size_t n) {
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::min(n, bytes.size()));
}

TEST(AtlasExport, HeadersAndSizesOfA256Area) {
    TempDir dir;
    TextureCollection empty;
    ASSERT_TRUE(empty.writeAtlasBmp(dir.file("a.bmp"), 256, 256));
    ASSERT_TRUE(empty.writeAtlasTga(dir.file("a.tga"), 256, 256));
    const std::vector<uint8_t> bmp = readBytes(dir.file("a.bmp"));
    const std::vector<uint8_t> tga = readBytes(dir.file("a.tga"));
    ASSERT_EQ(bmp.size(), 54u + 256 * 256 * 3);
    ASSERT_EQ(tga.size(), 18u + 256 * 256 * 4);
    const std::vector<uint8_t> bmpHeader = {
        0x42, 0x4D, 0x36, 0x00, 0x03, 0x00, 0, 0, 0, 0, 54, 0, 0, 0,  // file header: size 54 + 196608
        40,   0,    0,    0,    0,    1,    0, 0, 0, 1, 0,  0, 1, 0,  // biSize, 256, 256, 1 plane
        24,   0,    0,    0,    0,    0,    0, 0, 3, 0,               // 24 bits, BI_RGB, biSizeImage 196608
        0,    1,    0,    0,    0,    1,    0, 0,                     // the area size where a resolution would be
        0,    0,    0,    0,    0,    0,    0, 0};
    EXPECT_EQ(head(bmp, 54), bmpHeader);
    const std::vector<uint8_t> tgaHeader = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x01, 0x00, 0x01, 32, 8};
    EXPECT_EQ(head(tga, 18), tgaHeader);
    // An empty collection: black, and fully transparent in the TGA.
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 54, bmp.end()), std::vector<uint8_t>(256 * 256 * 3, 0));
    EXPECT_EQ(std::vector<uint8_t>(tga.begin() + 18, tga.end()), std::vector<uint8_t>(256 * 256 * 4, 0));
}

// A picture as given to the writer of a fixture file.
struct Source {
    std::string file;
    ExpectedPicture picture;
};

Source fixture(const std::string& file, const std::string& raw) {
    const std::vector<uint8_t> bytes = readBytes(fixturePath(raw));
    ByteReader in(bytes);
    Source s{file, {}};
    s.picture.width = static_cast<int>(in.u32());
    s.picture.height = static_cast<int>(in.u32());
    s.picture.rgba.assign(bytes.begin() + 8, bytes.end());
    return s;
}

// What the atlas must show, painted here pixel by pixel in list order from the source pictures; BMP images count as
// opaque.
ExpectedPicture expectedAtlas(int width, int height, const std::vector<std::pair<Source, Point>>& placed) {
    ExpectedPicture atlas{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4, 0)};
    for (const auto& [source, at] : placed) {
        const bool opaque = source.file.substr(source.file.size() - 4) == ".bmp";
        for (int j = 0; j < source.picture.height; ++j) {
            for (int i = 0; i < source.picture.width; ++i) {
                const int c = at.x + i, r = at.y + j;
                if (c < 0 || c >= width || r < 0 || r >= height) continue;
                uint8_t* out = &atlas.rgba[(static_cast<size_t>(r) * width + c) * 4];
                const uint8_t* in = &source.picture.rgba[(static_cast<size_t>(j) * source.picture.width + i) * 4];
                std::copy(in, in + 4, out);
                if (opaque) out[3] = 255;
            }
        }
    }
    return atlas;
}

// Atlases of real BMP and TGA files in several arrangements: each is checked here against the expected picture and
// written for Pillow and ImageMagick to decode (check_outputs).
TEST(AtlasExport, ComposesRealFilesInListOrderClippedAtTheEdges) {
    const Source bmp = fixture("im24_w7.bmp", "im24_w7.rgba");
    const Source bmp8 = fixture("pil8_w5.bmp", "pil8_w5.rgba");
    const Source tga = fixture("pil_tga.tga", "pil_tga.rgba");
    const Source tgaTop = fixture("im_tga_top.tga", "im_tga_top.rgba");
    struct Case {
        const char* name;
        std::vector<std::pair<Source, Point>> placed;
    };
    // 18 pixels make 54-byte BMP rows, padded to 56.
    const int kW = 18, kH = 12;
    const Case cases[] = {
        {"tga_over_bmp", {{bmp, {2, 2}}, {tga, {4, 3}}}},
        {"bmp_over_tga", {{tga, {4, 3}}, {bmp, {2, 2}}}},
        {"off_every_edge", {{bmp, {-3, 1}}, {tgaTop, {15, 2}}, {bmp8, {5, -2}}, {tga, {6, 10}}}},
        {"outside", {{bmp, {kW, 0}}, {tga, {-5, 0}}, {bmp8, {0, kH}}}},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextureCollection images;
        for (const auto& [source, at] : c.placed) {
            ASSERT_TRUE(images.addFromFile(fixturePath(source.file), true));
            images.last().setPosition(at.x, at.y);
        }
        const ExpectedPicture want = expectedAtlas(kW, kH, c.placed);
        const std::string name = c.name;
        ASSERT_TRUE(images.writeAtlasBmp(outputPath(name + ".bmp"), kW, kH));
        ASSERT_TRUE(images.writeAtlasTga(outputPath(name + ".tga"), kW, kH));
        expectDecodedAs(name + ".bmp", want, "bmp");
        expectDecodedAs(name + ".tga", want, "tga");

        // Our own reading of the TGA: bottom row first, blue, green, red, alpha.
        const std::vector<uint8_t> file = readBytes(outputPath(name + ".tga"));
        ASSERT_EQ(file.size(), 18u + kW * kH * 4);
        for (int r = 0; r < kH; ++r) {
            for (int col = 0; col < kW; ++col) {
                const uint8_t* p = &file[18 + ((kH - 1 - r) * kW + col) * 4];
                const uint8_t* w = &want.rgba[(r * kW + col) * 4];
                ASSERT_EQ((Rgba{p[2], p[1], p[0], p[3]}), (Rgba{w[0], w[1], w[2], w[3]})) << col << "," << r;
            }
        }
    }
}

TEST(AtlasExport, RefusesAreasItCannotHold) {
    TempDir dir;
    TextureCollection images;
    for (auto [w, h] : {std::pair{0, 256}, {256, 0}, {-4, 4}, {16385, 4}}) {
        EXPECT_FALSE(images.writeAtlasBmp(dir.file("x.bmp"), w, h));
        EXPECT_FALSE(images.writeAtlasTga(dir.file("x.tga"), w, h));
    }
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST(AtlasExport, AFailedWriteKeepsTheOldFile) {
    TempDir dir;
    TextureCollection images;
    EXPECT_FALSE(images.writeAtlasBmp(dir.file("missing") + kSeparator + "a.bmp", 32, 32));
    EXPECT_FALSE(images.writeAtlasTga(dir.file("missing") + kSeparator + "a.tga", 32, 32));
    std::filesystem::create_directory(dir.file("taken.tga"));
    EXPECT_FALSE(images.writeAtlasTga(dir.file("taken.tga"), 32, 32));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.tga")));
#ifndef _WIN32
    // A write that fails once the file is open: a file-size limit smaller than the atlas, in a child process.
    const std::string target = dir.file("atlas.tga");
    writeBytes(target, std::string("old atlas"));
    EXPECT_TRUE(writeFailsUnderFileSizeLimit([&] { return images.writeAtlasTga(target, 256, 256); }, 100000))
        << "the write under the limit reported success";
    EXPECT_EQ(readText(target), "old atlas");
    EXPECT_EQ(filesIn(dir.path()).size(), 2u);
#endif
}

TEST(AtlasExport, AnExistingFileIsReplaced) {
    TempDir dir;
    writeBytes(dir.file("a.bmp"), std::string(100000, 'x'));
    TextureCollection images;
    ASSERT_TRUE(images.writeAtlasBmp(dir.file("a.bmp"), 32, 32));
    EXPECT_EQ(readBytes(dir.file("a.bmp")).size(), 54u + 32 * 32 * 3);
}

}  // namespace
