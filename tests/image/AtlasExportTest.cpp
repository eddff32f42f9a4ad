#include <gtest/gtest.h>

#include "base/ByteWriter.h"
#include "layout/TextureCollection.h"
#include "support/TestSupport.h"

namespace {

// 18 pixels make 54-byte BMP rows, padded to 56.
constexpr int kW = 18, kH = 12;

// The headers an 18 x 12 atlas must start with.
std::vector<uint8_t> expectedHeader(bool tga) {
    ByteWriter out;
    if (tga) {
        for (int v : {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, kW, 0, kH, 0, 32, 8}) out.u8(static_cast<uint8_t>(v));
        return out.buffer();
    }
    out.text("BM");
    for (uint32_t v : {54u + 56 * kH, 0u, 54u, 40u, uint32_t{kW}, uint32_t{kH}, 0x180001u, 0u, 56u * kH}) out.u32(v);
    for (uint32_t v : {uint32_t{kW}, uint32_t{kH}, 0u, 0u}) out.u32(v);  // the area size where a resolution would be
    return out.buffer();
}

// Atlases of files written by ImageMagick and Pillow in several arrangements, each painted here pixel by pixel in list
// order (no blending; BMP images opaque): our own reading of both files must show that picture, and so must Pillow's
// and ImageMagick's (check_outputs.py).
TEST(AtlasExport, ComposesInListOrderClippedAtTheEdges) {
    const std::pair<const char*, const char*> bmp{"im24_w7.bmp", "im24_w7.rgba"}, bmp8{"pil8_w5.bmp", "pil8_w5.rgba"},
        tga{"pil_tga.tga", "pil_tga.rgba"}, tgaTop{"im_tga_top.tga", "im_tga_top.rgba"};
    const std::pair<const char*, std::vector<std::pair<std::pair<const char*, const char*>, Point>>> cases[] = {
        {"tga_over_bmp", {{bmp, {2, 2}}, {tga, {4, 3}}}},
        {"bmp_over_tga", {{tga, {4, 3}}, {bmp, {2, 2}}}},
        {"off_every_edge", {{bmp, {-3, 1}}, {tgaTop, {15, 2}}, {bmp8, {5, -2}}, {tga, {6, 10}}}},
        {"outside", {{bmp, {kW, 0}}, {tga, {-5, 0}}, {bmp8, {0, kH}}}},
    };
    for (const auto& [name, placed] : cases) {
        TextureCollection images;
        Picture want{kW, kH, std::vector<Rgba>(kW * kH, Rgba{0, 0, 0, 0})};
        for (const auto& [files, at] : placed) {
            ASSERT_TRUE(images.addFromFile(fixturePath(files.first), true));
            images.last().setPosition(at.x, at.y);
            const Picture source = readRaw(fixturePath(files.second));
            for (int j = 0; j < source.height; ++j) {
                for (int i = 0; i < source.width; ++i) {
                    const int c = at.x + i, r = at.y + j;
                    if (c < 0 || c >= kW || r < 0 || r >= kH) continue;
                    Rgba& p = want.pixels[r * kW + c];
                    p = source.pixels[j * source.width + i];
                    if (std::string(files.first).find(".bmp") != std::string::npos) p.a = 255;
                }
            }
        }
        for (const bool tga : {false, true}) {
            const std::string file = std::string(name) + (tga ? ".tga" : ".bmp");
            ASSERT_TRUE(tga ? images.writeAtlasTga(outputPath(file), kW, kH)
                            : images.writeAtlasBmp(outputPath(file), kW, kH));
            expectDecodedAs(file, want, tga ? "tga" : "bmp");
            const std::vector<uint8_t> bytes = readBytes(outputPath(file));
            const size_t header = tga ? 18 : 54, pixel = tga ? 4 : 3, stride = tga ? kW * 4 : 56;
            ASSERT_EQ(bytes.size(), header + stride * kH) << file;
            EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + header), expectedHeader(tga)) << file;
            for (int r = 0; r < kH; ++r) {
                for (int c = 0; c < kW; ++c) {  // rows from the bottom; blue, green, red (, alpha)
                    const uint8_t* p = &bytes[header + (kH - 1 - r) * stride + c * pixel];
                    const Rgba w = want.pixels[r * kW + c];
                    ASSERT_EQ((Rgba{p[2], p[1], p[0], tga ? p[3] : uint8_t{255}}),
                              (Rgba{w.r, w.g, w.b, tga ? w.a : uint8_t{255}}))
                        << file << " " << c << "," << r;
                }
                EXPECT_TRUE(tga || (bytes[header + r * stride + 54] | bytes[header + r * stride + 55]) == 0)
                    << "padding";
            }
        }
    }
}

TEST(AtlasExport, RefusesAreasItCannotHoldAndFoldersThatDoNotExist) {
    TempDir dir;
    TextureCollection images;
    for (auto [w, h] : {std::pair{0, 256}, {256, 0}, {-4, 4}, {16385, 4}, {4, 16385}}) {
        EXPECT_FALSE(images.writeAtlasBmp(dir.file("x.bmp"), w, h));
        EXPECT_FALSE(images.writeAtlasTga(dir.file("x.tga"), w, h));
    }
    EXPECT_TRUE(images.writeAtlasTga(dir.file("x.tga"), 16384, 1));
    EXPECT_EQ(readBytes(dir.file("x.tga")).size(), 18u + 16384 * 4);
    EXPECT_FALSE(images.writeAtlasBmp(dir.file("missing") + kPathSeparator + "a.bmp", 32, 32));
    EXPECT_FALSE(images.writeAtlasTga(dir.file("missing") + kPathSeparator + "a.tga", 32, 32));
    EXPECT_FALSE(fileExists(dir.file("x.bmp")) || fileExists(dir.file("missing")));
}

}  // namespace
