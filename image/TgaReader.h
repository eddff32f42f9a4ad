#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A TGA image as the reader hands it over: 24-bit DIB rows (bottom row first, padded to 4 bytes) and an alpha plane of
// width x height bytes in the same row order.
struct TgaImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> alpha;
};

// Reads an uncompressed true-colour TGA of 32 bits per pixel without colour map. Rows stored from the top (image
// descriptor bit 5) are turned over so that every picture stands upright. False for any other kind of TGA, a size of
// 0 or beyond the image caps, pixel data cut short, or no memory.
bool readTga(const std::string& path, TgaImage& image);

// The same on a file already in memory; it never opens anything.
bool decodeTga(const uint8_t* file, size_t size, TgaImage& image);
