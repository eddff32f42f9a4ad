#pragma once

#include <cstdint>

#include "base/Point.h"

// A rectangle whose right and bottom edges lie one past its last pixel column and row, so width = right - left.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    Point topLeft() const { return {left, top}; }

    // The same rectangle with its top-left corner at `corner`; width and height are kept.
    Rect movedTo(Point corner) const { return {corner.x, corner.y, corner.x + width(), corner.y + height()}; }

    friend bool operator==(const Rect& a, const Rect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
    friend bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }
};
