#include "app/CanvasGeometry.h"

#include <algorithm>
#include <cassert>

#include "base/Format.h"
#include "project/Settings.h"

int32_t toScreen(int32_t value, int32_t zoom) {
    return static_cast<int32_t>((int64_t{value} * zoom) >> 8);
}

int32_t toArea(int32_t value, int32_t zoom) {
    assert(zoom > 0);
    return static_cast<int32_t>(int64_t{value} * 256 / zoom);
}

Point visibleCanvasSize(Point client, int32_t statusHeight) {
    const auto cut = [](int32_t side) { return std::max(0, std::min(side, kCanvasSide - 1)); };
    return {cut(client.x), cut(client.y - statusHeight)};
}

Point areaOrigin(Point client, int32_t statusHeight, const Settings& settings) {
    if (settings.centerArea == 0) return {0, 0};
    const int32_t width = client.x, height = client.y - statusHeight;
    const int32_t scaledWidth = toScreen(settings.areaWidth, settings.zoom);
    const int32_t scaledHeight = toScreen(settings.areaHeight, settings.zoom);
    return {width < scaledWidth ? 0 : (width - scaledWidth) >> 1, height < scaledHeight ? 0 : (height - scaledHeight) >> 1};
}

Rect areaOnCanvas(Point origin, const Settings& settings) {
    return {origin.x, origin.y, origin.x + toScreen(settings.areaWidth, settings.zoom),
            origin.y + toScreen(settings.areaHeight, settings.zoom)};
}

bool zoomIn(int32_t& zoom) {
    if (zoom >= kMaxZoom) return false;
    zoom *= 2;
    return true;
}

bool zoomOut(int32_t& zoom) {
    if (zoom <= kMinZoom) return false;
    zoom >>= 1;
    return true;
}

std::string zoomText(int32_t zoom) {
    return formatText("%.2f倍", zoom / 256.0);
}
