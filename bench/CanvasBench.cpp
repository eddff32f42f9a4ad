// Times the window program's canvas under Wine: composing the whole canvas, one drag step (move, compose, paint) and
// the automatic layout from the menu, on seeded random sprite sets written as BMP files into a temporary folder and
// dropped on the real main window. Usage (Windows build, under scripts/wine-run.sh): canvas_bench [REPETITIONS];
// prints one table row per case with the median time in ms.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/DroppedFiles.h"
#include "app/MainFrame.h"
#include "base/ByteWriter.h"
#include "base/MessageBox.h"
#include "base/SafeFileWriter.h"
#include "project/Settings.h"
#include "res/resource.h"
#include "MedianTime.h"

namespace {

struct Case {
    const char* what;
    int count;
    int maxSide;
    int32_t area;
    int32_t zoom;
};

const Case kCases[] = {
    {"10,000 sprites, 4096 x 4096 area, zoom 0.25", 10000, 64, 4096, 64},
    {"2,000 sprites, 2048 x 2048 area, zoom 1.00", 2000, 64, 2048, 256},
    {"2,000 small sprites, all on screen, zoom 1.00", 2000, 24, 1024, 256},
};

uint64_t nextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// A 24-bit BMP of one colour.
std::vector<uint8_t> bmp(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    const int stride = (width * 3 + 3) & ~3;
    ByteWriter out;
    out.u16(0x4D42);
    out.u32(static_cast<uint32_t>(54 + stride * height));
    out.u32(0);
    out.u32(54);
    out.u32(40);
    out.i32(width);
    out.i32(height);
    out.u16(1);
    out.u16(24);
    for (int i = 0; i < 6; ++i) out.u32(0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out.u8(b);
            out.u8(g);
            out.u8(r);
        }
        out.zeros(static_cast<size_t>(stride - width * 3));
    }
    return out.buffer();
}

std::vector<std::string> writeSprites(const std::string& folder, int count, int maxSide) {
    CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<std::string> paths;
    uint64_t state = 2026;
    for (int i = 0; i < count; ++i) {
        const int w = 8 + static_cast<int>(nextRandom(state) % (maxSide - 7));
        const int h = 8 + static_cast<int>(nextRandom(state) % (maxSide - 7));
        const auto colour = static_cast<uint32_t>(nextRandom(state));
        paths.push_back(folder + "\\s" + std::to_string(i) + ".bmp");
        writeFileSafely(paths.back(), bmp(w, h, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
    }
    return paths;
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    // Every question (the unsaved-change one at New) is answered with its first button.
    setMessageBoxHandler([](const MessageBoxCall&) { return IDOK; });
    Application application;
    if (!application.init({"canvas_bench"})) return 1;
    MainFrame& frame = MainFrame::instance();
    HWND window = frame.window();
    // The largest window the screen holds: the most canvas to compose and paint.
    SetWindowPos(window, nullptr, 0, 0, 1280, 1024, SWP_NOZORDER);
    std::printf("| case | compose | drag step | automatic layout |\n|---|---:|---:|---:|\n");
    for (const Case& c : kCases) {
        SendMessageA(window, WM_COMMAND, ID_PROJECT_NEW, 0);
        Settings& settings = Settings::instance();
        settings.areaWidth = settings.areaHeight = c.area;
        dropFiles(window, writeSprites(std::string(temp) + "quiltbox-bench-" + std::to_string(c.count) + "-" +
                              std::to_string(c.maxSide),
                          c.count, c.maxSide));
        const double layout = medianMs(1, [&] { SendMessageA(window, WM_COMMAND, ID_AUTO_LAYOUT, 0); });
        settings.zoom = c.zoom;
        frame.updateAreaOrigin();
        const double compose = medianMs(repetitions, [&] { frame.composeCanvas(); });
        // Pick the sprite nearest the area's corner and drag it one pixel per step, painting each step.
        const Point o = frame.areaOrigin();
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(o.x + 2, o.y + 2));
        int x = o.x + 2;
        const double drag = medianMs(repetitions, [&] {
            SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(++x, o.y + 2));
            UpdateWindow(window);
        });
        SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, o.y + 2));
        std::printf("| %s | %.1f ms | %.1f ms | %.0f ms |\n", c.what, compose, drag, layout);
        if (frame.images().count() != c.count) std::printf("only %d images loaded\n", frame.images().count());
        std::fflush(stdout);
        SendMessageA(window, WM_CHAR, 'n', 0);
    }
    application.shutdown();
    return 0;
}
