#pragma once

#include <cstdint>
#include <vector>

#include "atlas/MaxRectsBin.h"
#include "layout/AutoLayout.h"

// The size of a page, and the most a page may be.
struct AreaSize {
    int32_t width = 0;
    int32_t height = 0;
};

// One box to pack: a sprite's kept size.
struct PackBox {
    int32_t width = 0;
    int32_t height = 0;
};

// Where a box went: its top-left corner on the page; turned a quarter clockwise it covers height x width pixels there.
struct Placement {
    int32_t x = 0;
    int32_t y = 0;
    bool turned = false;
    bool placed = false;
};

// The order in which the maximal-rectangles packer takes the boxes: largest first by the key, ties in input order.
enum class BoxOrder { LongSide, Area, Perimeter, ShortSide };

// One way of packing boxes onto an area.
// - Design: the window program's automatic layout (AutoLayout.h) with the design's sort key. It never turns a box by
//   itself; with mayTurn it also lays the boxes out with every box taller than wide turned, and keeps the better.
// - MaxRects: boxes in `order`, each at the place `rule` likes best on a maximal-rectangles bin (MaxRectsBin.h),
//   turned where that scores better when mayTurn; a box that fits nowhere is passed over and the next one tried.
// Spacing s and margin m mean for both what they mean for the design: every sprite keeps s pixels from its neighbours,
// and with extrusion each keeps m pixels clear around it (s >= 2m) for its ring. Along the area's edges a sprite keeps
// s - m pixels: its ring then keeps the same gap s - 2m from the edge as from another sprite's ring (without
// extrusion, s from the edge). The maximal-rectangles packer needs s >= 0. The design's layout keeps the spacing
// through its anchors, so that a small sprite tucked into a gap may touch a neighbour on one side; with keepSpacing (s
// >= 0) it lays out every box grown by the spacing instead, as the maximal-rectangles packer does, and no two sprites
// come closer than s.
struct Packer {
    enum class Kind { Design, MaxRects } kind = Kind::Design;
    bool keepSpacing = false;
    LayoutSortKey designKey = LayoutSortKey::LongestSide;
    MaxRectsRule rule = MaxRectsRule::ShortSide;
    BoxOrder order = BoxOrder::LongSide;
    bool mayTurn = false;
    int32_t spacing = 1;
    int32_t margin = 0;
};

// A box's key in the packer's box order: the maximal-rectangles packer takes the boxes by falling key, ties in input
// order (so does a stable layout placing new boxes).
int64_t orderKey(BoxOrder order, const PackBox& box);

// Places what it can of the boxes on a W x H area (1 to 16384 each); one placement per box, in the boxes' order. With
// allOrNothing the packer stops at the first box it cannot place (the caller wants all or none).
std::vector<Placement> packOnArea(const Packer& packer,
                                  const std::vector<PackBox>& boxes,
                                  AreaSize area,
                                  bool allOrNothing = false);

// The same, telling also from which height the placements are alike: on every area of the same width and a height
// from `alikeFrom` up to the area's own, packOnArea places the boxes just so. That is the area's own height but for the
// design's layout placing every box (both ways round when it may turn them), whose every choice is the free place with
// the least min(x, y), then max(x, y), so that a lower area that still holds the places it took changes none.
std::vector<Placement> packOnAreaAlike(const Packer& packer,
                                       const std::vector<PackBox>& boxes,
                                       AreaSize area,
                                       bool allOrNothing,
                                       int32_t& alikeFrom);

// True when packOnArea (with allOrNothing) places the boxes alike on every W x H area of one width W that holds them
// all: the maximal-rectangles packer under the bottom-left rule, whose every choice is the lowest, then leftmost place
// where the box is free (the free rectangles' corners hold it), which a lower area can only take away. Such a packer
// holds the boxes on W x H exactly when its packing on the tallest area puts their lowest edge (with the spacing
// below, as usedExtent counts it) no lower than H, and then with the same placements.
bool placesAlikeOnEveryHeight(const Packer& packer);

// The area a page needs for its placed boxes: the farthest right and bottom edges of their sprites plus the spacing
// (less the margin, which the spacing holds), at least 1 x 1.
AreaSize usedExtent(const Packer& packer, const std::vector<PackBox>& boxes, const std::vector<Placement>& placements);
