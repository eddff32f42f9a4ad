#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class Settings;
class TextureCollection;
class TextureImage;

// Where each image lies on the atlas, in collection order: U0 (left), V0 (top), U1 (right), V1 (bottom), with right
// and bottom one past the image. In pixels, or as ratios of the area size (divided in double precision, rounded to
// 32-bit floats); reverseHorizontal measures U from the right edge, reverseVertical V from the bottom edge.
using UvPixels = std::array<int32_t, 4>;
using UvRatios = std::array<float, 4>;
UvPixels uvRectangle(const TextureImage& image, const Settings& settings);
UvRatios uvRatios(const TextureImage& image, const Settings& settings);

// The three exports as they are written: the binary QUV list ("QUV ", the count, four int32 or four floats per
// image, by Settings::uvRatio), the C/C++ array text declaring UV_LIST, and the #define text. Lines end in "\n".
std::vector<uint8_t> quvList(const TextureCollection& images, const Settings& settings);
std::string uvArrayText(const TextureCollection& images, const Settings& settings);
std::string uvDefinesText(const TextureCollection& images, const Settings& settings);

// A macro name of the #define text: the image name and the suffix, the name cut at a character boundary so that the
// whole stays within 127 bytes and the suffix survives.
std::string uvMacroName(const std::string& imageName, const char* suffix);
