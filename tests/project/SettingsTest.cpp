#include <gtest/gtest.h>

#include <cstring>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "project/Settings.h"
#include "support/TestSupport.h"

namespace {

std::vector<uint8_t> with32(std::vector<uint8_t> r, size_t at, int32_t v, size_t size = 1624) {
    for (int i = 0; i < 4; ++i) r[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    r.resize(size);
    return r;
}

std::vector<uint8_t> bytesOf(const Settings& s) {
    const Settings::Record r = s.record();
    return {r.begin(), r.end()};
}

// The fuzzers' seeds hold the default record and an older one, built byte by byte by tests/fixtures/make_fixtures.py.
std::vector<uint8_t> seed(const std::string& name) {
    return readBytes(sourcePath("tests/fuzz/corpus/settings/" + name));
}

// Texts keep whatever stands behind their terminator; a record written and read again (from wherever it starts in the
// reader) gives the same bytes.
TEST(Settings, DefaultsAndWhatIsWrittenReadBackByteForByte) {
    const std::vector<uint8_t> defaults = seed("246-defaults.qbp");
    Settings s;
    EXPECT_EQ(bytesOf(s), defaults);
    Settings::setText(s.idPrefix, "A_VERY_LONG_PREFIX");
    Settings::setText(s.idPrefix, "TEX_");  // "LONG_PREFIX" stays behind the terminator
    s.zoom = 300;
    s.layoutSpacing = -2;
    EXPECT_TRUE(s.isChanged());
    ByteWriter out;
    out.text("xyz");
    s.writeTo(out);
    EXPECT_FALSE(s.isChanged());
    EXPECT_EQ(std::vector<uint8_t>(out.buffer().begin() + 3, out.buffer().end()), bytesOf(s));
    EXPECT_EQ(out.buffer()[3 + 36 + 5], 'Y');
    Settings back;
    ByteReader in(out.buffer());
    in.skip(3);
    ASSERT_TRUE(back.readFrom(in));
    EXPECT_EQ(in.offset(), 3 + 1624u);
    EXPECT_EQ(bytesOf(back), bytesOf(s));
    EXPECT_FALSE(back.isChanged());
    back.showBorder = 1;
    EXPECT_TRUE(back.isChanged());
    back.showBorder = 0;
    EXPECT_FALSE(back.isChanged()) << "a change changed back";
    Settings::setText(back.idConnector, " = ");
    back.resetToDefaults();
    EXPECT_FALSE(back.isChanged());
    EXPECT_EQ(bytesOf(back), defaults);
}

// A 214 record is the first 1356 bytes; the fields behind keep their defaults, and the project counts as changed.
TEST(Settings, UpgradesAnOlderRecord) {
    std::vector<uint8_t> file = seed("214-old.qbp");
    ASSERT_EQ(file.size(), 1356u);
    file.resize(1624, 0xEE);  // what follows the record
    Settings s;
    ByteReader in(file);
    ASSERT_TRUE(s.readFrom(in));
    EXPECT_EQ(in.offset(), 1356u);
    EXPECT_EQ(s.areaWidth, 512);
    std::vector<uint8_t> want = seed("246-defaults.qbp");  // the current version
    std::copy(file.begin() + 4, file.begin() + 1356, want.begin() + 4);
    EXPECT_EQ(bytesOf(s), want);
    EXPECT_TRUE(s.isChanged()) << "the saved copy keeps the old tag";
    EXPECT_EQ(s.savedCopy[0], 214);
}

// A foreign tag leaves the record as it was; a damaged record leaves the defaults. Either is reported once.
TEST(Settings, RefusesForeignCutShortAndUnusableRecords) {
    const std::vector<uint8_t> defaults = seed("246-defaults.qbp");
    const std::string notProject = "Error: Quiltboxプロジェクトファイルではありません!";
    const std::string damaged = "Error: プロジェクトファイルが壊れています!";
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {{}, notProject},
        {{246, 0, 0}, notProject},
        {with32(defaults, 0, 245), notProject},
        {with32(defaults, 0, 246, 1623), damaged},
        {with32(defaults, 0, 246, 1356), damaged},
        {with32(defaults, 0, 214, 1355), damaged},
        {with32(defaults, 12, 0), damaged},
        {with32(defaults, 12, -256), damaged},
        {with32(defaults, 4, 0), damaged},
        {with32(defaults, 8, 16385), damaged},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        MessageRecorder messages;
        Settings s;
        s.showBorder = 1;
        ByteReader in(cases[i].first);
        EXPECT_FALSE(s.readFrom(in));
        EXPECT_EQ(messages.seen, std::vector<std::string>{cases[i].second}) << "case " << i;
        EXPECT_EQ(s.showBorder, cases[i].second == notProject ? 1 : 0) << "case " << i;
        EXPECT_EQ(in.offset(), 0u);
    }
    for (int32_t side : {1, 16384}) {
        Settings s;
        const std::vector<uint8_t> edge = with32(with32(defaults, 4, side), 8, side);
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
