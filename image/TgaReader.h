#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/DecodedImage.h"

// A TGA image as the reader hands it over.
using TgaImage = DecodedImage;

// Reads an uncompressed true-colour TGA of 32 bits per pixel without colour map. Rows stored from the top (image
// descriptor bit 5) are turned over so that every picture stands upright. False for any other kind of TGA, a size of
// 0 or beyond the image caps, pixel data cut short, or no memory.
bool readTga(const std::string& path, TgaImage& image);

// The same on a file already in memory; it never opens anything.
bool decodeTga(const uint8_t* file, size_t size, TgaImage& image);
