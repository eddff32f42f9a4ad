#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A 64-bit hash of bytes for telling whether a file's contents changed: eight bytes a step, every bit of the input
// reaching every bit of the result, the same on every platform. It tells changes apart, it does not stand against a
// collision made on purpose.
uint64_t contentHash(const uint8_t* data, size_t size);
inline uint64_t contentHash(const std::vector<uint8_t>& bytes) {
    return contentHash(bytes.data(), bytes.size());
}
