#pragma once
// The animation's window procedure: the saver session translated from window messages.
// Set-up on creation, the black background erase, the tick, and the release on
// destruction; every message but the background erase is then passed on, unchanged, to the
// host's default handling.
#include <cstdint>

#include "host/saver_platform.h"
#include "parade/parade.h"

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

}  // namespace virelo
