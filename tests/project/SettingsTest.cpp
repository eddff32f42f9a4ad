#include <gtest/gtest.h>

#include <cstring>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "project/Settings.h"
#include "support/TestSupport.h"

namespace {

std::vector<uint8_t> with32(std::vector<uint8_t> r, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) r[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    return r;
}

// The default record, byte by byte from the record's layout.
std::vector<uint8_t> defaultRecord() {
    std::vector<uint8_t> r(1624, 0);
    const int32_t head[] = {246, 256, 256, 256, 4, 0, 0, 1, 1};
    for (size_t i = 0; i < 9; ++i) r = with32(r, i * 4, head[i]);
    for (const auto& [at, text] : {std::pair<size_t, std::string>{36, "IDT_"},
                                   {1484, "#define"},
                                   {1356,
                                    "#pragma once\n\n// \x83\x65\x83\x4E\x83\x58\x83\x60\x83\x83\x81\x5BID"
                                    "\x83\x8A\x83\x58\x83\x67\n"}}) {
        std::memcpy(&r[at], text.data(), text.size());
    }
    return with32(r, 1612, 1);
}

std::vector<uint8_t> cut(std::vector<uint8_t> r, size_t n) {
    r.resize(n);
    return r;
}

std::vector<uint8_t> bytesOf(const Settings& s) {
    const Settings::Record r = s.record();
    return {r.begin(), r.end()};
}

// Texts keep whatever stands behind their terminator; a record written and read again gives the same bytes.
TEST(Settings, DefaultsAndWhatIsWrittenReadBackByteForByte) {
    Settings s;
    EXPECT_EQ(bytesOf(s), defaultRecord());
    EXPECT_EQ(Settings::text(s.idHeaderText), "#pragma once\n\n// テクスチャーIDリスト\n");
    Settings::setText(s.idPrefix, "A_VERY_LONG_PREFIX");
    Settings::setText(s.idPrefix, "TEX_");  // "LONG_PREFIX" stays behind the terminator
    Settings::setText(s.usualPaths[Settings::kUsualTga], "D:\\out\\atlas.tga");
    s.zoom = 300;
    s.layoutSpacing = -2;
    s.reverseVertical = 1;
    EXPECT_TRUE(s.isChanged());
    ByteWriter out;
    s.writeTo(out);
    EXPECT_FALSE(s.isChanged());
    EXPECT_EQ(out.buffer(), bytesOf(s));
    EXPECT_EQ(out.buffer()[36 + 5], 'Y');
    Settings back;
    ByteReader in(out.buffer());
    ASSERT_TRUE(back.readFrom(in));
    EXPECT_EQ(in.offset(), 1624u);
    EXPECT_EQ(bytesOf(back), out.buffer());
    EXPECT_FALSE(back.isChanged());
    // A change counts until it is changed back, written or reset.
    back.showBorder = 1;
    EXPECT_TRUE(back.isChanged());
    back.showBorder = 0;
    EXPECT_FALSE(back.isChanged());
    Settings::setText(back.idConnector, " = ");
    back.resetToDefaults();
    EXPECT_FALSE(back.isChanged());
    EXPECT_EQ(bytesOf(back), defaultRecord());
}

// A 214 record is the first 1356 bytes; the fields behind keep their defaults, and the project counts as changed.
TEST(Settings, UpgradesAnOlderRecord) {
    std::vector<uint8_t> file = cut(with32(with32(with32(defaultRecord(), 0, 214), 4, 512), 32, 3), 1356);
    std::memcpy(&file[76 + 4 * 256], "ids.h", 5);
    file.resize(1624, 0xEE);  // what follows the record
    Settings s;
    ByteReader in(file);
    ASSERT_TRUE(s.readFrom(in));
    EXPECT_EQ(in.offset(), 1356u);
    EXPECT_EQ(Settings::text(s.usualPaths[Settings::kUsualIdHeader]), "ids.h");
    std::vector<uint8_t> want = defaultRecord();  // the current version; behind the old record the defaults
    std::copy(file.begin() + 4, file.begin() + 1356, want.begin() + 4);
    EXPECT_EQ(bytesOf(s), want);
    EXPECT_TRUE(s.isChanged()) << "the saved copy keeps the old tag";
    EXPECT_EQ(s.savedCopy[0], 214);
}

TEST(Settings, RefusesForeignCutShortAndUnusableRecords) {
    const std::vector<uint8_t> good = defaultRecord();
    const std::string notProject = "Error: Quiltboxプロジェクトファイルではありません!";
    const std::string damaged = "Error: プロジェクトファイルが壊れています!";
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {{}, notProject},
        {{246, 0, 0}, notProject},
        {with32(good, 0, 245), notProject},
        {cut(good, 1623), damaged},
        {cut(good, 1356), damaged},
        {cut(with32(good, 0, 214), 1355), damaged},
        {with32(good, 12, 0), damaged},
        {with32(good, 12, -256), damaged},
        {with32(good, 4, 0), damaged},
        {with32(good, 8, 16385), damaged},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        MessageRecorder messages;
        Settings s;
        s.showBorder = 1;  // a live change, to see whether the record is touched
        ByteReader in(cases[i].first);
        EXPECT_FALSE(s.readFrom(in));
        EXPECT_EQ(messages.seen, std::vector<std::string>{cases[i].second}) << "case " << i;
        // A foreign tag leaves the record as it was; a damaged one leaves the defaults.
        EXPECT_EQ(s.showBorder, cases[i].second == notProject ? 1 : 0) << "case " << i;
        EXPECT_EQ(in.offset(), 0u);
    }
    for (int32_t side : {1, 16384}) {
        Settings s;
        const std::vector<uint8_t> edge = with32(with32(good, 4, side), 8, side);
        ByteReader in(edge);
        EXPECT_TRUE(s.readFrom(in)) << side;
    }
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
