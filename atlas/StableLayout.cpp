#include "atlas/StableLayout.h"

#include <algorithm>
#include <numeric>
#include <tuple>

#include "atlas/Packer.h"

namespace {

// The spacing and the extrusion's margin as the packers keep them: every box grown by its margin on both sides and by
// the gap (the spacing less both margins) right of and below it, laid on an area less the gap along its right and
// bottom edges; the sprite then lies `shift` right of and below its grown box's corner, and the page reaches
// `beyond` past the sprite's right and bottom edges.
struct Clearance {
    explicit Clearance(const Packer& packer)
        : gap(packer.spacing - 2 * packer.margin),
          grow(2 * packer.margin + gap),
          shift(gap + packer.margin),
          beyond(packer.spacing - packer.margin) {}

    int32_t gap, grow, shift, beyond;
};

int64_t areaOf(AreaSize size) {
    return int64_t{size.width} * size.height;
}

PackBox onPage(const PackBox& box, bool turned) {
    return turned ? PackBox{box.height, box.width} : box;
}

bool intersects(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The sprites kept on one page so far, bucketed by cells of the page, to find one that a place would overlap.
class KeptSprites {
public:
    explicit KeptSprites(AreaSize page)
        : columns_(page.width / kCell + 1),
          cells_(static_cast<size_t>(columns_) * static_cast<size_t>(page.height / kCell + 1)) {}

    bool overlaps(const Rect& r) const {
        for (size_t cell : cellsOf(r)) {
            for (size_t i : cells_[cell]) {
                if (intersects(r, rects_[i])) return true;
            }
        }
        return false;
    }
    void add(const Rect& r) {
        rects_.push_back(r);
        for (size_t cell : cellsOf(r)) cells_[cell].push_back(rects_.size() - 1);
    }

private:
    static constexpr int32_t kCell = 64;

    std::vector<size_t> cellsOf(const Rect& r) const {
        std::vector<size_t> cells;
        for (int32_t row = r.top / kCell; row <= (r.bottom - 1) / kCell; ++row) {
            for (int32_t column = r.left / kCell; column <= (r.right - 1) / kCell; ++column) {
                cells.push_back(static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column));
            }
        }
        return cells;
    }

    int32_t columns_;
    std::vector<std::vector<size_t>> cells_;
    std::vector<Rect> rects_;
};

// One page as it fills: its free space in grown boxes' coordinates and how far its sprites reach.
struct PageSpace {
    PageSpace(AreaSize limit, const Clearance& c, MaxRectsRule rule)
        : bin(limit.width - c.gap, limit.height - c.gap, rule), kept(limit) {}

    MaxRectsBin bin;
    KeptSprites kept;
    int64_t right = 0, bottom = 0;  // the page's least size for its sprites (0: none yet)
    std::vector<int32_t> boxes;
    std::vector<Placement> placements;
};

// A page's size under the rules for sprites that reach `right` and `bottom`.
class PageSizes {
public:
    explicit PageSizes(const PageRules& rules)
        : rules_(rules),
          areas_(rules.rule == AreaRule::PowerOfTwo ? powerOfTwoAreas(rules) : std::vector<AreaSize>{}) {}

    AreaSize limit() const { return largestPage(rules_); }
    AreaSize sizeFor(int64_t right, int64_t bottom) const {
        if (rules_.rule == AreaRule::Fixed) return rules_.size;
        if (rules_.rule == AreaRule::Tight) {
            return sizeByRules(rules_, {static_cast<int32_t>(std::max<int64_t>(1, right)),
                                        static_cast<int32_t>(std::max<int64_t>(1, bottom))});
        }
        for (const AreaSize& area : areas_) {
            if (area.width >= right && area.height >= bottom) return area;
        }
        return limit();
    }
    // Whether a page of this size may be kept under the rules as they are now: the fixed size, one of the
    // power-of-two areas, or a size within the largest that keeps the square and multiple rules.
    bool allowed(AreaSize size) const {
        const auto same = [](AreaSize a, AreaSize b) { return a.width == b.width && a.height == b.height; };
        if (rules_.rule == AreaRule::Fixed) return same(size, rules_.size);
        if (rules_.rule == AreaRule::PowerOfTwo) {
            return std::any_of(areas_.begin(), areas_.end(), [&](AreaSize area) { return same(area, size); });
        }
        return size.width >= 1 && size.height >= 1 && size.width <= limit().width && size.height <= limit().height &&
               same(sizeByRules(rules_, size), size);
    }

private:
    PageRules rules_;
    std::vector<AreaSize> areas_;
};

// A place for a box on a page, and what taking it costs: the growth of the page's area, then the page, then the
// leftovers of the free rectangle as the short-side rule counts them.
struct Candidate {
    size_t page = 0;
    Rect grown;
    bool turned = false;
    std::tuple<int64_t, size_t, int64_t, int64_t> cost;
};

class Filler {
public:
    Filler(const Packer& packer, const PageRules& rules)
        : packer_(packer), clearance_(packer), sizes_(rules), limit_(sizes_.limit()) {}

    bool roomOnPages() const { return limit_.width > clearance_.gap && limit_.height > clearance_.gap; }

    void addPage() { pages_.emplace_back(limit_, clearance_, packer_.rule); }

    std::vector<PageSpace>& pages() { return pages_; }

    // Keeps a box at its earlier place when that lies on its page and on no box kept before it.
    bool keep(int32_t index, const PackBox& box, const EarlierPlace& earlier, AreaSize earlierPage) {
        const PackBox size = onPage(box, earlier.placement.turned);
        const Placement& at = earlier.placement;
        if (at.turned && !packer_.mayTurn) return false;
        if (at.x < 0 || at.y < 0 || int64_t{at.x} + size.width > earlierPage.width ||
            int64_t{at.y} + size.height > earlierPage.height) {
            return false;
        }
        PageSpace& page = pages_[static_cast<size_t>(earlier.page)];
        const Rect sprite{at.x, at.y, at.x + size.width, at.y + size.height};
        if (page.kept.overlaps(sprite)) return false;
        page.kept.add(sprite);
        // Its grown box, cut to the free space where the earlier pack kept less room at the edges.
        const Rect inner{0, 0, limit_.width - clearance_.gap, limit_.height - clearance_.gap};
        const Rect grown{std::max(inner.left, sprite.left - clearance_.shift),
                         std::max(inner.top, sprite.top - clearance_.shift),
                         std::min(inner.right, sprite.right - clearance_.shift + clearance_.grow),
                         std::min(inner.bottom, sprite.bottom - clearance_.shift + clearance_.grow)};
        if (grown.left < grown.right && grown.top < grown.bottom) page.bin.occupy(grown);
        take(page, index, {at.x, at.y, at.turned, true}, size);
        return true;
    }

    // Places a box where it costs least; false when no page has room for it.
    bool place(int32_t index, const PackBox& box) {
        Candidate best;
        bool found = false;
        for (size_t p = 0; p < pages_.size(); ++p) {
            for (const Rect& free : pages_[p].bin.freeRectangles()) {
                for (const bool turned : {false, true}) {
                    if (turned && (!packer_.mayTurn || box.width == box.height)) continue;
                    Candidate c;
                    if (fits(p, free, onPage(box, turned), c) && (!found || c.cost < best.cost)) {
                        best = c, best.turned = turned;
                        found = true;
                    }
                }
            }
        }
        if (!found) return false;
        PageSpace& page = pages_[best.page];
        page.bin.occupy(best.grown);
        const PackBox size = onPage(box, best.turned);
        take(page, index, {best.grown.left + clearance_.shift, best.grown.top + clearance_.shift, best.turned, true},
             size);
        return true;
    }

    AreaSize sizeOf(const PageSpace& page) const { return sizes_.sizeFor(page.right, page.bottom); }
    const PageSizes& sizes() const { return sizes_; }

private:
    bool fits(size_t p, const Rect& free, const PackBox& size, Candidate& c) const {
        const int64_t w = int64_t{size.width} + clearance_.grow, h = int64_t{size.height} + clearance_.grow;
        if (free.width() < w || free.height() < h) return false;
        const PageSpace& page = pages_[p];
        const int64_t right =
            std::max(page.right, free.left + clearance_.shift + size.width + int64_t{clearance_.beyond});
        const int64_t bottom =
            std::max(page.bottom, free.top + clearance_.shift + size.height + int64_t{clearance_.beyond});
        const int64_t growth = areaOf(sizes_.sizeFor(right, bottom)) - areaOf(sizeOf(page));
        const int64_t leftX = free.width() - w, leftY = free.height() - h;
        c.page = p;
        c.grown = {free.left, free.top, free.left + static_cast<int32_t>(w), free.top + static_cast<int32_t>(h)};
        c.cost = {growth, p, std::min(leftX, leftY), std::max(leftX, leftY)};
        return true;
    }

    void take(PageSpace& page, int32_t index, const Placement& at, const PackBox& size) {
        page.right = std::max(page.right, at.x + int64_t{size.width} + clearance_.beyond);
        page.bottom = std::max(page.bottom, at.y + int64_t{size.height} + clearance_.beyond);
        page.boxes.push_back(index);
        page.placements.push_back(at);
    }

    Packer packer_;
    Clearance clearance_;
    PageSizes sizes_;
    AreaSize limit_;
    std::vector<PageSpace> pages_;
};

// The page in the plan's form: its boxes ascending, each with its placement.
PlannedPage planned(PageSpace& page, AreaSize size) {
    std::vector<size_t> order(page.boxes.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return page.boxes[a] < page.boxes[b]; });
    PlannedPage out{size, {}, {}};
    for (size_t i : order) {
        out.boxes.push_back(page.boxes[i]);
        out.placements.push_back(page.placements[i]);
    }
    return out;
}

}  // namespace

StableLayoutResult StableLayout::plan(const std::vector<PackBox>& boxes,
                                      const std::vector<EarlierPlace>& earlier,
                                      const std::vector<AreaSize>& earlierPages) const {
    StableLayoutResult result;
    Filler filler(packer_, rules_);
    if (packer_.spacing < 0 || !filler.roomOnPages() || earlier.size() != boxes.size()) return result;
    // The earlier pages the rules still allow, up to the first they do not.
    const size_t pageLimit = rules_.severalPages ? earlierPages.size() : std::min<size_t>(1, earlierPages.size());
    size_t keptPages = 0;
    while (keptPages < pageLimit && filler.sizes().allowed(earlierPages[keptPages])) ++keptPages;
    for (size_t p = 0; p < std::max<size_t>(keptPages, 1); ++p) filler.addPage();

    std::vector<int32_t> moving;
    for (int32_t i = 0; i < static_cast<int32_t>(boxes.size()); ++i) {
        const EarlierPlace& e = earlier[static_cast<size_t>(i)];
        const PackBox& box = boxes[static_cast<size_t>(i)];
        const bool sameSize = e.box.width == box.width && e.box.height == box.height;
        if (e.known && e.placement.placed && sameSize && e.page >= 0 && static_cast<size_t>(e.page) < keptPages &&
            filler.keep(i, box, e, earlierPages[static_cast<size_t>(e.page)])) {
            ++result.kept;
        } else {
            moving.push_back(i);
        }
    }
    std::stable_sort(moving.begin(), moving.end(), [&](int32_t a, int32_t b) {
        return orderKey(packer_.order, boxes[static_cast<size_t>(a)]) >
               orderKey(packer_.order, boxes[static_cast<size_t>(b)]);
    });
    std::vector<int32_t> leftOver;
    for (int32_t i : moving) {
        if (!filler.place(i, boxes[static_cast<size_t>(i)])) leftOver.push_back(i);
    }
    std::vector<PageSpace>& pages = filler.pages();
    while (pages.size() > 1 && pages.back().boxes.empty()) pages.pop_back();
    for (PageSpace& page : pages) result.plan.pages.push_back(planned(page, filler.sizeOf(page)));
    if (!leftOver.empty() && rules_.severalPages) {
        // What fits on no page goes onto pages of its own, packed as a fresh pack would.
        std::sort(leftOver.begin(), leftOver.end());
        std::vector<PackBox> rest;
        for (int32_t i : leftOver) rest.push_back(boxes[static_cast<size_t>(i)]);
        const PagePlan more = planPages(packer_, rest, rules_);
        for (const PlannedPage& page : more.pages) {
            PlannedPage mapped = page;
            for (int32_t& box : mapped.boxes) box = leftOver[static_cast<size_t>(box)];
            result.plan.pages.push_back(std::move(mapped));
        }
        for (int32_t box : more.neverFit) result.plan.neverFit.push_back(leftOver[static_cast<size_t>(box)]);
        leftOver.clear();
        for (const int32_t box : result.plan.neverFit) leftOver.push_back(box);
    }
    result.complete = leftOver.empty() && result.plan.unplacedCount() == 0;
    return result;
}

bool StableLayout::keepsWithinSlack(const StableLayoutResult& stable, const PagePlan& fresh, int32_t slackPercent) {
    if (!stable.complete) return false;
    if (fresh.unplacedCount() > 0) return true;
    return stable.plan.totalArea() * 100 <= fresh.totalArea() * (100 + int64_t{slackPercent});
}
