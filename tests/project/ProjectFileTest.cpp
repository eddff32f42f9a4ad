#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/ByteWriter.h"
#include "layout/TextureCollection.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "support/TestSupport.h"

namespace {

using namespace std::string_literals;

class ProjectTest : public testing::Test {
protected:
    void SetUp() override { Settings::instance().resetToDefaults(); }
    void TearDown() override { Settings::instance().resetToDefaults(); }

    // Adds an image file (4 x 3, made on first use) and places it.
    void add(const std::string& path, int x, int y) {
        if (!fileExists(path)) writeSolidImage(path, 4, 3);
        ASSERT_TRUE(images.addFromFile(path, true)) << path;
        images.last().setPosition(x, y);
    }
    // Each image as "NAME x,y path".
    static std::vector<std::string> seen(const TextureCollection& c) {
        std::vector<std::string> out;
        for (const auto& i : c.images()) {
            out.push_back(i->name() + " " + std::to_string(i->x()) + "," + std::to_string(i->y()) + " " + i->path());
        }
        return out;
    }
    // The project file of the given record and image list, loaded into `loaded`.
    bool load(std::vector<uint8_t> file,
              const ByteWriter& list,
              TextureCollection& loaded,
              int32_t* missing = nullptr) {
        file.insert(file.end(), list.buffer().begin(), list.buffer().end());
        writeBytes(dir.file("p.qbp"), file);
        messages.seen.clear();
        return loadProjectFile(dir.file("p.qbp"), loaded, missing);
    }
    static std::vector<uint8_t> record() {
        const Settings::Record r = Settings::instance().record();
        return {r.begin(), r.end()};
    }

    TempDir dir;
    MessageRecorder messages;
    TextureCollection images;
};

// The image list holds int16 lengths of texts padded to even lengths and int16 places; paths relative to the project,
// so that a project moved with its images loads from its new folder and, saved again, stores the same bytes.
TEST_F(ProjectTest, SavesAndLoadsAndSavesTheSameBytesAgain) {
    const std::string before = dir.file("before"), after = dir.file("after テスト"), img = dir.file("img");
    for (const std::string& folder : {before, after, img}) createFolder(folder);
    add(before + kPathSeparator + "grass.bmp", -3, 5);
    add(img + kPathSeparator + "tree.tga", 100, 40000);  // y keeps its low 16 bits: -25536
    add(before + kPathSeparator + "grass.bmp", 7, 8);    // GRASS_1
    Settings::instance().layoutSpacing = 4;
    ASSERT_TRUE(saveProjectFile(before + kPathSeparator + "p.qbp", images));
    EXPECT_FALSE(Settings::instance().isChanged());
    const std::vector<uint8_t> saved = readBytes(before + kPathSeparator + "p.qbp");
    EXPECT_EQ(std::vector<uint8_t>(saved.begin(), saved.begin() + 1624), record());
    EXPECT_EQ(
        std::string(saved.begin() + 1624, saved.end()),
        "\x03\0\0\0\x0C\0.\\grass.bmp\0\x06\0GRASS\0\xFD\xFF\x05\0\x10\0..\\img\\tree.tga\0\x04\0TREE\x64\0\x40\x9C"
        "\x0C\0.\\grass.bmp\0\x08\0GRASS_1\0\x07\0\x08\0"s);
    for (const char* file : {"grass.bmp", "p.qbp"}) {
        ASSERT_TRUE(renameReplacing(before + kPathSeparator + file, after + kPathSeparator + file));
    }
    TextureCollection loaded;
    Settings::instance().resetToDefaults();
    ASSERT_TRUE(loadProjectFile(after + kPathSeparator + "p.qbp", loaded));
    std::vector<std::string> want = {"GRASS -3,5 " + after + "\\.\\grass.bmp",
                                     "TREE 100,-25536 " + after + "\\..\\img\\tree.tga",
                                     "GRASS_1 7,8 " + after + "\\.\\grass.bmp"};
#ifndef _WIN32
    for (std::string& s : want) std::replace(s.begin(), s.end(), '\\', '/');
#endif
    EXPECT_EQ(seen(loaded), want);
    EXPECT_TRUE(messages.seen.empty());
    EXPECT_FALSE(Settings::instance().isChanged());
    EXPECT_TRUE(loaded.images()[2]->isSelected() && !loaded.images()[0]->isSelected());
    ASSERT_TRUE(saveProjectFile(after + kPathSeparator + "p.qbp", loaded));
    EXPECT_EQ(readBytes(after + kPathSeparator + "p.qbp"), saved);
}

// A hand-made file of the older record with absolute paths: the stored names are taken as they stand (equal ones
// too), but a control character becomes '_'; images that are gone are reported, counted and skipped; a stored length
// of 511 is the longest taken.
TEST_F(ProjectTest, LoadsTheStoredNamesAndSkipsMissingImages) {
    Settings::instance().absolutePaths = 1;
    std::vector<uint8_t> old = record();
    old.resize(Settings::kOldRecordSize);
    old[0] = 214;
    const std::string rock = writeSolidImage(dir.file("rock.bmp"), 4, 3), gone = dir.file("gone.tga");
    ByteWriter list;
    list.i32(4);
    for (const auto& [path, name, x] :
         {std::tuple{rock, "RO\nK", 1}, {gone, "GONE", 2}, {rock, "ROCK", 3}, {std::string(510, 'p'), "P", 4}}) {
        for (const std::string& text : {path, std::string(name)}) {
            list.i16(static_cast<int16_t>(text.size() + 1));  // lengths that count the terminator are read as such
            list.text(text);
            list.u8(0);
        }
        list.i16(static_cast<int16_t>(x));
        list.i16(7);
    }
    TextureCollection loaded;
    int32_t missing = -1;
    EXPECT_TRUE(load(old, list, loaded, &missing));
    EXPECT_EQ(seen(loaded), (std::vector<std::string>{"RO_K 1,7 " + rock, "ROCK 3,7 " + rock}));
    EXPECT_EQ(missing, 2);
    EXPECT_EQ(messages.seen, (std::vector<std::string>{
                                 "Failed!: TGA読み込みに失敗！\n\"" + gone + "\"",
                                 "Failed!: BMPまたはTGAと識別できませんでした\n\"" + std::string(510, 'p') + "\""}));
    EXPECT_TRUE(Settings::instance().isChanged()) << "an upgraded record";
}

// A path that cannot be stored abandons the save: the previous file stays and the settings still count as changed.
TEST_F(ProjectTest, ASaveThatCannotStoreAPathOrWriteItsFileFails) {
    add(dir.file("a.bmp"), 0, 0);
#ifdef _WIN32
    // The images lie on drive C: (the temporary folder), the project on Z: (the outputs): no common root.
    const std::string project = outputPath("other-drive.qbp"), far = dir.file("far.bmp"), reported = dir.file("a.bmp");
#else
    // A path of more than 260 bytes: no relative path is formed for it.
    const std::string deep = dir.file(std::string(120, 'd')), deeper = deep + "/" + std::string(120, 'e');
    createFolder(deep);
    createFolder(deeper);
    const std::string project = dir.file("p.qbp"), far = deeper + "/far.bmp", reported = far;
#endif
    add(far, 0, 0);
    writeBytes(project, std::string("the previous project"));
    Settings::instance().showBorder = 1;
    messages.seen.clear();
    EXPECT_FALSE(saveProjectFile(project, images));
    EXPECT_EQ(messages.seen, std::vector<std::string>{"Error: 出力に失敗 : \"" + reported + "\""});
    EXPECT_EQ(readText(project), "the previous project");
    EXPECT_TRUE(Settings::instance().isChanged());
    Settings::instance().absolutePaths = 1;
    EXPECT_TRUE(saveProjectFile(project, images));
    EXPECT_FALSE(Settings::instance().isChanged());
    std::filesystem::create_directory(dir.file("taken.qbp"));
    EXPECT_FALSE(saveProjectFile(dir.file("taken.qbp"), images));
    TextureCollection loaded;
    messages.seen.clear();
    EXPECT_FALSE(loadProjectFile(dir.file("missing.qbp"), loaded));
    EXPECT_EQ(messages.seen, std::vector<std::string>{"Error: プロジェクトファイルのオープンに失敗！"});
}

// Damage keeps the images read before it.
TEST_F(ProjectTest, DamagedFilesKeepTheImagesBeforeTheDamage) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) add(dir.file(name), 0, 0);
    ByteWriter list;
    ASSERT_TRUE(images.writeImageList(list, dir.file("p.qbp")));
    const std::vector<uint8_t> good = list.buffer();
    const size_t second = 4 + 2 + 8 + 2 + 2 + 4;  // the first record holds ".\a.bmp" (stored as 8 bytes) and "A" (2)
    const auto with = [&](size_t offset, int32_t v, size_t length) {
        std::vector<uint8_t> f = good;
        for (size_t i = 0; i < length; ++i) f.at(offset + i) = static_cast<uint8_t>(v >> (8 * i));
        return f;
    };
    const std::pair<std::vector<uint8_t>, int> cases[] = {
        {with(0, -1, 4), 0},
        {with(0, 4, 4), 3},
        {with(0, 0x7FFFFFFF, 4), 3},
        {with(second, -2, 2), 1},
        {with(second, 512, 2), 1},
        {with(second + 2 + 8, 400, 2), 1},  // the name's length, past the end
        {{good.begin(), good.begin() + second + 5}, 1},
        {{good.begin(), good.end() - 3}, 2},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        TextureCollection loaded;
        list.buffer() = cases[i].first;
        EXPECT_FALSE(load(record(), list, loaded)) << "case " << i;
        EXPECT_EQ(messages.seen, std::vector<std::string>{"Error: プロジェクトファイルが壊れています!"}) << i;
        EXPECT_EQ(loaded.count(), cases[i].second) << "case " << i;
    }
}

}  // namespace
