#include "layout/AutoLayoutOracle.h"

#include <algorithm>
#include <array>
#include <numeric>

std::vector<Point> computeAutoLayoutExhaustively(const std::vector<LayoutBox>& boxes,
                                                 int32_t spacing,
                                                 int32_t areaWidth,
                                                 int32_t areaHeight,
                                                 LayoutSortKey key) {
    const auto keyOf = [&](size_t i) {
        const int64_t w = boxes[i].width, h = boxes[i].height;
        return key == LayoutSortKey::LongestSide ? std::max(w, h) : w * h;
    };
    const size_t n = boxes.size();
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    for (size_t i = 0; i + 1 < n; ++i) {
        for (size_t j = n - 1; j > i; --j) {
            if (keyOf(order[i]) < keyOf(order[j])) std::swap(order[i], order[j]);
        }
    }
    const int64_t s = spacing;
    const auto rank = [](int64_t a, int64_t b) { return std::pair{std::min(a, b), std::max(a, b)}; };
    std::vector<std::array<int64_t, 2>> anchors = {{s, s}};
    std::vector<std::array<int64_t, 4>> handled;  // left, top, right, bottom
    std::vector<Point> positions(n);
    for (size_t index : order) {
        const int64_t w = boxes[index].width, h = boxes[index].height;
        bool found = false;
        int64_t bestX = areaWidth, bestY = areaHeight;  // parked unless a place is found
        for (const auto& forX : anchors) {
            for (const auto& forY : anchors) {
                const int64_t x = forX[0], y = forY[1];
                if (x < s || y < s || x + w > areaWidth - s || y + h > areaHeight - s) continue;
                if (found && rank(x, y) >= rank(bestX, bestY)) continue;  // no better than the best place so far
                if (std::none_of(handled.begin(), handled.end(), [&](const std::array<int64_t, 4>& o) {
                        return x < o[2] && y < o[3] && x + w >= o[0] && y + h >= o[1];
                    })) {
                    found = true;
                    bestX = x;
                    bestY = y;
                }
            }
        }
        if (found) {
            anchors.push_back({bestX + w + s, bestY});
            anchors.push_back({bestX, bestY + h + s});
        }
        handled.push_back({bestX, bestY, bestX + w, bestY + h});
        positions[index] = {static_cast<int32_t>(bestX), static_cast<int32_t>(bestY)};
    }
    return positions;
}
