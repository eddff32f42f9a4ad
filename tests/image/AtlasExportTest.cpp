#include <gtest/gtest.h>

#include "layout/TextureCollection.h"
#include "support/TestSupport.h"

namespace {

using namespace std::string_literals;

// Atlases of files written by ImageMagick and Pillow in several arrangements, each painted here pixel by pixel in list
// order (no blending; BMP images opaque): our own reading of both files must show that picture, and so must Pillow's
// and ImageMagick's (check_outputs.py). 18 pixels make 54-byte BMP rows, padded to 56.
TEST(AtlasExport, ComposesInListOrderClippedAtTheEdges) {
    constexpr int kW = 18, kH = 12;
    const std::string headers[] = {
        "BM\xD6\x02\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x12\0\0\0\x0C\0\0\0\x01\0\x18\0\0\0\0\0\xA0\x02\0\0"
        "\x12\0\0\0\x0C\0\0\0\0\0\0\0\0\0\0\0"s,  // the area size where a resolution would stand
        "\0\0\x02\0\0\0\0\0\0\0\0\0\x12\0\x0C\0\x20\x08"s};
    const std::pair<const char*, std::vector<std::pair<std::string, Point>>> cases[] = {
        {"tga_over_bmp", {{"im24_w7.bmp", {2, 2}}, {"pil_tga.tga", {4, 3}}}},
        {"bmp_over_tga", {{"pil_tga.tga", {4, 3}}, {"im24_w7.bmp", {2, 2}}}},
        {"off_every_edge",
         {{"im24_w7.bmp", {-3, 1}}, {"im_tga_top.tga", {15, 2}}, {"pil8_w5.bmp", {5, -2}}, {"pil_tga.tga", {6, 10}}}},
        {"outside", {{"im24_w7.bmp", {kW, 0}}, {"pil_tga.tga", {-5, 0}}, {"pil8_w5.bmp", {0, kH}}}},
    };
    for (const auto& [name, placed] : cases) {
        TextureCollection images;
        Picture want{kW, kH, std::vector<Rgba>(kW * kH, Rgba{0, 0, 0, 0})};
        for (const auto& [file, at] : placed) {
            ASSERT_TRUE(images.addFromFile(fixturePath(file), true));
            images.last().setPosition(at.x, at.y);
            const Picture source = readRaw(fixturePath(file.substr(0, file.size() - 4) + ".rgba"));
            for (int j = 0; j < source.height; ++j) {
                for (int i = 0; i < source.width; ++i) {
                    const int c = at.x + i, r = at.y + j;
                    if (c < 0 || c >= kW || r < 0 || r >= kH) continue;
                    want.pixels[r * kW + c] = source.pixels[j * source.width + i];
                    if (file.back() == 'p') want.pixels[r * kW + c].a = 255;  // a BMP
                }
            }
        }
        for (const bool tga : {false, true}) {
            const std::string file = name + (tga ? ".tga"s : ".bmp"s);
            ASSERT_TRUE(tga ? images.writeAtlasTga(outputPath(file), kW, kH)
                            : images.writeAtlasBmp(outputPath(file), kW, kH));
            expectDecodedAs(file, want, tga ? "tga" : "bmp");
            const std::vector<uint8_t> bytes = readBytes(outputPath(file));
            const size_t header = headers[tga].size(), pixel = tga ? 4 : 3, stride = tga ? kW * 4 : 56;
            ASSERT_EQ(bytes.size(), header + stride * kH) << file;
            EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + header), headers[tga]) << file;
            for (int r = 0; r < kH; ++r) {
                for (int c = 0; c < kW; ++c) {  // rows from the bottom; blue, green, red (, alpha)
                    const uint8_t* p = &bytes[header + (kH - 1 - r) * stride + c * pixel];
                    Rgba w = want.pixels[r * kW + c];
                    w.a = tga ? w.a : 255;
                    ASSERT_EQ((Rgba{p[2], p[1], p[0], tga ? p[3] : uint8_t{255}}), w) << file << " " << c << "," << r;
                }
                EXPECT_TRUE(tga || (bytes[header + r * stride + 54] | bytes[header + r * stride + 55]) == 0) << r;
            }
        }
    }
}

TEST(AtlasExport, RefusesAreasItCannotHoldAndFoldersThatDoNotExist) {
    TempDir dir;
    TextureCollection images;
    for (auto [w, h] : {std::pair{0, 256}, {256, 0}, {-4, 4}, {16385, 4}, {4, 16385}}) {
        EXPECT_FALSE(images.writeAtlasBmp(dir.file("x.bmp"), w, h) || images.writeAtlasTga(dir.file("x.tga"), w, h));
    }
    for (auto [w, h] : {std::pair{16384, 1}, {1, 16384}}) {
        ASSERT_TRUE(images.writeAtlasTga(dir.file("x.tga"), w, h));
        EXPECT_EQ(readBytes(dir.file("x.tga")).size(), 18u + 16384 * 4);
    }
    EXPECT_FALSE(images.writeAtlasBmp(dir.file("missing") + kPathSeparator + "a.bmp", 32, 32));
    EXPECT_FALSE(images.writeAtlasTga(dir.file("missing") + kPathSeparator + "a.tga", 32, 32));
    EXPECT_FALSE(fileExists(dir.file("x.bmp")) || fileExists(dir.file("missing")));
}

}  // namespace
