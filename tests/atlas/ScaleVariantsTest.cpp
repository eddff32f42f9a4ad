#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "atlas/ScaleVariants.h"
#include "image/DecodedImage.h"
#include "image/TextureImage.h"

// The test's own copy of the resampler, called directly on pixels it lays out itself.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb/stb_image_resize.h>

namespace {

// An image of w x h pixels whose every pixel differs from its neighbours; with alpha, a ramp of alphas that leaves
// some pixels fully transparent.
std::unique_ptr<TextureImage> noisyImage(int32_t w, int32_t h, bool withAlpha) {
    std::mt19937 random(static_cast<unsigned>(w * 100 + h));
    DecodedImage d{w, h, std::vector<uint8_t>(static_cast<size_t>(((w * 3 + 3) & ~3) * h)), {}};
    for (uint8_t& byte : d.pixels) byte = static_cast<uint8_t>(random());
    for (int32_t i = 0; withAlpha && i < w * h; ++i) d.alpha.push_back(static_cast<uint8_t>(i % 5 == 0 ? 0 : random()));
    auto out = std::make_unique<TextureImage>();
    out->takePixels("sprite.tga", d, withAlpha ? ImageKind::Tga : ImageKind::Bmp);
    return out;
}

// The pixel at (x, y) from the top-left corner as RGBA (alpha 255 without an alpha plane).
std::array<uint8_t, 4> pixelAt(const TextureImage& image, int32_t x, int32_t y) {
    const int64_t row = image.height() - 1 - y;
    const uint8_t* p = image.pixels().data() + row * image.rowStride() + x * 3;
    const uint8_t a = image.hasAlpha() ? image.alpha()[static_cast<size_t>(row * image.width() + x)] : 255;
    return {p[2], p[1], p[0], a};
}

TEST(ScaleVariants, ReadsScalesAndNames) {
    const struct {
        const char* text;
        int64_t scale;
        const char* name;
        const char* written;
    } cases[] = {{"1", 1000000, "1", "1"},
                 {"0.5:@1x", 500000, "@1x", "0.5"},
                 {".250:quarter", 250000, "quarter", "0.25"},
                 {"04", 4000000, "04", "4"},
                 {"1.000100", 1000100, "1.000100", "1.0001"},
                 {"0.000001", 1, "0.000001", "0.000001"}};
    for (const auto& c : cases) {
        ScaleVariant variant;
        EXPECT_TRUE(parseScaleVariant(c.text, variant)) << c.text;
        EXPECT_EQ(variant.scale, c.scale) << c.text;
        EXPECT_EQ(variant.name, c.name) << c.text;
        EXPECT_EQ(variant.scaleText, c.written) << c.text;
    }
    ScaleVariant variant;
    for (const char* bad : {"4.000001", "0", "0.0000001", "1.", "", "1:", "-1", "1e2", "100"}) {
        EXPECT_FALSE(parseScaleVariant(bad, variant)) << bad;
    }
    EXPECT_EQ(variantFileName("out/{v}/a{v}.png", "@2x"), "out/@2x/a@2x.png");
    EXPECT_FALSE(hasVariantPlaceholder("a{n}.png"));
}

TEST(ScaleVariants, RoundsEveryLengthDownFromTheLargestScale) {
    const struct {
        int64_t scale, largest, length, fromLayout, fromImage;
    } cases[] = {{500000, 1000000, 7, 3, 3},    // halves
                 {1000000, 1000000, 7, 7, 7},   // the largest itself
                 {500000, 1500000, 3, 1, 1},    // at 1.5 the 3 becomes 4, a third of which is 1
                 {1500000, 1500000, 3, 3, 4},   // the layout's length is already at 1.5
                 {300000, 2000000, 10, 1, 3}};  // 10 at 2 is 20, at 0.3 of it 3
    for (const auto& c : cases) {
        const VariantScale scale{c.scale, c.largest};
        EXPECT_EQ(scale.fromLayout(c.length), c.fromLayout) << c.scale << "/" << c.largest;
        EXPECT_EQ(scale.fromImage(c.length), c.fromImage) << c.scale << "/" << c.largest;
    }
}

// Each filter's resized kept part lies in an image of the source's size at that scale, at the kept part's place at that
// scale, and equals what the resampler makes of the kept part directly.
TEST(ScaleVariants, ResizesTheKeptPartWhereItStandsAtTheScale) {
    const struct {
        ResizeFilter filter;
        stbir_filter stb;
        bool alpha;
        int64_t scale;
    } cases[] = {{ResizeFilter::Default, STBIR_FILTER_DEFAULT, true, 500000},
                 {ResizeFilter::Default, STBIR_FILTER_DEFAULT, false, 700000},
                 {ResizeFilter::Box, STBIR_FILTER_BOX, true, 330000},
                 {ResizeFilter::Default, STBIR_FILTER_DEFAULT, true, 2000000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scale);
        const auto source = noisyImage(23, 17, c.alpha);
        std::vector<Sprite> sprites(1);
        sprites[0].image = source.get();
        sprites[0].kept = Rect{3, 2, 21, 16};
        const VariantScale scale{c.scale, c.scale};  // the largest: lengths are the source's times the scale
        ScaledSprites scaled;
        std::string error;
        ASSERT_TRUE(scaleSprites(sprites, scale, c.filter, scaled, error)) << error;
        const Sprite& sprite = scaled.sprites[0];
        const TextureImage& image = *sprite.image;
        EXPECT_EQ(image.width(), static_cast<int32_t>(23 * c.scale / kScaleUnit));
        EXPECT_EQ(image.height(), static_cast<int32_t>(17 * c.scale / kScaleUnit));
        const Rect want{static_cast<int32_t>(3 * c.scale / kScaleUnit), static_cast<int32_t>(2 * c.scale / kScaleUnit),
                        0, 0};
        const int32_t w = static_cast<int32_t>(18 * c.scale / kScaleUnit),
                      h = static_cast<int32_t>(14 * c.scale / kScaleUnit);
        EXPECT_EQ(sprite.kept, (Rect{want.left, want.top, want.left + w, want.top + h}));
        const int channels = c.alpha ? 4 : 3;
        std::vector<uint8_t> in, out(static_cast<size_t>(w * h * channels));
        for (int32_t y = 2; y < 16; ++y) {
            for (int32_t x = 3; x < 21; ++x) {
                const auto p = pixelAt(*source, x, y);
                in.insert(in.end(), p.begin(), p.begin() + channels);
            }
        }
        ASSERT_EQ(stbir_resize_uint8_generic(in.data(), 18, 14, 0, out.data(), w, h, 0, channels,
                                             c.alpha ? 3 : STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP, c.stb,
                                             STBIR_COLORSPACE_LINEAR, nullptr),
                  1);
        int differences = 0;
        for (int32_t y = 0; y < image.height(); ++y) {
            for (int32_t x = 0; x < image.width(); ++x) {
                const Rect& k = sprite.kept;
                const bool inside = x >= k.left && x < k.right && y >= k.top && y < k.bottom;
                std::array<uint8_t, 4> expected{0, 0, 0, static_cast<uint8_t>(c.alpha ? 0 : 255)};
                if (inside) {
                    const uint8_t* q = &out[static_cast<size_t>(((y - want.top) * w + x - want.left) * channels)];
                    std::copy(q, q + channels, expected.begin());
                }
                differences += pixelAt(image, x, y) != expected;
            }
        }
        EXPECT_EQ(differences, 0);
    }
}

TEST(ScaleVariants, RefusesASpriteThatWouldBeLessThanAPixel) {
    const auto source = noisyImage(8, 3, true);
    std::vector<Sprite> sprites(1);
    sprites[0].image = source.get();
    sprites[0].kept = Rect{0, 0, 8, 3};
    ScaledSprites scaled;
    std::string error;
    EXPECT_TRUE(scaleSprites(sprites, {340000, kScaleUnit}, ResizeFilter::Nearest, scaled, error));
    EXPECT_FALSE(scaleSprites(sprites, {330000, kScaleUnit}, ResizeFilter::Nearest, scaled, error));
    EXPECT_NE(error.find("less than a pixel"), std::string::npos) << error;
}

// Frames apart at the largest scale stay apart at any smaller one, inside their page, which keeps the page rules.
TEST(ScaleVariants, ScaledFramesStayApartInsidePagesThatKeepTheRules) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        const PageRules rules{round % 3 == 0 ? AreaRule::PowerOfTwo : AreaRule::Fixed,
                              {64, 64},
                              false,
                              round % 4 == 1,
                              round % 5 == 2 ? 4 : 1};
        const int32_t spacing = static_cast<int32_t>(random() % 3);
        // Frames along a row and down columns, `spacing` apart, each of a random size.
        std::vector<Sprite> sprites;
        AtlasPage page{{64, 64}, {}};
        for (int32_t y = 0, x = 0, tallest = 0; y < 50;) {
            const int32_t w = 1 + static_cast<int32_t>(random() % 9), h = 1 + static_cast<int32_t>(random() % 9);
            if (x + w > 64) {
                x = 0, y += tallest + spacing, tallest = 0;
                continue;
            }
            page.frames.push_back({static_cast<int32_t>(page.frames.size()), Rect{x, y, x + w, y + h}, false, false});
            x += w + spacing, tallest = std::max(tallest, h);
        }
        const VariantScale scale{100000 + static_cast<int64_t>(random() % 900000), kScaleUnit};
        for (const Frame& frame : page.frames) {
            Sprite sprite;
            sprite.kept = Rect{0, 0, scale.fromImage(frame.place.width()), scale.fromImage(frame.place.height())};
            sprites.push_back(sprite);
        }
        const AtlasPage small = scalePages({page}, sprites, scale, rules)[0];
        const AreaSize size = small.size;
        if (rules.rule == AreaRule::PowerOfTwo) {
            EXPECT_EQ(size.width & (size.width - 1), 0);
        }
        if (rules.square) {
            EXPECT_EQ(size.width, size.height);
        }
        EXPECT_EQ(size.width % rules.multipleOf, 0);
        EXPECT_GE(size.width, scale.fromLayout(64));
        for (size_t i = 0; i < small.frames.size(); ++i) {
            const Rect& a = small.frames[i].place;
            EXPECT_EQ(a.left, scale.fromLayout(page.frames[i].place.left));
            EXPECT_TRUE(a.right <= size.width && a.bottom <= size.height);
            for (size_t j = 0; j < i; ++j) {
                const Rect& b = small.frames[j].place;
                EXPECT_TRUE(a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top)
                    << "round " << round << " frames " << j << " and " << i;
            }
        }
    }
}

}  // namespace
