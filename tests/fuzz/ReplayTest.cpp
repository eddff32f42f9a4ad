#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/FuzzTargets.h"
#include "support/TestSupport.h"

namespace {

// The fuzz targets on their committed seeds, each taken whole and refused cut in half (so that the acceptance means
// something), and on the inputs kept in tests/fuzz/regressions: every property holds, natively and under Wine.
TEST(FuzzReplay, SeedsAreTakenWholeAndRefusedCutAndRegressionsHold) {
    const std::pair<const char*, FuzzOutcome (*)(const uint8_t*, size_t)> targets[] = {
        {"bmp", fuzzBmp},           {"tga", fuzzTga},         {"png", fuzzPng},
        {"settings", fuzzSettings}, {"project", fuzzProject}, {"recipe", fuzzRecipe}};
    for (const auto& [name, run] : targets) {
        int seeds = 0;
        for (const std::string kind : {"corpus", "regressions"}) {
            std::error_code absent;
            const std::string folder = sourcePath("tests/fuzz/" + kind + "/" + name);
            for (const auto& entry : std::filesystem::directory_iterator(folder, absent)) {
                std::vector<uint8_t> bytes = readBytes(entry.path().string());
                const FuzzOutcome whole = run(bytes.data(), bytes.size());
                EXPECT_EQ(whole.broken, "") << entry.path();
                if (kind == "regressions") continue;
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
