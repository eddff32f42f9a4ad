#include "layout/AutoLayoutOracle.h"

#include <algorithm>
#include <utility>

std::vector<Point> computeAutoLayoutExhaustively(const std::vector<LayoutBox>& boxes,
                                                 int32_t spacing,
                                                 int32_t areaWidth,
                                                 int32_t areaHeight,
                                                 LayoutSortKey key) {
    const auto keyOf = [key](const LayoutBox& b) {
        return key == LayoutSortKey::LongestSide ? std::max<int64_t>(b.width, b.height) : int64_t{b.width} * b.height;
    };
    const size_t n = boxes.size();
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    for (size_t i = 0; i + 1 < n; ++i) {
        for (size_t j = n - 1; j > i; --j) {
            if (keyOf(boxes[order[i]]) < keyOf(boxes[order[j]])) std::swap(order[i], order[j]);
        }
    }

    struct Handled {
        int64_t left, top, right, bottom;
    };
    const int64_t s = spacing, areaW = areaWidth, areaH = areaHeight;
    std::vector<std::pair<int64_t, int64_t>> anchors = {{s, s}};
    std::vector<Handled> handled;
    std::vector<Point> positions(n);
    for (size_t index : order) {
        const int64_t w = boxes[index].width, h = boxes[index].height;
        bool found = false;
        int64_t bestX = areaW, bestY = areaH;  // parked unless a place is found
        for (const auto& forX : anchors) {
            for (const auto& forY : anchors) {
                const int64_t x = forX.first, y = forY.second;
                if (x < s || y < s || x + w > areaW - s || y + h > areaH - s) continue;
                bool collides = false;
                for (const Handled& o : handled) {
                    if (x < o.right && y < o.bottom && x + w >= o.left && y + h >= o.top) {
                        collides = true;
                        break;
                    }
                }
                if (collides) continue;
                const int64_t low = std::min(x, y), high = std::max(x, y);
                const int64_t bestLow = std::min(bestX, bestY), bestHigh = std::max(bestX, bestY);
                if (!found || low < bestLow || (low == bestLow && high < bestHigh)) {
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
