#include <errno.h>
#include <iconv.h>

#include "base/TextEncoding.h"

namespace {

bool convert(const char* to, const char* from, const std::string& in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result;
    result.resize(in.size() * 2 + 4);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    size_t done = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = &result[done];
        size_t outLeft = result.size() - done;
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        done = result.size() - outLeft;
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) {
            result.resize(result.size() * 2);
            continue;
        }
        ok = false;  // EILSEQ or EINVAL: a byte sequence the source does not define, or a cut character
        break;
    }
    iconv_close(cd);
    if (!ok) return false;
    result.resize(done);
    out = std::move(result);
    return true;
}

}  // namespace

bool cp932ToUtf8(const std::string& cp932, std::string& utf8) {
    return convert("UTF-8", "CP932", cp932, utf8);
}

bool utf8ToCp932(const std::string& utf8, std::string& cp932) {
    return convert("CP932", "UTF-8", utf8, cp932);
}
