#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/TextureImage.h"

// What every command shares: its messages, its reading of numbers, sizes and paths.

// Above this many images the command line shows its progress on a terminal.
constexpr size_t kManyImages = 200;

// A usage error: the message and a hint, then exit status 2.
int usage(const std::string& command, const std::string& message);
// A failure told in the program's own texts (Shift-JIS), shown as the terminal shows text; exit status 1.
int failure(const std::string& message);
// "cannot write PATH", with the system's reason when it left one, then `more`.
int cannotWrite(const std::string& path, const std::string& more = "");

// Runs a write with the system's last error cleared first, so that a reason found afterwards is this write's.
template <typename Write>
bool writing(Write write) {
    errno = 0;
    return write();
}

void listWritten(const std::string& path, bool quiet);

bool parseInt32(const std::string& text, int64_t low, int64_t high, int32_t& value);
// "WIDTHxHEIGHT", each side 1 to 16384.
bool parseSize(const std::string& text, int32_t& width, int32_t& height);
// An argument naming a file, as a full program path; false when it cannot be held in Shift-JIS.
bool fullPath(const std::string& argument, std::string& path);

// The command line takes BMP, TGA and PNG files by their extension in any letter case ("RED.BMP", "Tree.Tga").
ImageKind imageKindAnyCase(const std::string& path);
