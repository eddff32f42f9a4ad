#pragma once

#include <cstdint>

#include "base/Rect.h"
#include "image/DecodedImage.h"

class TextureImage;

// How a sprite's pixels are resampled to another size:
// - Default: stb_image_resize's own choice (Mitchell when shrinking, Catmull-Rom when enlarging), colours taken as
//   stored (no sRGB decoding), edge pixels repeated beyond the edges, and each colour weighted by its alpha, so that
//   the colours of invisible pixels never bleed into visible ones;
// - Box: the same with a box filter (an exact average where the ratio is a whole number);
// - Nearest: each pixel the source pixel under its centre, for pixel art: no colour that was not there before.
enum class ResizeFilter { Default, Box, Nearest };

// The `part` of the image resampled to width x height (each 1 or more) as an image of its own, in the readers' layout
// (DecodedImage.h), with an alpha plane when the image has one. The part's own size gives its pixels copied as they
// are. False when the memory cannot be had.
bool resizePart(const TextureImage& image,
                const Rect& part,
                int32_t width,
                int32_t height,
                ResizeFilter filter,
                DecodedImage& out);
