#pragma once

#include <cstdint>
#include <vector>

// The largest picture written as PNG: 128 Mi pixels (16384 x 8192), 512 MiB of pixels, which with the compressed copy
// keeps the writer within about a gigabyte.
constexpr int64_t kMaxPngPixels = int64_t{128} << 20;

// How hard the writer works for a smaller file. Every level writes the same pixels; the bytes depend on the level and
// the pixels only, on every platform and with any number of threads.
// - Fast: every row filtered by Paeth, runs of equal bytes only (zlib's run-length strategy): for iteration.
// - Default: each row's filter chosen by the least sum of absolute values, zlib's filtered strategy with lazy matching
//   and a short search (no larger than the usual default of libraries, in less time).
// - Best: the same filters; each band compressed with several zlib settings, the smallest kept.
enum class PngLevel { Fast, Default, Best };

struct PngOptions {
    PngLevel level = PngLevel::Default;
    unsigned threads = 1;  // 0: one per core (base/Parallel.h)
};

// Encodes 8-bit RGBA pixels (rows top first, no padding) as a PNG of colour type 6, not interlaced, into `png`. The
// rows are filtered and compressed in fixed bands of about a megabyte, on up to `threads` threads; each band's
// compression starts from the 32 KiB before it, so the bands join into one zlib stream, which is cut into IDAT chunks
// of at most 1 MiB. False when the size is outside 1 to kMaxPngPixels or memory runs out (`png` is then empty).
bool encodePngRgba(const uint8_t* rgba,
                   int32_t width,
                   int32_t height,
                   std::vector<uint8_t>& png,
                   const PngOptions& options = {});

// The level named by `fast`, `default` or `best`; false for any other text.
bool pngLevelByName(const char* name, PngLevel& level);
