#include "base/Format.h"

#include <cstdarg>
#include <cstdio>

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (length > 0) {
        out.resize(static_cast<size_t>(length));
        std::vsnprintf(&out[0], out.size() + 1, format, again);
    }
    va_end(again);
    return out;
}
