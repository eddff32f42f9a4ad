#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A file a command reads or writes, with what named it on the command line ("--png", "the input").
struct NamedFile {
    std::string label;
    std::string path;  // a full program path
    bool output = true;
    // An input's size where a folder's listing just gave it: an input of a size no existing output has cannot be one
    // of them, and is not looked at again.
    std::optional<uint64_t> knownSize;
};

// The first two entries that name one file, at least one of them an output (an input may be named twice): the same
// comparable path (FileSystem.h), or, where both exist, one file on disk reached by two paths (a link, another
// spelling the text cannot see through). False when every output has a file of its own.
bool findSameFile(const std::vector<NamedFile>& files, size_t& first, size_t& second);
