#include "image/TextureImage.h"

#include <algorithm>

#include "base/ShiftJis.h"
#include "image/BmpReader.h"
#include "image/PngReader.h"
#include "image/TgaReader.h"

std::string TextureImage::nameFromPath(const std::string& path) {
    return exportableName(toUpperSingleByte(fileTitle(path)));
}

std::string TextureImage::exportableName(const std::string& name) {
    std::string out = cutAtCharacter(name, kMaxNameBytes);
    for (size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<uint8_t>(out[i]);
        if (isLeadByte(b)) {
            ++i;  // a second byte is never a control character
        } else if (b < 0x20 || b == 0x7F) {
            out[i] = '_';
        }
    }
    return out;
}

void TextureImage::takeTexts(const std::string& path) {
    path_ = path;
    name_ = nameFromPath(path);
}

namespace {

BitmapInfoHeader dibInfo(int32_t width, int32_t height) {
    BitmapInfoHeader info;
    info.biSize = 40;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = kBiRgb;
    info.biSizeImage = static_cast<uint32_t>(int64_t{width} * height * 3);
    return info;
}

}  // namespace

const char* TextureImage::loadBmp(const std::string& path) {
    const char* failure = readBmp(path, info_, pixels_);
    if (!failure) acceptBmp(path);
    return failure;
}

const char* TextureImage::takeBmp(const std::string& path, const uint8_t* file, size_t size) {
    const char* failure = decodeBmp(file, size, info_, pixels_);
    if (!failure) acceptBmp(path);
    return failure;
}

// The header in memory is the plain one every reader's image gets, whatever else the file's header declared (another
// plane count, a colour count): drawing hands it to GDI as it stands.
void TextureImage::acceptBmp(const std::string& path) {
    width_ = info_.biWidth;
    height_ = info_.biHeight;
    info_ = dibInfo(width_, height_);
    kind_ = ImageKind::Bmp;
    takeTexts(path);
}

bool TextureImage::loadTga(const std::string& path) {
    TgaImage image;
    if (!readTga(path, image)) return false;
    takePixels(path, image, ImageKind::Tga);
    return true;
}

bool TextureImage::takeTga(const std::string& path, const uint8_t* file, size_t size) {
    TgaImage image;
    if (!decodeTga(file, size, image)) return false;
    takePixels(path, image, ImageKind::Tga);
    return true;
}

const char* TextureImage::loadPng(const std::string& path) {
    DecodedImage image;
    const char* failure = readPng(path, image);
    if (!failure) takePixels(path, image, ImageKind::Png);
    return failure;
}

const char* TextureImage::takePng(const std::string& path, const uint8_t* file, size_t size) {
    DecodedImage image;
    const char* failure = decodePng(file, size, image);
    if (!failure) takePixels(path, image, ImageKind::Png);
    return failure;
}

void TextureImage::takePixels(const std::string& path, DecodedImage& image, ImageKind kind) {
    width_ = image.width;
    height_ = image.height;
    pixels_ = std::move(image.pixels);
    alpha_ = std::move(image.alpha);
    kind_ = kind;
    info_ = dibInfo(width_, height_);
    takeTexts(path);
}

bool TextureImage::contains(Point p) const {
    return x_ <= p.x && int64_t{p.x} <= int64_t{x_} + width_ && y_ <= p.y && int64_t{p.y} <= int64_t{y_} + height_;
}

Rect TextureImage::bounds() const {
    // Positions are never clamped; the sums wrap like the 32-bit fields they are stored in instead of overflowing.
    const auto wrap = [](int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); };
    return {x_, y_, wrap(int64_t{x_} + width_), wrap(int64_t{y_} + height_)};
}

void TextureImage::copyTo24(uint8_t* atlas, int32_t areaWidth, int32_t areaHeight) const {
    copyTo(atlas, areaWidth, areaHeight, 3);
}

void TextureImage::copyTo32(uint8_t* atlas, int32_t areaWidth, int32_t areaHeight) const {
    copyTo(atlas, areaWidth, areaHeight, 4);
}

void TextureImage::copyTo(uint8_t* atlas, int32_t areaWidth, int32_t areaHeight, int bytesPerPixel) const {
    if (kind_ == ImageKind::None) return;
    // The image columns i and rows j (from the top) that land inside the area.
    const int64_t firstColumn = std::max<int64_t>(0, -int64_t{x_});
    const int64_t endColumn = std::min<int64_t>(width_, int64_t{areaWidth} - x_);
    const int64_t firstRow = std::max<int64_t>(0, -int64_t{y_});
    const int64_t endRow = std::min<int64_t>(height_, int64_t{areaHeight} - y_);
    if (firstColumn >= endColumn || firstRow >= endRow) return;
    const int64_t stride = rowStride();
    for (int64_t j = firstRow; j < endRow; ++j) {
        const int64_t sourceRow = height_ - 1 - j;
        const int64_t areaRow = y_ + j;
        const uint8_t* source = pixels_.data() + sourceRow * stride;
        const uint8_t* sourceAlpha = hasAlpha() ? alpha_.data() + sourceRow * width_ : nullptr;
        const int64_t areaRowStart = (areaHeight - 1 - areaRow) * int64_t{areaWidth};
        for (int64_t i = firstColumn; i < endColumn; ++i) {
            uint8_t* out = atlas + (areaRowStart + x_ + i) * bytesPerPixel;
            out[0] = source[i * 3];
            out[1] = source[i * 3 + 1];
            out[2] = source[i * 3 + 2];
            if (bytesPerPixel == 4) out[3] = sourceAlpha ? sourceAlpha[i] : 255;
        }
    }
}
