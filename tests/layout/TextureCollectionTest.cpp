#include <gtest/gtest.h>

#include "base/FileSystem.h"
#include "layout/ListDialog.h"
#include "layout/TextureCollection.h"
#include "project/Settings.h"
#include "support/ImageFiles.h"
#include "support/TestSupport.h"

namespace {

// A collection with the in-memory list in step with it, and image files in a temporary folder.
class CollectionTest : public testing::Test {
protected:
    void SetUp() override { ListDialog::instance().create(&images); }
    void TearDown() override { ListDialog::instance().destroy(); }

    std::string image(const std::string& file, int w = 4, int h = 4) {
        const std::string path = dir.file(file);
        if (!fileExists(path)) writeSolidImage(path, w, h, solid(10, 20, 30));
        return path;
    }

    // Adds the files in order with unique naming; each must load.
    void add(std::initializer_list<const char*> files) {
        for (const char* f : files) ASSERT_TRUE(images.addFromFile(image(f), true)) << f;
    }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& i : images.images()) out.push_back(i->name());
        return out;
    }

    std::vector<std::string> selected() const {
        std::vector<std::string> out;
        for (const auto& i : images.images()) {
            if (i->isSelected()) out.push_back(i->name());
        }
        return out;
    }

    void select(std::initializer_list<const char*> which) {
        images.deselectAllQuietly();
        for (const char* n : which) images.selectByName(n);
    }

    const std::vector<std::string>& listed() const { return ListDialog::instance().entries(); }
    int32_t highlighted() const { return ListDialog::instance().current(); }

    TempDir dir;
    MessageRecorder messages;
    TextureCollection images;
};

TEST_F(CollectionTest, UniqueNamesCountOnFromTheTakenOnes) {
    add({"grass.bmp", "grass.bmp", "grass.bmp", "tree.bmp", "Tree.bmp"});
    EXPECT_EQ(names(), (std::vector<std::string>{"GRASS", "GRASS_1", "GRASS_2", "TREE", "TREE_1"}));
    // A name taken by another file makes the counter skip on.
    images.clear();
    add({"rock.bmp", "rock_1.bmp", "rock.bmp"});
    EXPECT_EQ(names(), (std::vector<std::string>{"ROCK", "ROCK_1", "ROCK_2"}));
    EXPECT_EQ(listed(), names());
    EXPECT_TRUE(messages.entries().empty());
}

TEST_F(CollectionTest, NamesStayWithinTheirLengthWhenNumbered) {
    const std::string longName(127, 'a');
    add({"x.bmp"});
    ASSERT_TRUE(images.addFromFile(image(longName + ".bmp"), true));
    ASSERT_TRUE(images.addFromFile(image(longName + ".bmp"), true));
    ASSERT_TRUE(images.addFromFile(image(longName + ".bmp"), true));
    EXPECT_EQ(names()[1], std::string(127, 'A'));
    EXPECT_EQ(names()[2], std::string(125, 'A') + "_1");
    EXPECT_EQ(names()[3], std::string(125, 'A') + "_2");
}

TEST_F(CollectionTest, WithoutUniqueNamingEqualNamesCoexist) {
    ASSERT_TRUE(images.addFromFile(image("grass.bmp"), false));
    ASSERT_TRUE(images.addFromFile(image("grass.bmp"), false));
    EXPECT_EQ(names(), (std::vector<std::string>{"GRASS", "GRASS"}));
    images.deselectAllQuietly();
    images.selectByName("GRASS");
    EXPECT_EQ(selected().size(), 2u);
    // Deleting removes the first list entry bearing the name for each deleted image.
    images.deleteSelected();
    EXPECT_TRUE(listed().empty());
}

TEST_F(CollectionTest, AnAddLeavesOnlyTheNewImageSelectedAndHighlighted) {
    add({"a.bmp", "b.bmp", "c.tga"});
    EXPECT_EQ(selected(), std::vector<std::string>{"C"});
    EXPECT_EQ(listed(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(highlighted(), 2);
    EXPECT_EQ(images.last().name(), "C");
    EXPECT_EQ(images.last().position(), (Point{0, 0}));
}

TEST_F(CollectionTest, FilesThatCannotBeLoadedAreReportedAndChangeNothing) {
    add({"a.bmp"});
    writeBytes(dir.file("broken.tga"), std::string("not a targa"));
    writeBytes(dir.file("broken.bmp"), std::string("BM"));
    struct Case {
        std::string path, text;
    };
    const Case cases[] = {
        {dir.file("missing.bmp"), "BMP Error : ファイルオープンに失敗! \n\"" + dir.file("missing.bmp") + "\""},
        {dir.file("broken.bmp"), "BMP Error : BMPヘッダ読み込みに失敗! \n\"" + dir.file("broken.bmp") + "\""},
        {dir.file("broken.tga"), "TGA読み込みに失敗！\n\"" + dir.file("broken.tga") + "\""},
        {image("CAPS.BMP"), "BMPまたはTGAと識別できませんでした\n\"" + dir.file("CAPS.BMP") + "\""},
        {dir.file("noext"), "BMPまたはTGAと識別できませんでした\n\"" + dir.file("noext") + "\""},
    };
    for (const Case& c : cases) {
        messages.clear();
        EXPECT_FALSE(images.addFromFile(c.path, true));
        ASSERT_EQ(messages.entries().size(), 1u);
        EXPECT_EQ(messages.entries()[0].text, c.text);
        EXPECT_EQ(messages.entries()[0].caption, "Failed!");
    }
    EXPECT_EQ(names(), std::vector<std::string>{"A"});
    EXPECT_EQ(listed(), std::vector<std::string>{"A"});
    EXPECT_EQ(highlighted(), 0);
}

TEST_F(CollectionTest, PickingTakesTheTopmostImageToTheBack) {
    add({"a.bmp", "b.bmp", "c.bmp"});
    images.last().setPosition(100, 100);  // C lies elsewhere; A and B overlap at the origin
    images.pickAt({1, 1});
    EXPECT_EQ(selected(), std::vector<std::string>{"B"});
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "C", "B"}));
    // The entry stays where it was; only the highlight moves to it.
    EXPECT_EQ(listed(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(highlighted(), 1);

    // Ctrl-pick adds to the selection.
    EXPECT_TRUE(images.pickAdditionalAt({104, 104}));
    EXPECT_EQ(selected(), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(highlighted(), 2);

    // An empty spot: the additional pick changes nothing, the plain pick deselects all and clears the highlight.
    EXPECT_FALSE(images.pickAdditionalAt({50, 50}));
    EXPECT_EQ(selected(), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(highlighted(), 2);
    images.pickAt({50, 50});
    EXPECT_TRUE(selected().empty());
    EXPECT_EQ(highlighted(), -1);
}

TEST_F(CollectionTest, ReorderingGivesTheseOrdersAndTheListFollows) {
    using Op = void (TextureCollection::*)();
    struct Case {
        const char* what;
        Op op;
        std::initializer_list<const char*> selection;
        std::vector<std::string> order;
        int32_t highlighted;
    };
    const Case cases[] = {
        {"to first", &TextureCollection::moveSelectedToFirst, {"B", "D"}, {"D", "B", "A", "C"}, 0},
        {"to last", &TextureCollection::moveSelectedToLast, {"B", "D"}, {"A", "C", "B", "D"}, -1},
        {"up, a run", &TextureCollection::moveSelectedUp, {"C", "D"}, {"A", "C", "D", "B"}, 2},
        {"up, run at the front", &TextureCollection::moveSelectedUp, {"A", "B"}, {"A", "B", "C", "D"}, -1},
        {"up, apart", &TextureCollection::moveSelectedUp, {"B", "D"}, {"B", "A", "D", "C"}, 2},
        {"down, neighbours", &TextureCollection::moveSelectedDown, {"A", "B"}, {"B", "A", "C", "D"}, 1},
        {"down, the last", &TextureCollection::moveSelectedDown, {"D"}, {"A", "B", "C", "D"}, -1},
        {"down, apart", &TextureCollection::moveSelectedDown, {"A", "C"}, {"B", "A", "D", "C"}, 3},
        {"nothing selected", &TextureCollection::moveSelectedToFirst, {}, {"A", "B", "C", "D"}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        images.clear();
        add({"a.bmp", "b.bmp", "c.bmp", "d.bmp"});
        select(c.selection);
        ListDialog::instance().clearMarks();
        (images.*c.op)();
        EXPECT_EQ(names(), c.order);
        EXPECT_EQ(listed(), c.order);
        EXPECT_EQ(highlighted(), c.highlighted);
        EXPECT_EQ(selected().size(), c.selection.size());
    }
}

TEST_F(CollectionTest, AfterAPickTheListEntryMovesToTheImagesNewIndex) {
    add({"a.bmp", "b.bmp", "c.bmp"});
    images.last().setPosition(50, 50);
    images.pickAt({1, 1});  // B goes to the back of the collection, its entry stays second
    images.moveSelectedUp();
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(listed(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(highlighted(), 1);
}

TEST_F(CollectionTest, DeletingAndMovingActOnTheSelection) {
    add({"a.bmp", "b.bmp", "c.bmp", "d.bmp"});
    select({"B", "D"});
    images.moveSelectedBy({-5, 7});
    images.moveSelectedBy({-5, 7});
    EXPECT_EQ(images.images()[1]->position(), (Point{-10, 14}));
    EXPECT_EQ(images.images()[0]->position(), (Point{0, 0}));
    images.moveSelectedToOrigin();
    EXPECT_EQ(images.images()[1]->position(), (Point{0, 0}));
    images.deleteSelected();
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(listed(), names());
    // A deleted name is free again.
    add({"b.bmp"});
    EXPECT_EQ(names().back(), "B");
}

TEST_F(CollectionTest, ClearEmptiesTheList) {
    add({"a.bmp", "b.bmp"});
    images.clear();
    EXPECT_EQ(images.count(), 0);
    EXPECT_TRUE(listed().empty());
    add({"a.bmp"});
    EXPECT_EQ(names(), std::vector<std::string>{"A"});
}

TEST(CollectionWithoutList, WorksWhileTheListDoesNotExist) {
    TempDir dir;
    TextureCollection images;
    ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file("a.bmp"), 2, 2, solid(1, 1, 1)), true));
    ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file("a.bmp"), 2, 2, solid(1, 1, 1)), true));
    images.moveSelectedToFirst();
    EXPECT_EQ(images.images()[0]->name(), "A_1");
    EXPECT_TRUE(ListDialog::instance().entries().empty());
    EXPECT_EQ(ListDialog::instance().findName("A"), -1);
}

}  // namespace

namespace {

TEST_F(CollectionTest, AutoLayoutPlacesByTheSettingsKeyAndChangesOnlyPositions) {
    Settings::instance().resetToDefaults();
    ASSERT_TRUE(images.addFromFile(image("i1.bmp", 128, 128), true));
    ASSERT_TRUE(images.addFromFile(image("i2.bmp", 64, 64), true));
    ASSERT_TRUE(images.addFromFile(image("i3.bmp", 64, 64), true));
    ASSERT_TRUE(images.addFromFile(image("wide.bmp", 300, 2), true));
    select({"I2", "WIDE"});
    ListDialog::instance().markName("I3");
    images.images()[0]->setPosition(77, 77);

    EXPECT_EQ(images.autoLayout(1, 256, 256), (std::vector<bool>{false, false, false, true}));
    std::vector<Point> placed;
    for (const auto& i : images.images()) placed.push_back(i->position());
    // WIDE sorts first (longest side 300) and is parked; the exchange sort then puts I3 before I2 (equal keys), so I3
    // takes the place below I1 and I2 the one beside it.
    EXPECT_EQ(placed, (std::vector<Point>{{1, 1}, {130, 1}, {1, 130}, {256, 256}}));
    EXPECT_EQ(names(), (std::vector<std::string>{"I1", "I2", "I3", "WIDE"}));
    EXPECT_EQ(selected(), (std::vector<std::string>{"I2", "WIDE"}));
    EXPECT_EQ(listed(), names());
    EXPECT_EQ(highlighted(), 2);

    // By pixel count the 300 x 2 image (600 pixels) comes after the 64 x 64 ones and still finds no place.
    Settings::instance().sortByEdgeLength = 0;
    EXPECT_EQ(images.autoLayout(0, 512, 512), std::vector<bool>(4, false));
    EXPECT_EQ(images.images()[0]->position(), (Point{0, 0}));
    EXPECT_EQ(images.images()[3]->position(), (Point{0, 192}));
    Settings::instance().resetToDefaults();
}

}  // namespace
