#include <windows.h>

#include <cstring>

#include "app/ShellHarness.h"
#include "app/StatusBar.h"
#include "base/FileSystem.h"
#include "layout/ListDialog.h"
#include "project/ProjectFile.h"
#include "res/resource.h"

namespace {

class Commands : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(start());
    }
    // Marks a canvas pixel of the surround: a command that composes the canvas paints it over.
    void mark() { SetPixel(frame().canvasDC(), 1, 1, RGB(255, 0, 255)); }
    bool composed() { return canvas().at(1, 1) != RGB(255, 0, 255); }
    // Drops images at the given places, the last one selected.
    void place(const std::vector<std::pair<std::string, Point>>& images) {
        for (const auto& [file, at] : images) {
            drop({image(file, 10, 10)});
            frame().images().last().setPosition(at.x, at.y);
        }
        frame().redrawCanvas();
    }
    // A client position over an area position at the current zoom.
    POINT over(int x, int y) {
        const Point o = frame().areaOrigin();
        return {o.x + frame().toScreen(x), o.y + frame().toScreen(y)};
    }
    void click(int x, int y, WPARAM keys = MK_LBUTTON) {
        const POINT p = over(x, y);
        mouse(WM_LBUTTONDOWN, p.x, p.y, keys);
    }
};

// The program's save dialog, shown for real (with OFN_FILEMUSTEXIST among its flags), takes a name that does not exist
// yet and adds the project extension to it.
TEST_F(Commands, RealSaveDialogTakesANewNameAndAddsTheExtension) {
    const FileDialogHandler seam = setFileDialogHandler(nullptr);
    const std::string typed = dir.file("fresh");
    DialogScript script([&](HWND dialog) {
        for (int box : {0x480, 0x47c}) SetDlgItemTextA(dialog, box, typed.c_str());  // the file name box
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    command(ID_PROJECT_SAVE_AS);
    setFileDialogHandler(seam);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(frame().projectPath(), typed + ".qbp");
    EXPECT_TRUE(fileExists(typed + ".qbp"));
}

// What each command leaves composed: the exports, the settings dialogs, saving, the list and the boxes do not
// compose the canvas; the view commands, the edits, new and open (even cancelled) do.
TEST_F(Commands, CommandsComposeOnlyWhenThePictureMayChange) {
    place({{"a.bmp", {5, 5}}});
    struct Row {
        UINT command;
        bool composes;
        const char* box;  // the message box the command shows, answered with its first button
    };
    const Row rows[] = {
        {ID_EXPORT_BMP, false, nullptr},  {ID_EXPORT_TGA, false, nullptr},
        {ID_EXPORT_UV_DEFINES, false, nullptr}, {ID_EXPORT_IDS, false, nullptr},
        {ID_EXPORT_QUV, false, nullptr},  {ID_EXPORT_UV_ARRAY, false, nullptr},
        {ID_EXPORT_USUAL_PLACES, false, "出力しませんでした。"},
        {ID_PROJECT_SAVE_AS, false, nullptr}, {ID_SHOW_LIST, false, nullptr},
        {ID_VERSION, false, "ver 1.03"},  {ID_OPEN_IMAGES, false, nullptr},
        {ID_AUTO_LAYOUT, true, nullptr},  {ID_BACKGROUND_WHITE, true, nullptr},
        {ID_IMAGES_TO_ORIGIN, true, nullptr}, {ID_SHOW_BORDER, true, nullptr},
        {ID_CENTER_AREA, true, nullptr},  {ID_PROJECT_OPEN, true, nullptr},
        {ID_ZOOM_OUT, true, nullptr},     {ID_DELETE, true, nullptr},
    };
    for (const Row& row : rows) {
        boxes.clear();
        mark();
        command(row.command);
        EXPECT_EQ(composed(), row.composes) << row.command;
        EXPECT_EQ(boxes.empty() ? "" : boxes[0].text, row.box ? row.box : "") << row.command;
    }
    // The three settings dialogs, cancelled.
    for (UINT dialog : {ID_AUTO_LAYOUT_SETTINGS, ID_FILE_SETTINGS, ID_AREA_SIZE}) {
        DialogScript cancel([](HWND d) { DialogScript::click(d, IDCANCEL); });
        mark();
        command(dialog);
        EXPECT_TRUE(cancel.ran());
        EXPECT_FALSE(composed()) << dialog;
    }
    EXPECT_FALSE(quitPosted());
}

// The zoom keys stop at their bounds without a word; the toggles keep their check marks.
TEST_F(Commands, ViewKeys) {
    for (char key : {'.', '.', '.'}) send(WM_CHAR, key);
    StatusBar::instance().setText("x", StatusBar::kZoomPart);
    send(WM_CHAR, '.');
    EXPECT_TRUE(settings().zoom == 1024 && status(StatusBar::kZoomPart) == "x");
    for (int i = 0; i < 5; ++i) send(WM_CHAR, ',');
    EXPECT_TRUE(settings().zoom == 64 && status(StatusBar::kZoomPart) == "0.25倍");
    send(WM_CHAR, 'a');
    send(WM_CHAR, 'L');
    command(ID_CENTER_AREA);
    EXPECT_TRUE(checked(ID_SHOW_ALPHA) && checked(ID_SHOW_BORDER) && !checked(ID_CENTER_AREA));
    EXPECT_EQ(frame().areaOrigin(), (Point{0, 0}));
    command(ID_BACKGROUND_GRAY);
    EXPECT_EQ(canvas().at(5, 5), RGB(128, 128, 128));
}

// The topmost image under the pointer is picked and brought to the top; Ctrl keeps the others; a drag moves the
// selected images only with the left button alone, each move converted on its own at the zoom.
TEST_F(Commands, PickAndDrag) {
    place({{"under.bmp", {0, 0}}, {"over.bmp", {5, 5}}, {"far.bmp", {100, 100}}});
    click(7, 7);
    EXPECT_EQ(names(), (std::vector<std::string>{"UNDER", "FAR", "OVER"}));
    EXPECT_EQ(selectedNames(), (std::vector<std::string>{"OVER"}));
    click(100, 100, MK_LBUTTON | MK_CONTROL);
    EXPECT_EQ(selectedNames(), (std::vector<std::string>{"OVER", "FAR"}));
    POINT p = over(100, 100);
    mouse(WM_MOUSEMOVE, p.x + 3, p.y + 1, MK_LBUTTON | MK_CONTROL);  // Ctrl still held: nothing
    mouse(WM_MOUSEMOVE, p.x + 3, p.y + 1, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(positionOf("FAR"), (Point{100, 100}));
    mouse(WM_MOUSEMOVE, p.x + 3, p.y + 1);  // released: from the last stored position
    EXPECT_EQ(positionOf("FAR"), (Point{103, 101}));
    EXPECT_EQ(positionOf("OVER"), (Point{8, 6}));
    mouse(WM_LBUTTONUP, p.x + 3, p.y + 1, 0);
    mouse(WM_MOUSEMOVE, p.x + 9, p.y + 9);
    EXPECT_EQ(positionOf("FAR"), (Point{103, 101}));

    // Two one-pixel steps of the pointer: nothing at 2.00, 4 area pixels each at 0.25.
    const std::pair<int, Point> zooms[] = {{1, {103, 101}}, {3, {111, 101}}};
    for (const auto& [steps, expected] : zooms) {
        for (int i = 0; i < steps; ++i) command(expected.x == 103 ? ID_ZOOM_IN : ID_ZOOM_OUT);
        click(108, 106);
        p = over(108, 106);
        for (int i = 1; i <= 2; ++i) mouse(WM_MOUSEMOVE, p.x + i, p.y);
        EXPECT_EQ(positionOf("FAR"), expected) << settings().zoom;
    }
    click(500, 500);  // empty: nothing selected, nothing dragged
    EXPECT_TRUE(selectedNames().empty());
    send(WM_KEYDOWN, VK_RIGHT);
    send(WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(positionOf("FAR"), (Point{111, 101}));
    click(116, 106);
    send(WM_KEYDOWN, VK_LEFT);
    send(WM_KEYDOWN, VK_UP);
    EXPECT_EQ(positionOf("FAR"), (Point{110, 100}));
    send(WM_KEYDOWN, VK_DELETE);
    EXPECT_EQ(names(), (std::vector<std::string>{"UNDER", "OVER"}));
}

// A project file dropped alone is opened; with others it is ignored; extensions are compared as they are.
TEST_F(Commands, DroppedFiles) {
    TextureCollection images;
    ASSERT_TRUE(images.addFromFile(image("saved.bmp"), true));
    const std::string project = dir.file("p.qbp");
    ASSERT_TRUE(saveProjectFile(project, images));
    drop({project, image("extra.bmp")});
    EXPECT_EQ(names(), (std::vector<std::string>{"EXTRA"}));
    drop({image("CAPS.BMP"), dir.file("x.png")});
    EXPECT_EQ(names(), (std::vector<std::string>{"EXTRA"}));
    const std::string longName = image(std::string(258 - dir.path().size() - 5, 'l') + ".bmp");  // 258 bytes
    drop({longName});
    EXPECT_EQ(frame().images().last().path(), longName);
    answers = {IDOK};  // the dropped image is unsaved work
    drop({project});
    EXPECT_EQ(names(), (std::vector<std::string>{"SAVED"}));
    EXPECT_EQ(boxes.back().caption, "プロジェクトロード");
    EXPECT_EQ(frame().projectPath(), project);
}

// Unsaved work is any change of the image list or the settings since the last load, save or new; the exit item asks
// its own question instead.
TEST_F(Commands, UnsavedWorkIsNeverLostUnasked) {
    place({{"a.bmp", {0, 0}}});
    choices = {dir.file("p.qbp")};
    command(ID_PROJECT_SAVE_AS);
    send(WM_CHAR, 27);
    EXPECT_TRUE(quitPosted());  // saved: no question
    send(WM_KEYDOWN, VK_RIGHT);
    answers = {IDCANCEL};
    send(WM_CHAR, 27);
    EXPECT_FALSE(quitPosted());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "現在のプロジェクトは破棄されますがよろしいですか？");
    EXPECT_EQ(boxes[0].caption, "アプリケーション終了");
    EXPECT_EQ(boxes[0].type, static_cast<unsigned>(MB_OKCANCEL));
    answers = {IDCANCEL};
    send(WM_CLOSE);
    EXPECT_FALSE(quitPosted());
    answers = {IDCANCEL};
    choices = {dir.file("p.qbp")};
    command(ID_PROJECT_OPEN);  // Cancel at the question: everything stays
    EXPECT_EQ(positionOf("A"), (Point{1, 0}));
    answers = {IDOK};
    command(ID_PROJECT_NEW);
    EXPECT_EQ(boxes.back().caption, "新規作成");
    EXPECT_TRUE(frame().projectPath().empty());
    send(WM_CHAR, 27);
    EXPECT_TRUE(quitPosted());  // a new project holds no work
    settings().showBorder = 1;
    answers = {IDNO, IDYES};
    command(ID_APP_EXIT);
    EXPECT_FALSE(quitPosted());
    command(ID_APP_EXIT);
    EXPECT_TRUE(quitPosted());
    EXPECT_EQ(boxes.back().text, "アプリケーションを終了しますか？");
    EXPECT_EQ(boxes.back().caption, "終了");
    EXPECT_EQ(boxes.back().type, static_cast<unsigned>(MB_YESNO));
}

// Every file dialog as the program describes it: kind, form, owner, filters, flags, default extension, buffer.
TEST_F(Commands, FileDialogsAreDescribedAsDesigned) {
    const DWORD save = OFN_OVERWRITEPROMPT | OFN_FILEMUSTEXIST;
    const std::vector<std::string> text = {"txt {*.txt}", "*.txt", "h {*.h}", "*.h", "cpp {*.cpp}", "*.cpp"};
    struct Row {
        UINT command;
        FileDialog::Kind kind;
        std::vector<std::string> filter;
        DWORD flags, size;
        const char* extension;
    };
    const Row rows[] = {
        {ID_PROJECT_OPEN, FileDialog::Kind::Open, {"qbp {*.qbp}", "*.qbp"}, OFN_FILEMUSTEXIST, 512, ""},
        {ID_PROJECT_SAVE_AS, FileDialog::Kind::Save, {"qbp {*.qbp}", "*.qbp"}, save, 512, "qbp"},
        {ID_OPEN_IMAGES, FileDialog::Kind::Open, {"bmp {*.bmp}", "*.bmp", "tga {*.tga}", "*.tga"},
         OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST, 1024, ""},
        {ID_EXPORT_BMP, FileDialog::Kind::Save, {"bmp {*.bmp}", "*.bmp"}, save, 256, "bmp"},
        {ID_EXPORT_TGA, FileDialog::Kind::Save, {"tga {*.tga}", "*.tga"}, save, 256, "tga"},
        {ID_EXPORT_IDS, FileDialog::Kind::Save, text, save, 256, ""},
        {ID_EXPORT_QUV, FileDialog::Kind::Save, {"quv {*.quv}", "*.quv"}, save, 256, ""},
    };
    for (const Row& row : rows) {
        dialogs.clear();
        command(row.command);
        ASSERT_EQ(dialogs.size(), 1u) << row.command;
        const FileDialogSeen& d = dialogs[0];
        std::vector<std::string> filter = row.filter;
        filter.insert(filter.end(), {"すべてのファイル {*.*}", "*.*"});
        EXPECT_TRUE(d.kind == row.kind && d.structSize == OPENFILENAME_SIZE_VERSION_400A && d.owner == window() &&
                    d.filterIndex == 1 && !d.titled)
            << row.command;
        EXPECT_EQ(d.filter, filter) << row.command;
        EXPECT_EQ(d.flags, row.flags) << row.command;
        EXPECT_EQ(d.bufferSize, row.size) << row.command;
        EXPECT_EQ(d.defaultExtension, row.extension) << row.command;
    }
    // The three text exports share one dialog and its remembered name.
    choices = {dir.file("ids")};
    command(ID_EXPORT_IDS);
    command(ID_EXPORT_UV_ARRAY);
    EXPECT_EQ(dialogs.back().initialName, dir.file("ids"));
    EXPECT_TRUE(fileExists(dir.file("ids")));  // written as typed, without an extension
}

// Save as, then save: the second overwrites without a dialog and says so for two seconds; a save that cannot write
// says so and asks for another name.
TEST_F(Commands, SaveAndSaveAs) {
    place({{"a.bmp", {3, 4}}});
    const std::string path = dir.file("p.qbp");
    choices = {path};
    command(ID_PROJECT_SAVE);  // never saved: asks for a name
    EXPECT_EQ(frame().projectPath(), path);
    EXPECT_EQ(status(0), "");
    send(WM_KEYDOWN, VK_LEFT);
    command(ID_PROJECT_SAVE);
    EXPECT_TRUE(dialogs.size() == 1 && boxes.empty());
    EXPECT_EQ(status(0), "上書き保存しました");
    for (DWORD start = GetTickCount(); GetTickCount() - start < 2400;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        Sleep(20);
    }
    EXPECT_EQ(status(0), "");
    TextureCollection reloaded;
    ASSERT_TRUE(loadProjectFile(path, reloaded));
    EXPECT_EQ(reloaded.last().position(), (Point{2, 4}));

    // The file replaced by a folder: the save cannot write it, says so and offers the save-as dialog.
    ASSERT_TRUE(removeFile(path) && createFolder(path));
    command(ID_PROJECT_SAVE);
    EXPECT_EQ(boxes.at(0).text, "ファイル出力に失敗！");
    EXPECT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(status(0), "");
    choices = {path};
    command(ID_PROJECT_SAVE_AS);
    EXPECT_EQ(boxes.size(), 2u);
}

// Failed exports say so; the usual places report what they wrote, in their order.
TEST_F(Commands, ExportsAndTheUsualPlaces) {
    place({{"a.bmp", {0, 0}}});
    choices = {dir.file("atlas.bmp"), dir.path(), dir.file("no") + "\\x.quv"};
    command(ID_EXPORT_BMP);
    command(ID_EXPORT_TGA);
    command(ID_EXPORT_QUV);
    EXPECT_TRUE(fileExists(dir.file("atlas.bmp")));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].text == "ファイル出力に失敗！" && boxes[1].caption == "Error" && boxes[1].owner == window());
    Settings::setText(settings().usualPaths[Settings::kUsualTga], dir.file("u.tga"));
    Settings::setText(settings().usualPaths[Settings::kUsualIdHeader], dir.file("u.h"));
    command(ID_EXPORT_USUAL_PLACES);
    EXPECT_EQ(boxes.back().text, "TGA\nID\n\nを出力しました。");
    EXPECT_EQ(boxes.back().caption, "いつもの場所に出力");
    EXPECT_TRUE(fileExists(dir.file("u.tga")) && fileExists(dir.file("u.h")));
}

// Several images from one dialog: joined to their folder, numbered where a name is taken; a joined path too long
// for the program's buffer is refused by name, not cut. The dialog then forgets its name.
TEST_F(Commands, OpenSeveralImages) {
    image("a.bmp");
    CreateDirectoryA(dir.file("sub").c_str(), nullptr);
    writeSolidImage(dir.file("sub") + "\\a.bmp", 4, 4, Rgba{1, 2, 3, 255});
    const std::string longName = std::string(255 - dir.path().size(), 'x') + ".bmp";
    choices = {dir.file("a.bmp"), dir.path() + std::string(1, '\0') + "a.bmp" + std::string(1, '\0') + "sub\\a.bmp" +
                                      std::string(1, '\0') + longName};
    command(ID_OPEN_IMAGES);
    command(ID_OPEN_IMAGES);
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "A_1", "A_2"}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "パスが長すぎます\n\"" + dir.path() + "/" + longName + "\"");
    command(ID_OPEN_IMAGES);
    EXPECT_EQ(dialogs.back().initialName, "");
}

// Loads that fail: the settings shown are the live ones; a damaged file keeps its sound images but not its name.
TEST_F(Commands, ProjectsThatDoNotLoad) {
    command(ID_SHOW_BORDER);
    choices = {dir.file("missing.qbp")};
    answers = {IDOK};
    command(ID_PROJECT_OPEN);
    EXPECT_EQ(boxes.back().text, "プロジェクトファイルのオープンに失敗！");
    EXPECT_TRUE(settings().showBorder == 0 && !checked(ID_SHOW_BORDER));
    writeBytes(dir.file("other.qbp"), std::string("not a project at all"));
    choices = {dir.file("other.qbp")};
    command(ID_PROJECT_OPEN);
    EXPECT_EQ(boxes.back().text, "Quiltboxプロジェクトファイルではありません!");
    EXPECT_TRUE(frame().projectPath().empty());

    TextureCollection images;
    ASSERT_TRUE(images.addFromFile(image("a.bmp"), true));
    ASSERT_TRUE(images.addFromFile(image("b.bmp"), true));
    const std::string damaged = dir.file("damaged.qbp");
    ASSERT_TRUE(saveProjectFile(damaged, images));
    std::vector<uint8_t> bytes = readBytes(damaged);
    bytes.resize(bytes.size() - 3);
    writeBytes(damaged, bytes);
    choices = {damaged};
    command(ID_PROJECT_OPEN);
    EXPECT_EQ(boxes.back().text, "プロジェクトファイルが壊れています!");
    EXPECT_EQ(names(), (std::vector<std::string>{"A"}));
    EXPECT_TRUE(frame().projectPath().empty());
    choices = {""};
    command(ID_PROJECT_SAVE);  // asks for a name; cancelled
    EXPECT_EQ(readBytes(damaged).size(), bytes.size());
}

// The settings dialogs driven for real: what OK stores, what Cancel leaves byte for byte.
TEST_F(Commands, SettingsDialogs) {
    const Settings::Record before = settings().record();
    const auto run = [&](UINT command, std::function<void(HWND)> edit, int button) {
        DialogScript script([&](HWND d) {
            edit(d);
            DialogScript::click(d, button);
        });
        this->command(command);
        EXPECT_TRUE(script.ran()) << command;
    };
    const auto spin = [](HWND d, int edit, int steps) {
        for (int i = 0; i < std::abs(steps); ++i) {
            SendDlgItemMessageA(d, edit, WM_KEYDOWN, steps > 0 ? VK_UP : VK_DOWN, 0);
        }
    };
    run(ID_AUTO_LAYOUT_SETTINGS, [](HWND d) { DialogScript::type(d, IDC_SPACING, "9"); }, IDCANCEL);
    run(ID_FILE_SETTINGS, [](HWND d) { DialogScript::type(d, IDC_ID_PREFIX, "X_"); }, IDCANCEL);
    run(ID_AREA_SIZE, [&](HWND d) { spin(d, IDC_AREA_WIDTH, 1); }, IDCANCEL);
    run(ID_FILE_SETTINGS, [](HWND) {}, IDOK);
    EXPECT_TRUE(settings().record() == before);

    for (const auto& [typed, spacing] : std::vector<std::pair<const char*, int32_t>>{{"12abc", 12}, {"", 0}, {"-4", -4}}) {
        run(ID_AUTO_LAYOUT_SETTINGS, [&](HWND d) { DialogScript::type(d, IDC_SPACING, typed); }, IDOK);
        EXPECT_EQ(settings().layoutSpacing, spacing) << typed;
    }
    run(ID_AUTO_LAYOUT_SETTINGS, [](HWND d) { DialogScript::click(d, IDC_SORT_BY_PIXELS); }, IDOK);
    EXPECT_EQ(settings().sortByEdgeLength, 0);

    run(ID_FILE_SETTINGS, [](HWND d) {
        DialogScript::type(d, IDC_ID_PREFIX, std::string(40, 'P'));
        DialogScript::type(d, IDC_ID_HEADER, "// one\r\n// two");
        DialogScript::click(d, IDC_ABSOLUTE_PATHS);
        DialogScript::click(d, IDC_REVERSE_VERTICAL);
    }, IDOK);
    EXPECT_EQ(Settings::text(settings().idPrefix), std::string(31, 'P'));
    EXPECT_EQ(settings().absolutePaths, 1);
    EXPECT_TRUE(settings().reverseVertical == 1 && settings().uvRatio == 0 && settings().reverseHorizontal == 0);
    ASSERT_TRUE(frame().images().writeIdHeader(dir.file("ids.h")));
    EXPECT_EQ(readText(dir.file("ids.h")).substr(0, 15), "// one\r\n// two\n");

    // The width steps through the powers of two and wraps; the height moves on its own; OK re-centres and composes.
    std::vector<std::string> widths;
    run(ID_AREA_SIZE, [&](HWND d) {
        for (int i = 0; i < 3; ++i) spin(d, IDC_AREA_WIDTH, 1), widths.push_back(DialogScript::text(d, IDC_AREA_WIDTH));
        spin(d, IDC_AREA_WIDTH, -1);
        widths.push_back(DialogScript::text(d, IDC_AREA_WIDTH));
        spin(d, IDC_AREA_HEIGHT, -1);
    }, IDCANCEL);
    EXPECT_EQ(widths, (std::vector<std::string>{"512", "1024", "32", "1024"}));
    EXPECT_EQ(settings().areaWidth, 256);
    mark();
    run(ID_AREA_SIZE, [&](HWND d) { spin(d, IDC_AREA_WIDTH, 1), spin(d, IDC_AREA_HEIGHT, -1); }, IDOK);
    EXPECT_TRUE(settings().areaWidth == 512 && settings().areaHeight == 128);
    EXPECT_TRUE(composed());
    EXPECT_EQ(frame().areaOrigin().x, (frame().clientSize().x - 512) >> 1);
}

}  // namespace
