#include "recipe/RecipeText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/Format.h"

std::string recipeNumberText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // Both builds print with a correctly rounded printf, so the first precision that reads back is the same text.
    for (int digits = 1; digits < 17; ++digits) {
        const std::string text = formatText("%.*g", digits, value);
        if (std::strtod(text.c_str(), nullptr) == value) return text;
    }
    return formatText("%.17g", value);
}

std::string tomlFloat(double value) {
    std::string text = recipeNumberText(value);
    if (text.find_first_of(".eina") == std::string::npos) text += ".0";
    return text;
}

std::string tomlString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += byte < 0x20 || byte == 0x7F ? formatText("\\u%04X", byte) : std::string(1, c);
        }
    }
    return out + "\"";
}

std::string tomlKey(const std::string& key) {
    const bool bare = !key.empty() && key.find_first_not_of(
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789-_") == std::string::npos;
    return bare ? key : tomlString(key);
}

bool isUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        uint32_t code = 0;
        if (lead < 0x80) {
            length = 1, code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07u;
        } else {
            return false;
        }
        if (length > text.size() - i) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3Fu);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}
