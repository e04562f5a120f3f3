#pragma once
// The saver window: its class and message loop, and the route every message takes:
// HostWindowProc (the host), ScreenSaverProc (the animation), HostDefaultProc (the close
// rules and the password gate), DefWindowProcA (the platform), in that order.
#include <cstdint>

#include "host/host.h"

namespace virelo {

// RunSaverWindow's result when the class or the window cannot be made: the loop never
// ran, so there is no quit code, and success must not be reported.
constexpr std::int32_t NoWindowExitCode = -1;
// The preview's look for its parent: a thread timer (no window), every ParentCheckMs.
constexpr TimerId ParentCheckTimer = 2;
constexpr std::uint32_t ParentCheckMs = 100;

// Where HostWindowProc forwards: the animation's procedure.
class SaverAnimation {
public:
    virtual LResult ScreenSaverProc(WindowHandle window, std::uint32_t message, WParam wParam,
                                    LParam lParam) = 0;

protected:
    ~SaverAnimation() = default;
};

LResult HostWindowProc(Host& host, HostPlatform& platform, SaverAnimation& animation,
                       WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
LResult HostDefaultProc(Host& host, HostPlatform& platform, WindowHandle window,
                        std::uint32_t message, WParam wParam, LParam lParam);

// The input rules as a pure function of the message, its wParam and the cursor.
struct InputDecision {
    bool postClose = false;
    bool hideCursor = false;
    bool callDefault = true;  // false: answer `answer` without DefWindowProcA
    LResult answer = 0;
    Point savedCursor{0, 0};  // the new SavedCursorPos
};
// current is read only for WM_MOUSEMOVE.
InputDecision ApplyInputRules(std::uint32_t message, WParam wParam, Point current, Point saved);

// Where the full-screen window goes, in screen coordinates: the virtual screen, so that
// every monitor is covered, or the primary screen at (0, 0) on systems without the
// virtual-screen metrics (Windows 95, NT 4 answer 0 for them).
Rect FullScreenArea(HostPlatform& platform);

// Full screen with no parent, preview inside the parent. The quit code of the loop, 0
// when another full-screen saver already runs, NoWindowExitCode when no window came about.
std::int32_t RunSaverWindow(Host& host, HostPlatform& platform, WindowHandle parent);

}  // namespace virelo
