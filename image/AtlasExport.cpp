#include "image/AtlasExport.h"

#include <algorithm>
#include <climits>
#include <tuple>

#include "base/Allocation.h"
#include "base/ByteWriter.h"
#include "base/Parallel.h"
#include "base/SafeFileWriter.h"
#include "image/AlphaBleed.h"
#include "image/PngWriter.h"
#include "layout/TextureCollection.h"

namespace {

constexpr int32_t kMaxAreaSide = 16384;

bool areaAllowed(int32_t width, int32_t height) {
    return width >= 1 && height >= 1 && width <= kMaxAreaSide && height <= kMaxAreaSide;
}

// Writes the ring of `margin` pixels around the image: each takes the image pixel nearest to it, so the edge rows and
// columns repeat outwards and the corners fill with the corner pixels. What falls outside the area is dropped.
void extrude(const TextureImage& image,
             int32_t margin,
             int32_t areaWidth,
             int32_t areaHeight,
             int bytesPerPixel,
             uint8_t* atlas) {
    if (image.kind() == ImageKind::None) return;
    const int64_t w = image.width();
    const int64_t h = image.height();
    const int64_t stride = image.rowStride();
    for (int64_t j = -margin; j < h + margin; ++j) {
        const int64_t areaRow = image.y() + j;
        if (areaRow < 0 || areaRow >= areaHeight) continue;
        const int64_t sourceRow = h - 1 - std::clamp<int64_t>(j, 0, h - 1);
        const bool ringRow = j < 0 || j >= h;
        for (int64_t i = -margin; i < w + margin; ++i) {
            if (!ringRow && i == 0) i = w;  // the image's own pixels come later
            const int64_t areaColumn = image.x() + i;
            if (areaColumn < 0 || areaColumn >= areaWidth) continue;
            const int64_t sourceColumn = std::clamp<int64_t>(i, 0, w - 1);
            const uint8_t* source = image.pixels().data() + sourceRow * stride + sourceColumn * 3;
            uint8_t* out = atlas + ((areaHeight - 1 - areaRow) * int64_t{areaWidth} + areaColumn) * bytesPerPixel;
            std::copy(source, source + 3, out);
            if (bytesPerPixel == 4) out[3] = image.hasAlpha() ? image.alpha()[sourceRow * w + sourceColumn] : 255;
        }
    }
}

// The rectangle of each image with its extrusion ring, cut to the area: what bleeding may colour, and where it takes
// colours from. False when memory runs out.
bool bleedRegions(const AtlasImages& images,
                  int32_t margin,
                  int32_t areaWidth,
                  int32_t areaHeight,
                  std::vector<Rect>& regions) {
    if (!tryResize(regions, images.size())) return false;
    size_t count = 0;
    for (const TextureImage* image : images) {
        if (image->kind() == ImageKind::None) continue;
        const auto cut = [](int64_t v, int32_t limit) {
            return static_cast<int32_t>(std::clamp<int64_t>(v, 0, limit));
        };
        const Rect r{cut(int64_t{image->x()} - margin, areaWidth), cut(int64_t{image->y()} - margin, areaHeight),
                     cut(int64_t{image->x()} + image->width() + margin, areaWidth),
                     cut(int64_t{image->y()} + image->height() + margin, areaHeight)};
        if (r.width() > 0 && r.height() > 0) regions[count++] = r;
    }
    regions.resize(count);
    return true;
}

// Sorts the regions from the left and tells whether no two share a pixel: then each can be bled on its own thread.
bool sortedAndDisjoint(std::vector<Rect>& regions) {
    const auto key = [](const Rect& r) { return std::make_tuple(r.left, r.top, r.right, r.bottom); };
    std::sort(regions.begin(), regions.end(), [&](const Rect& a, const Rect& b) { return key(a) < key(b); });
    int32_t reach = INT32_MIN;  // the furthest right edge so far
    for (size_t i = 0; i < regions.size(); ++i) {
        if (regions[i].left >= reach) {
            reach = regions[i].right;
            continue;
        }
        // Some earlier region reaches past this one's left edge: look at those that do.
        for (size_t j = i; j-- > 0;) {
            const Rect& o = regions[j];
            if (o.right > regions[i].left && o.top < regions[i].bottom && regions[i].top < o.bottom) return false;
        }
        reach = std::max(reach, regions[i].right);
    }
    return true;
}

// The regions bled one by one; one reference for the threads' task, which std::function then holds without
// allocating.
struct BleedJob {
    uint8_t* atlas;
    int32_t areaWidth, areaHeight, reach;
    const Rect* regions;
    char* done;
};

bool bleed(std::vector<uint8_t>& atlas,
           int32_t areaWidth,
           int32_t areaHeight,
           const AtlasImages& images,
           const AtlasOptions& options) {
    std::vector<Rect> regions;
    std::vector<char> done;
    if (!bleedRegions(images, options.extrude, areaWidth, areaHeight, regions) ||
        !tryAssign(done, regions.size(), char{0})) {
        return false;
    }
    const unsigned threads = sortedAndDisjoint(regions) ? options.threads : 1;
    const BleedJob job{atlas.data(), areaWidth, areaHeight, options.bleed, regions.data(), done.data()};
    parallelFor(regions.size(), threads, [&job](size_t i) {
        job.done[i] = bleedRegion(job.atlas, job.areaWidth, job.areaHeight, job.regions[i], job.reach);
    });
    return std::all_of(done.begin(), done.end(), [](char ok) { return ok != 0; });
}

void premultiply(std::vector<uint8_t>& atlas) {
    for (size_t p = 0; p + 3 < atlas.size(); p += 4) {
        const unsigned alpha = atlas[p + 3];
        for (size_t c = p; c < p + 3; ++c) atlas[c] = static_cast<uint8_t>((atlas[c] * alpha + 127) / 255);
    }
}

}  // namespace

AtlasImages atlasImages(const TextureCollection& images) {
    AtlasImages list;
    list.reserve(images.images().size());
    for (const auto& image : images.images()) list.push_back(image.get());
    return list;
}

bool composeAtlasImages(const AtlasImages& images,
                        int32_t areaWidth,
                        int32_t areaHeight,
                        int bytesPerPixel,
                        std::vector<uint8_t>& atlas,
                        const AtlasOptions& options) {
    if (!areaAllowed(areaWidth, areaHeight)) return false;
    const size_t bytes = static_cast<size_t>(areaWidth) * static_cast<size_t>(areaHeight) * bytesPerPixel;
    if (!tryAssign(atlas, bytes, uint8_t{0})) return false;
    if (options.extrude > 0) {
        for (const TextureImage* image : images) {
            extrude(*image, options.extrude, areaWidth, areaHeight, bytesPerPixel, atlas.data());
        }
    }
    for (const TextureImage* image : images) {
        if (bytesPerPixel == 3) {
            image->copyTo24(atlas.data(), areaWidth, areaHeight);
        } else {
            image->copyTo32(atlas.data(), areaWidth, areaHeight);
        }
    }
    return true;
}

bool finishAtlas(const AtlasImages& images,
                 int32_t areaWidth,
                 int32_t areaHeight,
                 std::vector<uint8_t>& atlas,
                 const AtlasOptions& options) {
    if (options.bleed > 0 && !bleed(atlas, areaWidth, areaHeight, images, options)) return false;
    if (options.premultiply) premultiply(atlas);
    return true;
}

bool composeAtlas(const AtlasImages& images,
                  int32_t areaWidth,
                  int32_t areaHeight,
                  int bytesPerPixel,
                  std::vector<uint8_t>& atlas,
                  const AtlasOptions& options) {
    return composeAtlasImages(images, areaWidth, areaHeight, bytesPerPixel, atlas, options) &&
           (bytesPerPixel == 3 || finishAtlas(images, areaWidth, areaHeight, atlas, options));
}

bool writeBmpPixels(const std::vector<uint8_t>& atlas,
                    int bytesPerPixel,
                    SafeFileWriter& file,
                    int32_t areaWidth,
                    int32_t areaHeight) {
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

    if (!file.write(header.buffer())) return false;
    if (bytesPerPixel == 3 && rowSize == rowBytes) return file.write(atlas);
    // Row by row: the padding after each, and from four bytes a pixel only the colours.
    std::vector<uint8_t> row;
    if (!tryAssign(row, rowSize, uint8_t{0})) return false;
    const size_t sourceRow = static_cast<size_t>(areaWidth) * bytesPerPixel;
    for (int32_t r = 0; r < areaHeight; ++r) {
        const uint8_t* from = atlas.data() + static_cast<size_t>(r) * sourceRow;
        for (size_t i = 0, o = 0; i < sourceRow; i += bytesPerPixel, o += 3) {
            row[o] = from[i], row[o + 1] = from[i + 1], row[o + 2] = from[i + 2];
        }
        if (!file.write(row)) return false;
    }
    return true;
}

bool writeTgaPixels(const std::vector<uint8_t>& atlas, SafeFileWriter& file, int32_t areaWidth, int32_t areaHeight) {
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
    return file.write(header.buffer()) && file.write(atlas);
}

bool writePngPixels(std::vector<uint8_t>& atlas,
                    SafeFileWriter& file,
                    int32_t areaWidth,
                    int32_t areaHeight,
                    const AtlasOptions& options) {
    if (int64_t{areaWidth} * areaHeight > kMaxPngPixels) return false;
    // In place from blue-green-red-alpha rows bottom first to red-green-blue-alpha rows top first.
    const size_t rowBytes = static_cast<size_t>(areaWidth) * 4;
    for (size_t top = 0, bottom = static_cast<size_t>(areaHeight) - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(atlas.begin() + top * rowBytes, atlas.begin() + (top + 1) * rowBytes,
                         atlas.begin() + bottom * rowBytes);
    }
    for (size_t p = 0; p < atlas.size(); p += 4) std::swap(atlas[p], atlas[p + 2]);
    std::vector<uint8_t> png;
    return encodePngRgba(atlas.data(), areaWidth, areaHeight, png, {options.pngLevel, options.threads}) &&
           file.write(png);
}

bool writeAtlasBmpFile(const AtlasImages& images,
                       const std::string& path,
                       int32_t areaWidth,
                       int32_t areaHeight,
                       const AtlasOptions& options) {
    std::vector<uint8_t> atlas;
    SafeFileWriter file(path);
    return composeAtlas(images, areaWidth, areaHeight, 3, atlas, options) && file.open() &&
           writeBmpPixels(atlas, 3, file, areaWidth, areaHeight) && file.commit();
}

bool writeAtlasTgaFile(const AtlasImages& images,
                       const std::string& path,
                       int32_t areaWidth,
                       int32_t areaHeight,
                       const AtlasOptions& options) {
    std::vector<uint8_t> atlas;
    SafeFileWriter file(path);
    return composeAtlas(images, areaWidth, areaHeight, 4, atlas, options) && file.open() &&
           writeTgaPixels(atlas, file, areaWidth, areaHeight) && file.commit();
}
