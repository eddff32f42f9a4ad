#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/MessageBox.h"

namespace {

struct Seen {
    std::string caption;
    std::string text;
    bool closed = false;
};

BOOL CALLBACK collectText(HWND child, LPARAM found) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    char text[512] = {};
    GetWindowTextA(child, text, sizeof text);
    auto* seen = reinterpret_cast<Seen*>(found);
    // The message is the longest static text; the icon and the button carry none or a short one.
    if (lstrcmpiA(className, "Static") == 0 && std::string(text).size() > seen->text.size()) seen->text = text;
    return TRUE;
}

// Watches for the message box from another thread, reads it and presses OK.
void answerMessageBox(const char* caption, Seen& seen) {
    for (int i = 0; i < 500 && !seen.closed; ++i) {
        HWND box = FindWindowA("#32770", caption);
        if (box) {
            char title[256] = {};
            GetWindowTextA(box, title, sizeof title);
            seen.caption = title;
            EnumChildWindows(box, collectText, reinterpret_cast<LPARAM>(&seen));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            seen.closed = true;
        }
        Sleep(10);
    }
}

TEST(MessageBoxHandler, ShowsTheTextAndCaptionAsGiven) {
    MessageHandler previous = setMessageHandler(messageBoxHandler(nullptr));
    const std::string text = "BMP Error : ファイルオープンに失敗! \n\"C:\\tex\\表.bmp\"";
    Seen seen;
    std::thread watcher(answerMessageBox, "Failed!", std::ref(seen));
    showMessage(text, "Failed!");  // returns once the box is closed
    watcher.join();
    setMessageHandler(previous);
    ASSERT_TRUE(seen.closed) << "no message box appeared";
    EXPECT_EQ(seen.caption, "Failed!");
    // A message box shows line breaks as "\r\n" or "\n", by platform; compare without the carriage returns.
    std::string shown;
    for (char c : seen.text) {
        if (c != '\r') shown += c;
    }
    EXPECT_EQ(shown, text);
}

}  // namespace
