#include "image/AlphaBleed.h"

#include <algorithm>
#include <cassert>
#include <vector>

#include "base/Allocation.h"

namespace {

constexpr int32_t kNoPixel = -1;

// The region's pixels, addressed by region column and row (row 0 at the top).
class RegionPixels {
public:
    RegionPixels(uint8_t* atlas, int32_t areaWidth, int32_t areaHeight, const Rect& region)
        : atlas_(atlas), areaWidth_(areaWidth), areaHeight_(areaHeight), region_(region) {}

    int32_t width() const { return region_.width(); }
    int32_t height() const { return region_.height(); }
    uint8_t* at(int32_t x, int32_t y) const {
        const int64_t row = int64_t{areaHeight_} - 1 - (region_.top + y);
        return atlas_ + (row * areaWidth_ + region_.left + x) * 4;
    }
    bool visible(int32_t x, int32_t y) const { return at(x, y)[3] != 0; }

private:
    uint8_t* atlas_;
    int32_t areaWidth_, areaHeight_;
    Rect region_;
};

// For every pixel, the row of the nearest visible pixel in its own column (the upper one of two equally near), or
// kNoPixel: a pass down the columns and one back up, row by row. Rows are at most 16384 + 2 x 256, so they fit 16 bits.
void nearestInColumns(const RegionPixels& pixels, std::vector<int16_t>& nearest) {
    const int32_t w = pixels.width(), h = pixels.height();
    std::vector<int16_t>& above = nearest;  // first the nearest above or at the pixel, then the answer
    for (int32_t y = 0; y < h; ++y) {
        int16_t* row = above.data() + static_cast<size_t>(y) * w;
        const int16_t* previous = y > 0 ? row - w : nullptr;
        for (int32_t x = 0; x < w; ++x) {
            row[x] = pixels.visible(x, y) ? static_cast<int16_t>(y) : previous ? previous[x] : int16_t{kNoPixel};
        }
    }
    for (int32_t y = h - 2; y >= 0; --y) {
        int16_t* row = nearest.data() + static_cast<size_t>(y) * w;
        const int16_t* next = row + w;  // already the answer, so the nearest at or below when it lies below
        for (int32_t x = 0; x < w; ++x) {
            if (next[x] == kNoPixel || next[x] <= y) continue;
            if (row[x] == kNoPixel || next[x] - y < y - row[x]) row[x] = next[x];
        }
    }
}

// The candidate of one column for the pixels of one row: its column's nearest visible pixel (column, row) at vertical
// distance dy. A candidate beats another when it is nearer, or as near and first in reading order.
struct Candidate {
    int32_t column;
    int32_t row;
    int64_t dySquared;
};

bool firstInReadingOrder(const Candidate& a, const Candidate& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
}

int64_t squaredDistance(const Candidate& c, int32_t x) {
    const int64_t dx = int64_t{x} - c.column;
    return dx * dx + c.dySquared;
}

bool beatsAt(const Candidate& a, const Candidate& b, int32_t x) {
    const int64_t da = squaredDistance(a, x), db = squaredDistance(b, x);
    return da != db ? da < db : firstInReadingOrder(a, b);
}

// The last pixel column where `left` beats `right` (left.column < right.column): right gains 2 (right - left) on every
// step to the right, so they meet once. Asked only where left wins at its own first column, 0 or more, so the lead is
// never negative and the division rounds down.
int64_t lastColumnWon(const Candidate& left, const Candidate& right) {
    const int64_t l = left.column, r = right.column;
    const int64_t gain = 2 * (r - l), lead = r * r - l * l + right.dySquared - left.dySquared;
    assert(lead >= 0);
    const int64_t meet = lead / gain;
    const bool tieAtMeet = meet * gain == lead;
    return tieAtMeet && firstInReadingOrder(right, left) ? meet - 1 : meet;
}

// The winning candidate for every column of one row: the lower envelope of the candidates' distance parabolas, each
// candidate winning one run of columns.
class RowEnvelope {
public:
    bool reserve(int32_t width) {
        return tryResize(winners_, static_cast<size_t>(width)) && tryResize(starts_, static_cast<size_t>(width));
    }

    void build(const std::vector<Candidate>& candidates, int32_t width) {
        count_ = 0;
        for (const Candidate& c : candidates) {
            while (count_ > 0 && beatsAt(c, winners_[count_ - 1], starts_[count_ - 1])) --count_;
            if (count_ == 0) {
                winners_[0] = c, starts_[0] = 0, count_ = 1;
                continue;
            }
            const int64_t start = lastColumnWon(winners_[count_ - 1], c) + 1;
            if (start < width) winners_[count_] = c, starts_[count_] = static_cast<int32_t>(start), ++count_;
        }
    }

    bool empty() const { return count_ == 0; }
    // Columns are asked for from right to left.
    const Candidate& winner(int32_t x) {
        while (starts_[count_ - 1] > x) --count_;
        return winners_[count_ - 1];
    }

private:
    std::vector<Candidate> winners_;
    std::vector<int32_t> starts_;
    size_t count_ = 0;
};

// Marks the columns of one row that have a visible pixel within `reach` across and down: the columns within reach of
// one whose nearest visible pixel lies within reach up or down.
void markReached(const std::vector<Candidate>& candidates, int32_t reach, std::vector<char>& reached) {
    std::fill(reached.begin(), reached.end(), 0);
    const int64_t width = static_cast<int64_t>(reached.size()), r = reach;
    int64_t markedUpTo = 0;  // columns before this one are marked already
    for (const Candidate& c : candidates) {
        if (c.dySquared > r * r) continue;
        const int64_t from = std::max({int64_t{0}, c.column - r, markedUpTo});
        const int64_t to = std::min(width, c.column + r + 1);
        for (int64_t x = from; x < to; ++x) reached[static_cast<size_t>(x)] = 1;
        markedUpTo = std::max(markedUpTo, to);
    }
}

}  // namespace

bool bleedRegion(uint8_t* atlas, int32_t areaWidth, int32_t areaHeight, Rect region, int32_t reach) {
    region.left = std::max(region.left, 0), region.top = std::max(region.top, 0);
    region.right = std::min(region.right, areaWidth), region.bottom = std::min(region.bottom, areaHeight);
    if (region.width() <= 0 || region.height() <= 0 || reach <= 0) return true;
    const RegionPixels pixels(atlas, areaWidth, areaHeight, region);
    const int32_t w = pixels.width(), h = pixels.height();
    std::vector<int16_t> nearest;
    std::vector<Candidate> candidates;
    std::vector<char> reached;
    RowEnvelope envelope;
    if (!tryResize(nearest, static_cast<size_t>(w) * h) || !tryResize(candidates, static_cast<size_t>(w)) ||
        !tryResize(reached, static_cast<size_t>(w)) || !envelope.reserve(w)) {
        return false;
    }
    nearestInColumns(pixels, nearest);
    for (int32_t y = 0; y < h; ++y) {
        bool anyTransparent = false;
        for (int32_t x = 0; x < w && !anyTransparent; ++x) anyTransparent = !pixels.visible(x, y);
        if (!anyTransparent) continue;
        const int16_t* row = nearest.data() + static_cast<size_t>(y) * w;
        candidates.clear();
        for (int32_t x = 0; x < w; ++x) {
            if (row[x] == kNoPixel) continue;
            const int64_t dy = int64_t{row[x]} - y;
            candidates.push_back({x, row[x], dy * dy});
        }
        envelope.build(candidates, w);
        if (envelope.empty()) continue;
        markReached(candidates, reach == kBleedEverywhere ? w + h : reach, reached);
        for (int32_t x = w - 1; x >= 0; --x) {
            uint8_t* target = pixels.at(x, y);
            const Candidate& c = envelope.winner(x);
            if (target[3] != 0 || !reached[static_cast<size_t>(x)]) continue;
            const uint8_t* source = pixels.at(c.column, c.row);
            target[0] = source[0], target[1] = source[1], target[2] = source[2];
        }
    }
    return true;
}
