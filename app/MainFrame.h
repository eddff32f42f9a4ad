#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "app/FileDialog.h"
#include "app/ProjectSnapshot.h"
#include "base/Point.h"
#include "layout/TextureCollection.h"

// The main window and the program's one object of work: the window with its menu, the off-screen canvas on which the
// layout area and its images are composed, the project's images, its file and its saved state. Every user action
// enters through windowProc, which calls the collection, the layout, the settings, the dialogs or a file command and
// then decides what is composed and repainted. Painting only copies the canvas to the window.
class MainFrame {
public:
    static MainFrame& instance();
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    // Registers the class "MainWindow" and creates the hidden 640 x 480 window "Quiltbox" centred on the screen, its
    // canvas and the hidden list dialog, then loads the project named by args[1] if there is one (args[0] is the
    // program). False after "ウィンドウの生成に失敗！" (or, silently, when the list dialog cannot be made).
    bool create(const std::vector<std::string>& args);
    void show();
    // Releases the canvas and destroys the window (and with it its status bar and list dialog).
    void destroy();

    LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window() const { return window_; }
    Point clientSize() const;
    TextureCollection& images() { return images_; }
    const std::string& projectPath() const { return projectPath_; }

    // The canvas: the coordinate conversions at the current zoom, the area origin, composing and repainting.
    int32_t toScreen(int32_t value) const;
    int32_t toArea(int32_t value) const;
    Point areaOrigin() const { return origin_; }
    void updateAreaOrigin();
    void composeCanvas();
    void redrawCanvas();
    HDC canvasDC() const { return canvasDC_; }
    HBITMAP canvasBitmap() const { return canvasBitmap_; }

    // The menu's check marks and the zoom text show the live settings and the list dialog's visibility.
    void setMenuCheck(UINT command, bool checked);
    void syncMenuChecks();
    // True when the project may be discarded: it holds no unsaved work, or the user answered OK.
    bool confirmDiscard(const char* caption);

    void showMenuHelp(UINT command);
    void showTransientMessage(const std::string& text);

    // The file commands. Each returns its success; the menu does not look at it.
    bool openProjectDialog();
    bool openProject(const std::string& path);
    bool saveProjectAs();
    bool saveProject();
    bool openImages();
    bool exportBmp();
    bool exportTga();
    enum TextExport { IdHeader = 0, UvDefines = 1, UvArray = 2 };
    bool exportText(int kind);
    bool exportQuv();
    bool exportToUsualPlaces();

private:
    MainFrame();

    // Messages.
    void onCreate(HWND window);
    void onSize();
    void onPaint();
    void onClose();
    void onTimer(UINT_PTR timer);
    void onCommand(UINT command);
    void onKeyDown(WPARAM key);
    void onChar(WPARAM character);
    void onLButtonDown(WPARAM keyFlags, int x, int y);
    void onMouseMove(WPARAM keyFlags, int x, int y);
    void onDropFiles(HDROP drop);

    // Commands that take more than a line.
    void newProject();
    void askToExit();
    void zoomBy(bool in);
    void toggle(int32_t& flag, UINT command);
    void toggleList();

    void syncViewState();
    void projectSaved(const std::string& path);
    int statusHeight() const;
    void paintBeyondCanvas(HDC dc, Point canvas, Point client) const;
    bool reportFailedWrite(bool written);
    bool runExport(FileDialog& dialog, const std::function<bool(const std::string& path)>& write);

    HWND window_ = nullptr;
    HDC windowDC_ = nullptr;
    HDC canvasDC_ = nullptr;
    HBITMAP canvasBitmap_ = nullptr;
    Point origin_;
    Point lastMouse_;
    bool dragging_ = false;
    TextureCollection images_;
    ProjectSnapshot saved_;
    std::string projectPath_;
    std::string transientMessage_;

    FileDialog openProjectDialog_;
    FileDialog saveProjectDialog_;
    FileDialog openImagesDialog_;
    FileDialog bmpDialog_;
    FileDialog tgaDialog_;
    FileDialog textDialog_;
    FileDialog quvDialog_;
};
