#include "image/TgaReader.h"

#include "base/Allocation.h"
#include "base/ByteReader.h"
#include "base/FileSystem.h"
#include "image/ImageLimits.h"

namespace {

struct TgaHeader {
    uint8_t idLength = 0;
    uint8_t colourMapType = 0;
    uint8_t imageType = 0;
    uint16_t colourMapFirstEntry = 0;
    uint16_t colourMapLength = 0;
    uint8_t colourMapEntrySize = 0;
    uint16_t xOrigin = 0;
    uint16_t yOrigin = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t pixelDepth = 0;
    uint8_t imageDescriptor = 0;
};

constexpr uint8_t kUncompressedTrueColour = 2;
constexpr uint8_t kTopLeftOrigin = 0x20;

TgaHeader readHeader(ByteReader& in) {
    TgaHeader h;
    h.idLength = in.u8();
    h.colourMapType = in.u8();
    h.imageType = in.u8();
    h.colourMapFirstEntry = in.u16();
    h.colourMapLength = in.u16();
    h.colourMapEntrySize = in.u8();
    h.xOrigin = in.u16();
    h.yOrigin = in.u16();
    h.width = in.u16();
    h.height = in.u16();
    h.pixelDepth = in.u8();
    h.imageDescriptor = in.u8();
    return h;
}

// The one kind of TGA taken: uncompressed true colour, no colour map, 32 bits, a size within the caps.
bool headerAccepted(const TgaHeader& h) {
    return h.imageType == kUncompressedTrueColour && h.colourMapType == 0 && h.pixelDepth == 32 &&
           imageSizeAllowed(h.width, h.height);
}

}  // namespace

bool decodeTga(const uint8_t* file, size_t size, TgaImage& image) {
    ByteReader in(file, size);
    const TgaHeader header = readHeader(in);
    if (!in.ok() || !headerAccepted(header)) return false;
    in.skip(header.idLength);
    const int64_t width = header.width;
    const int64_t height = header.height;
    const uint8_t* data = in.take(static_cast<size_t>(width * height * 4));
    if (!data) return false;

    const int64_t stride = dibRowStride(width);
    if (!tryAssign(image.pixels, static_cast<size_t>(stride * height), uint8_t{0}) ||
        !tryResize(image.alpha, static_cast<size_t>(width * height))) {
        return false;
    }
    const bool topDown = (header.imageDescriptor & kTopLeftOrigin) != 0;
    for (int64_t r = 0; r < height; ++r) {
        const uint8_t* in4 = data + (topDown ? height - 1 - r : r) * width * 4;
        uint8_t* out = image.pixels.data() + r * stride;
        uint8_t* alpha = image.alpha.data() + r * width;
        for (int64_t c = 0; c < width; ++c) {
            out[c * 3] = in4[c * 4];
            out[c * 3 + 1] = in4[c * 4 + 1];
            out[c * 3 + 2] = in4[c * 4 + 2];
            alpha[c] = in4[c * 4 + 3];
        }
    }
    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    return true;
}

bool readTga(const std::string& path, TgaImage& image) {
    std::vector<uint8_t> file;
    if (readWholeFile(path, kMaxImageFileBytes, file) != FileReadResult::Ok) return false;
    return decodeTga(file.data(), file.size(), image);
}
