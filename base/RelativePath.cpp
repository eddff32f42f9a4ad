#include "base/RelativePath.h"

#include <algorithm>
#include <vector>

#include "base/ShiftJis.h"
#include "base/TextEncoding.h"

namespace {

constexpr size_t kMaxPath = 260;

size_t characterLength(const std::string& s, size_t at) {
    return isLeadByte(static_cast<uint8_t>(s[at])) && at + 1 < s.size() ? 2 : 1;
}

bool isUnc(const std::string& s) {
    return s.size() >= 2 && s[0] == '\\' && s[1] == '\\';
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// The folder part of a path: the text before its last separator, keeping the separator of a root ("C:\", "\").
std::string removeFileSpec(const std::string& path) {
    size_t at = 0;
    size_t spec = 0;
    for (int i = 0; i < 2 && at < path.size() && path[at] == '\\'; ++i) spec = ++at;
    while (at < path.size()) {
        if (path[at] == '\\') {
            spec = at;
        } else if (path[at] == ':') {
            spec = ++at;
            if (at < path.size() && path[at] == '\\') ++spec;
            if (at >= path.size()) break;
        }
        at += characterLength(path, at);
    }
    return path.substr(0, spec);
}

// The length of the longest common run of whole components ("C:\" counts for a shared drive); 0 when none.
size_t commonPrefix(const std::string& a, const std::string& b) {
    size_t i = 0;
    if (isUnc(a)) {
        if (!isUnc(b)) return 0;
        i = 2;
    } else if (isUnc(b)) {
        return 0;
    }
    size_t length = 0;
    for (;;) {
        const bool endA = i >= a.size() || a[i] == '\\';
        const bool endB = i >= b.size() || b[i] == '\\';
        if (endA && endB) length = i;
        if (i >= a.size() || i >= b.size() || lowerAscii(a[i]) != lowerAscii(b[i])) break;
        // A double-byte character is compared whole.
        const size_t n = characterLength(a, i);
        if (n == 2 && (i + 1 >= b.size() || a[i + 1] != b[i + 1])) break;
        i += n;
    }
    if (length == 2) ++length;  // "C:" stands for the root "C:\"
    return length;
}

}  // namespace

bool relativePathBetweenFiles(const std::string& fromFile, const std::string& toFile, std::string& relative) {
    relative.clear();
    if (fromFile.size() >= kMaxPath || toFile.size() >= kMaxPath) return false;
    const std::string from = removeFileSpec(fromFile);
    const std::string to = removeFileSpec(toFile);
    const size_t common = commonPrefix(from, to);
    if (common == 0) return false;

    std::string out;
    size_t at = common;
    if (at >= from.size()) out = ".";
    if (at < from.size() && from[at] == '\\') ++at;
    while (at < from.size()) {
        while (at < from.size() && from[at] != '\\') at += characterLength(from, at);
        if (at < from.size()) ++at;  // past the separator
        out += at < from.size() ? "..\\" : "..";
    }
    // The rest of the target file's path, from the end of the common part, beginning with its separator.
    size_t rest = common;
    if (rest < toFile.size() && rest > 0) {
        if (toFile[rest] != '\\') --rest;
        if (out.size() + (toFile.size() - rest) >= kMaxPath) return false;
        out += toFile.substr(rest);
    }
    relative = out;
    return true;
}

std::string withoutDotComponents(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= path.size();) {
        if (i == path.size() || path[i] == '\\') {
            parts.push_back(path.substr(start, i - start));
            start = ++i;
            continue;
        }
        i += characterLength(path, i);
    }
    std::vector<std::string> kept;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        const bool last = i + 1 == parts.size();
        if (part == "." && !(kept.empty() && last)) continue;
        // A ".." takes out the name before it; never a root (empty, or a drive such as "C:") nor another "..".
        const bool rootBefore = kept.empty() || kept.back().empty() || kept.back() == ".." ||
                                (kept.size() == 1 && kept.back().size() == 2 && kept.back()[1] == ':');
        if (part == ".." && !rootBefore) {
            kept.pop_back();
            continue;
        }
        kept.push_back(part);
    }
    std::string out;
    for (size_t i = 0; i < kept.size(); ++i) out += (i ? "\\" : "") + kept[i];
    return out;
}

#ifndef _WIN32
namespace {

// Every separator `from` that stands as a character of its own becomes `to`.
std::string withSeparators(const std::string& path, char from, char to) {
    std::string out = path;
    for (size_t i = 0; i < out.size(); i += characterLength(out, i)) {
        if (out[i] == from) out[i] = to;
    }
    return out;
}

}  // namespace
#endif

std::string pathForRelativeForm(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    const std::string out = withSeparators(path, '/', '\\');
    return !out.empty() && out[0] == '\\' ? "Z:" + out : out;
#endif
}

std::string pathForPlatform(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    return withSeparators(path, '\\', '/');
#endif
}

std::string fileReference(const std::string& from, const std::string& to) {
    std::string relative;
    if (!relativePathBetweenFiles(withoutDotComponents(pathForRelativeForm(from)),
                                  withoutDotComponents(pathForRelativeForm(to)), relative)) {
        relative = to;
    }
    std::string text = utf8Text(relative);  // from here on a '\\' is never half of a double-byte character
    if (text.rfind(".\\", 0) == 0) text.erase(0, 2);
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}
