#include <gtest/gtest.h>

#include <functional>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

namespace {

const std::vector<uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF};

// Fields up to the very last byte are read; every read that would cross the end, from every offset where it would,
// fails, reads nothing and leaves the reader failed for good (a huge count does not wrap around).
TEST(ByteReader, ReadsLittleEndianFieldsAndRefusesEveryReadPastTheEnd) {
    ByteReader whole(kBytes);
    EXPECT_EQ(whole.u8(), 0x01);
    EXPECT_EQ(whole.u16(), 0x0302);
    EXPECT_EQ(whole.i32(), 0x07060504);
    EXPECT_EQ(whole.i16(), -248);  // 0xFF08
    EXPECT_TRUE(whole.ok() && whole.skip(0) && whole.copyTo(nullptr, 0) && whole.remaining() == 0);
    uint8_t out[5] = {9};
    const std::pair<size_t, std::function<bool(ByteReader&)>> reads[] = {
        {1, [](ByteReader& r) { return r.u8() == 0; }},
        {2, [](ByteReader& r) { return r.u16() == 0; }},
        {4, [](ByteReader& r) { return r.u32() == 0; }},
        {5, [&](ByteReader& r) { return !r.copyTo(out, 5) && out[0] == 9; }},
        {2, [](ByteReader& r) { return !r.skip(2); }},
        {9, [](ByteReader& r) { return r.take(SIZE_MAX) == nullptr; }},
    };
    for (const auto& [width, read] : reads) {
        for (size_t start = kBytes.size() + 1 - width; start <= kBytes.size(); ++start) {
            ByteReader in(kBytes);
            ASSERT_TRUE(in.seek(start));
            EXPECT_TRUE(read(in) && in.offset() == start) << width << " bytes at " << start;
            EXPECT_FALSE(in.ok() || in.seek(0) || in.u8() != 0 || in.copyTo(out, 0) || in.ok()) << width << start;
        }
    }
    ByteReader in(kBytes);
    EXPECT_FALSE(in.seek(kBytes.size() + 1) || in.ok());
}

TEST(ByteWriter, WritesLittleEndianBytes) {
    ByteWriter out;
    out.u8(0xAB);
    out.i16(-3);
    out.u32(0x11223344);
    out.f32(0.25f);
    out.text("QUV ");
    out.zeros(2);
    EXPECT_EQ(out.buffer(), (std::vector<uint8_t>{0xAB, 0xFD, 0xFF, 0x44, 0x33, 0x22, 0x11, 0, 0, 0x80, 0x3E, 'Q', 'U',
                                                  'V', ' ', 0, 0}));
}

}  // namespace
