// The window program under Wine, driven by messages to its real windows, its boxes and file dialogs answered by seams.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <array>
#include <cstring>

#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/DroppedFiles.h"
#include "app/MainFrame.h"
#include "app/StatusBar.h"
#include "base/MessageBox.h"
#include "layout/ListDialog.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "res/resource.h"
#include "support/TestSupport.h"

namespace {

using Texts = std::vector<std::string>;
constexpr COLORREF kGrey = RGB(192, 192, 192), kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0), kYellow = RGB(255, 255, 0), kMark = RGB(255, 0, 255);

// The script for the next modal dialog: a hook sees the dialog become active, and a timer runs the script inside
// the dialog's own modal loop.
std::function<void(HWND)> dialogScript;
HWND scriptedDialog = nullptr;
void CALLBACK runDialogScript(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (dialogScript) std::exchange(dialogScript, nullptr)(scriptedDialog);
}
LRESULT CALLBACK findDialog(int code, WPARAM wParam, LPARAM lParam) {
    char name[8] = "";
    if (code == HCBT_ACTIVATE && dialogScript && !scriptedDialog &&
        GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name) && std::string(name) == "#32770") {
        scriptedDialog = reinterpret_cast<HWND>(wParam);
        SetTimer(nullptr, 0, 10, runDialogScript);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class ShellTest : public testing::Test {
protected:
    void SetUp() override {
        Settings::instance().resetToDefaults();
        setMessageBoxHandler([this](const MessageBoxCall& call) {
            boxes.push_back(call);
            if (answers.empty()) return (call.type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
            const int answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        });
        setFileDialogHandler([this](OPENFILENAMEA& d, FileDialog::Kind kind) {
            EXPECT_EQ(d.hwndOwner, window());
            shown = {kind, d.Flags, d.lpstrFile};
            const std::string choice = choices.empty() ? "" : choices.front();
            if (!choices.empty()) choices.erase(choices.begin());
            if (choice.empty() || choice.size() + 2 > d.nMaxFile) return false;
            std::memcpy(d.lpstrFile, choice.data(), choice.size());
            d.lpstrFile[choice.size()] = d.lpstrFile[choice.size() + 1] = '\0';
            return true;
        });
        ASSERT_TRUE(start());
    }
    void TearDown() override {
        stop();
        setMessageBoxHandler(nullptr);
        setFileDialogHandler(nullptr);
        EXPECT_TRUE(answers.empty()) << "a question the test expected was not asked";
        EXPECT_TRUE(choices.empty()) << "a file dialog the test expected was not shown";
    }
    bool start(const Texts& args = {"Quiltbox.exe"}) { return Application().init(args); }
    void stop() {
        Application().shutdown();
        pump();
    }
    void pump() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    bool quitPosted() {
        MSG message;
        return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    }

    MainFrame& frame() { return MainFrame::instance(); }
    HWND window() { return frame().window(); }
    Settings& settings() { return Settings::instance(); }
    void send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { SendMessageA(window(), message, wParam, lParam); }
    void command(UINT id) { send(WM_COMMAND, id); }
    void mouse(UINT message, POINT p, WPARAM keys = MK_LBUTTON) { send(message, keys, MAKELPARAM(p.x, p.y)); }
    // Runs a command that opens a modal dialog, with a script that works the dialog and ends it; whether it ran.
    bool withDialog(UINT id, std::function<void(HWND)> script) {
        dialogScript = std::move(script);
        scriptedDialog = nullptr;
        const HHOOK hook = SetWindowsHookExA(WH_CBT, findDialog, nullptr, GetCurrentThreadId());
        command(id);
        UnhookWindowsHookEx(hook);
        return !std::exchange(dialogScript, nullptr);
    }

    COLORREF canvas(int x, int y) { return GetPixel(frame().canvasDC(), x, y); }
    // Marks a canvas pixel of the surround: a command that composes the canvas paints it over.
    void mark() { SetPixel(frame().canvasDC(), 1, 1, kMark); }
    bool composed() { return canvas(1, 1) != kMark; }
    bool checked(UINT command) { return GetMenuState(GetMenu(window()), command, MF_BYCOMMAND) & MF_CHECKED; }
    std::string status(int part) {
        char text[512] = "";
        SendMessageA(StatusBar::instance().window(), SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // The images in their order, each as "NAME x,y" with a "*" when selected.
    std::string state() {
        std::string out;
        for (const auto& i : frame().images().images()) {
            out += " " + i->name() + " " + std::to_string(i->x()) + "," + std::to_string(i->y()) +
                   (i->isSelected() ? "*" : "");
        }
        return out.empty() ? out : out.substr(1);
    }
    std::string image(const std::string& file, int w = 10, int h = 10, Rgba colour = Rgba{200, 40, 40, 255}) {
        if (!fileExists(dir.file(file))) writeSolidImage(dir.file(file), w, h, colour);
        return dir.file(file);
    }
    void place(const std::vector<std::pair<std::string, Point>>& images) {
        for (const auto& [file, at] : images) {
            dropFiles(window(), {image(file)});
            frame().images().last().setPosition(at.x, at.y);
        }
        frame().redrawCanvas();
    }
    POINT over(int x, int y) {
        const Point o = frame().areaOrigin();
        return {o.x + frame().toScreen(x), o.y + frame().toScreen(y)};
    }
    std::string project(const std::string& file, const Texts& images) {
        TextureCollection collection;
        for (const std::string& i : images) EXPECT_TRUE(collection.addFromFile(image(i), false));
        EXPECT_TRUE(saveProjectFile(dir.file(file), collection));
        return dir.file(file);
    }

    TempDir dir;
    std::vector<MessageBoxCall> boxes;  // every message box, in order
    std::vector<int> answers;           // the buttons pressed; without one, the first button
    Texts choices;                      // what each file dialog returns; an empty text cancels
    struct {
        FileDialog::Kind kind;
        DWORD flags;
        std::string name;  // the name it showed first
    } shown{};  // the last file dialog
};

// The project named first is loaded with its view, a second ignored; one that cannot be opened leaves the window empty.
TEST_F(ShellTest, StartsWithTheProjectNamedFirst) {
    stop();
    settings().zoom = 512, settings().showBorder = 1, settings().showAlpha = 1, settings().centerArea = 0;
    const std::string named = project("named.qbp", {"a.bmp", "b.tga"});
    settings().resetToDefaults();
    ASSERT_TRUE(start({"Quiltbox.exe", named, dir.file("ignored.qbp")}));
    EXPECT_TRUE(boxes.empty() && frame().projectPath() == named && state() == "A 0,0 B 0,0*");
    EXPECT_TRUE(!checked(ID_CENTER_AREA) && checked(ID_SHOW_ALPHA) && checked(ID_SHOW_BORDER));
    EXPECT_EQ(status(StatusBar::kZoomPart), "2.00倍");
    stop();
    ASSERT_TRUE(start({"Quiltbox.exe", dir.file("missing.qbp")}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "プロジェクトファイルのオープンに失敗！");
    EXPECT_TRUE(boxes[0].caption == "Error" && boxes[0].owner == window());
    EXPECT_TRUE(state().empty() && frame().projectPath().empty() && !settings().isChanged());
    EXPECT_TRUE(checked(ID_CENTER_AREA) && !checked(ID_SHOW_ALPHA) && !checked(ID_SHOW_BORDER));
}

// The menu's commands in order ("(" and ")" around a pop-up, "-" a separator, each ID less 40000) and, in code page
// 932, an item and a help text from the string table; after a transient message the status bar shows the help again.
TEST_F(ShellTest, MenuAndStatusBar) {
    std::function<std::string(HMENU)> walk = [&](HMENU menu) {
        std::string ids;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            const UINT id = GetMenuItemID(menu, i);  // 0 for a separator
            const HMENU sub = GetSubMenu(menu, i);
            ids += sub ? "(" + walk(sub) + ")" : id ? " " + std::to_string(id - 40000) : std::string(" -");
        }
        return ids;
    };
    EXPECT_EQ(walk(GetMenu(window())), "( 1 20 28 19 - 3 - 10 11( 24 27 - 21) 22 25 - 23 - 2)( 4 - 9 5 18 - 16)"
                                       "( 6 7 8 - 17 - 13 14 26 - 15 - 29)( 30)");
    char text[64] = "";
    GetMenuStringA(GetMenu(window()), ID_PROJECT_NEW, text, sizeof text, MF_BYCOMMAND);
    EXPECT_EQ(std::string(text), "プロジェクト作成　　　　　  [N]");
    send(WM_MENUSELECT, MAKEWPARAM(ID_EXPORT_UV_ARRAY, MF_HILITE));
    EXPECT_EQ(status(StatusBar::kHelpPart), "C,C++ソースで直接使える変数定義テキストを出力");
    frame().showTransientMessage("上書き保存しました");
    send(WM_MENUSELECT, MAKEWPARAM(ID_VERSION, MF_HILITE));
    send(WM_TIMER, 1);
    EXPECT_EQ(status(StatusBar::kHelpPart), "バージョン情報");
}

// The list box follows the collection; a selection picks; a button and a key reorder; closing unchecks.
TEST_F(ShellTest, ListDialogMirrorsAndDrivesTheCollection) {
    place({{"a.bmp", {0, 0}}, {"b.bmp", {0, 0}}, {"c.bmp", {50, 50}}});
    HWND dialog = ListDialog::instance().window(), box = GetDlgItem(dialog, IDC_IMAGE_LIST);
    SendMessageA(box, LB_SETCURSEL, 0, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_IMAGE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(state(), "A 0,0* B 0,0 C 50,50");
    SendMessageA(dialog, WM_COMMAND, IDC_TO_BOTTOM, 0);
    SendMessageA(dialog, WM_CHAR, 'u', 0);  // one up
    std::string listed;
    for (char text[8]; SendMessageA(box, LB_GETTEXT, listed.size(), reinterpret_cast<LPARAM>(text)) != LB_ERR;) {
        listed += text;
    }
    EXPECT_TRUE(state() == "B 0,0 A 0,0* C 50,50" && listed == "BAC" && SendMessageA(box, LB_GETCURSEL, 0, 0) == 1);
    for (const WPARAM closeButton : {WPARAM{0}, WPARAM{IDC_LIST_CLOSE}}) {
        command(ID_SHOW_LIST);
        EXPECT_TRUE(IsWindowVisible(dialog) && checked(ID_SHOW_LIST));
        SendMessageA(dialog, closeButton ? WM_COMMAND : WM_CLOSE, closeButton, 0);
        EXPECT_TRUE(!IsWindowVisible(dialog) && !checked(ID_SHOW_LIST)) << closeButton;
    }
}

// The area, the images, their frames, border and alpha on the canvas; beyond its 1023 pixels the window paints grey.
TEST_F(ShellTest, Canvas) {
    const Point client = frame().clientSize();
    const int statusHeight = StatusBar::instance().size().y;
    const int cases[][6] = {  // zoom, side, centred; the area's left, top (-1: centred above the status bar), size
        {64, 1000, 1, -1, -1, 250}, {1024, 256, 1, 0, 0, 1024}, {256, 256, 0, 0, 0, 256}, {256, 256, 1, -1, -1, 256}};
    for (const auto& c : cases) {
        settings().zoom = c[0], settings().areaWidth = settings().areaHeight = c[1], settings().centerArea = c[2];
        frame().updateAreaOrigin();
        frame().composeCanvas();
        const int left = c[3] < 0 ? (client.x - c[5]) / 2 : c[3];
        const int top = c[4] < 0 ? (client.y - statusHeight - c[5]) / 2 : c[4];
        const int right = std::min(left + c[5], client.x) - 1;
        const int bottom = std::min(top + c[5], client.y - statusHeight) - 1;
        EXPECT_TRUE(canvas(left, top) == kBlack && canvas(right, bottom) == kBlack &&
                    (left == 0 || canvas(left - 1, top) == kGrey) &&
                    (right + 1 == client.x || canvas(right + 1, bottom) == kGrey) &&
                    (bottom + 1 == client.y - statusHeight || canvas(left, bottom + 1) == kGrey)) << c[0] + c[2];
    }
    image("half.tga", 6, 6, Rgba{0, 0, 250, 100});
    dropFiles(window(), {image("green.bmp", 10, 10, Rgba{0, 200, 0, 255}), dir.file("half.tga")});
    frame().images().images()[0]->setPosition(-5, -5);
    frame().images().images()[1]->setPosition(2, 2);  // over the BMP
    command(ID_SHOW_BORDER);
    const struct {
        int x, y;
        COLORREF shown, alpha;
    } pixels[] = {{-5, -5, RGB(0, 200, 0), kWhite}, {-1, 3, kYellow, kYellow}, {100, 256, kYellow, kYellow},
                  {3, 3, RGB(0, 0, 250), RGB(100, 100, 100)}, {1, 6, kRed, kRed}, {8, 8, kRed, kRed}};
    const Point o = frame().areaOrigin();
    for (const bool alpha : {false, true}) {
        if (alpha) command(ID_SHOW_ALPHA);
        for (const auto& p : pixels) EXPECT_EQ(canvas(o.x + p.x, o.y + p.y), alpha ? p.alpha : p.shown) << p.x;
    }
    // Places scale towards minus infinity (-5 at 0.50 is -3; the BMP white in the alpha view), the frame just outside.
    for (const auto& [zoom, bmpLeft, frameLeft, frameRight] : {std::array{128, -3, 0, 4}, {512, -10, 3, 16}}) {
        settings().zoom = zoom;
        frame().updateAreaOrigin();
        frame().composeCanvas();
        const Point z = frame().areaOrigin();
        EXPECT_TRUE(canvas(z.x + bmpLeft, z.y + 1) == kWhite && canvas(z.x + bmpLeft - 1, z.y + 1) == kGrey &&
                    canvas(z.x + frameLeft, z.y + 3) == kRed && canvas(z.x + frameRight, z.y + 3) == kRed) << zoom;
    }
    SetWindowPos(window(), nullptr, 0, 0, 1240, 500, SWP_NOZORDER);
    ASSERT_GT(frame().clientSize().x, 1100);
    PatBlt(frame().canvasDC(), 0, 0, 1024, 1024, WHITENESS);
    frame().composeCanvas();
    EXPECT_TRUE(canvas(1022, 10) == kGrey && canvas(1023, 10) == kWhite);
    RedrawWindow(window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(window());
    EXPECT_TRUE(GetPixel(dc, 1022, 10) == kGrey && GetPixel(dc, 1100, 10) == kGrey);
    ReleaseDC(window(), dc);
}

// The view commands, the edits and open (even cancelled) compose the canvas; the zoom keys stop at the bounds.
TEST_F(ShellTest, CommandsThatComposeTheCanvas) {
    place({{"a.bmp", {5, 5}}});
    for (UINT id :
         {ID_IMAGES_TO_ORIGIN, ID_SHOW_BORDER, ID_CENTER_AREA, ID_PROJECT_OPEN, ID_DELETE, ID_BACKGROUND_GRAY}) {
        mark();
        command(id);
        EXPECT_TRUE(composed() && boxes.empty()) << id;
    }
    EXPECT_TRUE(canvas(0, 0) == RGB(128, 128, 128) && checked(ID_SHOW_BORDER) && !checked(ID_CENTER_AREA));
    for (char key : {'.', '.', '.', '.', '.'}) send(WM_CHAR, key);
    EXPECT_TRUE(settings().zoom == 1024 && status(StatusBar::kZoomPart) == "4.00倍");
    for (int i = 0; i < 5; ++i) send(WM_CHAR, ',');
    EXPECT_TRUE(settings().zoom == 64 && status(StatusBar::kZoomPart) == "0.25倍");
}

// The topmost image is picked and brought up; Ctrl keeps the others; only the left button alone drags, at the zoom;
// the arrows move nothing when nothing is selected; Delete removes the selection.
TEST_F(ShellTest, PickAndDrag) {
    place({{"under.bmp", {0, 0}}, {"over.bmp", {5, 5}}, {"far.bmp", {100, 100}}});
    mouse(WM_LBUTTONDOWN, over(7, 7));
    EXPECT_EQ(state(), "UNDER 0,0 FAR 100,100 OVER 5,5*");
    mouse(WM_LBUTTONDOWN, over(100, 100), MK_LBUTTON | MK_CONTROL);
    const POINT p = over(100, 100);
    mouse(WM_MOUSEMOVE, {p.x + 3, p.y + 1}, MK_LBUTTON | MK_CONTROL);  // Ctrl still held: nothing
    mouse(WM_MOUSEMOVE, {p.x + 3, p.y + 1}, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(state(), "UNDER 0,0 OVER 5,5* FAR 100,100*");
    mouse(WM_MOUSEMOVE, {p.x + 3, p.y + 1});  // released: from the last stored position
    mouse(WM_LBUTTONUP, {p.x + 3, p.y + 1}, 0);
    mouse(WM_MOUSEMOVE, {p.x + 9, p.y + 9});
    EXPECT_EQ(state(), "UNDER 0,0 OVER 8,6* FAR 103,101*");
    // Two one-pixel steps of the pointer: nothing at 2.00, 4 area pixels each at 0.25.
    for (const auto& [step, moved] : std::vector<std::pair<UINT, int>>{{ID_ZOOM_IN, 0}, {ID_ZOOM_OUT, 8}}) {
        while (settings().zoom != (step == ID_ZOOM_IN ? 512 : 64)) command(step);
        const POINT at = over(108, 106);
        mouse(WM_LBUTTONDOWN, at);
        for (int i = 1; i <= 2; ++i) mouse(WM_MOUSEMOVE, {at.x + i, at.y});
        EXPECT_EQ(state(), "UNDER 0,0 OVER 8,6 FAR " + std::to_string(103 + moved) + ",101*") << settings().zoom;
    }
    mouse(WM_LBUTTONDOWN, over(500, 500));  // empty: nothing selected, nothing moved
    send(WM_KEYDOWN, VK_RIGHT);
    EXPECT_EQ(state(), "UNDER 0,0 OVER 8,6 FAR 111,101");
    mouse(WM_LBUTTONDOWN, over(116, 106));
    send(WM_KEYDOWN, VK_DELETE);
    EXPECT_EQ(state(), "UNDER 0,0 OVER 8,6");
}

// A project file dropped alone is opened, with others ignored; unsaved work is never thrown away unasked.
TEST_F(ShellTest, DroppedFilesAndUnsavedWork) {
    const std::string saved = project("p.qbp", {"saved.bmp"});
    dropFiles(window(), {saved, image("a.bmp")});
    dropFiles(window(), {image("CAPS.BMP"), dir.file("x.png")});
    EXPECT_EQ(state(), "A 0,0*");
    choices = {dir.file("a.qbp")};
    command(ID_PROJECT_SAVE_AS);
    send(WM_KEYDOWN, VK_RIGHT);
    send(WM_KEYDOWN, VK_LEFT);
    send(WM_CHAR, 27);
    EXPECT_TRUE(quitPosted() && boxes.empty());  // saved, and back where it was saved: no question
    send(WM_KEYDOWN, VK_RIGHT);
    answers = {IDCANCEL, IDCANCEL, IDOK};
    choices = {saved};
    send(WM_CLOSE);
    command(ID_PROJECT_OPEN);  // Cancel at the question: everything stays
    EXPECT_TRUE(!quitPosted() && state() == "A 1,0*" && boxes.size() == 2);
    EXPECT_EQ(boxes[0].text, "現在のプロジェクトは破棄されますがよろしいですか？");
    EXPECT_TRUE(boxes[0].caption == "アプリケーション終了" && boxes[0].type == static_cast<unsigned>(MB_OKCANCEL));
    dropFiles(window(), {saved});
    EXPECT_TRUE(state() == "SAVED 0,0*" && frame().projectPath() == saved);
    EXPECT_EQ(boxes.back().caption, "プロジェクトロード");
    answers = {IDOK};
    send(WM_KEYDOWN, VK_RIGHT);
    command(ID_PROJECT_NEW);
    EXPECT_TRUE(boxes.back().caption == "新規作成" && frame().projectPath().empty());
    send(WM_CHAR, 27);
    EXPECT_TRUE(quitPosted());  // a new project holds no work
    answers = {IDNO, IDYES};
    command(ID_APP_EXIT);
    EXPECT_FALSE(quitPosted());
    command(ID_APP_EXIT);
    EXPECT_TRUE(quitPosted());
    EXPECT_EQ(boxes.back().text, "アプリケーションを終了しますか？");
    EXPECT_TRUE(boxes.back().caption == "終了" && boxes.back().type == static_cast<unsigned>(MB_YESNO));
}

// The real save dialog (with OFN_FILEMUSTEXIST) takes a new name; saving again says so; a failed save asks again.
TEST_F(ShellTest, Saving) {
    place({{"a.bmp", {3, 4}}});
    const FileDialogHandler seam = setFileDialogHandler(nullptr);
    const std::string path = dir.file("p.qbp");
    EXPECT_TRUE(withDialog(ID_PROJECT_SAVE, [&](HWND dialog) {
        for (int box : {0x480, 0x47c}) SetDlgItemTextA(dialog, box, dir.file("p").c_str());  // the file name box
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    }));
    setFileDialogHandler(seam);
    EXPECT_TRUE(frame().projectPath() == path && fileExists(path) && status(0).empty());
    send(WM_KEYDOWN, VK_LEFT);
    command(ID_PROJECT_SAVE);
    EXPECT_TRUE(boxes.empty() && status(0) == "上書き保存しました");  // with no dialog, which the seam would cancel
    for (DWORD begin = GetTickCount(); GetTickCount() - begin < 2400; Sleep(20)) pump();
    EXPECT_EQ(status(0), "");
    ASSERT_TRUE(removeFile(path) && createFolder(path));  // the file replaced by a folder
    choices = {path};
    command(ID_PROJECT_SAVE);
    EXPECT_EQ(boxes.at(0).text, "ファイル出力に失敗！");
    EXPECT_TRUE(boxes.size() == 2 && status(0).empty());
}

// Exports (a save asks before it replaces a file; the three text exports share one name), several images from one
// dialog (a joined path too long is refused, not cut) and loads that fail.
TEST_F(ShellTest, FileCommands) {
    place({{"a.bmp", {0, 0}}});
    choices = {dir.file("atlas.bmp"), dir.path(), dir.file("ids.h")};
    command(ID_EXPORT_BMP);
    command(ID_EXPORT_TGA);  // to a folder
    EXPECT_TRUE(fileExists(dir.file("atlas.bmp")) && boxes.size() == 1 && boxes[0].text == "ファイル出力に失敗！");
    EXPECT_TRUE(shown.kind == FileDialog::Kind::Save && (shown.flags & OFN_OVERWRITEPROMPT));
    command(ID_EXPORT_IDS);
    command(ID_EXPORT_UV_ARRAY);
    EXPECT_EQ(shown.name, dir.file("ids.h"));
    const std::string longName = std::string(255 - dir.path().size(), 'x') + ".bmp";
    const std::string zero(1, '\0');
    choices = {image("b.bmp"), dir.path() + zero + "a.bmp" + zero + "a.tga" + zero + longName};
    image("a.tga");
    command(ID_OPEN_IMAGES);
    command(ID_OPEN_IMAGES);
    EXPECT_TRUE(shown.kind == FileDialog::Kind::Open && (shown.flags & OFN_ALLOWMULTISELECT));
    EXPECT_EQ(state(), "A 0,0 B 0,0 A_1 0,0 A_2 0,0*");
    EXPECT_EQ(boxes.back().text, "パスが長すぎます\n\"" + dir.path() + "/" + longName + "\"");
    command(ID_SHOW_BORDER);
    const std::string damaged = project("damaged.qbp", {"a.bmp", "b.bmp"});
    std::vector<uint8_t> bytes = readBytes(damaged);
    bytes.resize(bytes.size() - 3);
    writeBytes(damaged, bytes);
    choices = {dir.file("missing.qbp"), damaged, ""};
    answers = {IDOK};
    command(ID_PROJECT_OPEN);
    EXPECT_EQ(boxes.back().text, "プロジェクトファイルのオープンに失敗！");
    EXPECT_TRUE(settings().showBorder == 0 && !checked(ID_SHOW_BORDER));
    command(ID_PROJECT_OPEN);
    EXPECT_EQ(boxes.back().text, "プロジェクトファイルが壊れています!");
    EXPECT_TRUE(state() == "A 0,0*" && frame().projectPath().empty());
    command(ID_PROJECT_SAVE);  // asks for a name; cancelled
    EXPECT_EQ(readBytes(damaged).size(), bytes.size());
}

// The settings dialogs driven for real: Cancel leaves the record and the canvas as they were; what OK stores.
TEST_F(ShellTest, SettingsDialogs) {
    const Settings::Record before = settings().record();
    const auto type = [](int control, const std::string& text, int button) {
        return [=](HWND d) {
            SetDlgItemTextA(d, control, text.c_str());
            SendDlgItemMessageA(d, button, BM_CLICK, 0, 0);
        };
    };
    mark();
    EXPECT_TRUE(withDialog(ID_AUTO_LAYOUT_SETTINGS, type(IDC_SPACING, "9", IDCANCEL)));
    EXPECT_TRUE(withDialog(ID_FILE_SETTINGS, type(IDC_ID_PREFIX, "X_", IDCANCEL)));
    EXPECT_TRUE(withDialog(ID_AREA_SIZE, [&](HWND d) {
        SendDlgItemMessageA(d, IDC_AREA_WIDTH, WM_KEYDOWN, VK_UP, 0);
        SendDlgItemMessageA(d, IDCANCEL, BM_CLICK, 0, 0);
    }));
    EXPECT_FALSE(composed());
    EXPECT_TRUE(withDialog(ID_FILE_SETTINGS, [](HWND d) { SendDlgItemMessageA(d, IDOK, BM_CLICK, 0, 0); }));
    EXPECT_TRUE(settings().record() == before);
    EXPECT_TRUE(withDialog(ID_AUTO_LAYOUT_SETTINGS, type(IDC_SPACING, "-4abc", IDOK)));
    EXPECT_EQ(settings().layoutSpacing, -4);
    EXPECT_TRUE(withDialog(ID_FILE_SETTINGS, [&](HWND d) {
        SetDlgItemTextA(d, IDC_ID_HEADER, "// one\r\n// two");
        type(IDC_ID_PREFIX, std::string(40, 'P'), IDOK)(d);
    }));
    EXPECT_EQ(Settings::text(settings().idPrefix), std::string(31, 'P'));
    EXPECT_EQ(Settings::text(settings().idHeaderText), "// one\r\n// two");
    // The up arrow steps the width to the next power of two; the height moves on its own.
    EXPECT_TRUE(withDialog(ID_AREA_SIZE, [&](HWND d) {
        SendDlgItemMessageA(d, IDC_AREA_WIDTH, WM_KEYDOWN, VK_UP, 0);
        SendDlgItemMessageA(d, IDC_AREA_HEIGHT, WM_KEYDOWN, VK_DOWN, 0);
        SendDlgItemMessageA(d, IDOK, BM_CLICK, 0, 0);
    }));
    EXPECT_TRUE(settings().areaWidth == 512 && settings().areaHeight == 128 && composed());
}

// This test program carries the window program's resources, manifest included, so it runs as Quiltbox.exe does: with
// the common controls of version 6, whose comctl32.dll comes from their side-by-side assembly, not the system folder,
// and in code page 932 (a UTF-8 code page in the manifest would turn every Shift-JIS text into garbage).
TEST(Manifest, CommonControlsSixAndCodePage932) {
    InitCommonControls();
    char comctl[MAX_PATH] = "";
    ASSERT_TRUE(GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), comctl, sizeof comctl));
    EXPECT_NE(std::string(comctl).find("common-controls_6595b64144ccf1df_6.0."), std::string::npos) << comctl;
    EXPECT_EQ(GetACP(), 932u);
}

}  // namespace
