#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "atlas/AtlasPage.h"
#include "atlas/SpriteResize.h"

class TextureImage;

// Scales are counted in millionths, so that every length below is worked out in whole numbers and both builds agree.
constexpr int64_t kScaleUnit = 1000000;
constexpr int64_t kMaxScale = 4 * kScaleUnit;

// One scale a pack is written at: its scale against the input images, the name "{v}" becomes in its file names, and
// the scale as the data formats write it (a plain decimal, "0.5").
struct ScaleVariant {
    int64_t scale = kScaleUnit;
    std::string name;
    std::string scaleText = "1";
};

// "SCALE[:NAME]": a scale above 0 and at most 4 with up to six decimals ("1", "0.5", ".25"), the name what follows
// the colon (the scale as given when there is none). False when the text is no such thing.
bool parseScaleVariant(const std::string& text, ScaleVariant& variant);

// The pattern with every "{v}" replaced by the variant's name.
std::string variantFileName(const std::string& pattern, const std::string& name);
bool hasVariantPlaceholder(const std::string& pattern);

// How lengths shrink from the largest variant (scale `largest`) to one at `scale`. The layout is made once, at the
// largest scale, where every length of an input image is its length times that scale rounded down; at any other scale
// a length is its length at the largest scale times scale / largest, rounded down. Rounding both steps down keeps
// frames apart: floor(a) + floor(b) <= floor(a + b), so a frame that ended before another began at the largest scale
// still does, and a trimmed part stays inside its image.
struct VariantScale {
    int64_t scale = kScaleUnit;
    int64_t largest = kScaleUnit;

    // A length of the largest variant's layout (a place, a spacing) at this scale.
    int32_t fromLayout(int64_t length) const { return static_cast<int32_t>(length * scale / largest); }
    // A length of an input image (a size, a trimmed edge, a slice) at this scale.
    int32_t fromImage(int64_t length) const { return fromLayout(length * largest / kScaleUnit); }
};

// The sprites at one scale, each image the kept part resized by `filter` to its size at that scale, standing where the
// kept part stands at that scale in an image of the input's size at that scale. Owns the images.
struct ScaledSprites {
    std::vector<Sprite> sprites;
    std::vector<std::unique_ptr<TextureImage>> images;
};

// False with a message naming the first sprite whose kept part would be less than a pixel wide or tall, or when the
// memory cannot be had.
bool scaleSprites(const std::vector<Sprite>& sprites,
                  const VariantScale& scale,
                  ResizeFilter filter,
                  ScaledSprites& scaled,
                  std::string& error);

// The pages of the largest variant at another scale: each frame at its place times the ratio rounded down, its size
// that of its sprite at that scale (`sprites`, from scaleSprites), parked frames at the page's corner. A page is its
// size times the ratio rounded up, then kept to the page rules: a power of two for --size auto, a multiple of
// --multiple-of, square for --square.
std::vector<AtlasPage> scalePages(const std::vector<AtlasPage>& pages,
                                  const std::vector<Sprite>& sprites,
                                  const VariantScale& scale,
                                  const PageRules& rules);
