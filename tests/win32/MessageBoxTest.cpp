#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "base/MessageBox.h"

namespace {

// Another thread finds the box, reads its caption and its message (the longest static text), and presses OK.
TEST(MessageBoxHandler, ShowsTheTextAndCaptionAsGiven) {
    const MessageHandler previous = setMessageHandler(messageBoxHandler(nullptr));
    const std::string text = "BMP Error : ファイルオープンに失敗! \n\"C:\\tex\\表.bmp\"";
    char caption[64] = {};
    std::string shown;
    std::thread watcher([&] {
        for (int i = 0; i < 500 && !caption[0]; ++i, Sleep(10)) {
            if (HWND box = FindWindowA("#32770", "Failed!")) {
                EnumChildWindows(
                    box,
                    [](HWND child, LPARAM found) -> BOOL {
                        char kind[32] = {}, words[512] = {};
                        GetClassNameA(child, kind, sizeof kind);
                        GetWindowTextA(child, words, sizeof words);
                        auto* longest = reinterpret_cast<std::string*>(found);
                        if (lstrcmpiA(kind, "Static") == 0 && std::string(words).size() > longest->size())
                            *longest = words;
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&shown));
                GetWindowTextA(box, caption, sizeof caption);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
        }
    });
    showMessage(text, "Failed!");  // returns once the box is closed
    watcher.join();
    setMessageHandler(previous);
    EXPECT_STREQ(caption, "Failed!") << "no message box appeared";
    shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());  // "\r\n" or "\n", by platform
    EXPECT_EQ(shown, text);
}

}  // namespace
