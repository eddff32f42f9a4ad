#include <gtest/gtest.h>

#include <filesystem>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/FileSystem.h"
#include "layout/TextureCollection.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "support/ImageFiles.h"
#include "support/TestSupport.h"

namespace {

const std::string kDamaged = "プロジェクトファイルが壊れています!";

class ProjectTest : public testing::Test {
protected:
    void SetUp() override { Settings::instance().resetToDefaults(); }
    void TearDown() override { Settings::instance().resetToDefaults(); }

    // Adds an image file (made on first use) and places it.
    void add(const std::string& path, int x, int y, int w = 4, int h = 3) {
        if (!fileExists(path)) writeSolidImage(path, w, h, solid(9, 8, 7));
        ASSERT_TRUE(images.addFromFile(path, true)) << path;
        images.last().setPosition(x, y);
    }

    struct Seen {
        std::string name;
        Point at;
        std::string path;
        friend bool operator==(const Seen& a, const Seen& b) {
            return a.name == b.name && a.at == b.at && a.path == b.path;
        }
    };
    static std::vector<Seen> seen(const TextureCollection& c) {
        std::vector<Seen> out;
        for (const auto& i : c.images()) out.push_back({i->name(), i->position(), i->path()});
        return out;
    }

    TempDir dir;
    MessageRecorder messages;
    TextureCollection images;
};

TEST_F(ProjectTest, AnEmptyProjectIsTheRecordAndAZeroCount) {
    ASSERT_TRUE(saveProjectFile(dir.file("empty.qbp"), images));
    const std::vector<uint8_t> file = readBytes(dir.file("empty.qbp"));
    ASSERT_EQ(file.size(), 1628u);
    const Settings::Record record = Settings::instance().record();
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 1624),
              std::vector<uint8_t>(record.begin(), record.end()));
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 1624, file.end()), std::vector<uint8_t>(4, 0));
}

TEST_F(ProjectTest, TextsArePaddedToEvenLengths) {
    Settings::instance().absolutePaths = 1;
    add(dir.file("a.bmp"), 0, 0);
    add(dir.file("ab.bmp"), 0, 0);
    ByteWriter out;
    ASSERT_TRUE(images.writeImageList(out, dir.file("p.qbp")));
    ByteReader in(out.buffer());
    EXPECT_EQ(in.i32(), 2);
    for (const auto& image : images.images()) {
        const std::string& path = image->path();
        const size_t stored = static_cast<size_t>(in.i16());
        EXPECT_EQ(stored, path.size() + (path.size() % 2));
        const uint8_t* bytes = in.take(stored);
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), path.size()), path);
        if (stored > path.size()) {
            EXPECT_EQ(bytes[path.size()], 0);
        }
        const int16_t nameLength = in.i16();
        EXPECT_EQ(nameLength, 2) << "A (with its padding) and AB are both stored in two bytes";
        in.skip(static_cast<size_t>(nameLength) + 4);
    }
    EXPECT_TRUE(in.ok());
    EXPECT_EQ(in.remaining(), 0u);
}

TEST_F(ProjectTest, SavesAndLoadsNamesPositionsAndSettings) {
    createFolder(dir.file("img"));
    add(dir.file("grass.bmp"), -3, 5);
    add(dir.file("img") + kSeparator + "tree.tga", 100, 40000);  // y keeps its low 16 bits: -25536
    add(dir.file("grass.bmp"), 7, 8);                            // GRASS_1
    Settings::instance().layoutSpacing = 4;
    Settings::setText(Settings::instance().idPrefix, "TEX_");
    const std::string project = dir.file("p.qbp");
    ASSERT_TRUE(saveProjectFile(project, images));
    EXPECT_FALSE(Settings::instance().isChanged());

    TextureCollection loaded;
    ASSERT_TRUE(loadProjectFile(project, loaded));
    EXPECT_TRUE(messages.entries().empty());
    const std::string folder = dir.path() + kSeparator;
    std::vector<Seen> want = {{"GRASS", {-3, 5}, folder + ".\\grass.bmp"},
                              {"TREE", {100, -25536}, folder + ".\\img\\tree.tga"},
                              {"GRASS_1", {7, 8}, folder + ".\\grass.bmp"}};
#ifndef _WIN32
    for (Seen& s : want) std::replace(s.path.begin(), s.path.end(), '\\', '/');
#endif
    EXPECT_EQ(seen(loaded), want);
    EXPECT_EQ(Settings::instance().layoutSpacing, 4);
    EXPECT_EQ(Settings::text(Settings::instance().idPrefix), "TEX_");
    EXPECT_FALSE(Settings::instance().isChanged());
    // The last image is the only one selected.
    EXPECT_TRUE(loaded.images()[2]->isSelected());
    EXPECT_FALSE(loaded.images()[0]->isSelected());
}

TEST_F(ProjectTest, AbsolutePathsAndEqualStoredNames) {
    Settings::instance().absolutePaths = 1;
    add(dir.file("rock.bmp"), 1, 2);
    add(dir.file("rock.bmp"), 3, 4);
    ByteWriter out;
    out.bytes(Settings::instance().record().data(), Settings::kRecordSize);
    ASSERT_TRUE(images.writeImageList(out, dir.file("p.qbp")));
    // Give the second record the first one's name: "ROCK_1" -> "ROCK" padded to the same length; and the first a
    // line break that would break the exported texts: "ROCK" -> "RO\nK".
    std::vector<uint8_t> bytes = out.buffer();
    const std::string renamed = "ROCK_1";
    const auto at = std::search(bytes.begin(), bytes.end(), renamed.begin(), renamed.end());
    ASSERT_NE(at, bytes.end());
    std::fill(at + 4, at + 6, 0);
    const std::string first = "ROCK";
    const auto firstAt = std::search(bytes.begin(), bytes.end(), first.begin(), first.end());
    ASSERT_LT(firstAt, at);
    firstAt[2] = '\n';
    writeBytes(dir.file("p.qbp"), bytes);
    TextureCollection loaded;
    ASSERT_TRUE(loadProjectFile(dir.file("p.qbp"), loaded));
    ASSERT_EQ(loaded.count(), 2);
    EXPECT_EQ(loaded.images()[0]->name(), "RO_K");
    EXPECT_EQ(loaded.images()[1]->name(), "ROCK");
    EXPECT_EQ(loaded.images()[1]->path(), dir.file("rock.bmp"));
    EXPECT_EQ(loaded.images()[1]->position(), (Point{3, 4}));
}

TEST_F(ProjectTest, AMissingImageIsReportedAndTheOthersLoad) {
    add(dir.file("one.bmp"), 1, 1);
    add(dir.file("two.bmp"), 2, 2);
    add(dir.file("three.bmp"), 3, 3);
    ASSERT_TRUE(saveProjectFile(dir.file("p.qbp"), images));
    removeFile(dir.file("two.bmp"));
    TextureCollection loaded;
    EXPECT_TRUE(loadProjectFile(dir.file("p.qbp"), loaded));
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].caption, "Failed!");
    EXPECT_NE(messages.entries()[0].text.find("two.bmp"), std::string::npos);
    ASSERT_EQ(loaded.count(), 2);
    EXPECT_EQ(loaded.images()[0]->name(), "ONE");
    EXPECT_EQ(loaded.images()[1]->name(), "THREE");
    EXPECT_EQ(loaded.images()[1]->position(), (Point{3, 3}));
}

TEST_F(ProjectTest, AProjectMovedWithItsImagesLoadsFromItsNewFolder) {
    const std::string before = dir.file("before"), after = dir.file("after テスト");
    createFolder(before);
    add(before + kSeparator + "leaf.bmp", 10, 20);
    ASSERT_TRUE(saveProjectFile(before + kSeparator + "p.qbp", images));
    createFolder(after);
    for (const char* file : {"leaf.bmp", "p.qbp"}) {
        ASSERT_TRUE(renameReplacing(before + kSeparator + file, after + kSeparator + file));
    }
    TextureCollection loaded;
    ASSERT_TRUE(loadProjectFile(after + kSeparator + "p.qbp", loaded));
    ASSERT_EQ(loaded.count(), 1);
    EXPECT_EQ(loaded.images()[0]->name(), "LEAF");
    EXPECT_EQ(loaded.images()[0]->position(), (Point{10, 20}));
    EXPECT_EQ(loaded.images()[0]->pixels().size(), 12u * 3);
}

TEST_F(ProjectTest, AnOlderProjectLoads) {
    add(dir.file("old.bmp"), 5, 6);
    ByteWriter out;
    Settings::Record record = Settings::instance().record();
    record[0] = 214;
    out.bytes(record.data(), Settings::kOldRecordSize);
    ASSERT_TRUE(images.writeImageList(out, dir.file("p.qbp")));
    writeBytes(dir.file("p.qbp"), out.buffer());
    TextureCollection loaded;
    ASSERT_TRUE(loadProjectFile(dir.file("p.qbp"), loaded));
    ASSERT_EQ(loaded.count(), 1);
    EXPECT_EQ(loaded.images()[0]->position(), (Point{5, 6}));
    EXPECT_TRUE(Settings::instance().isChanged());
}

TEST_F(ProjectTest, ASaveThatCannotStoreAPathIsAbandoned) {
    add(dir.file("a.bmp"), 0, 0);
#ifdef _WIN32
    // The images lie on drive C: (the temporary folder), the project on Z: (the outputs): no common root.
    const std::string project = outputPath("other-drive.qbp");
    const std::string far = dir.file("far.bmp");
    const std::string firstUnreachable = dir.file("a.bmp");
#else
    // A path of more than 260 bytes: no relative path is formed for it.
    const std::string deep = dir.file(std::string(120, 'd'));
    createFolder(deep);
    const std::string deeper = deep + kSeparator + std::string(120, 'e');
    createFolder(deeper);
    const std::string far = deeper + kSeparator + "far.bmp";
    const std::string project = dir.file("p.qbp");
    const std::string firstUnreachable = far;
#endif
    add(far, 0, 0);
    writeBytes(project, std::string("the previous project"));
    Settings::instance().showBorder = 1;
    messages.clear();
    EXPECT_FALSE(saveProjectFile(project, images));
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].text, "出力に失敗 : \"" + firstUnreachable + "\"");
    EXPECT_EQ(messages.entries()[0].caption, "Error");
    EXPECT_EQ(readText(project), "the previous project");
    EXPECT_TRUE(Settings::instance().isChanged()) << "nothing was saved";
    // With absolute paths the same project saves.
    Settings::instance().absolutePaths = 1;
    EXPECT_TRUE(saveProjectFile(project, images));
    EXPECT_FALSE(Settings::instance().isChanged());
}

TEST_F(ProjectTest, AFailedWriteKeepsThePreviousFile) {
    add(dir.file("a.bmp"), 0, 0);
    std::filesystem::create_directory(dir.file("taken.qbp"));
    EXPECT_FALSE(saveProjectFile(dir.file("taken.qbp"), images));
    EXPECT_FALSE(saveProjectFile(dir.file("missing") + kSeparator + "p.qbp", images));
    TextureCollection loaded;
    EXPECT_FALSE(loadProjectFile(dir.file("missing.qbp"), loaded));
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].text, "プロジェクトファイルのオープンに失敗！");
}

// A valid project of three images, as bytes, for the damage cases.
std::vector<uint8_t> validProject(TextureCollection& images, const TempDir& dir) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        writeSolidImage(dir.file(name), 2, 2, solid(1, 2, 3));
        images.addFromFile(dir.file(name), true);
    }
    ByteWriter out;
    out.bytes(Settings::instance().record().data(), Settings::kRecordSize);
    images.writeImageList(out, dir.file("p.qbp"));
    return out.buffer();
}

TEST_F(ProjectTest, DamagedFilesKeepTheImagesBeforeTheDamage) {
    const std::vector<uint8_t> good = validProject(images, dir);
    const size_t firstRecord = 1628;
    auto at16 = [&](std::vector<uint8_t> f, size_t offset, int16_t v) {
        putU16(f, offset, static_cast<uint16_t>(v));
        return f;
    };
    auto at32 = [&](std::vector<uint8_t> f, size_t offset, int32_t v) {
        putU32(f, offset, static_cast<uint32_t>(v));
        return f;
    };
    // Offsets of the second record: the first holds ".\a.bmp" (7 bytes, stored as 8) and "A" (stored as 2).
    const size_t second = firstRecord + 2 + 8 + 2 + 2 + 4;
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        size_t kept;
    };
    const Case cases[] = {
        {"negative count", at32(good, 1624, -1), 0},
        {"count beyond the records", at32(good, 1624, 4), 3},
        {"huge count", at32(good, 1624, 0x7FFFFFFF), 3},
        {"negative path length", at16(good, second, -2), 1},
        {"path length 512", at16(good, second, 512), 1},
        {"name length past the end", at16(good, second + 2 + 8, 30000), 1},
        {"ends inside a record", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(second) + 5), 1},
        {"ends inside the last coordinates", std::vector<uint8_t>(good.begin(), good.end() - 3), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(dir.file("damaged.qbp"), c.file);
        messages.clear();
        TextureCollection loaded;
        EXPECT_FALSE(loadProjectFile(dir.file("damaged.qbp"), loaded));
        ASSERT_EQ(messages.entries().size(), 1u);
        EXPECT_EQ(messages.entries()[0].text, kDamaged);
        EXPECT_EQ(messages.entries()[0].caption, "Error");
        EXPECT_EQ(static_cast<size_t>(loaded.count()), c.kept);
    }
    // A path of exactly 511 bytes is the longest a reader takes: it is read (the file it names does not exist).
    std::vector<uint8_t> longest(good.begin(), good.begin() + 1624);
    ByteWriter tail;
    tail.i32(1);
    tail.i16(511);
    tail.text(std::string(511, 'p'));
    tail.i16(2);
    tail.text("N");
    tail.u8(0);
    tail.i16(0);
    tail.i16(0);
    longest.insert(longest.end(), tail.buffer().begin(), tail.buffer().end());
    writeBytes(dir.file("longest.qbp"), longest);
    messages.clear();
    TextureCollection loaded;
    EXPECT_TRUE(loadProjectFile(dir.file("longest.qbp"), loaded));
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].caption, "Failed!");
}

// Every truncation and many byte flips of a valid project: never a crash (the sanitizers watch), and always either
// success or one of the messages a damaged or foreign file gives.
TEST_F(ProjectTest, SurvivesTruncationsAndByteFlips) {
    const std::vector<uint8_t> good = validProject(images, dir);
    const std::string path = dir.file("fuzz.qbp");
    auto check = [&](const std::vector<uint8_t>& bytes) {
        writeBytes(path, bytes);
        messages.clear();
        TextureCollection loaded;
        const bool ok = loadProjectFile(path, loaded);
        for (const auto& m : messages.entries()) {
            const bool known =
                m.text == kDamaged || m.text == "Quiltboxプロジェクトファイルではありません!" || m.caption == "Failed!";
            ASSERT_TRUE(known) << m.text;
        }
        if (!ok) {
            ASSERT_FALSE(messages.entries().empty());
        }
    };
    for (size_t length = 0; length <= good.size(); length += (length < 1600 ? 97 : 1)) {
        check(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(length)));
    }
    for (size_t i = 1600; i < good.size(); ++i) {
        for (uint8_t flip : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
            std::vector<uint8_t> bytes = good;
            bytes[i] ^= flip;
            check(bytes);
        }
    }
}

}  // namespace

namespace {

// A loaded image's path is the project's folder joined with the stored ".\..." path; saving it again must store the
// same relative path, not one with another ".\" in front, however often the project is loaded and saved.
TEST_F(ProjectTest, LoadingAndSavingAgainKeepsTheBytes) {
    createFolder(dir.file("img"));
    createFolder(dir.file("proj"));
    add(dir.file("img") + kSeparator + "a.bmp", 1, 2);
    add(dir.file("proj") + kSeparator + "b.bmp", 3, 4);
    const std::string project = dir.file("proj") + kSeparator + "p.qbp";
    ASSERT_TRUE(saveProjectFile(project, images));
    const std::vector<uint8_t> first = readBytes(project);
    for (int round = 0; round < 3; ++round) {
        TextureCollection loaded;
        ASSERT_TRUE(loadProjectFile(project, loaded));
        ASSERT_EQ(loaded.count(), 2);
        ASSERT_TRUE(saveProjectFile(project, loaded));
        EXPECT_EQ(readBytes(project), first) << "round " << round;
    }
    const std::string text(first.begin(), first.end());
    EXPECT_NE(text.find("..\\img\\a.bmp"), std::string::npos);
    EXPECT_NE(text.find(".\\b.bmp"), std::string::npos);
}

TEST_F(ProjectTest, TellsHowManyImagesWereMissing) {
    add(dir.file("one.bmp"), 0, 0);
    add(dir.file("two.bmp"), 0, 0);
    ASSERT_TRUE(saveProjectFile(dir.file("p.qbp"), images));
    removeFile(dir.file("one.bmp"));
    removeFile(dir.file("two.bmp"));
    TextureCollection loaded;
    int32_t missing = -1;
    EXPECT_TRUE(loadProjectFile(dir.file("p.qbp"), loaded, &missing));
    EXPECT_EQ(missing, 2);
    EXPECT_EQ(loaded.count(), 0);
}

}  // namespace
