#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Point.h"

// The size of one image as the automatic layout sees it.
struct LayoutBox {
    int32_t width = 0;
    int32_t height = 0;
};

enum class LayoutSortKey {
    LongestSide,  // the larger of width and height
    PixelCount,   // width x height
};

// Greedy corner-point placement of boxes on a W x H area.
//
// Reads: the boxes' sizes, in collection order (front to back); the spacing s (any int32, used as is: zero and
// negative values included); the area size W x H (1 to 16384 each); the sort key.
// Returns: one top-left position per box, in the same order as `boxes`.
//
// The boxes are first ordered by key, largest first, with this exchange procedure, which fixes the order of equal keys:
//     for i in 0 .. n-2: for j from n-1 down to i+1: if key(order[i]) < key(order[j]) swap order[i], order[j]
// Then each box in that order is placed at the best free candidate position. The anchors start as the single point
// (s, s); every placed box appends (right + s, top) and then (left, bottom + s). A candidate takes its x from one
// anchor and its y from any anchor. It must lie inside the inner area {s, s, W - s, H - s} (edges included) and must
// not collide with any box handled before it, where a candidate R collides with an earlier box O when
//     R.left < O.right && R.top < O.bottom && R.right >= O.left && R.bottom >= O.top
// (touching an earlier box along the candidate's own right or bottom edge counts as a collision, along its left or top
// edge it does not). Boxes that found no place take part in this test at their parked position.
// Best: the smallest min(x, y), then the smallest max(x, y); on a full tie the candidate generated first, that is the
// one whose x comes from the earliest anchor holding that x, then whose y comes from the earliest anchor holding that
// y. A box without any candidate is parked at (W, H), just outside the area's bottom-right corner, and adds no anchor.
//
// The positions are exactly those of the exhaustive search over every anchor pair that this describes; the search
// itself is not run (see AutoLayout.cpp). Arithmetic is 64-bit inside, so no spacing or size can overflow it.
// With `parked`, it also tells for each box whether it was parked. With stopAtFirstParked (for a caller that wants all
// the boxes placed or none) the layout ends at the first box that finds no place, and that box and every box after it
// in the placement order are parked.
std::vector<Point> computeAutoLayout(const std::vector<LayoutBox>& boxes,
                                     int32_t spacing,
                                     int32_t areaWidth,
                                     int32_t areaHeight,
                                     LayoutSortKey key,
                                     std::vector<bool>* parked = nullptr,
                                     bool stopAtFirstParked = false);

// The placement order of computeAutoLayout: the box indices as the exchange procedure above leaves them.
std::vector<size_t> autoLayoutOrder(const std::vector<LayoutBox>& boxes, LayoutSortKey key);

// The same for boxes that keep a margin m >= 0 clear on every side (the command line's extrusion): each box is laid out
// as its rectangle grown by m, with spacing - 2m between those rectangles, and sits at its centre, so that boxes set
// side by side stay `spacing` apart and no two grown rectangles overlap, whatever the collision rule lets touch. A
// parked box sits at (W, H) itself. The spacing must be at least 2m when m > 0. stopAtFirstParked as above.
std::vector<Point> computeAutoLayoutWithMargin(const std::vector<LayoutBox>& boxes,
                                               int32_t spacing,
                                               int32_t margin,
                                               int32_t areaWidth,
                                               int32_t areaHeight,
                                               LayoutSortKey key,
                                               std::vector<bool>& parked,
                                               bool stopAtFirstParked = false);
