#include "layout/AutoLayout.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <numeric>
#include <optional>
#include <utility>

// How the placement avoids trying every pair of anchors against every earlier box.
//
// Only distinct anchor values matter: the x values ("columns") and the y values ("rows"). The best candidate has the
// smallest min(x, y) = v, so the values are visited in increasing order; at v the best candidates are the topmost free
// place in column v at or below v and the leftmost free place in row v at or right of v. The first v that has one
// decides, and between the column's and the row's candidate the smaller max(x, y) wins; if those tie as well, the
// candidate whose x value appeared first among the anchors wins, because the exhaustive search meets it first.
//
// A column is scanned by jumping: a box at (x, y) that collides with obstacle O collides for every y up to O's bottom
// edge, so the scan continues at the first row value at or past the largest bottom among the hits. Rows work the same
// way with the roles of x and y exchanged; every structure below exists once per direction and is written in terms of
// "across" (the fixed coordinate of a line) and "along" (the coordinate that moves along it).
//
// Each line also keeps the ranges where even the smallest box of the whole collection would be free. Obstacles only
// ever accumulate and a place that blocks a small box blocks every larger one, so these ranges only shrink: each new
// obstacle cuts them, a line with nothing left is dropped for good, and scans only look inside them. Without this the
// filled top-left part of the area is scanned again for every box.

namespace {

using Coord = int64_t;

constexpr Coord kFree = std::numeric_limits<Coord>::min();

// A closed range of integers.
struct Span {
    Coord first;
    Coord last;
};

// A placed or parked box as one direction sees it: columns see (x, y), rows see (y, x).
struct Obstacle {
    Coord acrossStart;
    Coord alongStart;
    Coord acrossEnd;
    Coord alongEnd;
};

// The layout's collision test; it reads the same with x and y exchanged, so both directions share it.
bool collides(const Obstacle& o, Coord across, Coord along, Coord acrossSize, Coord alongSize) {
    return across < o.acrossEnd && along < o.alongEnd && across + acrossSize >= o.acrossStart &&
           along + alongSize >= o.alongStart;
}

// Obstacles bucketed by a uniform grid. Coordinates outside the grid fall into its border cells, so obstacles and
// queries of any size and sign are found; a query returns a superset that the exact test filters.
class ObstacleGrid {
public:
    ObstacleGrid(Coord acrossExtent, Coord alongExtent, Coord cellSize)
        : cellSize_(cellSize),
          acrossCells_(acrossExtent / cellSize + 1),
          alongCells_(alongExtent / cellSize + 1),
          cells_(static_cast<size_t>(acrossCells_ * alongCells_)) {}

    void add(const Obstacle& o) {
        const auto id = static_cast<uint32_t>(obstacles_.size());
        obstacles_.push_back(o);
        const Span across = cellRange(o.acrossStart, o.acrossEnd, acrossCells_);
        const Span along = cellRange(o.alongStart, o.alongEnd, alongCells_);
        for (Coord a = across.first; a <= across.last; ++a) {
            for (Coord b = along.first; b <= along.last; ++b) {
                cells_[static_cast<size_t>(a * alongCells_ + b)].push_back(id);
            }
        }
    }

    // The largest along end among the obstacles that a box at (across, along) collides with, kFree if none.
    Coord blockedUntil(Coord across, Coord along, Coord acrossSize, Coord alongSize) const {
        Coord until = kFree;
        const Span acrossCells = cellRange(across, across + acrossSize, acrossCells_);
        const Span alongCells = cellRange(along, along + alongSize, alongCells_);
        for (Coord a = acrossCells.first; a <= acrossCells.last; ++a) {
            for (Coord b = alongCells.first; b <= alongCells.last; ++b) {
                for (uint32_t id : cells_[static_cast<size_t>(a * alongCells_ + b)]) {
                    const Obstacle& o = obstacles_[id];
                    if (o.alongEnd > until && collides(o, across, along, acrossSize, alongSize)) {
                        until = o.alongEnd;
                    }
                }
            }
        }
        return until;
    }

    // Calls f (possibly more than once) for every obstacle that a box of size acrossSize on the line `across` might
    // collide with, wherever along the line it stands.
    template <class F>
    void forEachNearLine(Coord across, Coord acrossSize, F f) const {
        const Span acrossCells = cellRange(across, across + acrossSize, acrossCells_);
        for (Coord a = acrossCells.first; a <= acrossCells.last; ++a) {
            for (Coord b = 0; b < alongCells_; ++b) {
                for (uint32_t id : cells_[static_cast<size_t>(a * alongCells_ + b)]) {
                    f(obstacles_[id]);
                }
            }
        }
    }

private:
    // The cells covering the closed range between two coordinates, in either order. Any box that collides with an
    // obstacle shares at least one integer of this closed range with it in each direction, so they share a cell.
    Span cellRange(Coord from, Coord to, Coord count) const {
        return {cellOf(std::min(from, to), count), cellOf(std::max(from, to), count)};
    }
    Coord cellOf(Coord v, Coord count) const { return v <= 0 ? 0 : std::min(v / cellSize_, count - 1); }

    Coord cellSize_;
    Coord acrossCells_;
    Coord alongCells_;
    std::vector<std::vector<uint32_t>> cells_;
    std::vector<Obstacle> obstacles_;
};

// Removes the integers of `cut` from the sorted, disjoint spans; false if there were none to remove.
bool cutSpans(std::vector<Span>& spans, Span cut) {
    auto first = std::partition_point(spans.begin(), spans.end(), [&](const Span& s) { return s.last < cut.first; });
    auto stop = first;
    while (stop != spans.end() && stop->first <= cut.last) {
        ++stop;
    }
    if (first == stop) {
        return false;
    }
    Span pieces[2];
    size_t count = 0;
    if (first->first < cut.first) {
        pieces[count++] = {first->first, cut.first - 1};
    }
    if ((stop - 1)->last > cut.last) {
        pieces[count++] = {cut.last + 1, (stop - 1)->last};
    }
    const auto at = spans.erase(first, stop);
    spans.insert(at, pieces, pieces + count);
    return true;
}

// A line that could still take a box: the along ranges at or past the line's own value where the smallest box of the
// collection would be inside the area and free, and the length of the longest one.
struct Line {
    std::vector<Span> free;
    Coord longest = 0;

    void measure() {
        longest = 0;
        for (const Span& span : free) {
            longest = std::max(longest, span.last - span.first);
        }
    }
};

// The longest free range of every line by its across value, to find the next line that could hold a box without
// walking the many lines whose ranges only a smaller box still fits (on a large area most of them, for every box).
// A tree of maxima over the across values a line can have; over a range too wide to index (a large negative spacing)
// it stays empty and the lines are walked one by one.
class LongestIndex {
public:
    LongestIndex(Coord first, Coord last) : first_(first) {
        if (last < first || last - first >= kMaxValues) return;
        while (size_ <= last - first) size_ *= 2;
        longest_.assign(static_cast<size_t>(2 * size_), kNone);
    }

    bool indexed() const { return !longest_.empty(); }
    Coord first() const { return first_; }

    // Sets the line at `across` to `longest`, or kNone when it has no line.
    void set(Coord across, Coord longest) {
        if (!indexed() || across < first_ || across - first_ >= size_) return;
        auto node = static_cast<size_t>(size_ + across - first_);
        longest_[node] = longest;
        for (node /= 2; node >= 1; node /= 2) longest_[node] = std::max(longest_[2 * node], longest_[2 * node + 1]);
    }

    // The least across value at or past `from` whose line's longest range is at least `least`; kNone if none.
    Coord firstAtLeast(Coord from, Coord least) const {
        least = std::max(least, kNone + 1);
        if (from < first_) from = first_;
        if (from - first_ >= size_) return kNone;
        auto node = static_cast<size_t>(size_ + from - first_);
        if (longest_[node] >= least) return from;
        // Up until a right sibling holds one, then down to the leftmost leaf that does.
        for (;;) {
            if (node == 1) return kNone;
            if (node % 2 == 0 && longest_[node + 1] >= least) {
                ++node;
                break;
            }
            node /= 2;
        }
        while (node < static_cast<size_t>(size_)) node = longest_[2 * node] >= least ? 2 * node : 2 * node + 1;
        return first_ + static_cast<Coord>(node) - size_;
    }

    static constexpr Coord kNone = std::numeric_limits<Coord>::min();

private:
    static constexpr Coord kMaxValues = Coord{1} << 16;
    Coord first_;
    Coord size_ = 1;
    std::vector<Coord> longest_;
};

// Everything kept for one scan direction. For columns: across is x, along is y, the limits are W and H.
struct Direction {
    Coord acrossLimit = 0;
    Coord alongLimit = 0;
    // The smallest box size in the collection, as this direction sees it.
    Coord minAcross = 0;
    Coord minAlong = 0;
    ObstacleGrid grid;
    // The distinct anchor values of this direction's coordinate, sorted, with the anchor index of each one's first
    // appearance (only the columns' is ever consulted: it breaks full ties).
    std::vector<Coord> values;
    std::vector<size_t> firstSeen;
    // The lines by across value. A line without free ranges can never take a box again and is dropped.
    std::map<Coord, Line> lines;
    // Every line's longest free range, over the across values a line can have: from s to the limit less s and the
    // smallest box.
    LongestIndex longest;

    Direction(Coord acrossLimit, Coord alongLimit, Coord minAcross, Coord minAlong, Coord cellSize, Coord spacing)
        : acrossLimit(acrossLimit),
          alongLimit(alongLimit),
          minAcross(minAcross),
          minAlong(minAlong),
          grid(acrossLimit, alongLimit, cellSize),
          longest(spacing, acrossLimit - spacing - minAcross) {
        if (longest.indexed()) lineAt.resize(static_cast<size_t>(acrossLimit - 2 * spacing - minAcross + 1));
    }

    void addLine(Coord across, Line line) {
        longest.set(across, line.longest);
        const auto at = lines.emplace(across, std::move(line)).first;
        if (!lineAt.empty()) lineAt[static_cast<size_t>(across - firstAcross())] = at;
    }

    // Tells the index that the line's ranges changed; drops it when none is left. Returns the line after it.
    std::map<Coord, Line>::iterator remeasure(std::map<Coord, Line>::iterator line) {
        line->second.measure();
        if (!line->second.free.empty()) {
            longest.set(line->first, line->second.longest);
            return std::next(line);
        }
        longest.set(line->first, LongestIndex::kNone);
        return lines.erase(line);
    }

    // The first line at or past `from` whose longest free range is at least `least`: the lines before it cannot hold a
    // box that needs that much.
    std::map<Coord, Line>::const_iterator nextLine(Coord from, Coord least) const {
        if (!longest.indexed()) {
            auto line = lines.lower_bound(from);
            while (line != lines.end() && line->second.longest < least) ++line;
            return line;
        }
        const Coord across = longest.firstAtLeast(from, least);
        return across == LongestIndex::kNone ? lines.end() : lineAt[static_cast<size_t>(across - firstAcross())];
    }

    // The least across value a line can have: the spacing.
    Coord firstAcross() const { return longest.first(); }
    // Each line's place in `lines` by its across value less firstAcross(), when the index is kept; lines.end() (or a
    // stale place) where there is no line, which the index never points to.
    std::vector<std::map<Coord, Line>::const_iterator> lineAt;
};

class Placer {
public:
    Placer(const std::vector<LayoutBox>& boxes, Coord spacing, Coord areaWidth, Coord areaHeight)
        : s_(spacing),
          areaWidth_(areaWidth),
          areaHeight_(areaHeight),
          columns_(makeDirection(boxes, spacing, areaWidth, areaHeight, false)),
          rows_(makeDirection(boxes, spacing, areaHeight, areaWidth, true)) {
        addValue(columns_, s_, 0);
        addValue(rows_, s_, 0);
        anchorCount_ = 1;
    }

    // The box's place, or nothing when it is parked.
    std::optional<Point> place(Coord w, Coord h) {
        // Past this value neither a column nor a row can hold the box inside the area.
        const Coord lastValue = std::min(areaWidth_ - s_ - w, areaHeight_ - s_ - h);
        // Lines whose longest range is shorter than these cannot hold the box (see firstFree).
        const Coord columnNeeds = h - columns_.minAlong, rowNeeds = w - rows_.minAlong;
        const Coord start = std::numeric_limits<Coord>::min();
        auto column = columns_.nextLine(start, columnNeeds);
        auto row = rows_.nextLine(start, rowNeeds);
        while (column != columns_.lines.end() || row != rows_.lines.end()) {
            Coord v = std::numeric_limits<Coord>::max();
            if (column != columns_.lines.end()) {
                v = column->first;
            }
            if (row != rows_.lines.end()) {
                v = std::min(v, row->first);
            }
            if (v > lastValue) {
                break;
            }
            std::optional<Coord> down;
            std::optional<Coord> right;
            if (column != columns_.lines.end() && column->first == v) {
                down = firstFree(columns_, rows_.values, column->second, v, w, h);
                column = columns_.nextLine(v + 1, columnNeeds);
            }
            if (row != rows_.lines.end() && row->first == v) {
                right = firstFree(rows_, columns_.values, row->second, v, h, w);
                row = rows_.nextLine(v + 1, rowNeeds);
            }
            if (down && (!right || *down < *right ||
                         (*down == *right && (*down == v || firstSeen(columns_, v) < firstSeen(columns_, *right))))) {
                return commit(v, *down, w, h);
            }
            if (right) {
                return commit(*right, v, w, h);
            }
        }
        // No place: the box parks just outside the bottom-right corner, where it still takes part in the collision
        // test (with spacing <= 0 it can block places that reach the corner).
        addObstacle(areaWidth_, areaHeight_, w, h);
        return std::nullopt;
    }

private:
    static Direction makeDirection(const std::vector<LayoutBox>& boxes,
                                   Coord spacing,
                                   Coord acrossLimit,
                                   Coord alongLimit,
                                   bool transposed) {
        Coord minAcross = std::numeric_limits<Coord>::max();
        Coord minAlong = std::numeric_limits<Coord>::max();
        Coord sideSum = 0;
        for (const LayoutBox& box : boxes) {
            minAcross = std::min<Coord>(minAcross, transposed ? box.height : box.width);
            minAlong = std::min<Coord>(minAlong, transposed ? box.width : box.height);
            sideSum += std::clamp<Coord>(std::max(box.width, box.height), 1, std::max(acrossLimit, alongLimit));
        }
        // Cells about the size of a typical box keep both the cells per query and the obstacles per cell small.
        const Coord typicalSide = boxes.empty() ? 1 : sideSum / static_cast<Coord>(boxes.size());
        Coord cellSize = 8;
        while (cellSize < typicalSide && cellSize < 1024) {
            cellSize *= 2;
        }
        const Coord maxCells = std::max<Coord>(4096, 4 * static_cast<Coord>(boxes.size()));
        while ((acrossLimit / cellSize + 1) * (alongLimit / cellSize + 1) > maxCells) {
            cellSize *= 2;
        }
        return Direction(acrossLimit, alongLimit, minAcross, minAlong, cellSize, spacing);
    }

    static size_t firstSeen(const Direction& d, Coord value) {
        const auto at = std::lower_bound(d.values.begin(), d.values.end(), value);
        return d.firstSeen[static_cast<size_t>(at - d.values.begin())];
    }

    // The smallest anchor value of the other direction at which a box of the given size is inside the area and free
    // on the line `across`, looking only where the line's free ranges allow.
    std::optional<Coord> firstFree(const Direction& d,
                                   const std::vector<Coord>& alongValues,
                                   const Line& line,
                                   Coord across,
                                   Coord acrossSize,
                                   Coord alongSize) const {
        // A free range ends where the smallest box would reach an obstacle's top (or the area's bottom); a longer box
        // reaches it that much earlier.
        const Coord shrink = alongSize - d.minAlong;
        if (line.longest < shrink || across < s_ || across > d.acrossLimit - s_ - acrossSize) {
            return std::nullopt;
        }
        const Coord lastAlong = d.alongLimit - s_ - alongSize;
        for (const Span& span : line.free) {
            if (span.first > lastAlong) {
                break;
            }
            const Coord last = span.last - shrink;
            if (last < span.first) {
                continue;
            }
            auto along = std::lower_bound(alongValues.begin(), alongValues.end(), span.first);
            while (along != alongValues.end() && *along <= last) {
                const Coord until = d.grid.blockedUntil(across, *along, acrossSize, alongSize);
                if (until == kFree) {
                    return *along;
                }
                along = std::lower_bound(along, alongValues.end(), until);
            }
        }
        return std::nullopt;
    }

    Point commit(Coord x, Coord y, Coord w, Coord h) {
        addObstacle(x, y, w, h);
        // The new anchors are (x + w + s, y) and (x, y + h + s); y and x are values already, so at most the new
        // anchors' other coordinates are new.
        addValue(columns_, x + w + s_, anchorCount_);
        addValue(rows_, y + h + s_, anchorCount_ + 1);
        anchorCount_ += 2;
        return {static_cast<int32_t>(x), static_cast<int32_t>(y)};
    }

    void addObstacle(Coord left, Coord top, Coord w, Coord h) {
        addObstacle(columns_, {left, top, left + w, top + h});
        addObstacle(rows_, {top, left, top + h, left + w});
    }

    static void addObstacle(Direction& d, const Obstacle& o) {
        d.grid.add(o);
        // The smallest box collides with o exactly on these lines, at these along values.
        const Span lines = {o.acrossStart - d.minAcross, o.acrossEnd - 1};
        const Span cut = {o.alongStart - d.minAlong, o.alongEnd - 1};
        if (lines.first > lines.last || cut.first > cut.last) {
            return;
        }
        for (auto line = d.lines.lower_bound(lines.first); line != d.lines.end() && line->first <= lines.last;) {
            line = cutSpans(line->second.free, cut) ? d.remeasure(line) : std::next(line);
        }
    }

    void addValue(Direction& d, Coord value, size_t anchorIndex) {
        const auto at = std::lower_bound(d.values.begin(), d.values.end(), value);
        if (at != d.values.end() && *at == value) {
            return;
        }
        d.firstSeen.insert(d.firstSeen.begin() + (at - d.values.begin()), anchorIndex);
        d.values.insert(at, value);
        Line line;
        line.free = freeSpansOf(d, value);
        if (!line.free.empty()) {
            line.measure();
            d.addLine(value, std::move(line));
        }
    }

    // Where on a new line the smallest box would be inside the area and free of the obstacles so far.
    std::vector<Span> freeSpansOf(const Direction& d, Coord across) const {
        const Coord first = std::max(across, s_);
        const Coord last = d.alongLimit - s_ - d.minAlong;
        if (across < s_ || across > d.acrossLimit - s_ - d.minAcross || first > last) {
            return {};
        }
        std::vector<Span> blocked;
        d.grid.forEachNearLine(across, d.minAcross, [&](const Obstacle& o) {
            if (across < o.acrossEnd && across + d.minAcross >= o.acrossStart &&
                o.alongStart - d.minAlong < o.alongEnd) {
                blocked.push_back({o.alongStart - d.minAlong, o.alongEnd - 1});
            }
        });
        std::sort(blocked.begin(), blocked.end(), [](const Span& a, const Span& b) { return a.first < b.first; });
        std::vector<Span> free;
        Coord next = first;
        for (const Span& b : blocked) {
            if (b.first > last) {
                break;
            }
            if (b.first > next) {
                free.push_back({next, b.first - 1});
            }
            next = std::max(next, b.last + 1);
        }
        if (next <= last) {
            free.push_back({next, last});
        }
        return free;
    }

    Coord s_;
    Coord areaWidth_;
    Coord areaHeight_;
    Direction columns_;
    Direction rows_;
    size_t anchorCount_ = 0;
};

Coord keyOf(const LayoutBox& box, LayoutSortKey key) {
    return key == LayoutSortKey::LongestSide ? std::max(box.width, box.height) : Coord{box.width} * box.height;
}

// The exchange sort declared with computeAutoLayout, step for step. Pass i carries the key at i from the back to the
// front and trades it for every larger key it meets: the keys it trades with are the records met walking from the
// back, each larger than the last. Only those trades change the order, so when few keys differ (sprite sides) each
// pass is followed from record to record, the next one found by a search down a tree of the largest key of each run
// of places, in about (n + trades) log n steps; there are at most as many records a pass as distinct keys. With
// many distinct keys the passes are walked as written.
class ExchangeSort {
public:
    explicit ExchangeSort(std::vector<Coord> keys) : keys_(std::move(keys)) {
        size_ = 1;
        while (size_ < keys_.size()) size_ *= 2;
        largest_.assign(2 * size_, std::numeric_limits<Coord>::min());
        for (size_t i = 0; i < keys_.size(); ++i) largest_[size_ + i] = keys_[i];
        for (size_t node = size_; node-- > 1;) largest_[node] = std::max(largest_[2 * node], largest_[2 * node + 1]);
    }

    std::vector<size_t> order() {
        const size_t n = keys_.size();
        std::vector<size_t> order(n);
        std::iota(order.begin(), order.end(), size_t{0});
        for (size_t i = 0; i + 1 < n; ++i) {
            Coord carried = keys_[i];
            size_t carriedIndex = order[i];
            for (size_t end = n;;) {
                const size_t j = lastAbove(i + 1, end, carried);
                if (j == kNone) break;
                std::swap(carried, keys_[j]);
                std::swap(carriedIndex, order[j]);
                set(j, keys_[j]);
                end = j;
            }
            keys_[i] = carried;
            order[i] = carriedIndex;
        }
        return order;
    }

private:
    static constexpr size_t kNone = SIZE_MAX;

    void set(size_t at, Coord key) {
        size_t node = size_ + at;
        largest_[node] = key;
        for (node /= 2; node >= 1; node /= 2) largest_[node] = std::max(largest_[2 * node], largest_[2 * node + 1]);
    }

    // The last place in [begin, end) whose key is larger than `key`, or kNone.
    size_t lastAbove(size_t begin, size_t end, Coord key) const { return lastAbove(1, 0, size_, begin, end, key); }
    size_t lastAbove(size_t node, size_t low, size_t high, size_t begin, size_t end, Coord key) const {
        if (high <= begin || end <= low || largest_[node] <= key) return kNone;
        if (high - low == 1) return low;
        const size_t middle = low + (high - low) / 2;
        const size_t right = lastAbove(2 * node + 1, middle, high, begin, end, key);
        return right != kNone ? right : lastAbove(2 * node, low, middle, begin, end, key);
    }

    std::vector<Coord> keys_;
    size_t size_ = 1;
    std::vector<Coord> largest_;  // a node's entry: the largest key below it
};

}  // namespace

std::vector<size_t> autoLayoutOrder(const std::vector<LayoutBox>& boxes, LayoutSortKey key) {
    const size_t n = boxes.size();
    std::vector<Coord> keys(n);
    for (size_t i = 0; i < n; ++i) {
        keys[i] = keyOf(boxes[i], key);
    }
    std::vector<Coord> distinct = keys;
    std::sort(distinct.begin(), distinct.end());
    const size_t kinds = static_cast<size_t>(std::unique(distinct.begin(), distinct.end()) - distinct.begin());
    size_t depth = 1;
    while ((size_t{1} << depth) < n) {
        ++depth;
    }
    // Following the records costs up to kinds x depth tree steps a pass against n steps of walking.
    if (kinds * depth * 8 <= n) {
        return ExchangeSort(std::move(keys)).order();
    }
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    for (size_t i = 0; i + 1 < n; ++i) {
        Coord keyAtI = keys[i];
        for (size_t j = n - 1; j > i; --j) {
            if (keyAtI < keys[j]) {
                std::swap(order[i], order[j]);
                std::swap(keyAtI, keys[j]);
            }
        }
        keys[i] = keyAtI;
    }
    return order;
}

std::vector<Point> computeAutoLayout(const std::vector<LayoutBox>& boxes,
                                     int32_t spacing,
                                     int32_t areaWidth,
                                     int32_t areaHeight,
                                     LayoutSortKey key,
                                     std::vector<bool>* parked,
                                     bool stopAtFirstParked) {
    std::vector<Point> positions(boxes.size());
    if (parked) parked->assign(boxes.size(), false);
    if (boxes.empty()) {
        return positions;
    }
    Placer placer(boxes, spacing, areaWidth, areaHeight);
    const std::vector<size_t> order = autoLayoutOrder(boxes, key);
    for (size_t k = 0; k < order.size(); ++k) {
        const size_t index = order[k];
        const std::optional<Point> place = placer.place(boxes[index].width, boxes[index].height);
        positions[index] = place.value_or(Point{areaWidth, areaHeight});
        if (parked && !place) (*parked)[index] = true;
        if (!place && stopAtFirstParked) {
            for (size_t rest = k + 1; rest < order.size(); ++rest) {
                positions[order[rest]] = {areaWidth, areaHeight};
                if (parked) (*parked)[order[rest]] = true;
            }
            break;
        }
    }
    return positions;
}

std::vector<Point> computeAutoLayoutWithMargin(const std::vector<LayoutBox>& boxes,
                                               int32_t spacing,
                                               int32_t margin,
                                               int32_t areaWidth,
                                               int32_t areaHeight,
                                               LayoutSortKey key,
                                               std::vector<bool>& parked,
                                               bool stopAtFirstParked) {
    assert(margin == 0 || (margin > 0 && spacing >= 2 * int64_t{margin}));
    std::vector<LayoutBox> grown;
    grown.reserve(boxes.size());
    for (const LayoutBox& box : boxes) grown.push_back({box.width + 2 * margin, box.height + 2 * margin});
    std::vector<Point> positions =
        computeAutoLayout(grown, spacing - 2 * margin, areaWidth, areaHeight, key, &parked, stopAtFirstParked);
    for (size_t i = 0; i < positions.size(); ++i) {
        if (!parked[i]) positions[i] = {positions[i].x + margin, positions[i].y + margin};
    }
    return positions;
}
