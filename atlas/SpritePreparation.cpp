#include "atlas/SpritePreparation.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "base/Parallel.h"
#include "image/TextureImage.h"

namespace {

// The image's rows from the top, as stored from the bottom.
const uint8_t* colourRow(const TextureImage& image, int32_t y) {
    return image.pixels().data() + int64_t{image.height() - 1 - y} * image.rowStride();
}

const uint8_t* alphaRow(const TextureImage& image, int32_t y) {
    return image.alpha().data() + int64_t{image.height() - 1 - y} * image.width();
}

// An alpha row for images without alpha plane: every pixel opaque.
const uint8_t* opaqueRow() {
    static const std::vector<uint8_t> row(16384, 255);
    return row.data();
}

// 64-bit words folded with the multiply-xorshift steps of MurmurHash3's finaliser; the tail is padded with zeros and
// the length goes in last, so that texts of different lengths differ.
class PixelHash {
public:
    void add(const uint8_t* bytes, size_t size) {
        length_ += size;
        for (; size >= 8; bytes += 8, size -= 8) {
            uint64_t word;
            std::memcpy(&word, bytes, 8);
            fold(word);
        }
        if (size > 0) {
            uint64_t word = 0;
            std::memcpy(&word, bytes, size);
            fold(word);
        }
    }
    uint64_t value() const { return mix(state_ ^ length_); }

private:
    static uint64_t mix(uint64_t v) {
        v ^= v >> 33;
        v *= 0xFF51AFD7ED558CCDull;
        v ^= v >> 33;
        v *= 0xC4CEB9FE1A85EC53ull;
        v ^= v >> 33;
        return v;
    }
    void fold(uint64_t word) { state_ = (state_ ^ mix(word)) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull; }

    uint64_t state_ = 0x243F6A8885A308D3ull;
    uint64_t length_ = 0;
};

// Runs task(i) for every sprite on the threads, a block of sprites at a time, telling `step` after each block on the
// calling thread.
void inBlocks(size_t count, unsigned threads, const StepReport& step, const std::function<void(size_t)>& task) {
    constexpr size_t kBlock = 256;
    for (size_t begin = 0; begin < count; begin += kBlock) {
        const size_t size = std::min(kBlock, count - begin);
        parallelFor(size, threads, [&](size_t k) { task(begin + k); });
        step(begin + size);
    }
}

}  // namespace

Rect keptRectangle(const TextureImage& image, uint8_t threshold) {
    const int32_t w = image.width(), h = image.height();
    if (!image.hasAlpha()) return {0, 0, w, h};
    const auto seen = [threshold](uint8_t alpha) { return alpha > threshold; };
    const auto rowKept = [&](int32_t y) { return std::any_of(alphaRow(image, y), alphaRow(image, y) + w, seen); };
    int32_t top = 0;
    while (top < h && !rowKept(top)) ++top;
    if (top == h) return {0, 0, 1, 1};
    int32_t bottom = h;
    while (!rowKept(bottom - 1)) --bottom;
    // Each scan ends at its first kept pixel: moving the bound ends the loop.
    int32_t left = w, right = 0;
    for (int32_t y = top; y < bottom; ++y) {
        const uint8_t* row = alphaRow(image, y);
        for (int32_t x = 0; x < left; ++x) {
            if (seen(row[x])) left = x;
        }
        for (int32_t x = w - 1; x >= right; --x) {
            if (seen(row[x])) right = x + 1;
        }
    }
    return {left, top, right, bottom};
}

void trimSprites(std::vector<Sprite>& sprites, uint8_t threshold, unsigned threads, const StepReport& step) {
    inBlocks(sprites.size(), threads, step, [&](size_t i) {
        // A nine-slice's edges count from the image's own edges, and engines stretch whole frames only.
        if (!sprites[i].ninePatch) sprites[i].kept = keptRectangle(*sprites[i].image, threshold);
    });
}

uint64_t keptPixelsHash(const TextureImage& image, const Rect& kept) {
    PixelHash hash;
    const int32_t size[2] = {kept.width(), kept.height()};
    hash.add(reinterpret_cast<const uint8_t*>(size), sizeof size);
    for (int32_t y = kept.top; y < kept.bottom; ++y) {
        hash.add(colourRow(image, y) + int64_t{kept.left} * 3, static_cast<size_t>(kept.width()) * 3);
        hash.add(image.hasAlpha() ? alphaRow(image, y) + kept.left : opaqueRow(), static_cast<size_t>(kept.width()));
    }
    return hash.value();
}

bool sameKeptPixels(const Sprite& a, const Sprite& b) {
    if (a.kept.width() != b.kept.width() || a.kept.height() != b.kept.height()) return false;
    const size_t w = static_cast<size_t>(a.kept.width());
    for (int32_t row = 0; row < a.kept.height(); ++row) {
        const int32_t ya = a.kept.top + row, yb = b.kept.top + row;
        const uint8_t* alphaA = a.image->hasAlpha() ? alphaRow(*a.image, ya) + a.kept.left : opaqueRow();
        const uint8_t* alphaB = b.image->hasAlpha() ? alphaRow(*b.image, yb) + b.kept.left : opaqueRow();
        if (std::memcmp(colourRow(*a.image, ya) + int64_t{a.kept.left} * 3,
                        colourRow(*b.image, yb) + int64_t{b.kept.left} * 3, w * 3) != 0 ||
            std::memcmp(alphaA, alphaB, w) != 0) {
            return false;
        }
    }
    return true;
}

void findIdenticalSprites(std::vector<Sprite>& sprites, unsigned threads, const StepReport& step) {
    std::vector<uint64_t> hashes(sprites.size());
    inBlocks(
        sprites.size(), threads, [](size_t) {},
        [&](size_t i) { hashes[i] = keptPixelsHash(*sprites[i].image, sprites[i].kept); });
    // The sprites that are no alias so far, by hash; a hash shared by different pixels keeps them all.
    std::unordered_multimap<uint64_t, int32_t> firsts;
    firsts.reserve(sprites.size());
    for (size_t i = 0; i < sprites.size(); ++i) {
        Sprite& sprite = sprites[i];
        const uint64_t hash = hashes[i];
        const auto [begin, end] = firsts.equal_range(hash);
        const auto same = std::find_if(begin, end, [&](const auto& entry) {
            return sameKeptPixels(sprites[static_cast<size_t>(entry.second)], sprite);
        });
        if (same != end) {
            sprite.aliasOf = same->second;
        } else {
            firsts.emplace(hash, static_cast<int32_t>(i));
        }
        step(i + 1);
    }
}
