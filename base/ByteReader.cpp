#include "base/ByteReader.h"

#include <cstring>

const uint8_t* ByteReader::take(size_t n) {
    if (!ok_ || n > size_ - offset_) {
        fail();
        return nullptr;
    }
    const uint8_t* at = data_ + offset_;
    offset_ += n;
    return at;
}

uint8_t ByteReader::u8() {
    const uint8_t* p = take(1);
    return p ? p[0] : 0;
}

uint16_t ByteReader::u16() {
    const uint8_t* p = take(2);
    return p ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
}

uint32_t ByteReader::u32() {
    const uint8_t* p = take(4);
    if (!p) return 0;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

bool ByteReader::copyTo(void* out, size_t n) {
    const uint8_t* p = take(n);
    if (!p) return n == 0 && ok_;
    if (n > 0) std::memcpy(out, p, n);
    return true;
}

bool ByteReader::seek(size_t offset) {
    if (!ok_ || offset > size_) return fail();
    offset_ = offset;
    return true;
}
