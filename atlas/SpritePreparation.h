#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "atlas/Sprite.h"
#include "base/Rect.h"

class TextureImage;

// Told how many sprites a long step has done, for a progress display.
using StepReport = std::function<void(size_t done)>;

// The smallest rectangle that holds every pixel whose alpha is above `threshold`, in the image's pixels from its
// top-left corner; an image without alpha plane is kept whole, a wholly transparent one keeps its top-left pixel.
Rect keptRectangle(const TextureImage& image, uint8_t threshold);
// Trims every sprite but the nine-patches, which stay whole, on up to `threads` threads (0: one per core); `step` hears
// on the calling thread.
void trimSprites(std::vector<Sprite>& sprites, uint8_t threshold, unsigned threads, const StepReport& step);

// A hash of the kept pixels: their size, colour and alpha (255 for an image without alpha plane), so that an opaque
// TGA and a BMP of the same colours hash alike. Equal pixels give equal hashes; the converse is checked byte by byte.
uint64_t keptPixelsHash(const TextureImage& image, const Rect& kept);
bool sameKeptPixels(const Sprite& a, const Sprite& b);

// Makes every sprite whose kept pixels equal an earlier one's an alias of the first such sprite. The hashes are made on
// up to `threads` threads (0: one per core), the sprites then matched in their order.
void findIdenticalSprites(std::vector<Sprite>& sprites, unsigned threads, const StepReport& step);
