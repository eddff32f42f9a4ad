#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/BitmapInfoHeader.h"

// Reads an uncompressed 24-bit or 8-bit (palette) BMP into a 24-bit bottom-up DIB: `info` describes it, `pixels`
// holds its rows, each padded to a multiple of 4 bytes. Returns nullptr on success, else one of the reader's failure
// texts (Shift-JIS constants, in the order of the checks):
extern const char* const kBmpOpenFailed;       // the file cannot be opened
extern const char* const kBmpHeaderFailed;     // shorter than the two headers
extern const char* const kBmpNotUncompressed;  // compressed
extern const char* const kBmpWrongDepth;       // neither 24 nor 8 bits per pixel
extern const char* const kBmpPixelsFailed;     // palette or pixels missing, a size it cannot take, or no memory
const char* readBmp(const std::string& path, BitmapInfoHeader& info, std::vector<uint8_t>& pixels);

// The same on a file already in memory (the whole file); it never opens anything.
const char* decodeBmp(const uint8_t* file, size_t size, BitmapInfoHeader& info, std::vector<uint8_t>& pixels);
