#pragma once

#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/FileDialog.h"
#include "app/MainFrame.h"
#include "base/MessageBox.h"
#include "project/Settings.h"
#include "support/TestSupport.h"

// The canvas bitmap read back whole, rows from the top.
struct CanvasPixels {
    std::vector<uint32_t> bits;
    COLORREF at(int x, int y) const {
        const uint32_t v = bits[static_cast<size_t>(y) * 1024 + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
};
constexpr COLORREF kSurround = RGB(192, 192, 192);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

// A file dialog as the program described it to the system.
struct FileDialogSeen {
    FileDialog::Kind kind;
    DWORD structSize, flags, filterIndex, bufferSize;
    HWND owner;
    std::vector<std::string> filter;
    std::string defaultExtension, initialName;
    bool titled;
};

// The window program started for one test, as a user starts it, with the seams answering its message boxes and file
// dialogs; and the ways a user sees what it shows.
class ShellTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    bool start(const std::vector<std::string>& args = {"Quiltbox.exe"});
    void stop();

    MainFrame& frame() { return MainFrame::instance(); }
    HWND window() { return frame().window(); }
    Settings& settings() { return Settings::instance(); }
    void command(UINT id) { SendMessageA(window(), WM_COMMAND, id, 0); }
    void send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { SendMessageA(window(), message, wParam, lParam); }
    void mouse(UINT message, int x, int y, WPARAM keys = MK_LBUTTON) { send(message, keys, MAKELPARAM(x, y)); }
    void drop(const std::vector<std::string>& paths);
    // Whether the program asked to end, taking the quit message off the queue.
    bool quitPosted();

    CanvasPixels canvas();
    bool checked(UINT command);
    std::string status(int part);
    std::vector<std::string> listBox();
    std::vector<std::string> names();
    std::vector<std::string> selectedNames();
    Point positionOf(const std::string& name);
    // An image file in the test's folder (made once), by the extension of its name.
    std::string image(const std::string& file, int w = 8, int h = 8, Rgba colour = Rgba{200, 40, 40, 255});

    TempDir dir;
    std::vector<MessageBoxCall> boxes;  // every message box, in order
    std::deque<int> answers;            // the buttons pressed; without one, the first button
    std::deque<std::string> choices;    // what each file dialog returns; an empty text cancels
    std::vector<FileDialogSeen> dialogs;
    bool visibleAtFirstBox = false;

private:
    MessageBoxHandler previousBoxes_;
    FileDialogHandler previousDialogs_;
    bool started_ = false;
};

// Runs a script on the next dialog box that becomes active on this thread, from inside its modal loop; the script
// ends the dialog itself (pressing OK or Cancel).
class DialogScript {
public:
    explicit DialogScript(std::function<void(HWND dialog)> script);
    ~DialogScript();
    bool ran() const { return ran_; }

    static void type(HWND dialog, int control, const std::string& text) { SetDlgItemTextA(dialog, control, text.c_str()); }
    static void click(HWND dialog, int control) { SendMessageA(GetDlgItem(dialog, control), BM_CLICK, 0, 0); }
    static std::string text(HWND dialog, int control);

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK timer(HWND, UINT, UINT_PTR id, DWORD);

    std::function<void(HWND)> script_;
    HHOOK hook_ = nullptr;
    HWND dialog_ = nullptr;
    bool ran_ = false;
};
