#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

namespace stdfs = std::filesystem;

TempDir::TempDir() {
    static std::mt19937 random{std::random_device{}()};
    stdfs::path candidate;
    do candidate = stdfs::temp_directory_path() / ("quiltbox-test-" + std::to_string(random()));
    while (!stdfs::create_directory(candidate));
    path_ = candidate.string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    stdfs::remove_all(path_, ignored);
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(readWholeFile(path, uint64_t{1} << 32, bytes), FileReadResult::Ok) << "reading " << path;
    return bytes;
}

std::string readText(const std::string& path) {
    const std::vector<uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = openFile(path, "wb");
    ASSERT_NE(file, nullptr) << "creating " << path;
    EXPECT_TRUE(bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    EXPECT_EQ(std::fclose(file), 0);
}

Picture readRaw(const std::string& path) {
    const std::vector<uint8_t> bytes = readBytes(path);
    ByteReader in(bytes);
    Picture p{static_cast<int>(in.u32()), static_cast<int>(in.u32()), {}};
    while (const uint8_t* px = in.remaining() ? in.take(4) : nullptr) p.pixels.push_back({px[0], px[1], px[2], px[3]});
    EXPECT_TRUE(in.ok() && p.pixels.size() == static_cast<size_t>(p.width) * p.height) << path;
    return p;
}

static std::string environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value) ADD_FAILURE() << name << " is not set: run the tests through ctest";
    return value ? value : ".";
}

std::string fixturePath(const std::string& name) {
    return environment("QUILTBOX_FIXTURES") + kPathSeparator + name;
}

std::string sourcePath(const std::string& relative) {
    return (stdfs::path(environment("QUILTBOX_SOURCE_DIR")) / relative).string();
}

std::string outputPath(const std::string& name) {
    // One folder per test program, emptied at its first use in this run.
    static const std::string folder = [] {
        const std::string path = environment("QUILTBOX_OUTPUTS") + kPathSeparator + environment("QUILTBOX_PROGRAM");
        std::error_code ignored;
        stdfs::remove_all(path, ignored);
        stdfs::create_directories(path, ignored);
        return path;
    }();
    return folder + kPathSeparator + name;
}

void recordOutput(const std::string& name, const std::string& expected, const std::string& kind) {
    FILE* manifest = openFile(outputPath("manifest.txt"), "ab");
    ASSERT_NE(manifest, nullptr);
    std::fprintf(manifest, "%s %s %s\n", name.c_str(), expected.c_str(), kind.c_str());
    std::fclose(manifest);
}

void expectDecodedAs(const std::string& name, const Picture& picture, const std::string& kind) {
    ByteWriter out;
    out.u32(static_cast<uint32_t>(picture.width));
    out.u32(static_cast<uint32_t>(picture.height));
    for (const Rgba& p : picture.pixels) out.bytes(&p, 4);
    writeBytes(outputPath(name + ".rgba"), out.buffer());
    recordOutput(name, name + ".rgba", kind);
}

std::string writeSolidImage(const std::string& path, int width, int height, Rgba colour) {
    const bool tga = path.size() >= 4 && path.compare(path.size() - 4, 4, ".tga") == 0;
    const uint32_t w = static_cast<uint32_t>(width), h = static_cast<uint32_t>(height);
    const uint32_t stride = tga ? w * 4 : (w * 3 + 3) & ~3u;
    ByteWriter out;
    if (tga) {  // uncompressed true colour, 32 bits, 8 alpha bits, rows from the bottom
        for (uint32_t v : {0x20000u, 0u, 0u, w | h << 16, 0x0820u}) out.u32(v);
        out.buffer().resize(18);
    } else {
        out.text("BM");
        for (uint32_t v : {54 + stride * h, 0u, 54u, 40u, w, h, 0x180001u, 0u, stride * h, 0u, 0u, 0u, 0u}) out.u32(v);
    }
    for (uint32_t i = 0; i < w * h; ++i) {
        for (uint8_t v : {colour.b, colour.g, colour.r}) out.u8(v);
        if (tga) out.u8(colour.a);
        if (!tga && (i + 1) % w == 0) out.zeros(stride - w * 3);
    }
    writeBytes(path, out.buffer());
    return path;
}
