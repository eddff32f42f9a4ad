#include <gtest/gtest.h>

#include "base/RelativePath.h"

#ifdef _WIN32
#include <shlwapi.h>
#include <windows.h>
#endif

namespace {

struct Case {
    const char* from;
    const char* to;
    bool ok;
    const char* relative;
};

// What Windows' PathRelativePathToA gives for two files (as seen under Wine); the Windows build checks each row
// against the real call too.
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
    {"relative\\a.qbp", "relative\\x.bmp", true, ".\\x.bmp"},
    {"a.qbp", "x.bmp", false, ""},
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
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        std::string relative = "unset";
        EXPECT_EQ(relativePathBetweenFiles(c.from, c.to, relative), c.ok);
        EXPECT_EQ(relative, c.relative);
#ifdef _WIN32
        char real[MAX_PATH] = "";
        const bool realOk = PathRelativePathToA(real, c.from, FILE_ATTRIBUTE_ARCHIVE, c.to, FILE_ATTRIBUTE_ARCHIVE);
        EXPECT_EQ(realOk, c.ok) << "PathRelativePathToA";
        if (realOk) {
            EXPECT_STREQ(real, c.relative) << "PathRelativePathToA";
        }
#endif
    }
}

TEST(RelativePath, RefusesPathsOfMaxPathOrLonger) {
    std::string relative;
    const std::string folder = "C:\\" + std::string(250, 'd') + "\\";
    EXPECT_TRUE(relativePathBetweenFiles(folder + "a.qbp", folder + "x.bmp", relative));
    EXPECT_FALSE(relativePathBetweenFiles(folder + "a.qbp", folder + std::string(10, 'x') + ".bmp", relative));
    EXPECT_FALSE(relativePathBetweenFiles("C:\\" + std::string(300, 'p') + ".qbp", "C:\\x.bmp", relative));
}

TEST(RelativePath, PlatformForms) {
#ifdef _WIN32
    EXPECT_EQ(pathForRelativeForm("C:\\a\\b.qbp"), "C:\\a\\b.qbp");
    EXPECT_EQ(pathForPlatform(".\\img\\x.bmp"), ".\\img\\x.bmp");
#else
    EXPECT_EQ(pathForRelativeForm("/home/me/a.qbp"), "Z:\\home\\me\\a.qbp");
    EXPECT_EQ(pathForRelativeForm("rel/a.qbp"), "rel\\a.qbp");
    EXPECT_EQ(pathForPlatform("/p/.\\img\\表\\x.bmp"), "/p/./img/表/x.bmp");
    // Any two absolute paths share the root.
    std::string relative;
    ASSERT_TRUE(relativePathBetweenFiles(pathForRelativeForm("/home/me/proj/a.qbp"),
                                         pathForRelativeForm("/tmp/sprites/x.bmp"), relative));
    EXPECT_EQ(relative, "..\\..\\..\\tmp\\sprites\\x.bmp");
#endif
}

}  // namespace

namespace {

TEST(RelativePath, DotComponentsComeOut) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\p\\.\\img\\..\\x.bmp", "C:\\p\\x.bmp"},
        {"C:\\p\\.\\.\\.\\x.bmp", "C:\\p\\x.bmp"},
        {"C:\\p\\.\\..\\x.bmp", "C:\\x.bmp"},
        {"C:\\..\\x.bmp", "C:\\..\\x.bmp"},
        {"..\\..\\a\\x.bmp", "..\\..\\a\\x.bmp"},
        {".\\x.bmp", "x.bmp"},
        {".", "."},
        {"C:\\p\\", "C:\\p\\"},
        {"\\\\server\\share\\.\\x", "\\\\server\\share\\x"},
        {"a\\\\..\\b", "a\\\\..\\b"},
        {"C:\\表\\.\\x.bmp", "C:\\表\\x.bmp"},  // 表 ends in the byte of '\'
        {"C:\\表\\..\\x.bmp", "C:\\x.bmp"},
    };
    for (const auto& [path, want] : cases) EXPECT_EQ(withoutDotComponents(path), want) << path;
}

}  // namespace
