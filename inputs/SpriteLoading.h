#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "atlas/Sprite.h"
#include "atlas/SpritePreparation.h"
#include "inputs/InputFiles.h"

class TextureCollection;

// Loads the files into `images` in their order (by the collection's image-kind rule) and makes a sprite of each, in
// the same order: the image gets the design's name of its stem (designName), made unique as the collection makes a
// file's name; the sprite gets the frame name; a nine-patch's border is read and cut off, and its edges go on the
// sprite. Failures are reported as they come: a file the collection cannot load through the message seam, as every
// load; a nine-patch with a malformed border into `problems` ("PATH: what is wrong"), and it gets no sprite.
// Returns the number of files that failed either way; `step` hears how many files are done.
// The files are decoded a batch at a time on up to `threads` threads (0: one per core); each batch is then taken in
// file order on the calling thread, so that images, names, sprites and messages come out the same for any number.
size_t loadSprites(const std::vector<InputFile>& files,
                   TextureCollection& images,
                   std::vector<Sprite>& sprites,
                   std::vector<std::string>& problems,
                   const StepReport& step,
                   unsigned threads = 1);
