#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

#include "base/ByteReader.h"
#include "base/Format.h"
#include "base/OutputBatch.h"
#include "base/Parallel.h"
#include "base/RelativePath.h"
#include "base/SafeFileWriter.h"
#include "base/ShiftJis.h"
#include "base/TextEncoding.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#include <shlwapi.h>
#include <windows.h>
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

const std::vector<uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF};

// A read across the end, from any offset, fails, reads nothing and fails the reader for good (no count wraps).
TEST(ByteReader, ReadsLittleEndianFieldsAndRefusesEveryReadPastTheEnd) {
    ByteReader whole(kBytes);
    EXPECT_EQ(whole.u8(), 0x01);
    EXPECT_EQ(whole.u16(), 0x0302);
    EXPECT_EQ(whole.i32(), 0x07060504);
    EXPECT_EQ(whole.i16(), -248);  // 0xFF08
    EXPECT_TRUE(whole.ok() && whole.skip(0) && whole.copyTo(nullptr, 0) && whole.remaining() == 0);
    uint8_t out[5] = {9};
    const std::pair<size_t, std::function<bool(ByteReader&)>> reads[] = {
        {1, [](ByteReader& r) { return r.u8() == 0; }},
        {2, [](ByteReader& r) { return r.u16() == 0; }},
        {4, [](ByteReader& r) { return r.u32() == 0; }},
        {5, [&](ByteReader& r) { return !r.copyTo(out, 5) && out[0] == 9; }},
        {2, [](ByteReader& r) { return !r.skip(2); }},
        {9, [](ByteReader& r) { return r.take(SIZE_MAX) == nullptr; }},
    };
    for (const auto& [width, read] : reads) {
        for (size_t start = kBytes.size() + 1 - width; start <= kBytes.size(); ++start) {
            ByteReader in(kBytes);
            ASSERT_TRUE(in.seek(start));
            EXPECT_TRUE(read(in) && in.offset() == start) << width << " bytes at " << start;
            EXPECT_FALSE(in.ok() || in.seek(0) || in.u8() != 0 || in.copyTo(out, 0) || in.ok()) << width << start;
        }
    }
    ByteReader in(kBytes);
    EXPECT_FALSE(in.seek(kBytes.size() + 1) || in.ok());
}

// 表 is 0x95 0x5C and ソ is 0x83 0x5C: their second byte is no separator.
// Any length comes out whole, the empty text and one character too (a dialog field showing a spacing of 1).
TEST(Format, FormatsTextsOfAnyLength) {
    EXPECT_EQ(formatText("%s", ""), "");
    EXPECT_EQ(formatText("%d", 7), "7");
    EXPECT_EQ(formatText("%s", std::string(5000, 'x').c_str()), std::string(5000, 'x'));
}

TEST(ShiftJis, SplitsPathsLikeTheRuntime) {
    const std::vector<std::string> cases[] = {
        {"D:\\tex\\Wood_01.bmp", "D:", "\\tex\\", "Wood_01", ".bmp"},
        {"/home/me/wood.tga", "", "/home/me/", "wood", ".tga"},
        {"C:grass.BMP", "C:", "", "grass", ".BMP"},
        {"a.b\\c", "", "a.b\\", "c", ""},
        {"archive.tar.gz", "", "", "archive.tar", ".gz"},
        {"dir/", "", "dir/", "", ""},
        {"C:\\表\\ソ.bmp", "C:", "\\表\\", "ソ", ".bmp"},
        {"x\\a\x83", "", "x\\", "a\x83", ""},  // a lead byte at the very end stands alone
    };
    for (const auto& c : cases) {
        const PathParts parts = splitPath(c[0]);
        EXPECT_EQ((std::vector<std::string>{c[0], parts.drive, parts.folder, parts.title, parts.extension}), c);
    }
}

// Plain ASCII comes out as it is, as the system's converter has it too; Shift-JIS is converted and a cut character
// shows the replacement.
TEST(TextEncoding, Utf8TextOfAsciiIsAsItIsAndShiftJisIsConverted) {
    const struct {
        std::string cp932, utf8;
        bool ascii;
    } rows[] = {
        {"hud/pause\\a~b", "hud/pause\\a~b", true},
        {std::string("\x01 \x7f", 3), std::string("\x01 \x7f", 3), true},
        {"", "", true},
        {"\x83\x65\x83\x58\x83\x67", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", false},
        {"a\x83", "a\xEF\xBF\xBD", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(utf8Text(row.cp932), row.utf8) << row.cp932;
        std::string converted;
        EXPECT_TRUE(!row.ascii || (cp932ToUtf8(row.cp932, converted) && converted == row.utf8)) << row.cp932;
    }
}

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

// Whatever fails, the previous file stays and nothing is left beside it; a new file gets the usual permissions.
TEST(SafeFileWriter, ReplacesTheTargetOnlyWhenEveryStepSucceeds) {
    TempDir dir;
    const std::string old = "the previous good file\n", target = dir.file("atlas.tga");
    writeBytes(target, old);
    ASSERT_TRUE(SafeFileWriter(target).open());            // never written nor committed
    std::filesystem::create_directory(dir.file("taken"));  // a folder where the file should go
    EXPECT_FALSE(writeFileSafely(dir.file("taken"), std::string("abc")));
    EXPECT_FALSE(writeFileSafely(dir.file("missing") + kPathSeparator + "x", std::string("abc")));
#ifndef _WIN32
    // Under a file-size limit below the file's size (SIGXFSZ ignored) the writes fail once the file is open.
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit bounds = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &bounds);
        SafeFileWriter writer(target);
        writer.open();
        writer.write(std::string(64 * 1024, 'x'));
        _exit(writer.commit() ? 1 : 0);
    }
    int status = 0;
    EXPECT_TRUE(waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
    EXPECT_TRUE(writeFileSafely(dir.file("empty.txt"), std::string()));
    EXPECT_TRUE(readBytes(dir.file("empty.txt")).empty());
#ifndef _WIN32
    const mode_t mask = umask(0);
    umask(mask);
    struct stat info {};
    EXPECT_EQ(stat(dir.file("empty.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0666 & ~mask);
#endif
    EXPECT_EQ(readText(target), old);
    EXPECT_TRUE(writeFileSafely(target, std::string(100000, 'n')));
    EXPECT_EQ(readText(target), std::string(100000, 'n'));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

std::vector<std::string> folderListing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A rename failing in the middle of a commit (a folder stands at the third target) puts the old files back where it
// had replaced them and takes away the files it had created; a failed or abandoned batch leaves nothing behind.
TEST(OutputBatch, PutsEveryFileInPlaceOrNone) {
    TempDir dir;
    writeBytes(dir.file("a"), std::string("old a"));
    writeBytes(dir.file("c"), std::string("old c"));
    std::filesystem::create_directories(dir.file("taken") + kPathSeparator + "inside");
    const std::vector<std::string> before = folderListing(dir.path());
    const auto stage = [&](OutputBatch& batch, std::vector<const char*> names) {
        for (const char* name : names) ASSERT_TRUE(batch.write(dir.file(name), std::string("new ") + name)) << name;
    };
    {
        OutputBatch batch;
        stage(batch, {"a", "b", "taken", "c"});
        EXPECT_FALSE(batch.commit());
        EXPECT_EQ(batch.failedPath(), dir.file("taken"));
    }
    {
        OutputBatch abandoned;
        stage(abandoned, {"a", "b"});
        EXPECT_FALSE(abandoned.write(dir.file("missing") + kPathSeparator + "d", std::string("d")));
        EXPECT_EQ(abandoned.failedPath(), dir.file("missing") + kPathSeparator + "d");
    }
    EXPECT_EQ(folderListing(dir.path()), before);
    EXPECT_EQ(readText(dir.file("a")) + readText(dir.file("c")), "old aold c");
    OutputBatch batch;
    stage(batch, {"a", "b", "c"});
    EXPECT_TRUE(batch.commit());
    EXPECT_EQ(readText(dir.file("a")) + readText(dir.file("b")) + readText(dir.file("c")), "new anew bnew c");
    EXPECT_EQ(folderListing(dir.path()), (std::vector<std::string>{"a", "b", "c", "taken"}));
}

// A target that holds the staged bytes already keeps its file and its time; one that differs in a byte, or in its
// length, is replaced. Either way no staged copy is left.
TEST(OutputBatch, LeavesATargetThatHoldsTheStagedBytesAsItIs) {
    TempDir dir;
    const std::string same(70000, 's');  // longer than one chunk of the comparison
    std::string flipped = same, longer = same + "!";
    flipped[69999] = 't';
    for (const char* name : {"same", "flipped", "longer"}) writeBytes(dir.file(name), same);
    // An hour back, so that a replaced file differs even where times are kept to the second.
    const auto setTime = [&](const char* name) {
        const std::string path = dir.file(name);
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - std::chrono::hours(1));
    };
    for (const char* name : {"same", "flipped", "longer"}) setTime(name);
    const auto timeOf = [&](const char* name) { return std::filesystem::last_write_time(dir.file(name)); };
    const auto old = timeOf("same");
    OutputBatch batch;
    ASSERT_TRUE(batch.write(dir.file("same"), same) && batch.write(dir.file("flipped"), flipped) &&
                batch.write(dir.file("longer"), longer) && batch.write(dir.file("new"), same));
    ASSERT_TRUE(batch.commit());
    EXPECT_EQ(batch.unchanged(), std::vector<std::string>{dir.file("same")});
    EXPECT_EQ(timeOf("same"), old);
    EXPECT_NE(timeOf("flipped"), old);
    EXPECT_EQ(readText(dir.file("flipped")) + readText(dir.file("longer")) + readText(dir.file("new")),
              flipped + longer + same);
    EXPECT_EQ(folderListing(dir.path()), (std::vector<std::string>{"flipped", "longer", "new", "same"}));
}

struct Case {
    std::string from, to;
    bool ok;
    std::string relative;
};

// What PathRelativePathToA gives for two files (under Wine); the Windows build checks each row with the real call.
const Case kCases[] = {
    {"C:\\proj\\a.qbp", "C:\\proj\\x.bmp", true, ".\\x.bmp"},
    {"C:\\proj\\a.qbp", "C:\\proj\\img\\x.bmp", true, ".\\img\\x.bmp"},
    {"C:\\proj\\a.qbp", "C:\\proj\\img\\sub\\x.bmp", true, ".\\img\\sub\\x.bmp"},
    {"C:\\proj\\sub\\a.qbp", "C:\\proj\\x.bmp", true, "..\\x.bmp"},
    {"C:\\proj\\sub\\deep\\a.qbp", "C:\\x.bmp", true, "..\\..\\..\\x.bmp"},
    {"C:\\proj\\a.qbp", "C:\\other\\x.bmp", true, "..\\other\\x.bmp"},
    {"C:\\proj\\a.qbp", "C:\\projects\\x.bmp", true, "..\\projects\\x.bmp"},
    {"C:\\proj\\a.qbp", "C:\\proj.bmp", true, "..\\proj.bmp"},
    {"C:\\proj\\a.qbp", "D:\\proj\\x.bmp", false, ""},
    {"C:\\Proj\\a.qbp", "c:\\PROJ\\Img\\x.bmp", true, ".\\Img\\x.bmp"},
    {"C:\\proj\\\\a.qbp", "C:\\proj\\x.bmp", true, "\\x.bmp"},
    {"C:\\proj\\a.qbp", "C:\\proj\\img\\", true, ".\\img\\"},
    {"C:\\proj\\", "C:\\proj\\x.bmp", true, ".\\x.bmp"},
    {"C:\\proj", "C:\\proj\\x.bmp", true, ".\\proj\\x.bmp"},
    {"C:\\a.qbp", "C:\\x.bmp", true, ".\\x.bmp"},
    {"C:\\a.qbp", "C:\\img\\x.bmp", true, ".\\img\\x.bmp"},
    {"\\proj\\a.qbp", "\\other\\x.bmp", false, ""},
    {"\\\\server\\share\\a.qbp", "\\\\server\\share\\img\\x.bmp", true, ".\\img\\x.bmp"},
    {"\\\\server\\share\\a.qbp", "\\\\other\\share\\x.bmp", false, ""},
    {"\\\\server\\share\\a.qbp", "C:\\x.bmp", false, ""},
    {"C:\\a.qbp", "\\\\server\\share\\x.bmp", false, ""},
    {"relative\\a.qbp", "relative\\x.bmp", true, ".\\x.bmp"},
    {"a.qbp", "x.bmp", false, ""},
    {"a.qbp", "a.bmp", false, ""},
    {"C:\\proj\\a.qbp", "C:/proj/x.bmp", true, "../proj/x.bmp"},
    {"C:\\proj\\a.qbp", "C:\\proj\\..\\x.bmp", true, ".\\..\\x.bmp"},
    // 表 (0x95 0x5C) and ソ (0x83 0x5C) end in the byte of '\'; ア (0x83 0x41) in that of 'A'.
    {"C:\\表\\a.qbp", "C:\\表\\x.bmp", true, ".\\x.bmp"},
    {"C:\\表\\a.qbp", "C:\\表\\img\\ソ.bmp", true, ".\\img\\ソ.bmp"},
    {"C:\\表ア\\a.qbp", "C:\\表ア\\x.bmp", true, ".\\x.bmp"},
    {"C:\\アa\\a.qbp", "C:\\アA\\x.bmp", true, ".\\x.bmp"},
    {"C:\\ソ\\a.qbp", "C:\\表\\x.bmp", true, "..\\表\\x.bmp"},
};

TEST(RelativePath, FormsWhatWindowsForms) {
    std::vector<Case> cases(std::begin(kCases), std::end(kCases));
    const std::string folder = "C:\\" + std::string(250, 'd') + "\\";  // paths of 260 bytes and more are refused
    cases.push_back({folder + "a.qbp", folder + "x.bmp", true, ".\\x.bmp"});
    cases.push_back({folder + "a.qbp", folder + "xxxxxxxxxx.bmp", false, ""});
    cases.push_back({"C:\\" + std::string(251, 'p') + "\\a.qbp", "C:\\x.bmp", false, ""});  // 260 bytes
    for (const Case& c : cases) {
        std::string relative = "unset";
        EXPECT_EQ(relativePathBetweenFiles(c.from, c.to, relative), c.ok) << c.from << " -> " << c.to;
        EXPECT_EQ(relative, c.relative) << c.from << " -> " << c.to;
#ifdef _WIN32
        char real[MAX_PATH] = "";
        if (c.from.size() < MAX_PATH && c.to.size() < MAX_PATH) {
            const bool ok =
                PathRelativePathToA(real, c.from.c_str(), FILE_ATTRIBUTE_ARCHIVE, c.to.c_str(), FILE_ATTRIBUTE_ARCHIVE);
            EXPECT_EQ(ok, c.ok) << "PathRelativePathToA: " << c.from << " -> " << c.to;
            EXPECT_EQ(ok ? real : "", c.relative) << "PathRelativePathToA: " << c.from << " -> " << c.to;
        }
#endif
    }
}

TEST(RelativePath, DotComponentsComeOut) {
    const std::pair<const char*, const char*> dotCases[] = {
        {"C:\\p\\.\\img\\..\\x.bmp", "C:\\p\\x.bmp"},
        {"C:\\p\\.\\.\\..\\x.bmp", "C:\\x.bmp"},
        {"C:\\..\\x.bmp", "C:\\..\\x.bmp"},
        {"..\\..\\a\\x.bmp", "..\\..\\a\\x.bmp"},
        {".\\x.bmp", "x.bmp"},
        {".", "."},
        {"C:\\p\\", "C:\\p\\"},
        {"\\\\server\\share\\.\\x", "\\\\server\\share\\x"},
        {"a\\\\..\\b", "a\\\\..\\b"},
        {"C:\\表\\.\\x.bmp", "C:\\表\\x.bmp"},  // 表 ends in the byte of '\\'
        {"C:\\表\\..\\x.bmp", "C:\\x.bmp"},
    };
    for (const auto& [path, want] : dotCases) EXPECT_EQ(withoutDotComponents(path), want) << path;
#ifdef _WIN32
    EXPECT_EQ(pathForRelativeForm("C:\\a\\b.qbp"), "C:\\a\\b.qbp");
    EXPECT_EQ(pathForPlatform(".\\img\\x.bmp"), ".\\img\\x.bmp");
#else
    EXPECT_EQ(pathForRelativeForm("/home/me/a.qbp"), "Z:\\home\\me\\a.qbp");
    EXPECT_EQ(pathForRelativeForm("rel/a.qbp"), "rel\\a.qbp");
    EXPECT_EQ(pathForPlatform("/p/.\\img\\表\\x.bmp"), "/p/./img/表/x.bmp");
#endif
}

// Every index runs exactly once, whatever the number of threads and tasks, and on its own slot the result does not
// depend on which thread ran it.
TEST(Parallel, RunsEveryIndexOnceOnAnyNumberOfThreads) {
    for (unsigned threads : {0u, 1u, 2u, 7u}) {
        for (size_t count : {size_t{0}, size_t{1}, size_t{2}, size_t{1000}}) {
            std::vector<int> runs(count, 0);
            std::vector<size_t> squares(count, 0);
            parallelFor(count, threads, [&](size_t i) {
                ++runs[i];
                squares[i] = i * i;
            });
            EXPECT_EQ(std::count(runs.begin(), runs.end(), 1), static_cast<std::ptrdiff_t>(count)) << threads;
            for (size_t i = 0; i < count; ++i) ASSERT_EQ(squares[i], i * i) << threads << " " << count;
        }
    }
    EXPECT_GE(defaultThreadCount(), 1u);
}

}  // namespace
