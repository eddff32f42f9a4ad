#include "app/ShellHarness.h"

#include <cstring>

#include "app/Application.h"
#include "app/DroppedFiles.h"
#include "base/FileSystem.h"
#include "layout/ListDialog.h"
#include "app/StatusBar.h"
#include "res/resource.h"

void ShellTest::SetUp() {
    Settings::instance().resetToDefaults();
    previousBoxes_ = setMessageBoxHandler([this](const MessageBoxCall& call) {
        if (boxes.empty()) visibleAtFirstBox = window() && IsWindowVisible(window());
        boxes.push_back(call);
        if (answers.empty()) return (call.type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    });
    previousDialogs_ = setFileDialogHandler([this](OPENFILENAMEA& d, FileDialog::Kind kind) {
        FileDialogSeen seen{kind, d.lStructSize, d.Flags, d.nFilterIndex, d.nMaxFile, d.hwndOwner, {},
                            d.lpstrDefExt ? d.lpstrDefExt : "", d.lpstrFile, d.lpstrTitle != nullptr};
        for (const char* f = d.lpstrFilter; *f; f += std::strlen(f) + 1) seen.filter.push_back(f);
        dialogs.push_back(seen);
        const std::string choice = choices.empty() ? "" : choices.front();
        if (!choices.empty()) choices.pop_front();
        if (choice.empty() || choice.size() + 2 > d.nMaxFile) return false;
        std::memcpy(d.lpstrFile, choice.data(), choice.size());
        d.lpstrFile[choice.size()] = d.lpstrFile[choice.size() + 1] = '\0';
        return true;
    });
}

void ShellTest::TearDown() {
    stop();
    setMessageBoxHandler(previousBoxes_);
    setFileDialogHandler(previousDialogs_);
    EXPECT_TRUE(answers.empty()) << "a question the test expected was not asked";
    EXPECT_TRUE(choices.empty()) << "a file dialog the test expected was not shown";
}

bool ShellTest::start(const std::vector<std::string>& args) {
    started_ = true;
    return Application().init(args);
}

void ShellTest::stop() {
    if (started_) Application().shutdown();
    started_ = false;
    quitPosted();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

bool ShellTest::quitPosted() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

void ShellTest::drop(const std::vector<std::string>& paths) {
    dropFiles(window(), paths);
}

CanvasPixels ShellTest::canvas() {
    CanvasPixels pixels;
    pixels.bits.resize(1024 * 1024);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 1024, -1024, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GdiFlush();
    EXPECT_EQ(GetDIBits(frame().canvasDC(), frame().canvasBitmap(), 0, 1024, pixels.bits.data(), &info,
                        DIB_RGB_COLORS),
              1024);
    return pixels;
}

bool ShellTest::checked(UINT command) {
    return (GetMenuState(GetMenu(window()), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// What the status window itself shows, which must be what the program says it shows.
std::string ShellTest::status(int part) {
    char text[512] = "";
    SendMessageA(StatusBar::instance().window(), SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(StatusBar::instance().text(part), text);
    return text;
}

std::vector<std::string> ShellTest::listBox() {
    HWND list = GetDlgItem(ListDialog::instance().window(), IDC_IMAGE_LIST);
    std::vector<std::string> entries;
    for (LRESULT i = 0, n = SendMessageA(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
        char text[256] = "";
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::vector<std::string> ShellTest::names() {
    std::vector<std::string> out;
    for (const auto& i : frame().images().images()) out.push_back(i->name());
    return out;
}

std::vector<std::string> ShellTest::selectedNames() {
    std::vector<std::string> out;
    for (const auto& i : frame().images().images()) {
        if (i->isSelected()) out.push_back(i->name());
    }
    return out;
}

Point ShellTest::positionOf(const std::string& name) {
    for (const auto& i : frame().images().images()) {
        if (i->name() == name) return i->position();
    }
    ADD_FAILURE() << "no image " << name;
    return {};
}

std::string ShellTest::image(const std::string& file, int w, int h, Rgba colour) {
    const std::string path = dir.file(file);
    if (!fileExists(path)) writeSolidImage(path, w, h, colour);
    return path;
}

namespace {
DialogScript* activeScript = nullptr;
}

DialogScript::DialogScript(std::function<void(HWND)> script) : script_(std::move(script)) {
    activeScript = this;
    hook_ = SetWindowsHookExA(WH_CBT, hook, nullptr, GetCurrentThreadId());
}

DialogScript::~DialogScript() {
    UnhookWindowsHookEx(hook_);
    activeScript = nullptr;
}

// A dialog box becoming active: its script runs from a timer, once the dialog's own modal loop dispatches messages.
LRESULT CALLBACK DialogScript::hook(int code, WPARAM wParam, LPARAM lParam) {
    char className[16] = "";
    if (code == HCBT_ACTIVATE && activeScript && !activeScript->dialog_ &&
        GetClassNameA(reinterpret_cast<HWND>(wParam), className, sizeof className) &&
        std::strcmp(className, "#32770") == 0) {
        activeScript->dialog_ = reinterpret_cast<HWND>(wParam);
        SetTimer(nullptr, 0, 10, timer);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogScript::timer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!activeScript || activeScript->ran_) return;
    activeScript->ran_ = true;
    activeScript->script_(activeScript->dialog_);
}

std::string DialogScript::text(HWND dialog, int control) {
    char text[1024] = "";
    GetDlgItemTextA(dialog, control, text, sizeof text);
    return text;
}
