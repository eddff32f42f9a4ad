#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Rect.h"

// How a maximal-rectangles packer picks among the free places that hold a box (each with the box at the free
// rectangle's top-left corner); smaller scores win, the first in the free list on a tie:
// - ShortSide: the least of the two leftovers (free width - box width, free height - box height), then the greater;
// - LongSide: the greater leftover, then the least;
// - Area: the free rectangle's area less the box's, then the least leftover;
// - BottomLeft: the box's bottom edge, then its left edge (the lowest, then leftmost place, y growing downwards);
// - Contact: the most of the box's perimeter touching the area's edges or boxes placed before.
enum class MaxRectsRule { ShortSide, LongSide, Area, BottomLeft, Contact };

// The free space of an area as the list of every maximal free rectangle (each as large as it can be, free rectangles
// overlapping freely). Placing a box splits every free rectangle it cuts into the up to four parts around it; a new
// part that lies inside another free rectangle is dropped. An old rectangle never lies inside a new one (the new one
// lies inside the old rectangle it was cut from, and the list held no nested pair before), so only the new parts are
// compared, with each other and with the rest: the list stays free of nested pairs at a cost linear in its length.
class MaxRectsBin {
public:
    MaxRectsBin(int32_t width, int32_t height, MaxRectsRule rule);

    struct Choice {
        Rect place;
        bool turned = false;
        int64_t score = 0;
        int64_t tieScore = 0;
    };
    // The best place for a width x height box under the rule, also turned a quarter (height x width) when mayTurn;
    // the unturned box wins a tie. False when no free rectangle holds it.
    bool choose(int32_t width, int32_t height, bool mayTurn, Choice& choice) const;
    // Takes a place returned by choose() out of the free space.
    void occupy(const Rect& place);
    // Forgets, from now on, every free rectangle with a side shorter than `least`: the caller knows that no box still
    // to come is that small, so no choice changes, and the lists to scan grow shorter. Only ever raised.
    void setLeastSide(int32_t least);

    const std::vector<Rect>& freeRectangles() const { return free_; }

private:
    bool tooSmall(const Rect& r) const { return r.width() < least_ || r.height() < least_; }
    // The contact of a width x height place in the free rectangle's top-left corner, or -1 as soon as it plainly
    // cannot exceed `beat`.
    int64_t contact(const Rect& free, int32_t width, int32_t height, int64_t beat) const;

    int32_t width_;
    int32_t height_;
    MaxRectsRule rule_;
    std::vector<Rect> free_;  // kept in the order made: untouched rectangles stay in place, new parts go last
    int32_t least_ = 0;
    // The placed boxes' edges, for the contact rule alone: for every line x (or y) of the area, the spans of the boxes
    // whose left, right, top or bottom edge lies on it, sorted by their start. Boxes never overlap, so the spans on
    // one line never do either, and a place's contact along one of its sides is found by a binary search.
    struct Span {
        int32_t start, end;
    };
    using Lines = std::vector<std::vector<Span>>;
    static int64_t touching(const std::vector<Span>& line, int32_t start, int32_t end);
    static void addSpan(std::vector<Span>& line, Span span);
    Lines lefts_, rights_, tops_, bottoms_;
    // Scratch lists of occupy(), kept so that placing a box allocates nothing once they have grown.
    std::vector<size_t> cut_, edging_;
    std::vector<uint8_t> marks_;  // each free rectangle's mark in occupy(), and eight zeros after
    std::vector<Rect> parts_, kept_;
};
