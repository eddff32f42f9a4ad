// Times the automatic layout on seeded random sprite sets and compares it with the exhaustive reference on the sets
// small enough for it. Usage: layout_bench [REPETITIONS]; prints one table row per set, median times in ms. Exits
// with status 1 when the two layouts disagree on any set.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "layout/AutoLayout.h"
#include "layout/AutoLayoutOracle.h"

namespace {

struct BenchSet {
    int count;
    int32_t area;
};

const BenchSet kSets[] = {{100, 1024}, {300, 1024}, {1000, 1024}, {2000, 1024}, {5000, 4096}, {10000, 4096}};
constexpr int kLargestForReference = 300;
constexpr int32_t kSpacing = 1;

// Sprites of 8 to 64 pixels a side, from a fixed generator so that every build lays out the same sets.
std::vector<LayoutBox> makeSprites(int count, uint64_t seed) {
    std::vector<LayoutBox> boxes;
    uint64_t state = seed;
    auto next = [&state]() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    for (int i = 0; i < count; ++i) {
        const auto width = static_cast<int32_t>(8 + next() % 57);
        const auto height = static_cast<int32_t>(8 + next() % 57);
        boxes.push_back({width, height});
    }
    return boxes;
}

using Layout = std::function<std::vector<Point>()>;

double medianMilliseconds(const Layout& layout, int repetitions, std::vector<Point>& result) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        result = layout();
        const auto stop = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    bool agree = true;
    std::printf("%6s %10s %8s %12s %14s %9s\n", "N", "area", "parked", "fast ms", "exhaustive ms", "ratio");
    for (const BenchSet& set : kSets) {
        const std::vector<LayoutBox> boxes = makeSprites(set.count, 0xB0A7u + static_cast<uint64_t>(set.count));
        std::vector<Point> fast;
        const double fastMs = medianMilliseconds(
            [&]() { return computeAutoLayout(boxes, kSpacing, set.area, set.area, LayoutSortKey::LongestSide); },
            repetitions, fast);
        const auto parked = std::count(fast.begin(), fast.end(), Point{set.area, set.area});
        std::printf("%6d %5dx%-4d %8ld %12.2f", set.count, set.area, set.area, static_cast<long>(parked), fastMs);
        if (set.count <= kLargestForReference) {
            std::vector<Point> reference;
            const double referenceMs = medianMilliseconds(
                [&]() {
                    return computeAutoLayoutExhaustively(boxes, kSpacing, set.area, set.area,
                                                         LayoutSortKey::LongestSide);
                },
                std::min(repetitions, 3), reference);
            const bool same = reference == fast;
            agree = agree && same;
            std::printf(" %14.1f %9.0f%s", referenceMs, referenceMs / fastMs, same ? "" : "  POSITIONS DIFFER");
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return agree ? 0 : 1;
}
