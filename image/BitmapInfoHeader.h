#pragma once

#include <cstddef>
#include <cstdint>

// The 40-byte bitmap information header of Windows' device-independent bitmaps, in its exact layout, so that the
// portable code needs no Windows header and GDI takes a copy of it as it stands.
struct BitmapInfoHeader {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

static_assert(sizeof(BitmapInfoHeader) == 40, "the header is 40 bytes");
static_assert(offsetof(BitmapInfoHeader, biWidth) == 4, "layout");
static_assert(offsetof(BitmapInfoHeader, biHeight) == 8, "layout");
static_assert(offsetof(BitmapInfoHeader, biPlanes) == 12, "layout");
static_assert(offsetof(BitmapInfoHeader, biBitCount) == 14, "layout");
static_assert(offsetof(BitmapInfoHeader, biCompression) == 16, "layout");
static_assert(offsetof(BitmapInfoHeader, biSizeImage) == 20, "layout");
static_assert(offsetof(BitmapInfoHeader, biXPelsPerMeter) == 24, "layout");
static_assert(offsetof(BitmapInfoHeader, biYPelsPerMeter) == 28, "layout");
static_assert(offsetof(BitmapInfoHeader, biClrUsed) == 32, "layout");
static_assert(offsetof(BitmapInfoHeader, biClrImportant) == 36, "layout");

constexpr uint32_t kBiRgb = 0;  // uncompressed
