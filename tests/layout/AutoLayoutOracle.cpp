#include "layout/AutoLayoutOracle.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

struct Anchor {
    int64_t x;
    int64_t y;
};

struct Handled {
    int64_t left;
    int64_t top;
    int64_t right;
    int64_t bottom;
};

int64_t keyOf(const LayoutBox& box, LayoutSortKey key) {
    if (key == LayoutSortKey::LongestSide) {
        return std::max(box.width, box.height);
    }
    return int64_t{box.width} * box.height;
}

}  // namespace

std::vector<Point> computeAutoLayoutExhaustively(const std::vector<LayoutBox>& boxes,
                                                 int32_t spacing,
                                                 int32_t areaWidth,
                                                 int32_t areaHeight,
                                                 LayoutSortKey key) {
    const size_t n = boxes.size();
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) {
        order[i] = i;
    }
    for (size_t i = 0; i + 1 < n; ++i) {
        for (size_t j = n - 1; j > i; --j) {
            if (keyOf(boxes[order[i]], key) < keyOf(boxes[order[j]], key)) {
                std::swap(order[i], order[j]);
            }
        }
    }

    const int64_t s = spacing;
    const int64_t areaW = areaWidth;
    const int64_t areaH = areaHeight;
    std::vector<Anchor> anchors = {{s, s}};
    std::vector<Handled> handled;
    std::vector<Point> positions(n);
    for (size_t index : order) {
        const int64_t w = boxes[index].width;
        const int64_t h = boxes[index].height;
        bool found = false;
        int64_t bestX = 0;
        int64_t bestY = 0;
        for (const Anchor& forX : anchors) {
            for (const Anchor& forY : anchors) {
                const int64_t x = forX.x;
                const int64_t y = forY.y;
                if (x < s || y < s || x + w > areaW - s || y + h > areaH - s) {
                    continue;
                }
                bool collides = false;
                for (const Handled& o : handled) {
                    if (x < o.right && y < o.bottom && x + w >= o.left && y + h >= o.top) {
                        collides = true;
                        break;
                    }
                }
                if (collides) {
                    continue;
                }
                const int64_t low = std::min(x, y);
                const int64_t high = std::max(x, y);
                const int64_t bestLow = std::min(bestX, bestY);
                const int64_t bestHigh = std::max(bestX, bestY);
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
        } else {
            bestX = areaW;
            bestY = areaH;
        }
        handled.push_back({bestX, bestY, bestX + w, bestY + h});
        positions[index] = {static_cast<int32_t>(bestX), static_cast<int32_t>(bestY)};
    }
    return positions;
}
