#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "layout/AutoLayout.h"
#include "layout/AutoLayoutOracle.h"

void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}

namespace {

constexpr int32_t kMinInt = INT32_MIN;
constexpr int32_t kMaxInt = INT32_MAX;
constexpr LayoutSortKey kLongest = LayoutSortKey::LongestSide;
constexpr LayoutSortKey kPixels = LayoutSortKey::PixelCount;

struct Case {
    const char* name;
    std::vector<LayoutBox> boxes;  // front to back
    int32_t spacing;
    int32_t width;
    int32_t height;
    LayoutSortKey key;
    std::vector<Point> expected;  // worked out by hand
};

// Each case is checked against both implementations: the hand-worked positions test the reference as much as the
// fast layout.
// clang-format off
const std::vector<Case> kCases = {
    {"worked example", {{128, 128}, {64, 64}, {64, 64}}, 1, 256, 256, kLongest, {{1, 1}, {1, 130}, {130, 1}}},
    {"empty collection", {}, 1, 256, 256, kLongest, {}},
    // 97 > 100 - 2 * 2 and 77 > 80 - 2 * 2 park; 96 just fits. The parked boxes leave (s, s) to the next box.
    {"too large boxes park",
     {{97, 10}, {96, 5}, {10, 77}, {20, 20}}, 2, 100, 80, kLongest, {{100, 80}, {2, 2}, {100, 80}, {2, 9}}},
    {"a parked first box leaves the corner to the next", {{9, 1}, {3, 3}}, 1, 10, 10, kLongest, {{10, 10}, {1, 1}}},
    // Without spacing boxes abut; the 25 x 1 box parks at (20, 20) and blocks the one place whose right and bottom
    // edges are exactly 20, so the last 10 x 10 box parks too. Without it, that box takes (10, 10).
    {"spacing zero: a parked box blocks the bottom-right corner",
     {{25, 1}, {10, 10}, {10, 10}, {10, 10}, {10, 10}}, 0, 20, 20,
     kLongest, {{20, 20}, {0, 0}, {0, 10}, {10, 0}, {20, 20}}},
    {"spacing zero: without the parked box the corner is free",
     {{10, 10}, {10, 10}, {10, 10}, {10, 10}}, 0, 20, 20, kLongest, {{0, 0}, {0, 10}, {10, 0}, {10, 10}}},
    {"spacing zero: a parked box does not block a box one pixel short of the corner",
     {{25, 1}, {10, 10}, {10, 10}, {10, 10}, {10, 9}}, 0, 20, 20,
     kLongest, {{20, 20}, {0, 0}, {0, 10}, {10, 0}, {10, 10}}},
    // The inner area is {-2, -2, 12, 12}: the first box sticks out by 2 on every side. Every anchor it leaves lies
    // inside it, so the next box finds no place rather than overlap it.
    {"negative spacing reaches beyond the area", {{14, 14}, {3, 3}}, -2, 10, 10, kLongest, {{-2, -2}, {10, 10}}},
    {"negative spacing, too large by one", {{15, 3}, {3, 3}}, -2, 10, 10, kLongest, {{10, 10}, {-2, -2}}},
    // The exchange procedure orders the keys 1, 10, 10, 10 as the fourth, second, third, first box; a stable sort
    // would keep the three 10s in collection order.
    {"equal keys keep the exchange order",
     {{1, 1}, {10, 3}, {10, 5}, {3, 10}}, 0, 20, 20, kLongest, {{13, 0}, {3, 0}, {0, 10}, {0, 0}}},
    {"longest side key", {{10, 1}, {4, 4}}, 0, 20, 20, kLongest, {{0, 0}, {0, 1}}},
    // 4 x 4 goes first by pixel count; then (0, 4) and (4, 0) tie, and x = 0 comes from the first anchor.
    {"pixel count key", {{10, 1}, {4, 4}}, 0, 20, 20, kPixels, {{0, 4}, {0, 0}}},
    // 65536 x 65537 pixels wrap to 65536 in 32 bits, which would put the 300 x 300 box first and on the area.
    {"pixel count does not wrap", {{300, 300}, {65536, 65537}}, 0, 300, 300, kPixels, {{300, 300}, {300, 300}}},
    {"extreme negative spacing",
     {{kMaxInt, kMaxInt}, {5, 5}}, kMinInt, 16, 16, kLongest, {{kMinInt, kMinInt}, {16, 16}}},
    {"extreme positive spacing", {{0, 0}, {1, 1}}, kMaxInt, 16384, 16384, kLongest, {{16384, 16384}, {16384, 16384}}},
    // A zero-sized box still collides with a box whose top-left corner it would stand on, but not with another
    // zero-sized box on the same spot.
    {"zero-sized boxes", {{0, 0}, {0, 0}, {2, 2}}, 1, 8, 8, kPixels, {{1, 4}, {1, 4}, {1, 1}}},
};
// clang-format on

TEST(AutoLayout, MatchesHandWorkedCases) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(computeAutoLayoutExhaustively(c.boxes, c.spacing, c.width, c.height, c.key), c.expected)
            << "reference";
        EXPECT_EQ(computeAutoLayout(c.boxes, c.spacing, c.width, c.height, c.key), c.expected) << "fast layout";
    }
}

// A small generator of our own, so that a seed means the same case in every build and on every platform.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high].
    int32_t between(int32_t low, int32_t high) {
        return static_cast<int32_t>(low +
                                    static_cast<int64_t>(next() % static_cast<uint64_t>(int64_t{high} - low + 1)));
    }
    bool oneIn(int32_t n) { return between(1, n) == 1; }

private:
    uint64_t state_;
};

struct RandomCase {
    std::vector<LayoutBox> boxes;
    int32_t spacing = 0;
    int32_t width = 0;
    int32_t height = 0;
    LayoutSortKey key = kLongest;
};

// Limits and near-limits of every input, for the rare case that looks for overflow.
const int32_t kExtremeSpacings[] = {kMinInt, kMinInt + 1, -1000000000, -1, 0, 1, 1000000000, kMaxInt};
const int32_t kExtremeSides[] = {kMinInt, -1000000000, -3, 0, 1, 7, 16384, 1000000000, kMaxInt - 1, kMaxInt};
const int32_t kExtremeAreas[] = {1, 2, 16, 16384};

template <size_t N>
int32_t pick(Random& random, const int32_t (&values)[N]) {
    return values[random.between(0, static_cast<int32_t>(N) - 1)];
}

RandomCase makeExtremeCase(Random& random) {
    RandomCase c;
    c.width = pick(random, kExtremeAreas);
    c.height = pick(random, kExtremeAreas);
    c.spacing = pick(random, kExtremeSpacings);
    c.key = random.oneIn(2) ? kLongest : kPixels;
    for (int32_t i = random.between(0, 12); i > 0; --i) {
        c.boxes.push_back({pick(random, kExtremeSides), pick(random, kExtremeSides)});
    }
    return c;
}

RandomCase makeRandomCase(uint64_t seed) {
    Random random(seed);
    if (random.oneIn(25)) {
        return makeExtremeCase(random);
    }
    RandomCase c;
    // Small areas make many boxes park; larger ones give room for long runs of placements.
    const int32_t largest = random.oneIn(3) ? 24 : 160;
    c.width = random.between(1, largest);
    c.height = random.oneIn(2) ? c.width : random.between(1, largest);
    c.spacing = random.between(-3, 5);
    c.key = random.oneIn(2) ? kLongest : kPixels;
    const int32_t count = random.between(0, 60);
    const int32_t sideLimit = std::max(1, std::max(c.width, c.height) / random.between(1, 6));
    // Sizes are plain integers to the layout; now and then a negative one must be handled like any other.
    const int32_t smallestSide = random.oneIn(20) ? -sideLimit : 0;
    // A few sizes used over and over give many equal keys, and equal keys with different shapes.
    std::vector<LayoutBox> palette;
    if (random.oneIn(2)) {
        for (int i = random.between(1, 4); i > 0; --i) {
            palette.push_back({random.between(smallestSide, sideLimit), random.between(smallestSide, sideLimit)});
        }
    }
    for (int32_t i = 0; i < count; ++i) {
        LayoutBox box;
        if (!palette.empty() && !random.oneIn(4)) {
            box = palette[static_cast<size_t>(random.between(0, static_cast<int32_t>(palette.size()) - 1))];
            if (random.oneIn(2)) {
                std::swap(box.width, box.height);
            }
        } else if (random.oneIn(12)) {
            box = {random.between(smallestSide, c.width + 8), random.between(smallestSide, c.height + 8)};
        } else {
            box = {random.between(smallestSide, sideLimit), random.between(smallestSide, sideLimit)};
        }
        c.boxes.push_back(box);
    }
    return c;
}

std::string describe(const RandomCase& c) {
    std::ostringstream out;
    out << "area " << c.width << "x" << c.height << ", spacing " << c.spacing << ", key "
        << (c.key == kLongest ? "longest side" : "pixel count") << ", boxes";
    for (const LayoutBox& box : c.boxes) {
        out << " " << box.width << "x" << box.height;
    }
    return out.str();
}

int caseCount() {
    const char* text = std::getenv("QUILTBOX_LAYOUT_CASES");
    const int fromEnvironment = text ? std::atoi(text) : 0;
    return fromEnvironment > 0 ? fromEnvironment : 8000;
}

// The plainest promises, checked without the reference: every placed box lies inside the inner area, and no two placed
// boxes share a pixel. Returns an empty text when they hold.
std::string brokenPromise(const RandomCase& c, const std::vector<Point>& positions) {
    const int64_t s = c.spacing;
    std::vector<size_t> placed;
    for (size_t i = 0; i < positions.size(); ++i) {
        const int64_t x = positions[i].x;
        const int64_t y = positions[i].y;
        const int64_t w = c.boxes[i].width;
        const int64_t h = c.boxes[i].height;
        if (x == c.width && y == c.height) {
            continue;  // parked
        }
        if (x < s || y < s || x + w > c.width - s || y + h > c.height - s) {
            return "box " + std::to_string(i) + " is outside the inner area";
        }
        for (size_t j : placed) {
            const int64_t ox = positions[j].x;
            const int64_t oy = positions[j].y;
            if (x < ox + c.boxes[j].width && ox < x + w && y < oy + c.boxes[j].height && oy < y + h) {
                return "boxes " + std::to_string(j) + " and " + std::to_string(i) + " overlap";
            }
        }
        placed.push_back(i);
    }
    return {};
}

bool hasNegativeSide(const RandomCase& c) {
    return std::any_of(c.boxes.begin(), c.boxes.end(), [](const LayoutBox& b) { return b.width < 0 || b.height < 0; });
}

// Every position of thousands of generated collections must equal the reference's. Set QUILTBOX_LAYOUT_CASES to run
// more; a failure names the seed and the whole case.
TEST(AutoLayout, MatchesTheExhaustiveSearchOnRandomCollections) {
    const int cases = caseCount();
    int failures = 0;
    for (int i = 0; i < cases && failures < 5; ++i) {
        const uint64_t seed = 0x51ED0000u + static_cast<uint64_t>(i);
        const RandomCase c = makeRandomCase(seed);
        const std::vector<Point> expected = computeAutoLayoutExhaustively(c.boxes, c.spacing, c.width, c.height, c.key);
        const std::vector<Point> actual = computeAutoLayout(c.boxes, c.spacing, c.width, c.height, c.key);
        if (actual != expected) {
            ++failures;
            ADD_FAILURE() << "seed " << std::hex << seed << std::dec << " (case " << i << "): " << describe(c)
                          << "\n  expected " << ::testing::PrintToString(expected) << "\n  actual   "
                          << ::testing::PrintToString(actual);
        }
        // Overlap means nothing for boxes of negative size.
        const std::string broken = hasNegativeSide(c) ? std::string() : brokenPromise(c, actual);
        if (!broken.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << std::hex << seed << std::dec << " (case " << i << "): " << broken << ": "
                          << describe(c) << "\n  positions " << ::testing::PrintToString(actual);
        }
    }
}

// The layout keeps nothing from one call to the next: a different collection laid out in between changes nothing.
TEST(AutoLayout, RepeatsItself) {
    Random random(99);
    std::vector<LayoutBox> sprites;
    for (int i = 0; i < 200; ++i) {
        sprites.push_back({random.between(8, 64), random.between(8, 64)});
    }
    const std::vector<Point> first = computeAutoLayout(sprites, 1, 512, 512, kLongest);
    computeAutoLayout({{500, 3}, {2, 2}}, 0, 512, 512, kPixels);
    EXPECT_EQ(computeAutoLayout(sprites, 1, 512, 512, kLongest), first);
}

}  // namespace
