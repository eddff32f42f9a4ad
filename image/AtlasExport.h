#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TextureCollection;

// The atlas: the whole layout area with every image of the collection copied onto it in list order, without blending
// (where images overlap the later one wins, its alpha included), and what lies outside the area dropped. Rows run
// from the bottom of the area up, without padding; 3 bytes per pixel (blue, green, red) or 4 (with alpha: 255 for
// BMP images, their own for TGA images). Uncovered pixels are 0, so black and, in the TGA, transparent.
// False when the area size is not 1 to 16384 on each side or the buffer cannot be allocated.
bool composeAtlas(const TextureCollection& images,
                  int32_t areaWidth,
                  int32_t areaHeight,
                  int bytesPerPixel,
                  std::vector<uint8_t>& atlas);

// A 24-bit BMP of the atlas (biXPelsPerMeter and biYPelsPerMeter hold the area's width and height) and a 32-bit TGA
// with bottom-left origin and 8 alpha bits. Both replace an existing file only when the new one was written whole;
// false on any failure, the old file then untouched.
bool writeAtlasBmpFile(const TextureCollection& images, const std::string& path, int32_t areaWidth, int32_t areaHeight);
bool writeAtlasTgaFile(const TextureCollection& images, const std::string& path, int32_t areaWidth, int32_t areaHeight);
