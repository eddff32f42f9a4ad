#include "base/TextEncoding.h"

#include "base/ShiftJis.h"

std::string utf8Text(const std::string& cp932, const char* replacement) {
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
