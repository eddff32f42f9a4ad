#include "atlas/Packer.h"

#include <algorithm>
#include <climits>
#include <numeric>

namespace {

// The gap the packers keep between the boxes grown by the margin, and along the area's edges.
int32_t clearance(const Packer& packer) {
    return packer.spacing - 2 * packer.margin;
}

// Sprites that keep the whole spacing between them, laid out as grown boxes: each grown by its margin on both sides
// and by the gap (the spacing less both margins) right of and below it, on an area that leaves the gap free along its
// right and bottom edges. The gap along the left and top edges and the margin are added to every grown box's place.
struct GrownBoxes {
    explicit GrownBoxes(const Packer& packer)
        : gap(clearance(packer)), grow(2 * packer.margin + gap), shift(gap + packer.margin) {}
    bool roomOn(AreaSize area) const { return area.width > gap && area.height > gap; }
    AreaSize inner(AreaSize area) const { return {area.width - gap, area.height - gap}; }

    int32_t gap, grow, shift;
};

// A placed box's size on the page.
PackBox onPage(const PackBox& box, const Placement& placement) {
    return placement.turned ? PackBox{box.height, box.width} : box;
}

std::vector<Placement> packDesign(const Packer& packer,
                                  const std::vector<PackBox>& boxes,
                                  AreaSize area,
                                  bool turn,
                                  bool allOrNothing) {
    std::vector<LayoutBox> layoutBoxes;
    layoutBoxes.reserve(boxes.size());
    for (const PackBox& box : boxes) {
        const bool turned = turn && box.height > box.width;
        layoutBoxes.push_back(turned ? LayoutBox{box.height, box.width} : LayoutBox{box.width, box.height});
    }
    std::vector<bool> parked;
    std::vector<Point> positions;
    if (packer.keepSpacing) {
        // The grown boxes without spacing of the layout's own.
        const GrownBoxes grown(packer);
        if (!grown.roomOn(area)) return std::vector<Placement>(boxes.size());
        for (LayoutBox& box : layoutBoxes) box = {box.width + grown.grow, box.height + grown.grow};
        const AreaSize inner = grown.inner(area);
        positions =
            computeAutoLayout(layoutBoxes, 0, inner.width, inner.height, packer.designKey, &parked, allOrNothing);
        for (Point& p : positions) p = {p.x + grown.shift, p.y + grown.shift};
    } else {
        positions = computeAutoLayoutWithMargin(layoutBoxes, packer.spacing, packer.margin, area.width, area.height,
                                                packer.designKey, parked, allOrNothing);
    }
    std::vector<Placement> placements(boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        placements[i] = {positions[i].x, positions[i].y, turn && boxes[i].height > boxes[i].width, !parked[i]};
    }
    return placements;
}

std::vector<Placement> packMaxRects(const Packer& packer,
                                    const std::vector<PackBox>& boxes,
                                    AreaSize area,
                                    bool allOrNothing) {
    std::vector<Placement> placements(boxes.size());
    const GrownBoxes grown(packer);
    if (!grown.roomOn(area)) return placements;
    std::vector<int64_t> keys(boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) keys[i] = orderKey(packer.order, boxes[i]);
    std::vector<size_t> order(boxes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] > keys[b]; });
    // The shortest side of every box still to come, from each box on.
    std::vector<int32_t> leastAfter(order.size() + 1, INT32_MAX);
    for (size_t k = order.size(); k-- > 0;) {
        const PackBox& box = boxes[order[k]];
        leastAfter[k] = std::min(leastAfter[k + 1], std::min(box.width, box.height) + grown.grow);
    }
    const AreaSize inner = grown.inner(area);
    MaxRectsBin bin(inner.width, inner.height, packer.rule);
    for (size_t k = 0; k < order.size(); ++k) {
        const size_t i = order[k];
        bin.setLeastSide(leastAfter[k]);
        MaxRectsBin::Choice choice;
        if (!bin.choose(boxes[i].width + grown.grow, boxes[i].height + grown.grow, packer.mayTurn, choice)) {
            if (allOrNothing) break;
            continue;
        }
        bin.occupy(choice.place);
        placements[i] = {choice.place.left + grown.shift, choice.place.top + grown.shift, choice.turned, true};
    }
    return placements;
}

bool allPlaced(const std::vector<Placement>& placements) {
    return std::all_of(placements.begin(), placements.end(), [](const Placement& p) { return p.placed; });
}

int64_t placedPixels(const std::vector<PackBox>& boxes, const std::vector<Placement>& placements) {
    int64_t pixels = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (placements[i].placed) pixels += int64_t{boxes[i].width} * boxes[i].height;
    }
    return pixels;
}

}  // namespace

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

std::vector<Placement> packOnArea(const Packer& packer,
                                  const std::vector<PackBox>& boxes,
                                  AreaSize area,
                                  bool allOrNothing) {
    int32_t alikeFrom = 0;
    return packOnAreaAlike(packer, boxes, area, allOrNothing, alikeFrom);
}

std::vector<Placement> packOnAreaAlike(const Packer& packer,
                                       const std::vector<PackBox>& boxes,
                                       AreaSize area,
                                       bool allOrNothing,
                                       int32_t& alikeFrom) {
    alikeFrom = area.height;
    if (packer.kind == Packer::Kind::MaxRects) return packMaxRects(packer, boxes, area, allOrNothing);
    // The layout's every choice depends on the area's height only through the places it rules out for lying below
    // it: where every box is placed, each height down to their lowest edge rules out none that the layout took.
    const auto lowestEdge = [&](const std::vector<Placement>& p) {
        return allPlaced(p) ? usedExtent(packer, boxes, p).height : area.height;
    };
    std::vector<Placement> placements = packDesign(packer, boxes, area, false, allOrNothing);
    if (!packer.mayTurn) {
        alikeFrom = lowestEdge(placements);
        return placements;
    }
    // Turned, the layout must place more, or as much on less; both layouts must be alike for the choice to be.
    std::vector<Placement> turned = packDesign(packer, boxes, area, true, allOrNothing);
    alikeFrom = std::max(lowestEdge(placements), lowestEdge(turned));
    const int64_t before = placedPixels(boxes, placements), after = placedPixels(boxes, turned);
    const auto extentArea = [&](const std::vector<Placement>& p) {
        const AreaSize e = usedExtent(packer, boxes, p);
        return int64_t{e.width} * e.height;
    };
    if (after > before || (after == before && extentArea(turned) < extentArea(placements))) return turned;
    return placements;
}

bool placesAlikeOnEveryHeight(const Packer& packer) {
    return packer.kind == Packer::Kind::MaxRects && packer.rule == MaxRectsRule::BottomLeft;
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
