#pragma once

#include <string>

#include "atlas/Sprite.h"

class TextureImage;

// A nine-patch ("NAME.9.png") as Android and libGDX draw them: the image has a border of one pixel around it, whose
// pixels are black marks (colour 0, 0, 0 and alpha 255) or fully transparent. The marks on the top row and the left
// column each make one run: the columns and rows that stretch; those on the bottom row and the right column, each one
// run or none, the content area (none: the stretching area's columns or rows). The corners hold no mark.

// The edges the border marks, in the pixels of the image without its border: `slices` the widths that keep their size
// on each side of the stretching area, `padding` those around the content area. False with `error` naming the pixel
// (x, y) at fault, counted from the file's top-left corner, border included.
bool readNinePatch(const TextureImage& image, Edges& slices, Edges& padding, std::string& error);

// Replaces the image's pixels with those inside the border; its path and name stay. The image is at least 3 x 3.
void cutNinePatchBorder(TextureImage& image);
