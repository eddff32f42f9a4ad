#pragma once

#include <cstddef>

// A file of the source tree compiled into the program (the built-in templates, atlas/templates/*.mustache): its name
// without extension and its bytes as they stand in the file.
struct EmbeddedFile {
    const char* name;
    const char* bytes;
    size_t size;
};
extern const EmbeddedFile kEmbeddedFiles[];
extern const size_t kEmbeddedFileCount;
