#include "incremental/BuildState.h"

#include <cstring>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/FileSystem.h"
#include "base/SafeFileWriter.h"
#include "incremental/ContentHash.h"

namespace {

constexpr char kMagic[8] = {'Q', 'B', 'S', 'T', 'A', 'T', 'E', 0x1A};
constexpr size_t kChecksumBytes = 8;
// The fewest bytes each kind of record takes, for checking a count against the bytes left before reading it.
constexpr size_t kLeastText = 4, kLeastInput = kLeastText + 32, kLeastOutput = kLeastText + 24, kLeastPage = 8,
                 kLeastPlace = kLeastText + 21;

void u64(ByteWriter& out, uint64_t v) {
    out.u32(static_cast<uint32_t>(v));
    out.u32(static_cast<uint32_t>(v >> 32));
}

void text(ByteWriter& out, const std::string& s) {
    out.u32(static_cast<uint32_t>(s.size()));
    out.text(s);
}

void stamp(ByteWriter& out, const FileStamp& s) {
    u64(out, s.size);
    u64(out, static_cast<uint64_t>(s.modified));
}

// Fields read through a ByteReader; its failure flag, once set, stays set, so a record is checked once at the end.
class StateReader {
public:
    StateReader(const uint8_t* data, size_t size) : in_(data, size) {}

    uint64_t u64() {
        const uint64_t low = in_.u32();
        return low | uint64_t{in_.u32()} << 32;
    }
    int32_t i32() { return in_.i32(); }
    uint8_t u8() { return in_.u8(); }
    std::string text() {
        const uint32_t length = in_.u32();
        if (length > kMaxBuildStateText || length > in_.remaining()) return fail(), std::string();
        const uint8_t* bytes = in_.take(length);
        return bytes ? std::string(reinterpret_cast<const char*>(bytes), length) : std::string();
    }
    FileStamp stamp() {
        const uint64_t size = u64();
        return {size, static_cast<int64_t>(u64())};
    }
    // A record count that the bytes left can hold, each record taking at least `least` bytes.
    size_t count(size_t least) {
        const uint32_t n = in_.u32();
        if (n > in_.remaining() / least) return fail(), 0;
        return n;
    }
    void fail() { in_.seek(in_.size() + 1); }
    bool ok() const { return in_.ok(); }
    bool atEnd() const { return in_.remaining() == 0; }
    ByteReader& bytes() { return in_; }

private:
    ByteReader in_;
};

bool readRecords(StateReader& in, BuildState& state) {
    state.programVersion = in.text();
    for (size_t i = 0, n = in.count(kLeastText); i < n && in.ok(); ++i) state.options.push_back(in.text());
    for (size_t i = 0, n = in.count(kLeastInput); i < n && in.ok(); ++i) {
        InputRecord r;
        r.path = in.text();
        r.stamp = in.stamp();
        r.contentHash = in.u64();
        r.pixelHash = in.u64();
        state.inputs.push_back(std::move(r));
    }
    for (size_t i = 0, n = in.count(kLeastOutput); i < n && in.ok(); ++i) {
        OutputRecord r;
        r.path = in.text();
        r.stamp = in.stamp();
        r.contentHash = in.u64();
        state.outputs.push_back(std::move(r));
    }
    for (size_t i = 0, n = in.count(kLeastPage); i < n && in.ok(); ++i) {
        const int32_t width = in.i32();
        state.pages.push_back({width, in.i32()});
    }
    for (size_t i = 0, n = in.count(kLeastPlace); i < n && in.ok(); ++i) {
        PlaceRecord r;
        r.name = in.text();
        r.page = in.i32(), r.x = in.i32(), r.y = in.i32(), r.width = in.i32(), r.height = in.i32();
        const uint8_t turned = in.u8();
        if (turned > 1) in.fail();
        r.turned = turned == 1;
        state.places.push_back(std::move(r));
    }
    return in.ok() && in.atEnd();
}

}  // namespace

std::vector<uint8_t> encodeBuildState(const BuildState& state) {
    ByteWriter out;
    out.bytes(kMagic, sizeof kMagic);
    out.u32(kBuildStateVersion);
    text(out, state.programVersion);
    out.u32(static_cast<uint32_t>(state.options.size()));
    for (const std::string& option : state.options) text(out, option);
    out.u32(static_cast<uint32_t>(state.inputs.size()));
    for (const InputRecord& r : state.inputs) {
        text(out, r.path);
        stamp(out, r.stamp);
        u64(out, r.contentHash);
        u64(out, r.pixelHash);
    }
    out.u32(static_cast<uint32_t>(state.outputs.size()));
    for (const OutputRecord& r : state.outputs) {
        text(out, r.path);
        stamp(out, r.stamp);
        u64(out, r.contentHash);
    }
    out.u32(static_cast<uint32_t>(state.pages.size()));
    for (const PageRecord& p : state.pages) out.i32(p.width), out.i32(p.height);
    out.u32(static_cast<uint32_t>(state.places.size()));
    for (const PlaceRecord& r : state.places) {
        text(out, r.name);
        for (int32_t v : {r.page, r.x, r.y, r.width, r.height}) out.i32(v);
        out.u8(r.turned ? 1 : 0);
    }
    u64(out, contentHash(out.buffer()));
    return out.buffer();
}

StateReading decodeBuildState(const uint8_t* data, size_t size, BuildState& state) {
    constexpr size_t kHeader = sizeof kMagic + 4;
    if (size < kHeader + kChecksumBytes || std::memcmp(data, kMagic, sizeof kMagic) != 0) return StateReading::Damaged;
    StateReader in(data, size - kChecksumBytes);
    in.bytes().skip(sizeof kMagic);
    if (in.bytes().u32() != kBuildStateVersion) return StateReading::OtherVersion;
    StateReader checksum(data + size - kChecksumBytes, kChecksumBytes);
    if (checksum.u64() != contentHash(data, size - kChecksumBytes)) return StateReading::Damaged;
    BuildState read;
    if (!readRecords(in, read)) return StateReading::Damaged;
    state = std::move(read);
    return StateReading::Ok;
}

StateReading loadBuildState(const std::string& path, BuildState& state) {
    std::vector<uint8_t> bytes;
    switch (readWholeFile(path, kMaxBuildStateBytes, bytes)) {
        case FileReadResult::Ok:
            return decodeBuildState(bytes.data(), bytes.size(), state);
        case FileReadResult::CannotOpen:
            return fileExists(path) ? StateReading::Damaged : StateReading::Missing;
        default:
            return StateReading::Damaged;
    }
}

bool saveBuildState(const std::string& path, const BuildState& state) {
    return writeFileSafely(path, encodeBuildState(state));
}

const char* stateReadingText(StateReading reading) {
    switch (reading) {
        case StateReading::Ok:
            return "";
        case StateReading::Missing:
            return "there is no earlier build";
        case StateReading::Damaged:
            return "the record of the earlier build is damaged";
        case StateReading::OtherVersion:
            return "the record of the earlier build is of another version";
    }
    return "";
}
