#include "app/CanvasGeometry.h"
#include "app/MainFrame.h"
#include "app/StatusBar.h"
#include "project/Settings.h"

// The canvas: the area on its light grey surround, the images at the zoom, the selection frames and the optional
// yellow border, all composed off screen; painting only copies the composed canvas to the window.

int32_t MainFrame::toScreen(int32_t value) const {
    return ::toScreen(value, Settings::instance().zoom);
}

int32_t MainFrame::toArea(int32_t value) const {
    return ::toArea(value, Settings::instance().zoom);
}

int MainFrame::statusHeight() const {
    return StatusBar::instance().size().y;
}

void MainFrame::updateAreaOrigin() {
    origin_ = ::areaOrigin(clientSize(), statusHeight(), Settings::instance());
    images_.setOriginAll(origin_);
}

void MainFrame::composeCanvas() {
    if (!canvasDC_) return;
    const Settings& settings = Settings::instance();
    const Point visible = visibleCanvasSize(clientSize(), statusHeight());
    // Rectangles drawn without a pen leave out their right column and bottom row, hence the + 1.
    SelectObject(canvasDC_, GetStockObject(NULL_PEN));
    SelectObject(canvasDC_, GetStockObject(LTGRAY_BRUSH));
    Rectangle(canvasDC_, 0, 0, visible.x + 1, visible.y + 1);
    const Rect area = areaOnCanvas(origin_, settings);
    SelectObject(canvasDC_, GetStockObject(settings.backgroundBrush));
    Rectangle(canvasDC_, area.left, area.top, area.right + 1, area.bottom + 1);

    if (settings.showAlpha) {
        images_.drawAllAlpha(canvasDC_, settings.zoom);
    } else {
        images_.drawAll(canvasDC_, settings.zoom);
    }

    // The border lies just outside the area, over any image pixel on it.
    if (settings.showBorder) {
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 0));
        HGDIOBJ previous = SelectObject(canvasDC_, pen);
        MoveToEx(canvasDC_, area.left - 1, area.top - 1, nullptr);
        LineTo(canvasDC_, area.right, area.top - 1);
        LineTo(canvasDC_, area.right, area.bottom);
        LineTo(canvasDC_, area.left - 1, area.bottom);
        LineTo(canvasDC_, area.left - 1, area.top - 1);
        SelectObject(canvasDC_, previous);
        DeleteObject(pen);
    }
}

void MainFrame::redrawCanvas() {
    composeCanvas();
    InvalidateRect(window_, nullptr, FALSE);
}

void MainFrame::onPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    const Point client = clientSize();
    const Point visible = visibleCanvasSize(client, statusHeight());
    BitBlt(dc, 0, 0, visible.x, visible.y, canvasDC_, 0, 0, SRCCOPY);
    paintBeyondCanvas(dc, visible, {client.x, client.y - statusHeight()});
    EndPaint(window_, &paint);
}

// A client area larger than the canvas shows the surround grey beyond it, not whatever the screen held before.
void MainFrame::paintBeyondCanvas(HDC dc, Point canvas, Point client) const {
    HBRUSH grey = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    const RECT right = {canvas.x, 0, client.x, client.y};
    const RECT below = {0, canvas.y, canvas.x, client.y};
    if (right.left < right.right && right.top < right.bottom) FillRect(dc, &right, grey);
    if (below.left < below.right && below.top < below.bottom) FillRect(dc, &below, grey);
}
