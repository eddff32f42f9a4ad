#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/Message.h"

// Records every message that the core reports while it is alive, instead of showing it.
class MessageRecorder {
public:
    struct Entry {
        std::string text;
        std::string caption;
    };

    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<Entry>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

private:
    std::vector<Entry> entries_;
    MessageHandler previous_;
};

// A new empty folder under the system's temporary folder, removed with everything in it at the end of the test.
// Its path is plain ASCII and ends without a separator.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // The folder joined with a file name by the platform's separator.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

std::vector<uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
inline void writeBytes(const std::string& path, const std::string& text) {
    writeBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}
std::string readText(const std::string& path);
std::vector<std::string> filesIn(const std::string& folder);

// A file made by tests/fixtures/make_fixtures.py for this test run.
std::string fixturePath(const std::string& name);

// Images a test wrote for the independent decoders (tests/fixtures/check_outputs.py): each goes into this program's
// own folder of the outputs with the picture it must show.
struct ExpectedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // rows from the top
};
std::string outputPath(const std::string& name);
void expectDecodedAs(const std::string& name, const ExpectedPicture& picture, const std::string& kind);
// Any other output line for the checker: a file, the file it is checked against, and how ("cpp": compile and run).
void recordOutput(const std::string& name, const std::string& expected, const std::string& kind);

#ifndef _WIN32
// Runs `write` in a child process under a file-size limit (SIGXFSZ ignored, so that writes past the limit fail instead
// of killing it); true when the write reported failure there, as it must when it needs more than `limit` bytes.
bool writeFailsUnderFileSizeLimit(const std::function<bool()>& write, unsigned long limit);
#endif

// The platform's path separator as the program writes it.
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif
