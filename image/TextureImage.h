#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Point.h"
#include "base/Rect.h"
#include "image/BitmapInfoHeader.h"
#include "image/TgaReader.h"

#ifdef _WIN32
struct HDC__;  // the device context handle of <windows.h>, declared the way it declares it
#endif

enum class ImageKind : uint32_t { None = 0, Bmp = 1, Tga = 2, Png = 3 };

// One image file taken into the project: its pixels in the one in-memory format (a 24-bit bottom-up DIB with rows
// padded to 4 bytes, plus an alpha plane of width x height bytes for TGA and PNG images), its place on the layout area,
// its selection, and the two texts by which it is saved and exported: its file path and its name.
class TextureImage {
public:
    TextureImage() = default;
    TextureImage(const TextureImage&) = delete;
    TextureImage& operator=(const TextureImage&) = delete;

    // Loads a BMP file; nullptr on success, else the reader's failure text. The path is kept exactly as passed.
    const char* loadBmp(const std::string& path);
    // Loads a 32-bit uncompressed TGA file with its alpha.
    bool loadTga(const std::string& path);
    // Loads a PNG file with its alpha; nullptr on success, else the reader's failure text (see PngReader.h).
    const char* loadPng(const std::string& path);

    // The same from a file already in memory (used by the loads, the project tests and the fuzzers); `path` names the
    // image as a load from that path would.
    const char* takeBmp(const std::string& path, const uint8_t* file, size_t size);
    bool takeTga(const std::string& path, const uint8_t* file, size_t size);
    const char* takePng(const std::string& path, const uint8_t* file, size_t size);
    // Pixels made elsewhere (the command line's trimmed and turned sprites), taken over as an image of `kind` would be
    // loaded from `path`; an empty alpha plane stands for an opaque image.
    void takePixels(const std::string& path, DecodedImage& image, ImageKind kind);

#ifdef _WIN32
    // Draws the colour pixels, or the grey view of the alpha, scaled by zoom (1/256 units) at the area origin set by
    // setOrigin; a selected image gets a red frame one device pixel outside it.
    void draw(HDC__* dc, int32_t zoom) const;
    void drawAlpha(HDC__* dc, int32_t zoom);
#endif

    void setOrigin(Point origin) {
        originX_ = origin.x, originY_ = origin.y;
    }
    // Hit test in area pixels; the column right of the image and the row below it still hit.
    bool contains(Point p) const;
    void moveBy(Point delta) {
        x_ += delta.x, y_ += delta.y;
    }
    void moveToOrigin() {
        x_ = 0, y_ = 0;
    }
    void setPosition(int32_t x, int32_t y) {
        x_ = x, y_ = y;
    }
    Point position() const {
        return {x_, y_};
    }
    Rect bounds() const;
    int64_t pixelCount() const {
        return int64_t{width_} * height_;
    }
    int32_t longestSide() const {
        return width_ > height_ ? width_ : height_;
    }
    void setSelected(bool selected) {
        selected_ = selected;
    }
    bool isSelected() const {
        return selected_;
    }
    const std::string& path() const {
        return path_;
    }
    const std::string& name() const {
        return name_;
    }

    // Copy into an atlas buffer of areaWidth x areaHeight pixels (rows bottom-up, no padding; 3 or 4 bytes per pixel),
    // dropping what lies outside the area and overwriting what was there; copyTo32 writes the alpha too (255 for an
    // image without alpha plane).
    void copyTo24(uint8_t* atlas, int32_t areaWidth, int32_t areaHeight) const;
    void copyTo32(uint8_t* atlas, int32_t areaWidth, int32_t areaHeight) const;

    int32_t x() const {
        return x_;
    }
    int32_t y() const {
        return y_;
    }
    int32_t width() const {
        return width_;
    }
    int32_t height() const {
        return height_;
    }
    ImageKind kind() const {
        return kind_;
    }
    const BitmapInfoHeader& info() const {
        return info_;
    }
    const std::vector<uint8_t>& pixels() const {
        return pixels_;
    }
    bool hasAlpha() const {
        return !alpha_.empty();
    }
    const std::vector<uint8_t>& alpha() const {
        return alpha_;
    }
    int32_t rowStride() const {
        return static_cast<int32_t>((int64_t{width_} * 3 + 3) & ~int64_t{3});
    }

    // The name an image loaded from `path` gets: its file title with single-byte letters upper-cased, cut to 127 bytes
    // at a character boundary.
    static std::string nameFromPath(const std::string& path);
    // A name as the exports can carry it: every control character (a line break or tab would break the lines of the
    // exported C/C++ texts) becomes '_', and the name is cut to 127 bytes at a character boundary.
    static std::string exportableName(const std::string& name);
    static constexpr size_t kMaxNameBytes = 127;

private:
    friend class TextureCollection;  // names change only through the collection, which keeps them indexed
    void setName(const std::string& name) {
        name_ = name;
    }
    void takeTexts(const std::string& path);
    void acceptBmp(const std::string& path);
    void copyTo(uint8_t* atlas, int32_t areaWidth, int32_t areaHeight, int bytesPerPixel) const;

    int32_t x_ = 0;
    int32_t y_ = 0;
    int32_t originX_ = 0;
    int32_t originY_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    ImageKind kind_ = ImageKind::None;
    bool selected_ = true;
    std::vector<uint8_t> pixels_;
    std::vector<uint8_t> alpha_;
    std::vector<uint8_t> alphaView_;
    BitmapInfoHeader info_;
    std::string path_;
    std::string name_;
};
