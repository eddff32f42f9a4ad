#pragma once

#include <cstdint>
#include <vector>

#include "base/Rect.h"

class TextureCollection;
class TextureImage;

// One input image of a pack as the packers see it: the part of it that goes onto a page (the whole image unless
// trimmed) and, when those pixels equal an earlier sprite's, that sprite, whose place it shares.
struct Sprite {
    TextureImage* image = nullptr;  // owned by the collection the sprites were made from; the pack places it
    Rect kept;                      // in the image's pixels, counted from its top-left corner
    int32_t aliasOf = -1;           // index of the earlier sprite with the same pixels, else -1

    bool isAlias() const { return aliasOf >= 0; }
    bool isTrimmed() const;
};

// Every image of the collection in its order, whole, none an alias.
std::vector<Sprite> spritesOf(const TextureCollection& images);
