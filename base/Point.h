#pragma once

#include <cstdint>

// A position in pixels: on the layout area (x to the right, y downwards) or on a drawing surface.
struct Point {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(const Point& a, const Point& b) { return !(a == b); }
};
