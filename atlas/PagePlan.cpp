#include "atlas/PagePlan.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <tuple>

#include "base/Parallel.h"

namespace {

// What one page's rule made of some boxes: the page's size and where each box went.
struct Attempt {
    AreaSize size;
    std::vector<Placement> placements;
    int64_t judgedArea = 0;
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

// The area the boxes cover, each grown by its margin and the gap right of and below it.
int64_t coveredArea(const Packer& packer, const std::vector<PackBox>& boxes) {
    const int64_t grow = 2 * int64_t{packer.margin} + std::max(0, packer.spacing - 2 * packer.margin);
    int64_t covered = 0;
    for (const PackBox& box : boxes) covered += (box.width + grow) * (box.height + grow);
    return covered;
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

// Areas judged at `limit` pixels or more are not worth trying: a plan holding every box on less is known (`best`
// uses it).
constexpr int64_t kNoLimit = INT64_MAX;

// An attempt that placed nothing, for boxes no area within the limit holds.
Attempt nothingPlaced(const std::vector<PackBox>& boxes, AreaSize size) {
    return {size, std::vector<Placement>(boxes.size()), 0};
}

Attempt packPowerOfTwo(const Packer& packer, const std::vector<PackBox>& boxes, const PageRules& rules, int64_t limit) {
    const std::vector<AreaSize> areas = powerOfTwoAreas(rules);
    for (size_t i = 0; i < areas.size(); ++i) {
        const bool last = i + 1 == areas.size();
        if (areaOf(areas[i]) >= limit) break;
        if (!last && surelyTooSmall(packer, boxes, areas[i])) continue;
        Attempt attempt = {areas[i], packOnArea(packer, boxes, areas[i], !last || limit != kNoLimit), areaOf(areas[i])};
        if (last || allPlaced(attempt.placements)) return attempt;
    }
    return nothingPlaced(boxes, largestPage(rules));
}

// The widths the tight search tries, as factors of the square root of the boxes' area, in the order tried.
constexpr double kTightWidths[] = {1.0, 0.9, 1.1, 1.25};
// A width's first probe lets the page be 1/kFirstSlack taller than the boxes' area needs; each further one twice that.
// The halving stops when the gap is within 1/kCloseEnough of the height that held them.
constexpr int64_t kFirstSlack = 64;
constexpr int64_t kCloseEnough = 512;

// The tight search of one set of boxes. Each width follows one path of probes that depends on nothing but the width
// and the packer's answers: heights rising from the least the boxes' area allows until one holds them all, then the
// gap to the last that did not halved until it closes. A probe is judged by the area it asks for (by the size rules),
// which never falls as the height rises, and every height still to be probed lies above the last that failed: so once
// that height is judged no less than the best so far (of earlier widths, or the limit), the width can only lose, and
// is left. The result is the one the uncut search finds, less the widths it would have lost.
//
// Two shortcuts keep that result while packing less:
// - A probe judged no less than the best so far is taken to hold the boxes without packing: had it failed, the width
//   would be left at once, losing anyway; so it matters only when the width goes on to win, and then it is packed
//   after all, the width losing if it does not hold them.
// - A packing that holds alike down to some lower height (packOnAreaAlike) answers every probe of its width between.
// - A packer that places boxes alike on every height that holds them (placesAlikeOnEveryHeight) packs each width
//   once on the tallest page; a probe holds the boxes exactly where their lowest edge fits, with those placements.
class TightSearch {
public:
    TightSearch(const Packer& packer, const std::vector<PackBox>& boxes, const PageRules& rules)
        : packer_(packer), boxes_(boxes), rules_(rules), largest_(largestPage(rules)) {
        gap_ = std::max(0, packer.spacing - 2 * packer.margin);
        for (const PackBox& box : boxes) {
            const int64_t w = box.width + 2 * int64_t{packer.margin} + gap_;
            const int64_t h = box.height + 2 * int64_t{packer.margin} + gap_;
            covered_ += w * h;
            widest_ = std::max(widest_, packer.mayTurn ? std::min(w, h) : w);
            tallest_ = std::max(tallest_, packer.mayTurn ? std::min(w, h) : h);
        }
    }

    // The least judged area found below `limit`; false when no width holds the boxes there.
    bool run(int64_t limit, Attempt& best) {
        int64_t bound = limit;
        bool found = false;
        std::vector<int64_t> tried;
        const double side = std::sqrt(static_cast<double>(covered_));
        for (double factor : kTightWidths) {
            const int64_t width =
                std::min<int64_t>(largest_.width, std::max<int64_t>(widest_, std::llround(side * factor)) + gap_);
            if (width < widest_ + gap_ || std::find(tried.begin(), tried.end(), width) != tried.end()) continue;
            tried.push_back(width);
            Attempt candidate;
            if (searchWidth(static_cast<int32_t>(width), bound, candidate)) {
                best = std::move(candidate), found = true;
                bound = best.judgedArea;
            }
        }
        return found;
    }

private:
    int64_t judged(int32_t width, int64_t height) const {
        return areaOf(sizeByRules(rules_, {width, static_cast<int32_t>(height)}));
    }

    // True when the probe holds every box: `attempt` is then the page it makes, cut to what the boxes use.
    bool probe(int32_t width, int64_t height, Attempt& attempt) {
        std::vector<Placement> placements;
        if (rules_.cutSearch && placesAlikeOnEveryHeight(packer_)) {
            if (tallWidth_ != width) {
                tallWidth_ = width;
                tall_ = packOnArea(packer_, boxes_, {width, largest_.height}, true);
                tallHeight_ = allPlaced(tall_) ? usedExtent(packer_, boxes_, tall_).height : INT64_MAX;
            }
            if (tallHeight_ > height) return false;
            placements = tall_;
        } else if (rules_.cutSearch && known_.width == width && known_.from <= height && height <= known_.to) {
            placements = known_.placements;
        } else {
            int32_t alikeFrom = 0;
            placements = packOnAreaAlike(packer_, boxes_, {width, static_cast<int32_t>(height)}, true, alikeFrom);
            if (!allPlaced(placements)) return false;
            if (alikeFrom < height) known_ = {width, alikeFrom, height, placements};
        }
        attempt = {sizeByRules(rules_, usedExtent(packer_, boxes_, placements)), std::move(placements),
                   judged(width, height)};
        return true;
    }

    // The width's least judged area below `bound`, if it finds one.
    bool searchWidth(int32_t width, int64_t bound, Attempt& best) {
        const int64_t need = (covered_ + (width - gap_) - 1) / (width - gap_);
        const int64_t least = std::max(tallest_, need) + gap_;
        int64_t low = least;  // every height below is too small
        int64_t high = -1;    // the least height found holding them
        const bool cut = rules_.cutSearch;
        const auto mayWin = [&] { return !cut || judged(width, low) < bound; };
        // The probes taken to hold the boxes unpacked: each judged no less than the bound (first shortcut above).
        std::vector<int64_t> assumed;
        const auto holds = [&](int64_t height) {
            if (cut && judged(width, height) >= bound) {
                assumed.push_back(height);
                return true;
            }
            Attempt attempt;
            if (!probe(width, height, attempt)) return false;
            best = std::move(attempt);
            return true;
        };
        for (int64_t slack = std::max<int64_t>(1, least / kFirstSlack); low <= largest_.height && mayWin();
             slack *= 2) {
            const int64_t height = std::min<int64_t>(largest_.height, least + slack);
            if (holds(height)) {
                high = height;
                break;
            }
            low = height + 1;
        }
        if (high < 0) return false;
        while (high - low > high / kCloseEnough && mayWin()) {
            const int64_t height = low + (high - low) / 2;
            if (holds(height)) {
                high = height;
            } else {
                low = height + 1;
            }
        }
        // The last height that held them was packed only when it wins; then every assumed one must hold them too.
        if (judged(width, high) >= bound) return false;
        Attempt check;
        return std::all_of(assumed.begin(), assumed.end(), [&](int64_t h) { return probe(width, h, check); });
    }

    const Packer& packer_;
    const std::vector<PackBox>& boxes_;
    const PageRules& rules_;
    AreaSize largest_;
    int64_t gap_ = 0, covered_ = 0, widest_ = 1, tallest_ = 1;
    // The packing on the tallest page of the last width, for a packer that places alike on every height, and the least
    // height it holds every box on (INT64_MAX when it does not).
    int32_t tallWidth_ = 0;
    std::vector<Placement> tall_;
    int64_t tallHeight_ = INT64_MAX;
    // The last packing that holds alike on a range of heights (packOnAreaAlike): a probe of its width in that range
    // takes it as it is.
    struct Known {
        int32_t width = 0;
        int64_t from = 0, to = -1;
        std::vector<Placement> placements;
    } known_;
};

// The tight page: the least judged area below the limit. When no width holds the boxes (which packing the largest
// area tells at once where they cover three quarters of it or more), and no limit is set, the largest area is packed as
// it can be.
Attempt packTight(const Packer& packer, const std::vector<PackBox>& boxes, const PageRules& rules, int64_t limit) {
    const AreaSize largest = largestPage(rules);
    Attempt whole = {largest, {}, areaOf(largest)};
    if (surelyTooSmall(packer, boxes, largest) || 4 * coveredArea(packer, boxes) >= 3 * areaOf(largest)) {
        whole.placements = packOnArea(packer, boxes, largest, limit != kNoLimit);
        if (!allPlaced(whole.placements)) return limit != kNoLimit ? nothingPlaced(boxes, largest) : whole;
    }
    Attempt best;
    if (TightSearch(packer, boxes, rules).run(limit, best)) return best;
    if (limit != kNoLimit) return nothingPlaced(boxes, largest);
    if (whole.placements.empty()) whole.placements = packOnArea(packer, boxes, largest);
    if (allPlaced(whole.placements)) whole.size = sizeByRules(rules, usedExtent(packer, boxes, whole.placements));
    return whole;
}

// The boxes' page by the rule. With several pages, a page that could not take them all keeps what it placed and is cut
// to the least size of its rule that holds it.
Attempt packPage(const Packer& packer, const std::vector<PackBox>& boxes, const PageRules& rules, int64_t limit) {
    Attempt attempt;
    switch (rules.rule) {
        case AreaRule::Fixed:
            if (areaOf(rules.size) >= limit) return nothingPlaced(boxes, rules.size);
            return {rules.size, packOnArea(packer, boxes, rules.size), areaOf(rules.size)};
        case AreaRule::PowerOfTwo:
            attempt = packPowerOfTwo(packer, boxes, rules, limit);
            break;
        case AreaRule::Tight:
            attempt = packTight(packer, boxes, rules, limit);
            break;
    }
    if (!rules.severalPages || allPlaced(attempt.placements)) return attempt;
    const AreaSize used = usedExtent(packer, boxes, attempt.placements);
    if (rules.rule == AreaRule::Tight) {
        attempt.size = sizeByRules(rules, used);
    } else {
        for (const AreaSize& area : powerOfTwoAreas(rules)) {
            if (area.width >= used.width && area.height >= used.height) {
                attempt.size = area;
                break;
            }
        }
    }
    attempt.judgedArea = areaOf(attempt.size);
    return attempt;
}

}  // namespace

std::vector<AreaSize> powerOfTwoAreas(const PageRules& rules) {
    const AreaSize largest = rules.size;
    const auto keeps = [&](AreaSize a) {
        return (!rules.square || a.width == a.height) && a.width % rules.multipleOf == 0 &&
               a.height % rules.multipleOf == 0;
    };
    std::vector<AreaSize> areas;
    for (int32_t side = 1; side <= largest.width && side <= largest.height; side *= 2) {
        if (keeps({side, side})) areas.push_back({side, side});
        if (int64_t{side} * 2 <= largest.width && keeps({side * 2, side})) areas.push_back({side * 2, side});
        if (side > largest.width / 2 || side > largest.height / 2) break;
    }
    return areas;
}

AreaSize largestPage(const PageRules& rules) {
    if (rules.rule == AreaRule::Fixed) return rules.size;
    if (rules.rule == AreaRule::PowerOfTwo) {
        const std::vector<AreaSize> areas = powerOfTwoAreas(rules);
        return areas.empty() ? AreaSize{} : areas.back();
    }
    const int32_t m = std::max(1, rules.multipleOf);
    AreaSize size = {rules.size.width / m * m, rules.size.height / m * m};
    if (rules.square) size.width = size.height = std::min(size.width, size.height);
    return size;
}

AreaSize sizeByRules(const PageRules& rules, AreaSize used) {
    const int64_t m = std::max(1, rules.multipleOf);
    int64_t w = (used.width + m - 1) / m * m, h = (used.height + m - 1) / m * m;
    if (rules.square) w = h = std::max(w, h);
    return {static_cast<int32_t>(w), static_cast<int32_t>(h)};
}

int64_t PagePlan::totalArea() const {
    int64_t total = 0;
    for (const PlannedPage& page : pages) total += areaOf(page.size);
    return total;
}

int64_t PagePlan::judgedArea() const {
    int64_t total = 0;
    for (const PlannedPage& page : pages) total += page.judgedArea;
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
                limit = rival->judgedArea() - plan.judgedArea();
            }
        }
        std::vector<PackBox> some;
        some.reserve(remaining.size());
        for (int32_t i : remaining) some.push_back(boxes[static_cast<size_t>(i)]);
        Attempt attempt = packPage(packer, some, rules, limit);
        PlannedPage page{attempt.size, {}, {}, attempt.judgedArea};
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
    const auto maxRects = [&](MaxRectsRule rule, BoxOrder order) {
        Packer packer = base;
        packer.kind = Packer::Kind::MaxRects;
        packer.rule = rule;
        packer.order = order;
        packers.push_back(packer);
    };
    const BoxOrder orders[] = {BoxOrder::LongSide, BoxOrder::Area, BoxOrder::Perimeter, BoxOrder::ShortSide};
    maxRects(MaxRectsRule::BottomLeft, BoxOrder::ShortSide);
    maxRects(MaxRectsRule::Contact, BoxOrder::LongSide);
    Packer design = base;
    design.kind = Packer::Kind::Design;
    design.keepSpacing = true;  // every plan of `best` keeps the spacing between every two sprites
    packers.push_back(design);
    for (MaxRectsRule rule : {MaxRectsRule::Contact, MaxRectsRule::ShortSide, MaxRectsRule::LongSide,
                              MaxRectsRule::Area, MaxRectsRule::BottomLeft}) {
        for (BoxOrder order : orders) {
            const bool leader = (rule == MaxRectsRule::BottomLeft && order == BoxOrder::ShortSide) ||
                                (rule == MaxRectsRule::Contact && order == BoxOrder::LongSide);
            if (!leader) maxRects(rule, order);
        }
    }
    return packers;
}

PagePlan planBest(const std::vector<Packer>& packers,
                  const std::vector<PackBox>& boxes,
                  const PageRules& rules,
                  unsigned threads,
                  size_t& chosen) {
    const auto rank = [](const PagePlan& plan) {
        return std::make_tuple(plan.abandoned, plan.unplacedCount(), plan.pages.size(), plan.judgedArea());
    };
    // Each plan in its own place, so that the order threads finish in changes nothing; ties go to the first.
    std::vector<PagePlan> plans(packers.size());
    const size_t leaders = std::min(kBestLeaders, packers.size());
    // The leaders come first in the one queue of plans; every other plan, once a thread takes it, meets the best
    // leader finished by then (waiting for the first), so that no thread stands idle while a slow leader plans. A plan
    // met by a weaker leader gives up later, or not at all, yet never comes out other than planned alone, and it ranks
    // behind the better leader when it cannot beat it: the choice is the same whatever the leader met.
    std::mutex mutex;
    std::condition_variable leaderDone;
    size_t rival = SIZE_MAX;  // the best leader finished so far
    parallelFor(packers.size(), threads, [&](size_t i) {
        if (i < leaders) {
            PagePlan plan = planPages(packers[i], boxes, rules);
            const std::lock_guard<std::mutex> lock(mutex);
            plans[i] = std::move(plan);
            if (rival == SIZE_MAX || std::make_tuple(rank(plans[i]), i) < std::make_tuple(rank(plans[rival]), rival)) {
                rival = i;
            }
            leaderDone.notify_all();
            return;
        }
        // Reached only past the leaders, so at least one leader is coming.
        std::unique_lock<std::mutex> lock(mutex);
        leaderDone.wait(lock, [&] { return rival != SIZE_MAX; });
        const PagePlan* met = &plans[rival];
        lock.unlock();
        plans[i] = planPagesAgainst(packers[i], boxes, rules, met);
    });
    chosen = 0;
    for (size_t i = 1; i < plans.size(); ++i) chosen = rank(plans[i]) < rank(plans[chosen]) ? i : chosen;
    return std::move(plans[chosen]);
}
