#include <gtest/gtest.h>

#include <functional>

#include "base/ByteReader.h"

namespace {

const std::vector<uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF};

TEST(ByteReader, ReadsLittleEndianFieldsInOrder) {
    ByteReader reader(kBytes);
    EXPECT_EQ(reader.u8(), 0x01);
    EXPECT_EQ(reader.u16(), 0x0302);
    EXPECT_EQ(reader.u32(), 0x07060504u);
    EXPECT_EQ(reader.offset(), 7u);
    EXPECT_EQ(reader.i16(), static_cast<int16_t>(0xFF08));
    EXPECT_TRUE(reader.ok());
    EXPECT_EQ(reader.remaining(), 0u);
}

TEST(ByteReader, SignedReadsExtendTheSign) {
    const std::vector<uint8_t> bytes = {0xFD, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.i16(), -3);
    EXPECT_EQ(reader.i32(), -2);
}

// Every kind of read, started at every offset from which it would cross the end, must fail, read nothing, and leave
// the reader failed for good.
TEST(ByteReader, RefusesEveryReadPastTheEnd) {
    struct Read {
        const char* name;
        size_t width;
        std::function<void(ByteReader&)> read;
    };
    const std::vector<Read> reads = {
        {"u8", 1, [](ByteReader& r) { EXPECT_EQ(r.u8(), 0); }},
        {"u16", 2, [](ByteReader& r) { EXPECT_EQ(r.u16(), 0); }},
        {"u32", 4, [](ByteReader& r) { EXPECT_EQ(r.u32(), 0u); }},
        {"i32", 4, [](ByteReader& r) { EXPECT_EQ(r.i32(), 0); }},
        {"take3", 3, [](ByteReader& r) { EXPECT_EQ(r.take(3), nullptr); }},
        {"copy5", 5,
         [](ByteReader& r) {
             uint8_t out[5] = {9, 9, 9, 9, 9};
             EXPECT_FALSE(r.copyTo(out, 5));
             EXPECT_EQ(out[0], 9);
         }},
        {"skip2", 2, [](ByteReader& r) { EXPECT_FALSE(r.skip(2)); }},
    };
    for (const Read& read : reads) {
        for (size_t start = kBytes.size() - read.width + 1; start <= kBytes.size(); ++start) {
            SCOPED_TRACE(std::string(read.name) + " at " + std::to_string(start));
            ByteReader reader(kBytes);
            ASSERT_TRUE(reader.seek(start));
            read.read(reader);
            EXPECT_FALSE(reader.ok());
            EXPECT_EQ(reader.offset(), start);
            // Sticky: even a read that would fit fails now.
            ASSERT_TRUE(reader.offset() > 0);
            EXPECT_FALSE(reader.seek(0));
            EXPECT_EQ(reader.u8(), 0);
            EXPECT_FALSE(reader.ok());
        }
    }
}

TEST(ByteReader, HugeCountsDoNotWrapAround) {
    ByteReader reader(kBytes);
    reader.u8();
    EXPECT_EQ(reader.take(SIZE_MAX), nullptr);
    EXPECT_FALSE(reader.ok());
    ByteReader other(kBytes);
    EXPECT_FALSE(other.seek(kBytes.size() + 1));
    EXPECT_FALSE(other.ok());
}

TEST(ByteReader, EmptySpan) {
    ByteReader reader(nullptr, 0);
    EXPECT_TRUE(reader.skip(0));
    EXPECT_TRUE(reader.seek(0));
    EXPECT_EQ(reader.u8(), 0);
    EXPECT_FALSE(reader.ok());
}

}  // namespace
