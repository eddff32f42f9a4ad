#include <windows.h>

#include <utility>

#include "base/TextEncoding.h"

namespace {

bool toWide(UINT codePage, const std::string& in, std::wstring& out) {
    out.clear();
    if (in.empty()) return true;
    const int n =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (n <= 0) return false;
    out.resize(static_cast<size_t>(n));
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), &out[0], n) == n;
}

bool fromWide(UINT codePage, const std::wstring& in, std::string& out) {
    out.clear();
    if (in.empty()) return true;
    BOOL lossy = FALSE;
    // WC_NO_BEST_FIT_CHARS with a default-character check refuses characters that code page 932 cannot hold; UTF-8
    // takes neither flag nor the check.
    const bool toAnsi = codePage != CP_UTF8;
    const DWORD flags = toAnsi ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL* lossyOut = toAnsi ? &lossy : nullptr;
    const int n =
        WideCharToMultiByte(codePage, flags, in.data(), static_cast<int>(in.size()), nullptr, 0, nullptr, lossyOut);
    if (n <= 0 || lossy) return false;
    out.resize(static_cast<size_t>(n));
    return WideCharToMultiByte(codePage, flags, in.data(), static_cast<int>(in.size()), &out[0], n, nullptr,
                               lossyOut) == n &&
           !lossy;
}

}  // namespace

// Both leave their output untouched when they fail.
bool cp932ToUtf8(const std::string& cp932, std::string& utf8) {
    std::wstring wide;
    std::string out;
    if (!toWide(932, cp932, wide) || !fromWide(CP_UTF8, wide, out)) return false;
    utf8 = std::move(out);
    return true;
}

bool utf8ToCp932(const std::string& utf8, std::string& cp932) {
    std::wstring wide;
    std::string out;
    if (!toWide(CP_UTF8, utf8, wide) || !fromWide(932, wide, out)) return false;
    cp932 = std::move(out);
    return true;
}
