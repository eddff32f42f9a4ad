#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "base/FileSystem.h"
#include "support/TestSupport.h"
#include "watch/InputScan.h"
#include "watch/WatchSchedule.h"

namespace {

InputScan scanOf(const std::map<std::string, int64_t>& files) {
    InputScan scan;
    for (const auto& [path, time] : files) scan.files.push_back({path, {1, time}});
    return scan;
}

TEST(InputScan, ChangesAreNewChangedAndDeletedFiles) {
    const InputScan before = scanOf({{"a", 1}, {"b", 1}, {"c", 1}, {"e", 1}});
    const InputScan after = scanOf({{"a", 1}, {"b", 2}, {"d", 1}, {"e", 1}, {"f", 1}});
    const ScanChanges changes = changesBetween(before, after);
    EXPECT_EQ(changes.added, (std::vector<std::string>{"d", "f"}));
    EXPECT_EQ(changes.changed, (std::vector<std::string>{"b"}));
    EXPECT_EQ(changes.removed, (std::vector<std::string>{"c"}));
    EXPECT_TRUE(changesBetween(after, after).empty());
    EXPECT_EQ(changesBetween({}, after).added.size(), 5u);
    EXPECT_EQ(changesBetween(before, {}).removed.size(), 4u);
}

TEST(InputScan, WalksTheFoldersTakesTheFilesAndLeavesOutTheOutputs) {
    TempDir dir;
    const char s = kPathSeparator;
    const std::string sprites = dir.file("sprites"), deep = sprites + s + "hero" + s + "run";
    ASSERT_TRUE(createFolder(sprites) && createFolder(sprites + s + "hero") && createFolder(deep));
    writeBytes(sprites + s + "a.png", std::string("a"));
    writeBytes(deep + s + "01.9.png", std::string("nine"));
    writeBytes(deep + s + "notes.txt", std::string("not an image"));
    writeBytes(sprites + s + "atlas.png", std::string("an output among the inputs"));
    writeBytes(dir.file("quiltbox.toml"), std::string("[[atlas]]"));
    WatchedInputs inputs;
    inputs.folders = {sprites, dir.file("gone")};
    inputs.files = {dir.file("quiltbox.toml"), sprites + s + "a.png", dir.file("missing.png")};
    inputs.excluded = {sprites + s + "atlas.png"};
    const auto images = [](const std::string& path) {
        return path.size() > 4 && path.substr(path.size() - 4) == ".png";
    };
    const InputScan scan = scanInputs(inputs, images);
    std::vector<std::string> paths;
    for (const ScannedFile& f : scan.files) paths.push_back(f.path);
    std::vector<std::string> expected = {sprites + s + "a.png", deep + s + "01.9.png", dir.file("quiltbox.toml")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(paths, expected);

    // A sprite saved again, one deleted, one added: each a change; the scan of an unchanged tree is equal.
    EXPECT_EQ(scanInputs(inputs, images), scan);
    writeBytes(deep + s + "01.9.png", std::string("nine patch"));
    ASSERT_TRUE(removeFile(sprites + s + "a.png"));
    writeBytes(deep + s + "02.png", std::string("new"));
    const ScanChanges changes = changesBetween(scan, scanInputs(inputs, images));
    EXPECT_EQ(changes.changed, std::vector<std::string>{deep + s + "01.9.png"});
    EXPECT_EQ(changes.removed, std::vector<std::string>{sprites + s + "a.png"});
    EXPECT_EQ(changes.added, std::vector<std::string>{deep + s + "02.png"});
}

// Files that change at given moments, a clock that moves only when the watch sleeps or packs, and the packs made.
struct Timeline {
    std::vector<std::pair<int64_t, std::map<std::string, int64_t>>> states;  // from each moment on, these files
    int64_t now = 0, end = 0, packTakes = 0;
    std::vector<std::pair<int64_t, ScanChanges>> packs;

    InputScan at(int64_t t) const {
        std::map<std::string, int64_t> files;
        for (const auto& [from, state] : states) {
            if (from <= t) files = state;
        }
        return scanOf(files);
    }
    WatchHooks hooks() {
        WatchHooks h;
        h.scan = [this] { return at(now); };
        h.pack = [this](const InputScan& scan, const ScanChanges& changes) {
            EXPECT_EQ(scan, at(now));
            packs.push_back({now, changes});
            now += packTakes;
        };
        h.nowMs = [this] { return now; };
        h.sleep = [this](int64_t ms) { now += ms; };
        h.stopped = [this] { return now >= end; };
        return h;
    }
};

TEST(WatchSchedule, PacksOnceASeriesOfChangesHasSettled) {
    Timeline t;
    t.end = 10000;
    t.states = {{0, {{"a", 0}}},
                {1000, {{"a", 0}, {"b", 1000}}},     // added
                {3000, {{"a", 3000}, {"b", 1000}}},  // changed, then written again and again
                {3100, {{"a", 3100}, {"b", 1000}}},
                {3250, {{"a", 3250}, {"b", 1000}}},
                {5000, {{"a", 3250}}},  // deleted
                {7000, {{"a", 7000}}},  // changed and put back before it settled
                {7100, {{"a", 3250}}}};
    runWatch(t.hooks(), t.at(0), 100, 300);
    ASSERT_EQ(t.packs.size(), 3u);
    EXPECT_EQ(t.packs[0].first, 1300);  // seen at 1000, nothing more for 300 ms
    EXPECT_EQ(t.packs[0].second.added, std::vector<std::string>{"b"});
    EXPECT_EQ(t.packs[1].first, 3600);  // three writes give one pack, 300 ms after the last one was seen
    EXPECT_EQ(t.packs[1].second.changed, std::vector<std::string>{"a"});
    EXPECT_EQ(t.packs[2].first, 5300);
    EXPECT_EQ(t.packs[2].second.removed, std::vector<std::string>{"b"});
}

TEST(WatchSchedule, AChangeDuringAPackIsPackedAfterIt) {
    Timeline t;
    t.end = 5000;
    t.packTakes = 1000;
    t.states = {{0, {{"a", 0}}}, {500, {{"a", 500}}}, {1200, {{"a", 1200}}}};
    runWatch(t.hooks(), t.at(0), 100, 300);
    ASSERT_EQ(t.packs.size(), 2u);
    EXPECT_EQ(t.packs[0].first, 800);
    EXPECT_EQ(t.packs[1].first, 2100);  // seen right after the pack ended at 1800
    EXPECT_EQ(t.packs[1].second.changed, std::vector<std::string>{"a"});

    // Inputs changed while the build before the watch ran are packed as soon as they settle.
    Timeline late;
    late.end = 1000;
    late.states = {{0, {{"a", 9}}}};
    runWatch(late.hooks(), scanOf({{"a", 1}}), 100, 300);
    ASSERT_EQ(late.packs.size(), 1u);
    EXPECT_EQ(late.packs[0].first, 300);
}

}  // namespace
