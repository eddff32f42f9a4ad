#include <gtest/gtest.h>

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

}  // namespace
