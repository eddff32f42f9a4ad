#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "base/ShiftJis.h"
#include "image/DecodedImage.h"
#include "image/TextureImage.h"
#include "inputs/Animations.h"
#include "inputs/FolderScan.h"
#include "inputs/InputFiles.h"
#include "inputs/ListFile.h"
#include "inputs/NaturalOrder.h"
#include "inputs/NinePatch.h"
#include "inputs/SpriteLoading.h"
#include "layout/TextureCollection.h"
#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace std::string_literals;

ImageKind anyCase(const std::string& path) {
    std::string extension = toUpperSingleByte(splitPath(path).extension);
    return extension == ".PNG" ? ImageKind::Png : extension == ".BMP" ? ImageKind::Bmp : ImageKind::None;
}

// Every name of the table sorts before the next one; sorting them shuffled gives them back.
TEST(NaturalOrder, DigitRunsCompareByValueTheRestByBytes) {
    std::vector<std::string> ordered = {""};
    std::istringstream words(
        "01 1 2 10 a a1 a2 a9 a10 a10b a11 run10 run_01 run_1 run_2 run_10 run_100 x2y10 "
        "x0000000000000000000009 x10y2 x99999999999999999999 砂2 砂10");
    for (std::string word; words >> word;) ordered.push_back(word);
    for (size_t i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_TRUE(naturalLess(ordered[i], ordered[i + 1])) << ordered[i] << " < " << ordered[i + 1];
        EXPECT_FALSE(naturalLess(ordered[i + 1], ordered[i])) << ordered[i + 1] << " !< " << ordered[i];
    }
    EXPECT_FALSE(naturalLess("a", "a"));
    std::vector<std::string> shuffled(ordered.rbegin(), ordered.rend());
    std::rotate(shuffled.begin(), shuffled.begin() + 7, shuffled.end());
    std::sort(shuffled.begin(), shuffled.end(), naturalLess);
    EXPECT_EQ(shuffled, ordered);
}

TEST(SpriteNaming, NamesByPathAndTheDesignsNamesFromTheSamePath) {
    const struct {
        std::vector<std::string> folders;
        const char* file;
        NamingRules rules;
        const char *stem, *name;
        bool ninePatch;
        const char* design;
    } cases[] = {
        {{}, "grass.bmp", {}, "grass", "grass", false, "GRASS"},
        {{"hud"}, "pause.png", {}, "hud/pause", "hud/pause", false, "HUD_PAUSE"},
        {{"hud", "砂"}, "Run_01.PNG", {true, false}, "hud/砂/Run_01", "hud/砂/Run_01.PNG", false, "HUD_砂_RUN_01"},
        {{}, "a.b.tga", {true, false}, "a.b", "a.b.tga", false, "A.B"},
        {{"ui"}, "button.9.png", {}, "ui/button", "ui/button", true, "UI_BUTTON"},
        {{"ui"}, "button.9.PNG", {true, false}, "ui/button", "ui/button.PNG", true, "UI_BUTTON"},
        {{}, "level.9.bmp", {}, "level.9", "level.9", false, "LEVEL.9"},
        {{}, ".9.png", {}, ".9", ".9", false, ".9"},
        {{}, "noextension", {true, false}, "noextension", "noextension", false, "NOEXTENSION"},
    };
    for (const auto& c : cases) {
        SpriteNames names;
        ASSERT_TRUE(spriteNames(c.folders, c.file, c.rules, names)) << c.file;
        EXPECT_EQ(names.stem, c.stem) << c.file;
        EXPECT_EQ(names.name, c.name) << c.file;
        EXPECT_EQ(names.ninePatch, c.ninePatch) << c.file;
        EXPECT_EQ(designName(names.stem), c.design) << c.file;
        EXPECT_EQ(designName(splitPath(c.file).title), TextureImage::nameFromPath(c.file)) << "a file's own name";
    }
    SpriteNames names;
    ASSERT_TRUE(spriteNames({}, std::string(200, 'a') + ".png", {}, names));
    EXPECT_EQ(names.name, std::string(200, 'a')) << "a frame name is never cut";
    EXPECT_EQ(designName(names.stem), std::string(127, 'A')) << "the design's name is";
    EXPECT_FALSE(spriteNames({"a\nb"}, "x.png", {}, names));
    EXPECT_FALSE(spriteNames({}, "x\x7f.png", {}, names));
    EXPECT_TRUE(spriteNames({}, "x.png\t", {}, names)) << "the extension is not part of the name";
}

TEST(Animations, ATrailingNumberMakesAFrameOfTheRest) {
    const struct {
        const char* name;
        const char* base;
        int32_t number;
    } cases[] = {
        {"hero/run_01", "hero/run", 1},
        {"hero/run-2", "hero/run", 2},
        {"run10", "run", 10},
        {"hero/run.3", "hero/run", 3},
        {"hero/3", "hero", 3},
        {"run__7", "run_", 7},
        {"ダ1", "ダ", 1},
        {"ダ_1", "ダ", 1},
        {"x2147483647", "x", 2147483647},
        {"x00000000000000000001", "x", 1},
    };
    for (const auto& c : cases) {
        std::string base;
        int32_t number = -1;
        EXPECT_TRUE(splitFrameNumber(c.name, base, number)) << c.name;
        EXPECT_EQ(base, c.base) << c.name;
        EXPECT_EQ(number, c.number) << c.name;
    }
    std::string base;
    int32_t number = -1;
    for (const char* name : {"run", "12", "_12", "x2147483648"})
        EXPECT_FALSE(splitFrameNumber(name, base, number)) << name;
}

TEST(Animations, TwoOrMoreFramesOfOneBaseMakeAnAnimationUnlessTheyCannotBeToldApart) {
    std::vector<Sprite> sprites;
    for (const char* name :
         {"run_2", "run_10", "run_1", "jump_1", "idle", "idle_1", "idle_2", "hit_1", "hit_01", "fall/1", "fall/2"}) {
        sprites.push_back({});
        sprites.back().name = name;
    }
    findAnimations(sprites, 24);
    std::vector<std::pair<std::string, int32_t>> got;
    for (const Sprite& s : sprites) got.emplace_back(s.animation, s.animationFrame);
    const std::vector<std::pair<std::string, int32_t>> expected = {{"run", 2}, {"run", 10}, {"run", 1}, {"", -1},
                                                                   {"", -1},   {"", -1},    {"", -1},   {"", -1},
                                                                   {"", -1},   {"fall", 1}, {"fall", 2}};
    EXPECT_EQ(got, expected) << "a single frame, a base that is a sprite's name and two equal numbers make none";
    EXPECT_EQ(sprites[0].animationFps, 24);
}

// A nine-patch drawn row by row from the top: '.' clear, 'k' a black mark, 'o' opaque colour, 'g' black with alpha
// 254, 'r' red with alpha 255.
std::unique_ptr<TextureImage> picture(const std::vector<std::string>& rows) {
    const int32_t w = static_cast<int32_t>(rows[0].size()), h = static_cast<int32_t>(rows.size());
    const int32_t stride = (w * 3 + 3) & ~3;
    DecodedImage d{w, h, std::vector<uint8_t>(static_cast<size_t>(stride * h)), std::vector<uint8_t>(w * h)};
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const char c = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
            const size_t row = static_cast<size_t>(h - 1 - y);
            uint8_t* bgr = &d.pixels[row * stride + x * 3];
            bgr[0] = c == 'o' ? static_cast<uint8_t>(x + 10 * y) : 0;
            bgr[2] = c == 'r' ? 255 : 0;
            d.alpha[row * w + x] = c == '.' ? 0 : c == 'g' ? 254 : 255;
        }
    }
    auto image = std::make_unique<TextureImage>();
    image->takePixels("patch.9.png", d, ImageKind::Png);
    return image;
}

TEST(NinePatch, TheBorderGivesTheEdgesOrNamesThePixelAtFault) {
    const struct {
        std::vector<std::string> rows;
        Edges slices, padding;
        const char* error;
    } cases[] = {
        {{".kk..", "kooo.", "kooo.", ".ooo.", "....."}, {0, 0, 1, 1}, {0, 0, 1, 1}, ""},
        {{"..k...", ".oooo.", "koooo.", ".oooo.", "..kk.."}, {1, 1, 2, 1}, {1, 1, 1, 1}, ""},
        {{"..k...", ".ooook", "koooo.", ".oooo.", "..kk.."}, {1, 1, 2, 1}, {1, 0, 1, 2}, ""},
        {{"kk...", ".ooo.", "k....", "....."}, {}, {}, "pixel (0, 0) is a corner"},
        {{".k..k", ".ooo.", "k....", "....."}, {}, {}, "pixel (4, 0) is a corner"},
        {{".k.k.", "kooo.", ".ooo.", "....."}, {}, {}, "pixel (3, 0) starts a second run of marks on the top row"},
        {{".kkk.", "kooo.", ".ooo.", ".k.k."}, {}, {}, "pixel (3, 3) starts a second run of marks on the bottom row"},
        {{".g...", "kooo.", "....."}, {}, {}, "pixel (1, 0) of the border is neither"},
        {{".r...", "kooo.", "....."}, {}, {}, "pixel (1, 0) of the border is neither"},
        {{".k...", "kooo.", "..o.."}, {}, {}, "pixel (2, 2) of the border is neither"},
        {{".....", "kooo.", "....."},
         {},
         {},
         "the top row marks no stretching area (no black pixel from (1, 0) to (3, 0))"},
        {{".k...", ".ooo.", "....."}, {}, {}, "the left column marks no stretching area"},
        {{".k.", "ko."}, {}, {}, "at least 3x3 pixels"},
    };
    for (const auto& c : cases) {
        Edges slices, padding;
        std::string error;
        const auto image = picture(c.rows);
        const bool read = readNinePatch(*image, slices, padding, error);
        EXPECT_EQ(read, *c.error == '\0') << c.rows[0] << ": " << error;
        if (!read) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(slices, c.slices) << c.rows[0];
        EXPECT_EQ(padding, c.padding) << c.rows[0];
    }
}

TEST(ListFile, TakesOnePathALineAndRefusesWhatIsNoUtf8Text) {
    TempDir dir;
    const struct {
        std::string text;
        std::vector<std::string> paths;
        const char* error;
    } cases[] = {
        {"a.png\n \t\nb/c.png", {"a.png", "b/c.png"}, ""},
        {"", {}, ""},
        {"a.png\nb\0c.png\n"s, {}, "is no UTF-8 text (line 2)"},
        {"a\n\nb\xC3(\n", {}, "is no UTF-8 text (line 3)"},
        {"\xC0\xAF", {}, "is no UTF-8 text (line 1)"},
        {"\xED\xA0\x80", {}, "(line 1)"},  // a surrogate: UTF-8 defines none
        {"\xF4\x90\x80\x80", {}, "is no UTF-8 text (line 1)"},
        {"ok.png\n"
         u8"\U0001F600.png\n",
         {},
         "cannot be held in Shift-JIS (line 2)"},
    };
    const std::string list = dir.file("list.txt");
    for (const auto& c : cases) {
        writeBytes(list, c.text);
        std::vector<ListedPath> paths;
        std::string error;
        const bool read = readListFile(list, paths, error);
        EXPECT_EQ(read, *c.error == '\0') << c.text << ": " << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        std::vector<std::string> got;
        for (const ListedPath& p : paths) got.push_back(p.path);
        if (read) {
            EXPECT_EQ(got, c.paths) << c.text;
        }
    }
}

// A sprite tree: every file an empty one, since neither the scan nor the naming opens them.
struct Tree {
    TempDir dir;
    explicit Tree(const std::vector<std::string>& files) {
        for (const std::string& file : files) {
            std::string path = dir.path();
            const std::vector<std::string> parts = pathComponents(file);
            for (size_t i = 0; i + 1 < parts.size(); ++i) createFolder(path = joinedPath(path, parts[i]));
            writeBytes(joinedPath(path, parts.back()), "");
        }
    }
    std::string at(const std::string& relative) const {
        std::string path = dir.path();
        for (const std::string& part : pathComponents(relative)) path = joinedPath(path, part);
        return path;
    }
};

std::vector<std::string> names(const std::vector<InputFile>& files) {
    std::vector<std::string> out;
    for (const InputFile& f : files) out.push_back(f.names.name);
    return out;
}

#ifndef _WIN32
// Links to folders are passed over, so a link back up the tree ends nothing; a link to a file, a dangling link and a
// FIFO with an image's name are taken as files, whose loading then tells what is wrong; a name that Shift-JIS cannot
// hold is refused where it matters.
TEST(FolderScan, LinksToFoldersAreNotFollowedAndOtherEntriesAreTakenAsFiles) {
    const Tree tree({"s/a.png", "s/sub/b.png", "other/c.png"});
    ASSERT_EQ(symlink("..", tree.at("s/sub/up").c_str()), 0);
    ASSERT_EQ(symlink(tree.at("other").c_str(), tree.at("s/linked").c_str()), 0);
    ASSERT_EQ(symlink(tree.at("other/c.png").c_str(), tree.at("s/c.png").c_str()), 0);
    ASSERT_EQ(symlink("nowhere.png", tree.at("s/dangling.png").c_str()), 0);
    ASSERT_EQ(mkfifo(tree.at("s/fifo.png").c_str(), 0600), 0);
    std::vector<InputFile> files;
    std::string error;
    ASSERT_TRUE(collectInputFiles({{tree.at("s")}}, {}, anyCase, files, error)) << error;
    EXPECT_EQ(names(files), (std::vector<std::string>{"a", "c", "dangling", "fifo", "sub/b"}));
    // An emoji in UTF-8, as the file system has it (the test's folder is plain ASCII, the same in both forms).
    const auto touch = [](const std::string& path) { std::fclose(std::fopen(path.c_str(), "wb")); };
    touch(tree.at("s/sub") + "/\xF0\x9F\x98\x80.txt");
    EXPECT_TRUE(collectInputFiles({{tree.at("s")}}, {}, anyCase, files, error)) << "not an image: passed over";
    touch(tree.at("s/sub") + "/\xF0\x9F\x98\x80.png");
    EXPECT_FALSE(collectInputFiles({{tree.at("s")}}, {}, anyCase, files, error));
    EXPECT_NE(error.find("sub/?.png (its name cannot be held in Shift-JIS)"), std::string::npos) << error;
}
#endif

TEST(FolderScan, TreesDeeperThanTheLimitAreRefused) {
    for (const int depth : {kMaxFolderDepth, kMaxFolderDepth + 1}) {
        TempDir dir;
        std::string path = dir.path();
        for (int i = 0; i < depth; ++i) createFolder(path = joinedPath(path, "d"));
        writeBytes(joinedPath(path, "x.png"), "");
        std::vector<FoundFile> found;
        std::string error;
        EXPECT_EQ(scanFolder(dir.path(), anyCase, found, error), depth == kMaxFolderDepth) << depth << error;
        EXPECT_EQ(found.size(), depth == kMaxFolderDepth ? 1u : 0u);
    }
}

// A list's paths inside its folder are named from there, those outside (climbing out, absolute) as arguments.
TEST(InputFiles, AListNamesItsPathsFromItsFolder) {
    const Tree tree({"game/sprites/hero/run_1.png", "game/sprites/hero/run_2.png", "game/sprites/ui/pause.png",
                     "game/ui.9.png", "game/menu/pause.png", "outside/far.png"});
    writeBytes(tree.at("game/list.txt"),
               "sprites/hero\n./menu/../sprites/ui/pause.png\nui.9.png\n../outside/far.png\n" + tree.at("game/menu") +
                   "\nsprites/./hero/run_1.png\n");
    const struct {
        std::vector<InputArgument> arguments;
        NamingRules rules;
        std::vector<std::string> names;
    } cases[] = {
        {{{tree.at("game/list.txt"), true}},
         {},
         {"sprites/hero/run_1", "sprites/hero/run_2", "sprites/ui/pause", "ui", "far", "pause", "sprites/hero/run_1"}},
        {{{tree.at("game/list.txt"), true}},
         {false, true},
         {"game/sprites/hero/run_1", "game/sprites/hero/run_2", "game/sprites/ui/pause", "game/ui", "far", "menu/pause",
          "game/sprites/hero/run_1"}},
    };
    for (const auto& c : cases) {
        std::vector<InputFile> files;
        std::string error;
        ASSERT_TRUE(collectInputFiles(c.arguments, c.rules, anyCase, files, error)) << error;
        EXPECT_EQ(names(files), c.names) << c.arguments[0].path;
    }
    std::vector<InputFile> files;
    std::string error;
    ASSERT_TRUE(collectInputFiles({{tree.at("game/list.txt"), true}}, {}, anyCase, files, error));
    EXPECT_EQ(files[3].path, tree.at("game/ui.9.png"));
    EXPECT_TRUE(files[3].names.ninePatch);
    EXPECT_EQ(sameNames(files), (std::vector<std::pair<size_t, size_t>>{{0, 6}}));
    writeBytes(tree.at("game/list.txt"), "ui.9.png\nbad\x01.png\n");
    EXPECT_FALSE(collectInputFiles({{tree.at("game/list.txt"), true}}, {}, anyCase, files, error));
    EXPECT_NE(error.find("holds a control character"), std::string::npos) << error;
    for (const char* text : {"a/../list.txt\n", "./list.txt"}) {
        writeBytes(tree.at("game/list.txt"), text);
        EXPECT_FALSE(collectInputFiles({{tree.at("game/list.txt"), true}}, {}, anyCase, files, error)) << text;
        EXPECT_NE(error.find("names itself (line 1)"), std::string::npos) << error;
    }
}

// Files are decoded in batches on several threads, yet everything comes out in file order: images with their unique
// names, sprites, the messages of files that cannot be loaded and the problems of nine-patches, as on one thread.
TEST(SpriteLoading, ManyFilesComeOutInFileOrderOnAnyNumberOfThreads) {
    TempDir dir;
    std::vector<InputFile> files;
    for (int i = 0; i < 150; ++i) {
        InputFile file;
        file.names.stem = i % 4 == 0 ? "same" : "s" + std::to_string(i);
        file.names.name = file.names.stem + "-" + std::to_string(i);
        file.names.ninePatch = i == 77;  // a plain picture: no border marks
        file.path = dir.file("f" + std::to_string(i) + ".bmp");
        if (i % 50 != 49) writeSolidImage(file.path, 1 + i % 13, 1 + i % 7);
        files.push_back(file);
    }
    const auto load = [&](unsigned threads) {
        MessageRecorder messages;
        TextureCollection images;
        images.setImageKindRule(anyCase);
        std::vector<Sprite> sprites;
        std::vector<std::string> problems;
        size_t steps = 0;
        const size_t failed = loadSprites(
            files, images, sprites, problems, [&](size_t done) { EXPECT_EQ(done, ++steps); }, threads);
        std::vector<std::string> seen = messages.seen;
        seen.insert(seen.end(), problems.begin(), problems.end());
        seen.push_back(std::to_string(failed) + " failed, " + std::to_string(steps) + " steps");
        for (const Sprite& sprite : sprites) {
            const TextureImage& image = *sprite.image;
            seen.push_back(sprite.name + " " + image.name() + " " + std::to_string(image.width()) + "x" +
                           std::to_string(image.height()) + (image.isSelected() ? "*" : ""));
        }
        return seen;
    };
    const std::vector<std::string> one = load(1);
    ASSERT_EQ(one.size(), 3 + 1 + 1 + 146u);
    EXPECT_NE(one[0].find("f49.bmp"), std::string::npos) << one[0];
    EXPECT_NE(one[2].find("f149.bmp"), std::string::npos) << one[2];
    EXPECT_NE(one[3].find("f77.bmp: "), std::string::npos) << one[3];
    EXPECT_EQ(one[4], "4 failed, 150 steps");
    EXPECT_EQ(one[5], "same-0 SAME 1x1");
    EXPECT_EQ(one[9], "same-4 SAME_1 5x5");
    EXPECT_EQ(one.back(), "same-148 SAME_37 6x2*") << "the last image added is the only one selected";
    EXPECT_EQ(load(3), one);
}

}  // namespace
