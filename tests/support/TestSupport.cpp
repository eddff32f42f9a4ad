#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "base/FileSystem.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace stdfs = std::filesystem;

MessageRecorder::MessageRecorder() {
    previous_ = setMessageHandler([this](const std::string& text, const std::string& caption) {
        entries_.push_back({text, caption});
    });
}

MessageRecorder::~MessageRecorder() {
    setMessageHandler(previous_);
}

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::mt19937 random(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const stdfs::path base = stdfs::temp_directory_path();
    for (;;) {
        const stdfs::path candidate =
            base / ("quiltbox-test-" + std::to_string(random() % 1000000) + "-" + std::to_string(counter++));
        std::error_code error;
        if (stdfs::create_directory(candidate, error)) {
            path_ = candidate.string();
            break;
        }
        if (error && error != std::errc::file_exists) {
            ADD_FAILURE() << "cannot create a temporary folder: " << error.message();
            path_ = candidate.string();
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    stdfs::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const {
    return path_ + kSeparator + name;
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
    if (!bytes.empty()) {
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    EXPECT_EQ(std::fclose(file), 0);
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : stdfs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

std::string fixturePath(const std::string& name) {
    const char* folder = std::getenv("QUILTBOX_FIXTURES");
    if (!folder) {
        ADD_FAILURE() << "QUILTBOX_FIXTURES is not set: run the tests through ctest";
        return name;
    }
    return std::string(folder) + kSeparator + name;
}

namespace {

std::string outputFolder() {
    static std::string folder;
    if (!folder.empty()) return folder;
    const char* root = std::getenv("QUILTBOX_OUTPUTS");
    if (!root) {
        ADD_FAILURE() << "QUILTBOX_OUTPUTS is not set: run the tests through ctest";
        return ".";
    }
    // One folder per test program, emptied at its first use in this run.
    const char* self = std::getenv("QUILTBOX_PROGRAM");
    folder = std::string(root) + kSeparator + (self ? self : "tests");
    std::error_code ignored;
    stdfs::remove_all(folder, ignored);
    stdfs::create_directories(folder, ignored);
    return folder;
}

}  // namespace

std::string outputPath(const std::string& name) {
    return outputFolder() + kSeparator + name;
}

void expectDecodedAs(const std::string& name, const ExpectedPicture& picture, const std::string& kind) {
    std::vector<uint8_t> raw(8);
    for (int i = 0; i < 4; ++i) {
        raw[i] = static_cast<uint8_t>(picture.width >> (8 * i));
        raw[4 + i] = static_cast<uint8_t>(picture.height >> (8 * i));
    }
    raw.insert(raw.end(), picture.rgba.begin(), picture.rgba.end());
    writeBytes(outputPath(name + ".rgba"), raw);
    recordOutput(name, name + ".rgba", kind);
}

void recordOutput(const std::string& name, const std::string& expected, const std::string& kind) {
    FILE* manifest = openFile(outputPath("manifest.txt"), "ab");
    ASSERT_NE(manifest, nullptr);
    std::fprintf(manifest, "%s %s %s\n", name.c_str(), expected.c_str(), kind.c_str());
    std::fclose(manifest);
}

#ifndef _WIN32
bool writeFailsUnderFileSizeLimit(const std::function<bool()>& write, unsigned long limit) {
    const pid_t child = fork();
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        return false;
    }
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit bounds = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &bounds);
        _exit(write() ? 1 : 0);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        ADD_FAILURE() << "the child process did not end normally";
        return false;
    }
    return WEXITSTATUS(status) == 0;
}
#endif
