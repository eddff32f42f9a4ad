#include "cli/CommandSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/FileSystem.h"
#include "base/RelativePath.h"
#include "base/ShiftJis.h"
#include "cli/Commands.h"
#include "cli/Terminal.h"
#include "project/Settings.h"

int usage(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "quiltbox-cli: %s\nTry 'quiltbox-cli %s --help'.\n", message.c_str(), command.c_str());
    return kExitUsage;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "quiltbox-cli: %s\n", terminalText(message).c_str());
    return kExitFailed;
}

int cannotWrite(const std::string& path, const std::string& more) {
    const int error = errno;
    return failure("cannot write " + path + (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) +
                   more);
}

void listWritten(const std::string& path, bool quiet) {
    if (!quiet) std::printf("%s\n", terminalText(path).c_str());
}

bool parseInt32(const std::string& text, int64_t low, int64_t high, int32_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool parseSize(const std::string& text, int32_t& width, int32_t& height) {
    const size_t x = text.find('x');
    return x != std::string::npos && parseInt32(text.substr(0, x), 1, Settings::kMaxAreaSide, width) &&
           parseInt32(text.substr(x + 1), 1, Settings::kMaxAreaSide, height);
}

bool fullPath(const std::string& argument, std::string& path) {
    std::string text;
    if (!argumentText(argument, text)) return false;
    path = absolutePath(text);
    return !path.empty();
}

// Only single-byte letters are lowered; an extension holding a double-byte character matches none of the three anyway.
ImageKind imageKindAnyCase(const std::string& path) {
    std::string extension = splitPath(path).extension;
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (extension == ".bmp") return ImageKind::Bmp;
    if (extension == ".tga") return ImageKind::Tga;
    if (extension == ".png") return ImageKind::Png;
    return ImageKind::None;
}
