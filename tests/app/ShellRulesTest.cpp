#include <gtest/gtest.h>

#include "app/CanvasGeometry.h"
#include "app/ProjectSnapshot.h"
#include "app/ShellRules.h"
#include "base/FileSystem.h"
#include "layout/ListDialog.h"
#include "layout/TextureCollection.h"
#include "project/Settings.h"
#include "project/SettingsDialogRules.h"
#include "project/UsualPlaces.h"
#include "support/ImageFiles.h"
#include "support/TestSupport.h"

namespace {

TEST(CanvasGeometry, ConversionsRoundTheirOwnWay) {
    struct Case {
        int32_t value, zoom, screen, area;
    };
    const Case cases[] = {{-1, 512, -2, 0}, {-3, 512, -6, -1}, {-1, 128, -1, -2}, {-3, 128, -2, -6},
                          {5, 384, 7, 3},   {255, 64, 63, 1020}, {1000, 64, 250, 4000}};
    for (const Case& c : cases) {
        EXPECT_EQ(toScreen(c.value, c.zoom), c.screen) << c.value << " at " << c.zoom;
        EXPECT_EQ(toArea(c.value, c.zoom), c.area) << c.value << " at " << c.zoom;
    }
}

TEST(CanvasGeometry, OriginAndVisiblePart) {
    Settings s;
    EXPECT_EQ(areaOrigin({632, 426}, 20, s), (Point{188, 75}));  // centred above the status bar
    s.areaWidth = 700;
    EXPECT_EQ(areaOrigin({632, 426}, 20, s), (Point{0, 75}));  // wider than the client: pinned left
    s.zoom = 64;
    EXPECT_EQ(areaOrigin({632, 426}, 20, s), (Point{228, 171}));
    s.centerArea = 0;
    EXPECT_EQ(areaOrigin({632, 426}, 20, s), (Point{0, 0}));
    EXPECT_EQ(areaOnCanvas({10, 20}, s), (Rect{10, 20, 10 + 175, 20 + 64}));
    EXPECT_EQ(visibleCanvasSize({1023, 1044}, 20), (Point{1023, 1023}));
    EXPECT_EQ(visibleCanvasSize({1400, 1030}, 20), (Point{1023, 1010}));
    EXPECT_EQ(visibleCanvasSize({0, 10}, 20), (Point{0, 0}));
}

// The bounds are tested before each step, not clamped.
TEST(CanvasGeometry, ZoomStepsAndText) {
    std::vector<std::string> texts;
    int32_t zoom = 256;
    while (zoomIn(zoom)) texts.push_back(zoomText(zoom));
    while (zoomOut(zoom)) texts.push_back(zoomText(zoom));
    EXPECT_EQ(texts, (std::vector<std::string>{"2.00倍", "4.00倍", "2.00倍", "1.00倍", "0.50倍", "0.25倍"}));
    zoom = 300;
    EXPECT_TRUE(zoomIn(zoom) && zoomIn(zoom) && !zoomIn(zoom));
    EXPECT_EQ(zoom, 1200);
    zoom = 100;
    EXPECT_TRUE(zoomOut(zoom) && !zoomOut(zoom));
    EXPECT_EQ(zoom, 50);
}

TEST(ShellRules, KeysDragsDropsAndHelp) {
    EXPECT_EQ(commandForCharacter('f'), 40005);
    EXPECT_EQ(commandForCharacter('S'), 40028);
    EXPECT_EQ(commandForCharacter('.'), 40013);
    EXPECT_EQ(commandForCharacter('x'), 0);
    EXPECT_EQ(commandForCharacter(kEscapeCharacter), 0);
    Point step;
    EXPECT_TRUE(arrowStep(0x25, step) && step == (Point{-1, 0}));
    EXPECT_TRUE(arrowStep(0x28, step) && step == (Point{0, 1}));
    EXPECT_FALSE(arrowStep(0x2E, step));
    EXPECT_TRUE(isDragStep(0x0001, true));
    EXPECT_FALSE(isDragStep(0x0001 | 0x0004, true));  // Shift held
    EXPECT_FALSE(isDragStep(0x0001 | 0x0008, true));  // Ctrl held
    EXPECT_FALSE(isDragStep(0x0001, false));
    EXPECT_EQ(dropAction("C:\\p\\a.qbp", 1), DropAction::OpenProject);
    EXPECT_EQ(dropAction("C:\\p\\a.qbp", 2), DropAction::Ignore);
    EXPECT_EQ(dropAction("C:\\p\\a.tga", 2), DropAction::AddImage);
    EXPECT_EQ(dropAction("C:\\p\\A.BMP", 1), DropAction::Ignore);
    EXPECT_EQ(dropAction("C:\\p.bmp\\a", 1), DropAction::Ignore);
    EXPECT_EQ(menuHelpString(40028), 0);
    EXPECT_EQ(menuHelpString(40029), 40028);
    EXPECT_EQ(menuHelpString(40030), 40029);
    EXPECT_EQ(menuHelpString(40001), 1);
}

TEST(ShellRules, ChosenFilesJoinFolderAndNames) {
    const auto buffer = [](const std::string& text) { return std::vector<char>(text.begin(), text.end()); };
    std::vector<ChosenFile> one = chosenFiles(buffer(std::string("C:\\p\\a.bmp\0\0\0", 13)), 255);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].path, "C:\\p\\a.bmp");
    const std::string longName(251, 'x');  // joined: 256 bytes
    const std::vector<ChosenFile> several =
        chosenFiles(buffer(std::string("C:\\p\0a.bmp\0", 11) + longName + std::string("\0b.tga\0\0", 8)), 255);
    ASSERT_EQ(several.size(), 3u);
    EXPECT_EQ(several[0].path, "C:\\p/a.bmp");
    EXPECT_TRUE(several[1].tooLong);
    EXPECT_EQ(several[2].path, "C:\\p/b.tga");
    EXPECT_FALSE(several[0].tooLong || several[2].tooLong);
    EXPECT_TRUE(chosenFiles(buffer(std::string(4, '\0')), 255).empty());
}

TEST(SettingsDialogRules, DecimalsAndAreaSteps) {
    const std::pair<const char*, int32_t> numbers[] = {{"12abc", 12}, {"", 0}, {"-4", -4}, {"  +7 ", 7},
                                                       {"x1", 0},     {"-", 0}, {"99999999999", 2147483647},
                                                       {"-2147483648", -2147483647 - 1}};
    for (const auto& [text, value] : numbers) EXPECT_EQ(parseDecimal(text), value) << text;
    // Up from 256 to 512, 1024 and round to 32; down from 32 round to 1024; unchanged stays.
    const int32_t steps[][3] = {{256, 257, 512}, {512, 513, 1024}, {1024, 1025, 32}, {32, 31, 1024},
                                {256, 255, 128}, {64, 63, 32},     {256, 256, 256}};
    for (const auto& s : steps) EXPECT_EQ(nextAreaSide(s[0], s[1]), s[2]) << s[0] << " -> " << s[1];
}

class ProjectState : public testing::Test {
protected:
    void SetUp() override {
        ListDialog::instance().create(&images);
        for (const char* name : {"a.bmp", "b.bmp"}) {
            ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file(name), 4, 4, solid(1, 2, 3)), true));
        }
        Settings::instance().resetToDefaults();
    }
    void TearDown() override { ListDialog::instance().destroy(); }
    TempDir dir;
    TextureCollection images;
};

// Moving, reordering or renaming images is unsaved work, like a changed setting; an edit undone is none.
TEST_F(ProjectState, SnapshotSeesEveryEdit) {
    ProjectSnapshot saved;
    saved.take(images);
    Settings& settings = Settings::instance();
    EXPECT_FALSE(saved.isChanged(images, settings));
    images.moveSelectedBy({1, 0});
    EXPECT_TRUE(saved.isChanged(images, settings));
    images.moveSelectedBy({-1, 0});
    EXPECT_FALSE(saved.isChanged(images, settings));
    images.moveSelectedToFirst();
    EXPECT_TRUE(saved.isChanged(images, settings));
    images.moveSelectedToLast();
    images.setName(images.last(), "OTHER");
    EXPECT_TRUE(saved.isChanged(images, settings));
    images.setName(images.last(), "B");
    settings.zoom = 512;
    EXPECT_TRUE(saved.isChanged(images, settings));
    settings.zoom = 256;
    EXPECT_FALSE(saved.isChanged(images, settings));
    images.deleteSelected();
    EXPECT_TRUE(saved.isChanged(images, settings));
}

// Only the exports with a path are written, the ID header before the UV lists; a failed one is left out.
TEST_F(ProjectState, UsualPlacesReport) {
    Settings& s = Settings::instance();
    EXPECT_EQ(writeToUsualPlaces(images, s), "出力しませんでした。");
    Settings::setText(s.usualPaths[Settings::kUsualTga], dir.file("atlas.tga"));
    Settings::setText(s.usualPaths[Settings::kUsualIdHeader], dir.file("ids.h"));
    EXPECT_EQ(writeToUsualPlaces(images, s), "TGA\nID\n\nを出力しました。");
    EXPECT_TRUE(fileExists(dir.file("atlas.tga")) && fileExists(dir.file("ids.h")));
    Settings::setText(s.usualPaths[Settings::kUsualTga], dir.file("no-folder") + kSeparator + "atlas.tga");
    Settings::setText(s.usualPaths[Settings::kUsualBmp], dir.file("atlas.bmp"));
    Settings::setText(s.usualPaths[Settings::kUsualQuv], dir.file("uv.quv"));
    Settings::setText(s.usualPaths[Settings::kUsualUvArray], dir.file("uv.h"));
    EXPECT_EQ(writeToUsualPlaces(images, s), "BMP\nID\nUV\nUV C,C++変数定義テキスト形式\n\nを出力しました。");
}

}  // namespace
