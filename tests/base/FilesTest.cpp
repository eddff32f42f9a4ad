#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/FileSystem.h"
#include "base/SafeFileWriter.h"
#include "support/TestSupport.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs `write` in a child process under a file-size limit (SIGXFSZ ignored, so writes past it fail); true when the
// write reported failure there.
static bool writeFailsUnderFileSizeLimit(const std::function<bool()>& write, rlim_t limit) {
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit bounds = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &bounds);
        _exit(write() ? 1 : 0);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

namespace {

TEST(FileSystem, ReadsRegularFilesOnly) {
    TempDir dir;
    writeBytes(dir.file("ten.bin"), std::string("0123456789"));
    writeBytes(dir.file("empty.bin"), std::string());
    std::vector<uint8_t> bytes;
    EXPECT_EQ(readWholeFile(dir.file("ten.bin"), 10, bytes), FileReadResult::Ok);
    EXPECT_EQ(bytes.size(), 10u);
    EXPECT_EQ(readWholeFile(dir.file("ten.bin"), 9, bytes), FileReadResult::TooLarge);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(readWholeFile(dir.file("empty.bin"), 10, bytes), FileReadResult::Ok);
    EXPECT_EQ(readWholeFile(dir.file("missing.bin"), 10, bytes), FileReadResult::CannotOpen);
    EXPECT_EQ(readWholeFile(dir.path(), 10, bytes), FileReadResult::CannotOpen) << "a folder";
#ifdef _WIN32
    EXPECT_EQ(readWholeFile("CON", 10, bytes), FileReadResult::CannotOpen) << "the console would wait for input";
#else
    // A FIFO without a writer would block an ordinary open for good.
    ASSERT_EQ(mkfifo(dir.file("pipe.bmp").c_str(), 0600), 0);
    EXPECT_EQ(readWholeFile(dir.file("pipe.bmp"), 10, bytes), FileReadResult::CannotOpen);
#endif
}

// Whatever fails, the previous file stays as it was and nothing is left beside it.
TEST(SafeFileWriter, ReplacesTheTargetOnlyWhenEveryStepSucceeds) {
    TempDir dir;
    const std::string old = "the previous good file\n", target = dir.file("atlas.tga");
    writeBytes(target, old);
    ASSERT_TRUE(SafeFileWriter(target).open());            // never written nor committed
    std::filesystem::create_directory(dir.file("taken"));  // a folder where the file should go
    EXPECT_FALSE(writeFileSafely(dir.file("taken"), std::string("abc")));
    EXPECT_FALSE(writeFileSafely(dir.file("missing") + kPathSeparator + "x", std::string("abc")));
    EXPECT_EQ(readText(target), old);
#ifndef _WIN32
    // A write that fails once the file is open (a file-size limit below the file's size) fails the commit too; a limit
    // above it is no reason to fail.
    EXPECT_TRUE(writeFailsUnderFileSizeLimit(
        [&] {
            SafeFileWriter writer(target);
            writer.open();
            writer.write(std::string(64 * 1024, 'x'));
            return writer.commit();
        },
        4096));
    EXPECT_EQ(readText(target), old);
#endif
    EXPECT_TRUE(writeFileSafely(target, std::string(100000, 'n')));
    EXPECT_EQ(readText(target), std::string(100000, 'n'));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken")));
    EXPECT_TRUE(writeFileSafely(dir.file("empty.txt"), std::string()));
    EXPECT_TRUE(readBytes(dir.file("empty.txt")).empty());
#ifndef _WIN32
    // A new file gets the usual permissions, not those of a private temporary file.
    const mode_t mask = umask(0);
    umask(mask);
    struct stat info {};
    EXPECT_EQ(stat(dir.file("empty.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0666 & ~mask);
#endif
    const auto left = std::distance(std::filesystem::directory_iterator(dir.path()), {});
    EXPECT_EQ(left, 3) << "the target, the folder and the new empty file";
}

}  // namespace
