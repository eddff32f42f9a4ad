#include "inputs/NinePatch.h"

#include <cassert>
#include <cstring>

#include "base/Format.h"
#include "image/DecodedImage.h"
#include "image/TextureImage.h"

namespace {

enum class Mark { Clear, Black, Other };

Mark markAt(const TextureImage& image, int32_t x, int32_t y) {
    const size_t row = static_cast<size_t>(image.height() - 1 - y);  // rows are kept bottom row first
    const uint8_t alpha = image.hasAlpha() ? image.alpha()[row * image.width() + x] : 255;
    const uint8_t* bgr = &image.pixels()[row * image.rowStride() + static_cast<size_t>(x) * 3];
    if (alpha == 0) return Mark::Clear;
    return alpha == 255 && bgr[0] == 0 && bgr[1] == 0 && bgr[2] == 0 ? Mark::Black : Mark::Other;
}

struct Point32 {
    int32_t x, y;
};

// One edge of the border: its first pixel after the corner, the step to the next, how many pixels, and its name.
struct BorderEdge {
    Point32 start, step;
    int32_t length;
    const char* name;
};

// The run of marks along an edge as [first, end) in the image's pixels without the border; false with the error when
// the edge holds a pixel that is neither mark nor clear, or a second run. `first` = `end` = 0 when there is no run.
bool readRun(const TextureImage& image, const BorderEdge& edge, int32_t& first, int32_t& end, std::string& error) {
    first = end = 0;
    bool inRun = false, hadRun = false;
    for (int32_t i = 0; i < edge.length; ++i) {
        const int32_t x = edge.start.x + i * edge.step.x, y = edge.start.y + i * edge.step.y;
        const Mark mark = markAt(image, x, y);
        if (mark == Mark::Other) {
            error = formatText("pixel (%d, %d) of the border is neither a black mark nor fully transparent", x, y);
            return false;
        }
        if (mark == Mark::Black && !inRun && hadRun) {
            error =
                formatText("pixel (%d, %d) starts a second run of marks on the %s (one is allowed)", x, y, edge.name);
            return false;
        }
        if (mark == Mark::Black && !inRun) first = i;
        if (mark != Mark::Black && inRun) end = i;
        inRun = mark == Mark::Black;
        hadRun = hadRun || inRun;
    }
    if (inRun) end = edge.length;
    return true;
}

}  // namespace

bool readNinePatch(const TextureImage& image, Edges& slices, Edges& padding, std::string& error) {
    const int32_t w = image.width(), h = image.height();
    if (w < 3 || h < 3) {
        error =
            formatText("a nine-patch needs at least 3x3 pixels (a border of one around the image), not %dx%d", w, h);
        return false;
    }
    const Point32 corners[] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    for (const Point32& c : corners) {
        if (markAt(image, c.x, c.y) == Mark::Clear) continue;
        error = formatText("pixel (%d, %d) is a corner of the border, which must be fully transparent", c.x, c.y);
        return false;
    }
    const int32_t width = w - 2, height = h - 2;
    const BorderEdge edges[] = {{{1, 0}, {1, 0}, width, "top row"},
                                {{0, 1}, {0, 1}, height, "left column"},
                                {{1, h - 1}, {1, 0}, width, "bottom row"},
                                {{w - 1, 1}, {0, 1}, height, "right column"}};
    int32_t first[4], end[4];
    for (int e = 0; e < 4; ++e) {
        if (!readRun(image, edges[e], first[e], end[e], error)) return false;
    }
    for (int e = 0; e < 2; ++e) {
        if (end[e] > first[e]) continue;
        const BorderEdge& edge = edges[e];
        error = formatText("the %s marks no stretching area (no black pixel from (%d, %d) to (%d, %d))", edge.name,
                           edge.start.x, edge.start.y, edge.start.x + (edge.length - 1) * edge.step.x,
                           edge.start.y + (edge.length - 1) * edge.step.y);
        return false;
    }
    slices = {first[0], first[1], width - end[0], height - end[1]};
    padding = slices;
    if (end[2] > first[2]) padding.left = first[2], padding.right = width - end[2];
    if (end[3] > first[3]) padding.top = first[3], padding.bottom = height - end[3];
    return true;
}

void cutNinePatchBorder(TextureImage& image) {
    assert(image.width() >= 3 && image.height() >= 3);
    DecodedImage inner;
    inner.width = image.width() - 2;
    inner.height = image.height() - 2;
    const size_t stride = (static_cast<size_t>(inner.width) * 3 + 3) & ~size_t{3};
    inner.pixels.assign(stride * inner.height, 0);
    if (image.hasAlpha()) inner.alpha.resize(static_cast<size_t>(inner.width) * inner.height);
    // Row y of the inner image, bottom row first, is row y + 1 of the image, whose bottom row is the border.
    for (int32_t y = 0; y < inner.height; ++y) {
        const size_t from = static_cast<size_t>(y) + 1;
        std::memcpy(&inner.pixels[y * stride], &image.pixels()[from * image.rowStride() + 3],
                    static_cast<size_t>(inner.width) * 3);
        if (!image.hasAlpha()) continue;
        std::memcpy(&inner.alpha[static_cast<size_t>(y) * inner.width], &image.alpha()[from * image.width() + 1],
                    static_cast<size_t>(inner.width));
    }
    image.takePixels(image.path(), inner, image.kind());
}
