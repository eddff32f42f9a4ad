#include <gtest/gtest.h>

#include "base/RelativePath.h"

#ifdef _WIN32
#include <shlwapi.h>
#include <windows.h>
#endif

namespace {

struct Case {
    std::string from, to;
    bool ok;
    std::string relative;
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
    {"表\\a.qbp", "表\\img\\x.bmp", true, ".\\img\\x.bmp"},
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

}  // namespace
