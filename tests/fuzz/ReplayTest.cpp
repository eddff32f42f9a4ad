#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "fuzz/FuzzTargets.h"
#include "support/TestSupport.h"

// The fuzzers' committed inputs, fed to the fuzz targets' own functions in the ordinary builds: natively with the
// sanitizers and under Wine. A crash here is a crash there; a broken property fails the input's check.

namespace {

namespace stdfs = std::filesystem;

struct Target {
    const char* name;  // the folder under tests/fuzz/corpus and tests/fuzz/regressions
    FuzzOutcome (*run)(const uint8_t* data, size_t size);
};

void PrintTo(const Target& target, std::ostream* out) {
    *out << target.name;
}

const Target kTargets[] = {
    {"bmp", fuzzBmp},
    {"tga", fuzzTga},
    {"png", fuzzPng},
    {"settings", fuzzSettings},
    {"project", fuzzProject},
};

// The files of tests/fuzz/<kind>/<target>, in name order; none when the folder does not exist.
std::vector<std::string> inputs(const char* kind, const char* target) {
    const char* source = std::getenv("QUILTBOX_SOURCE_DIR");
    if (!source) {
        ADD_FAILURE() << "QUILTBOX_SOURCE_DIR is not set: run the tests through ctest";
        return {};
    }
    const stdfs::path folder = stdfs::path(source) / "tests" / "fuzz" / kind / target;
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : stdfs::directory_iterator(folder, error)) {
        if (entry.is_regular_file())
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

FuzzOutcome replay(const Target& target, const std::vector<uint8_t>& bytes) {
    return target.run(bytes.data(), bytes.size());
}

class ReplayTest : public testing::TestWithParam<Target> {};

// The seeds are where fuzzing starts: each is a sound file that the reader takes whole.
TEST_P(ReplayTest, EverySeedIsTakenWithEveryPropertyHolding) {
    const std::vector<std::string> seeds = inputs("corpus", GetParam().name);
    ASSERT_GE(seeds.size(), 3u) << "too few seeds";
    for (const std::string& path : seeds) {
        const FuzzOutcome outcome = replay(GetParam(), readBytes(path));
        EXPECT_TRUE(outcome.accepted) << path;
        EXPECT_EQ(outcome.broken, "") << path;
    }
}

// The acceptance above means something: a seed cut off in its middle is refused (for a project, the images behind the
// cut are missing).
TEST_P(ReplayTest, EverySeedCutInHalfIsRefused) {
    for (const std::string& path : inputs("corpus", GetParam().name)) {
        std::vector<uint8_t> bytes = readBytes(path);
        bytes.resize(bytes.size() / 2);
        const FuzzOutcome outcome = replay(GetParam(), bytes);
        EXPECT_FALSE(outcome.accepted) << path;
        EXPECT_EQ(outcome.broken, "") << path;
    }
}

// Every input that once crashed the core or broke a property, kept with its fix.
TEST_P(ReplayTest, EveryRegressionInputKeepsEveryProperty) {
    const std::vector<std::string> regressions = inputs("regressions", GetParam().name);
    if (regressions.empty())
        GTEST_SKIP() << "no regression inputs for " << GetParam().name;
    for (const std::string& path : regressions)
        EXPECT_EQ(replay(GetParam(), readBytes(path)).broken, "") << path;
}

INSTANTIATE_TEST_SUITE_P(Fuzz, ReplayTest, testing::ValuesIn(kTargets), [](const auto& info) {
    return std::string(info.param.name);
});

}  // namespace
