#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/FuzzTargets.h"
#include "support/TestSupport.h"

// The fuzzers' committed inputs, fed to the fuzz targets' own functions in the ordinary builds: natively with the
// sanitizers and under Wine. A crash here is a crash there; a broken property fails the input's check.

namespace {

namespace stdfs = std::filesystem;

// Each seed is a sound file that the reader takes whole, with every property holding; cut in half it is refused (a
// project then misses the images behind the cut), so the acceptance means something. Every input kept in
// tests/fuzz/regressions (one that once crashed the core or broke a property) keeps every property.
TEST(FuzzReplay, SeedsAreTakenWholeAndRefusedCutAndRegressionsHold) {
    const std::pair<const char*, FuzzOutcome (*)(const uint8_t*, size_t)> targets[] = {
        {"bmp", fuzzBmp}, {"tga", fuzzTga}, {"png", fuzzPng}, {"settings", fuzzSettings}, {"project", fuzzProject}};
    for (const auto& [name, run] : targets) {
        int seeds = 0;
        for (const char* kind : {"corpus", "regressions"}) {
            std::error_code absent;
            for (const auto& entry :
                 stdfs::directory_iterator(sourcePath("tests/fuzz/" + std::string(kind) + "/" + name), absent)) {
                std::vector<uint8_t> bytes = readBytes(entry.path().string());
                const FuzzOutcome whole = run(bytes.data(), bytes.size());
                EXPECT_EQ(whole.broken, "") << entry.path();
                if (kind == std::string("regressions")) continue;
                ++seeds;
                EXPECT_TRUE(whole.accepted) << entry.path();
                const FuzzOutcome half = run(bytes.data(), bytes.size() / 2);
                EXPECT_FALSE(half.accepted) << entry.path() << " cut in half";
                EXPECT_EQ(half.broken, "") << entry.path() << " cut in half";
            }
        }
        EXPECT_GE(seeds, 3) << name;
    }
}

}  // namespace
