#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What the fuzzers run on one input, as plain functions: the libFuzzer executables (FuzzEntry.cpp) and the replay test
// (ReplayTest.cpp) call the same code. Each function feeds the input to one reader, then uses whatever the reader took
// the way the program would, and checks what every result must satisfy. Failures of the reader are reported through
// the message seam; the functions count them and show nothing.

struct FuzzOutcome {
    // The reader took the input as a sound file (for a project: loaded it with every image it names, no message).
    bool accepted = false;
    // The first property of the result that did not hold; empty when all held.
    std::string broken;
};

// decodeBmp on the input as a whole BMP file, then the image through TextureImage onto a small atlas.
FuzzOutcome fuzzBmp(const uint8_t* data, size_t size);
// decodeTga the same way.
FuzzOutcome fuzzTga(const uint8_t* data, size_t size);
// decodePng the same way; an image it takes is also written as PNG and read back unchanged.
FuzzOutcome fuzzPng(const uint8_t* data, size_t size);
// Settings::readFrom on the input, then the record it took: written, read back, and the ID header made from it.
FuzzOutcome fuzzSettings(const uint8_t* data, size_t size);
// A whole project load. The input holds a project file and up to four image files, parted by the eight bytes
// "#QBFILE#" (a separator rather than lengths, so that a mutation inside one part leaves the others as they were);
// parts beyond the fifth are ignored. They are written into a new private folder as project.qbp, a.bmp, b.tga, c.bmp
// and d.tga, and loadProjectFile reads the project, which may name those files (".\a.bmp" in relative mode). The
// loaded collection is then laid out, composed onto a small atlas, exported as texts, saved, loaded again and pruned.
// The folder goes at the end of every run. Its parent is QUILTBOX_FUZZ_TMP when set, else /dev/shm where it exists,
// else the system's temporary folder.
FuzzOutcome fuzzProject(const uint8_t* data, size_t size);
