#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Helpers for the program's Shift-JIS (code page 932) texts. A double-byte character's second byte may equal '\\',
// '/', '.' or a lower-case letter, so every split and every case change walks the text character by character.

// True for a byte that starts a double-byte character in code page 932.
inline bool isLeadByte(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The parts of a path as the runtime's path splitting gives them: "D:", "\\tex\\" (with its trailing separator),
// "Wood_01" and ".bmp" (from the last dot of the last component). Both '\\' and '/' separate.
struct PathParts {
    std::string drive;
    std::string folder;
    std::string title;
    std::string extension;
};
PathParts splitPath(const std::string& path);

// The file title (last component without extension) of a path.
inline std::string fileTitle(const std::string& path) {
    return splitPath(path).title;
}

// Upper-cases the single-byte letters a to z and leaves both bytes of every double-byte character as they are.
std::string toUpperSingleByte(const std::string& text);

// The longest length up to maxBytes at which the text can be cut without splitting a double-byte character.
size_t cutLength(const std::string& text, size_t maxBytes);
inline std::string cutAtCharacter(const std::string& text, size_t maxBytes) {
    return text.substr(0, cutLength(text, maxBytes));
}

// The names cut at a character boundary to maxBytes, and still apart: a name that needs no cut stays as it is, a cut
// one becomes the first of its cut form, base_1, base_2, ... that no other name is or became (the base cut so that
// base and number fit), as the collection numbers its image names; equal names stay equal.
std::vector<std::string> cutApart(const std::vector<std::string>& names, size_t maxBytes);
