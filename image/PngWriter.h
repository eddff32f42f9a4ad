#pragma once

#include <cstdint>
#include <vector>

// The largest picture written as PNG: the encoder keeps its sizes in 32-bit ints, which a compressed stream of more
// than about a gigabyte would overflow; 128 Mi pixels (16384 x 8192) stay well inside.
constexpr int64_t kMaxPngPixels = int64_t{128} << 20;

// Encodes 8-bit RGBA pixels (rows top first, no padding) as a PNG of colour type 6, not interlaced, into `png`. The same pixels give the
// same bytes on every platform. False when the size is outside 1 to kMaxPngPixels or memory runs out.
bool encodePngRgba(const uint8_t* rgba, int32_t width, int32_t height, std::vector<uint8_t>& png);
