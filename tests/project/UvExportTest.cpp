#include <gtest/gtest.h>

#include <cstring>

#include "base/ByteReader.h"
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

TEST_F(ExportTest, RectanglesInPixelsAndRatiosWithTheReverseFlags) {
    add("tree", 64, 32);
    add("edge", 16, 16, 240, 100);
    struct Case {
        int h, v;
        UvPixels tree, edge;
        UvRatios treeRatios, edgeRatios;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 64, 32}, {240, 100, 256, 116}, {0, 0, 0.25f, 0.125f}, {0.9375f, 0.390625f, 1, 0.453125f}},
        {1, 0, {192, 0, 256, 32}, {0, 100, 16, 116}, {0.75f, 0, 1, 0.125f}, {0, 0.390625f, 0.0625f, 0.453125f}},
        {0, 1, {0, 224, 64, 256}, {240, 140, 256, 156}, {0, 0.875f, 0.25f, 1}, {0.9375f, 0.546875f, 1, 0.609375f}},
        {1, 1, {192, 224, 256, 256}, {0, 140, 16, 156}, {0.75f, 0.875f, 1, 1}, {0, 0.546875f, 0.0625f, 0.609375f}},
    };
    for (const Case& c : cases) {
        settings.reverseHorizontal = c.h;
        settings.reverseVertical = c.v;
        EXPECT_EQ(uvRectangle(*images.images()[0], settings), c.tree) << c.h << c.v;
        EXPECT_EQ(uvRectangle(*images.images()[1], settings), c.edge) << c.h << c.v;
        EXPECT_EQ(uvRatios(*images.images()[0], settings), c.treeRatios) << c.h << c.v;
        EXPECT_EQ(uvRatios(*images.images()[1], settings), c.edgeRatios) << c.h << c.v;
    }
}

TEST_F(ExportTest, QuvListReadsBackFieldByField) {
    EXPECT_EQ(quvList(images, settings), (std::vector<uint8_t>{'Q', 'U', 'V', ' ', 0, 0, 0, 0}));
    add("tree", 64, 32);
    add("rock", 10, 20, 100, 50);
    for (int ratio : {0, 1}) {
        settings.uvRatio = ratio;
        const std::vector<uint8_t> file = quvList(images, settings);
        ByteReader in(file);
        EXPECT_EQ(in.u32(), 0x20565551u);  // "QUV "
        EXPECT_EQ(in.i32(), 2);
        for (const auto& image : images.images()) {
            for (int i = 0; i < 4; ++i) {
                const uint32_t bits = in.u32();
                float value;
                std::memcpy(&value, &bits, 4);
                EXPECT_EQ(ratio ? value : static_cast<int32_t>(bits),
                          ratio ? uvRatios(*image, settings)[i] : uvRectangle(*image, settings)[i]);
            }
        }
        EXPECT_TRUE(in.ok() && in.remaining() == 0);
    }
}

TEST_F(ExportTest, TextsToTheByte) {
    const std::string head =
        "#define MIN_U\t( 0 )\n#define MIN_V\t( 1 )\n#define MAX_U\t( 2 )\n#define MAX_V\t( 3 )\n"
        "\n//---- テクスチャーUVリスト ----//\n";
    EXPECT_EQ(uvArrayText(images, settings),
              "#define TEXTURE_MAX\t( 0 )\n\n" + head + "const long UV_LIST[TEXTURE_MAX][4] =\n{\n};\n");
    EXPECT_EQ(uvDefinesText(images, settings), "//---- テクスチャーUVリスト ----//\n");
    EXPECT_EQ(idHeaderText(images, settings), "#pragma once\n\n// テクスチャーIDリスト\n\n");
    add("tree", 64, 32);
    add("rock", 8, 8, 3, 5);
    EXPECT_EQ(uvArrayText(images, settings),
              "#define TEXTURE_MAX\t( 2 )\n\n" + head +
                  "const long UV_LIST[TEXTURE_MAX][4] =\n{\n// TREE\n\t{ 0, 0, 64, 32, },\n"
                  "// ROCK\n\t{ 3, 5, 11, 13, },\n};\n");
    EXPECT_EQ(uvDefinesText(images, settings),
              "//---- テクスチャーUVリスト ----//\n// TREE\n"
              "#define                           TREE_U0\t0\n#define                           TREE_V0\t0\n"
              "#define                           TREE_U1\t64\n#define                           TREE_V1\t32\n"
              "// ROCK\n#define                           ROCK_U0\t3\n#define                           ROCK_V0\t5\n"
              "#define                           ROCK_U1\t11\n#define                           ROCK_V1\t13\n");
    EXPECT_EQ(idHeaderText(images, settings),
              "#pragma once\n\n// テクスチャーIDリスト\n\n#define                       IDT_TREE\t0\n"
              "#define                       IDT_ROCK\t1\n");
    settings.uvRatio = 1;
    settings.reverseHorizontal = 1;
    EXPECT_EQ(uvArrayText(images, settings),
              "#define TEXTURE_MAX\t( 2 )\n\n" + head +
                  "const float UV_LIST[TEXTURE_MAX][4] =\n{\n// TREE\n\t{  0.7500,  0.0000,  1.0000,  0.1250 },\n"
                  "// ROCK\n\t{  0.9570,  0.0195,  0.9883,  0.0508 },\n};\n");
    EXPECT_NE(uvDefinesText(images, settings)
                  .find("#define                           TREE_U0\t0.750000\n"
                        "#define                           TREE_V0\t0.000000\n"),
              std::string::npos);
}

// The declaration, prefix and connector go in as they stand (a '%' is no format); names pad to 30 bytes and are cut
// at a character boundary: ID names to 63 bytes, macro names to 127 with their suffix.
TEST_F(ExportTest, IdNamesAndMacroNamesWithinTheirLimits) {
    add(std::string(26, 'a'), 8, 8);  // IDT_ + 26 = 30 bytes
    add(std::string(27, 'b'), 8, 8);  // 31 bytes
    EXPECT_NE(idHeaderText(images, settings).find("#define IDT_" + std::string(26, 'A') + "\t0\n"), std::string::npos);
    EXPECT_NE(idHeaderText(images, settings).find("\n#define IDT_" + std::string(27, 'B') + "\t1\n"),
              std::string::npos);
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
    for (int ratio : {0, 1}) {
        for (int reverse : {0, 1}) {
            live.resetToDefaults();
            live.areaHeight = 128;
            live.uvRatio = ratio;
            live.reverseHorizontal = live.reverseVertical = reverse;
            const std::string tag = formatText("%d%d", ratio, reverse);
            ASSERT_TRUE(images.writeUvArray(outputPath("uv" + tag + ".h")));
            ASSERT_TRUE(images.writeIdHeader(outputPath("ids" + tag + ".h")));
            std::string program = "#include <cstdio>\n#include \"ids" + tag + ".h\"\n#include \"uv" + tag + ".h\"\n" +
                                  "int main() {\n",
                        expected;
            for (const auto& image : images.images()) {
                const int x = image->x(), y = image->y(), w = image->width(), h = image->height();
                double u[4] = {double(x), double(y), double(x + w), double(y + h)};
                if (reverse) u[0] = 256 - (x + w), u[1] = 128 - (y + h), u[2] = 256 - x, u[3] = 128 - y;
                // Ratios: divided in double, kept as float, mirrored as 1 - ratio.
                const auto r = [](double v, double size) { return double(static_cast<float>(v / size)); };
                if (ratio && !reverse)
                    for (int i = 0; i < 4; ++i) u[i] = r(u[i], i % 2 ? 128 : 256);
                if (ratio && reverse) {
                    const double a = r(x, 256), b = r(y, 128), c = r(x + w, 256), d = r(y + h, 128);
                    const auto m = [](double v) { return double(static_cast<float>(1.0 - v)); };
                    u[0] = m(c), u[1] = m(d), u[2] = m(a), u[3] = m(b);
                }
                const char* row = "UV_LIST[IDT_%s]";
                program += formatText("  std::printf(\"%s\\n\"", ratio ? "%.4f %.4f %.4f %.4f" : "%ld %ld %ld %ld");
                for (const char* cell : {"MIN_U", "MIN_V", "MAX_U", "MAX_V"}) {
                    program += ", " + formatText(row, image->name().c_str()) + "[" + cell + "]";
                }
                program += ");\n";
                expected += ratio ? formatText("%.4f %.4f %.4f %.4f\n", u[0], u[1], u[2], u[3])
                                  : formatText("%.0f %.0f %.0f %.0f\n", u[0], u[1], u[2], u[3]);
            }
            writeBytes(outputPath("main" + tag + ".cpp"), program + "  return TEXTURE_MAX == 3 ? 0 : 1;\n}\n");
            writeBytes(outputPath("main" + tag + ".expected"), expected);
            recordOutput("main" + tag + ".cpp", "main" + tag + ".expected", "cpp");
        }
    }
    live.resetToDefaults();
}

}  // namespace
