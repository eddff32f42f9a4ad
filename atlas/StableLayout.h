#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "atlas/PagePlan.h"

// Where a box lay in the previous pack, as the build remembered it.
struct EarlierPlace {
    bool known = false;  // the box was in the previous pack
    int32_t page = 0;
    Placement placement;  // its top-left corner and turn then
    PackBox box;          // its size then, unturned
};

struct StableLayoutResult {
    PagePlan plan;
    bool complete = false;  // every box found a place
    size_t kept = 0;        // boxes left where they were
};

// A layout that starts from the previous pack's, so that an atlas changes no more than its sprites did.
//
// A box whose size is the one it was packed at keeps its page, its place and its turn (when it may still turn), unless
// that place lies off its page or on a box kept before it. Boxes removed since leave their places free. New boxes,
// grown ones and those that lost their place go, largest first (the packer's box order), into the free space of the
// pages: each to the place of the least growth of its page's area (none where the page is fixed, or the place lies
// within what the page already covers), then on the earliest page, then where the packer's maximal-rectangles rule
// scores best, keeping the spacing and the extrusion's margin from every other sprite and from the page's edges as the
// packer does. Pages of the power-of-two and tight rules grow up to the largest size to take them, and shrink to what
// their boxes use; a page whose size the rules no longer allow is left out with every page after it, its boxes then
// new. What fits on no page goes onto further pages packed afresh when the rules allow several pages; otherwise the
// layout is incomplete.
//
// The caller packs afresh as well and keeps this layout only where keepsWithinSlack says so; earlier places belong to
// the same packing options (spacing, extrusion, turning), which the caller checks.
class StableLayout {
public:
    StableLayout(const Packer& packer, const PageRules& rules) : packer_(packer), rules_(rules) {}

    // `earlier` has one entry per box; `earlierPages` the previous pages' sizes.
    StableLayoutResult plan(const std::vector<PackBox>& boxes,
                            const std::vector<EarlierPlace>& earlier,
                            const std::vector<AreaSize>& earlierPages) const;

    // True when the stable layout is to be kept over a fresh pack: it placed every box, and its pages' total area
    // exceeds the fresh pack's by no more than slackPercent (or the fresh pack left boxes out).
    static bool keepsWithinSlack(const StableLayoutResult& stable, const PagePlan& fresh, int32_t slackPercent);

private:
    Packer packer_;
    PageRules rules_;
};
