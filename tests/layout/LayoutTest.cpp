#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "layout/AutoLayoutOracle.h"
#include "layout/ListDialog.h"
#include "layout/TextureCollection.h"
#include "support/TestSupport.h"

namespace {

constexpr int32_t kMinInt = INT32_MIN, kMaxInt = INT32_MAX;
constexpr LayoutSortKey kLongest = LayoutSortKey::LongestSide, kPixels = LayoutSortKey::PixelCount;

struct Case {
    const char* name;
    std::vector<LayoutBox> boxes;  // front to back
    int32_t spacing, width, height;
    LayoutSortKey key;
    std::vector<Point> expected;  // worked out by hand
};

// Worked out by hand. Boxes too large for the inner area park at (W, H) and leave (s, s) to the next box; a parked box
// still blocks places; keys sort by the exchange procedure, not stably; pixel counts do not wrap at 32 bits.
// clang-format off
const Case kCases[] = {
    {"worked example", {{128, 128}, {64, 64}, {64, 64}}, 1, 256, 256, kLongest, {{1, 1}, {1, 130}, {130, 1}}},
    {"too large", {{97, 10}, {96, 5}, {10, 77}, {20, 20}}, 2, 100, 80, kLongest, {{100, 80}, {2, 2}, {100, 80}, {2, 9}}},
    {"parked box in the corner", {{25, 1}, {10, 10}, {10, 10}, {10, 10}, {10, 10}}, 0, 20, 20, kLongest,
     {{20, 20}, {0, 0}, {0, 10}, {10, 0}, {20, 20}}},
    {"one short of the corner", {{25, 1}, {10, 10}, {10, 10}, {10, 10}, {10, 9}}, 0, 20, 20, kLongest,
     {{20, 20}, {0, 0}, {0, 10}, {10, 0}, {10, 10}}},
    {"negative spacing", {{14, 14}, {3, 3}}, -2, 10, 10, kLongest, {{-2, -2}, {10, 10}}},
    {"negative spacing, one too large", {{15, 3}, {3, 3}}, -2, 10, 10, kLongest, {{10, 10}, {-2, -2}}},
    {"equal keys", {{1, 1}, {10, 3}, {10, 5}, {3, 10}}, 0, 20, 20, kLongest, {{13, 0}, {3, 0}, {0, 10}, {0, 0}}},
    {"longest side", {{10, 1}, {4, 4}}, 0, 20, 20, kLongest, {{0, 0}, {0, 1}}},
    {"pixel count, x from the first anchor", {{10, 1}, {4, 4}}, 0, 20, 20, kPixels, {{0, 4}, {0, 0}}},
    {"pixel count wraps", {{300, 300}, {65536, 65537}}, 0, 300, 300, kPixels, {{300, 300}, {300, 300}}},
    {"least spacing", {{kMaxInt, kMaxInt}, {5, 5}}, kMinInt, 16, 16, kLongest, {{kMinInt, kMinInt}, {16, 16}}},
    {"most spacing", {{0, 0}, {1, 1}}, kMaxInt, 16384, 16384, kLongest, {{16384, 16384}, {16384, 16384}}},
    {"zero-sized boxes", {{0, 0}, {0, 0}, {2, 2}}, 1, 8, 8, kPixels, {{1, 4}, {1, 4}, {1, 1}}},
    {"no boxes", {}, 1, 256, 256, kLongest, {}},
};
// clang-format on

TEST(AutoLayout, MatchesHandWorkedCases) {
    for (const Case& c : kCases) {
        std::vector<bool> parked;
        EXPECT_EQ(computeAutoLayoutExhaustively(c.boxes, c.spacing, c.width, c.height, c.key), c.expected) << c.name;
        EXPECT_EQ(computeAutoLayout(c.boxes, c.spacing, c.width, c.height, c.key, &parked), c.expected) << c.name;
        for (size_t i = 0; i < parked.size(); ++i) {
            EXPECT_EQ(parked[i], c.expected[i] == (Point{c.width, c.height})) << c.name << ", box " << i;
        }
    }
}

// The same seed gives the same case in both builds, which share the standard library.
struct Random {
    std::mt19937_64 engine;
    int32_t between(int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(engine); }
    bool oneIn(int32_t n) { return between(1, n) == 1; }
    int32_t pick(const std::vector<int32_t>& values) { return values[between(0, int32_t(values.size()) - 1)]; }
};

Case randomCase(uint64_t seed) {
    Random random{std::mt19937_64(seed)};
    const LayoutSortKey key = random.oneIn(2) ? kLongest : kPixels;
    if (random.oneIn(25)) {  // limits and near-limits of every input, for overflow
        const std::vector<int32_t> spacings = {kMinInt, kMinInt + 1, -1000000000, -1, 0, 1, 1000000000, kMaxInt};
        const std::vector<int32_t> sides = {kMinInt, -1000000000, -3, 0, 1, 7, 16384, 1000000000, kMaxInt - 1, kMaxInt};
        const std::vector<int32_t> areas = {1, 2, 16, 16384};
        Case c{"", {}, random.pick(spacings), random.pick(areas), random.pick(areas), key, {}};
        for (int i = random.between(0, 12); i > 0; --i) c.boxes.push_back({random.pick(sides), random.pick(sides)});
        return c;
    }
    // Small areas park many boxes, larger ones give long runs of placements; a few sizes used over and over, turned
    // either way, give many equal keys of different shapes; now and then sizes are negative or larger than the area.
    const int32_t largest = random.oneIn(3) ? 24 : 160, width = random.between(1, largest);
    Case c{"", {}, random.between(-3, 5), width, random.oneIn(2) ? width : random.between(1, largest), key, {}};
    const int32_t side = std::max(1, std::max(c.width, c.height) / random.between(1, 6));
    const int32_t smallest = random.oneIn(20) ? -side : 0, sizes = random.oneIn(2) ? random.between(1, 4) : 0;
    std::vector<LayoutBox> used;
    for (int32_t i = random.between(0, 60); i > 0; --i) {
        LayoutBox box = {random.between(smallest, side), random.between(smallest, side)};
        if (static_cast<int32_t>(used.size()) < sizes) used.push_back(box);
        if (!used.empty() && !random.oneIn(4)) box = used[random.between(0, static_cast<int32_t>(used.size()) - 1)];
        if (random.oneIn(2)) std::swap(box.width, box.height);
        if (random.oneIn(40)) box = {random.between(smallest, c.width + 8), random.between(smallest, c.height + 8)};
        c.boxes.push_back(box);
    }
    return c;
}

// Every position of thousands of generated collections equals the reference's. QUILTBOX_LAYOUT_CASES runs more.
TEST(AutoLayout, MatchesTheExhaustiveSearchOnRandomCollections) {
    const char* text = std::getenv("QUILTBOX_LAYOUT_CASES");
    const int cases = text && std::atoi(text) > 0 ? std::atoi(text) : 8000;
    for (int i = 0, failures = 0; i < cases && failures < 5; ++i) {
        const Case c = randomCase(0x51ED0000u + i);
        const std::vector<Point> expected = computeAutoLayoutExhaustively(c.boxes, c.spacing, c.width, c.height, c.key);
        if (computeAutoLayout(c.boxes, c.spacing, c.width, c.height, c.key) == expected) continue;
        ++failures;
        ADD_FAILURE() << "case " << i << " (randomCase(" << 0x51ED0000u + i << ")): area " << c.width << "x" << c.height
                      << ", spacing " << c.spacing << ", " << c.boxes.size() << " boxes";
    }
}

// The placement order is the exchange procedure's, step for step, on large collections with few distinct keys (where
// the layout follows each pass from trade to trade) and with many.
TEST(AutoLayout, PlacesInTheExchangeProceduresOrderOnLargeCollections) {
    for (uint64_t seed = 0; seed < 24; ++seed) {
        Random random{std::mt19937_64(seed)};
        const LayoutSortKey key = seed % 2 ? kLongest : kPixels;
        const int32_t n = random.between(1, 1500), side = seed % 3 == 0 ? 2000 : random.between(1, 12);
        std::vector<LayoutBox> boxes;
        for (int32_t i = 0; i < n; ++i) boxes.push_back({random.between(1, side), random.between(1, side)});
        const auto keyOf = [&](size_t i) {
            const int64_t w = boxes[i].width, h = boxes[i].height;
            return key == kLongest ? std::max(w, h) : w * h;
        };
        std::vector<size_t> expected(boxes.size());
        for (size_t i = 0; i < expected.size(); ++i) expected[i] = i;
        for (size_t i = 0; i + 1 < expected.size(); ++i) {
            for (size_t j = expected.size() - 1; j > i; --j) {
                if (keyOf(expected[i]) < keyOf(expected[j])) std::swap(expected[i], expected[j]);
            }
        }
        EXPECT_EQ(autoLayoutOrder(boxes, key), expected) << "seed " << seed;
    }
}

// With stopAtFirstParked the layout is the whole one up to the first box parked in the placement order, and parks
// that box and every later one.
TEST(AutoLayout, StoppingAtTheFirstParkedBoxKeepsTheEarlierPlaces) {
    for (int i = 0; i < 2000; ++i) {
        const Case c = randomCase(0x57000000u + i);
        std::vector<bool> parked, stopParked;
        const std::vector<Point> whole = computeAutoLayout(c.boxes, c.spacing, c.width, c.height, c.key, &parked);
        const std::vector<Point> stopped =
            computeAutoLayout(c.boxes, c.spacing, c.width, c.height, c.key, &stopParked, true);
        bool stop = false;
        for (size_t index : autoLayoutOrder(c.boxes, c.key)) {
            stop = stop || parked[index];
            EXPECT_EQ(stopParked[index], stop) << "case " << i << ", box " << index;
            const Point expected = stop ? Point{c.width, c.height} : whole[index];
            EXPECT_EQ(stopped[index], expected) << "case " << i << ", box " << index;
        }
    }
}

// A collection with the in-memory list in step with it, and image files (4 x 4 unless made before) in a folder.
class CollectionTest : public testing::Test {
protected:
    void SetUp() override { ListDialog::instance().create(&images); }
    void TearDown() override { ListDialog::instance().destroy(); }
    void add(std::initializer_list<std::string> files, bool unique = true) {
        for (const std::string& f : files) {
            if (!fileExists(dir.file(f))) writeSolidImage(dir.file(f), 4, 4);
            ASSERT_TRUE(images.addFromFile(dir.file(f), unique)) << f;
        }
    }
    void select(const std::vector<const char*>& which) {
        images.deselectAllQuietly();
        for (const char* n : which) images.selectByName(n);
    }
    // The names, "*" marking the selected ones, then the list's entries, "^" marking the highlighted one.
    std::string state() const {
        std::string out;
        for (const auto& i : images.images()) out += i->name() + (i->isSelected() ? "* " : " ");
        out += "|";
        const ListDialog& list = ListDialog::instance();
        for (size_t k = 0; k < list.entries().size(); ++k) {
            out += " " + list.entries()[k] + (static_cast<int32_t>(k) == list.current() ? "^" : "");
        }
        return out;
    }

    TempDir dir;
    MessageRecorder messages;
    TextureCollection images;
};

// Unique names count on within 127 bytes; deleting frees a name; a deleted equal name takes the first such entry.
TEST_F(CollectionTest, UniqueNamesAndTheListInStep) {
    add({"grass.bmp", "grass.bmp", "grass.bmp", "Grass.tga", "grass_1.bmp"});
    EXPECT_EQ(state(), "GRASS GRASS_1 GRASS_2 GRASS_3 GRASS_1_1* | GRASS GRASS_1 GRASS_2 GRASS_3 GRASS_1_1^");
    select({"GRASS_1", "GRASS", "GRASS_3"});
    images.deleteSelected();
    add({"grass.bmp"});
    add({"grass.bmp"}, false);
    EXPECT_EQ(state(), "GRASS_2 GRASS_1_1 GRASS GRASS* | GRASS_2 GRASS_1_1 GRASS^ GRASS");
    select({"GRASS"});
    images.deleteSelected();
    EXPECT_EQ(state(), "GRASS_2 GRASS_1_1 | GRASS_2 GRASS_1_1");
    images.clear();
    add({std::string(127, 'a') + ".bmp", std::string(127, 'a') + ".bmp"});
    EXPECT_EQ(images.images()[1]->name(), std::string(125, 'A') + "_1");
    EXPECT_TRUE(messages.seen.empty());
}

TEST_F(CollectionTest, FilesThatCannotBeLoadedAreReportedAndChangeNothing) {
    add({"a.bmp"});
    const std::pair<std::string, std::string> cases[] = {
        {dir.file("missing.bmp"), "BMP Error : ファイルオープンに失敗! \n"},
        {fixturePath("cbad0.bmp"), "BMP Error : BMPヘッダ読み込みに失敗! \n"},
        {fixturePath("cbad0.tga"), "TGA読み込みに失敗！\n"},
        {writeSolidImage(dir.file("CAPS.BMP"), 4, 4), "BMPまたはTGAと識別できませんでした\n"},
    };
    for (const auto& [path, text] : cases) {
        messages.seen.clear();
        EXPECT_FALSE(images.addFromFile(path, true));
        EXPECT_EQ(messages.seen, std::vector<std::string>{"Failed!: " + text + "\"" + path + "\""});
    }
    EXPECT_EQ(state(), "A* | A^");
}

// The topmost image under the point goes to the back, its entry highlighted where it stood until the next move.
TEST_F(CollectionTest, PickingTakesTheTopmostImageToTheBack) {
    add({"a.bmp", "b.bmp", "c.bmp"});
    images.last().setPosition(100, 100);
    images.pickAt({4, 4});
    EXPECT_EQ(state(), "A C B* | A B^ C");
    images.moveSelectedUp();
    EXPECT_TRUE(images.pickAdditionalAt({100, 100}));
    EXPECT_FALSE(images.pickAdditionalAt({50, 50}));
    EXPECT_EQ(state(), "A B* C* | A B C^");
    images.moveSelectedBy({-5, 7});
    images.moveSelectedBy({-5, 7});
    EXPECT_EQ(images.images()[0]->position(), (Point{0, 0})) << "not selected";
    EXPECT_EQ(images.images()[1]->position(), (Point{-10, 14}));
    images.moveSelectedToOrigin();
    EXPECT_EQ(images.images()[2]->position(), (Point{0, 0}));
    images.pickAt({50, 50});
    EXPECT_EQ(state(), "A B C | A B C");
    images.images()[0]->setPosition(200, 200);  // the bottom image, alone under the point
    EXPECT_TRUE(images.pickAdditionalAt({200, 200}));
    EXPECT_EQ(state(), "B C A* | A^ B C");
    images.selectByName("B");
    add({"d.bmp"});
    EXPECT_EQ(state(), "B C A D* | A B C D^") << "an added image is the only one selected";
}

TEST_F(CollectionTest, ReorderingGivesTheseOrdersAndTheListFollows) {
    using Op = void (TextureCollection::*)();
    const Op first = &TextureCollection::moveSelectedToFirst, last = &TextureCollection::moveSelectedToLast,
             up = &TextureCollection::moveSelectedUp, down = &TextureCollection::moveSelectedDown;
    const std::tuple<Op, std::vector<const char*>, const char*> cases[] = {
        {first, {"B", "D"}, "D* B* A C E | D^ B A C E"}, {first, {}, "A B C D E | A B C D E"},
        {last, {"B", "D"}, "A C E B* D* | A C E B D"},   {last, {"A"}, "B C D E A* | B C D E A"},
        {up, {"C", "D"}, "A C* D* B E | A C D^ B E"},    {up, {"A", "B"}, "A* B* C D E | A B C D E"},
        {up, {"B", "D"}, "B* A D* C E | B A D^ C E"},    {down, {"A", "B"}, "B* A* C D E | B A^ C D E"},
        {down, {"E"}, "A B C D E* | A B C D E"},         {down, {"A", "C", "D"}, "B A* D* C* E | B A D C^ E"},
        {down, {"C", "E"}, "A B D C* E* | A B D C^ E"},  {down, {"D"}, "A B C E D* | A B C E D^"},
    };
    for (const auto& [op, selection, order] : cases) {
        images.clear();
        add({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"});
        select(selection);
        ListDialog::instance().clearMarks();
        (images.*op)();
        EXPECT_EQ(state(), order);
    }
}

}  // namespace
