#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "base/FileSystem.h"
#include "incremental/BuildState.h"
#include "incremental/ContentHash.h"
#include "incremental/UpToDate.h"
#include "support/TestSupport.h"

namespace {

TEST(ContentHash, EveryBitAndLengthCounts) {
    std::vector<uint8_t> bytes(100);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    std::set<uint64_t> seen = {contentHash(bytes)};
    for (size_t bit = 0; bit < bytes.size() * 8; ++bit) {
        std::vector<uint8_t> flipped = bytes;
        flipped[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
        seen.insert(contentHash(flipped));
    }
    for (size_t n = 0; n < 20; ++n) seen.insert(contentHash(std::vector<uint8_t>(n, 0)));
    EXPECT_EQ(seen.size(), 1 + bytes.size() * 8 + 20);
    EXPECT_EQ(contentHash(bytes), contentHash(bytes.data(), bytes.size()));
}

TEST(FileStamp, TellsFilesAndListsAFolderWithoutFollowingLinksToFolders) {
    TempDir dir;
    writeBytes(dir.file("a.png"), std::string("12345"));
    ASSERT_TRUE(createFolder(dir.file("sub")));
    writeBytes(dir.file("sub") + kPathSeparator + "b.tga", std::string("1"));
    writeBytes(dir.file("日本.bmp"), std::string("12"));
    FileStamp stamp, again;
    ASSERT_TRUE(fileStamp(dir.file("a.png"), stamp));
    EXPECT_EQ(stamp.size, 5u);
    EXPECT_FALSE(fileStamp(dir.file("sub"), again));
    EXPECT_FALSE(fileStamp(dir.file("none"), again));
    writeBytes(dir.file("a.png"), std::string("123456"));
    ASSERT_TRUE(fileStamp(dir.file("a.png"), again));
    EXPECT_NE(again, stamp);
#ifndef _WIN32
    std::filesystem::create_directory_symlink(dir.file("sub"), dir.file("loop"));
    std::filesystem::create_symlink(dir.file("a.png"), dir.file("link.png"));
#endif
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(listFolder(dir.path(), entries));
    std::map<std::string, FolderEntry> byName;
    for (const FolderEntry& e : entries) byName[e.name] = e;
    EXPECT_TRUE(byName.count("loop") == 0 || byName.at("loop").kind == FolderEntry::Kind::LinkedFolder);
    EXPECT_EQ(byName.at("sub").kind, FolderEntry::Kind::Folder);
    EXPECT_EQ(byName.at("a.png").stamp, again);
    EXPECT_EQ(byName.at("日本.bmp").stamp.size, 2u);  // the name as a program text
#ifndef _WIN32
    EXPECT_EQ(byName.at("link.png").stamp, again);  // a link to a file is the file
    EXPECT_EQ(entries.size(), 5u);
#else
    EXPECT_EQ(entries.size(), 3u);
#endif
    ASSERT_TRUE(createFolder(dir.file("empty")));
    EXPECT_TRUE(listFolder(dir.file("empty"), entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(listFolder(dir.file("none"), entries));
    EXPECT_FALSE(listFolder(dir.file("a.png"), entries));
}

BuildState sampleState() {
    BuildState s;
    s.programVersion = "1.1.0";
    s.options = {"--size", "tight", "--trim", "日本"};
    s.inputs = {{"/p/a.png", {10, 1700000000123456789}, 0x1122334455667788u, 0x99AABBCCDDEEFF00u},
                {"/p/b.tga", {0, -5}, 1, 0}};
    s.outputs = {{"/p/out/atlas.png", {4096, 42}, 7}, {"/p/out/atlas.json", {1, 2}, 3}};
    s.pages = {{256, 128}, {64, 64}};
    // Places of empty names: records of the least size, which the count check must still admit.
    s.places = {{"", 0, 1, 2, 30, 40, true}, {"", 1, 0, 0, 1, 1, false}, {"", 1, 2, 0, 1, 1, true}};
    return s;
}

TEST(BuildState, ReadsBackWhatWasWritten) {
    const BuildState state = sampleState();
    const std::vector<uint8_t> bytes = encodeBuildState(state);
    BuildState read;
    ASSERT_EQ(decodeBuildState(bytes.data(), bytes.size(), read), StateReading::Ok);
    EXPECT_EQ(read, state);
    BuildState empty, readEmpty = state;
    const std::vector<uint8_t> none = encodeBuildState(empty);
    ASSERT_EQ(decodeBuildState(none.data(), none.size(), readEmpty), StateReading::Ok);
    EXPECT_EQ(readEmpty, empty);

    TempDir dir;
    ASSERT_TRUE(saveBuildState(dir.file("state"), state));
    EXPECT_EQ(loadBuildState(dir.file("state"), read), StateReading::Ok);
    EXPECT_EQ(read, state);
    EXPECT_EQ(loadBuildState(dir.file("none"), read), StateReading::Missing);
    EXPECT_EQ(loadBuildState(dir.path(), read), StateReading::Damaged);  // a folder where the file should be
    EXPECT_FALSE(saveBuildState(dir.file("none") + kPathSeparator + "state", state));
}

// A state file whose checksum is made right again after a change, as a careless writer (or an attacker) would.
std::vector<uint8_t> withChecksum(std::vector<uint8_t> bytes) {
    bytes.resize(bytes.size() - 8);
    const uint64_t sum = contentHash(bytes);
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(sum >> (8 * i)));
    return bytes;
}

TEST(BuildState, RefusesDamageOfEveryKindWithoutTouchingTheState) {
    const std::vector<uint8_t> good = encodeBuildState(sampleState());
    const BuildState untouched = sampleState();
    BuildState state = untouched;
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_NE(decodeBuildState(good.data(), n, state), StateReading::Ok) << "cut at " << n;
    }
    for (size_t at = 0; at < good.size(); ++at) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0x40;
        EXPECT_NE(decodeBuildState(bad.data(), bad.size(), state), StateReading::Ok) << "byte " << at;
        // The same damage behind a right checksum: read or refused, never more than the bytes hold.
        bad = withChecksum(bad);
        decodeBuildState(bad.data(), bad.size(), state);
    }
    state = untouched;
    std::vector<uint8_t> future = good;
    future[8] = 2;
    EXPECT_EQ(decodeBuildState(future.data(), future.size(), state), StateReading::OtherVersion);
    // A count far beyond the bytes, a text beyond its limit, a turn flag of 2, bytes left over: all damaged.
    const size_t optionCount = 8 + 4 + 4 + 5;
    std::vector<uint8_t> counted = good;
    counted[optionCount + 3] = 0x7F;
    std::vector<uint8_t> longText = good;
    longText[12 + 2] = 0x01;  // the program version's length becomes 65541
    std::vector<uint8_t> turned = good;
    turned[turned.size() - 9] = 2;
    std::vector<uint8_t> extra = good;
    extra.insert(extra.end() - 8, 0);
    for (const auto& bad : {counted, longText, turned, extra}) {
        const std::vector<uint8_t> summed = withChecksum(bad);
        EXPECT_EQ(decodeBuildState(summed.data(), summed.size(), state), StateReading::Damaged);
    }
    EXPECT_EQ(state, untouched);
    EXPECT_STREQ(stateReadingText(StateReading::OtherVersion), "the record of the earlier build is of another version");
}

// Files in memory: each path's stamp, bytes' hash and pixels' hash, with a count of what was read.
struct FakeFiles {
    struct File {
        FileStamp stamp;
        uint64_t bytes = 0, pixels = 0;
    };
    std::map<std::string, File> files;
    int reads = 0;

    FileProbe probe() {
        FileProbe p;
        p.contentHash = [this](const std::string& path, uint64_t& hash) {
            ++reads;
            const auto found = files.find(path);
            if (found == files.end()) return false;
            hash = found->second.bytes;
            return true;
        };
        p.pixelHash = [this](const std::string& path, uint64_t& hash) {
            ++reads;
            const auto found = files.find(path);
            if (found == files.end() || found->second.pixels == 0) return false;
            hash = found->second.pixels;
            return true;
        };
        p.stamp = [this](const std::string& path, FileStamp& stamp) {
            const auto found = files.find(path);
            if (found == files.end()) return false;
            stamp = found->second.stamp;
            return true;
        };
        return p;
    }
};

TEST(UpToDate, PacksExactlyWhenSomethingThatMattersChanged) {
    const auto base = [] {
        FakeFiles f;
        f.files = {{"a.png", {{10, 1}, 100, 1000}}, {"b.png", {{20, 2}, 200, 2000}}, {"out.png", {{99, 9}, 900, 0}}};
        return f;
    };
    BuildState earlier;
    earlier.programVersion = "1.1.0";
    earlier.options = {"--trim"};
    earlier.inputs = {{"a.png", {10, 1}, 100, 1000}, {"b.png", {20, 2}, 200, 2000}};
    earlier.outputs = {{"out.png", {99, 9}, 900}};
    const std::vector<std::string> ab = {"a.png", "b.png"};
    const auto keep = [](FakeFiles&) {};
    const auto set = [](const char* path, FakeFiles::File file) { return [=](FakeFiles& f) { f.files[path] = file; }; };
    const auto erase = [](const char* path) { return [=](FakeFiles& f) { f.files.erase(path); }; };
    const auto touch = [](const char* path) { return [=](FakeFiles& f) { f.files[path].stamp.modified = 10; }; };
    const std::string changedOutput = "out.png is missing or no longer what was written";
    const struct {
        const char* what;
        std::function<void(FakeFiles&)> change;
        std::vector<std::string> inputs;
        std::string version, option;
        bool upToDate, restamped;
        std::string reason;
    } cases[] = {
        {"nothing", keep, ab, "1.1.0", "--trim", true, false, ""},
        {"a time", touch("a.png"), ab, "1.1.0", "--trim", true, true, ""},
        {"the bytes, not the pixels", set("a.png", {{11, 5}, 101, 1000}), ab, "1.1.0", "--trim", true, true, ""},
        {"the pixels", set("a.png", {{11, 5}, 101, 1001}), ab, "1.1.0", "--trim", false, false, "a.png changed"},
        {"unreadable", erase("a.png"), ab, "1.1.0", "--trim", false, false, "a.png changed"},
        {"added", keep, {"a.png", "b.png", "c.png"}, "1.1.0", "--trim", false, false, "c.png was added"},
        {"removed", keep, {"a.png"}, "1.1.0", "--trim", false, false, "b.png was removed"},
        {"one added before", keep, {"0.png", "a.png", "b.png"}, "1.1.0", "--trim", false, false, "0.png was added"},
        {"reordered", keep, {"b.png", "a.png"}, "1.1.0", "--trim", false, false, "the inputs' order changed"},
        {"the program", keep, ab, "1.2.0", "--trim", false, false, "the program changed (1.1.0 before, 1.2.0 now)"},
        {"an option", keep, ab, "1.1.0", "--rotate", false, false, "the options changed"},
        {"an output deleted", erase("out.png"), ab, "1.1.0", "--trim", false, false, changedOutput},
        {"an output edited", set("out.png", {{99, 10}, 901, 0}), ab, "1.1.0", "--trim", false, false, changedOutput},
        {"an output touched", touch("out.png"), ab, "1.1.0", "--trim", true, true, ""},
    };
    for (const auto& c : cases) {
        FakeFiles files = base();
        c.change(files);
        std::vector<CurrentInput> inputs;
        for (const std::string& path : c.inputs) {
            const auto found = files.files.find(path);
            inputs.push_back({path, found != files.files.end() ? found->second.stamp : FileStamp{0, -1}});
        }
        const UpToDateCheck check = checkUpToDate(earlier, c.version, {c.option}, inputs, files.probe(), INT64_MAX);
        EXPECT_EQ(check.upToDate, c.upToDate) << c.what;
        EXPECT_EQ(check.restamped, c.restamped) << c.what;
        EXPECT_EQ(check.reason, c.reason) << c.what;
        if (std::string(c.what) == "nothing") {
            EXPECT_EQ(files.reads, 0) << "an unchanged stamp reads nothing";
        }
        if (!check.upToDate) continue;
        // The state to keep carries today's stamps and hashes, so that the next check reads nothing.
        for (size_t i = 0; i < inputs.size(); ++i) {
            EXPECT_EQ(check.state.inputs[i].stamp, inputs[i].stamp) << c.what;
            EXPECT_EQ(check.state.inputs[i].contentHash, files.files[inputs[i].path].bytes) << c.what;
        }
        EXPECT_EQ(check.state.outputs[0].stamp, files.files["out.png"].stamp) << c.what;
        files.reads = 0;
        EXPECT_TRUE(checkUpToDate(check.state, c.version, {c.option}, inputs, files.probe(), INT64_MAX).upToDate);
        EXPECT_EQ(files.reads, 0) << c.what;
    }
}

// A file written again within the clock's tick in which it was read keeps its stamp: stamps from the last moments
// before the state was saved are checked by the contents.
TEST(UpToDate, ComparesTheContentsOfFilesWrittenJustBeforeTheState) {
    FakeFiles files;
    files.files = {{"a.png", {{10, 1000}, 100, 0}}, {"out.png", {{5, 2000}, 50, 0}}};
    BuildState earlier;
    earlier.inputs = {{"a.png", {10, 1000}, 100, 0}};
    earlier.outputs = {{"out.png", {5, 2000}, 50}};
    const std::vector<CurrentInput> inputs = {{"a.png", {10, 1000}}};
    const UpToDateCheck trusted = checkUpToDate(earlier, "", {}, inputs, files.probe(), 2001);
    EXPECT_TRUE(trusted.upToDate);
    EXPECT_EQ(files.reads, 0);
    EXPECT_EQ(trusted.newestRacyStamp, INT64_MIN);
    const UpToDateCheck racy = checkUpToDate(earlier, "", {}, inputs, files.probe(), 1000);
    EXPECT_TRUE(racy.upToDate && !racy.restamped);
    EXPECT_EQ(files.reads, 2);              // the input and the output read, their stamps proving nothing
    EXPECT_EQ(racy.newestRacyStamp, 2000);  // a state saved once the clock is past it trusts them both
    EXPECT_EQ(checkUpToDate(earlier, "", {}, inputs, files.probe(), 1500).newestRacyStamp, 2000);
    files.files["a.png"].bytes = 101;
    EXPECT_EQ(checkUpToDate(earlier, "", {}, inputs, files.probe(), 1000).reason, "a.png changed");
    EXPECT_TRUE(checkUpToDate(earlier, "", {}, inputs, files.probe(), 1001).upToDate);
    files.files["out.png"].bytes = 51;
    EXPECT_FALSE(checkUpToDate(earlier, "", {}, inputs, files.probe(), 2000).upToDate);
    EXPECT_EQ(racyStampsFrom({0, 5 * kStampTicksPerSecond}), 3 * kStampTicksPerSecond);
}

TEST(UpToDate, ReadsTheDiskThroughItsProbe) {
    TempDir dir;
    const std::string sprite = dir.file("a.png"), output = dir.file("out.png");
    writeBytes(sprite, std::string("pixels"));
    writeBytes(output, std::string("atlas"));
    const FileProbe probe = diskProbe(nullptr);
    BuildState earlier;
    InputRecord input{sprite, {}, 0, 0};
    OutputRecord written{output, {}, 0};
    ASSERT_TRUE(probe.stamp(sprite, input.stamp) && probe.contentHash(sprite, input.contentHash));
    ASSERT_TRUE(probe.stamp(output, written.stamp) && probe.contentHash(output, written.contentHash));
    earlier.inputs = {input};
    earlier.outputs = {written};
    const std::vector<CurrentInput> same = {{sprite, input.stamp}};
    EXPECT_TRUE(checkUpToDate(earlier, "", {}, same, probe, INT64_MIN).upToDate);
    // Written again with the same bytes under another stamp: still up to date; other bytes without a pixel hash: not.
    const std::vector<CurrentInput> restamped = {{sprite, {input.stamp.size, input.stamp.modified + 1}}};
    EXPECT_TRUE(checkUpToDate(earlier, "", {}, restamped, probe, INT64_MIN).restamped);
    writeBytes(sprite, std::string("pixelz"));
    EXPECT_EQ(checkUpToDate(earlier, "", {}, restamped, probe, INT64_MIN).reason, sprite + " changed");
    writeBytes(output, std::string("atlaz"));
    EXPECT_FALSE(checkUpToDate(earlier, "", {}, same, probe, INT64_MIN).upToDate);
    EXPECT_FALSE(probe.contentHash(dir.file("none"), input.contentHash));
}

}  // namespace
