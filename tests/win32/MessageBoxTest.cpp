#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "base/MessageBox.h"

namespace {

BOOL CALLBACK longestStaticText(HWND child, LPARAM found) {
    char className[32] = {}, text[512] = {};
    GetClassNameA(child, className, sizeof className);
    GetWindowTextA(child, text, sizeof text);
    auto* longest = reinterpret_cast<std::string*>(found);
    if (lstrcmpiA(className, "Static") == 0 && std::string(text).size() > longest->size()) *longest = text;
    return TRUE;
}

// Another thread finds the box, reads its caption and its message (the longest static text), and presses OK.
TEST(MessageBoxHandler, ShowsTheTextAndCaptionAsGiven) {
    const MessageHandler previous = setMessageHandler(messageBoxHandler(nullptr));
    const std::string text = "BMP Error : ファイルオープンに失敗! \n\"C:\\tex\\表.bmp\"";
    std::string caption, shown;
    std::thread watcher([&] {
        for (int i = 0; i < 500 && caption.empty(); ++i, Sleep(10)) {
            if (HWND box = FindWindowA("#32770", "Failed!")) {
                char title[256] = {};
                GetWindowTextA(box, title, sizeof title);
                EnumChildWindows(box, longestStaticText, reinterpret_cast<LPARAM>(&shown));
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                caption = title;
            }
        }
    });
    showMessage(text, "Failed!");  // returns once the box is closed
    watcher.join();
    setMessageHandler(previous);
    EXPECT_EQ(caption, "Failed!") << "no message box appeared";
    // A message box shows line breaks as "\r\n" or "\n", by platform.
    shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
    EXPECT_EQ(shown, text);
}

}  // namespace
