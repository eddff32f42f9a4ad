#include <string>
#include <vector>

#include "fuzz/FuzzTargets.h"
#include "image/ImageLimits.h"
#include "image/PngReader.h"
#include "image/PngWriter.h"
#include "image/TextureImage.h"

namespace {

void require(std::string& broken, bool holds, const char* what) {
    if (!holds && broken.empty()) broken = what;
}

// The image as top-down RGBA rows, the form the PNG writer takes.
std::vector<uint8_t> rgbaRows(const TextureImage& image) {
    const size_t w = static_cast<size_t>(image.width());
    const size_t h = static_cast<size_t>(image.height());
    std::vector<uint8_t> rgba(w * h * 4);
    for (size_t r = 0; r < h; ++r) {
        const uint8_t* row = image.pixels().data() + (h - 1 - r) * static_cast<size_t>(image.rowStride());
        const uint8_t* alpha = image.alpha().data() + (h - 1 - r) * w;
        for (size_t c = 0; c < w; ++c) {
            uint8_t* out = rgba.data() + (r * w + c) * 4;
            out[0] = row[c * 3 + 2];
            out[1] = row[c * 3 + 1];
            out[2] = row[c * 3];
            out[3] = alpha[c];
        }
    }
    return rgba;
}

}  // namespace

FuzzOutcome fuzzPng(const uint8_t* data, size_t size) {
    FuzzOutcome outcome;
    std::string& broken = outcome.broken;
    TextureImage image;
    if (const char* failure = image.takePng("fuzz.png", data, size)) {
        require(broken, failure == kPngHeaderFailed || failure == kPngSizeRefused || failure == kPngDataFailed,
                "a failure text the reader does not declare");
        return outcome;
    }
    outcome.accepted = true;
    const int64_t w = image.width();
    const int64_t h = image.height();
    require(broken, image.kind() == ImageKind::Png && imageSizeAllowed(w, h), "a PNG outside the caps was taken");
    require(broken,
            static_cast<int64_t>(image.pixels().size()) == dibRowStride(w) * h &&
                static_cast<int64_t>(image.alpha().size()) == w * h,
            "the buffers of a PNG image do not match its size");
    if (!broken.empty()) return outcome;

    // Written by the atlas's PNG writer and read back, the image is the same, alpha included.
    std::vector<uint8_t> png;
    TextureImage again;
    require(broken, encodePngRgba(rgbaRows(image).data(), image.width(), image.height(), png),
            "a decoded image cannot be written as PNG");
    require(broken, again.takePng("again.png", png.data(), png.size()) == nullptr, "a written PNG does not read back");
    require(broken, again.pixels() == image.pixels() && again.alpha() == image.alpha(),
            "a PNG written and read back changed its pixels");
    return outcome;
}
