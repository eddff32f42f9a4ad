#include "image/PngReader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "base/Allocation.h"
#include "base/ByteReader.h"
#include "base/FileSystem.h"
#include "image/ImageLimits.h"

namespace {

// The most that any one allocation of the decoder may take for the file being decoded (see decodePng).
thread_local size_t tAllocationLimit = 0;

void* limitedMalloc(size_t size) {
    return size <= tAllocationLimit ? std::malloc(size) : nullptr;
}

void* limitedRealloc(void* block, size_t size) {
    return size <= tAllocationLimit ? std::realloc(block, size) : nullptr;
}

}  // namespace

// stb_image, PNG only, with every allocation going through the limit above.
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_NO_FAILURE_STRINGS
#define STBI_MAX_DIMENSIONS 16384
#define STBI_MALLOC(size) limitedMalloc(size)
#define STBI_REALLOC(block, size) limitedRealloc(block, size)
#define STBI_FREE(block) std::free(block)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

const char* const kPngOpenFailed = "ファイルオープンに失敗!";
const char* const kPngHeaderFailed = "PNGヘッダ読み込みに失敗!";
const char* const kPngSizeRefused = "PNG画像が大きすぎます!";
const char* const kPngDataFailed = "PNGピクセルイメージ読み込みに失敗!";

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kIhdrLength = 13;

// PNG's numbers are big-endian; the reader's failure flag covers these reads like its own.
uint32_t bigEndian32(ByteReader& in) {
    const uint8_t* b = in.take(4);
    return b ? (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3] : 0;
}

uint32_t chunkType(const char (&name)[5]) {
    return (uint32_t{uint8_t(name[0])} << 24) | (uint32_t{uint8_t(name[1])} << 16) | (uint32_t{uint8_t(name[2])} << 8) |
           uint8_t(name[3]);
}

struct ChunkHeader {
    uint32_t length = 0;
    uint32_t type = 0;
};

ChunkHeader readChunkHeader(ByteReader& in) {
    ChunkHeader c;
    c.length = bigEndian32(in);
    c.type = bigEndian32(in);
    return c;
}

struct Ihdr {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colourType = 0;
    uint8_t compressionMethod = 0;
    uint8_t filterMethod = 0;
    uint8_t interlaceMethod = 0;
};

Ihdr readIhdr(ByteReader& in) {
    Ihdr h;
    h.width = bigEndian32(in);
    h.height = bigEndian32(in);
    h.bitDepth = in.u8();
    h.colourType = in.u8();
    h.compressionMethod = in.u8();
    h.filterMethod = in.u8();
    h.interlaceMethod = in.u8();
    return h;
}

bool depthAllowed(uint8_t colourType, uint8_t bitDepth) {
    switch (colourType) {
        case 0:
            return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
        case 3:
            return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
        case 2:
        case 4:
        case 6:
            return bitDepth == 8 || bitDepth == 16;
        default:
            return false;
    }
}

// Each way an image header can be wrong, or nullptr.
const char* checkIhdr(const Ihdr& h) {
    if (!depthAllowed(h.colourType, h.bitDepth)) return kPngHeaderFailed;
    if (h.compressionMethod != 0 || h.filterMethod != 0 || h.interlaceMethod > 1) return kPngHeaderFailed;
    if (!imageSizeAllowed(h.width, h.height)) return kPngSizeRefused;
    return nullptr;
}

// Walks the chunks behind the header up to IEND: each must lie wholly inside the file. Tells how many bytes of
// compressed image data they hold, and where each empty data chunk starts.
bool chunksSound(ByteReader& in, uint64_t& imageDataBytes, std::vector<size_t>& emptyData) {
    imageDataBytes = 0;
    for (;;) {
        const size_t start = in.offset();
        const ChunkHeader c = readChunkHeader(in);
        if (!in.ok() || c.length > INT32_MAX || !in.skip(c.length) || !in.skip(4)) return false;
        if (c.type == chunkType("IDAT")) imageDataBytes += c.length;
        if (c.type == chunkType("IDAT") && c.length == 0) emptyData.push_back(start);
        if (c.type == chunkType("IEND")) return true;
    }
}

// The file without the empty data chunks at the given places (12 bytes each: length, type and checksum). They hold
// nothing, and the decoder would copy an empty first one into a buffer it has not made yet.
bool withoutChunks(const uint8_t* file, size_t size, const std::vector<size_t>& places, std::vector<uint8_t>& out) {
    if (!tryResize(out, size - 12 * places.size())) return false;
    size_t from = 0, to = 0;
    for (const size_t at : places) {
        std::copy(file + from, file + at, out.begin() + static_cast<std::ptrdiff_t>(to));
        to += at - from;
        from = at + 12;
    }
    std::copy(file + from, file + size, out.begin() + static_cast<std::ptrdiff_t>(to));
    return true;
}

// Whether that much compressed data can hold the image at all: deflate spends at least two bits on 258 bytes, so n
// bytes inflate to at most 1032 n. A file that cannot is refused before the decoder sets aside room for its rows.
bool dataCanHold(const Ihdr& h, uint64_t imageDataBytes) {
    const uint64_t channels = h.colourType == 2 ? 3 : h.colourType == 4 ? 2 : h.colourType == 6 ? 4 : 1;
    const uint64_t pixelBits = uint64_t{h.width} * h.height * channels * h.bitDepth;
    return (pixelBits + 7) / 8 <= imageDataBytes * 1032;
}

void takeRgba(const uint8_t* rgba, int64_t width, int64_t height, DecodedImage& image) {
    const int64_t stride = dibRowStride(width);
    for (int64_t r = 0; r < height; ++r) {
        const uint8_t* in = rgba + (height - 1 - r) * width * 4;
        uint8_t* out = image.pixels.data() + r * stride;
        uint8_t* alpha = image.alpha.data() + r * width;
        for (int64_t c = 0; c < width; ++c) {
            out[c * 3] = in[c * 4 + 2];
            out[c * 3 + 1] = in[c * 4 + 1];
            out[c * 3 + 2] = in[c * 4];
            alpha[c] = in[c * 4 + 3];
        }
    }
}

}  // namespace

const char* decodePng(const uint8_t* file, size_t size, DecodedImage& image) {
    ByteReader in(file, size);
    const uint8_t* signature = in.take(sizeof kSignature);
    const ChunkHeader first = readChunkHeader(in);
    const Ihdr header = readIhdr(in);
    in.skip(4);
    if (!in.ok() || !std::equal(kSignature, kSignature + sizeof kSignature, signature) ||
        first.type != chunkType("IHDR") || first.length != kIhdrLength) {
        return kPngHeaderFailed;
    }
    if (const char* wrong = checkIhdr(header)) return wrong;
    uint64_t imageDataBytes = 0;
    std::vector<size_t> emptyData;
    if (!chunksSound(in, imageDataBytes, emptyData) || !dataCanHold(header, imageDataBytes) || size > INT_MAX) {
        return kPngDataFailed;
    }
    std::vector<uint8_t> trimmed;
    if (!emptyData.empty()) {
        if (!withoutChunks(file, size, emptyData, trimmed)) return kPngDataFailed;
        file = trimmed.data();
        size = trimmed.size();
    }

    // No buffer of the decoder needs more than twice the larger of the file and the inflated rows of this header at
    // 16 bits in four channels (a buffer grows by doubling); a file whose data would inflate further is refused.
    const int64_t width = header.width;
    const int64_t height = header.height;
    const uint64_t inflatedBound = static_cast<uint64_t>((width * 8 + 8) * height);
    tAllocationLimit = static_cast<size_t>(2 * std::max<uint64_t>(size, inflatedBound) + (uint64_t{1} << 16));
    int w = 0, h = 0, channels = 0;
    stbi_uc* rgba = stbi_load_from_memory(file, static_cast<int>(size), &w, &h, &channels, 4);
    tAllocationLimit = 0;
    if (!rgba) return kPngDataFailed;
    const bool stored = w == width && h == height &&
                        tryAssign(image.pixels, static_cast<size_t>(dibRowStride(width) * height), uint8_t{0}) &&
                        tryResize(image.alpha, static_cast<size_t>(width * height));
    if (stored) takeRgba(rgba, width, height, image);
    stbi_image_free(rgba);
    if (!stored) return kPngDataFailed;
    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    return nullptr;
}

const char* readPng(const std::string& path, DecodedImage& image) {
    std::vector<uint8_t> file;
    if (readWholeFile(path, kMaxImageFileBytes, file) != FileReadResult::Ok) return kPngOpenFailed;
    return decodePng(file.data(), file.size(), image);
}
