#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "base/ByteReader.h"
#include "base/Format.h"
#include "layout/TextureCollection.h"
#include "project/IdHeaderExport.h"
#include "project/Settings.h"
#include "project/UvExport.h"
#include "support/ImageFiles.h"
#include "support/TestSupport.h"

namespace {

// A collection of images of the given sizes and positions, named after their files.
class ExportTest : public testing::Test {
protected:
    void add(const std::string& name, int w, int h, int x = 0, int y = 0) {
        ASSERT_TRUE(images.addFromFile(writeSolidImage(dir.file(name + ".bmp"), w, h, solid(1, 2, 3)), true));
        images.last().setPosition(x, y);
    }
    TempDir dir;
    TextureCollection images;
    Settings settings;
};

TEST_F(ExportTest, PixelAndRatioRectanglesWithTheReverseFlags) {
    add("tree", 64, 32);
    add("edge", 16, 16, 240, 100);
    struct Case {
        int h, v;
        UvPixels tree, edge;
        UvRatios treeRatios, edgeRatios;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 64, 32}, {240, 100, 256, 116}, {0, 0, 0.25f, 0.125f}, {0.9375f, 0.390625f, 1.0f, 0.453125f}},
        {1, 0, {192, 0, 256, 32}, {0, 100, 16, 116}, {0.75f, 0, 1.0f, 0.125f}, {0, 0.390625f, 0.0625f, 0.453125f}},
        {0,
         1,
         {0, 224, 64, 256},
         {240, 140, 256, 156},
         {0, 0.875f, 0.25f, 1.0f},
         {0.9375f, 0.546875f, 1.0f, 0.609375f}},
        {1,
         1,
         {192, 224, 256, 256},
         {0, 140, 16, 156},
         {0.75f, 0.875f, 1.0f, 1.0f},
         {0, 0.546875f, 0.0625f, 0.609375f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "reverse " << c.h << c.v);
        settings.reverseHorizontal = c.h;
        settings.reverseVertical = c.v;
        EXPECT_EQ(uvRectangle(*images.images()[0], settings), c.tree);
        EXPECT_EQ(uvRectangle(*images.images()[1], settings), c.edge);
        EXPECT_EQ(uvRatios(*images.images()[0], settings), c.treeRatios);
        EXPECT_EQ(uvRatios(*images.images()[1], settings), c.edgeRatios);
    }
}

TEST_F(ExportTest, QuvListReadsBackFieldByField) {
    add("tree", 64, 32);
    add("rock", 10, 20, 100, 50);
    for (int ratio : {0, 1}) {
        SCOPED_TRACE(ratio);
        settings.uvRatio = ratio;
        const std::vector<uint8_t> file = quvList(images, settings);
        ASSERT_EQ(file.size(), 8u + 2 * 16);
        ByteReader in(file);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(in.take(4)), 4), "QUV ");
        EXPECT_EQ(in.i32(), 2);
        for (const auto& image : images.images()) {
            if (ratio) {
                for (float want : uvRatios(*image, settings)) {
                    const uint32_t bits = in.u32();
                    float got;
                    std::memcpy(&got, &bits, 4);
                    EXPECT_EQ(got, want);
                }
            } else {
                for (int32_t want : uvRectangle(*image, settings)) EXPECT_EQ(in.i32(), want);
            }
        }
        EXPECT_EQ(in.remaining(), 0u);
    }
}

TEST_F(ExportTest, ArrayTextToTheByte) {
    add("tree", 64, 32);
    const std::string head =
        "#define TEXTURE_MAX\t( 1 )\n\n"
        "#define MIN_U\t( 0 )\n#define MIN_V\t( 1 )\n#define MAX_U\t( 2 )\n#define MAX_V\t( 3 )\n"
        "\n//---- テクスチャーUVリスト ----//\n";
    EXPECT_EQ(uvArrayText(images, settings),
              head + "const long UV_LIST[TEXTURE_MAX][4] =\n{\n// TREE\n\t{ 0, 0, 64, 32, },\n};\n");
    settings.uvRatio = 1;
    EXPECT_EQ(
        uvArrayText(images, settings),
        head + "const float UV_LIST[TEXTURE_MAX][4] =\n{\n// TREE\n\t{  0.0000,  0.0000,  0.2500,  0.1250 },\n};\n");
    settings.reverseHorizontal = settings.reverseVertical = 1;
    EXPECT_NE(uvArrayText(images, settings).find("\t{  0.7500,  0.8750,  1.0000,  1.0000 },\n"), std::string::npos);
}

TEST_F(ExportTest, DefinesTextToTheByte) {
    add("tree", 64, 32);
    EXPECT_EQ(uvDefinesText(images, settings),
              "//---- テクスチャーUVリスト ----//\n"
              "// TREE\n"
              "#define                           TREE_U0\t0\n"
              "#define                           TREE_V0\t0\n"
              "#define                           TREE_U1\t64\n"
              "#define                           TREE_V1\t32\n");
    settings.uvRatio = 1;
    settings.reverseHorizontal = 1;
    EXPECT_EQ(uvDefinesText(images, settings),
              "//---- テクスチャーUVリスト ----//\n"
              "// TREE\n"
              "#define                           TREE_U0\t0.750000\n"
              "#define                           TREE_V0\t0.000000\n"
              "#define                           TREE_U1\t1.000000\n"
              "#define                           TREE_V1\t0.125000\n");
}

TEST_F(ExportTest, IdHeaderWithTheDefaults) {
    add("tree", 8, 8);
    add("rock", 8, 8);
    EXPECT_EQ(idHeaderText(images, settings),
              "#pragma once\n\n// テクスチャーIDリスト\n\n"
              "#define                       IDT_TREE\t0\n"
              "#define                       IDT_ROCK\t1\n");
    // After a reorder the numbers follow the new order.
    images.deselectAllQuietly();
    images.selectByName("ROCK");
    images.moveSelectedToFirst();
    EXPECT_NE(idHeaderText(images, settings).find("IDT_ROCK\t0\n"), std::string::npos);
}

TEST_F(ExportTest, IdNamesAroundThirtyBytesAndTextsWithPercentSigns) {
    add(std::string(26, 'a'), 8, 8);  // IDT_ + 26 = 30 bytes
    add(std::string(27, 'b'), 8, 8);  // 31 bytes
    Settings::setText(settings.idHeaderText, "// 100% ours %s %d");
    Settings::setText(settings.idDeclaration, "%define");
    Settings::setText(settings.idPrefix, "P%__");
    Settings::setText(settings.idConnector, "= %d ");
    const std::string text = idHeaderText(images, settings);
    EXPECT_EQ(text,
              "// 100% ours %s %d\n"
              "%define P%__" +
                  std::string(26, 'A') +
                  "\t= %d 0\n"
                  "%define P%__" +
                  std::string(27, 'B') + "\t= %d 1\n");
    Settings plain;
    EXPECT_NE(idHeaderText(images, plain).find("#define IDT_" + std::string(26, 'A') + "\t0\n"), std::string::npos);
    EXPECT_NE(idHeaderText(images, plain).find("#define IDT_" + std::string(27, 'B') + "\t1\n"), std::string::npos);
    // Empty texts: the file begins with the line feed, and each line with the space.
    Settings::setText(plain.idHeaderText, "");
    Settings::setText(plain.idDeclaration, "");
    EXPECT_EQ(idHeaderText(images, plain).substr(0, 2), "\n ");
}

TEST_F(ExportTest, LongNamesAreCutAtACharacterBoundaryWithinTheirLimits) {
    const std::string longName = std::string(123, 'A') + "テ";  // 125 bytes
    EXPECT_EQ(uvMacroName(longName, "_U0"), std::string(123, 'A') + "_U0");
    EXPECT_EQ(uvMacroName("TREE", "_V1"), "TREE_V1");
    EXPECT_EQ(uvMacroName(std::string(124, 'B'), "_U1").size(), 127u);
    EXPECT_EQ(idName("IDT_", std::string(58, 'C') + "テスト"), "IDT_" + std::string(58, 'C'));
    EXPECT_EQ(idName("IDT_", std::string(59, 'C') + "テ"), "IDT_" + std::string(59, 'C'));
    EXPECT_EQ(idName(std::string(31, 'P'), std::string(127, 'N')).size(), 63u);
}

TEST_F(ExportTest, EmptyCollections) {
    EXPECT_EQ(quvList(images, settings), (std::vector<uint8_t>{'Q', 'U', 'V', ' ', 0, 0, 0, 0}));
    EXPECT_EQ(uvArrayText(images, settings),
              "#define TEXTURE_MAX\t( 0 )\n\n"
              "#define MIN_U\t( 0 )\n#define MIN_V\t( 1 )\n#define MAX_U\t( 2 )\n#define MAX_V\t( 3 )\n"
              "\n//---- テクスチャーUVリスト ----//\nconst long UV_LIST[TEXTURE_MAX][4] =\n{\n};\n");
    EXPECT_EQ(uvDefinesText(images, settings), "//---- テクスチャーUVリスト ----//\n");
    EXPECT_EQ(idHeaderText(images, settings), "#pragma once\n\n// テクスチャーIDリスト\n\n");
}

TEST_F(ExportTest, FilesAreWrittenWholeOrNotAtAll) {
    add("tree", 64, 32);
    Settings::instance().resetToDefaults();
    ASSERT_TRUE(images.writeQuvList(dir.file("a.quv")));
    ASSERT_TRUE(images.writeUvArray(dir.file("a.h")));
    ASSERT_TRUE(images.writeUvDefines(dir.file("d.h")));
    ASSERT_TRUE(images.writeIdHeader(dir.file("id.h")));
    EXPECT_EQ(readBytes(dir.file("a.quv")), quvList(images, Settings::instance()));
    EXPECT_EQ(readText(dir.file("a.h")), uvArrayText(images, Settings::instance()));
    EXPECT_EQ(readText(dir.file("d.h")), uvDefinesText(images, Settings::instance()));
    EXPECT_EQ(readText(dir.file("id.h")), idHeaderText(images, Settings::instance()));
    const std::string missing = dir.file("missing") + kSeparator + "x";
    EXPECT_FALSE(images.writeQuvList(missing));
    EXPECT_FALSE(images.writeUvArray(missing));
    EXPECT_FALSE(images.writeUvDefines(missing));
    EXPECT_FALSE(images.writeIdHeader(missing));
}

}  // namespace

namespace {

// The exported array text and ID header are real C++: a small program that includes both and prints every image's
// row by its ID is compiled and run by check_outputs.py (the host compiler), and must print the rectangles that the
// positions and sizes give, computed here on their own.
TEST_F(ExportTest, ExportsCompileAndIndexTheRightRows) {
    add("tree", 64, 32, 0, 0);
    add("rock", 10, 20, 100, 50);
    add("leaf", 7, 9, 249, 119);
    Settings& live = Settings::instance();
    for (int ratio : {0, 1}) {
        for (int reverse : {0, 1}) {
            live.resetToDefaults();
            live.areaWidth = 256;
            live.areaHeight = 128;
            live.uvRatio = ratio;
            live.reverseHorizontal = live.reverseVertical = reverse;
            const std::string tag = std::string(ratio ? "ratio" : "pixels") + (reverse ? "_reversed" : "");
            ASSERT_TRUE(images.writeUvArray(outputPath("uv_" + tag + ".h")));
            ASSERT_TRUE(images.writeIdHeader(outputPath("ids_" + tag + ".h")));

            std::string program =
                "#include <cstdio>\n#include \"ids_" + tag + ".h\"\n#include \"uv_" + tag + ".h\"\nint main() {\n";
            std::string expected;
            for (const auto& image : images.images()) {
                const int x = image->x(), y = image->y(), w = image->width(), h = image->height();
                int u0 = x, v0 = y, u1 = x + w, v1 = y + h;
                if (reverse) u0 = 256 - (x + w), u1 = 256 - x, v0 = 128 - (y + h), v1 = 128 - y;
                const std::string id = "IDT_" + image->name();
                const char* cells = "[MIN_U], UV_LIST[%s][MIN_V], UV_LIST[%s][MAX_U], UV_LIST[%s][MAX_V]";
                if (ratio) {
                    program += formatText("  std::printf(\"%%.4f %%.4f %%.4f %%.4f\\n\", UV_LIST[%s]", id.c_str());
                    const auto r = [](int v, int size) {
                        return static_cast<double>(static_cast<float>(v / double(size)));
                    };
                    const auto m = [](double v) {
                        return static_cast<double>(static_cast<float>(1.0 - static_cast<float>(v)));
                    };
                    double a = r(x, 256), b = r(y, 128), c = r(x + w, 256), d = r(y + h, 128);
                    if (reverse) std::tie(a, b, c, d) = std::make_tuple(m(c), m(d), m(a), m(b));
                    expected += formatText("%.4f %.4f %.4f %.4f\n", a, b, c, d);
                } else {
                    program += formatText("  std::printf(\"%%ld %%ld %%ld %%ld\\n\", UV_LIST[%s]", id.c_str());
                    expected += formatText("%d %d %d %d\n", u0, v0, u1, v1);
                }
                program += formatText(cells, id.c_str(), id.c_str(), id.c_str()) + std::string(");\n");
            }
            program += "  return TEXTURE_MAX == 3 ? 0 : 1;\n}\n";
            writeBytes(outputPath("main_" + tag + ".cpp"), program);
            writeBytes(outputPath("main_" + tag + ".expected"), expected);
            recordOutput("main_" + tag + ".cpp", "main_" + tag + ".expected", "cpp");
        }
    }
    live.resetToDefaults();
}

}  // namespace
