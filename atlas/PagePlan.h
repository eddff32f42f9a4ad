#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "atlas/Packer.h"

// How a page's size is chosen.
// - Fixed: the given size.
// - PowerOfTwo: the first of 1 x 1, 2 x 1, 2 x 2, 4 x 2, ... (a square, then one twice as wide, each side a power of
//   two within the largest size) that holds the boxes; areas that surely cannot hold them are skipped unlaid.
// - Tight: any width and height within the largest size: the least area the packer finds holding the boxes.
enum class AreaRule { Fixed, PowerOfTwo, Tight };

struct PageRules {
    AreaRule rule = AreaRule::Fixed;
    AreaSize size;              // the fixed size, or the largest a page may be
    bool severalPages = false;  // fill further pages with what does not fit, rather than leave it unplaced
};

struct PlannedPage {
    AreaSize size;
    std::vector<int32_t> boxes;         // indices of the boxes on this page, ascending
    std::vector<Placement> placements;  // one per entry of `boxes`
};

// The pages of one pack. On one page (severalPages off) every box is on page 0, placed or not, and when the rule finds
// no area holding them all the page has the fixed or the largest size. With several pages, every page holds the boxes
// it placed: the pages but the last are filled on the largest size and then cut to the least size of the rule that
// holds what they got; a box that fits on no page by itself is left out and listed in `neverFit`.
struct PagePlan {
    std::vector<PlannedPage> pages;
    std::vector<int32_t> neverFit;
    bool abandoned = false;  // given up against a better rival (planPagesAgainst)

    int64_t totalArea() const;
    int64_t unplacedCount() const;
};

// Told when a page has been packed (its number from 0).
using PageReport = std::function<void(size_t page)>;

PagePlan planPages(const Packer& packer,
                   const std::vector<PackBox>& boxes,
                   const PageRules& rules,
                   const PageReport& done = {});

// The same, given up (`abandoned`) as soon as it is plain that it cannot beat `rival` (when given, and when that placed
// every box): it would need more pages than the rival, or as many and no less total area. Only the areas that could
// still beat it are tried.
PagePlan planPagesAgainst(const Packer& packer,
                          const std::vector<PackBox>& boxes,
                          const PageRules& rules,
                          const PagePlan* rival,
                          const PageReport& done = {});

// The packers `best` tries, in the order that breaks ties: the design's layout keeping the spacing between every two
// sprites, then the maximal-rectangles packer with every rule and box order.
std::vector<Packer> bestCandidates(const Packer& base);

// Plans with each packer and keeps the plan that leaves the fewest boxes unplaced, then has the fewest pages, then the
// least total area, then comes first; `chosen` tells which packer made it. Each packer after the first plans against
// the best so far, so that it gives up early where it cannot beat it.
PagePlan planBest(const std::vector<Packer>& packers,
                  const std::vector<PackBox>& boxes,
                  const PageRules& rules,
                  size_t& chosen);

// The sizes the PowerOfTwo rule tries, smallest first.
std::vector<AreaSize> powerOfTwoAreas(AreaSize largest);

// The largest page the rules make: the fixed size, the largest power-of-two area within the size, or the size.
AreaSize largestPage(const PageRules& rules);
