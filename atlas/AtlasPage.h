#pragma once

#include <cstdint>
#include <vector>

#include "atlas/PagePlan.h"
#include "atlas/Sprite.h"
#include "base/Rect.h"

// One sprite's name on a page.
struct Frame {
    int32_t sprite = 0;   // index into the sprites, in input order
    Rect place;           // its pixels on the page: turned, the kept part's height wide and its width tall
    bool turned = false;  // turned a quarter clockwise
    bool parked = false;  // found no place: it lies at the page's bottom-right corner, outside the page
};

// A page as the outputs see it: its size and the frames of its sprites in input order, aliases at their sprite's place.
struct AtlasPage {
    AreaSize size;
    std::vector<Frame> frames;
};

// The pages of a plan made for `boxes`, where packedSprites[b] is the sprite of box b (the sprites that are no alias).
// Sprites the plan could not place on any page are on none.
std::vector<AtlasPage> atlasPages(const std::vector<Sprite>& sprites,
                                  const std::vector<int32_t>& packedSprites,
                                  const std::vector<PackBox>& boxes,
                                  const PagePlan& plan);

// Moves every sprite's image to its frame's top-left corner, so that the images lie where the pages show them.
void placeImages(const std::vector<AtlasPage>& pages, const std::vector<Sprite>& sprites);
