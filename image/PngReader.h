#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/DecodedImage.h"

// Reads a PNG of any standard kind (greyscale, grey with alpha, palette, RGB, RGBA; 1 to 16 bits per channel;
// interlaced or not) into 24-bit DIB rows with an alpha plane (255 where the file has no transparency). 16-bit channels
// keep their high byte. Palette transparency and a transparent colour become alpha; gamma and colour-space chunks are
// ignored, and chunk CRCs are not checked. Returns nullptr on success, else one of these failure texts (Shift-JIS
// constants, in the order of the checks):
extern const char* const kPngOpenFailed;    // the file cannot be opened, or is larger than an image file may be
extern const char* const kPngHeaderFailed;  // no PNG signature, no sound IHDR chunk first
extern const char* const kPngSizeRefused;   // a width or height of 0 or beyond the image caps
extern const char* const kPngDataFailed;    // chunks cut short, no image data, damaged image data, or no memory
const char* readPng(const std::string& path, DecodedImage& image);

// The same on a file already in memory; it never opens anything.
const char* decodePng(const uint8_t* file, size_t size, DecodedImage& image);
