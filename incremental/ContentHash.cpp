#include "incremental/ContentHash.h"

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87u;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Fu;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9u;

uint64_t rotate(uint64_t v, int bits) {
    return v << bits | v >> (64 - bits);
}

// Eight bytes as a little-endian number on every platform.
uint64_t word(const uint8_t* p, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= uint64_t{p[i]} << (8 * i);
    return v;
}

uint64_t step(uint64_t hash, uint64_t input) {
    hash ^= rotate(input * kPrime2, 31) * kPrime1;
    return rotate(hash, 27) * kPrime1 + kPrime3;
}

// The last mixing, so that a one-bit change of the input turns about half of the result's bits.
uint64_t avalanche(uint64_t h) {
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    return h ^ (h >> 32);
}

}  // namespace

uint64_t contentHash(const uint8_t* data, size_t size) {
    uint64_t hash = kPrime3 + static_cast<uint64_t>(size) * kPrime1;
    size_t at = 0;
    for (; size - at >= 8; at += 8) hash = step(hash, word(data + at, 8));
    if (at < size) hash = step(hash, word(data + at, size - at) ^ (uint64_t{size - at} << 59));
    return avalanche(hash);
}
