#include "atlas/Packer.h"

#include <algorithm>
#include <numeric>

namespace {

// The gap the packers keep between the boxes grown by the margin, and along the area's edges.
int32_t clearance(const Packer& packer) {
    return packer.spacing - 2 * packer.margin;
}

// A placed box's size on the page.
PackBox onPage(const PackBox& box, const Placement& placement) {
    return placement.turned ? PackBox{box.height, box.width} : box;
}

std::vector<Placement> packDesign(const Packer& packer, const std::vector<PackBox>& boxes, AreaSize area, bool turn) {
    std::vector<LayoutBox> layoutBoxes;
    layoutBoxes.reserve(boxes.size());
    for (const PackBox& box : boxes) {
        const bool turned = turn && box.height > box.width;
        layoutBoxes.push_back(turned ? LayoutBox{box.height, box.width} : LayoutBox{box.width, box.height});
    }
    std::vector<bool> parked;
    std::vector<Point> positions;
    if (packer.keepSpacing) {
        // Every box grown by the margin and the gap, on an area that leaves the gap free along its right and bottom
        // edges, without spacing of the layout's own; the gap along the left and top edges is added to every place.
        const int32_t gap = clearance(packer), grow = 2 * packer.margin + gap;
        if (area.width <= gap || area.height <= gap) return std::vector<Placement>(boxes.size());
        for (LayoutBox& box : layoutBoxes) box = {box.width + grow, box.height + grow};
        positions = computeAutoLayout(layoutBoxes, 0, area.width - gap, area.height - gap, packer.designKey, &parked);
        for (Point& p : positions) p = {p.x + gap + packer.margin, p.y + gap + packer.margin};
    } else {
        positions = computeAutoLayoutWithMargin(layoutBoxes, packer.spacing, packer.margin, area.width, area.height,
                                                packer.designKey, parked);
    }
    std::vector<Placement> placements(boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        placements[i] = {positions[i].x, positions[i].y, turn && boxes[i].height > boxes[i].width, !parked[i]};
    }
    return placements;
}

int64_t orderKey(BoxOrder order, const PackBox& box) {
    const int64_t w = box.width, h = box.height;
    switch (order) {
        case BoxOrder::LongSide:
            return std::max(w, h) << 16 | std::min(w, h);
        case BoxOrder::Area:
            return (w * h) << 16 | std::max(w, h);
        case BoxOrder::Perimeter:
            return (w + h) << 16 | std::max(w, h);
        case BoxOrder::ShortSide:
            return std::min(w, h) << 16 | std::max(w, h);
    }
    return 0;
}

std::vector<Placement> packMaxRects(const Packer& packer,
                                    const std::vector<PackBox>& boxes,
                                    AreaSize area,
                                    bool allOrNothing) {
    std::vector<Placement> placements(boxes.size());
    const int32_t gap = clearance(packer), grow = 2 * packer.margin + gap;
    if (area.width <= gap || area.height <= gap) return placements;
    std::vector<int64_t> keys(boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) keys[i] = orderKey(packer.order, boxes[i]);
    std::vector<size_t> order(boxes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] > keys[b]; });
    // The grown boxes on a bin that leaves the gap free along the right and bottom edges; each box's own gap lies
    // right of and below it, so the one along the left and top edges is added to every place.
    MaxRectsBin bin(area.width - gap, area.height - gap, packer.rule);
    for (size_t i : order) {
        MaxRectsBin::Choice choice;
        if (!bin.choose(boxes[i].width + grow, boxes[i].height + grow, packer.mayTurn, choice)) {
            if (allOrNothing) break;
            continue;
        }
        bin.occupy(choice.place);
        const int32_t shift = gap + packer.margin;
        placements[i] = {choice.place.left + shift, choice.place.top + shift, choice.turned, true};
    }
    return placements;
}

int64_t placedPixels(const std::vector<PackBox>& boxes, const std::vector<Placement>& placements) {
    int64_t pixels = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (placements[i].placed) pixels += int64_t{boxes[i].width} * boxes[i].height;
    }
    return pixels;
}

}  // namespace

std::vector<Placement> packOnArea(const Packer& packer,
                                  const std::vector<PackBox>& boxes,
                                  AreaSize area,
                                  bool allOrNothing) {
    if (packer.kind == Packer::Kind::MaxRects) return packMaxRects(packer, boxes, area, allOrNothing);
    std::vector<Placement> placements = packDesign(packer, boxes, area, false);
    if (!packer.mayTurn) return placements;
    // Turned, the layout must place more, or as much on less.
    std::vector<Placement> turned = packDesign(packer, boxes, area, true);
    const int64_t before = placedPixels(boxes, placements), after = placedPixels(boxes, turned);
    const auto extentArea = [&](const std::vector<Placement>& p) {
        const AreaSize e = usedExtent(packer, boxes, p);
        return int64_t{e.width} * e.height;
    };
    if (after > before || (after == before && extentArea(turned) < extentArea(placements))) return turned;
    return placements;
}

AreaSize usedExtent(const Packer& packer, const std::vector<PackBox>& boxes, const std::vector<Placement>& placements) {
    int64_t right = 1, bottom = 1;
    const int64_t beyond = int64_t{packer.spacing} - packer.margin;
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (!placements[i].placed) continue;
        const PackBox size = onPage(boxes[i], placements[i]);
        right = std::max(right, placements[i].x + int64_t{size.width} + beyond);
        bottom = std::max(bottom, placements[i].y + int64_t{size.height} + beyond);
    }
    return {static_cast<int32_t>(right), static_cast<int32_t>(bottom)};
}
