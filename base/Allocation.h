#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>
#include <vector>

// Resizes a buffer and reports an allocation failure as false instead of an exception: the program's own code throws
// nothing, and running out of memory is a failure like any other.
template <typename T>
bool tryResize(std::vector<T>& buffer, size_t size) {
    try {
        buffer.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

// The same, with every element set to `value` (the old contents are dropped).
template <typename T>
bool tryAssign(std::vector<T>& buffer, size_t size, const T& value) {
    try {
        buffer.assign(size, value);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}
