#include <windows.h>

#include <cstring>

#include "base/Allocation.h"
#include "image/TextureImage.h"

static_assert(sizeof(BITMAPINFOHEADER) == sizeof(BitmapInfoHeader), "the header mirrors BITMAPINFOHEADER");

namespace {

// v x zoom / 256, rounded towards minus infinity (an arithmetic shift of the product).
int32_t scaled(int32_t v, int32_t zoom) {
    return static_cast<int32_t>((int64_t{v} * zoom) >> 8);
}

struct Placement {
    int left, top, width, height;
};

void frame(HDC dc, const Placement& at) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, at.left - 1, at.top - 1, nullptr);
    LineTo(dc, at.left + at.width, at.top - 1);
    LineTo(dc, at.left + at.width, at.top + at.height);
    LineTo(dc, at.left - 1, at.top + at.height);
    LineTo(dc, at.left - 1, at.top - 1);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

// One StretchDIBits of the whole image into its scaled place; the device context's own stretch mode applies, and
// nothing is clipped to the layout area.
void drawStep(HDC dc, int32_t zoom, const TextureImage& image, Point origin, const uint8_t* bits) {
    const Placement at = {origin.x + scaled(image.x(), zoom), origin.y + scaled(image.y(), zoom),
                          scaled(image.width(), zoom), scaled(image.height(), zoom)};
    BITMAPINFO info = {};
    std::memcpy(&info.bmiHeader, &image.info(), sizeof(BITMAPINFOHEADER));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    StretchDIBits(dc, at.left, at.top, at.width, at.height, 0, 0, image.width(), image.height(), bits, &info,
                  DIB_RGB_COLORS, SRCCOPY);
    if (image.isSelected()) frame(dc, at);
}

}  // namespace

void TextureImage::draw(HDC__* dc, int32_t zoom) const {
    if (kind_ == ImageKind::None) return;
    drawStep(dc, zoom, *this, {originX_, originY_}, pixels_.data());
}

// The grey view of the alpha is made on the first alpha draw and kept: every colour byte of a pixel holds its alpha,
// 255 throughout for an image without alpha plane. When it cannot be allocated, nothing is drawn this time.
void TextureImage::drawAlpha(HDC__* dc, int32_t zoom) {
    if (kind_ == ImageKind::None) return;
    if (alphaView_.empty()) {
        const size_t stride = static_cast<size_t>(rowStride());
        if (!tryAssign(alphaView_, stride * static_cast<size_t>(height_), uint8_t{255})) return;
        if (hasAlpha()) {
            for (int32_t r = 0; r < height_; ++r) {
                for (int32_t c = 0; c < width_; ++c) {
                    std::memset(&alphaView_[r * stride + static_cast<size_t>(c) * 3],
                                alpha_[static_cast<size_t>(r) * width_ + c], 3);
                }
            }
        }
    }
    drawStep(dc, zoom, *this, {originX_, originY_}, alphaView_.data());
}
