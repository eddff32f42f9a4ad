#pragma once

#include <cstdint>

#include "base/Rect.h"

// Bleeding reaches every transparent pixel that any visible pixel of its region reaches, however far.
constexpr int32_t kBleedEverywhere = INT32_MAX;

// Gives colour to the fully transparent pixels of one region of an atlas (8-bit blue, green, red, alpha; rows from the
// bottom of the area up, as composeAtlas keeps them), so that filtering across the edge of what is visible mixes in
// that colour instead of black.
//
// Within `region` (area coordinates, y downwards; cut to the area), every pixel of alpha 0 that has a visible pixel
// (alpha above 0) of the region within `reach` pixels across and down (in the square of 2 reach + 1 pixels around it)
// takes the colour of the visible pixel of the region nearest to it in straight-line distance, the first in reading
// order (top row first, each row from the left) among equally near ones. Its alpha stays 0, visible pixels keep theirs,
// and nothing outside the region is read or written. A region without a visible pixel stays as it is.
// Linear in the region's pixels: an exact Euclidean nearest-pixel transform, a pass down the columns and one along
// the rows (after Meijster, Roerdink and Hesselink). False when memory runs out, the region then unchanged.
bool bleedRegion(uint8_t* atlas, int32_t areaWidth, int32_t areaHeight, Rect region, int32_t reach);
