#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>

#include "image/BmpReader.h"
#include "image/TextureImage.h"
#include "layout/TextureCollection.h"
#include "support/TestSupport.h"

namespace {

using namespace std::string_literals;

// Every fixture decodes to exactly its picture (TGA alpha too, both row orders), or is refused for its reason.
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
        Picture got{image.width(), image.height(), {}};
        for (int r = image.height() - 1; r >= 0; --r) {  // rows from the bottom, as a DIB holds them
            for (int c = 0; c < image.width(); ++c) {
                const uint8_t* p = &image.pixels()[r * image.rowStride() + c * 3];
                got.pixels.push_back({p[2], p[1], p[0], tga ? image.alpha()[r * image.width() + c] : uint8_t{255}});
            }
        }
        const Picture want = readRaw(fixturePath(expected));
        EXPECT_TRUE(got.width == want.width && got.height == want.height && got.pixels == want.pixels);
        ++decoded;
    }
    EXPECT_GE(decoded, 30);
}

// Whatever a BMP's header declared (124 bytes of it, a palette), its image in memory has the header a TGA's has.
TEST(TextureImage, LoadsGiveOneInMemoryForm) {
    TempDir dir;
    for (const char* file : {"c24_124.bmp", "c8_256.bmp"}) {
        TextureImage bmp, tga;
        ASSERT_EQ(bmp.loadBmp(fixturePath(file)), nullptr);
        ASSERT_TRUE(tga.loadTga(writeSolidImage(dir.file("same.tga"), bmp.width(), bmp.height())));
        EXPECT_EQ(std::memcmp(&bmp.info(), &tga.info(), sizeof(BitmapInfoHeader)), 0) << file;
    }
}

// Atlases of files written by ImageMagick and Pillow, painted here pixel by pixel in list order (no blending; BMP
// images opaque): Pillow and ImageMagick must read that picture from both files (check_outputs.py); the headers are
// checked here, the BMP's with the area size where a resolution would stand. 18 pixels make 54-byte rows, padded to 56.
TEST(AtlasExport, ComposesInListOrderClippedAtTheEdges) {
    constexpr int kW = 18, kH = 12;
    const std::string headers[] = {
        "BM\xD6\x02\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x12\0\0\0\x0C\0\0\0\x01\0\x18\0\0\0\0\0\xA0\x02\0\0"
        "\x12\0\0\0\x0C\0\0\0\0\0\0\0\0\0\0\0"s,
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
                    if (file.back() == 'p') want.pixels[r * kW + c].a = 255;
                }
            }
        }
        for (const bool tga : {false, true}) {
            const std::string file = name + (tga ? ".tga"s : ".bmp"s);
            ASSERT_TRUE(tga ? images.writeAtlasTga(outputPath(file), kW, kH)
                            : images.writeAtlasBmp(outputPath(file), kW, kH));
            expectDecodedAs(file, want, tga ? "tga" : "bmp");
            const std::vector<uint8_t> bytes = readBytes(outputPath(file));
            EXPECT_EQ(bytes.size(), headers[tga].size() + (tga ? kW * 4 : 56) * kH) << file;
            EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + headers[tga].size()), headers[tga]) << file;
        }
    }
}

}  // namespace
