#include <gtest/gtest.h>

#include <functional>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

namespace {

const std::vector<uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF};

TEST(ByteReader, ReadsLittleEndianFieldsUpToTheLastByte) {
    ByteReader in(kBytes);
    EXPECT_EQ(in.u8(), 0x01);
    EXPECT_EQ(in.u16(), 0x0302);
    EXPECT_EQ(in.i32(), 0x07060504);
    EXPECT_EQ(in.i16(), -248);  // 0xFF08
    EXPECT_TRUE(in.ok() && in.skip(0) && in.copyTo(nullptr, 0));
    EXPECT_EQ(in.remaining(), 0u);
}

// Every read that would cross the end, from every offset where it would, fails, reads nothing and leaves the reader
// failed for good; a huge count does not wrap around.
TEST(ByteReader, RefusesEveryReadPastTheEnd) {
    const std::pair<size_t, std::function<bool(ByteReader&)>> reads[] = {
        {1, [](ByteReader& r) { return r.u8() == 0; }},
        {2, [](ByteReader& r) { return r.u16() == 0; }},
        {4, [](ByteReader& r) { return r.u32() == 0; }},
        {3, [](ByteReader& r) { return r.take(3) == nullptr; }},
        {5,
         [](ByteReader& r) {
             uint8_t out[5] = {9};
             return !r.copyTo(out, 5) && out[0] == 9;
         }},
        {2, [](ByteReader& r) { return !r.skip(2); }},
        {SIZE_MAX, [](ByteReader& r) { return r.take(SIZE_MAX) == nullptr; }},
    };
    for (const auto& [width, read] : reads) {
        for (size_t start = std::max<size_t>(1, kBytes.size() + 1 - std::min(width, kBytes.size()));
             start <= kBytes.size(); ++start) {
            ByteReader in(kBytes);
            ASSERT_TRUE(in.seek(start));
            EXPECT_TRUE(read(in)) << width << " bytes at " << start;
            EXPECT_EQ(in.offset(), start);
            EXPECT_FALSE(in.ok() || in.seek(0) || in.u8() != 0 || in.copyTo(nullptr, 0) || in.ok())
                << width << " bytes at " << start;
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
    const std::vector<uint8_t> expected = {0xAB, 0xFD, 0xFF, 0x44, 0x33, 0x22, 0x11, 0x00, 0x00,
                                           0x80, 0x3E, 'Q',  'U',  'V',  ' ',  0x00, 0x00};
    EXPECT_EQ(out.buffer(), expected);
}

}  // namespace
