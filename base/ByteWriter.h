#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Appends little-endian fields to a growing byte buffer; the counterpart of ByteReader for the program's formats.
class ByteWriter {
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v);
    void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v);
    void bytes(const void* data, size_t n);
    void text(const std::string& s) { bytes(s.data(), s.size()); }
    void zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }

    const std::vector<uint8_t>& buffer() const { return bytes_; }
    std::vector<uint8_t>& buffer() { return bytes_; }
    size_t size() const { return bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
};
