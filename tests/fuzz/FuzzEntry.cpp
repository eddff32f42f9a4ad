// The libFuzzer entry of one fuzzer executable; CMake names its function (FuzzTargets.h) in QUILTBOX_FUZZ_TARGET.
#include <cstdio>
#include <cstdlib>

#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzOutcome outcome = QUILTBOX_FUZZ_TARGET(data, size);
    if (outcome.broken.empty()) return 0;
    std::fprintf(stderr, "quiltbox fuzz: %s\n", outcome.broken.c_str());  // a finding: libFuzzer keeps the input
    std::abort();
}
