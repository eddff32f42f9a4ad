#include <gtest/gtest.h>

#include <cstring>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "project/Settings.h"
#include "support/TestSupport.h"

namespace {

void put32(Settings::Record& r, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) r[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

void putText(Settings::Record& r, size_t at, const std::string& text) {
    std::memcpy(&r[at], text.data(), text.size());
}

// The default record, byte by byte from the layout table.
Settings::Record defaultRecord() {
    Settings::Record r{};
    const int32_t head[] = {246, 256, 256, 256, 4, 0, 0, 1, 1};
    for (size_t i = 0; i < 9; ++i) put32(r, i * 4, head[i]);
    putText(r, 36, "IDT_");
    putText(r, 1356,
            "#pragma once\n\n// \x83\x65\x83\x4E\x83\x58\x83\x60\x83\x83\x81\x5B\x49\x44\x83\x8A\x83\x58\x83\x67\n");
    putText(r, 1484, "#define");
    put32(r, 1612, 1);
    return r;
}

std::vector<uint8_t> bytesOf(const Settings::Record& r, size_t n = Settings::kRecordSize) {
    return std::vector<uint8_t>(r.begin(), r.begin() + n);
}

TEST(Settings, DefaultsByteForByte) {
    Settings s;
    EXPECT_EQ(s.record(), defaultRecord());
    EXPECT_FALSE(s.isChanged());
    EXPECT_EQ(Settings::text(s.idHeaderText), "#pragma once\n\n// テクスチャーIDリスト\n");
}

TEST(Settings, WriteThenReadGivesTheSameBytesLeftoversIncluded) {
    Settings s;
    Settings::setText(s.idPrefix, "A_VERY_LONG_PREFIX");
    Settings::setText(s.idPrefix, "TEX_");  // "LONG_PREFIX" stays behind the terminator
    Settings::setText(s.usualPaths[Settings::kUsualTga], "D:\\out\\atlas.tga");
    s.zoom = 300;  // odd values other than the ones that break the canvas are kept
    s.layoutSpacing = -2;
    s.reverseVertical = 1;
    EXPECT_TRUE(s.isChanged());
    ByteWriter out;
    s.writeTo(out);
    EXPECT_FALSE(s.isChanged());
    ASSERT_EQ(out.size(), Settings::kRecordSize);
    EXPECT_EQ(out.buffer()[36 + 5], 'Y');

    Settings back;
    ByteReader in(out.buffer());
    ASSERT_TRUE(back.readFrom(in));
    EXPECT_EQ(in.offset(), Settings::kRecordSize);
    EXPECT_EQ(bytesOf(back.record()), out.buffer());
    EXPECT_FALSE(back.isChanged());
    EXPECT_EQ(Settings::text(back.idPrefix), "TEX_");
    EXPECT_EQ(back.zoom, 300);
}

TEST(Settings, UpgradesAnOlderRecord) {
    Settings::Record old = defaultRecord();
    put32(old, 0, 214);
    put32(old, 4, 512);
    put32(old, 32, 3);
    putText(old, 76 + 256 * 4, "ids.h");
    std::vector<uint8_t> file = bytesOf(old, Settings::kOldRecordSize);
    file.push_back(0x2A);  // the image count that follows
    Settings s;
    ByteReader in(file);
    ASSERT_TRUE(s.readFrom(in));
    EXPECT_EQ(in.offset(), 1356u);
    EXPECT_EQ(s.version, 246);
    EXPECT_EQ(s.areaWidth, 512);
    EXPECT_EQ(s.layoutSpacing, 3);
    EXPECT_EQ(Settings::text(s.usualPaths[Settings::kUsualIdHeader]), "ids.h");
    EXPECT_EQ(Settings::text(s.idHeaderText), "#pragma once\n\n// テクスチャーIDリスト\n");
    EXPECT_EQ(Settings::text(s.idDeclaration), "#define");
    EXPECT_EQ(Settings::text(s.idConnector), "");
    EXPECT_EQ(s.sortByEdgeLength, 1);
    EXPECT_EQ(s.reverseHorizontal, 0);
    EXPECT_EQ(s.reverseVertical, 0);
    EXPECT_TRUE(s.isChanged()) << "the saved copy keeps the old tag";
    EXPECT_EQ(s.savedCopy[0], 214);
}

TEST(Settings, RefusesForeignCutShortAndUnusableRecords) {
    const std::vector<uint8_t> good = bytesOf(defaultRecord());
    auto with = [&](size_t at, int32_t v) {
        Settings::Record r = defaultRecord();
        put32(r, at, v);
        return bytesOf(r);
    };
    const std::string notProject = "Quiltboxプロジェクトファイルではありません!";
    const std::string damaged = "プロジェクトファイルが壊れています!";
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        std::string message;
    };
    const Case cases[] = {
        {"empty", {}, notProject},
        {"three bytes", {246, 0, 0}, notProject},
        {"tag 245", with(0, 245), notProject},
        {"tag 0", with(0, 0), notProject},
        {"246 cut short", std::vector<uint8_t>(good.begin(), good.begin() + 1623), damaged},
        {"246 of 1356 bytes", std::vector<uint8_t>(good.begin(), good.begin() + 1356), damaged},
        {"214 cut short",
         [&] {
             auto f = with(0, 214);
             f.resize(1355);
             return f;
         }(),
         damaged},
        {"zoom 0", with(12, 0), damaged},
        {"zoom -256", with(12, -256), damaged},
        {"width 0", with(4, 0), damaged},
        {"height 16385", with(8, 16385), damaged},
        {"negative width", with(4, -256), damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MessageRecorder messages;
        Settings s;
        s.showBorder = 1;  // a live change, to see whether the record is touched
        ByteReader in(c.file);
        EXPECT_FALSE(s.readFrom(in));
        ASSERT_EQ(messages.entries().size(), 1u);
        EXPECT_EQ(messages.entries()[0].text, c.message);
        EXPECT_EQ(messages.entries()[0].caption, "Error");
        // A foreign tag leaves the record as it was; a damaged one leaves the defaults.
        EXPECT_EQ(s.showBorder, c.message == notProject ? 1 : 0);
        EXPECT_EQ(in.offset(), 0u);
    }
    Settings s;
    const std::vector<uint8_t> widest = with(4, 16384);
    ByteReader in(widest);
    EXPECT_TRUE(s.readFrom(in)) << "16384 is the largest side taken";
}

TEST(Settings, ChangesCountUntilWrittenOrReset) {
    Settings s;
    s.showBorder = !s.showBorder;
    EXPECT_TRUE(s.isChanged());
    s.showBorder = !s.showBorder;
    EXPECT_FALSE(s.isChanged()) << "a field changed and changed back counts as unchanged";
    Settings::setText(s.idConnector, " = ");
    EXPECT_TRUE(s.isChanged());
    s.resetToDefaults();
    EXPECT_FALSE(s.isChanged());
    EXPECT_EQ(&Settings::instance(), &Settings::instance());
}

TEST(Settings, TextsAreNeverReadPastTheirArray) {
    Settings s;
    std::memset(s.idPrefix, 'X', sizeof s.idPrefix);  // no terminator at all
    EXPECT_EQ(Settings::text(s.idPrefix), std::string(32, 'X'));
    Settings::setText(s.idDeclaration, std::string(100, 'd'));
    EXPECT_EQ(Settings::text(s.idDeclaration), std::string(63, 'd'));
    Settings::setText(s.idPrefix, std::string(30, 'a') + "テ");
    EXPECT_EQ(Settings::text(s.idPrefix), std::string(30, 'a'));
}

}  // namespace
