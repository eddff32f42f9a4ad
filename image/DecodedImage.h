#pragma once

#include <cstdint>
#include <vector>

// An image with alpha as a reader hands it over: 24-bit DIB rows (bottom row first, padded to 4 bytes) and an alpha
// plane of width x height bytes in the same row order.
struct DecodedImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> alpha;
};
