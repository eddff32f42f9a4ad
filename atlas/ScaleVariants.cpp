#include "atlas/ScaleVariants.h"

#include <algorithm>

#include "base/Allocation.h"
#include "image/TextureImage.h"

namespace {

const std::string kPlaceholder = "{v}";

bool digitsOnly(const std::string& text) {
    return text.find_first_not_of("0123456789") == std::string::npos;
}

// A decimal number with up to six decimals, in millionths.
bool parseScale(const std::string& text, int64_t& millionths) {
    const size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot), decimals = dot == std::string::npos ? "" : text.substr(dot + 1);
    if ((whole.empty() && decimals.empty()) || whole.size() > 2 || decimals.size() > 6 || !digitsOnly(whole) ||
        !digitsOnly(decimals) || (dot != std::string::npos && decimals.empty())) {
        return false;
    }
    millionths = (whole.empty() ? 0 : std::stoll(whole) * kScaleUnit) +
                 (decimals.empty() ? 0 : std::stoll(decimals + std::string(6 - decimals.size(), '0')));
    return true;
}

Edges scaledEdges(const Edges& edges, const VariantScale& scale) {
    return {scale.fromImage(edges.left), scale.fromImage(edges.top), scale.fromImage(edges.right),
            scale.fromImage(edges.bottom)};
}

int32_t roundUp(int32_t side, int32_t multiple) {
    return (side + multiple - 1) / multiple * multiple;
}

int32_t powerOfTwoAtLeast(int32_t side) {
    int32_t power = 1;
    while (power < side) power *= 2;
    return power;
}

AreaSize scaledPageSize(AreaSize size, const VariantScale& scale, const PageRules& rules) {
    const auto up = [&](int64_t side) {
        int32_t scaled =
            std::max<int32_t>(1, static_cast<int32_t>((side * scale.scale + scale.largest - 1) / scale.largest));
        if (rules.rule == AreaRule::PowerOfTwo) scaled = powerOfTwoAtLeast(scaled);
        return roundUp(scaled, rules.multipleOf);
    };
    AreaSize scaled{up(size.width), up(size.height)};
    if (rules.square) scaled.width = scaled.height = std::max(scaled.width, scaled.height);
    return scaled;
}

}  // namespace

bool parseScaleVariant(const std::string& text, ScaleVariant& variant) {
    const size_t colon = text.find(':');
    const std::string scale = text.substr(0, colon);
    variant.name = colon == std::string::npos ? scale : text.substr(colon + 1);
    if (!parseScale(scale, variant.scale) || variant.scale <= 0 || variant.scale > kMaxScale || variant.name.empty()) {
        return false;
    }
    // A number as JSON reads it, whatever form it was given in (".50" is written 0.5).
    std::string decimals = std::to_string(variant.scale % kScaleUnit + kScaleUnit).substr(1);
    decimals.erase(decimals.find_last_not_of('0') + 1);
    variant.scaleText = std::to_string(variant.scale / kScaleUnit) + (decimals.empty() ? "" : "." + decimals);
    return true;
}

std::string variantFileName(const std::string& pattern, const std::string& name) {
    std::string result = pattern;
    for (size_t at = result.find(kPlaceholder); at != std::string::npos; at = result.find(kPlaceholder, at)) {
        result.replace(at, kPlaceholder.size(), name);
        at += name.size();
    }
    return result;
}

bool hasVariantPlaceholder(const std::string& pattern) {
    return pattern.find(kPlaceholder) != std::string::npos;
}

bool scaleSprites(const std::vector<Sprite>& sprites,
                  const VariantScale& scale,
                  ResizeFilter filter,
                  ScaledSprites& scaled,
                  std::string& error) {
    scaled.sprites = sprites;
    scaled.images.clear();
    for (Sprite& sprite : scaled.sprites) {
        const TextureImage& source = *sprite.image;
        const Rect kept = sprite.kept;
        const Rect part{scale.fromImage(kept.left), scale.fromImage(kept.top), 0, 0};
        const int32_t w = scale.fromImage(kept.width()), h = scale.fromImage(kept.height());
        if (w < 1 || h < 1) {
            error = source.path() + " (" + std::to_string(kept.width()) + "x" + std::to_string(kept.height()) +
                    ") would be less than a pixel wide or tall";
            return false;
        }
        DecodedImage resized, whole;
        if (!resizePart(source, kept, w, h, filter, resized)) return error = "out of memory", false;
        // The resized part stands where the kept part stood, in an image of the input's size at this scale, so that
        // the data formats' trim offsets and source sizes come out at this scale too.
        whole.width = scale.fromImage(source.width());
        whole.height = scale.fromImage(source.height());
        const int64_t stride = (int64_t{whole.width} * 3 + 3) & ~int64_t{3}, resizedStride = (int64_t{w} * 3 + 3) & ~3;
        if (!tryAssign(whole.pixels, static_cast<size_t>(stride * whole.height), uint8_t{0}) ||
            !tryAssign(whole.alpha, source.hasAlpha() ? static_cast<size_t>(int64_t{whole.width} * whole.height) : 0,
                       uint8_t{0})) {
            return error = "out of memory", false;
        }
        for (int32_t y = 0; y < h; ++y) {
            const int64_t from = h - 1 - y, to = whole.height - 1 - (part.top + y);
            std::copy_n(resized.pixels.begin() + from * resizedStride, int64_t{w} * 3,
                        whole.pixels.begin() + to * stride + int64_t{part.left} * 3);
            if (!source.hasAlpha()) continue;
            std::copy_n(resized.alpha.begin() + from * w, w, whole.alpha.begin() + to * whole.width + part.left);
        }
        scaled.images.push_back(std::make_unique<TextureImage>());
        scaled.images.back()->takePixels(source.path(), whole, source.kind());
        sprite.image = scaled.images.back().get();
        sprite.kept = Rect{part.left, part.top, part.left + w, part.top + h};
        sprite.slices = scaledEdges(sprite.slices, scale);
        sprite.padding = scaledEdges(sprite.padding, scale);
    }
    return true;
}

std::vector<AtlasPage> scalePages(const std::vector<AtlasPage>& pages,
                                  const std::vector<Sprite>& sprites,
                                  const VariantScale& scale,
                                  const PageRules& rules) {
    std::vector<AtlasPage> scaled = pages;
    for (AtlasPage& page : scaled) {
        page.size = scaledPageSize(page.size, scale, rules);
        for (Frame& frame : page.frames) {
            const Rect& kept = sprites[static_cast<size_t>(frame.sprite)].kept;
            const int32_t w = frame.turned ? kept.height() : kept.width();
            const int32_t h = frame.turned ? kept.width() : kept.height();
            const Point corner = frame.parked
                                     ? Point{page.size.width, page.size.height}
                                     : Point{scale.fromLayout(frame.place.left), scale.fromLayout(frame.place.top)};
            frame.place = Rect{0, 0, w, h}.movedTo(corner);
        }
    }
    return scaled;
}
