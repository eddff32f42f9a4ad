#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <set>
#include <tuple>

#include "atlas/DataTemplate.h"
#include "atlas/MaxRectsBin.h"
#include "atlas/PagePlan.h"
#include "atlas/SpritePreparation.h"
#include "image/DecodedImage.h"
#include "image/TextureImage.h"

namespace {

// An image drawn in code: `alpha` gives each pixel's alpha from the top row (empty: an image without alpha plane, as a
// BMP); the colour of pixel (x, y) is (x, y, seed), so that every pixel differs from its neighbours.
std::unique_ptr<TextureImage> image(int32_t w, int32_t h, std::vector<uint8_t> alpha, uint8_t seed = 0) {
    DecodedImage d{w, h, std::vector<uint8_t>(static_cast<size_t>(((w * 3 + 3) & ~3) * h)), {}};
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &d.pixels[static_cast<size_t>((h - 1 - y) * ((w * 3 + 3) & ~3) + x * 3)];
            p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = seed;
        }
    }
    const bool withAlpha = !alpha.empty();
    for (int32_t y = 0; withAlpha && y < h; ++y) {  // bottom row first in memory
        for (int32_t x = 0; x < w; ++x) d.alpha.push_back(alpha[static_cast<size_t>((h - 1 - y) * w + x)]);
    }
    auto out = std::make_unique<TextureImage>();
    out->takePixels("x", d, withAlpha ? ImageKind::Tga : ImageKind::Bmp);
    return out;
}

TEST(SpritePreparation, KeepsTheRectangleOfEveryPixelAboveTheThreshold) {
    const struct {
        const char* name;
        int32_t w, h;
        std::vector<uint8_t> alpha;
        uint8_t threshold;
        Rect kept;
    } cases[] = {
        {"no alpha plane", 3, 2, {}, 0, {0, 0, 3, 2}},
        {"opaque", 2, 2, {255, 255, 255, 255}, 0, {0, 0, 2, 2}},
        {"wholly transparent", 3, 2, {0, 0, 0, 0, 0, 0}, 0, {0, 0, 1, 1}},
        {"one pixel", 4, 3, {0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0}, 0, {2, 1, 3, 2}},
        {"corners", 4, 3, {0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0}, 0, {0, 0, 4, 3}},
        {"ragged rows", 5, 3, {0, 0, 0, 7, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, 0, {1, 0, 4, 2}},
        {"left column only", 3, 2, {9, 0, 0, 9, 0, 0}, 0, {0, 0, 1, 2}},
        {"threshold cuts", 3, 2, {10, 10, 10, 10, 11, 10}, 10, {1, 1, 2, 2}},
        {"threshold keeps", 3, 2, {10, 10, 10, 10, 11, 10}, 9, {0, 0, 3, 2}},
        {"all below the threshold", 2, 2, {200, 3, 3, 3}, 254, {0, 0, 1, 1}},
    };
    for (const auto& c : cases) EXPECT_EQ(keptRectangle(*image(c.w, c.h, c.alpha), c.threshold), c.kept) << c.name;
}

TEST(SpritePreparation, IdenticalKeptPixelsMakeAliasesOfTheFirst) {
    const std::vector<uint8_t> opaque(4, 255);
    std::vector<std::unique_ptr<TextureImage>> images;
    images.push_back(image(2, 2, opaque));                         // 0
    images.push_back(image(2, 2, {}));                             // 1: the same as a BMP
    images.push_back(image(2, 2, {255, 255, 255, 254}));           // 2: one alpha differs
    images.push_back(image(2, 2, opaque, 1));                      // 3: the colour differs
    images.push_back(image(2, 2, {255, 255, 255, 254}));           // 4: as 2
    images.push_back(image(4, 3, std::vector<uint8_t>(12, 255)));  // 5: 0 lies in its top-left corner
    images.push_back(image(2, 3, std::vector<uint8_t>(6, 255)));   // 6: 0 and one row more
    const std::vector<uint8_t> rightHalf = {0, 0, 255, 254, 0, 0, 253, 252};
    images.push_back(image(4, 2, rightHalf));  // 7: trimmed to its right half
    images.push_back(image(4, 2, rightHalf));  // 8: as 7
    std::vector<Sprite> sprites;
    for (const auto& i : images) sprites.push_back({i.get(), {0, 0, i->width(), i->height()}});
    sprites[5].kept = {0, 0, 2, 2};
    sprites[7].kept = sprites[8].kept = {2, 0, 4, 2};
    findIdenticalSprites(sprites, 1, [](size_t) {});
    std::vector<int32_t> aliasOf;
    for (const Sprite& s : sprites) aliasOf.push_back(s.aliasOf);
    EXPECT_EQ(aliasOf, (std::vector<int32_t>{-1, 0, -1, -1, 2, 0, -1, -1, 7}));
    EXPECT_TRUE(sprites[5].isTrimmed());
    EXPECT_FALSE(sprites[1].isTrimmed());
}

// The maximal free rectangles recomputed from scratch after every placement: split every free rectangle the place
// cuts, then drop every rectangle inside another (one of equal ones stays).
std::set<std::tuple<int, int, int, int>> plainFreeList(std::vector<Rect>& free, const Rect& u) {
    std::vector<Rect> next;
    for (const Rect& f : free) {
        if (!(u.left < f.right && f.left < u.right && u.top < f.bottom && f.top < u.bottom)) {
            next.push_back(f);
            continue;
        }
        if (u.left > f.left) next.push_back({f.left, f.top, u.left, f.bottom});
        if (u.right < f.right) next.push_back({u.right, f.top, f.right, f.bottom});
        if (u.top > f.top) next.push_back({f.left, f.top, f.right, u.top});
        if (u.bottom < f.bottom) next.push_back({f.left, u.bottom, f.right, f.bottom});
    }
    free.clear();
    std::set<std::tuple<int, int, int, int>> kept;
    for (size_t i = 0; i < next.size(); ++i) {
        const Rect& a = next[i];
        bool nested = false;
        for (size_t j = 0; j < next.size() && !nested; ++j) {
            const Rect& b = next[j];
            nested = j != i && a.left >= b.left && a.top >= b.top && a.right <= b.right && a.bottom <= b.bottom &&
                     (a != b || j < i);
        }
        if (!nested) free.push_back(a), kept.insert({a.left, a.top, a.right, a.bottom});
    }
    return kept;
}

struct Random {
    std::mt19937_64 engine;
    int32_t between(int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(engine); }
};

// The place each rule asks for, from its definition: for the box upright and (when it may turn and is not square)
// turned, the first free rectangle whose top-left place has the least score, then second score; the turned place only
// where it scores strictly less. The contact rule's score is the perimeter touching the area's edges or the boxes
// placed, counted pixel by pixel, negated.
std::pair<Rect, bool> placeByRule(const std::vector<Rect>& free,
                                  const std::vector<Rect>& used,
                                  MaxRectsRule rule,
                                  int32_t w,
                                  int32_t h,
                                  int32_t bw,
                                  int32_t bh,
                                  bool mayTurn) {
    const auto blocked = [&](int32_t x, int32_t y) {
        if (x < 0 || y < 0 || x >= w || y >= h) return true;
        return std::any_of(used.begin(), used.end(),
                           [&](const Rect& u) { return x >= u.left && x < u.right && y >= u.top && y < u.bottom; });
    };
    const auto scores = [&](const Rect& f, int32_t pw, int32_t ph) -> std::pair<int64_t, int64_t> {
        const int64_t x = f.width() - pw, y = f.height() - ph;
        switch (rule) {
            case MaxRectsRule::ShortSide:
                return {std::min(x, y), std::max(x, y)};
            case MaxRectsRule::LongSide:
                return {std::max(x, y), std::min(x, y)};
            case MaxRectsRule::Area:
                return {int64_t{f.width()} * f.height() - int64_t{pw} * ph, std::min(x, y)};
            case MaxRectsRule::BottomLeft:
                return {f.top + ph, f.left};
            case MaxRectsRule::Contact:
                break;
        }
        int64_t touched = 0;
        for (int32_t i = 0; i < pw; ++i) touched += blocked(f.left + i, f.top - 1) + blocked(f.left + i, f.top + ph);
        for (int32_t i = 0; i < ph; ++i) touched += blocked(f.left - 1, f.top + i) + blocked(f.left + pw, f.top + i);
        return {-touched, 0};
    };
    std::optional<std::pair<std::pair<int64_t, int64_t>, Rect>> best[2];  // upright, turned
    for (const Rect& f : free) {
        for (const bool turned : {false, true}) {
            const int32_t pw = turned ? bh : bw, ph = turned ? bw : bh;
            if ((turned && (!mayTurn || bw == bh)) || pw > f.width() || ph > f.height()) continue;
            const auto score = scores(f, pw, ph);
            if (!best[turned] || score < best[turned]->first) best[turned] = {{score, {f.left, f.top, f.left + pw, f.top + ph}}};
        }
    }
    const bool turned = best[1] && (!best[0] || best[1]->first < best[0]->first);
    return {best[turned]->second, turned};
}

// The pruned free list equals the one recomputed from scratch, every choice lies on free space and is the place its
// rule asks for; every rule fills a generous area with every box.
TEST(MaxRectsBin, KeepsExactlyTheMaximalFreeRectanglesOnRandomSets) {
    const MaxRectsRule rules[] = {MaxRectsRule::ShortSide, MaxRectsRule::LongSide, MaxRectsRule::Area,
                                  MaxRectsRule::BottomLeft, MaxRectsRule::Contact};
    for (uint64_t seed = 0; seed < 150; ++seed) {
        Random random{std::mt19937_64(seed)};
        const int32_t w = random.between(8, 120), h = random.between(8, 120);
        const MaxRectsRule rule = rules[seed % 5];
        MaxRectsBin bin(w, h, rule);
        std::vector<Rect> plain = {{0, 0, w, h}}, used;
        for (int i = 0; i < 40; ++i) {
            MaxRectsBin::Choice c;
            const int32_t bw = random.between(1, w / 3 + 1), bh = random.between(1, h / 3 + 1);
            if (!bin.choose(bw, bh, seed % 2 == 1, c)) continue;
            const auto [place, turned] = placeByRule(bin.freeRectangles(), used, rule, w, h, bw, bh, seed % 2 == 1);
            ASSERT_TRUE(c.place == place && c.turned == turned) << "seed " << seed << ", box " << i;
            ASSERT_TRUE(c.place.left >= 0 && c.place.top >= 0 && c.place.right <= w && c.place.bottom <= h);
            for (const Rect& u : used) {
                ASSERT_FALSE(u.left < c.place.right && c.place.left < u.right && u.top < c.place.bottom &&
                             c.place.top < u.bottom)
                    << "seed " << seed;
            }
            used.push_back(c.place);
            bin.occupy(c.place);
            const auto expected = plainFreeList(plain, c.place);
            std::set<std::tuple<int, int, int, int>> got;
            for (const Rect& f : bin.freeRectangles()) got.insert({f.left, f.top, f.right, f.bottom});
            ASSERT_EQ(got, expected) << "seed " << seed << ", box " << i;
            ASSERT_EQ(bin.freeRectangles().size(), expected.size()) << "no rectangle twice";
        }
    }
}

// Sprites (grown by the margin) never overlap and lie inside their page with the spacing; the maximal-rectangles
// packer also keeps the spacing between sprites, which the design's layout may let shrink where sprites touch.
void expectSound(const Packer& packer, const std::vector<PackBox>& boxes, const PlannedPage& page, const char* what) {
    const int32_t m = packer.margin, s = packer.spacing;
    std::vector<Rect> sprites;
    for (size_t k = 0; k < page.boxes.size(); ++k) {
        const Placement& p = page.placements[k];
        if (!p.placed) continue;
        const PackBox& b = boxes[static_cast<size_t>(page.boxes[k])];
        const Rect r =
            p.turned ? Rect{p.x, p.y, p.x + b.height, p.y + b.width} : Rect{p.x, p.y, p.x + b.width, p.y + b.height};
        EXPECT_TRUE(r.left >= s - m && r.top >= s - m && r.right <= page.size.width - (s - m) &&
                    r.bottom <= page.size.height - (s - m))
            << what;
        for (const Rect& o : sprites) {
            const int32_t gap = packer.kind == Packer::Kind::MaxRects || packer.keepSpacing ? s : 2 * m;
            EXPECT_TRUE(o.right + gap <= r.left || r.right + gap <= o.left || o.bottom + gap <= r.top ||
                        r.bottom + gap <= o.top)
                << what;
        }
        sprites.push_back(r);
    }
}

// The maximal-rectangles packer places the largest box first, whichever order the boxes come in: on a generous area
// every rule puts it in the top-left corner.
TEST(Packer, MaxRectsPlacesTheLargestBoxFirst) {
    const std::vector<PackBox> boxes = {{1, 1}, {2, 1}, {3, 3}, {1, 2}};
    for (MaxRectsRule rule : {MaxRectsRule::ShortSide, MaxRectsRule::LongSide, MaxRectsRule::Area,
                              MaxRectsRule::BottomLeft, MaxRectsRule::Contact}) {
        for (BoxOrder order : {BoxOrder::LongSide, BoxOrder::Area, BoxOrder::Perimeter, BoxOrder::ShortSide}) {
            Packer packer;
            packer.kind = Packer::Kind::MaxRects, packer.rule = rule, packer.order = order, packer.spacing = 0;
            const std::vector<Placement> placements = packOnArea(packer, boxes, {8, 8});
            EXPECT_EQ(std::make_pair(placements[2].x, placements[2].y), std::make_pair(0, 0))
                << int(rule) << " " << int(order);
        }
    }
}

// The plans' order of merit, as `best` ranks them.
auto rankOf(const PagePlan& p) {
    return std::make_tuple(p.abandoned, p.unplacedCount(), p.pages.size(), p.judgedArea());
}

bool samePlans(const PagePlan& a, const PagePlan& b) {
    if (a.pages.size() != b.pages.size() || a.neverFit != b.neverFit || a.abandoned != b.abandoned) return false;
    for (size_t i = 0; i < a.pages.size(); ++i) {
        const PlannedPage &p = a.pages[i], &q = b.pages[i];
        if (p.size.width != q.size.width || p.size.height != q.size.height || p.boxes != q.boxes ||
            p.judgedArea != q.judgedArea) {
            return false;
        }
        for (size_t k = 0; k < p.placements.size(); ++k) {
            const Placement &x = p.placements[k], &y = q.placements[k];
            if (x.x != y.x || x.y != y.y || x.turned != y.turned || x.placed != y.placed) return false;
        }
    }
    return true;
}

// A random set of boxes and pack settings; the last box is too wide for a page of 64 unless turned.
struct RandomPack {
    std::vector<PackBox> boxes;
    Packer base;
    PageRules rules;
};

RandomPack randomPack(uint64_t seed, int32_t most = 80) {
    Random random{std::mt19937_64(seed)};
    RandomPack r;
    for (int i = random.between(1, most); i > 0; --i) r.boxes.push_back({random.between(1, 40), random.between(1, 40)});
    r.boxes.push_back({random.between(60, 70), 3});
    r.base.spacing = random.between(0, 4);
    r.base.margin = random.between(0, r.base.spacing / 2);
    r.base.mayTurn = seed % 2 == 1;
    const AreaRule rule = static_cast<AreaRule>(seed % 3);
    r.rules = {rule, {64, rule == AreaRule::Fixed ? 48 : 64}, true};
    return r;
}

// Every box lands on one page or in neverFit (only the wide one may fit no page), every page lies within its rule and
// is sound, and `best` takes exactly the plan of the first packer that ranks best alone, whatever the number of
// threads.
TEST(PagePlan, EveryBoxLandsOnOnePageOfItsRuleAndBestTakesTheBestPlanAlone) {
    for (uint64_t seed = 0; seed < 40; ++seed) {
        const RandomPack r = randomPack(seed);
        const std::vector<Packer> packers = bestCandidates(r.base);
        PagePlan reference;
        size_t referenceChosen = 0;
        for (size_t i = 0; i < packers.size(); ++i) {
            PagePlan plan = planPages(packers[i], r.boxes, r.rules);
            std::vector<int> seen(r.boxes.size());
            for (const PlannedPage& page : plan.pages) {
                EXPECT_TRUE(page.size.width <= 64 && page.size.height <= 64);
                EXPECT_TRUE(r.rules.rule != AreaRule::Fixed || (page.size.width == 64 && page.size.height == 48));
                EXPECT_TRUE(r.rules.rule != AreaRule::PowerOfTwo || ((page.size.width & (page.size.width - 1)) == 0 &&
                                                                     (page.size.height & (page.size.height - 1)) == 0));
                EXPECT_LE(int64_t{page.size.width} * page.size.height, page.judgedArea);
                for (int32_t b : page.boxes) ++seen[static_cast<size_t>(b)];
                expectSound(packers[i], r.boxes, page, "sound");
                EXPECT_EQ(
                    std::count_if(page.placements.begin(), page.placements.end(), [](auto& p) { return !p.placed; }),
                    0);
            }
            for (int32_t b : plan.neverFit) ++seen[static_cast<size_t>(b)];
            EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<long>(r.boxes.size())) << seed << " " << i;
            const std::vector<int32_t> wide = {static_cast<int32_t>(r.boxes.size() - 1)};
            EXPECT_TRUE(plan.neverFit.empty() || plan.neverFit == wide) << "only the wide box may fit no page";
            if (i == 0 || rankOf(plan) < rankOf(reference)) reference = std::move(plan), referenceChosen = i;
        }
        for (unsigned threads : {1u, 2u, 3u}) {
            size_t chosen = 0;
            const PagePlan best = planBest(packers, r.boxes, r.rules, threads, chosen);
            EXPECT_EQ(chosen, referenceChosen) << "seed " << seed << ", threads " << threads;
            EXPECT_TRUE(samePlans(best, reference)) << "seed " << seed << ", threads " << threads;
        }
    }
}

// Whatever rival a plan meets, it either gives up, ranking no better than that rival when planned alone, or comes out
// exactly as planned alone: so `best` may set each plan against whichever leader is finished when it starts.
TEST(PagePlan, APlanAgainstAnyRivalGivesUpOnlyWhenItCannotBeatItAndIsElseThePlanAlone) {
    for (uint64_t seed = 0; seed < 24; ++seed) {
        for (const bool onePage : {false, true}) {
            // On one page, a few boxes without the wide one, so that the rivals mostly place every box.
            RandomPack r = randomPack(seed, onePage ? 6 : 80);
            if (onePage) r.boxes.pop_back(), r.rules.severalPages = false;
            const std::vector<Packer> packers = bestCandidates(r.base);
            std::vector<PagePlan> alone;
            for (const Packer& packer : packers) alone.push_back(planPages(packer, r.boxes, r.rules));
            for (size_t i = 0; i < packers.size(); ++i) {
                for (size_t rival = 0; rival < kBestLeaders + 1; ++rival) {
                    const PagePlan against = planPagesAgainst(packers[i], r.boxes, r.rules, &alone[rival]);
                    const std::string what = std::to_string(seed) + (onePage ? " one page: " : ": ") +
                                             std::to_string(i) + " against " + std::to_string(rival);
                    if (against.abandoned) {
                        EXPECT_FALSE(rankOf(alone[i]) < rankOf(alone[rival])) << what;
                    } else {
                        EXPECT_TRUE(samePlans(against, alone[i])) << what;
                    }
                }
            }
        }
    }
}

// The tight search leaves a width as soon as it can only lose: on larger pages and sets it finds exactly the plan of
// the search that follows every width to its end, with every packer and size rule.
TEST(PagePlan, CuttingTheTightSearchShortChangesNoPlan) {
    for (uint64_t seed = 0; seed < 20; ++seed) {
        RandomPack r = randomPack(seed, 160);
        r.rules = {AreaRule::Tight, {seed % 4 == 0 ? 200 : 1024, 1024}, seed % 3 == 0};
        r.rules.square = seed % 5 == 1;
        r.rules.multipleOf = seed % 4 == 2 ? 4 : 1;
        PageRules uncut = r.rules;
        uncut.cutSearch = false;
        const std::vector<Packer> packers = bestCandidates(r.base);
        for (size_t i : {0, 1, 2, 6, 11, 16}) {  // the leaders, the design and a packer of each other rule
            const PagePlan cut = planPages(packers[i], r.boxes, r.rules);
            EXPECT_TRUE(samePlans(cut, planPages(packers[i], r.boxes, uncut))) << "seed " << seed << ", packer " << i;
        }
    }
}

// The design's layout, turning boxes or not, with and without its own spacing: packed on a lower area of the same
// width, anywhere from the height it tells its placements are alike from, it places every box just so.
TEST(Packer, TheDesignPlacesAlikeDownToTheHeightItTells) {
    int ranges = 0;
    for (uint64_t seed = 0; seed < 60; ++seed) {
        RandomPack r = randomPack(seed, 40);
        r.boxes.pop_back();  // the wide box would leave most areas unfilled
        Packer packer = r.base;
        packer.kind = Packer::Kind::Design;
        packer.keepSpacing = seed % 4 < 2;
        const AreaSize area = {static_cast<int32_t>(64 + seed % 64), 320};
        int32_t alikeFrom = 0;
        const std::vector<Placement> tall = packOnAreaAlike(packer, r.boxes, area, true, alikeFrom);
        ASSERT_LE(alikeFrom, area.height);
        const bool all = std::all_of(tall.begin(), tall.end(), [](const Placement& p) { return p.placed; });
        EXPECT_TRUE(all || alikeFrom == area.height) << "seed " << seed;
        ranges += alikeFrom < area.height ? 1 : 0;
        for (int32_t height = alikeFrom; height < area.height; ++height) {
            const std::vector<Placement> lower = packOnArea(packer, r.boxes, {area.width, height}, true);
            bool same = true;
            for (size_t k = 0; k < tall.size(); ++k) {
                same = same && lower[k].x == tall[k].x && lower[k].y == tall[k].y &&
                       lower[k].turned == tall[k].turned && lower[k].placed;
            }
            EXPECT_TRUE(same) << "seed " << seed << ", height " << height;
        }
    }
    EXPECT_GT(ranges, 40);
}

// Square pages and sides that are multiples of N, on every page of every packer and size rule; a fixed size is taken
// as it is (the command line refuses one that breaks the rules).
TEST(PagePlan, EveryPageKeepsTheSizeRules) {
    for (uint64_t seed = 0; seed < 36; ++seed) {
        RandomPack r = randomPack(seed, 120);
        const AreaRule rule = static_cast<AreaRule>(seed % 3);
        r.rules = {rule, rule == AreaRule::Fixed ? AreaSize{96, 96} : AreaSize{100, 90}, seed % 2 == 0};
        r.rules.square = seed % 4 < 2;
        r.rules.multipleOf = rule == AreaRule::PowerOfTwo ? 8 : static_cast<int32_t>(seed % 3 == 0 ? 1 : 3 + seed % 4);
        if (rule == AreaRule::Fixed) r.rules.multipleOf = seed % 2 == 0 ? 4 : 3;
        const AreaSize largest = largestPage(r.rules);
        std::vector<Packer> packers = bestCandidates(r.base);
        packers.push_back(r.base);  // the design's own layout
        size_t chosen = 0;
        std::vector<PagePlan> plans = {planBest(packers, r.boxes, r.rules, 2, chosen)};
        for (const Packer& packer : {packers[0], packers[kBestLeaders], packers.back()}) {
            plans.push_back(planPages(packer, r.boxes, r.rules));
        }
        for (const PagePlan& plan : plans) {
            for (const PlannedPage& page : plan.pages) {
                const AreaSize s = page.size;
                EXPECT_TRUE(!r.rules.square || s.width == s.height) << "seed " << seed;
                EXPECT_EQ(s.width % r.rules.multipleOf, 0) << "seed " << seed;
                EXPECT_EQ(s.height % r.rules.multipleOf, 0) << "seed " << seed;
                EXPECT_TRUE(s.width <= largest.width && s.height <= largest.height) << "seed " << seed;
            }
        }
    }
}

// A sprite wider than the largest page, turned or not, on a tight page: reported as fitting no page, with or without
// further pages, and the others placed.
TEST(PagePlan, ASpriteWiderThanTheLargestPageIsReported) {
    const std::vector<PackBox> boxes = {{10, 10}, {300, 20}, {8, 12}};
    for (bool severalPages : {false, true}) {
        Packer packer;
        packer.kind = Packer::Kind::MaxRects;
        packer.mayTurn = true;
        const PagePlan plan = planPages(packer, boxes, {AreaRule::Tight, {128, 128}, severalPages});
        EXPECT_EQ(plan.unplacedCount(), 1);
        EXPECT_EQ(plan.neverFit, severalPages ? std::vector<int32_t>{1} : std::vector<int32_t>{});
        for (const PlannedPage& page : plan.pages) expectSound(packer, boxes, page, "wide");
    }
}

// Names as each format writes them: the characters that would break its syntax escaped, Japanese letters as they are.
TEST(DataFormat, EscapesNamesForJsonXmlCssAndText) {
    const std::string name = u8"a\"b&c<d>e\\f'g.砂";
    const std::pair<Escape, std::string> cases[] = {
        {Escape::Json, u8"a\\\"b&c<d>e\\\\f'g.砂"},
        {Escape::Xml, u8"a&quot;b&amp;c&lt;d&gt;e\\f&apos;g.砂"},
        {Escape::Css, u8"a\\\"b\\&c\\<d\\>e\\\\f\\'g\\.砂"},
        {Escape::Text, name},
    };
    for (const auto& [escape, expected] : cases) EXPECT_EQ(escaped(name, escape), expected) << int(escape);
    EXPECT_EQ(escaped("1up\x01", Escape::Css), "\\31 up\\\x01");
    EXPECT_EQ(escaped("\x01\x1f", Escape::Json), "\\u0001\\u001f");
}

// A template that does not parse or asks for what no pack gives is refused with its line; every built-in one reads.
TEST(DataTemplate, RefusesWhatNoPackCanFillWithItsLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"{{name}}", "line 1: no value is called \"name\""},
        {"{{#sprites}}\n{{x}}\n{{nme}}\n{{/sprites}}", "line 3: no value is called \"nme\""},
        {"{{#pages}}\n{{^sprites}}{{oops}}{{/sprites}}{{/pages}}", "line 2: no value is called \"oops\""},
        {"{{#otherPages}}{{data}}{{wrong}}{{/otherPages}}", "line 1: no value is called \"wrong\""},
        {"a\n{{#sprites}}\n{{name}}", "line 2: unclosed section \"sprites\""},
        {"a\nb {{/sprites}}", "line 2: unopened section \"sprites\""},
        {"\n\n{{name", "line 3: unclosed tag"},
        {"{{> header}}", "line 1: there are no partials, but it asks for \"header\""},
    };
    for (const auto& [text, expected] : cases) {
        DataTemplate t;
        std::string error;
        EXPECT_FALSE(t.read(text, Escape::Text, error)) << text;
        EXPECT_EQ(error, expected) << text;
    }
    for (const char* name : {"json-hash", "json-array", "phaser3", "spine", "libgdx", "sparrow", "godot", "css"}) {
        DataFormat format;
        DataTemplate t;
        std::string error;
        ASSERT_TRUE(builtInFormat(name, format)) << name;
        EXPECT_TRUE(t.read(format.templateText, format.escape, error)) << name << ": " << error;
    }
}

}  // namespace
