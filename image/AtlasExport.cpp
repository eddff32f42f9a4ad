#include "image/AtlasExport.h"

#include "base/Allocation.h"
#include "base/ByteWriter.h"
#include "base/SafeFileWriter.h"
#include "layout/TextureCollection.h"

namespace {

constexpr int32_t kMaxAreaSide = 16384;

bool areaAllowed(int32_t width, int32_t height) {
    return width >= 1 && height >= 1 && width <= kMaxAreaSide && height <= kMaxAreaSide;
}

}  // namespace

bool composeAtlas(const TextureCollection& images,
                  int32_t areaWidth,
                  int32_t areaHeight,
                  int bytesPerPixel,
                  std::vector<uint8_t>& atlas) {
    if (!areaAllowed(areaWidth, areaHeight)) return false;
    const size_t bytes = static_cast<size_t>(areaWidth) * static_cast<size_t>(areaHeight) * bytesPerPixel;
    if (!tryAssign(atlas, bytes, uint8_t{0})) return false;
    for (const auto& image : images.images()) {
        if (bytesPerPixel == 3) {
            image->copyTo24(atlas.data(), areaWidth, areaHeight);
        } else {
            image->copyTo32(atlas.data(), areaWidth, areaHeight);
        }
    }
    return true;
}

bool writeAtlasBmpFile(const TextureCollection& images,
                       const std::string& path,
                       int32_t areaWidth,
                       int32_t areaHeight) {
    std::vector<uint8_t> atlas;
    if (!composeAtlas(images, areaWidth, areaHeight, 3, atlas)) return false;
    const uint32_t rowBytes = static_cast<uint32_t>(areaWidth) * 3;
    const uint32_t rowSize = (rowBytes + 3) & ~3u;
    const uint32_t dataSize = rowSize * static_cast<uint32_t>(areaHeight);

    ByteWriter header;
    header.u16(0x4D42);  // "BM"
    header.u32(54 + dataSize);
    header.u16(0);
    header.u16(0);
    header.u32(54);
    header.u32(40);
    header.i32(areaWidth);
    header.i32(areaHeight);
    header.u16(1);
    header.u16(24);
    header.u32(0);
    header.u32(dataSize);
    header.i32(areaWidth);  // the pixel size once more, where a resolution would stand
    header.i32(areaHeight);
    header.u32(0);
    header.u32(0);

    SafeFileWriter file(path);
    if (!file.open() || !file.write(header.buffer())) return false;
    if (rowSize == rowBytes) {
        file.write(atlas);
    } else {
        const uint8_t padding[3] = {0, 0, 0};
        for (int32_t r = 0; r < areaHeight; ++r) {
            file.write(atlas.data() + static_cast<size_t>(r) * rowBytes, rowBytes);
            file.write(padding, rowSize - rowBytes);
        }
    }
    return file.commit();
}

bool writeAtlasTgaFile(const TextureCollection& images,
                       const std::string& path,
                       int32_t areaWidth,
                       int32_t areaHeight) {
    std::vector<uint8_t> atlas;
    if (!composeAtlas(images, areaWidth, areaHeight, 4, atlas)) return false;
    ByteWriter header;
    header.u8(0);   // no image ID
    header.u8(0);   // no colour map
    header.u8(2);   // uncompressed true colour
    header.u16(0);  // colour map first entry, length, entry size
    header.u16(0);
    header.u8(0);
    header.u16(0);  // x and y origin
    header.u16(0);
    header.u16(static_cast<uint16_t>(areaWidth));
    header.u16(static_cast<uint16_t>(areaHeight));
    header.u8(32);
    header.u8(8);  // 8 alpha bits, bottom-left origin
    SafeFileWriter file(path);
    return file.open() && file.write(header.buffer()) && file.write(atlas) && file.commit();
}
