#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "base/Message.h"

// Every message the core reports while the recorder lives, as "caption: text", instead of showing it.
struct MessageRecorder {
    std::vector<std::string> seen;
    MessageHandler previous = setMessageHandler(
        [this](const std::string& text, const std::string& caption) { seen.push_back(caption + ": " + text); });
    ~MessageRecorder() { setMessageHandler(previous); }
};

// A new empty folder under the system's temporary folder, removed with its contents at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + kPathSeparator + name; }

private:
    std::string path_;
};

std::vector<uint8_t> readBytes(const std::string& path);
std::string readText(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
inline void writeBytes(const std::string& path, const std::string& text) {
    writeBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
// A picture in the raw form of the fixture scripts: width and height as uint32, then RGBA rows from the top.
struct Picture {
    int width = 0, height = 0;
    std::vector<Rgba> pixels;
};
Picture readRaw(const std::string& path);

// A file made by tests/fixtures/make_fixtures.py for this run; a file of the source tree; a file in this program's
// folder of outputs, which tests/fixtures/check_outputs.py checks as its manifest line says ("bmp" and "tga": decoded
// and compared with a raw picture; "cpp": compiled and run, its output compared with the expected file).
std::string fixturePath(const std::string& name);
std::string sourcePath(const std::string& relative);
std::string outputPath(const std::string& name);
void recordOutput(const std::string& name, const std::string& expected, const std::string& kind);
void expectDecodedAs(const std::string& name, const Picture& picture, const std::string& kind);

// A 24-bit BMP or a 32-bit TGA (by the path's extension) of one colour; returns the path.
std::string writeSolidImage(const std::string& path, int width, int height, Rgba colour = {10, 20, 30, 255});
