#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads little-endian fields from a span of bytes it does not own. Every read is bounds-checked: a read past the end
// yields zeros (or nullptr) and sets the failure flag, which stays set for good, so a parser may read a whole header
// and check `ok()` once at the end.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const std::vector<uint8_t>& bytes) : ByteReader(bytes.data(), bytes.size()) {}

    uint8_t u8();
    uint16_t u16();
    int16_t i16() { return static_cast<int16_t>(u16()); }
    uint32_t u32();
    int32_t i32() { return static_cast<int32_t>(u32()); }

    // The next n bytes in place, or nullptr (and failure) when fewer remain.
    const uint8_t* take(size_t n);
    // Copies the next n bytes to out; on failure out is left untouched.
    bool copyTo(void* out, size_t n);
    bool skip(size_t n) { return take(n) != nullptr || (n == 0 && ok_); }
    // Moves to an absolute offset; an offset past the end fails.
    bool seek(size_t offset);

    bool ok() const { return ok_; }
    size_t offset() const { return offset_; }
    size_t size() const { return size_; }
    size_t remaining() const { return size_ - offset_; }
    const uint8_t* data() const { return data_; }

private:
    bool fail() {
        ok_ = false;
        return false;
    }

    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};
