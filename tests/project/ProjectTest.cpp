#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/Format.h"
#include "layout/TextureCollection.h"
#include "project/IdHeaderExport.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "project/UvExport.h"
#include "support/TestSupport.h"

namespace {

using namespace std::string_literals;

// `bytes` with the little-endian value of `length` bytes at `at`, cut or grown to `size` unless that is 0.
std::vector<uint8_t> with(std::vector<uint8_t> bytes, size_t at, int32_t v, size_t length = 4, size_t size = 0) {
    for (size_t i = 0; i < length; ++i) bytes.at(at + i) = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    if (size) bytes.resize(size);
    return bytes;
}

std::vector<uint8_t> bytesOf(const Settings& s) {
    const Settings::Record r = s.record();
    return {r.begin(), r.end()};
}

// The fuzzers' hand-made seed of the defaults; texts keep what is behind their terminator and stay in their array.
TEST(Settings, DefaultsAndTexts) {
    Settings s;
    const std::vector<uint8_t> defaults = readBytes(sourcePath("tests/fuzz/corpus/settings/246-defaults.qbp"));
    EXPECT_EQ(bytesOf(s), defaults);
    Settings::setText(s.idPrefix, "A_VERY_LONG_PREFIX");
    Settings::setText(s.idPrefix, "TEX_");
    EXPECT_EQ(std::string(s.idPrefix, s.idPrefix + 18), "TEX_\0Y_LONG_PREFIX"s);
    Settings::setText(s.idDeclaration, std::string(100, 'd'));
    EXPECT_EQ(Settings::text(s.idDeclaration), std::string(63, 'd'));
    std::memset(s.idPrefix, 'X', sizeof s.idPrefix);  // no terminator at all
    EXPECT_EQ(Settings::text(s.idPrefix), std::string(32, 'X'));
    Settings::setText(s.idPrefix, std::string(30, 'a') + "テ");
    EXPECT_EQ(Settings::text(s.idPrefix), std::string(30, 'a'));
    s.resetToDefaults();
    EXPECT_EQ(bytesOf(s), defaults);
}

// A foreign tag leaves the record as it was, a damaged record the defaults; either is reported, and nothing is read.
TEST(Settings, RefusesForeignCutShortAndUnusableRecords) {
    const std::vector<uint8_t> defaults = readBytes(sourcePath("tests/fuzz/corpus/settings/246-defaults.qbp"));
    const std::string foreign = "Error: Quiltboxプロジェクトファイルではありません!";
    const std::string damaged = "Error: プロジェクトファイルが壊れています!";
    const std::tuple<std::vector<uint8_t>, std::string, bool> cases[] = {
        {{}, foreign, false},
        {{246, 0, 0}, foreign, false},
        {with(defaults, 0, 245), foreign, false},
        {with(defaults, 0, 246, 4, 1623), damaged, false},
        {with(defaults, 0, 214, 4, 1355), damaged, false},
        {with(defaults, 12, 0), damaged, false},  // zoom
        {with(defaults, 12, -256), damaged, false},
        {with(defaults, 4, 0), damaged, false},  // area width, height
        {with(defaults, 8, 16385), damaged, false},
        {with(with(defaults, 4, 1), 8, 1), "", true},
        {with(with(defaults, 4, 16384), 8, 16384), "", true},
    };
    for (const auto& [record, message, taken] : cases) {
        MessageRecorder messages;
        Settings s;
        s.showBorder = 1;
        ByteReader in(record);
        EXPECT_EQ(s.readFrom(in), taken) << message;
        if (taken) continue;
        EXPECT_EQ(messages.seen, std::vector<std::string>{message});
        EXPECT_EQ(s.showBorder, message == foreign ? 1 : 0);
        EXPECT_EQ(in.offset(), 0u);
    }
}

class ProjectTest : public testing::Test {
protected:
    void SetUp() override { Settings::instance().resetToDefaults(); }
    void TearDown() override { Settings::instance().resetToDefaults(); }
    // Adds an image file (made on first use, 4 x 3 unless told) at a place.
    void add(const std::string& path, int x, int y, int w = 4, int h = 3) {
        if (!fileExists(path)) writeSolidImage(path, w, h);
        ASSERT_TRUE(images.addFromFile(path, true)) << path;
        images.last().setPosition(x, y);
    }
    // Each image as "NAME x,y path".
    static std::vector<std::string> seen(const TextureCollection& c) {
        std::vector<std::string> out;
        for (const auto& i : c.images())
            out.push_back(formatText("%s %d,%d ", i->name().c_str(), i->x(), i->y()) + i->path());
        return out;
    }

    TempDir dir;
    MessageRecorder messages;
    TextureCollection images;
};

// int16 text lengths padded to even, int16 places, relative paths: a moved project loads and saves the same bytes.
TEST_F(ProjectTest, SavesAndLoadsAndSavesTheSameBytesAgain) {
    const std::string before = dir.file("before"), after = dir.file("after テスト"), img = dir.file("img");
    for (const std::string& folder : {before, after, img}) createFolder(folder);
    add(before + kPathSeparator + "grass.bmp", -3, 5);
    add(img + kPathSeparator + "tree.tga", 100, 40000);  // y keeps its low 16 bits: -25536
    add(before + kPathSeparator + "grass.bmp", 7, 8);
    Settings::instance().layoutSpacing = 4;
    ASSERT_TRUE(saveProjectFile(before + kPathSeparator + "p.qbp", images));
    const std::vector<uint8_t> saved = readBytes(before + kPathSeparator + "p.qbp");
    EXPECT_EQ(std::vector<uint8_t>(saved.begin(), saved.begin() + 1624), bytesOf(Settings::instance()));
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
    EXPECT_TRUE(loaded.images()[2]->isSelected() && !loaded.images()[0]->isSelected());
    ASSERT_TRUE(saveProjectFile(after + kPathSeparator + "p.qbp", loaded));
    EXPECT_EQ(readBytes(after + kPathSeparator + "p.qbp"), saved);
}

// The older record with absolute paths: stored names are taken as they stand, equal ones too, but a control character
// becomes '_'; images that are gone are reported, counted and skipped; a stored length of 511 is the longest taken.
TEST_F(ProjectTest, LoadsTheStoredNamesAndSkipsMissingImages) {
    Settings::instance().absolutePaths = 1;
    const std::vector<uint8_t> old = with(bytesOf(Settings::instance()), 0, 214, 4, Settings::kOldRecordSize);
    const std::string rock = writeSolidImage(dir.file("rock.bmp"), 4, 3), gone = dir.file("gone.tga");
    ByteWriter file;
    file.bytes(old.data(), old.size());
    file.i32(4);
    for (const auto& [path, name, x] :
         {std::tuple{rock, "RO\nK", 1}, {gone, "GONE", 2}, {rock, "ROCK", 3}, {std::string(510, 'p'), "P", 4}}) {
        for (const std::string& text : {path, std::string(name)}) {
            file.i16(static_cast<int16_t>(text.size() + 1));  // lengths that count the terminator are read as such
            file.text(text + '\0');
        }
        file.i16(static_cast<int16_t>(x));
        file.i16(7);
    }
    TextureCollection loaded;
    int32_t missing = -1;
    writeBytes(dir.file("p.qbp"), file.buffer());
    EXPECT_TRUE(loadProjectFile(dir.file("p.qbp"), loaded, &missing));
    EXPECT_EQ(seen(loaded), (std::vector<std::string>{"RO_K 1,7 " + rock, "ROCK 3,7 " + rock}));
    EXPECT_EQ(missing, 2);
    EXPECT_EQ(messages.seen, (std::vector<std::string>{
                                 "Failed!: TGA読み込みに失敗！\n\"" + gone + "\"",
                                 "Failed!: BMPまたはTGAと識別できませんでした\n\"" + std::string(510, 'p') + "\""}));
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
    EXPECT_EQ(readText(project), "the previous project");
    EXPECT_TRUE(Settings::instance().isChanged());
    Settings::instance().absolutePaths = 1;
    EXPECT_TRUE(saveProjectFile(project, images));
    std::filesystem::create_directory(dir.file("taken.qbp"));
    EXPECT_FALSE(saveProjectFile(dir.file("taken.qbp"), images));
    EXPECT_FALSE(loadProjectFile(dir.file("missing.qbp"), images));
    EXPECT_EQ(messages.seen, (std::vector<std::string>{"Error: 出力に失敗 : \"" + reported + "\"",
                                                       "Error: プロジェクトファイルのオープンに失敗！"}));
}

// The texts to the byte; the declaration, prefix and connector go in as they stand (a '%' is no format); names pad to
// 30 bytes and are cut at a character boundary: ID names to 63 bytes, macro names to 127 with their suffix.
TEST_F(ProjectTest, TextsAndTheQuvListToTheByte) {
    Settings settings;
    add(dir.file("tree.bmp"), 0, 0, 64, 32);
    add(dir.file("rock.bmp"), 3, 5, 8, 8);
    const std::string uv = "//---- テクスチャーUVリスト ----//\n", define = "#define                           ";
    EXPECT_EQ(uvArrayText(exportEntries(images), settings),
              "#define TEXTURE_MAX\t( 2 )\n\n#define MIN_U\t( 0 )\n#define MIN_V\t( 1 )\n#define MAX_U\t( 2 )\n"
              "#define MAX_V\t( 3 )\n\n" +
                  uv +
                  "const long UV_LIST[TEXTURE_MAX][4] =\n{\n// TREE\n\t{ 0, 0, 64, 32, },\n"
                  "// ROCK\n\t{ 3, 5, 11, 13, },\n};\n");
    EXPECT_EQ(uvDefinesText(exportEntries(images), settings), uv + "// TREE\n" + define + "TREE_U0\t0\n" + define + "TREE_V0\t0\n" +
                                                   define + "TREE_U1\t64\n" + define + "TREE_V1\t32\n// ROCK\n" +
                                                   define + "ROCK_U0\t3\n" + define + "ROCK_V0\t5\n" + define +
                                                   "ROCK_U1\t11\n" + define + "ROCK_V1\t13\n");
    EXPECT_EQ(idHeaderText(exportEntries(images), settings),
              "#pragma once\n\n// テクスチャーIDリスト\n\n#define                       "
              "IDT_TREE\t0\n#define                       IDT_ROCK\t1\n");
    const std::vector<int32_t> quv = {0x20565551, 2, 0, 0, 64, 32, 3, 5, 11, 13};  // "QUV ", the count, rows
    EXPECT_EQ(quvList(exportEntries(images), settings), std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(quv.data()),
                                                              reinterpret_cast<const uint8_t*>(quv.data() + 10)));
    settings.uvRatio = settings.reverseHorizontal = 1;
    const float ratios[] = {0.75f, 0, 1, 0.125f, 245 / 256.0f, 5 / 256.0f, 253 / 256.0f, 13 / 256.0f};
    EXPECT_EQ(std::memcmp(quvList(exportEntries(images), settings).data() + 8, ratios, sizeof ratios), 0);
    EXPECT_EQ(uvDefinesText(exportEntries(images), settings).substr(uv.size() + 8, define.size() + 17),
              define + "TREE_U0\t0.750000\n");
    add(dir.file(std::string(27, 'b') + ".bmp"), 0, 0);  // 31 bytes with the prefix
    Settings::setText(settings.idHeaderText, "// 100% ours %s %d");
    Settings::setText(settings.idDeclaration, "%define");
    Settings::setText(settings.idPrefix, "P%__");
    Settings::setText(settings.idConnector, "= %d ");
    EXPECT_EQ(idHeaderText(exportEntries(images), settings),
              "// 100% ours %s %d\n%define                       P%__TREE\t= %d 0\n"
              "%define                       P%__ROCK\t= %d 1\n%define P%__" +
                  std::string(27, 'B') + "\t= %d 2\n");
    EXPECT_EQ(idName("IDT_", std::string(58, 'C') + "テスト"), "IDT_" + std::string(58, 'C'));
    EXPECT_EQ(idName("IDT_", std::string(59, 'C') + "テ"), "IDT_" + std::string(59, 'C'));
    EXPECT_EQ(uvMacroName(std::string(123, 'A') + "テ", "_U0"), std::string(123, 'A') + "_U0");
    EXPECT_EQ(uvMacroName(std::string(124, 'B'), "_U1"), std::string(124, 'B') + "_U1");
}

// Names that the cut to 63 bytes (IDs, prefix included) or to 124 (macro names, before "_U0") would make equal are
// numbered apart, the base cut at a character boundary; a name that needed no cut keeps its ID even where a cut one
// would take it. check_outputs.py compiles both texts, where an ID or a macro given twice fails the build.
TEST(Exports, NamesTheCutWouldMakeEqualStayApart) {
    const Settings settings;
    const std::string l(57, 'L'), m(122, 'M'), k(56, 'K');
    ExportEntries entries;
    for (const std::string& name :
         {l + "LLONE", l + "LL", l + "LLTWO", m + "MMAB", m + "MMCD", k + "テスト1", k + "テスト2"}) {
        const int32_t at = static_cast<int32_t>(entries.size());
        entries.push_back({name, {at, 0, at + 1, 1}});
    }
    const std::string ids = idHeaderText(entries, settings), defines = uvDefinesText(entries, settings);
    const std::string expected = "#define IDT_" + l + "_1\t0\n#define IDT_" + l + "LL\t1\n#define IDT_" + l +
                                 "_2\t2\n#define IDT_" + m.substr(0, 59) + "\t3\n#define IDT_" + m.substr(0, 57) +
                                 "_1\t4\n#define IDT_" + k + "テ\t5\n#define IDT_" + k + "_1\t6\n";
    EXPECT_EQ(ids.substr(ids.size() - std::min(ids.size(), expected.size())), expected);
    EXPECT_NE(defines.find("#define " + m + "MM_U0\t3\n"), std::string::npos);
    EXPECT_NE(defines.find("#define " + m + "_1_U0\t4\n"), std::string::npos);
    writeBytes(outputPath("cut_ids.h"), ids);
    writeBytes(outputPath("cut_uv.h"), defines);
    writeBytes(outputPath("cut_main.cpp"),
               "#include <cstdio>\n#include \"cut_ids.h\"\n#include \"cut_uv.h\"\n"
               "int main() {\n  std::printf(\"%d %d %d %d %d %d\\n\", IDT_" +
                   l + "_1, IDT_" + l + "LL, IDT_" + l + "_2, IDT_" + m.substr(0, 57) + "_1, " + m + "MM_U0, " + m +
                   "_1_U0);\n}\n");
    writeBytes(outputPath("cut_main.expected"), std::string("0 1 2 4 3 4\n"));
    recordOutput("cut_main.cpp", "cut_main.expected", "cpp");
}

// check_outputs.py compiles the exports into a program printing each image's row by its ID: these rectangles.
TEST_F(ProjectTest, ExportsCompileAndIndexTheRightRows) {
    add(dir.file("tree.bmp"), 0, 0, 64, 32);
    add(dir.file("rock.bmp"), 100, 50, 10, 20);
    add(dir.file("leaf.bmp"), 249, 119, 7, 9);
    Settings& live = Settings::instance();
    for (const auto& [ratio, reverseH, reverseV] : {std::tuple{0, 0, 0}, {0, 1, 0}, {1, 0, 1}, {1, 1, 1}}) {
        live.resetToDefaults();
        live.areaHeight = 128;
        live.uvRatio = ratio;
        live.reverseHorizontal = reverseH;
        live.reverseVertical = reverseV;
        const std::string tag = formatText("%d%d%d", ratio, reverseH, reverseV);
        ASSERT_TRUE(images.writeUvArray(outputPath("uv" + tag + ".h")));
        ASSERT_TRUE(images.writeIdHeader(outputPath("ids" + tag + ".h")));
        std::string program = "#include <cstdio>\n#include \"ids" + tag + ".h\"\n#include \"uv" + tag +
                              ".h\"\nint main() {\n",
                    expected;
        const auto at = [&](int p, int size) { return ratio ? double(float(p / double(size))) : p; };
        const auto mirror = [&](double p, int size) { return ratio ? double(float(1.0 - p)) : size - p; };
        for (const auto& image : images.images()) {
            const int x = image->x(), y = image->y(), w = image->width(), h = image->height();
            std::array<double, 4> u = {at(x, 256), at(y, 128), at(x + w, 256), at(y + h, 128)};
            if (reverseH) u = {mirror(u[2], 256), u[1], mirror(u[0], 256), u[3]};
            if (reverseV) u = {u[0], mirror(u[3], 128), u[2], mirror(u[1], 128)};
            program += formatText("  std::printf(\"%s\\n\"", ratio ? "%.4f %.4f %.4f %.4f" : "%ld %ld %ld %ld");
            for (const char* cell : {"MIN_U", "MIN_V", "MAX_U", "MAX_V"}) {
                program += formatText(", UV_LIST[IDT_%s][%s]", image->name().c_str(), cell);
            }
            program += ");\n";
            expected += formatText(ratio ? "%.4f %.4f %.4f %.4f\n" : "%.0f %.0f %.0f %.0f\n", u[0], u[1], u[2], u[3]);
        }
        writeBytes(outputPath("main" + tag + ".cpp"), program + "  return TEXTURE_MAX == 3 ? 0 : 1;\n}\n");
        writeBytes(outputPath("main" + tag + ".expected"), expected);
        recordOutput("main" + tag + ".cpp", "main" + tag + ".expected", "cpp");
    }
}

}  // namespace
