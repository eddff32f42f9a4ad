#pragma once

#include <cstdint>

// The largest images the program takes. A header that declares more is refused before anything is allocated, so a
// hostile file can never make the program allocate more than these caps, nor more than the file itself could fill.
constexpr int64_t kMaxImageSide = 16384;                // pixels, width or height
constexpr int64_t kMaxImagePixels = int64_t{64} << 20;  // 64 Mi pixels: 192 MiB of colour, 64 MiB of alpha
// The largest image file read at all: a 32-bit TGA of kMaxImagePixels plus generous room for headers.
constexpr uint64_t kMaxImageFileBytes = uint64_t{kMaxImagePixels} * 4 + (uint64_t{1} << 20);

// Row length in bytes of a 24-bit bottom-up DIB: width x 3 rounded up to a multiple of 4.
constexpr int64_t dibRowStride(int64_t width) {
    return (width * 3 + 3) & ~int64_t{3};
}

// True when a width x height image lies within the caps (both sides at least 1).
constexpr bool imageSizeAllowed(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}
