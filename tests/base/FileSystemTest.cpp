#include <gtest/gtest.h>

#include "base/FileSystem.h"
#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/stat.h>
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
    ASSERT_EQ(mkfifo((dir.path() + "/pipe.bmp").c_str(), 0600), 0);
    EXPECT_EQ(readWholeFile(dir.file("pipe.bmp"), 10, bytes), FileReadResult::CannotOpen);
#endif
}

}  // namespace
