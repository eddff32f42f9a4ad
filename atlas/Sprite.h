#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Rect.h"

class TextureCollection;
class TextureImage;

// The widths of the four edges of an image, in pixels.
struct Edges {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Edges& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// A point of an image as fractions of its width and height from its top-left corner, in millionths (so that it is
// written the same on every platform).
struct Pivot {
    bool given = false;
    int32_t x = 0, y = 0;
};

// One input image of a pack as the packers and the data formats see it: the part of it that goes onto a page (the
// whole image unless trimmed) and, when those pixels equal an earlier sprite's, that sprite, whose place it shares;
// the name every data format gives it, and what they write beside it.
struct Sprite {
    TextureImage* image = nullptr;  // owned by the collection the sprites were made from; the pack places it
    Rect kept;                      // in the image's pixels, counted from its top-left corner
    int32_t aliasOf = -1;           // index of the earlier sprite with the same pixels, else -1
    // Its frame name (Shift-JIS, '/' between folders); the design's outputs use the image's own name.
    std::string name{};
    // A nine-patch is stretched as a nine-slice and never trimmed, so that its edges stay true: `slices` are the
    // widths that keep their size when it is stretched, `padding` those around its content area.
    bool ninePatch = false;
    Edges slices{};
    Edges padding{};
    Pivot pivot{};
    // The animation it is a frame of ("" for none), its number in it, and the animation's frames per second.
    std::string animation{};
    int32_t animationFrame = -1;
    int32_t animationFps = 0;

    bool isAlias() const { return aliasOf >= 0; }
    bool isTrimmed() const;
};

// Every image of the collection in its order, whole, none an alias, each named after its image.
std::vector<Sprite> spritesOf(const TextureCollection& images);
