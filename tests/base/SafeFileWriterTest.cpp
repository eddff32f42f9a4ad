#include <gtest/gtest.h>

#include <filesystem>

#include "base/FileSystem.h"
#include "base/SafeFileWriter.h"
#include "support/TestSupport.h"

namespace {

const std::string kOld = "the previous good file\n";

TEST(SafeFileWriter, ReplacesTheTargetWhenEveryWriteSucceeds) {
    TempDir dir;
    const std::string target = dir.file("atlas.bmp");
    writeBytes(target, kOld);
    const std::string fresh(100000, 'n');
    EXPECT_TRUE(writeFileSafely(target, fresh));
    EXPECT_EQ(readText(target), fresh);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"atlas.bmp"});
}

TEST(SafeFileWriter, CreatesANewFileAndAnEmptyOne) {
    TempDir dir;
    EXPECT_TRUE(writeFileSafely(dir.file("new.txt"), std::string("abc")));
    EXPECT_EQ(readText(dir.file("new.txt")), "abc");
    EXPECT_TRUE(writeFileSafely(dir.file("empty.txt"), std::string()));
    EXPECT_TRUE(readBytes(dir.file("empty.txt")).empty());
}

TEST(SafeFileWriter, FailsWhenTheFolderDoesNotExist) {
    TempDir dir;
    const std::string target = dir.file("missing") + kSeparator + "out.txt";
    EXPECT_FALSE(writeFileSafely(target, std::string("abc")));
    EXPECT_FALSE(fileExists(target));
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST(SafeFileWriter, KeepsTheOldFileWhenTheFinalRenameFails) {
    TempDir dir;
    // A folder stands where the file should go: the new file cannot take its place.
    const std::string target = dir.file("taken");
    std::filesystem::create_directory(target);
    EXPECT_FALSE(writeFileSafely(target, std::string("abc")));
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"taken"});
}

TEST(SafeFileWriter, AnUncommittedWriterLeavesNothingBehind) {
    TempDir dir;
    const std::string target = dir.file("project.qbp");
    writeBytes(target, kOld);
    {
        SafeFileWriter writer(target);
        ASSERT_TRUE(writer.open());
        EXPECT_TRUE(writer.write(std::string("half a project")));
        EXPECT_EQ(filesIn(dir.path()).size(), 2u);
    }
    EXPECT_EQ(readText(target), kOld);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"project.qbp"});
}

TEST(SafeFileWriter, WritesAfterAFailedOpenFail) {
    TempDir dir;
    SafeFileWriter writer(dir.file("no") + kSeparator + "x");
    EXPECT_FALSE(writer.open());
    EXPECT_FALSE(writer.write(std::string("x")));
    EXPECT_FALSE(writer.commit());
}

#ifndef _WIN32
// A write that fails after the file was opened: under a file-size limit, a file larger than the limit.
TEST(SafeFileWriter, KeepsTheOldFileWhenAWriteFailsUnderAFileSizeLimit) {
    TempDir dir;
    const std::string target = dir.file("atlas.tga");
    writeBytes(target, kOld);
    EXPECT_TRUE(
        writeFailsUnderFileSizeLimit([&] { return writeFileSafely(target, std::string(64 * 1024, 'x')); }, 4096))
        << "the write under the limit was reported as a success";
    EXPECT_EQ(readText(target), kOld);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"atlas.tga"});
}

// The same limit, but the file fits: the limit itself is no reason to fail.
TEST(SafeFileWriter, SucceedsBelowAFileSizeLimit) {
    TempDir dir;
    const std::string target = dir.file("small.txt");
    EXPECT_FALSE(writeFailsUnderFileSizeLimit([&] { return writeFileSafely(target, std::string(1000, 'x')); }, 4096));
    EXPECT_EQ(readText(target), std::string(1000, 'x'));
}
#endif

}  // namespace
