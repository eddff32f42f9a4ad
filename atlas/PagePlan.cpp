#include "atlas/PagePlan.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

// What one page's rule made of some boxes: the page's size and where each box went.
struct Attempt {
    AreaSize size;
    std::vector<Placement> placements;
};

bool allPlaced(const std::vector<Placement>& placements) {
    return std::all_of(placements.begin(), placements.end(), [](const Placement& p) { return p.placed; });
}

int64_t areaOf(AreaSize size) {
    return int64_t{size.width} * size.height;
}

// The inner area a sprite (with its margin) must lie in: the area less the gap along its edges.
AreaSize innerArea(const Packer& packer, AreaSize area) {
    const int64_t gap = int64_t{packer.spacing} - 2 * packer.margin;
    return {static_cast<int32_t>(std::max<int64_t>(0, area.width - 2 * gap)),
            static_cast<int32_t>(std::max<int64_t>(0, area.height - 2 * gap))};
}

bool fitsAlone(const Packer& packer, const PackBox& box, AreaSize area) {
    const AreaSize inner = innerArea(packer, area);
    const int64_t w = box.width + 2 * int64_t{packer.margin}, h = box.height + 2 * int64_t{packer.margin};
    return (w <= inner.width && h <= inner.height) || (packer.mayTurn && h <= inner.width && w <= inner.height);
}

// True when no packer can place every box on the area, whatever their order: one of them (with its margin) does not
// fit by itself, or together they cover more than the inner area. No packing need be run to know.
bool surelyTooSmall(const Packer& packer, const std::vector<PackBox>& boxes, AreaSize area) {
    const AreaSize inner = innerArea(packer, area);
    int64_t covered = 0;
    for (const PackBox& box : boxes) {
        if (!fitsAlone(packer, box, area)) return true;
        covered += (box.width + 2 * int64_t{packer.margin}) * (box.height + 2 * int64_t{packer.margin});
    }
    return covered > areaOf(inner);
}

// Areas of `limit` pixels or more are not worth trying: a plan holding every box on less is known (`best` uses it).
constexpr int64_t kNoLimit = INT64_MAX;

// An attempt that placed nothing, for boxes no area within the limit holds.
Attempt nothingPlaced(const std::vector<PackBox>& boxes, AreaSize size) {
    return {size, std::vector<Placement>(boxes.size())};
}

Attempt packPowerOfTwo(const Packer& packer, const std::vector<PackBox>& boxes, AreaSize largest, int64_t limit) {
    const std::vector<AreaSize> areas = powerOfTwoAreas(largest);
    for (size_t i = 0; i < areas.size(); ++i) {
        const bool last = i + 1 == areas.size();
        if (areaOf(areas[i]) >= limit) break;
        if (!last && surelyTooSmall(packer, boxes, areas[i])) continue;
        Attempt attempt = {areas[i], packOnArea(packer, boxes, areas[i], !last || limit != kNoLimit)};
        if (last || allPlaced(attempt.placements)) return attempt;
    }
    return nothingPlaced(boxes, largest);
}

// The least height of a `width`-wide area that holds every box, searched between a height known too small and the one
// `best` holds them on (which it improves, cut to what its boxes use).
void tightenHeight(const Packer& packer, const std::vector<PackBox>& boxes, int32_t width, int32_t low, Attempt& best) {
    int32_t high = best.size.height;
    while (low < high) {
        const int32_t height = low + (high - low) / 2;
        std::vector<Placement> placements = packOnArea(packer, boxes, {width, height}, true);
        if (!allPlaced(placements)) {
            low = height + 1;
            continue;
        }
        best = {usedExtent(packer, boxes, placements), std::move(placements)};
        high = std::min(height, best.size.height);
    }
}

// Tries widths around the square root of the boxes' area, each with the least height below the limit that holds them
// all, and keeps the least area; the page is cut to what its boxes use. When no width does, and no limit is set, the
// largest area is packed as it can be.
Attempt packTight(const Packer& packer, const std::vector<PackBox>& boxes, AreaSize largest, int64_t limit) {
    const int64_t gap = std::max(0, packer.spacing - 2 * packer.margin);
    int64_t covered = 0, widest = 1, tallest = 1;
    for (const PackBox& box : boxes) {
        const int64_t w = box.width + 2 * int64_t{packer.margin} + gap;
        const int64_t h = box.height + 2 * int64_t{packer.margin} + gap;
        covered += w * h;
        widest = std::max(widest, packer.mayTurn ? std::min(w, h) : w);
        tallest = std::max(tallest, packer.mayTurn ? std::min(w, h) : h);
    }
    Attempt best;
    bool found = false;
    const double side = std::sqrt(static_cast<double>(covered));
    for (double factor : {1.0, 0.9, 1.1, 1.25, 0.8, 1.5, 2.0}) {
        if (widest + gap > largest.width) break;  // a box wider than any page leaves no width to try
        const int64_t bound = found ? areaOf(best.size) : limit;
        const int64_t width = std::clamp<int64_t>(std::llround(side * factor) + gap, widest + gap, largest.width);
        const int64_t low = std::max<int64_t>(tallest + gap, covered / std::max<int64_t>(1, width - gap));
        const int64_t high = std::min<int64_t>(largest.height, (bound - 1) / width);
        if (high < low) continue;
        const AreaSize probe = {static_cast<int32_t>(width), static_cast<int32_t>(high)};
        std::vector<Placement> placements = packOnArea(packer, boxes, probe, true);
        if (!allPlaced(placements)) continue;
        Attempt candidate = {usedExtent(packer, boxes, placements), std::move(placements)};
        tightenHeight(packer, boxes, probe.width, static_cast<int32_t>(std::min<int64_t>(low, candidate.size.height)),
                      candidate);
        if (!found || areaOf(candidate.size) < areaOf(best.size)) best = std::move(candidate), found = true;
    }
    if (found) return best;
    if (limit != kNoLimit) return nothingPlaced(boxes, largest);
    best = {largest, packOnArea(packer, boxes, largest)};
    if (allPlaced(best.placements)) best.size = usedExtent(packer, boxes, best.placements);
    return best;
}

// The boxes' page by the rule. With several pages, a page that could not take them all keeps what it placed and is cut
// to the least size of its rule that holds it.
Attempt packPage(const Packer& packer, const std::vector<PackBox>& boxes, const PageRules& rules, int64_t limit) {
    Attempt attempt;
    switch (rules.rule) {
        case AreaRule::Fixed:
            if (areaOf(rules.size) >= limit) return nothingPlaced(boxes, rules.size);
            return {rules.size, packOnArea(packer, boxes, rules.size)};
        case AreaRule::PowerOfTwo:
            attempt = packPowerOfTwo(packer, boxes, rules.size, limit);
            break;
        case AreaRule::Tight:
            attempt = packTight(packer, boxes, rules.size, limit);
            break;
    }
    if (!rules.severalPages || allPlaced(attempt.placements)) return attempt;
    const AreaSize used = usedExtent(packer, boxes, attempt.placements);
    if (rules.rule == AreaRule::Tight) {
        attempt.size = used;
    } else {
        for (const AreaSize& area : powerOfTwoAreas(rules.size)) {
            if (area.width >= used.width && area.height >= used.height) {
                attempt.size = area;
                break;
            }
        }
    }
    return attempt;
}

}  // namespace

std::vector<AreaSize> powerOfTwoAreas(AreaSize largest) {
    std::vector<AreaSize> areas;
    for (int32_t side = 1; side <= largest.width && side <= largest.height; side *= 2) {
        areas.push_back({side, side});
        if (int64_t{side} * 2 <= largest.width) areas.push_back({side * 2, side});
        if (side > largest.width / 2 || side > largest.height / 2) break;
    }
    return areas;
}

AreaSize largestPage(const PageRules& rules) {
    return rules.rule == AreaRule::PowerOfTwo ? powerOfTwoAreas(rules.size).back() : rules.size;
}

int64_t PagePlan::totalArea() const {
    int64_t total = 0;
    for (const PlannedPage& page : pages) total += areaOf(page.size);
    return total;
}

int64_t PagePlan::unplacedCount() const {
    int64_t count = static_cast<int64_t>(neverFit.size());
    for (const PlannedPage& page : pages) {
        for (const Placement& p : page.placements) count += p.placed ? 0 : 1;
    }
    return count;
}

PagePlan planPages(const Packer& packer,
                   const std::vector<PackBox>& boxes,
                   const PageRules& rules,
                   const PageReport& done) {
    return planPagesAgainst(packer, boxes, rules, nullptr, done);
}

PagePlan planPagesAgainst(const Packer& packer,
                          const std::vector<PackBox>& boxes,
                          const PageRules& rules,
                          const PagePlan* rival,
                          const PageReport& done) {
    PagePlan plan;
    std::vector<int32_t> remaining;
    const AreaSize largest = largestPage(rules);
    for (int32_t i = 0; i < static_cast<int32_t>(boxes.size()); ++i) {
        if (rules.severalPages && !fitsAlone(packer, boxes[static_cast<size_t>(i)], largest)) {
            plan.neverFit.push_back(i);
        } else {
            remaining.push_back(i);
        }
    }
    // Against a rival that placed every box, a plan must do so on fewer pages, or on as many with less area: its last
    // page allowed need only try the areas that leave it less.
    const bool rivalComplete = rival && rival->unplacedCount() == 0 && plan.neverFit.empty();
    while (!remaining.empty()) {
        int64_t limit = kNoLimit;
        if (rivalComplete) {
            if (plan.pages.size() >= rival->pages.size()) {
                plan.abandoned = true;
                break;
            }
            if (!rules.severalPages || plan.pages.size() + 1 == rival->pages.size()) {
                limit = rival->totalArea() - plan.totalArea();
            }
        }
        std::vector<PackBox> some;
        some.reserve(remaining.size());
        for (int32_t i : remaining) some.push_back(boxes[static_cast<size_t>(i)]);
        Attempt attempt = packPage(packer, some, rules, limit);
        PlannedPage page{attempt.size, {}, {}};
        std::vector<int32_t> left;
        for (size_t k = 0; k < remaining.size(); ++k) {
            if (!rules.severalPages || attempt.placements[k].placed) {
                page.boxes.push_back(remaining[k]);
                page.placements.push_back(attempt.placements[k]);
            } else {
                left.push_back(remaining[k]);
            }
        }
        if (limit != kNoLimit && (!left.empty() || !allPlaced(attempt.placements))) {
            plan.abandoned = true;
            break;
        }
        if (page.boxes.empty()) {  // nothing fits an empty page: cannot happen to boxes that fit alone
            plan.neverFit.insert(plan.neverFit.end(), left.begin(), left.end());
            break;
        }
        plan.pages.push_back(std::move(page));
        if (done) done(plan.pages.size() - 1);
        remaining = std::move(left);
    }
    std::sort(plan.neverFit.begin(), plan.neverFit.end());
    return plan;
}

std::vector<Packer> bestCandidates(const Packer& base) {
    std::vector<Packer> packers;
    Packer design = base;
    design.kind = Packer::Kind::Design;
    design.keepSpacing = true;  // every plan of `best` keeps the spacing between every two sprites
    packers.push_back(design);
    for (MaxRectsRule rule : {MaxRectsRule::ShortSide, MaxRectsRule::LongSide, MaxRectsRule::Area,
                              MaxRectsRule::BottomLeft, MaxRectsRule::Contact}) {
        for (BoxOrder order : {BoxOrder::LongSide, BoxOrder::Area, BoxOrder::Perimeter, BoxOrder::ShortSide}) {
            Packer maxRects = base;
            maxRects.kind = Packer::Kind::MaxRects;
            maxRects.rule = rule;
            maxRects.order = order;
            packers.push_back(maxRects);
        }
    }
    return packers;
}

PagePlan planBest(const std::vector<Packer>& packers,
                  const std::vector<PackBox>& boxes,
                  const PageRules& rules,
                  size_t& chosen) {
    PagePlan best;
    const auto rank = [](const PagePlan& plan) {
        return std::make_tuple(plan.abandoned, plan.unplacedCount(), plan.pages.size(), plan.totalArea());
    };
    for (size_t i = 0; i < packers.size(); ++i) {
        PagePlan plan = planPagesAgainst(packers[i], boxes, rules, i > 0 ? &best : nullptr, {});
        if (i == 0 || rank(plan) < rank(best)) {
            best = std::move(plan);
            chosen = i;
        }
    }
    return best;
}
