#include "atlas/SpriteResize.h"

#include <new>
#include <vector>

#include "image/TextureImage.h"

#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb/stb_image_resize.h>

namespace {

// The part as rows of RGBA or RGB bytes, top row first.
std::vector<uint8_t> topDownPixels(const TextureImage& image, const Rect& part, int channels) {
    std::vector<uint8_t> rows(static_cast<size_t>(int64_t{part.width()} * part.height() * channels));
    const int64_t stride = image.rowStride();
    uint8_t* to = rows.data();
    for (int32_t y = part.top; y < part.bottom; ++y) {
        const int64_t row = image.height() - 1 - y;
        for (int32_t x = part.left; x < part.right; ++x) {
            const uint8_t* from = image.pixels().data() + row * stride + int64_t{x} * 3;
            *to++ = from[2], *to++ = from[1], *to++ = from[0];
            if (channels == 4) *to++ = image.alpha()[static_cast<size_t>(row * image.width() + x)];
        }
    }
    return rows;
}

// The nearest source pixel of each target pixel, its centre mapped exactly in whole numbers.
void resizeNearest(const uint8_t* in,
                   int32_t inW,
                   int32_t inH,
                   uint8_t* out,
                   int32_t outW,
                   int32_t outH,
                   int channels) {
    for (int32_t y = 0; y < outH; ++y) {
        const int64_t sy = (int64_t{2} * y + 1) * inH / (int64_t{2} * outH);
        for (int32_t x = 0; x < outW; ++x) {
            const int64_t sx = (int64_t{2} * x + 1) * inW / (int64_t{2} * outW);
            const uint8_t* from = in + (sy * inW + sx) * channels;
            uint8_t* to = out + (int64_t{y} * outW + x) * channels;
            for (int c = 0; c < channels; ++c) to[c] = from[c];
        }
    }
}

bool resample(const std::vector<uint8_t>& in,
              const Rect& part,
              std::vector<uint8_t>& out,
              int32_t width,
              int32_t height,
              int channels,
              ResizeFilter filter) {
    if (filter == ResizeFilter::Nearest || (width == part.width() && height == part.height())) {
        resizeNearest(in.data(), part.width(), part.height(), out.data(), width, height, channels);
        return true;
    }
    const stbir_filter kind = filter == ResizeFilter::Box ? STBIR_FILTER_BOX : STBIR_FILTER_DEFAULT;
    return stbir_resize_uint8_generic(in.data(), part.width(), part.height(), 0, out.data(), width, height, 0, channels,
                                      channels == 4 ? 3 : STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP, kind,
                                      STBIR_COLORSPACE_LINEAR, nullptr) == 1;
}

}  // namespace

bool resizePart(const TextureImage& image,
                const Rect& part,
                int32_t width,
                int32_t height,
                ResizeFilter filter,
                DecodedImage& out) {
    const int channels = image.hasAlpha() ? 4 : 3;
    try {
        const std::vector<uint8_t> in = topDownPixels(image, part, channels);
        std::vector<uint8_t> resized(static_cast<size_t>(int64_t{width} * height * channels));
        if (!resample(in, part, resized, width, height, channels, filter)) return false;
        out.width = width;
        out.height = height;
        const int64_t stride = (int64_t{width} * 3 + 3) & ~int64_t{3};
        out.pixels.assign(static_cast<size_t>(stride * height), 0);
        out.alpha.assign(channels == 4 ? static_cast<size_t>(int64_t{width} * height) : 0, 0);
        const uint8_t* from = resized.data();
        for (int32_t y = 0; y < height; ++y) {
            const int64_t row = height - 1 - y;
            for (int32_t x = 0; x < width; ++x, from += channels) {
                uint8_t* to = out.pixels.data() + row * stride + int64_t{x} * 3;
                to[0] = from[2], to[1] = from[1], to[2] = from[0];
                if (channels == 4) out.alpha[static_cast<size_t>(row * width + x)] = from[3];
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
