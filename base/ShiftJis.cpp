#include "base/ShiftJis.h"

#include <map>
#include <set>

#include "base/Format.h"

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

PathParts splitPath(const std::string& path) {
    PathParts parts;
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':' && !isLeadByte(static_cast<uint8_t>(path[0]))) {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    // One walk over the characters notes the last separator and the last dot that stand as characters of their own.
    size_t lastSeparator = std::string::npos;
    size_t lastDot = std::string::npos;
    for (size_t i = start; i < path.size(); ++i) {
        const char c = path[i];
        if (isLeadByte(static_cast<uint8_t>(c)) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (isSeparator(c)) {
            lastSeparator = i;
            lastDot = std::string::npos;
        } else if (c == '.') {
            lastDot = i;
        }
    }
    const size_t nameStart = lastSeparator == std::string::npos ? start : lastSeparator + 1;
    parts.folder = path.substr(start, nameStart - start);
    if (lastDot == std::string::npos) {
        parts.title = path.substr(nameStart);
    } else {
        parts.title = path.substr(nameStart, lastDot - nameStart);
        parts.extension = path.substr(lastDot);
    }
    return parts;
}

std::string toUpperSingleByte(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<uint8_t>(out[i]);
        if (isLeadByte(b)) {
            ++i;
        } else if (b >= 0x61 && b <= 0x7A) {
            out[i] = static_cast<char>(b - 0x20);
        }
    }
    return out;
}

size_t cutLength(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    size_t i = 0;
    while (i < maxBytes) {
        const size_t step = isLeadByte(static_cast<uint8_t>(text[i])) ? 2 : 1;
        if (i + step > maxBytes) break;
        i += step;
    }
    return i;
}

std::vector<std::string> cutApart(const std::vector<std::string>& names, size_t maxBytes) {
    std::set<std::string> taken;
    for (const std::string& name : names) {
        if (name.size() <= maxBytes) taken.insert(name);
    }
    std::map<std::string, std::string> given;  // each name that needed a cut, and what it became
    std::vector<std::string> out;
    out.reserve(names.size());
    for (const std::string& name : names) {
        if (name.size() <= maxBytes) {
            out.push_back(name);
            continue;
        }
        const auto [at, added] = given.emplace(name, cutAtCharacter(name, maxBytes));
        for (int32_t counter = 1; added && taken.count(at->second) != 0; ++counter) {
            const std::string suffix = formatText("_%d", counter);
            at->second = cutAtCharacter(name, maxBytes - suffix.size()) + suffix;
        }
        taken.insert(at->second);
        out.push_back(at->second);
    }
    return out;
}
