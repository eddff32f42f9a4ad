#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/FileSystem.h"

// What a build remembers of the pack it made, in a small file beside the outputs, so that the next build can tell
// whether anything that matters changed (UpToDate.h) and where every sprite lay (for layouts that stay put).

struct InputRecord {
    std::string path;  // a program path
    FileStamp stamp;
    uint64_t contentHash = 0;  // of the file's bytes (ContentHash.h)
    uint64_t pixelHash = 0;    // of its decoded pixels; 0 when not known

    friend bool operator==(const InputRecord& a, const InputRecord& b) {
        return a.path == b.path && a.stamp == b.stamp && a.contentHash == b.contentHash && a.pixelHash == b.pixelHash;
    }
};

struct OutputRecord {
    std::string path;
    FileStamp stamp;  // as it was right after the write
    uint64_t contentHash = 0;

    friend bool operator==(const OutputRecord& a, const OutputRecord& b) {
        return a.path == b.path && a.stamp == b.stamp && a.contentHash == b.contentHash;
    }
};

struct PageRecord {
    int32_t width = 0;
    int32_t height = 0;

    friend bool operator==(const PageRecord& a, const PageRecord& b) {
        return a.width == b.width && a.height == b.height;
    }
};

// Where a sprite lay: its page, the top-left corner of its kept pixels, the size it was packed at (unturned).
struct PlaceRecord {
    std::string name;
    int32_t page = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool turned = false;

    friend bool operator==(const PlaceRecord& a, const PlaceRecord& b) {
        return a.name == b.name && a.page == b.page && a.x == b.x && a.y == b.y && a.width == b.width &&
               a.height == b.height && a.turned == b.turned;
    }
};

struct BuildState {
    std::string programVersion;
    std::vector<std::string> options;  // everything of the pack's settings that shapes its outputs, as texts
    std::vector<InputRecord> inputs;   // in the pack's order
    std::vector<OutputRecord> outputs;
    std::vector<PageRecord> pages;
    std::vector<PlaceRecord> places;

    friend bool operator==(const BuildState& a, const BuildState& b) {
        return a.programVersion == b.programVersion && a.options == b.options && a.inputs == b.inputs &&
               a.outputs == b.outputs && a.pages == b.pages && a.places == b.places;
    }
};

// The file, little-endian:
//   "QBSTATE" 0x1A, u32 format version (1),
//   text program version, u32 count + texts of the options,
//   u32 count + inputs (text path, u64 size, i64 time, u64 content hash, u64 pixel hash),
//   u32 count + outputs (text path, u64 size, i64 time, u64 content hash),
//   u32 count + pages (i32 width, i32 height),
//   u32 count + places (text name, i32 page, x, y, width, height, u8 turned),
//   u64 content hash of every byte before it.
// A text is a u32 length and that many bytes.
constexpr uint32_t kBuildStateVersion = 1;
// The largest state file read, and the longest text in it.
constexpr uint64_t kMaxBuildStateBytes = uint64_t{256} << 20;
constexpr uint32_t kMaxBuildStateText = 1 << 16;

std::vector<uint8_t> encodeBuildState(const BuildState& state);

// Why a state was not taken; any answer but Ok means the build packs afresh.
enum class StateReading { Ok, Missing, Damaged, OtherVersion };

// Reads a state file's bytes as hostile: a wrong checksum, a count beyond the bytes, a text beyond its limit, bytes
// left over, each is Damaged; another format version is OtherVersion. `state` is set only on Ok.
StateReading decodeBuildState(const uint8_t* data, size_t size, BuildState& state);

StateReading loadBuildState(const std::string& path, BuildState& state);
// Writes the state so that it appears whole or not at all.
bool saveBuildState(const std::string& path, const BuildState& state);

// Why a reading other than Ok leads to a fresh pack, for the user.
const char* stateReadingText(StateReading reading);
