#pragma once

#include <array>
#include <string>

#include "base/Point.h"

struct HWND__;

// The status window at the bottom of the main window, with four parts (right edges at 300, 400, 500 and 1000 pixels):
// part 0 shows menu help texts and transient messages, part 2 the zoom, parts 1 and 3 stay empty. It keeps its own
// copy of every part's text, so that the program can ask what a part shows.
class StatusBar {
public:
    static StatusBar& instance();

    // Creates the status window, hidden, as a child of the main window, with the zoom text of the current settings in
    // part 2. False after "ウィンドウの生成に失敗！".
    bool create();
    void show();
    void destroy();
    HWND__* window() const { return window_; }

    // The status window's outer size; (0, 0) while there is none.
    Point size() const;
    // Shows a text in a part (0 to 3), cut to 255 bytes at a character boundary.
    void setText(const std::string& text, int part);
    const std::string& text(int part) const { return texts_[part]; }

    static constexpr int kHelpPart = 0;
    static constexpr int kZoomPart = 2;

private:
    StatusBar();

    HWND__* window_ = nullptr;
    std::array<std::string, 4> texts_;
};
