#include "atlas/DataFormat.h"

#include <algorithm>
#include <cstdio>

#include "atlas/EmbeddedFile.h"

namespace {

struct BuiltIn {
    const char* name;
    const char* templateName;
    Escape escape;
    bool perPage;
    Turn turn;
    const char* forbidden;
};

// Sparrow's turned frames (Starling's "rotated") and CSS and Godot, which have none, are not written: no loader here
// could show them right.
const BuiltIn kBuiltIns[] = {
    {"json-hash", "json-hash", Escape::Json, true, Turn::Clockwise, ""},
    {"json-array", "json-array", Escape::Json, true, Turn::Clockwise, ""},
    {"phaser3", "phaser3", Escape::Json, false, Turn::Clockwise, ""},
    {"spine", "spine", Escape::Text, false, Turn::CounterClockwise, ":"},
    {"libgdx", "spine", Escape::Text, false, Turn::CounterClockwise, ":"},
    {"sparrow", "sparrow", Escape::Xml, true, Turn::None, ""},
    {"godot", "godot", Escape::Json, false, Turn::None, ""},
    {"css", "css", Escape::Css, false, Turn::None, ""},
};

std::string embedded(const char* name) {
    for (size_t i = 0; i < kEmbeddedFileCount; ++i) {
        if (std::string(kEmbeddedFiles[i].name) == name) return {kEmbeddedFiles[i].bytes, kEmbeddedFiles[i].size};
    }
    return {};
}

}  // namespace

bool builtInFormat(const std::string& name, DataFormat& format) {
    for (const BuiltIn& b : kBuiltIns) {
        if (name != b.name) continue;
        format = {b.name, embedded(b.templateName), b.escape, b.perPage, b.turn, b.forbidden};
        return true;
    }
    return false;
}

const char* builtInFormatNames() {
    return "json-hash, json-array, phaser3, spine, libgdx, sparrow, godot or css";
}

Escape escapeForDataFile(const std::string& path) {
    std::string extension = path.substr(std::min(path.size(), path.rfind('.')));
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (extension == ".json") return Escape::Json;
    if (extension == ".xml" || extension == ".html" || extension == ".plist") return Escape::Xml;
    if (extension == ".css") return Escape::Css;
    return Escape::Text;
}

bool escapeByName(const std::string& name, Escape& escape) {
    const std::pair<const char*, Escape> names[] = {
        {"json", Escape::Json}, {"xml", Escape::Xml}, {"css", Escape::Css}, {"text", Escape::Text}};
    for (const auto& [n, e] : names) {
        if (name == n) {
            escape = e;
            return true;
        }
    }
    return false;
}

std::string escaped(const std::string& text, Escape escape) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        char buffer[8];
        switch (escape) {
            case Escape::Json:
                if (c == '"' || c == '\\') {
                    out += '\\';
                } else if (c < 0x20) {
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                    continue;
                }
                break;
            case Escape::Xml: {
                const char* entity = c == '&'    ? "&amp;"
                                     : c == '<'  ? "&lt;"
                                     : c == '>'  ? "&gt;"
                                     : c == '"'  ? "&quot;"
                                     : c == '\'' ? "&apos;"
                                                 : nullptr;
                if (entity) {
                    out += entity;
                    continue;
                }
                break;
            }
            case Escape::Css:
                if (i == 0 && c >= '0' && c <= '9') {
                    std::snprintf(buffer, sizeof buffer, "\\%x ", c);
                    out += buffer;
                    continue;
                }
                if (c < 0x80 && !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                  c == '-' || c == '_')) {
                    out += '\\';
                }
                break;
            case Escape::Text:
                break;
        }
        out += static_cast<char>(c);
    }
    return out;
}
