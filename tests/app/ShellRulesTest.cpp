#include <gtest/gtest.h>

#include "app/CanvasGeometry.h"
#include "app/ProjectSnapshot.h"
#include "layout/ListDialog.h"
#include "layout/TextureCollection.h"
#include "project/Settings.h"
#include "project/SettingsDialogRules.h"
#include "project/UsualPlaces.h"
#include "support/TestSupport.h"

namespace {

// Area to client rounds towards minus infinity, client to area towards zero.
TEST(ShellRules, CanvasConversions) {
    const int32_t cases[][4] = {{-1, 512, -2, 0}, {-3, 512, -6, -1}, {-1, 128, -1, -2}, {-3, 128, -2, -6},
                                {5, 384, 7, 3},   {255, 64, 63, 1020}, {1000, 64, 250, 4000}};
    for (const auto& c : cases) {
        EXPECT_EQ(toScreen(c[0], c[1]), c[2]) << c[0] << " at " << c[1];
        EXPECT_EQ(toArea(c[0], c[1]), c[3]) << c[0] << " at " << c[1];
    }
}

TEST(ShellRules, SettingsDialogDecimalsAndAreaSteps) {
    const std::pair<const char*, int32_t> numbers[] = {{"12abc", 12}, {"", 0}, {"-4", -4}, {"  +7 ", 7},
                                                       {"x1", 0},     {"-", 0}, {"99999999999", 2147483647},
                                                       {"-2147483648", -2147483647 - 1}};
    for (const auto& [text, value] : numbers) EXPECT_EQ(parseDecimal(text), value) << text;
    // Up from 256 to 512, 1024 and round to 32; down from 32 round to 1024; unchanged stays.
    const int32_t steps[][3] = {{256, 257, 512}, {512, 513, 1024}, {1024, 1025, 32}, {32, 31, 1024},
                                {256, 255, 128}, {64, 63, 32},     {256, 256, 256}};
    for (const auto& s : steps) EXPECT_EQ(nextAreaSide(s[0], s[1]), s[2]) << s[0] << " -> " << s[1];
}

// Reordering or renaming images is unsaved work, like a move; an edit undone is none.
TEST(ShellRules, SnapshotSeesOrderAndNames) {
    TempDir dir;
    TextureCollection images;
    ListDialog::instance().create(&images);
    for (const char* name : {"a.bmp", "b.bmp"}) {
        ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file(name), 4, 4), true));
    }
    Settings::instance().resetToDefaults();
    ProjectSnapshot saved;
    saved.take(images);
    images.moveSelectedToFirst();
    EXPECT_TRUE(saved.isChanged(images, Settings::instance()));
    images.moveSelectedToLast();
    EXPECT_FALSE(saved.isChanged(images, Settings::instance()));
    images.setName(images.last(), "OTHER");
    EXPECT_TRUE(saved.isChanged(images, Settings::instance()));
    ListDialog::instance().destroy();
}

// Only the exports with a path are written, the ID header before the UV lists; a failed one is left out.
TEST(ShellRules, UsualPlacesReport) {
    TempDir dir;
    TextureCollection images;
    ListDialog::instance().create(&images);
    ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file("a.bmp"), 4, 4), true));
    Settings& s = Settings::instance();
    s.resetToDefaults();
    EXPECT_EQ(writeToUsualPlaces(images, s), "出力しませんでした。");
    Settings::setText(s.usualPaths[Settings::kUsualTga], dir.file("no-folder") + kPathSeparator + "atlas.tga");
    Settings::setText(s.usualPaths[Settings::kUsualIdHeader], dir.file("ids.h"));
    Settings::setText(s.usualPaths[Settings::kUsualBmp], dir.file("atlas.bmp"));
    Settings::setText(s.usualPaths[Settings::kUsualQuv], dir.file("uv.quv"));
    Settings::setText(s.usualPaths[Settings::kUsualUvArray], dir.file("uv.h"));
    EXPECT_EQ(writeToUsualPlaces(images, s), "BMP\nID\nUV\nUV C,C++変数定義テキスト形式\n\nを出力しました。");
    EXPECT_TRUE(fileExists(dir.file("ids.h")) && fileExists(dir.file("uv.h")));
    ListDialog::instance().destroy();
}

}  // namespace
