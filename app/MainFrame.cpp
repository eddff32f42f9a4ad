#include "app/MainFrame.h"

#include "app/CanvasGeometry.h"
#include "app/ShellRules.h"
#include "app/StatusBar.h"
#include "base/MessageBox.h"
#include "layout/ListDialog.h"
#include "project/SettingsDialogs.h"
#include "project/Settings.h"
#include "res/resource.h"

namespace {

const char* const kClassName = "MainWindow";
const char* const kMenuName = "MainMenu";
const char* const kTitle = "Quiltbox";
const char* const kCreateFailed = "ウィンドウの生成に失敗！";
const char* const kErrorCaption = "Error";
const char* const kExitCaption = "アプリケーション終了";
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;

// The save dialogs ask before replacing a file. They pass OFN_FILEMUSTEXIST too, which the system's save dialog
// ignores: it still takes a name that does not exist yet (the tests try it on the real dialog).
constexpr DWORD kOpenFlags = OFN_FILEMUSTEXIST;
constexpr DWORD kSaveFlags = OFN_OVERWRITEPROMPT | OFN_FILEMUSTEXIST;
constexpr size_t kExportNameSize = 256;

LRESULT CALLBACK forwardToMainFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return MainFrame::instance().windowProc(window, message, wParam, lParam);
}

}  // namespace

MainFrame& MainFrame::instance() {
    static MainFrame frame;
    return frame;
}

MainFrame::MainFrame()
    : openProjectDialog_(FileDialog::Kind::Open, {{"qbp {*.qbp}", "*.qbp"}}, 512, kOpenFlags, nullptr),
      saveProjectDialog_(FileDialog::Kind::Save, {{"qbp {*.qbp}", "*.qbp"}}, 512, kSaveFlags, "qbp"),
      openImagesDialog_(FileDialog::Kind::Open, {{"bmp {*.bmp}", "*.bmp"}, {"tga {*.tga}", "*.tga"}}, 1024,
                        OFN_EXPLORER | OFN_ALLOWMULTISELECT | kOpenFlags, nullptr),
      bmpDialog_(FileDialog::Kind::Save, {{"bmp {*.bmp}", "*.bmp"}}, kExportNameSize, kSaveFlags, "bmp"),
      tgaDialog_(FileDialog::Kind::Save, {{"tga {*.tga}", "*.tga"}}, kExportNameSize, kSaveFlags, "tga"),
      textDialog_(FileDialog::Kind::Save, {{"txt {*.txt}", "*.txt"}, {"h {*.h}", "*.h"}, {"cpp {*.cpp}", "*.cpp"}},
                  kExportNameSize, kSaveFlags, nullptr),
      quvDialog_(FileDialog::Kind::Save, {{"quv {*.quv}", "*.quv"}}, kExportNameSize, kSaveFlags, nullptr) {}

bool MainFrame::create(const std::vector<std::string>& args) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = forwardToMainFrame;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILTBOX));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    // The window never erases itself: the whole client area comes from the canvas.
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszMenuName = kMenuName;
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass)) {
        showMessageBox(nullptr, kCreateFailed, kErrorCaption, MB_OK);
        return false;
    }

    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int x = (desktop.right >> 1) - kWindowWidth / 2, y = (desktop.bottom >> 1) - kWindowHeight / 2;
    // Created hidden; its creation message places the area before the window has a canvas.
    window_ = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, x, y, kWindowWidth, kWindowHeight, nullptr, nullptr,
                    instance, nullptr);
    if (!window_) {
        showMessageBox(nullptr, kCreateFailed, kErrorCaption, MB_OK);
        return false;
    }
    windowDC_ = GetDC(window_);
    canvasDC_ = CreateCompatibleDC(windowDC_);
    canvasBitmap_ = CreateCompatibleBitmap(windowDC_, kCanvasSide, kCanvasSide);
    SelectObject(canvasDC_, canvasBitmap_);

    if (!ListDialog::instance().create(&images_, window_)) return false;
    if (args.size() > 1) openProject(args[1]);
    DragAcceptFiles(window_, TRUE);
    syncMenuChecks();
    return true;
}

// The status bar came after the window's first size message: place it and compose for it before the first paint.
void MainFrame::show() {
    onSize();
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
}

void MainFrame::destroy() {
    if (canvasDC_) DeleteDC(canvasDC_);
    if (canvasBitmap_) DeleteObject(canvasBitmap_);
    if (windowDC_) ReleaseDC(window_, windowDC_);
    if (window_) DestroyWindow(window_);
    canvasDC_ = nullptr;
    canvasBitmap_ = nullptr;
    windowDC_ = nullptr;
    window_ = nullptr;
    // Back to the state of a new object, so that another window can be made in the same process (the tests make one
    // after another).
    UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
    images_.clear();
    saved_.take(images_);
    projectPath_.clear();
    transientMessage_.clear();
    origin_ = lastMouse_ = Point{};
    dragging_ = false;
}

Point MainFrame::clientSize() const {
    RECT client = {};
    GetClientRect(window_, &client);
    return {client.right - client.left, client.bottom - client.top};
}

LRESULT MainFrame::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = LOWORD(lParam), y = HIWORD(lParam);  // mouse positions, as unsigned 16-bit values
    switch (message) {
        case WM_CREATE: onCreate(window); return 0;
        case WM_SIZE: onSize(); return 0;
        case WM_PAINT: onPaint(); return 0;
        case WM_CLOSE: onClose(); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_TIMER: onTimer(wParam); break;
        case WM_MENUSELECT: showMenuHelp(LOWORD(wParam)); return 0;
        case WM_COMMAND: onCommand(LOWORD(wParam)); return 0;
        case WM_KEYDOWN: onKeyDown(wParam); return 0;
        case WM_CHAR: onChar(wParam); return 0;
        case WM_LBUTTONDOWN: onLButtonDown(wParam, x, y); return 0;
        case WM_MOUSEMOVE: onMouseMove(wParam, x, y); return 0;
        case WM_LBUTTONUP: dragging_ = false; return 0;
        case WM_DROPFILES: onDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void MainFrame::onCreate(HWND window) {
    window_ = window;
    updateAreaOrigin();
}

void MainFrame::onSize() {
    const StatusBar& status = StatusBar::instance();
    if (status.window()) {
        const Point client = clientSize();
        const int height = status.size().y;
        MoveWindow(status.window(), 0, client.y - height, client.x, height, TRUE);
    }
    updateAreaOrigin();
    composeCanvas();
}

void MainFrame::onClose() {
    if (confirmDiscard(kExitCaption)) PostQuitMessage(0);
}

void MainFrame::onCommand(UINT command) {
    Settings& settings = Settings::instance();
    switch (command) {
        case ID_PROJECT_NEW: newProject(); break;
        case ID_APP_EXIT: askToExit(); break;
        case ID_OPEN_IMAGES: openImages(); break;
        case ID_AREA_SIZE:
            if (runAreaSizeDialog(window_)) {
                updateAreaOrigin();
                redrawCanvas();
            }
            break;
        case ID_AUTO_LAYOUT:
            images_.autoLayout(settings.layoutSpacing, settings.areaWidth, settings.areaHeight);
            redrawCanvas();
            break;
        case ID_BACKGROUND_WHITE:
        case ID_BACKGROUND_BLACK:
        case ID_BACKGROUND_GRAY:
            settings.backgroundBrush = command == ID_BACKGROUND_WHITE   ? WHITE_BRUSH
                                       : command == ID_BACKGROUND_BLACK ? BLACK_BRUSH
                                                                        : GRAY_BRUSH;
            redrawCanvas();
            break;
        case ID_IMAGES_TO_ORIGIN:
            images_.moveSelectedToOrigin();
            redrawCanvas();
            break;
        case ID_EXPORT_BMP: exportBmp(); break;
        case ID_EXPORT_TGA: exportTga(); break;
        case ID_ZOOM_IN: zoomBy(true); break;
        case ID_ZOOM_OUT: zoomBy(false); break;
        case ID_SHOW_ALPHA:
            toggle(settings.showAlpha, ID_SHOW_ALPHA);
            redrawCanvas();
            break;
        case ID_DELETE:
            images_.deleteSelected();
            redrawCanvas();
            break;
        case ID_SHOW_BORDER:
            toggle(settings.showBorder, ID_SHOW_BORDER);
            redrawCanvas();
            break;
        case ID_AUTO_LAYOUT_SETTINGS: runAutoLayoutDialog(window_); break;
        case ID_PROJECT_SAVE_AS: saveProjectAs(); break;
        case ID_PROJECT_OPEN:
            openProjectDialog();
            updateAreaOrigin();
            redrawCanvas();
            break;
        case ID_EXPORT_UV_DEFINES: exportText(UvDefines); break;
        case ID_EXPORT_IDS: exportText(IdHeader); break;
        case ID_FILE_SETTINGS: runFileSettingsDialog(window_); break;
        case ID_EXPORT_QUV: exportQuv(); break;
        case ID_EXPORT_USUAL_PLACES: exportToUsualPlaces(); break;
        case ID_CENTER_AREA:
            toggle(settings.centerArea, ID_CENTER_AREA);
            updateAreaOrigin();
            redrawCanvas();
            break;
        case ID_EXPORT_UV_ARRAY: exportText(UvArray); break;
        case ID_PROJECT_SAVE: saveProject(); break;
        case ID_SHOW_LIST: toggleList(); break;
        case ID_VERSION: showMessageBox(window_, "ver 1.03", "バージョン情報", MB_OK); break;
        default: break;
    }
}

void MainFrame::newProject() {
    if (!confirmDiscard("新規作成")) return;
    Settings::instance().resetToDefaults();
    images_.clear();
    projectPath_.clear();
    saved_.take(images_);
    syncViewState();
    updateAreaOrigin();
    redrawCanvas();
}

void MainFrame::askToExit() {
    if (showMessageBox(window_, "アプリケーションを終了しますか？", "終了", MB_YESNO) == IDYES) PostQuitMessage(0);
}

// The bounds are tested before the step: at them nothing happens at all, not even the status text.
void MainFrame::zoomBy(bool in) {
    int32_t& zoom = Settings::instance().zoom;
    if (!(in ? zoomIn(zoom) : zoomOut(zoom))) return;
    updateAreaOrigin();
    redrawCanvas();
    StatusBar::instance().setText(zoomText(zoom), StatusBar::kZoomPart);
}

void MainFrame::toggle(int32_t& flag, UINT command) {
    flag = flag == 0 ? 1 : 0;
    setMenuCheck(command, flag != 0);
}

void MainFrame::toggleList() {
    ListDialog& list = ListDialog::instance();
    if (list.isVisible()) {
        list.hide();
    } else {
        list.show();
    }
    setMenuCheck(ID_SHOW_LIST, list.isVisible());
}

void MainFrame::setMenuCheck(UINT command, bool checked) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = checked ? MFS_CHECKED : MFS_UNCHECKED;
    SetMenuItemInfoA(GetMenu(window_), command, FALSE, &item);
}

void MainFrame::syncMenuChecks() {
    const Settings& settings = Settings::instance();
    setMenuCheck(ID_CENTER_AREA, settings.centerArea != 0);
    setMenuCheck(ID_SHOW_ALPHA, settings.showAlpha != 0);
    setMenuCheck(ID_SHOW_BORDER, settings.showBorder != 0);
    setMenuCheck(ID_SHOW_LIST, ListDialog::instance().isVisible());
}

// After the settings were replaced (new, open): the check marks and the zoom text follow them at once.
void MainFrame::syncViewState() {
    syncMenuChecks();
    StatusBar::instance().setText(zoomText(Settings::instance().zoom), StatusBar::kZoomPart);
}

bool MainFrame::confirmDiscard(const char* caption) {
    if (!saved_.isChanged(images_, Settings::instance())) return true;
    return showMessageBox(window_, "現在のプロジェクトは破棄されますがよろしいですか？", caption, MB_OKCANCEL) == IDOK;
}

void MainFrame::onKeyDown(WPARAM key) {
    Point step;
    if (arrowStep(static_cast<uint32_t>(key), step)) {
        images_.moveSelectedBy(step);
        redrawCanvas();
    } else if (key == VK_DELETE) {
        SendMessageA(window_, WM_COMMAND, ID_DELETE, 0);
    }
}

void MainFrame::onChar(WPARAM character) {
    if (character == kEscapeCharacter) {
        if (confirmDiscard(kExitCaption)) PostQuitMessage(0);
    } else if (const int command = commandForCharacter(static_cast<uint32_t>(character))) {
        SendMessageA(window_, WM_COMMAND, command, 0);
    }
}

// A press picks the topmost image under the pointer (with Ctrl, keeping the others selected) and starts a drag,
// whether or not it hit an image.
void MainFrame::onLButtonDown(WPARAM keyFlags, int x, int y) {
    lastMouse_ = {x, y};
    const Point at = {toArea(x - origin_.x), toArea(y - origin_.y)};
    if (keyFlags & MK_CONTROL) {
        images_.pickAdditionalAt(at);
    } else {
        images_.pickAt(at);
    }
    dragging_ = true;
    redrawCanvas();
}

// Each move is converted on its own, and the last position always follows the pointer: at zooms above 1.00 a move
// smaller than one area pixel is dropped.
void MainFrame::onMouseMove(WPARAM keyFlags, int x, int y) {
    if (!isDragStep(static_cast<uint32_t>(keyFlags), dragging_)) return;
    images_.moveSelectedBy({toArea(x - lastMouse_.x), toArea(y - lastMouse_.y)});
    lastMouse_ = {x, y};
    redrawCanvas();
}

// Each dropped name is taken whole, however long.
void MainFrame::onDropFiles(HDROP drop) {
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::string path(DragQueryFileA(drop, i, nullptr, 0), '\0');
        DragQueryFileA(drop, i, &path[0], static_cast<UINT>(path.size() + 1));
        switch (dropAction(path, count)) {
            case DropAction::OpenProject: openProject(path); break;
            case DropAction::AddImage: images_.addFromFile(path, true); break;
            case DropAction::Ignore: break;
        }
    }
    DragFinish(drop);
    updateAreaOrigin();
    redrawCanvas();
}

void MainFrame::showMenuHelp(UINT command) {
    char text[256] = "";
    if (const int id = menuHelpString(static_cast<int>(command))) {
        LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    }
    StatusBar::instance().setText(text, StatusBar::kHelpPart);
}

void MainFrame::showTransientMessage(const std::string& text) {
    transientMessage_ = text;
    StatusBar::instance().setText(text, StatusBar::kHelpPart);
    SetTimer(window_, 1, 2000, nullptr);
}

// The transient message goes at the first tick unless something else has replaced it meanwhile.
void MainFrame::onTimer(UINT_PTR timer) {
    if (timer != 1) return;
    StatusBar& status = StatusBar::instance();
    if (status.text(StatusBar::kHelpPart) == transientMessage_) {
        status.setText("", StatusBar::kHelpPart);
        transientMessage_.clear();
    }
}
