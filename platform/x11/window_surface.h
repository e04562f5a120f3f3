#pragma once
// The parade drawn into an X window: the software surface draws each tick exactly as the
// renderer does, and only the rectangles that tick touched travel to the X server. The
// server's copy of the window thus always equals the surface's picture, pixel for pixel.
#include <X11/Xlib.h>

#include <vector>

#include "parade/bitmap.h"
#include "parade/frame.h"
#include "tools/common/soft_surface.h"

namespace virelo {

class WindowSurface final : public DrawSurface {
public:
    // The window must be of a TrueColor or DirectColor visual (Ready() says).
    WindowSurface(Display* display, Window window, const XWindowAttributes& attributes);
    ~WindowSurface();
    WindowSurface(const WindowSurface&) = delete;
    WindowSurface& operator=(const WindowSurface&) = delete;

    bool Ready() const { return gc_ != nullptr && shift_[0] >= 0; }
    bool LoadSprites(const PackedBitmap& sheet, const PackedBitmap& mask);

    void BeginFrame(const Rect& client, bool logicalScreen) override;
    void EndFrame() override;  // sends what changed
    void Erase(int walker, const Rect& area) override;
    bool DrawCell(int walker, const CellTransfer& transfer) override;

    // Black on the server and in the picture: the start, an exposure (the walkers that
    // stood there come back when they next move, as after a background erase) and the
    // blanking. In client pixels.
    void Black(const Rect& area);

private:
    void Touch(const Rect& drawn);
    void Send(const Rect& clientArea);

    Display* display_;
    Window window_;
    Visual* visual_;
    int depth_;
    Rect size_;                         // the client as of the last frame
    GC gc_ = nullptr;
    int shift_[3] = {-1, -1, -1};       // of red, green, blue in a pixel of the visual
    unsigned long max_[3] = {0, 0, 0};  // the channels' largest values
    bool direct_ = false;               // the visual's pixels are 0x00RRGGBB already
    SoftSurface soft_;
    std::vector<Rect> dirty_;           // in drawing units, disjoint after merging
    std::vector<char> converted_;       // scratch for visuals of another layout
};

}  // namespace virelo
