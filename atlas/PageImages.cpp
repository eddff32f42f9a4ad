#include "atlas/PageImages.h"

#include "image/DecodedImage.h"
#include "image/TextureImage.h"

PageImages::PageImages(const AtlasPage& page, const std::vector<Sprite>& sprites, Turn turn) {
    for (const Frame& frame : page.frames) {
        const Sprite& sprite = sprites[static_cast<size_t>(frame.sprite)];
        if (sprite.isAlias() || frame.parked) continue;
        if (!frame.turned && !sprite.isTrimmed()) {
            images_.push_back(sprite.image);
            continue;
        }
        copies_.push_back(std::make_unique<TextureImage>());
        cutOut(*sprite.image, sprite.kept, frame.turned ? turn : Turn::None, *copies_.back());
        copies_.back()->setPosition(frame.place.left, frame.place.top);
        images_.push_back(copies_.back().get());
    }
}

void cutOut(const TextureImage& image, const Rect& kept, Turn turn, TextureImage& copy) {
    const bool turned = turn != Turn::None, clockwise = turn == Turn::Clockwise;
    DecodedImage out;
    out.width = turned ? kept.height() : kept.width();
    out.height = turned ? kept.width() : kept.height();
    const int64_t outStride = (int64_t{out.width} * 3 + 3) & ~int64_t{3};
    out.pixels.assign(static_cast<size_t>(outStride * out.height), 0);
    if (image.hasAlpha()) out.alpha.assign(static_cast<size_t>(int64_t{out.width} * out.height), 0);
    const int64_t stride = image.rowStride();
    // Rows are stored bottom row first in both images; x and y count from the top-left corner.
    for (int32_t y = 0; y < out.height; ++y) {
        for (int32_t x = 0; x < out.width; ++x) {
            const int32_t sourceX = kept.left + (!turned ? x : clockwise ? y : kept.width() - 1 - y);
            const int32_t sourceY = kept.top + (!turned ? y : clockwise ? kept.height() - 1 - x : x);
            const int64_t sourceRow = image.height() - 1 - sourceY, outRow = out.height - 1 - y;
            const uint8_t* from = image.pixels().data() + sourceRow * stride + int64_t{sourceX} * 3;
            uint8_t* to = out.pixels.data() + outRow * outStride + int64_t{x} * 3;
            to[0] = from[0], to[1] = from[1], to[2] = from[2];
            if (image.hasAlpha()) {
                out.alpha[static_cast<size_t>(outRow * out.width + x)] =
                    image.alpha()[static_cast<size_t>(sourceRow * image.width() + sourceX)];
            }
        }
    }
    copy.takePixels(image.path(), out, image.kind());
}
