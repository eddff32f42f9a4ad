#include <gtest/gtest.h>

#include "base/FileSystem.h"
#include "layout/ListDialog.h"
#include "layout/TextureCollection.h"
#include "project/Settings.h"
#include "support/TestSupport.h"

namespace {

// A collection with the in-memory list in step with it, and image files in a temporary folder.
class CollectionTest : public testing::Test {
protected:
    void SetUp() override { ListDialog::instance().create(&images); }
    void TearDown() override { ListDialog::instance().destroy(); }

    // Adds the files (4 x 4 unless made before) in order with unique naming; each must load.
    void add(std::initializer_list<std::string> files) {
        for (const std::string& f : files) {
            if (!fileExists(dir.file(f))) writeSolidImage(dir.file(f), 4, 4);
            ASSERT_TRUE(images.addFromFile(dir.file(f), true)) << f;
        }
    }
    std::vector<std::string> names(bool selectedOnly = false) const {
        std::vector<std::string> out;
        for (const auto& i : images.images()) {
            if (!selectedOnly || i->isSelected()) out.push_back(i->name());
        }
        return out;
    }
    void select(std::initializer_list<const char*> which) {
        images.deselectAllQuietly();
        for (const char* n : which) images.selectByName(n);
    }
    // The list's entries and its highlighted one must mirror the collection as given.
    void expectListed(const std::vector<std::string>& entries, int32_t highlighted) const {
        EXPECT_EQ(ListDialog::instance().entries(), entries);
        EXPECT_EQ(ListDialog::instance().current(), highlighted);
    }

    TempDir dir;
    MessageRecorder messages;
    TextureCollection images;
};

TEST_F(CollectionTest, UniqueNamesCountOnFromTheTakenOnesWithinTheirLength) {
    const std::string longName(127, 'a');
    add({"grass.bmp", "grass.bmp", "grass.bmp", "Grass.tga", "grass_1.bmp", longName + ".bmp", longName + ".bmp"});
    EXPECT_EQ(names(), (std::vector<std::string>{"GRASS", "GRASS_1", "GRASS_2", "GRASS_3", "GRASS_1_1",
                                                 std::string(127, 'A'), std::string(125, 'A') + "_1"}));
    EXPECT_EQ(names(true), std::vector<std::string>{std::string(125, 'A') + "_1"}) << "only the new image is selected";
    expectListed(names(), 6);
    EXPECT_EQ(images.last().position(), (Point{0, 0}));
    // Deleting frees a name; without unique naming equal names coexist.
    select({"GRASS_1", "GRASS"});
    images.deleteSelected();
    ASSERT_TRUE(images.addFromFile(dir.file("grass.bmp"), true));
    ASSERT_TRUE(images.addFromFile(dir.file("grass.bmp"), false));
    EXPECT_EQ(names(), (std::vector<std::string>{"GRASS_2", "GRASS_3", "GRASS_1_1", std::string(127, 'A'),
                                                 std::string(125, 'A') + "_1", "GRASS", "GRASS"}));
    expectListed(names(), 5);
    select({"GRASS"});  // both; each deleted image takes out the first entry bearing its name
    images.deleteSelected();
    expectListed(names(), -1);
    images.clear();
    expectListed({}, -1);
    EXPECT_TRUE(messages.seen.empty());
}

TEST_F(CollectionTest, FilesThatCannotBeLoadedAreReportedAndChangeNothing) {
    add({"a.bmp"});
    writeSolidImage(dir.file("CAPS.BMP"), 4, 4);
    writeBytes(dir.file("broken.tga"), std::string("not a targa"));
    writeBytes(dir.file("broken.bmp"), std::string("BM"));
    const std::pair<std::string, std::string> cases[] = {
        {"missing.bmp", "BMP Error : ファイルオープンに失敗! \n"},
        {"broken.bmp", "BMP Error : BMPヘッダ読み込みに失敗! \n"},
        {"broken.tga", "TGA読み込みに失敗！\n"},
        {"CAPS.BMP", "BMPまたはTGAと識別できませんでした\n"},
        {"noext", "BMPまたはTGAと識別できませんでした\n"},
    };
    for (const auto& [file, text] : cases) {
        messages.seen.clear();
        EXPECT_FALSE(images.addFromFile(dir.file(file), true));
        EXPECT_EQ(messages.seen, std::vector<std::string>{"Failed!: " + text + "\"" + dir.file(file) + "\""});
    }
    EXPECT_EQ(names(), std::vector<std::string>{"A"});
    expectListed({"A"}, 0);
}

// The topmost image under the point is selected and goes to the back; its list entry stays and is highlighted.
TEST_F(CollectionTest, PickingTakesTheTopmostImageToTheBack) {
    add({"a.bmp", "b.bmp", "c.bmp"});
    images.last().setPosition(100, 100);  // C lies elsewhere; A and B overlap at the origin
    images.pickAt({4, 4});
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(names(true), std::vector<std::string>{"B"});
    expectListed({"A", "B", "C"}, 1);
    images.moveSelectedUp();  // the entry moves to the image's new index
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "B", "C"}));
    expectListed(names(), 1);
    EXPECT_TRUE(images.pickAdditionalAt({100, 100}));
    EXPECT_EQ(names(true), (std::vector<std::string>{"B", "C"}));
    expectListed(names(), 2);
    EXPECT_FALSE(images.pickAdditionalAt({50, 50}));
    EXPECT_EQ(names(true).size(), 2u);
    images.moveSelectedBy({-5, 7});
    images.moveSelectedBy({-5, 7});
    EXPECT_EQ(images.images()[0]->position(), (Point{0, 0})) << "not selected";
    EXPECT_EQ(images.images()[1]->position(), (Point{-10, 14}));
    images.moveSelectedToOrigin();
    EXPECT_EQ(images.images()[2]->position(), (Point{0, 0}));
    images.pickAt({50, 50});
    EXPECT_TRUE(names(true).empty());
    expectListed(names(), -1);
}

TEST_F(CollectionTest, ReorderingGivesTheseOrdersAndTheListFollows) {
    using Op = void (TextureCollection::*)();
    const Op first = &TextureCollection::moveSelectedToFirst, last = &TextureCollection::moveSelectedToLast,
             up = &TextureCollection::moveSelectedUp, down = &TextureCollection::moveSelectedDown;
    const struct {
        Op op;
        std::initializer_list<const char*> selection;
        std::vector<std::string> order;
        int32_t highlighted;
    } cases[] = {
        {first, {"B", "D"}, {"D", "B", "A", "C", "E"}, 0}, {first, {}, {"A", "B", "C", "D", "E"}, -1},
        {last, {"B", "D"}, {"A", "C", "E", "B", "D"}, -1}, {last, {"A"}, {"B", "C", "D", "E", "A"}, -1},
        {up, {"C", "D"}, {"A", "C", "D", "B", "E"}, 2},    {up, {"A", "B"}, {"A", "B", "C", "D", "E"}, -1},
        {up, {"B", "D"}, {"B", "A", "D", "C", "E"}, 2},    {down, {"A", "B"}, {"B", "A", "C", "D", "E"}, 1},
        {down, {"E"}, {"A", "B", "C", "D", "E"}, -1},      {down, {"A", "C", "D"}, {"B", "A", "D", "C", "E"}, 3},
        {down, {"C", "E"}, {"A", "B", "D", "C", "E"}, 3},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        images.clear();
        add({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"});
        select(cases[i].selection);
        ListDialog::instance().clearMarks();
        (images.*cases[i].op)();
        EXPECT_EQ(names(), cases[i].order);
        expectListed(cases[i].order, cases[i].highlighted);
        EXPECT_EQ(names(true).size(), cases[i].selection.size());
    }
}

// Only positions change; the key follows Settings::sortByEdgeLength.
TEST_F(CollectionTest, AutoLayoutPlacesByTheSettingsKey) {
    for (const auto& [file, side] : {std::pair{"i1.bmp", 128}, {"i2.bmp", 64}, {"i3.bmp", 64}}) {
        writeSolidImage(dir.file(file), side, side);
    }
    writeSolidImage(dir.file("wide.bmp"), 300, 2);
    add({"i1.bmp", "i2.bmp", "i3.bmp", "wide.bmp"});
    select({"I2", "WIDE"});
    ListDialog::instance().markName("I3");
    Settings::instance().sortByEdgeLength = 1;
    EXPECT_EQ(images.autoLayout(1, 256, 256), (std::vector<bool>{false, false, false, true}));
    std::vector<Point> placed;
    for (const auto& i : images.images()) placed.push_back(i->position());
    EXPECT_EQ(placed, (std::vector<Point>{{1, 1}, {130, 1}, {1, 130}, {256, 256}}));
    EXPECT_EQ(names(true), (std::vector<std::string>{"I2", "WIDE"}));
    expectListed(names(), 2);
    // By pixel count the 300 x 2 image (600 pixels) comes after the 64 x 64 ones.
    Settings::instance().sortByEdgeLength = 0;
    EXPECT_EQ(images.autoLayout(0, 512, 512), std::vector<bool>(4, false));
    EXPECT_EQ(images.images()[3]->position(), (Point{0, 192}));
    Settings::instance().resetToDefaults();
}

TEST(CollectionWithoutList, WorksWhileTheListDoesNotExist) {
    TempDir dir;
    TextureCollection images;
    ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file("a.bmp"), 2, 2), true));
    ASSERT_TRUE(images.addFromFile(dir.file("a.bmp"), true));
    images.moveSelectedToFirst();
    EXPECT_EQ(images.images()[0]->name(), "A_1");
    EXPECT_TRUE(ListDialog::instance().entries().empty());
    EXPECT_EQ(ListDialog::instance().findName("A"), -1);
}

}  // namespace
