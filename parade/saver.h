#pragma once
// The animation's window procedure: set-up on creation, the black background erase, the
// tick with its blanking rule, and the release on destruction. Every message but the
// background erase is then passed on, unchanged, to the host's default handling.
#include <cstdint>

#include "parade/parade.h"
#include "parade/platform.h"

namespace virelo {

constexpr TimerId AnimationTimer = 1;

// Where the animation passes the messages on: the host's default handling.
class SaverDefault {
public:
    virtual LResult HostDefaultProc(WindowHandle window, std::uint32_t message, WParam wParam,
                                    LParam lParam) = 0;

protected:
    ~SaverDefault() = default;
};

LResult ScreenSaverProc(Parade& parade, ParadePlatform& platform, SaverDefault& next,
                        WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

// One WM_TIMER: blanks once BlankTime has passed (strictly), else animates one frame.
void SaverTick(Parade& parade, ParadePlatform& platform, WindowHandle window);

}  // namespace virelo
