#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Small image files built in code, for the readers and for collections in tests.

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Rgba& x, const Rgba& y) {
        return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
    }
};

// The colour of the pixel at column c and row r counted from the top of the picture.
using PixelFunction = std::function<Rgba(int c, int r)>;

// A recognisable pattern with a different colour in every pixel of a small picture.
Rgba patternPixel(int c, int r);
inline Rgba solid(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    return {r, g, b, a};
}

// A 24-bit BMP with a 40-byte header, pixels right behind it, rows bottom-up and padded to 4 bytes.
std::vector<uint8_t> makeBmp24(int width, int height, const PixelFunction& pixel);

// An 8-bit BMP: the palette (as written: `paletteEntries` entries, 0 meaning none), biClrUsed as given, the index of
// each pixel from `index`. `gap` bytes of zeros stand between palette and pixels (bfOffBits points past them).
struct Bmp8 {
    int width = 1;
    int height = 1;
    std::vector<Rgba> palette;
    uint32_t clrUsed = 0;
    std::function<uint8_t(int c, int r)> index;
    uint32_t gap = 0;
};
std::vector<uint8_t> makeBmp8(const Bmp8& spec);

// A 32-bit uncompressed TGA; `topLeft` stores the rows from the top (descriptor bit 5), `id` is written as image ID.
std::vector<uint8_t> makeTga32(int width,
                               int height,
                               const PixelFunction& pixel,
                               bool topLeft = false,
                               const std::string& id = "");

// Writes a 24-bit BMP or 32-bit TGA of one colour (by the extension of the path) and returns the path.
std::string writeSolidImage(const std::string& path, int width, int height, Rgba colour);

// Little-endian field helpers for crafting headers byte by byte.
void putU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t v);
void putU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t v);
