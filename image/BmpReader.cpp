#include "image/BmpReader.h"

#include <cstring>

#include "base/Allocation.h"
#include "base/ByteReader.h"
#include "base/FileSystem.h"
#include "image/ImageLimits.h"

const char* const kBmpOpenFailed = "ファイルオープンに失敗!";
const char* const kBmpHeaderFailed = "BMPヘッダ読み込みに失敗!";
const char* const kBmpNotUncompressed = "非無圧縮BMP読み込みには対応していません!";
const char* const kBmpWrongDepth = "フルカラーまたは8bitBMPを指定してください!";
const char* const kBmpPixelsFailed = "BMPピクセルイメージ読み込みに失敗!";

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr uint64_t kPaletteEntries = 256;

struct FileHeader {
    uint16_t bfType = 0;
    uint32_t bfSize = 0;
    uint16_t bfReserved1 = 0;
    uint16_t bfReserved2 = 0;
    uint32_t bfOffBits = 0;
};

FileHeader readFileHeader(ByteReader& in) {
    FileHeader h;
    h.bfType = in.u16();
    h.bfSize = in.u32();
    h.bfReserved1 = in.u16();
    h.bfReserved2 = in.u16();
    h.bfOffBits = in.u32();
    return h;
}

BitmapInfoHeader readInfoHeader(ByteReader& in) {
    BitmapInfoHeader h;
    h.biSize = in.u32();
    h.biWidth = in.i32();
    h.biHeight = in.i32();
    h.biPlanes = in.u16();
    h.biBitCount = in.u16();
    h.biCompression = in.u32();
    h.biSizeImage = in.u32();
    h.biXPelsPerMeter = in.i32();
    h.biYPelsPerMeter = in.i32();
    h.biClrUsed = in.u32();
    h.biClrImportant = in.u32();
    return h;
}

// Where the parts of the file lie, all as 64-bit offsets; a layout that does not fit in the file fails later, when a
// part is taken from it.
struct Layout {
    uint64_t paletteOffset = 0;
    uint64_t paletteEntries = 0;
    uint64_t pixelOffset = 0;
};

// The palette stands right behind the header that biSize declares (a 40-byte header when it declares less: the
// fields read are those of the 40-byte form). The pixels start at bfOffBits when that lies inside the file at or after
// the end of header and palette, else right behind them.
Layout locateParts(const FileHeader& file, const BitmapInfoHeader& info, uint64_t fileSize) {
    Layout layout;
    layout.paletteOffset = kFileHeaderSize + (info.biSize > kInfoHeaderSize ? info.biSize : kInfoHeaderSize);
    if (info.biBitCount == 8) layout.paletteEntries = info.biClrUsed == 0 ? kPaletteEntries : info.biClrUsed;
    const uint64_t dataStart = layout.paletteOffset + layout.paletteEntries * 4;
    layout.pixelOffset = (file.bfOffBits >= dataStart && file.bfOffBits < fileSize) ? file.bfOffBits : dataStart;
    return layout;
}

// The part [offset, offset + length) of the file, or nullptr when the file does not hold all of it.
const uint8_t* part(const uint8_t* file, uint64_t size, uint64_t offset, uint64_t length) {
    if (offset > size || length > size - offset) return nullptr;
    return file + offset;
}

const char* convert24(const uint8_t* file,
                      uint64_t size,
                      const Layout& layout,
                      const BitmapInfoHeader& info,
                      std::vector<uint8_t>& pixels) {
    const uint64_t bytes = static_cast<uint64_t>(dibRowStride(info.biWidth)) * static_cast<uint64_t>(info.biHeight);
    const uint8_t* rows = part(file, size, layout.pixelOffset, bytes);
    if (!rows || !tryResize(pixels, bytes)) return kBmpPixelsFailed;
    std::memcpy(pixels.data(), rows, bytes);
    return nullptr;
}

// Every stored row is taken; an index beyond the palette reads as black.
const char* convert8(const uint8_t* file,
                     uint64_t size,
                     const Layout& layout,
                     BitmapInfoHeader& info,
                     std::vector<uint8_t>& pixels) {
    if (layout.paletteEntries > kPaletteEntries) return kBmpPixelsFailed;
    const uint8_t* palette = part(file, size, layout.paletteOffset, layout.paletteEntries * 4);
    const uint64_t width = static_cast<uint64_t>(info.biWidth);
    const uint64_t rowsCount = static_cast<uint64_t>(info.biHeight);
    const uint64_t indexStride = (width + 3) & ~uint64_t{3};
    const uint64_t rowStride = static_cast<uint64_t>(dibRowStride(info.biWidth));
    const uint8_t* indices = part(file, size, layout.pixelOffset, indexStride * rowsCount);
    if (!palette || !indices || !tryAssign(pixels, rowStride * rowsCount, uint8_t{0})) return kBmpPixelsFailed;

    uint8_t colours[kPaletteEntries][3] = {};  // blue, green, red; entries the file lacks stay black
    for (uint64_t k = 0; k < layout.paletteEntries; ++k) std::memcpy(colours[k], palette + k * 4, 3);
    for (uint64_t r = 0; r < rowsCount; ++r) {
        const uint8_t* in = indices + r * indexStride;
        uint8_t* out = pixels.data() + r * rowStride;
        for (uint64_t c = 0; c < width; ++c) std::memcpy(out + c * 3, colours[in[c]], 3);
    }

    info.biBitCount = 24;
    info.biCompression = kBiRgb;
    info.biSizeImage = static_cast<uint32_t>(rowStride * rowsCount);
    info.biXPelsPerMeter = 0;
    info.biYPelsPerMeter = 0;
    info.biClrUsed = 0;
    info.biClrImportant = 0;
    return nullptr;
}

}  // namespace

namespace {

const char* judgeHeadersOnly(const std::string& path, BitmapInfoHeader& info) {
    FILE* f = openFile(path, "rb");
    if (!f) return kBmpOpenFailed;
    uint8_t head[kFileHeaderSize + kInfoHeaderSize];
    const size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    std::vector<uint8_t> unused;
    const char* failure = decodeBmp(head, got, info, unused);
    return failure ? failure : kBmpPixelsFailed;
}

}  // namespace

const char* decodeBmp(const uint8_t* file, size_t size, BitmapInfoHeader& info, std::vector<uint8_t>& pixels) {
    ByteReader in(file, size);
    const FileHeader fileHeader = readFileHeader(in);
    BitmapInfoHeader header = readInfoHeader(in);
    if (!in.ok()) return kBmpHeaderFailed;
    info = header;
    if (header.biCompression != kBiRgb) return kBmpNotUncompressed;
    if (header.biBitCount != 8 && header.biBitCount != 24) return kBmpWrongDepth;
    // Top-down files (negative height), empty images and sizes beyond the caps are refused before any allocation.
    if (!imageSizeAllowed(header.biWidth, header.biHeight)) return kBmpPixelsFailed;

    const Layout layout = locateParts(fileHeader, header, size);
    if (header.biBitCount == 24) return convert24(file, size, layout, header, pixels);
    const char* failure = convert8(file, size, layout, header, pixels);
    if (!failure) info = header;
    return failure;
}

const char* readBmp(const std::string& path, BitmapInfoHeader& info, std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> file;
    switch (readWholeFile(path, kMaxImageFileBytes, file)) {
        case FileReadResult::Ok:
            return decodeBmp(file.data(), file.size(), info, pixels);
        case FileReadResult::CannotOpen:
            return kBmpOpenFailed;
        case FileReadResult::TooLarge:
            // Larger than any image the program takes: its headers are judged like those of every other file, and
            // whatever they declare, the pixels are refused.
            return judgeHeadersOnly(path, info);
        case FileReadResult::ReadError:
            return kBmpPixelsFailed;
    }
    return kBmpPixelsFailed;
}
