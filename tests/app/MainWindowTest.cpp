#include <windows.h>
#include <commctrl.h>

#include "app/ShellHarness.h"
#include "app/StatusBar.h"
#include "layout/ListDialog.h"
#include "project/ProjectFile.h"
#include "res/resource.h"

namespace {

class MainWindow : public ShellTest {
protected:
    // A project of two images with a zoom of 2.00, the border and the alpha view on and centring off.
    std::string savedProject() {
        TextureCollection images;
        EXPECT_TRUE(images.addFromFile(image("red.bmp", 8, 8, Rgba{255, 0, 0, 255}), true));
        EXPECT_TRUE(images.addFromFile(image("blue.tga", 4, 4, Rgba{0, 0, 255, 128}), true));
        images.last().setPosition(10, 2);
        Settings& s = settings();
        s.zoom = 512, s.showBorder = 1, s.showAlpha = 1, s.centerArea = 0;
        const std::string path = dir.file("view.qbp");
        EXPECT_TRUE(saveProjectFile(path, images));
        s.resetToDefaults();
        return path;
    }
};

TEST_F(MainWindow, StartsEmptyCentredAndTitled) {
    ASSERT_TRUE(start());
    char title[64] = "";
    GetWindowTextA(window(), title, sizeof title);
    EXPECT_STREQ(title, "Quiltbox");
    RECT desktop, placed;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window(), &placed);
    const int left = (desktop.right >> 1) - 320, top = (desktop.bottom >> 1) - 240;
    EXPECT_EQ(std::vector<LONG>({placed.left, placed.top, placed.right, placed.bottom}),
              std::vector<LONG>({left, top, left + 640, top + 480}));
    EXPECT_TRUE(IsWindowVisible(window()));
    EXPECT_FALSE(settings().isChanged());
    EXPECT_EQ(frame().images().count(), 0);
    EXPECT_TRUE(checked(ID_CENTER_AREA) && !checked(ID_SHOW_ALPHA) && !checked(ID_SHOW_BORDER) && !checked(ID_SHOW_LIST));
    EXPECT_TRUE(boxes.empty());
}

// The project named first is loaded before the window is shown, with its view and check marks; a second is ignored.
TEST_F(MainWindow, StartsWithTheProjectNamedFirst) {
    const std::string project = savedProject();
    ASSERT_TRUE(start({"Quiltbox.exe", project, dir.file("ignored.qbp")}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(names(), (std::vector<std::string>{"RED", "BLUE"}));
    EXPECT_EQ(settings().zoom, 512);
    EXPECT_EQ(frame().projectPath(), project);
    EXPECT_TRUE(!checked(ID_CENTER_AREA) && checked(ID_SHOW_ALPHA) && checked(ID_SHOW_BORDER));
    EXPECT_EQ(status(StatusBar::kZoomPart), "2.00倍");
    const CanvasPixels c = canvas();
    EXPECT_EQ(c.at(5, 5), RGB(255, 255, 255));    // the BMP's alpha view, twice its size at the corner
    EXPECT_EQ(c.at(25, 7), RGB(128, 128, 128));   // the TGA's alpha at (10, 2) x 2
    EXPECT_EQ(c.at(512, 100), kYellow);           // the border right of the 512-pixel area
}

TEST_F(MainWindow, StartsEmptyAfterAProjectThatCannotBeOpened) {
    ASSERT_TRUE(start({"Quiltbox.exe", dir.file("missing.qbp")}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "プロジェクトファイルのオープンに失敗！");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].owner, window());
    EXPECT_FALSE(visibleAtFirstBox);
    EXPECT_EQ(frame().images().count(), 0);
    EXPECT_TRUE(frame().projectPath().empty());
}

// The main window's destruction takes its status bar and list dialog with it; shutdown finds them gone.
TEST_F(MainWindow, ShutsDownAfterItsWindowsAreGone) {
    ASSERT_TRUE(start());
    DestroyWindow(window());
    EXPECT_TRUE(quitPosted());
    stop();
    EXPECT_EQ(StatusBar::instance().window(), nullptr);
    EXPECT_EQ(ListDialog::instance().window(), nullptr);
    EXPECT_EQ(StatusBar::instance().size(), (Point{0, 0}));
}

// The menu as the resources hold it, read back in code page 932: pop-ups, items, separators and exact texts.
TEST_F(MainWindow, MenuTextsAreExact) {
    ASSERT_TRUE(start());
    std::string dump;
    std::function<void(HMENU, const std::string&)> walk = [&](HMENU menu, const std::string& indent) {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[128] = "";
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            const UINT id = GetMenuItemID(menu, i);
            if (HMENU sub = GetSubMenu(menu, i)) {
                dump += indent + text + "\n";
                walk(sub, indent + "  ");
            } else {
                dump += indent + (id == 0 ? std::string("-") : std::to_string(id) + " " + text) + "\n";
            }
        }
    };
    walk(GetMenu(window()), "");
    EXPECT_EQ(dump,
              "ファイル(&F)\n"
              "  40001 プロジェクト作成　　　　　  [N]\n"
              "  40020 プロジェクトを開く　　　　　 [O]\n"
              "  40028 プロジェクト上書き保存　　[S]\n"
              "  40019 プロジェクトを別名で保存\n  -\n"
              "  40003 画像を開く\n  -\n"
              "  40010 BMP出力\n  40011 TGA出力\n"
              "  UV出力\n    40024 QUV形式で出力\n    40027 C,C++変数形式で出力\n    -\n    40021 #define形式で出力\n"
              "  40022 ID出力\n  40025 いつもの場所に出力\n  -\n  40023 ファイル設定\n  -\n  40002 終了　　　[Esc]\n"
              "編集(&E)\n"
              "  40004 配置領域サイズ変更\n  -\n  40009 画像を原点へ\n  40005 自動並べ替え [F]\n  40018 自動並べ替え設定\n"
              "  -\n  40016 削除　　　　[Delete]\n"
              "表示(&V)\n"
              "  40006 背景色　白\n  40007 背景色　黒\n  40008 背景色　灰色\n  -\n  40017 境界線　　[L]\n  -\n"
              "  40013 拡大　　　[ . ]\n  40014 縮小　　　[ , ]\n  40026 センタリング\n  -\n  40015 アルファー表示 [A]\n"
              "  -\n  40029 リスト\n"
              "ヘルプ\n  40030 バージョン\n");
}

// Every menu item's help text reaches the status bar from the string table; save, pop-ups and closing show none.
TEST_F(MainWindow, StatusBarShowsMenuHelpAndTheZoom) {
    ASSERT_TRUE(start());
    const Point size = StatusBar::instance().size();
    EXPECT_GT(size.y, 0);
    int edges[4] = {};
    ASSERT_EQ(SendMessageA(StatusBar::instance().window(), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 4);
    EXPECT_EQ(std::vector<int>(edges, edges + 4), (std::vector<int>{300, 400, 500, 1000}));
    EXPECT_EQ(status(StatusBar::kZoomPart), "1.00倍");
    const std::pair<UINT, const char*> help[] = {
        {40001, "新規作成"}, {40020, "プロジェクトファイルを開きます"}, {40019, "プロジェクトファイルを保存します。"},
        {40003, "画像を読み込んで現在のプロジェクトに追加します。"},
        {40010, "現在の配置領域のイメージをBMP形式で出力します。"},
        {40011, "現在の配置領域のイメージをTGA形式で出力します。"},
        {40021, "UV値を#define定義したテキストを出力します。（オマケ）"},
        {40027, "C,C++ソースで直接使える変数定義テキストを出力"}, {40024, "UV値をシンプルなフォーマットで出力します。"},
        {40022, "出力したUV値などを利用するためのIDを出力します。"},
        {40025, "あらかじめ設定した場所にファイルを出力します。"}, {40023, "ファイル関係の設定をします。"},
        {40002, "アプリケーションを終了します。"}, {40004, "配置エリアのサイズを変更します。"},
        {40009, "選択中の画像を始点に移動します。"}, {40005, "画像を自動的に並べ替えます。"},
        {40018, "自動配置の設定を行います。"}, {40016, "選択中の画像を破棄します。"},
        {40006, "配置エリア背景カラーを変更します。"}, {40007, "配置エリア背景カラーを変更します。"},
        {40008, "配置エリア背景カラーを変更します。"}, {40013, "配置エリアを拡大します。"},
        {40014, "配置エリアを縮小します。"}, {40015, "画像のアルファー部分を表示します。"},
        {40017, "配置エリアに枠線を表示します。"}, {40026, "配置エリアを中央寄せします。"},
        {40029, "テクスチャーIDリストを表示します。"}, {40030, "バージョン情報"},
        {40028, ""}, {0, ""}, {3, ""}};
    for (const auto& [command, text] : help) {
        send(WM_MENUSELECT, MAKEWPARAM(command, MF_HILITE));
        EXPECT_EQ(status(StatusBar::kHelpPart), text) << command;
    }
}

// The transient message goes at the first tick of timer 1, unless a help text replaced it meanwhile.
TEST_F(MainWindow, TransientMessageClearsAtTheTimer) {
    ASSERT_TRUE(start());
    frame().showTransientMessage("上書き保存しました");
    send(WM_TIMER, 2);
    EXPECT_EQ(status(0), "上書き保存しました");
    send(WM_TIMER, 1);
    EXPECT_EQ(status(0), "");
    frame().showTransientMessage("上書き保存しました");
    send(WM_MENUSELECT, MAKEWPARAM(40030, MF_HILITE));
    send(WM_TIMER, 1);
    EXPECT_EQ(status(0), "バージョン情報");
}

// The list box follows the collection; a click selects every image of the name; the buttons reorder; closing hides.
TEST_F(MainWindow, ListDialogMirrorsAndDrivesTheCollection) {
    ASSERT_TRUE(start());
    drop({image("a.bmp"), image("b.bmp"), image("c.bmp")});
    frame().images().last().setPosition(50, 50);
    EXPECT_EQ(listBox(), names());
    HWND dialog = ListDialog::instance().window();
    HWND box = GetDlgItem(dialog, IDC_IMAGE_LIST);
    const auto click = [&](int entry) {
        SendMessageA(box, LB_SETCURSEL, entry, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_IMAGE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    };
    click(0);
    EXPECT_EQ(selectedNames(), (std::vector<std::string>{"A"}));
    const Point o = frame().areaOrigin();
    EXPECT_EQ(canvas().at(o.x - 1, o.y), kRed);         // redrawn: the frame moved from C to A
    EXPECT_NE(canvas().at(o.x + 49, o.y + 50), kRed);
    click(2);
    SendMessageA(dialog, WM_COMMAND, IDC_TO_TOP, 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"C", "A", "B"}));
    SendMessageA(dialog, WM_CHAR, 'd', 0);  // one down
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "C", "B"}));
    SendMessageA(dialog, WM_COMMAND, IDC_TO_BOTTOM, 0);
    SendMessageA(dialog, WM_CHAR, 'U', 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(listBox(), names());
    EXPECT_EQ(SendMessageA(box, LB_GETCURSEL, 0, 0), 1);

    command(ID_SHOW_LIST);
    EXPECT_TRUE(IsWindowVisible(dialog) && checked(ID_SHOW_LIST));
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(!IsWindowVisible(dialog) && !checked(ID_SHOW_LIST));
    command(ID_SHOW_LIST);
    SendMessageA(dialog, WM_COMMAND, IDC_LIST_CLOSE, 0);
    EXPECT_TRUE(!IsWindowVisible(dialog) && !checked(ID_SHOW_LIST));
    EXPECT_EQ(listBox(), names());
}

// Equal names stored in a project select together from the list.
TEST_F(MainWindow, ListClickSelectsEveryImageOfTheName) {
    TextureCollection images;
    ASSERT_TRUE(images.addFromFile(image("a.bmp"), true));
    ASSERT_TRUE(images.addFromFile(image("b.bmp"), true));
    images.setName(images.last(), "A");
    const std::string project = dir.file("twins.qbp");
    ASSERT_TRUE(saveProjectFile(project, images));
    ASSERT_TRUE(start({"Quiltbox.exe", project}));
    EXPECT_EQ(listBox(), (std::vector<std::string>{"A", "A"}));
    HWND dialog = ListDialog::instance().window();
    SendDlgItemMessageA(dialog, IDC_IMAGE_LIST, LB_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_IMAGE_LIST, LBN_SELCHANGE), 0);
    EXPECT_EQ(selectedNames(), (std::vector<std::string>{"A", "A"}));
}

// The canvas at the view settings that move or change it, read back from its bitmap.
TEST_F(MainWindow, CanvasGeometry) {
    ASSERT_TRUE(start());
    const Point client = frame().clientSize();
    const int statusHeight = StatusBar::instance().size().y;
    struct Case {
        const char* what;
        int32_t zoom, side, center;
        int left, top, size;  // the area on the canvas; -1: centred above the status bar
    };
    const Case cases[] = {
        {"defaults", 256, 256, 1, -1, -1, 256},
        {"zoom 0.25", 64, 1000, 1, -1, -1, 250},
        {"zoom 4.00 pinned", 1024, 256, 1, 0, 0, 1024},
        {"not centred", 256, 256, 0, 0, 0, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings().zoom = c.zoom, settings().areaWidth = settings().areaHeight = c.side, settings().centerArea = c.center;
        frame().updateAreaOrigin();
        frame().composeCanvas();
        const int left = c.left < 0 ? (client.x - c.size) / 2 : c.left;
        const int top = c.top < 0 ? (client.y - statusHeight - c.size) / 2 : c.top;
        const CanvasPixels pixels = canvas();
        const int right = std::min(left + c.size, client.x) - 1, bottom = std::min(top + c.size, client.y - statusHeight) - 1;
        for (const Point& p : {Point{left, top}, Point{right, top}, Point{left, bottom}, Point{right, bottom}}) {
            EXPECT_EQ(pixels.at(p.x, p.y), kBlack) << p.x << "," << p.y;
        }
        // The surround just outside, where the client shows it.
        EXPECT_TRUE(left == 0 || pixels.at(left - 1, top) == kSurround);
        EXPECT_TRUE(right + 1 == client.x || pixels.at(right + 1, bottom) == kSurround);
        EXPECT_TRUE(bottom + 1 == client.y - statusHeight || pixels.at(left, bottom + 1) == kSurround);
    }
}

// Images are drawn over the surround too; a selected one is framed in red just outside; the yellow border lies just
// outside the area and over the images; the alpha view draws alpha as grey.
TEST_F(MainWindow, CanvasImagesFramesBorderAndAlpha) {
    ASSERT_TRUE(start());
    drop({image("green.bmp", 10, 10, Rgba{0, 200, 0, 255}), image("half.tga", 6, 6, Rgba{0, 0, 250, 100})});
    frame().images().images()[0]->setPosition(-5, -5);
    frame().images().images()[1]->setPosition(20, 0);
    command(ID_SHOW_BORDER);
    const Point o = frame().areaOrigin();
    CanvasPixels c = canvas();
    EXPECT_EQ(c.at(o.x - 5, o.y - 5), RGB(0, 200, 0));  // on the surround
    EXPECT_EQ(c.at(o.x + 3, o.y + 3), RGB(0, 200, 0));
    EXPECT_EQ(c.at(o.x - 1, o.y + 3), kYellow);          // the border covers the image
    EXPECT_EQ(c.at(o.x + 256, o.y + 100), kYellow);
    EXPECT_EQ(c.at(o.x + 100, o.y + 256), kYellow);
    EXPECT_EQ(c.at(o.x + 255, o.y + 255), kBlack);
    EXPECT_EQ(c.at(o.x + 20, o.y + 0), RGB(0, 0, 250));
    EXPECT_EQ(c.at(o.x + 19, o.y + 3), kRed);            // the new image is the selected one
    EXPECT_EQ(c.at(o.x + 26, o.y + 6), kRed);
    command(ID_SHOW_ALPHA);
    c = canvas();
    EXPECT_EQ(c.at(o.x + 3, o.y + 3), RGB(255, 255, 255));
    EXPECT_EQ(c.at(o.x + 22, o.y + 2), RGB(100, 100, 100));
}

// The canvas stops at 1023 pixels; a wider window shows the surround grey beyond it, painted, not left undrawn.
TEST_F(MainWindow, WideWindowShowsGreyBeyondTheCanvas) {
    ASSERT_TRUE(start());
    SetWindowPos(window(), nullptr, 0, 0, 1240, 500, SWP_NOZORDER);
    ASSERT_GT(frame().clientSize().x, 1100);
    HDC canvasDC = frame().canvasDC();
    PatBlt(canvasDC, 0, 0, 1024, 1024, WHITENESS);
    frame().composeCanvas();
    const CanvasPixels c = canvas();
    EXPECT_EQ(c.at(1022, 10), kSurround);
    EXPECT_EQ(c.at(1023, 10), RGB(255, 255, 255));
    RedrawWindow(window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(window());
    EXPECT_EQ(GetPixel(dc, 1022, 10), kSurround);
    EXPECT_EQ(GetPixel(dc, 1100, 10), kSurround);
    ReleaseDC(window(), dc);
}

}  // namespace
