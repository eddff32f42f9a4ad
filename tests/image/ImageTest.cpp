#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <sstream>

#include "base/SafeFileWriter.h"
#include "image/AlphaBleed.h"
#include "image/AtlasExport.h"
#include "image/BmpReader.h"
#include "image/ComposedAtlas.h"
#include "image/DecodedImage.h"
#include "image/PngReader.h"
#include "image/PngWriter.h"
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

// ---------------------------------------------------------------------------------------------------- PNG writer

uint32_t bigEndian(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The chunk types and lengths of a PNG in order, after its signature, as far as the lengths stay in the file (Pillow
// and ImageMagick check the CRCs).
std::vector<std::pair<std::string, uint32_t>> chunks(const std::vector<uint8_t>& png) {
    std::vector<std::pair<std::string, uint32_t>> found;
    if (png.size() < 8 || std::memcmp(png.data(), "\x89PNG\r\n\x1A\n", 8) != 0) return found;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = bigEndian(&png[at]);
        if (length > png.size() - at - 12) break;
        found.push_back({std::string(png.begin() + at + 4, png.begin() + at + 8), length});
        at += 12 + length;
    }
    return found;
}

// Pictures whose rows make one band, a few bands, or many narrow ones; flat runs, noise (whose stream needs several
// IDAT chunks), and transparent pixels of every colour, which must keep it.
Picture drawnPicture(int width, int height, uint32_t seed, bool flatAreas) {
    std::mt19937 random(seed);
    Picture p{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t n = random();
            const bool flat = flatAreas && (x / 37 + y / 23) % 3 == 0;
            p.pixels.push_back(flat ? Rgba{uint8_t(y), 40, uint8_t(x), uint8_t(x % 5 == 0 ? 0 : 255)}
                                    : Rgba{uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)});
        }
    }
    return p;
}

// Every level writes a PNG that our reader, Pillow and ImageMagick (check_outputs.py) decode to exactly the pixels,
// transparent ones' colours included; the bytes are the same on one thread and on four; the stream is cut into IDAT
// chunks of at most 1 MiB; best is never larger than default.
TEST(PngWriter, EveryLevelDecodesToThePixelsWithTheSameBytesOnAnyNumberOfThreads) {
    const struct {
        const char* name;
        int width, height;
        size_t minIdats;
    } cases[] = {{"one-pixel", 1, 1, 1}, {"one-column", 1, 3000, 1}, {"noise", 1100, 260, 2}, {"bands", 230, 2500, 1}};
    const std::pair<const char*, PngLevel> levels[] = {
        {"fast", PngLevel::Fast}, {"default", PngLevel::Default}, {"best", PngLevel::Best}};
    for (const auto& c : cases) {
        const Picture picture = drawnPicture(c.width, c.height, static_cast<uint32_t>(c.width), c.minIdats == 1);
        const auto* rgba = reinterpret_cast<const uint8_t*>(picture.pixels.data());
        std::map<std::string, size_t> sizes;
        for (const auto& [levelName, level] : levels) {
            const std::string name = std::string("png_") + c.name + "_" + levelName;
            SCOPED_TRACE(name);
            std::vector<uint8_t> one, four;
            ASSERT_TRUE(encodePngRgba(rgba, c.width, c.height, one, {level, 1}));
            ASSERT_TRUE(encodePngRgba(rgba, c.width, c.height, four, {level, 4}));
            EXPECT_EQ(one, four);
            sizes[levelName] = one.size();
            const auto found = chunks(one);
            ASSERT_GE(found.size(), 3u);
            EXPECT_EQ(found.front(), (std::pair<std::string, uint32_t>{"IHDR", 13}));
            EXPECT_EQ(std::string(one.begin() + 16, one.begin() + 29),
                      std::string({0, 0, char(c.width >> 8), char(c.width), 0, 0, char(c.height >> 8), char(c.height),
                                   8, 6, 0, 0, 0}));
            EXPECT_EQ(found.back(), (std::pair<std::string, uint32_t>{"IEND", 0}));
            for (size_t i = 1; i + 1 < found.size(); ++i) {
                EXPECT_EQ(found[i].first, "IDAT");
                EXPECT_TRUE(found[i].second <= (1u << 20) && (found[i].second == (1u << 20) || i + 2 == found.size()));
            }
            EXPECT_GE(found.size() - 2, c.minIdats);
            if (c.minIdats > 1) {  // noise does not compress: stored, five bytes a block of 64 KiB over its rows
                const size_t rows = static_cast<size_t>(c.width * 4 + 1) * c.height;
                EXPECT_LE(one.size(), rows + 5 * (rows / 65535 + 2) + 8 + 25 + 12 * (found.size() - 1) + 6);
            }
            DecodedImage decoded;
            ASSERT_EQ(decodePng(one.data(), one.size(), decoded), nullptr);
            const int64_t stride = (int64_t{c.width} * 3 + 3) & ~int64_t{3};
            bool same = decoded.width == c.width && decoded.height == c.height;
            for (int y = 0; same && y < c.height; ++y) {
                for (int x = 0; same && x < c.width; ++x) {
                    const Rgba& want = picture.pixels[static_cast<size_t>(y * c.width + x)];
                    const int64_t row = c.height - 1 - y;
                    const uint8_t* bgr = &decoded.pixels[static_cast<size_t>(row * stride + x * 3)];
                    same = Rgba{bgr[2], bgr[1], bgr[0], decoded.alpha[static_cast<size_t>(row * c.width + x)]} == want;
                }
            }
            EXPECT_TRUE(same);
            writeBytes(outputPath(name + ".png"), one);
            expectDecodedAs(name + ".png", picture, "png");
        }
        EXPECT_LE(sizes["best"], sizes["default"]) << c.name;
    }
    std::vector<uint8_t> png;
    for (const auto& [w, h] : {std::pair{0, 1}, {1, 0}, {16384, 8193}, {-1, -1}}) {
        EXPECT_FALSE(encodePngRgba(nullptr, w, h, png)) << w << "x" << h;  // refused before the pixels are read
        EXPECT_TRUE(png.empty());
    }
}

// ---------------------------------------------------------------------------------------------------- bleeding

// An atlas buffer as composeAtlas keeps it (blue, green, red, alpha; rows from the bottom), addressed from the top.
struct Atlas {
    int32_t width, height;
    std::vector<uint8_t> bytes;
    uint8_t* at(int32_t x, int32_t y) { return &bytes[static_cast<size_t>(((height - 1 - y) * width + x) * 4)]; }
};

// What bleeding must do, by its definition: every transparent pixel of the region that has a visible pixel of the
// region within `reach` across and down takes the colour of the visible pixel of the region with the least squared
// distance, then the least row, then the least column.
void bleedByDefinition(Atlas& atlas, const Rect& r, int32_t reach) {
    const Atlas before = atlas;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        for (int32_t x = r.left; x < r.right; ++x) {
            if (atlas.at(x, y)[3] != 0) continue;
            std::tuple<int64_t, int32_t, int32_t> nearest{INT64_MAX, 0, 0};
            bool reached = false;
            for (int32_t v = r.top; v < r.bottom; ++v) {
                for (int32_t u = r.left; u < r.right; ++u) {
                    if (const_cast<Atlas&>(before).at(u, v)[3] == 0) continue;
                    const int64_t dx = u - x, dy = v - y;
                    nearest = std::min(nearest, {dx * dx + dy * dy, v, u});
                    reached = reached || std::max(std::abs(dx), std::abs(dy)) <= reach;
                }
            }
            if (!reached) continue;
            const uint8_t* source = const_cast<Atlas&>(before).at(std::get<2>(nearest), std::get<1>(nearest));
            std::copy(source, source + 3, atlas.at(x, y));
        }
    }
}

// Drawn regions: '.' transparent (black), a letter visible in its own colour; after bleeding a lower-case letter is a
// transparent pixel of that letter's colour.
Atlas drawnAtlas(const std::vector<std::string>& rows) {
    Atlas atlas{static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()), {}};
    atlas.bytes.assign(static_cast<size_t>(atlas.width * atlas.height * 4), 0);
    for (int32_t y = 0; y < atlas.height; ++y) {
        for (int32_t x = 0; x < atlas.width; ++x) {
            const char c = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
            const uint8_t letter = static_cast<uint8_t>(std::tolower(c));
            uint8_t* p = atlas.at(x, y);
            if (c != '.') p[0] = letter, p[1] = static_cast<uint8_t>(letter * 3), p[2] = 7;
            p[3] = std::isupper(c) ? 255 : 0;
        }
    }
    return atlas;
}

TEST(AlphaBleed, TransparentPixelsInReachTakeTheNearestVisibleColourFirstInReadingOrder) {
    const struct {
        const char* what;
        std::vector<std::string> before, after;
        int32_t reach;
    } cases[] = {
        {"ties: the upper, then the left", {"A.B", "...", ".C."}, {"AaB", "acb", "cCc"}, 1},
        {"reach is a square", {"A....", ".....", "....."}, {"Aaa..", "aaa..", "aaa.."}, 2},
        {"reached through X, nearest to Y outside the square",
         {"....Y", ".....", ".....", "...X."},
         {"yyyyY", "xxyyy", "xxxxx", "xxxXx"},
         3},
        {"everywhere", {"........", "......A.", "........"}, {"aaaaaaaa", "aaaaaaAa", "aaaaaaaa"}, kBleedEverywhere},
        {"no visible pixel", {"...", "..."}, {"...", "..."}, kBleedEverywhere},
        {"alpha above 0 is visible, and kept", {"a.", ".."}, {"a.", ".."}, 2},
    };
    for (const auto& c : cases) {
        Atlas atlas = drawnAtlas(c.before);
        ASSERT_TRUE(
            bleedRegion(atlas.bytes.data(), atlas.width, atlas.height, {0, 0, atlas.width, atlas.height}, c.reach));
        EXPECT_EQ(atlas.bytes, drawnAtlas(c.after).bytes) << c.what;
    }
}

// Random regions inside larger atlases, against the definition: nothing outside the region is read or changed.
TEST(AlphaBleed, AgreesWithTheDefinitionOnRandomRegions) {
    std::mt19937 random(42);
    for (int trial = 0; trial < 200; ++trial) {
        const int32_t w = 1 + static_cast<int32_t>(random() % 40), h = 1 + static_cast<int32_t>(random() % 30);
        Atlas atlas{w, h, std::vector<uint8_t>(static_cast<size_t>(w * h * 4))};
        const unsigned density = random() % 100;
        for (size_t p = 0; p < atlas.bytes.size(); p += 4) {
            const uint32_t n = random();
            atlas.bytes[p] = uint8_t(n), atlas.bytes[p + 1] = uint8_t(n >> 8), atlas.bytes[p + 2] = uint8_t(n >> 16);
            atlas.bytes[p + 3] = random() % 100 < density ? uint8_t(1 + (n >> 24) % 255) : 0;
        }
        const int32_t left = static_cast<int32_t>(random() % w) - 3, top = static_cast<int32_t>(random() % h) - 3;
        const Rect region{left, top, left + 1 + static_cast<int32_t>(random() % (w + 4)),
                          top + 1 + static_cast<int32_t>(random() % (h + 4))};
        const int32_t reach = trial % 5 == 0 ? kBleedEverywhere : 1 + static_cast<int32_t>(random() % 6);
        Atlas want = atlas;
        bleedByDefinition(
            want,
            {std::max(0, region.left), std::max(0, region.top), std::min(w, region.right), std::min(h, region.bottom)},
            reach);
        ASSERT_TRUE(bleedRegion(atlas.bytes.data(), w, h, region, reach));
        ASSERT_EQ(atlas.bytes, want.bytes) << "trial " << trial;
    }
}

// In the atlas, each image bleeds inside its rectangle and extrusion ring only, after extrusion and before
// premultiplication (which then makes every bled pixel black again); the BMP's three bytes are never bled; threads
// change nothing.
TEST(AtlasExport, BleedsEachImageInItsOwnRegionBetweenExtrusionAndPremultiplication) {
    TextureCollection images;
    for (const auto& [file, x, y] : {std::tuple{"pil_tga.tga", 1, 1}, {"im_tga_top.tga", 0, 0}, {"c_tga.tga", 0, 0}}) {
        ASSERT_TRUE(images.addFromFile(fixturePath(file), true));
        images.last().setPosition(x, y);
    }
    // Side by side with the extrusion rings touching: the second starts where the first's ring ends.
    const Rect first = images.images()[0]->bounds();
    images.images()[1]->setPosition(first.right + 2, 1);
    const Rect second = images.images()[1]->bounds();
    images.images()[2]->setPosition(second.right + 2, 1);
    const int32_t w = images.images()[2]->bounds().right + 1, h = 24;
    const AtlasImages list = atlasImages(images);
    std::vector<uint8_t> plain, bled, bledOnFour, bmp, bmpBled, premultiplied, premultipliedBled;
    ASSERT_TRUE(composeAtlas(list, w, h, 4, plain, {1}));
    for (const auto& [out, threads] : {std::pair{&bled, 1u}, {&bledOnFour, 4u}}) {
        AtlasOptions options{1, 3};
        options.threads = threads;
        ASSERT_TRUE(composeAtlas(list, w, h, 4, *out, options));
    }
    EXPECT_EQ(bled, bledOnFour);
    Atlas want{w, h, plain};
    for (const TextureImage* image : list) {
        const Rect r = image->bounds();
        bleedByDefinition(want, {std::max(0, r.left - 1), std::max(0, r.top - 1), r.right + 1, r.bottom + 1}, 3);
    }
    EXPECT_EQ(bled, want.bytes);
    EXPECT_NE(bled, plain);
    AtlasOptions both{1, 3};
    both.premultiply = true;
    ASSERT_TRUE(composeAtlas(list, w, h, 4, premultiplied, {1, 0, true}));
    ASSERT_TRUE(composeAtlas(list, w, h, 4, premultipliedBled, both));
    EXPECT_EQ(premultipliedBled, premultiplied);
    ASSERT_TRUE(composeAtlas(list, w, h, 3, bmp, {1}));
    ASSERT_TRUE(composeAtlas(list, w, h, 3, bmpBled, {1, kBleedEverywhere}));
    EXPECT_EQ(bmpBled, bmp);

    // Composed once for a page's three files, each holds the bytes of its own composition (the BMP unbled).
    const AtlasOptions options{1, 3};
    ComposedAtlas composed(list, w, h, options);
    TempDir dir;
    const std::pair<const char*, bool (ComposedAtlas::*)(SafeFileWriter&)> files[] = {
        {"once.bmp", &ComposedAtlas::writeBmp},
        {"once.tga", &ComposedAtlas::writeTga},
        {"once.png", &ComposedAtlas::writePng}};
    for (const auto& [name, write] : files) {
        SafeFileWriter file(dir.file(name));
        ASSERT_TRUE(file.open() && (composed.*write)(file) && file.commit()) << name;
    }
    SafeFileWriter png(dir.file("alone.png"));
    ASSERT_TRUE(png.open() && writePngPixels(bled, png, w, h, options) && png.commit());
    ASSERT_TRUE(writeAtlasBmpFile(list, dir.file("alone.bmp"), w, h, options));
    ASSERT_TRUE(writeAtlasTgaFile(list, dir.file("alone.tga"), w, h, options));
    for (const char* kind : {"bmp", "tga", "png"}) {
        EXPECT_EQ(readBytes(dir.file("once."s + kind)), readBytes(dir.file("alone."s + kind))) << kind;
    }
}

}  // namespace
