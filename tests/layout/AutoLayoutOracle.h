#pragma once

#include <vector>

#include "layout/AutoLayout.h"

// The automatic layout computed the slow, literal way: every ordered pair of anchors (duplicates included) for every
// box, each candidate checked against every box handled before it. The reference computeAutoLayout must match.
std::vector<Point> computeAutoLayoutExhaustively(const std::vector<LayoutBox>& boxes,
                                                 int32_t spacing,
                                                 int32_t areaWidth,
                                                 int32_t areaHeight,
                                                 LayoutSortKey key);
