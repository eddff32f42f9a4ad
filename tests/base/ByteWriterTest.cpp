#include <gtest/gtest.h>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

namespace {

TEST(ByteWriter, WritesLittleEndianBytes) {
    ByteWriter writer;
    writer.u8(0xAB);
    writer.i16(-3);
    writer.u32(0x11223344);
    writer.f32(0.25f);
    writer.text("QUV ");
    writer.zeros(2);
    const std::vector<uint8_t> expected = {0xAB, 0xFD, 0xFF, 0x44, 0x33, 0x22, 0x11, 0x00, 0x00,
                                           0x80, 0x3E, 'Q',  'U',  'V',  ' ',  0x00, 0x00};
    EXPECT_EQ(writer.buffer(), expected);
}

TEST(ByteWriter, ReaderReadsBackWhatTheWriterWrote) {
    ByteWriter writer;
    const int32_t values[] = {0, 1, -1, INT32_MIN, INT32_MAX, 123456789};
    for (int32_t v : values) {
        writer.i32(v);
        writer.i16(static_cast<int16_t>(v));
    }
    ByteReader reader(writer.buffer());
    for (int32_t v : values) {
        EXPECT_EQ(reader.i32(), v);
        EXPECT_EQ(reader.i16(), static_cast<int16_t>(v));
    }
    EXPECT_TRUE(reader.ok());
    EXPECT_EQ(reader.remaining(), 0u);
}

}  // namespace
