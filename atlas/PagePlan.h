#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "atlas/Packer.h"

// How a page's size is chosen.
// - Fixed: the given size.
// - PowerOfTwo: the first of 1 x 1, 2 x 1, 2 x 2, 4 x 2, ... (a square, then one twice as wide, each side a power of
//   two within the largest size) that holds the boxes; areas that surely cannot hold them are skipped unlaid.
// - Tight: any width and height within the largest size: a few widths around the square root of the boxes' area, each
//   with the least height the packer holds them on, found by probing heights a little above what their area needs
//   (1/64 more, then twice that, ...) and then halving the gap between the last height too small and the first that
//   held them. Probes are judged by the area asked for, and the page is then cut to what its boxes use.
// Every page also keeps the size rules: square, and each side a multiple of `multipleOf`.
enum class AreaRule { Fixed, PowerOfTwo, Tight };

struct PageRules {
    AreaRule rule = AreaRule::Fixed;
    AreaSize size;              // the fixed size, or the largest a page may be
    bool severalPages = false;  // fill further pages with what does not fit, rather than leave it unplaced
    bool square = false;
    int32_t multipleOf = 1;
    // Off only for the tests' reference: every width of the tight search followed to its end, where the search
    // otherwise stops following a width as soon as nothing it could still find beats what it holds.
    bool cutSearch = true;
};

struct PlannedPage {
    AreaSize size;
    std::vector<int32_t> boxes;         // indices of the boxes on this page, ascending
    std::vector<Placement> placements;  // one per entry of `boxes`
    int64_t judgedArea = 0;             // the area plans are compared by: that of the size the rule tried
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
    int64_t judgedArea() const;
    int64_t unplacedCount() const;
};

// Told when a page has been packed (its number from 0).
using PageReport = std::function<void(size_t page)>;

PagePlan planPages(const Packer& packer,
                   const std::vector<PackBox>& boxes,
                   const PageRules& rules,
                   const PageReport& done = {});

// The same, given up (`abandoned`) as soon as it is plain that it cannot beat `rival` (when given, and when that placed
// every box): it would need more pages than the rival, or as many and no less judged area. Only the areas that could
// still beat it are tried, and nothing else changes: a plan that beats its rival is the very plan planPages makes.
PagePlan planPagesAgainst(const Packer& packer,
                          const std::vector<PackBox>& boxes,
                          const PageRules& rules,
                          const PagePlan* rival,
                          const PageReport& done = {});

// The packers `best` tries, in the order that breaks ties: first the leaders (kBestLeaders of them: the
// maximal-rectangles packer with the bottom-left rule taking the boxes by their shorter side, and with the contact rule
// by their longer side, which most often pack tightest, the first also fast), then the design's layout keeping the
// spacing between every two sprites, then the maximal-rectangles packer with every other rule and box order.
constexpr size_t kBestLeaders = 2;
std::vector<Packer> bestCandidates(const Packer& base);

// Plans with each packer and keeps the plan that leaves the fewest boxes unplaced, then has the fewest pages, then the
// least judged area, then comes first; `chosen` tells which packer made it. The first kBestLeaders packers plan alone,
// every other one against the best of them finished when it starts, so that it gives up as soon as it cannot beat
// it. The plans run on up to `threads` threads (0: one per core); a plan that does not give up is the plan its packer
// makes alone, and one that meets a weaker leader than the best ranks behind the best, so the result is that of every
// packer planned alone, whatever the number of threads.
PagePlan planBest(const std::vector<Packer>& packers,
                  const std::vector<PackBox>& boxes,
                  const PageRules& rules,
                  unsigned threads,
                  size_t& chosen);

// The sizes the PowerOfTwo rule tries, smallest first: 1 x 1, 2 x 1, 2 x 2, 4 x 2, ... within the size, only the
// squares when they must be square, and only sides that are multiples of `multipleOf`.
std::vector<AreaSize> powerOfTwoAreas(const PageRules& rules);

// The largest page the rules make: the fixed size, the largest power-of-two area within the size, or the size cut to
// the size rules (a square of its shorter side, each side down to a multiple); 0 x 0 when the rules leave none.
AreaSize largestPage(const PageRules& rules);

// The least size that holds `used` and keeps the size rules (each side up to a multiple, then a square of the longer).
AreaSize sizeByRules(const PageRules& rules, AreaSize used);
