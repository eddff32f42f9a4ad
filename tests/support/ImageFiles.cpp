#include "support/ImageFiles.h"

#include "base/ByteWriter.h"
#include "support/TestSupport.h"

Rgba patternPixel(int c, int r) {
    return {static_cast<uint8_t>(17 * c + 3), static_cast<uint8_t>(29 * r + 5), static_cast<uint8_t>(7 * (c ^ r) + 11),
            static_cast<uint8_t>(255 - 13 * (c + r))};
}

void putU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t v) {
    bytes[offset] = static_cast<uint8_t>(v);
    bytes[offset + 1] = static_cast<uint8_t>(v >> 8);
}

void putU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

namespace {

void bmpHeaders(ByteWriter& out,
                int width,
                int height,
                uint16_t bits,
                uint32_t offBits,
                uint32_t dataSize,
                uint32_t clrUsed) {
    out.u8('B');
    out.u8('M');
    out.u32(offBits + dataSize);
    out.u16(0);
    out.u16(0);
    out.u32(offBits);
    out.u32(40);
    out.i32(width);
    out.i32(height);
    out.u16(1);
    out.u16(bits);
    out.u32(0);
    out.u32(dataSize);
    out.i32(2835);
    out.i32(2835);
    out.u32(clrUsed);
    out.u32(0);
}

}  // namespace

std::vector<uint8_t> makeBmp24(int width, int height, const PixelFunction& pixel) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    ByteWriter out;
    bmpHeaders(out, width, height, 24, 54, stride * static_cast<uint32_t>(height), 0);
    for (int row = height - 1; row >= 0; --row) {
        for (int c = 0; c < width; ++c) {
            const Rgba p = pixel(c, row);
            out.u8(p.b);
            out.u8(p.g);
            out.u8(p.r);
        }
        out.zeros(stride - static_cast<uint32_t>(width) * 3);
    }
    return out.buffer();
}

std::vector<uint8_t> makeBmp8(const Bmp8& spec) {
    const uint32_t stride = (static_cast<uint32_t>(spec.width) + 3) & ~3u;
    const uint32_t offBits = 54 + static_cast<uint32_t>(spec.palette.size()) * 4 + spec.gap;
    ByteWriter out;
    bmpHeaders(out, spec.width, spec.height, 8, offBits, stride * static_cast<uint32_t>(spec.height), spec.clrUsed);
    for (const Rgba& p : spec.palette) {
        out.u8(p.b);
        out.u8(p.g);
        out.u8(p.r);
        out.u8(0);
    }
    out.zeros(spec.gap);
    for (int row = spec.height - 1; row >= 0; --row) {
        for (int c = 0; c < spec.width; ++c) out.u8(spec.index(c, row));
        out.zeros(stride - static_cast<uint32_t>(spec.width));
    }
    return out.buffer();
}

std::vector<uint8_t> makeTga32(int width, int height, const PixelFunction& pixel, bool topLeft, const std::string& id) {
    ByteWriter out;
    out.u8(static_cast<uint8_t>(id.size()));
    out.u8(0);
    out.u8(2);
    out.u16(0);
    out.u16(0);
    out.u8(0);
    out.u16(0);
    out.u16(0);
    out.u16(static_cast<uint16_t>(width));
    out.u16(static_cast<uint16_t>(height));
    out.u8(32);
    out.u8(static_cast<uint8_t>(8 | (topLeft ? 0x20 : 0)));
    out.text(id);
    for (int i = 0; i < height; ++i) {
        const int row = topLeft ? i : height - 1 - i;
        for (int c = 0; c < width; ++c) {
            const Rgba p = pixel(c, row);
            out.u8(p.b);
            out.u8(p.g);
            out.u8(p.r);
            out.u8(p.a);
        }
    }
    return out.buffer();
}

std::string writeSolidImage(const std::string& path, int width, int height, Rgba colour) {
    const auto pixel = [colour](int, int) { return colour; };
    const bool tga = path.size() >= 4 && path.compare(path.size() - 4, 4, ".tga") == 0;
    writeBytes(path, tga ? makeTga32(width, height, pixel) : makeBmp24(width, height, pixel));
    return path;
}
