#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/PngWriter.h"

class SafeFileWriter;
class TextureCollection;
class TextureImage;

// The images an atlas is made of, front to back, each at its own position; they stay owned elsewhere.
using AtlasImages = std::vector<const TextureImage*>;
AtlasImages atlasImages(const TextureCollection& images);

// The atlas: the whole layout area with every image copied onto it in list order, without blending
// (where images overlap the later one wins, its alpha included), and what lies outside the area dropped. Rows run
// from the bottom of the area up, without padding; 3 bytes per pixel (blue, green, red) or 4 (with alpha: 255 for
// BMP images, their own for TGA images). Uncovered pixels are 0, so black and, in the TGA, transparent.
// False when the area size is not 1 to 16384 on each side or the buffer cannot be allocated.
//
// What the command line adds; the defaults give the atlas above. In this order:
// 1. extrude N: every image's edge pixels are repeated N times around it (the corners take the corner pixels), where
//    that lies inside the area;
// 2. the images are copied over all of it, so an image's own pixels always win;
// 3. bleed N (4 bytes per pixel only): in each image's rectangle with its extrusion ring, every pixel of alpha 0 within
//    N pixels of a visible one takes the colour of the nearest visible one of that rectangle, its alpha staying 0
//    (AlphaBleed.h; kBleedEverywhere for any distance). The rectangles must not overlap, as the command line's
//    packers place them; the images are bled on up to `threads` threads, with the same result for any number;
// 4. premultiply (4 bytes per pixel only): every colour byte c becomes c x alpha / 255, rounded. A pixel of alpha 0
//    becomes black again, so bleeding is undone there: premultiplied colours filter without a dark fringe anyway.
// The PNG writer takes `png` (its `threads` are these `threads`).
struct AtlasOptions {
    int32_t extrude = 0;
    int32_t bleed = 0;
    bool premultiply = false;
    PngLevel pngLevel = PngLevel::Default;
    unsigned threads = 1;  // 0: one per core
};
bool composeAtlas(const AtlasImages& images,
                  int32_t areaWidth,
                  int32_t areaHeight,
                  int bytesPerPixel,
                  std::vector<uint8_t>& atlas,
                  const AtlasOptions& options = {});

// A 24-bit BMP of the atlas (biXPelsPerMeter and biYPelsPerMeter hold the area's width and height) and a 32-bit TGA
// with bottom-left origin and 8 alpha bits. Both replace an existing file only when the new one was written whole;
// false on any failure, the old file then untouched.
// The BMP has no alpha and is never premultiplied.
bool writeAtlasBmpFile(const AtlasImages& images,
                       const std::string& path,
                       int32_t areaWidth,
                       int32_t areaHeight,
                       const AtlasOptions& options = {});
bool writeAtlasTgaFile(const AtlasImages& images,
                       const std::string& path,
                       int32_t areaWidth,
                       int32_t areaHeight,
                       const AtlasOptions& options = {});

// composeAtlas in its two halves, so that one composition can serve every file of an atlas (ComposedAtlas.h): the
// images with their extrusion (steps 1 and 2), then bleeding and premultiplying (steps 3 and 4, 4 bytes a pixel).
bool composeAtlasImages(const AtlasImages& images,
                        int32_t areaWidth,
                        int32_t areaHeight,
                        int bytesPerPixel,
                        std::vector<uint8_t>& atlas,
                        const AtlasOptions& options);
bool finishAtlas(const AtlasImages& images,
                 int32_t areaWidth,
                 int32_t areaHeight,
                 std::vector<uint8_t>& atlas,
                 const AtlasOptions& options);

// A composed atlas written into an opened file, which the caller finishes: the BMP from 3 or 4 bytes a pixel (the
// colours only); the TGA as it stands; the PNG (colour type 6, 8 bits a channel, not interlaced, at the options'
// level, on the options' threads), which turns the atlas into its own order in place (red, green, blue, alpha, rows
// from the top). False when a write fails, or for the PNG an area of more than kMaxPngPixels (PngWriter.h) or no
// memory.
bool writeBmpPixels(const std::vector<uint8_t>& atlas,
                    int bytesPerPixel,
                    SafeFileWriter& file,
                    int32_t areaWidth,
                    int32_t areaHeight);
bool writeTgaPixels(const std::vector<uint8_t>& atlas, SafeFileWriter& file, int32_t areaWidth, int32_t areaHeight);
bool writePngPixels(std::vector<uint8_t>& atlas,
                    SafeFileWriter& file,
                    int32_t areaWidth,
                    int32_t areaHeight,
                    const AtlasOptions& options);
