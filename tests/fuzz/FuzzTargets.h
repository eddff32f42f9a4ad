#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What the fuzzers run on one input, shared by the libFuzzer executables (FuzzEntry.cpp) and the replay test: each
// feeds the input to one reader, uses what it took the way the program would, and checks what must hold.
struct FuzzOutcome {
    bool accepted = false;  // taken as a sound file (a project: with every image it names, without a message)
    std::string broken;     // the first property that did not hold; empty when all held
};

FuzzOutcome fuzzBmp(const uint8_t* data, size_t size);
FuzzOutcome fuzzTga(const uint8_t* data, size_t size);
FuzzOutcome fuzzPng(const uint8_t* data, size_t size);
FuzzOutcome fuzzSettings(const uint8_t* data, size_t size);
// A project file and up to four image files, parted by "#QBFILE#" (so that a mutation inside one part leaves the
// others), written as project.qbp, a.bmp, b.tga, c.bmp and d.tga into a private folder below QUILTBOX_FUZZ_TMP (else
// the temporary folder); loaded, laid out, composed, exported, saved and loaded again.
FuzzOutcome fuzzProject(const uint8_t* data, size_t size);
// A recipe's text (quiltbox.toml), read with the pack's keys; one taken is written and read back.
FuzzOutcome fuzzRecipe(const uint8_t* data, size_t size);
