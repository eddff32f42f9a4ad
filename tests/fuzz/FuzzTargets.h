#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What the fuzzers run on one input, as plain functions shared by the libFuzzer executables (FuzzEntry.cpp) and the
// replay test: each feeds the input to one reader, uses what it took the way the program would, and checks what every
// result must satisfy. Messages are counted, never shown.
struct FuzzOutcome {
    bool accepted = false;  // taken as a sound file (a project: with every image it names, without a message)
    std::string broken;     // the first property that did not hold; empty when all held
};

// decodeBmp / decodeTga on the input as a whole file, then the image copied around a small atlas.
FuzzOutcome fuzzBmp(const uint8_t* data, size_t size);
FuzzOutcome fuzzTga(const uint8_t* data, size_t size);
// decodePng the same way; an image it takes is also written as PNG and read back unchanged.
FuzzOutcome fuzzPng(const uint8_t* data, size_t size);
// Settings::readFrom on the input; a record taken is written, read back and made into an ID header.
FuzzOutcome fuzzSettings(const uint8_t* data, size_t size);
// A project file and up to four image files, parted by "#QBFILE#" (a separator rather than lengths, so that a mutation
// inside one part leaves the others), written into a private folder as project.qbp, a.bmp, b.tga, c.bmp and d.tga
// (below QUILTBOX_FUZZ_TMP when set, else /dev/shm where it exists, else the temporary folder). The project is loaded,
// laid out, composed, exported, saved, loaded again and pruned.
FuzzOutcome fuzzProject(const uint8_t* data, size_t size);
