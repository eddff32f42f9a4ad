#include <gtest/gtest.h>

#include <map>
#include <random>

#include "atlas/StableLayout.h"

namespace {

struct Where {
    size_t page;
    Placement at;
};

// Where each box of a plan went; a box missing or placed twice fails the test.
std::vector<Where> placesOf(const PagePlan& plan, size_t count) {
    std::vector<Where> where(count, {SIZE_MAX, {}});
    for (size_t p = 0; p < plan.pages.size(); ++p) {
        const PlannedPage& page = plan.pages[p];
        EXPECT_EQ(page.boxes.size(), page.placements.size());
        for (size_t k = 0; k < page.boxes.size(); ++k) {
            const auto box = static_cast<size_t>(page.boxes[k]);
            EXPECT_TRUE(k == 0 || page.boxes[k - 1] < page.boxes[k]) << "boxes ascending";
            EXPECT_EQ(where[box].page, SIZE_MAX) << "box " << box << " twice";
            EXPECT_TRUE(page.placements[k].placed);
            where[box] = {p, page.placements[k]};
        }
    }
    for (size_t i = 0; i < count; ++i) EXPECT_NE(where[i].page, SIZE_MAX) << "box " << i << " on no page";
    return where;
}

// Every sprite lies on its page with the packer's clearance from the edges, and any two on a page are at least the
// spacing apart across or along: no overlap, no spacing lost.
void expectSound(const Packer& packer, const std::vector<PackBox>& boxes, const PagePlan& plan) {
    const std::vector<Where> where = placesOf(plan, boxes.size());
    const int64_t edge = packer.spacing - packer.margin;
    std::vector<std::vector<Rect>> onPage(plan.pages.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (where[i].page == SIZE_MAX) continue;
        const Placement& at = where[i].at;
        const int32_t w = at.turned ? boxes[i].height : boxes[i].width,
                      h = at.turned ? boxes[i].width : boxes[i].height;
        const Rect r{at.x, at.y, at.x + w, at.y + h};
        const AreaSize page = plan.pages[where[i].page].size;
        EXPECT_TRUE(r.left >= edge && r.top >= edge && r.right + edge <= page.width && r.bottom + edge <= page.height)
            << "box " << i << " at " << r.left << "," << r.top << " on a page of " << page.width << "x" << page.height;
        onPage[where[i].page].push_back(r);
    }
    for (const std::vector<Rect>& rects : onPage) {
        for (size_t a = 0; a < rects.size(); ++a) {
            for (size_t b = a + 1; b < rects.size(); ++b) {
                const Rect &p = rects[a], &q = rects[b];
                const bool apart = p.right + packer.spacing <= q.left || q.right + packer.spacing <= p.left ||
                                   p.bottom + packer.spacing <= q.top || q.bottom + packer.spacing <= p.top;
                EXPECT_TRUE(apart) << p.left << "," << p.top << " and " << q.left << "," << q.top;
            }
        }
    }
}

struct Config {
    const char* what;
    Packer packer;
    PageRules rules;
};

Packer packerOf(Packer::Kind kind, MaxRectsRule rule, int32_t spacing, int32_t margin, bool turn, bool keepSpacing) {
    Packer p;
    p.kind = kind, p.rule = rule, p.spacing = spacing, p.margin = margin, p.mayTurn = turn, p.keepSpacing = keepSpacing;
    return p;
}

// Hundreds of packs of random sprite sets, each step adding, removing and growing a few: whenever the stable layout
// holds within the slack, every sprite whose size stayed is where it was, and the layout is sound.
TEST(StableLayout, KeepsEveryUnchangedSpriteInPlaceThroughRandomSteps) {
    using K = Packer::Kind;
    using R = MaxRectsRule;
    using A = AreaRule;
    const Config configs[] = {
        {"maxrects, tight", packerOf(K::MaxRects, R::ShortSide, 2, 0, false, false), {A::Tight, {1024, 1024}, false}},
        {"maxrects, powers of two, pages, turned, extruded",
         packerOf(K::MaxRects, R::BottomLeft, 3, 1, true, false),
         {A::PowerOfTwo, {256, 256}, true}},
        {"design keeping the spacing, tight, pages",
         packerOf(K::Design, R::ShortSide, 1, 0, false, true),
         {A::Tight, {200, 300}, true}},
        {"maxrects, fixed, no spacing", packerOf(K::MaxRects, R::Area, 0, 0, true, false), {A::Fixed, {512, 512}}},
    };
    std::mt19937 random(11);
    const auto pick = [&](int low, int high) { return low + static_cast<int>(random() % unsigned(high - low + 1)); };
    for (const Config& config : configs) {
        struct Item {
            int id;
            PackBox box;
        };
        std::vector<Item> items;
        int nextId = 0;
        for (int i = 0; i < 120; ++i) items.push_back({nextId++, {pick(4, 40), pick(4, 40)}});
        const auto boxesOf = [](const std::vector<Item>& list) {
            std::vector<PackBox> out;
            for (const Item& item : list) out.push_back(item.box);
            return out;
        };
        PagePlan current = planPages(config.packer, boxesOf(items), config.rules);
        int keptSteps = 0;
        const int steps = 75;
        for (int step = 0; step < steps; ++step) {
            // Where each sprite lay, by its id, with the size it had.
            std::map<int, std::pair<Where, PackBox>> before;
            const std::vector<Where> where = placesOf(current, items.size());
            for (size_t i = 0; i < items.size(); ++i) before[items[i].id] = {where[i], items[i].box};
            std::vector<AreaSize> pages;
            for (const PlannedPage& page : current.pages) pages.push_back(page.size);

            for (int n = pick(0, 3); n > 0 && items.size() > 10; --n) {
                items.erase(items.begin() + pick(0, static_cast<int>(items.size()) - 1));
            }
            for (int n = pick(0, 3); n > 0; --n) {
                items.insert(items.begin() + pick(0, static_cast<int>(items.size())),
                             {nextId++, {pick(4, 40), pick(4, 40)}});
            }
            for (int n = pick(0, 2); n > 0; --n) {
                PackBox& box = items[static_cast<size_t>(pick(0, static_cast<int>(items.size()) - 1))].box;
                (pick(0, 1) ? box.width : box.height) += pick(1, 6);
            }
            const std::vector<PackBox> boxes = boxesOf(items);
            std::vector<EarlierPlace> earlier(items.size());
            size_t unchanged = 0;
            for (size_t i = 0; i < items.size(); ++i) {
                const auto found = before.find(items[i].id);
                if (found == before.end()) continue;
                const auto& [w, size] = found->second;
                earlier[i] = {true, static_cast<int32_t>(w.page), w.at, size};
                unchanged += size.width == items[i].box.width && size.height == items[i].box.height;
            }
            const StableLayoutResult stable = StableLayout(config.packer, config.rules).plan(boxes, earlier, pages);
            const PagePlan fresh = planPages(config.packer, boxes, config.rules);
            if (!StableLayout::keepsWithinSlack(stable, fresh, 10)) {
                current = fresh;
                continue;
            }
            ++keptSteps;
            EXPECT_EQ(stable.kept, unchanged) << config.what << ", step " << step;
            const std::vector<Where> now = placesOf(stable.plan, items.size());
            for (size_t i = 0; i < items.size(); ++i) {
                const EarlierPlace& e = earlier[i];
                if (!e.known || e.box.width != boxes[i].width || e.box.height != boxes[i].height) continue;
                EXPECT_EQ(now[i].page, static_cast<size_t>(e.page)) << config.what << ", step " << step;
                EXPECT_TRUE(now[i].at.x == e.placement.x && now[i].at.y == e.placement.y &&
                            now[i].at.turned == e.placement.turned)
                    << config.what << ", step " << step << ", box " << i;
            }
            expectSound(config.packer, boxes, stable.plan);
            current = stable.plan;
            if (::testing::Test::HasFailure()) return;
        }
        // The rule would be worthless if the slack were never kept.
        EXPECT_GE(keptSteps, steps / 2) << config.what;  // 52 to 75 of 75 with this seed
    }
}

TEST(StableLayout, AddingOneSpriteMovesNoOther) {
    const Packer packer = packerOf(Packer::Kind::MaxRects, MaxRectsRule::ShortSide, 1, 0, false, false);
    const PageRules rules{AreaRule::Tight, {4096, 4096}, false};
    std::mt19937 random(3);
    std::vector<PackBox> boxes;
    for (int i = 0; i < 1000; ++i)
        boxes.push_back({8 + static_cast<int32_t>(random() % 57), 8 + static_cast<int32_t>(random() % 57)});
    const PagePlan first = planPages(packer, boxes, rules);
    std::vector<EarlierPlace> earlier;
    const std::vector<Where> where = placesOf(first, boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) earlier.push_back({true, 0, where[i].at, boxes[i]});
    boxes.push_back({30, 30});
    earlier.push_back({});
    const StableLayoutResult stable = StableLayout(packer, rules).plan(boxes, earlier, {first.pages[0].size});
    ASSERT_TRUE(stable.complete);
    EXPECT_EQ(stable.kept, 1000u);
    EXPECT_TRUE(StableLayout::keepsWithinSlack(stable, planPages(packer, boxes, rules), 10));
    expectSound(packer, boxes, stable.plan);
}

TEST(StableLayout, LeavesOutEarlierPlacesThatCannotHold) {
    const Packer packer = packerOf(Packer::Kind::MaxRects, MaxRectsRule::ShortSide, 1, 0, false, false);
    const PageRules rules{AreaRule::Fixed, {64, 64}, true};
    const std::vector<PackBox> boxes = {{10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10}};
    const std::vector<EarlierPlace> earlier = {
        {true, 0, {1, 1, false, true}, {10, 10}},   // kept
        {true, 0, {5, 5, false, true}, {10, 10}},   // on the first one: placed anew
        {true, 0, {60, 1, false, true}, {10, 10}},  // off its page
        {true, 0, {20, 1, true, true}, {10, 10}},   // turned, where turning is no longer allowed
        {true, 3, {1, 1, false, true}, {10, 10}},   // on a page that is gone
        {true, 1, {1, 1, false, true}, {10, 10}},   // on a page whose size the rules no longer allow
    };
    const StableLayoutResult stable = StableLayout(packer, rules).plan(boxes, earlier, {{64, 64}, {32, 32}});
    ASSERT_TRUE(stable.complete);
    EXPECT_EQ(stable.kept, 1u);
    expectSound(packer, boxes, stable.plan);
    EXPECT_EQ(stable.plan.pages.size(), 1u);
    EXPECT_FALSE(StableLayout(packer, rules).plan(boxes, {}, {}).complete);  // one earlier place per box, or none
    // A set that no longer fits the one page allowed is incomplete, for the caller to pack afresh.
    const PageRules onePage{AreaRule::Fixed, {24, 24}, false};
    EXPECT_FALSE(StableLayout(packer, onePage).plan(boxes, std::vector<EarlierPlace>(6), {}).complete);
}

// Pages that hold their boxes only exactly, or turned, or after shrinking: each page's size as the rules make it.
TEST(StableLayout, FillsPagesExactlyAndSizesThemByTheRules) {
    using K = Packer::Kind;
    const Packer plain = packerOf(K::MaxRects, MaxRectsRule::ShortSide, 1, 0, false, false);
    const Packer turning = packerOf(K::MaxRects, MaxRectsRule::ShortSide, 1, 0, true, false);
    const Packer extruded = packerOf(K::MaxRects, MaxRectsRule::ShortSide, 2, 1, false, false);
    const auto at = [](int32_t page) { return EarlierPlace{true, page, {1, 1, false, true}, {10, 10}}; };
    const auto area = [](AreaRule rule, int32_t w, int32_t h, bool pages = false) {
        return PageRules{rule, {w, h}, pages};
    };
    const AreaRule fixed = AreaRule::Fixed;
    const auto squares = [](size_t n) { return std::vector<PackBox>(n, {10, 10}); };
    // Earlier places left empty are none for every box.
    const struct {
        const char* what;
        Packer packer;
        PageRules rules;
        std::vector<PackBox> boxes;
        std::vector<EarlierPlace> earlier;
        std::vector<AreaSize> earlierPages;
        bool complete;
        std::vector<AreaSize> pages;
    } cases[] = {
        {"four boxes exactly", plain, area(fixed, 23, 23), squares(4), {}, {}, true, {{23, 23}}},
        {"two with margins exactly", extruded, area(fixed, 24, 12), squares(2), {}, {}, true, {{24, 12}}},
        {"only turned", turning, area(fixed, 12, 31), {{20, 10}}, {}, {}, true, {{12, 31}}},
        {"not turned", plain, area(fixed, 12, 31), {{20, 10}}, {}, {}, false, {}},
        {"tight: what the sprite uses", plain, area(AreaRule::Tight, 64, 64), {{10, 20}}, {}, {}, true, {{12, 22}}},
        {"powers of two: the least", plain, area(AreaRule::PowerOfTwo, 64, 64), {{14, 30}}, {}, {}, true, {{32, 32}}},
        {"one page: moved", plain, area(fixed, 64, 64), squares(1), {at(1)}, {{64, 64}, {64, 64}}, true, {{64, 64}}},
        {"another page height", plain, area(fixed, 64, 64, true), squares(1), {at(0)}, {{64, 48}}, true, {{64, 64}}},
    };
    for (const auto& c : cases) {
        const std::vector<EarlierPlace> earlier =
            c.earlier.empty() ? std::vector<EarlierPlace>(c.boxes.size()) : c.earlier;
        const StableLayoutResult stable = StableLayout(c.packer, c.rules).plan(c.boxes, earlier, c.earlierPages);
        EXPECT_EQ(stable.complete, c.complete) << c.what;
        if (!c.complete) continue;
        EXPECT_EQ(stable.kept, 0u) << c.what;
        std::vector<AreaSize> sizes;
        for (const PlannedPage& page : stable.plan.pages) sizes.push_back(page.size);
        ASSERT_EQ(sizes.size(), c.pages.size()) << c.what;
        for (size_t i = 0; i < sizes.size(); ++i) {
            EXPECT_TRUE(sizes[i].width == c.pages[i].width && sizes[i].height == c.pages[i].height) << c.what;
        }
        expectSound(c.packer, c.boxes, stable.plan);
    }
}

TEST(StableLayout, KeepsWithinTheSlackOfAFreshPack) {
    StableLayoutResult stable;
    stable.complete = true;
    stable.plan.pages = {{{110, 10}, {}, {}}};
    PagePlan fresh;
    fresh.pages = {{{100, 10}, {}, {}}};
    EXPECT_TRUE(StableLayout::keepsWithinSlack(stable, fresh, 10));
    EXPECT_FALSE(StableLayout::keepsWithinSlack(stable, fresh, 9));
    stable.plan.pages[0].size.width = 111;
    EXPECT_FALSE(StableLayout::keepsWithinSlack(stable, fresh, 10));
    fresh.neverFit = {0};
    EXPECT_TRUE(StableLayout::keepsWithinSlack(stable, fresh, 0));
    stable.complete = false;
    EXPECT_FALSE(StableLayout::keepsWithinSlack(stable, fresh, 1000));
}

}  // namespace
