#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "project/ExportEntry.h"

class Settings;

// Where each image lies on the atlas, row by row: U0 (left), V0 (top), U1 (right), V1 (bottom), with right
// and bottom one past the image. In pixels, or as ratios of the area size (divided in double precision, rounded to
// 32-bit floats); reverseHorizontal measures U from the right edge, reverseVertical V from the bottom edge.
using UvPixels = std::array<int32_t, 4>;
using UvRatios = std::array<float, 4>;
UvPixels uvRectangle(const Rect& bounds, const Settings& settings);
UvRatios uvRatios(const Rect& bounds, const Settings& settings);

// The three exports as they are written: the binary QUV list ("QUV ", the count, four int32 or four floats per
// row, by Settings::uvRatio), the C/C++ array text declaring UV_LIST, and the #define text. Lines end in "\n". The
// #define text numbers apart the names that the cut for its macros would make equal (cutApart, ShiftJis.h).
std::vector<uint8_t> quvList(const ExportEntries& entries, const Settings& settings);
std::string uvArrayText(const ExportEntries& entries, const Settings& settings);
std::string uvDefinesText(const ExportEntries& entries, const Settings& settings);

// A macro name of the #define text: the image name and the suffix, the name cut at a character boundary so that the
// whole stays within 127 bytes and the suffix survives.
std::string uvMacroName(const std::string& imageName, const char* suffix);
