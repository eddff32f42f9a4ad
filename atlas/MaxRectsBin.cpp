#include "atlas/MaxRectsBin.h"

#include <algorithm>
#include <cassert>
#include <climits>

namespace {

bool intersects(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The length of the stretch two intervals share (0 when apart).
int64_t common(int32_t a0, int32_t a1, int32_t b0, int32_t b1) {
    return std::max<int64_t>(0, int64_t{std::min(a1, b1)} - std::max(a0, b0));
}

}  // namespace

MaxRectsBin::MaxRectsBin(int32_t width, int32_t height, MaxRectsRule rule)
    : width_(width), height_(height), rule_(rule), free_{Rect{0, 0, width, height}} {
    if (rule != MaxRectsRule::Contact) return;
    for (Lines* lines : {&lefts_, &rights_}) lines->resize(static_cast<size_t>(width) + 1);
    for (Lines* lines : {&tops_, &bottoms_}) lines->resize(static_cast<size_t>(height) + 1);
}

bool MaxRectsBin::choose(int32_t width, int32_t height, bool mayTurn, Choice& choice) const {
    // One pass over the free list for both ways of the box; the upright one wins a tie, as if it were tried first.
    const bool turn = mayTurn && width != height;
    Choice turned;
    bool found = false, foundTurned = false;
    for (const Rect& f : free_) {
        if (f.width() >= width && f.height() >= height) {
            consider(f, width, height, false, found ? choice.score : INT64_MAX, choice, found);
        }
        if (turn && f.width() >= height && f.height() >= width) {
            // A turned place matters only where it beats both the turned and the upright places found before it.
            const int64_t rival = std::min(foundTurned ? turned.score : INT64_MAX, found ? choice.score : INT64_MAX);
            consider(f, height, width, true, rival, turned, foundTurned);
        }
    }
    if (foundTurned && (!found || turned.score < choice.score ||
                        (turned.score == choice.score && turned.tieScore < choice.tieScore))) {
        choice = turned;
        found = true;
    }
    return found;
}

void MaxRectsBin::setLeastSide(int32_t least) {
    if (least <= least_) return;
    least_ = least;
    free_.erase(std::remove_if(free_.begin(), free_.end(), [&](const Rect& f) { return tooSmall(f); }), free_.end());
}

void MaxRectsBin::consider(const Rect& f, int32_t w, int32_t h, bool turned, int64_t rival, Choice& best, bool& found)
    const {
    const int64_t leftoverX = f.width() - w, leftoverY = f.height() - h;
    const int64_t shortSide = std::min(leftoverX, leftoverY), longSide = std::max(leftoverX, leftoverY);
    const Rect place{f.left, f.top, f.left + w, f.top + h};
    int64_t score = 0, tieScore = 0;
    switch (rule_) {
        case MaxRectsRule::ShortSide:
            score = shortSide, tieScore = longSide;
            break;
        case MaxRectsRule::LongSide:
            score = longSide, tieScore = shortSide;
            break;
        case MaxRectsRule::Area:
            score = int64_t{f.width()} * f.height() - int64_t{w} * h, tieScore = shortSide;
            break;
        case MaxRectsRule::BottomLeft:
            score = place.bottom, tieScore = place.left;
            break;
        case MaxRectsRule::Contact:
            // The contact rule has no second score, so a place that cannot touch more than the rival loses to it.
            score = -contact(place, rival == INT64_MAX ? -1 : -rival);
            if (score == 1) return;
            break;
    }
    if (!found || score < best.score || (score == best.score && tieScore < best.tieScore)) {
        best = {place, turned, score, tieScore};
        found = true;
    }
}

int64_t MaxRectsBin::touching(const std::vector<Span>& line, int32_t start, int32_t end) {
    // The first span ending after `start`: spans on a line are apart, so their ends rise with their starts.
    auto span = std::partition_point(line.begin(), line.end(), [&](const Span& s) { return s.end <= start; });
    int64_t length = 0;
    for (; span != line.end() && span->start < end; ++span) length += common(start, end, span->start, span->end);
    return length;
}

void MaxRectsBin::addSpan(std::vector<Span>& line, Span span) {
    line.insert(std::partition_point(line.begin(), line.end(), [&](const Span& s) { return s.start < span.start; }),
                span);
}

int64_t MaxRectsBin::contact(const Rect& r, int64_t beat) const {
    int64_t length = 0;
    const bool leftOrRightEdge = r.left == 0 || r.right == width_, topOrBottomEdge = r.top == 0 || r.bottom == height_;
    if (leftOrRightEdge) length += r.height();
    if (topOrBottomEdge) length += r.width();
    // Boxes whose right edge lies on the place's left edge, and so on round the place; each side touches at most its
    // length, so the count stops as soon as the sides left cannot lift it above `beat`.
    const struct {
        const Lines& lines;
        int32_t at, start, end;
    } sides[] = {{rights_, r.left, r.top, r.bottom},
                 {lefts_, r.right, r.top, r.bottom},
                 {bottoms_, r.top, r.left, r.right},
                 {tops_, r.bottom, r.left, r.right}};
    int64_t open = 2 * (int64_t{r.width()} + r.height());
    for (const auto& side : sides) {
        if (length + open <= beat) return -1;
        open -= side.end - side.start;
        length += touching(side.lines[static_cast<size_t>(side.at)], side.start, side.end);
    }
    return length;
}

void MaxRectsBin::occupy(const Rect& place) {
    assert(place.left >= 0 && place.top >= 0 && place.right <= width_ && place.bottom <= height_);
    // A part cut off beside the place spans the place's rows (or columns), so an untouched rectangle holding it must
    // end exactly on the place's edge that bounds the part: only those rectangles need comparing with the parts.
    std::vector<Rect> parts, edging;
    size_t kept = 0;
    for (const Rect& f : free_) {
        if (!intersects(f, place)) {
            if (f.right == place.left || f.left == place.right || f.bottom == place.top || f.top == place.bottom) {
                edging.push_back(f);
            }
            free_[kept++] = f;
            continue;
        }
        const Rect cut[] = {{f.left, f.top, place.left, f.bottom},
                            {place.right, f.top, f.right, f.bottom},
                            {f.left, f.top, f.right, place.top},
                            {f.left, place.bottom, f.right, f.bottom}};
        for (const Rect& part : cut) {
            if (part.left < part.right && part.top < part.bottom && !tooSmall(part)) parts.push_back(part);
        }
    }
    free_.resize(kept);
    // A part inside another part (the earlier of two equal ones stays) or inside an untouched rectangle goes.
    for (size_t i = 0; i < parts.size(); ++i) {
        bool nested = false;
        for (size_t j = 0; j < parts.size() && !nested; ++j) {
            nested = j != i && inside(parts[i], parts[j]) && (parts[i] != parts[j] || j < i);
        }
        for (size_t j = 0; j < edging.size() && !nested; ++j) nested = inside(parts[i], edging[j]);
        if (!nested) free_.push_back(parts[i]);
    }
    if (rule_ != MaxRectsRule::Contact) return;
    addSpan(lefts_[static_cast<size_t>(place.left)], {place.top, place.bottom});
    addSpan(rights_[static_cast<size_t>(place.right)], {place.top, place.bottom});
    addSpan(tops_[static_cast<size_t>(place.top)], {place.left, place.right});
    addSpan(bottoms_[static_cast<size_t>(place.bottom)], {place.left, place.right});
}
