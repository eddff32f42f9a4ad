#include "base/TextEncoding.h"

#include <algorithm>

#include "base/ShiftJis.h"

std::string utf8Text(const std::string& cp932, const char* replacement) {
    // Code page 932's single bytes below 0x80 are ASCII's (its 0x5C is the backslash on every system we run on), so
    // plain ASCII text, most sprite names, is its own UTF-8 without a converter opened for it.
    if (std::all_of(cp932.begin(), cp932.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return cp932;
    }
    std::string out;
    if (cp932ToUtf8(cp932, out)) return out;
    out.clear();
    for (size_t i = 0; i < cp932.size();) {
        const size_t n = isLeadByte(static_cast<uint8_t>(cp932[i])) && i + 1 < cp932.size() ? 2 : 1;
        std::string one;
        out += cp932ToUtf8(cp932.substr(i, n), one) ? one : replacement;
        i += n;
    }
    return out;
}
