#include "inputs/ListFile.h"

#include "base/FileSystem.h"
#include "base/Format.h"
#include "base/TextEncoding.h"

namespace {

// The length of the UTF-8 sequence starting at text[i], 0 for a byte that starts none or a sequence that is cut,
// overlong or beyond U+10FFFF. A zero byte is no text either.
size_t sequenceLength(const std::string& text, size_t i) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (b == 0) return 0;
    if (b < 0x80) return 1;
    const size_t length = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (length == 0 || length > text.size() - i) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return 0;
    }
    const auto second = static_cast<uint8_t>(text[i + 1]);
    if ((b == 0xE0 && second < 0xA0) || (b == 0xF0 && second < 0x90) || (b == 0xF4 && second > 0x8F)) return 0;
    return length;
}

// The line of the first byte that is no UTF-8 text, 0 when there is none.
size_t firstBadLine(const std::string& text) {
    size_t line = 1;
    for (size_t i = 0; i < text.size();) {
        const size_t length = sequenceLength(text, i);
        if (length == 0) return line;
        line += text[i] == '\n';
        i += length;
    }
    return 0;
}

bool isBlank(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

bool readListFile(const std::string& path, std::vector<ListedPath>& paths, std::string& error) {
    std::vector<uint8_t> bytes;
    switch (readWholeFile(path, kMaxListFileBytes, bytes)) {
        case FileReadResult::Ok:
            break;
        case FileReadResult::TooLarge:
            error = formatText("the list %s is larger than 64 MiB", path.c_str());
            return false;
        default:
            error = "cannot read the list " + path;
            return false;
    }
    std::string text(bytes.begin(), bytes.end());
    const std::string byteOrderMark = "\xEF\xBB\xBF";
    if (text.compare(0, byteOrderMark.size(), byteOrderMark) == 0) text.erase(0, byteOrderMark.size());
    if (const size_t bad = firstBadLine(text)) {
        error = formatText("the list %s is no UTF-8 text (line %zu)", path.c_str(), bad);
        return false;
    }
    paths.clear();
    size_t number = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (isBlank(line)) continue;
        std::string converted;
        if (!utf8ToCp932(line, converted)) {
            error = formatText("the list %s names a path that cannot be held in Shift-JIS (line %zu)", path.c_str(),
                               number);
            return false;
        }
        paths.push_back({converted, number});
    }
    return true;
}
