// The window program under Wine, driven by messages to its real windows, its boxes and file dialogs answered by seams.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
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
            dialogs.push_back(describe(d, kind));
            shownName = d.lpstrFile;
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
    // A file dialog as the program describes it: kind, flags, buffer, default extension, filters.
    std::string describe(const OPENFILENAMEA& d, FileDialog::Kind kind) {
        EXPECT_TRUE(d.lStructSize == OPENFILENAME_SIZE_VERSION_400A && d.hwndOwner == window() &&
                    d.nFilterIndex == 1 && !d.lpstrTitle);
        char head[64];
        std::snprintf(head, sizeof head, "%s %lx %lu %s ", kind == FileDialog::Kind::Open ? "open" : "save",
                      d.Flags, d.nMaxFile, d.lpstrDefExt ? d.lpstrDefExt : "-");
        std::string out = head;
        for (const char* f = d.lpstrFilter; *f; f += std::strlen(f) + 1) out += std::string(f) + "|";
        return out;
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
    Texts dialogs;                      // every file dialog shown, described
    std::string shownName;              // the name the last file dialog showed first
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

// The menu and each item's help text from the string table, in code page 932, as the menu and the status bar show them.
TEST_F(ShellTest, MenuStringsAndStatusBar) {
    std::string dump;
    std::function<void(HMENU, const std::string&)> walk = [&](HMENU menu, const std::string& indent) {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[128] = "";
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            const UINT id = GetMenuItemID(menu, i);  // -1 for a pop-up, 0 for a separator
            send(WM_MENUSELECT, MAKEWPARAM(id == UINT(-1) ? i : id, MF_HILITE));
            const std::string help = status(StatusBar::kHelpPart);
            dump += indent + (id == UINT(-1) ? text : id ? std::to_string(id) + " " + text : "-") +
                    (help.empty() ? "" : " | " + help) + "\n";
            if (HMENU sub = GetSubMenu(menu, i)) walk(sub, indent + "  ");
        }
    };
    walk(GetMenu(window()), "");
    EXPECT_EQ(dump,
              "ファイル(&F)\n  40001 プロジェクト作成　　　　　  [N] | 新規作成\n"
              "  40020 プロジェクトを開く　　　　　 [O] | プロジェクトファイルを開きます\n"
              "  40028 プロジェクト上書き保存　　[S]\n"
              "  40019 プロジェクトを別名で保存 | プロジェクトファイルを保存します。\n  -\n"
              "  40003 画像を開く | 画像を読み込んで現在のプロジェクトに追加します。\n  -\n"
              "  40010 BMP出力 | 現在の配置領域のイメージをBMP形式で出力します。\n"
              "  40011 TGA出力 | 現在の配置領域のイメージをTGA形式で出力します。\n  UV出力\n"
              "    40024 QUV形式で出力 | UV値をシンプルなフォーマットで出力します。\n"
              "    40027 C,C++変数形式で出力 | C,C++ソースで直接使える変数定義テキストを出力\n    -\n"
              "    40021 #define形式で出力 | UV値を#define定義したテキストを出力します。（オマケ）\n"
              "  40022 ID出力 | 出力したUV値などを利用するためのIDを出力します。\n"
              "  40025 いつもの場所に出力 | あらかじめ設定した場所にファイルを出力します。\n  -\n"
              "  40023 ファイル設定 | ファイル関係の設定をします。\n  -\n"
              "  40002 終了　　　[Esc] | アプリケーションを終了します。\n編集(&E)\n"
              "  40004 配置領域サイズ変更 | 配置エリアのサイズを変更します。\n  -\n"
              "  40009 画像を原点へ | 選択中の画像を始点に移動します。\n"
              "  40005 自動並べ替え [F] | 画像を自動的に並べ替えます。\n"
              "  40018 自動並べ替え設定 | 自動配置の設定を行います。\n  -\n"
              "  40016 削除　　　　[Delete] | 選択中の画像を破棄します。\n表示(&V)\n"
              "  40006 背景色　白 | 配置エリア背景カラーを変更します。\n"
              "  40007 背景色　黒 | 配置エリア背景カラーを変更します。\n"
              "  40008 背景色　灰色 | 配置エリア背景カラーを変更します。\n  -\n"
              "  40017 境界線　　[L] | 配置エリアに枠線を表示します。\n  -\n"
              "  40013 拡大　　　[ . ] | 配置エリアを拡大します。\n  40014 縮小　　　[ , ] | 配置エリアを縮小します。\n"
              "  40026 センタリング | 配置エリアを中央寄せします。\n  -\n"
              "  40015 アルファー表示 [A] | 画像のアルファー部分を表示します。\n  -\n"
              "  40029 リスト | テクスチャーIDリストを表示します。\nヘルプ\n  40030 バージョン | バージョン情報\n");
    int edges[4] = {};
    ASSERT_EQ(SendMessageA(StatusBar::instance().window(), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 4);
    EXPECT_EQ(std::vector<int>(edges, edges + 4), (std::vector<int>{300, 400, 500, 1000}));
    EXPECT_EQ(status(StatusBar::kZoomPart), "1.00倍");
    frame().showTransientMessage("上書き保存しました");
    send(WM_MENUSELECT, MAKEWPARAM(40030, MF_HILITE));
    send(WM_TIMER, 1);
    EXPECT_EQ(status(StatusBar::kHelpPart), "バージョン情報");
}

// The list box follows the collection; a click selects and redraws; the four buttons reorder; closing unchecks.
TEST_F(ShellTest, ListDialogMirrorsAndDrivesTheCollection) {
    place({{"a.bmp", {0, 0}}, {"b.bmp", {0, 0}}, {"c.bmp", {50, 50}}});
    HWND dialog = ListDialog::instance().window(), box = GetDlgItem(dialog, IDC_IMAGE_LIST);
    const WPARAM click = MAKEWPARAM(IDC_IMAGE_LIST, LBN_SELCHANGE);
    SendMessageA(box, LB_SETCURSEL, 0, 0);
    SendMessageA(dialog, WM_COMMAND, click, reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(state(), "A 0,0* B 0,0 C 50,50");
    const Point o = frame().areaOrigin();
    EXPECT_TRUE(canvas(o.x - 1, o.y) == kRed && canvas(o.x + 49, o.y + 50) != kRed);  // the frame moved
    SendMessageA(box, LB_SETCURSEL, 2, 0);
    SendMessageA(dialog, WM_COMMAND, click, reinterpret_cast<LPARAM>(box));
    SendMessageA(dialog, WM_COMMAND, IDC_TO_TOP, 0);
    SendMessageA(dialog, WM_CHAR, 'd', 0);  // one down
    EXPECT_EQ(state(), "A 0,0 C 50,50* B 0,0");
    SendMessageA(dialog, WM_COMMAND, IDC_TO_BOTTOM, 0);
    SendMessageA(dialog, WM_CHAR, 'U', 0);
    EXPECT_EQ(state(), "A 0,0 C 50,50* B 0,0");
    std::string listed;
    for (char text[8]; SendMessageA(box, LB_GETTEXT, listed.size(), reinterpret_cast<LPARAM>(text)) != LB_ERR;) {
        listed += text;
    }
    EXPECT_TRUE(listed == "ACB" && SendMessageA(box, LB_GETCURSEL, 0, 0) == 1) << listed;
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
    frame().images().images()[1]->setPosition(20, 0);
    command(ID_SHOW_BORDER);
    const struct {
        int x, y;
        COLORREF shown, alpha;
    } pixels[] = {{-5, -5, RGB(0, 200, 0), kWhite}, {-1, 3, kYellow, kYellow}, {256, 100, kYellow, kYellow},
                  {100, 256, kYellow, kYellow}, {22, 2, RGB(0, 0, 250), RGB(100, 100, 100)}, {19, 3, kRed, kRed},
                  {26, 6, kRed, kRed}};
    const Point o = frame().areaOrigin();
    for (const bool alpha : {false, true}) {
        if (alpha) command(ID_SHOW_ALPHA);
        for (const auto& p : pixels) EXPECT_EQ(canvas(o.x + p.x, o.y + p.y), alpha ? p.alpha : p.shown) << p.x;
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

// Only the view commands, the edits, new and open (even cancelled) compose the canvas; the zoom keys stop at bounds.
TEST_F(ShellTest, CommandsComposeOnlyWhenThePictureMayChange) {
    place({{"a.bmp", {5, 5}}});
    const std::pair<UINT, const char*> keepsCanvas[] = {
        {ID_EXPORT_BMP, ""},  {ID_EXPORT_TGA, ""}, {ID_EXPORT_UV_DEFINES, ""}, {ID_EXPORT_IDS, ""},
        {ID_EXPORT_QUV, ""},  {ID_EXPORT_UV_ARRAY, ""}, {ID_EXPORT_USUAL_PLACES, "出力しませんでした。"},
        {ID_PROJECT_SAVE_AS, ""}, {ID_SHOW_LIST, ""}, {ID_VERSION, "ver 1.03"}, {ID_OPEN_IMAGES, ""}};
    for (const auto& [id, box] : keepsCanvas) {
        boxes.clear();
        mark();
        command(id);
        EXPECT_FALSE(composed()) << id;
        EXPECT_EQ(boxes.empty() ? "" : boxes[0].text, box) << id;
    }
    for (UINT id : {ID_AUTO_LAYOUT, ID_BACKGROUND_WHITE, ID_IMAGES_TO_ORIGIN, ID_SHOW_BORDER, ID_CENTER_AREA,
                    ID_PROJECT_OPEN, ID_ZOOM_OUT, ID_DELETE, ID_BACKGROUND_GRAY}) {
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

// The topmost image is picked and brought up; Ctrl keeps the others; only the left button alone drags, at the zoom.
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
    send(WM_KEYDOWN, VK_LEFT);
    send(WM_KEYDOWN, VK_UP);
    EXPECT_EQ(state(), "UNDER 0,0 OVER 8,6 FAR 110,100*");
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
    answers = {IDCANCEL, IDCANCEL, IDCANCEL, IDOK};
    choices = {saved};
    send(WM_CHAR, 27);
    send(WM_CLOSE);
    command(ID_PROJECT_OPEN);  // Cancel at the question: everything stays
    EXPECT_TRUE(!quitPosted() && state() == "A 1,0*" && boxes.size() == 3);
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
    command(ID_SHOW_BORDER);  // a changed setting is
    answers = {IDCANCEL, IDNO, IDYES};
    send(WM_CHAR, 27);
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

// Every file dialog, cancelled; the three text exports share one, which shows the name chosen last.
TEST_F(ShellTest, FileDialogs) {
    const std::string all = "すべてのファイル {*.*}|*.*|", text = "txt {*.txt}|*.txt|h {*.h}|*.h|cpp {*.cpp}|*.cpp|" + all;
    const std::pair<UINT, std::string> rows[] = {
        {ID_PROJECT_OPEN, "open 1000 512 - qbp {*.qbp}|*.qbp|" + all},
        {ID_PROJECT_SAVE_AS, "save 1002 512 qbp qbp {*.qbp}|*.qbp|" + all},
        {ID_OPEN_IMAGES, "open 81200 1024 - bmp {*.bmp}|*.bmp|tga {*.tga}|*.tga|" + all},
        {ID_EXPORT_BMP, "save 1002 256 bmp bmp {*.bmp}|*.bmp|" + all},
        {ID_EXPORT_TGA, "save 1002 256 tga tga {*.tga}|*.tga|" + all},
        {ID_EXPORT_QUV, "save 1002 256 - quv {*.quv}|*.quv|" + all},
        {ID_EXPORT_IDS, "save 1002 256 - " + text},
        {ID_EXPORT_UV_ARRAY, "save 1002 256 - " + text},
    };
    place({{"a.bmp", {0, 0}}});
    for (const auto& [id, seen] : rows) {
        if (id == ID_EXPORT_IDS) choices = {dir.file("ids.h")};
        dialogs.clear();
        command(id);
        EXPECT_EQ(dialogs, Texts{seen}) << id;
    }
    EXPECT_EQ(shownName, dir.file("ids.h"));
}

// Exports, several images from one dialog (a joined path too long is refused, not cut) and loads that fail.
TEST_F(ShellTest, FileCommandsThatFail) {
    place({{"a.bmp", {0, 0}}});
    choices = {dir.file("atlas.bmp"), dir.path()};
    command(ID_EXPORT_BMP);
    command(ID_EXPORT_TGA);  // to a folder
    EXPECT_TRUE(fileExists(dir.file("atlas.bmp")) && boxes.size() == 1 && boxes[0].text == "ファイル出力に失敗！");
    const std::string longName = std::string(255 - dir.path().size(), 'x') + ".bmp";
    const std::string zero(1, '\0');
    choices = {image("b.bmp"), dir.path() + zero + "a.bmp" + zero + "a.tga" + zero + longName};
    image("a.tga");
    command(ID_OPEN_IMAGES);
    command(ID_OPEN_IMAGES);
    EXPECT_EQ(state(), "A 0,0 B 0,0 A_1 0,0 A_2 0,0*");
    EXPECT_EQ(boxes.back().text, "パスが長すぎます\n\"" + dir.path() + "/" + longName + "\"");
    command(ID_SHOW_BORDER);
    writeBytes(dir.file("other.qbp"), std::string("not a project at all"));
    const std::string damaged = project("damaged.qbp", {"a.bmp", "b.bmp"});
    std::vector<uint8_t> bytes = readBytes(damaged);
    bytes.resize(bytes.size() - 3);
    writeBytes(damaged, bytes);
    choices = {dir.file("missing.qbp"), dir.file("other.qbp"), damaged, ""};
    answers = {IDOK};
    command(ID_PROJECT_OPEN);
    EXPECT_EQ(boxes.back().text, "プロジェクトファイルのオープンに失敗！");
    EXPECT_TRUE(settings().showBorder == 0 && !checked(ID_SHOW_BORDER));
    command(ID_PROJECT_OPEN);
    EXPECT_EQ(boxes.back().text, "Quiltboxプロジェクトファイルではありません!");
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
    const std::pair<const char*, int32_t> spacings[] = {{"12abc", 12}, {"", 0}, {"-4", -4}};
    for (const auto& [typed, spacing] : spacings) {
        EXPECT_TRUE(withDialog(ID_AUTO_LAYOUT_SETTINGS, type(IDC_SPACING, typed, IDOK)));
        EXPECT_EQ(settings().layoutSpacing, spacing) << typed;
    }
    EXPECT_TRUE(withDialog(ID_FILE_SETTINGS, [&](HWND d) {
        SetDlgItemTextA(d, IDC_ID_HEADER, "// one\r\n// two");
        type(IDC_ID_PREFIX, std::string(40, 'P'), IDOK)(d);
    }));
    EXPECT_EQ(Settings::text(settings().idPrefix), std::string(31, 'P'));
    EXPECT_EQ(Settings::text(settings().idHeaderText), "// one\r\n// two");
    // The width steps through the powers of two and wraps; the height moves on its own.
    Texts widths;
    EXPECT_TRUE(withDialog(ID_AREA_SIZE, [&](HWND d) {
        char text[16];
        for (const int key : {VK_UP, VK_UP, VK_UP, VK_DOWN, VK_DOWN}) {
            SendDlgItemMessageA(d, IDC_AREA_WIDTH, WM_KEYDOWN, key, 0);
            GetDlgItemTextA(d, IDC_AREA_WIDTH, text, sizeof text);
            widths.push_back(text);
        }
        SendDlgItemMessageA(d, IDC_AREA_HEIGHT, WM_KEYDOWN, VK_DOWN, 0);
        SendDlgItemMessageA(d, IDOK, BM_CLICK, 0, 0);
    }));
    EXPECT_EQ(widths, (Texts{"512", "1024", "32", "1024", "512"}));
    EXPECT_TRUE(settings().areaWidth == 512 && settings().areaHeight == 128 && composed());
}

}  // namespace
