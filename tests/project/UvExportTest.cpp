#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "base/Format.h"
#include "layout/TextureCollection.h"
#include "project/IdHeaderExport.h"
#include "project/Settings.h"
#include "project/UvExport.h"
#include "support/TestSupport.h"

namespace {

// A collection of images of the given sizes and positions, named after their files.
class ExportTest : public testing::Test {
protected:
    void add(const std::string& name, int w, int h, int x = 0, int y = 0) {
        ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file(name + ".bmp"), w, h), true));
        images.last().setPosition(x, y);
    }
    TempDir dir;
    TextureCollection images;
    Settings settings;
};

TEST_F(ExportTest, TextsAndTheQuvListToTheByte) {
    const std::string uv = "//---- テクスチャーUVリスト ----//\n",
                      head =
                          "#define MIN_U\t( 0 )\n#define MIN_V\t( 1 )\n#define MAX_U\t( 2 )\n#define MAX_V\t( 3 )\n\n" +
                          uv;
    EXPECT_EQ(uvArrayText(images, settings),
              "#define TEXTURE_MAX\t( 0 )\n\n" + head + "const long UV_LIST[TEXTURE_MAX][4] =\n{\n};\n");
    EXPECT_EQ(uvDefinesText(images, settings), uv);
    EXPECT_EQ(idHeaderText(images, settings), "#pragma once\n\n// テクスチャーIDリスト\n\n");
    EXPECT_EQ(quvList(images, settings), (std::vector<uint8_t>{'Q', 'U', 'V', ' ', 0, 0, 0, 0}));
    add("tree", 64, 32);
    add("rock", 8, 8, 3, 5);
    EXPECT_EQ(uvArrayText(images, settings),
              "#define TEXTURE_MAX\t( 2 )\n\n" + head +
                  "const long UV_LIST[TEXTURE_MAX][4] =\n{\n// TREE\n\t{ 0, 0, 64, 32, },\n"
                  "// ROCK\n\t{ 3, 5, 11, 13, },\n};\n");
    const std::string define = "#define                           ";
    EXPECT_EQ(uvDefinesText(images, settings), uv + "// TREE\n" + define + "TREE_U0\t0\n" + define + "TREE_V0\t0\n" +
                                                   define + "TREE_U1\t64\n" + define + "TREE_V1\t32\n// ROCK\n" +
                                                   define + "ROCK_U0\t3\n" + define + "ROCK_V0\t5\n" + define +
                                                   "ROCK_U1\t11\n" + define + "ROCK_V1\t13\n");
    EXPECT_EQ(idHeaderText(images, settings),
              "#pragma once\n\n// テクスチャーIDリスト\n\n#define                       "
              "IDT_TREE\t0\n#define                       IDT_ROCK\t1\n");
    const std::vector<int32_t> pixels = {0x20565551, 2, 0, 0, 64, 32, 3, 5, 11, 13};  // "QUV ", the count, rows
    EXPECT_EQ(quvList(images, settings), std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(pixels.data()),
                                                              reinterpret_cast<const uint8_t*>(pixels.data() + 10)));
    settings.uvRatio = settings.reverseHorizontal = 1;
    EXPECT_EQ(uvArrayText(images, settings),
              "#define TEXTURE_MAX\t( 2 )\n\n" + head +
                  "const float UV_LIST[TEXTURE_MAX][4] =\n{\n// TREE\n\t{  0.7500,  "
                  "0.0000,  1.0000,  0.1250 },\n// ROCK\n\t{  0.9570,  0.0195,  0.9883,  "
                  "0.0508 },\n};\n");
    const std::string ratioLines = define + "TREE_U0\t0.750000\n" + define + "TREE_V0\t0.000000\n";
    EXPECT_EQ(uvDefinesText(images, settings).substr(uv.size() + 8, ratioLines.size()), ratioLines);
    const float ratios[] = {0.75f, 0, 1, 0.125f, 245 / 256.0f, 5 / 256.0f, 253 / 256.0f, 13 / 256.0f};
    EXPECT_EQ(std::memcmp(quvList(images, settings).data() + 8, ratios, sizeof ratios), 0);
}

// The declaration, prefix and connector go in as they stand (a '%' is no format); names pad to 30 bytes and are cut
// at a character boundary: ID names to 63 bytes, macro names to 127 with their suffix.
TEST_F(ExportTest, IdNamesAndMacroNamesWithinTheirLimits) {
    add(std::string(26, 'a'), 8, 8);  // IDT_ + 26 = 30 bytes
    add(std::string(27, 'b'), 8, 8);  // 31 bytes
    const std::string header = "#pragma once\n\n// テクスチャーIDリスト\n\n";
    EXPECT_EQ(idHeaderText(images, settings).substr(header.size()),
              "#define IDT_" + std::string(26, 'A') + "\t0\n#define IDT_" + std::string(27, 'B') + "\t1\n");
    Settings::setText(settings.idHeaderText, "// 100% ours %s %d");
    Settings::setText(settings.idDeclaration, "%define");
    Settings::setText(settings.idPrefix, "P%__");
    Settings::setText(settings.idConnector, "= %d ");
    EXPECT_EQ(idHeaderText(images, settings), "// 100% ours %s %d\n%define P%__" + std::string(26, 'A') +
                                                  "\t= %d 0\n%define P%__" + std::string(27, 'B') + "\t= %d 1\n");
    EXPECT_EQ(idName("IDT_", std::string(58, 'C') + "テスト"), "IDT_" + std::string(58, 'C'));
    EXPECT_EQ(idName("IDT_", std::string(59, 'C') + "テ"), "IDT_" + std::string(59, 'C'));
    EXPECT_EQ(uvMacroName(std::string(123, 'A') + "テ", "_U0"), std::string(123, 'A') + "_U0");
    EXPECT_EQ(uvMacroName(std::string(124, 'B'), "_U1"), std::string(124, 'B') + "_U1");
}

// The array text and the ID header are real C++: a program that includes both and prints every image's row by its ID
// is compiled and run by check_outputs.py and must print the rectangles worked out here from places and sizes.
TEST_F(ExportTest, ExportsCompileAndIndexTheRightRows) {
    add("tree", 64, 32, 0, 0);
    add("rock", 10, 20, 100, 50);
    add("leaf", 7, 9, 249, 119);
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
        std::string program = "#include <cstdio>\n#include \"ids" + tag + ".h\"\n#include \"uv" + tag + ".h\"\n",
                    expected;
        program += "int main() {\n";
        // Ratios are divided in double and kept as floats; a mirrored one is 1 - ratio, a mirrored pixel size - pixel.
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
    live.resetToDefaults();
}

}  // namespace
