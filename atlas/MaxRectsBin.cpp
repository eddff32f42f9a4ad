#include "atlas/MaxRectsBin.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstring>

namespace {

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

namespace {

// A place's two scores under a rule other than the contact rule, folded into one number that orders places as the
// pair does (score first, then tieScore): both are below 2^31 for areas of at most 16384 x 16384.
template <MaxRectsRule rule>
int64_t foldedScore(const Rect& f, int32_t w, int32_t h) {
    const int64_t leftoverX = f.width() - w, leftoverY = f.height() - h;
    const int64_t shortSide = std::min(leftoverX, leftoverY), longSide = std::max(leftoverX, leftoverY);
    switch (rule) {
        case MaxRectsRule::ShortSide:
            return shortSide << 32 | longSide;
        case MaxRectsRule::LongSide:
            return longSide << 32 | shortSide;
        case MaxRectsRule::Area:
            return (int64_t{f.width()} * f.height() - int64_t{w} * h) << 32 | shortSide;
        case MaxRectsRule::BottomLeft:
            return int64_t{f.top + h} << 32 | f.left;
        case MaxRectsRule::Contact:
            break;
    }
    return 0;
}

// The first free rectangle with the least folded score for the box upright, and for it turned: the whole choice of
// every rule but the contact rule, in one pass without branches on the rule.
template <MaxRectsRule rule>
void bestPlaces(const std::vector<Rect>& free,
                int32_t w,
                int32_t h,
                bool turn,
                int64_t& upright,
                size_t& uprightAt,
                int64_t& turned,
                size_t& turnedAt) {
    upright = turned = INT64_MAX;
    for (size_t i = 0; i < free.size(); ++i) {
        const Rect& f = free[i];
        const int32_t fw = f.width(), fh = f.height();
        if (fw >= w && fh >= h) {
            const int64_t score = foldedScore<rule>(f, w, h);
            if (score < upright) upright = score, uprightAt = i;
        }
        if (turn && fw >= h && fh >= w) {
            const int64_t score = foldedScore<rule>(f, h, w);
            if (score < turned) turned = score, turnedAt = i;
        }
    }
}

}  // namespace

bool MaxRectsBin::choose(int32_t width, int32_t height, bool mayTurn, Choice& choice) const {
    // One pass over the free list for both ways of the box; the upright one wins a tie, as if it were tried first.
    const bool turn = mayTurn && width != height;
    if (rule_ != MaxRectsRule::Contact) {
        int64_t upright = 0, turned = 0;
        size_t uprightAt = 0, turnedAt = 0;
        switch (rule_) {
            case MaxRectsRule::ShortSide:
                bestPlaces<MaxRectsRule::ShortSide>(free_, width, height, turn, upright, uprightAt, turned, turnedAt);
                break;
            case MaxRectsRule::LongSide:
                bestPlaces<MaxRectsRule::LongSide>(free_, width, height, turn, upright, uprightAt, turned, turnedAt);
                break;
            case MaxRectsRule::Area:
                bestPlaces<MaxRectsRule::Area>(free_, width, height, turn, upright, uprightAt, turned, turnedAt);
                break;
            default:
                bestPlaces<MaxRectsRule::BottomLeft>(free_, width, height, turn, upright, uprightAt, turned, turnedAt);
                break;
        }
        if (upright == INT64_MAX && turned == INT64_MAX) return false;
        const bool useTurned = turned < upright;
        const Rect& f = free_[useTurned ? turnedAt : uprightAt];
        const int32_t w = useTurned ? height : width, h = useTurned ? width : height;
        const int64_t folded = useTurned ? turned : upright;
        choice = {{f.left, f.top, f.left + w, f.top + h}, useTurned, folded >> 32, folded & 0xFFFFFFFF};
        return true;
    }
    // The contact rule: the place touching most wins, the first on a tie (the upright box before the turned one). A
    // place is scored only as far as it could still touch more than the best found before it; a turned place must
    // touch more than both the turned and the upright places found before it.
    int64_t most = -1, mostTurned = -1;  // -1: none found yet
    const Rect* at = nullptr;
    const Rect* atTurned = nullptr;
    for (const Rect& f : free_) {
        const int32_t fw = f.width(), fh = f.height();
        if (fw >= width && fh >= height) {
            const int64_t touch = contact(f, width, height, most);
            if (touch > most) most = touch, at = &f;
        }
        if (turn && fw >= height && fh >= width) {
            const int64_t touch = contact(f, height, width, std::max(most, mostTurned));
            if (touch > mostTurned) mostTurned = touch, atTurned = &f;
        }
    }
    if (at == nullptr && atTurned == nullptr) return false;
    const bool useTurned = atTurned != nullptr && (at == nullptr || mostTurned > most);
    const Rect& f = useTurned ? *atTurned : *at;
    const int32_t w = useTurned ? height : width, h = useTurned ? width : height;
    choice = {{f.left, f.top, f.left + w, f.top + h}, useTurned, -(useTurned ? mostTurned : most), 0};
    return true;
}

void MaxRectsBin::setLeastSide(int32_t least) {
    if (least <= least_) return;
    least_ = least;
    free_.erase(std::remove_if(free_.begin(), free_.end(), [&](const Rect& f) { return tooSmall(f); }), free_.end());
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

int64_t MaxRectsBin::contact(const Rect& f, int32_t w, int32_t h, int64_t beat) const {
    const int32_t left = f.left, top = f.top, right = f.left + w, bottom = f.top + h;
    int64_t length = 0;
    if (left == 0 || right == width_) length += h;
    if (top == 0 || bottom == height_) length += w;
    // Boxes whose right edge lies on the place's left edge, and so on round the place; each side touches at most its
    // length, so the count stops as soon as the sides left cannot lift it above `beat`. The place lies in the free
    // rectangle's top-left corner, so its right side touches nothing unless it ends where the free rectangle does
    // (else free pixels lie right of it), nor its bottom side.
    const bool rightOpen = right == f.right, bottomOpen = bottom == f.bottom;
    int64_t open = int64_t{w} + h + (rightOpen ? h : 0) + (bottomOpen ? w : 0);
    if (length + open <= beat) return -1;
    length += touching(rights_[static_cast<size_t>(left)], top, bottom);
    open -= h;
    if (length + open <= beat) return -1;
    length += touching(bottoms_[static_cast<size_t>(top)], left, right);
    open -= w;
    if (rightOpen) {
        if (length + open <= beat) return -1;
        length += touching(lefts_[static_cast<size_t>(right)], top, bottom);
        open -= h;
    }
    if (bottomOpen) {
        if (length + open <= beat) return -1;
        length += touching(tops_[static_cast<size_t>(bottom)], left, right);
    }
    return length;
}

void MaxRectsBin::occupy(const Rect& place) {
    assert(place.left >= 0 && place.top >= 0 && place.right <= width_ && place.bottom <= height_);
    // A part cut off beside the place spans the place's rows (or columns), so an untouched rectangle holding it must
    // end exactly on the place's edge that bounds the part: only those rectangles need comparing with the parts. Each
    // rectangle is first marked, cut (2) or edging (1), in a loop without branches the compiler runs on several at
    // once; the few marked ones are then picked out eight marks at a time.
    cut_.clear();
    edging_.clear();
    const size_t count = free_.size();
    marks_.resize(count + 8);
    const Rect* rects = free_.data();
    uint8_t* marks = marks_.data();
    for (size_t i = 0; i < count; ++i) {
        const Rect& f = rects[i];
        const int hit =
            (f.left < place.right) & (place.left < f.right) & (f.top < place.bottom) & (place.top < f.bottom);
        const int edge =
            (f.right == place.left) | (f.left == place.right) | (f.bottom == place.top) | (f.top == place.bottom);
        marks[i] = static_cast<uint8_t>(hit << 1 | edge);
    }
    std::memset(marks + count, 0, 8);
    for (size_t i = 0; i < count; i += 8) {
        uint64_t eight = 0;
        std::memcpy(&eight, marks + i, 8);
        for (size_t k = i; eight != 0 && k < i + 8; ++k) {
            if (marks[k] != 0) (marks[k] & 2 ? cut_ : edging_).push_back(k);
        }
    }
    parts_.clear();
    for (size_t i : cut_) {
        const Rect f = free_[i];
        const Rect cut[] = {{f.left, f.top, place.left, f.bottom},
                            {place.right, f.top, f.right, f.bottom},
                            {f.left, f.top, f.right, place.top},
                            {f.left, place.bottom, f.right, f.bottom}};
        for (const Rect& part : cut) {
            if (part.left < part.right && part.top < part.bottom && !tooSmall(part)) parts_.push_back(part);
        }
    }
    // The untouched rectangles close up in their order (the edging ones are read before they move).
    std::vector<Rect>& parts = parts_;
    const auto nestedInEdging = [&](const Rect& part) {
        return std::any_of(edging_.begin(), edging_.end(), [&](size_t j) { return inside(part, free_[j]); });
    };
    // A part inside another part (the earlier of two equal ones stays) or inside an untouched rectangle goes.
    kept_.clear();
    for (size_t i = 0; i < parts.size(); ++i) {
        bool nested = false;
        for (size_t j = 0; j < parts.size() && !nested; ++j) {
            nested = j != i && inside(parts[i], parts[j]) && (parts[i] != parts[j] || j < i);
        }
        if (!nested && !nestedInEdging(parts[i])) kept_.push_back(parts[i]);
    }
    size_t to = cut_.empty() ? free_.size() : cut_.front();
    for (size_t k = 0; k < cut_.size(); ++k) {
        const size_t from = cut_[k] + 1, end = k + 1 < cut_.size() ? cut_[k + 1] : free_.size();
        std::copy(free_.begin() + static_cast<std::ptrdiff_t>(from), free_.begin() + static_cast<std::ptrdiff_t>(end),
                  free_.begin() + static_cast<std::ptrdiff_t>(to));
        to += end - from;
    }
    free_.resize(to);
    free_.insert(free_.end(), kept_.begin(), kept_.end());
    if (rule_ != MaxRectsRule::Contact) return;
    addSpan(lefts_[static_cast<size_t>(place.left)], {place.top, place.bottom});
    addSpan(rights_[static_cast<size_t>(place.right)], {place.top, place.bottom});
    addSpan(tops_[static_cast<size_t>(place.top)], {place.left, place.right});
    addSpan(bottoms_[static_cast<size_t>(place.bottom)], {place.left, place.right});
}
