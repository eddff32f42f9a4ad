#pragma once

#include <cstdint>
#include <string>

#include "base/Point.h"
#include "base/Rect.h"

class Settings;

// The canvas's two coordinate spaces without any window: area pixels (image positions and sizes, the layout area) and
// client pixels of the main window, related by the zoom in 1/256 units (256 = 1.00 times).

// The off-screen canvas bitmap is this many pixels a side; at most one less of it is ever composed or shown.
constexpr int32_t kCanvasSide = 1024;
// The zoom commands step between these bounds, doubling and halving.
constexpr int32_t kMinZoom = 64;
constexpr int32_t kMaxZoom = 1024;

// Area to client: (value x zoom) >> 8, rounding towards minus infinity.
int32_t toScreen(int32_t value, int32_t zoom);
// Client to area: (value x 256) / zoom, truncating towards zero; not the exact inverse of toScreen. The zoom must be
// positive: the settings refuse a record with another.
int32_t toArea(int32_t value, int32_t zoom);

// The part of the client area that the canvas covers: the client above the status bar, each side cut to 1023 from
// the canvas's 1024 on, and never below 0.
Point visibleCanvasSize(Point client, int32_t statusHeight);
// Where the area's top-left corner lies in the client area: centred above the status bar when Settings::centerArea is
// set (pinned to the left or top edge where the scaled area is larger than the client), else (0, 0).
Point areaOrigin(Point client, int32_t statusHeight, const Settings& settings);
// The scaled area on the canvas, from its origin.
Rect areaOnCanvas(Point origin, const Settings& settings);

// One step of the zoom commands: false, with the zoom untouched, at or beyond the bound. The bounds are tested, not
// clamped: a zoom loaded as 300 doubles to 600 and then 1200.
bool zoomIn(int32_t& zoom);
bool zoomOut(int32_t& zoom);
// The zoom as the status bar shows it: "1.00倍", "0.25倍", "4.00倍".
std::string zoomText(int32_t zoom);
