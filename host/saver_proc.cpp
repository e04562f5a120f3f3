#include "host/saver_proc.h"

#include "host/settings_store.h"
#include "parade/session.h"

namespace virelo {
namespace {

Rect ClientOf(ParadePlatform& platform, WindowHandle window) {
    Rect client{0, 0, 0, 0};
    platform.GetClientRect(window, &client);
    return client;
}

void FillBlack(ParadePlatform& platform, WindowHandle window, DcHandle dc) {
    platform.FillRect(dc, ClientOf(platform, window), platform.GetStockObject(BlackBrush));
}

// The process declares itself DPI-aware, so the screen's scaling is the real one and cannot
// change while it runs: read once, before anything is placed.
std::int32_t ScreenDpi(ParadePlatform& platform, WindowHandle window) {
    const DcHandle dc = platform.GetDC(window);
    const std::int32_t dpi = platform.GetDeviceCaps(dc, LogPixelsY);
    platform.ReleaseDC(window, dc);
    return dpi;
}

// Settings first (period and blank time), then sprites, then placement, then the timer:
// no tick can arrive before the walkers exist.
void OnCreate(Parade& parade, ParadePlatform& platform, WindowHandle window) {
    LoadSettings(parade.settings, platform);
    const std::int32_t dpi = ScreenDpi(platform, window);
    platform.LoadSprites(window);
    StartSession(parade, ClientOf(platform, window), dpi);
    const TimerId id = platform.SetTimer(window, AnimationTimer,
                                         static_cast<std::uint32_t>(TickPeriodMs(parade.settings)));
    parade.timerCreated = (id & 0xFFFF) != 0;
}

void OnTimer(Parade& parade, ParadePlatform& platform, WindowHandle window) {
    DrawSurface& surface = platform.WindowSurface(window);
    if (SessionTick(parade, surface, ClientOf(platform, window)) != TickOutcome::Blank) return;
    const DcHandle dc = platform.GetDC(window);
    FillBlack(platform, window, dc);
    platform.ReleaseDC(window, dc);
}

void OnDestroy(Parade& parade, ParadePlatform& platform, WindowHandle window) {
    platform.FreeSprites();
    if (parade.timerCreated) platform.KillTimer(window, AnimationTimer);
}

}  // namespace

LResult ScreenSaverProc(Parade& parade, ParadePlatform& platform, SaverDefault& next,
                        WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    switch (message) {
    case WmCreate:
        OnCreate(parade, platform, window);
        break;
    case WmDestroy:
        OnDestroy(parade, platform, window);
        break;
    case WmEraseBkgnd:
        // wParam is the device context to erase; answered here, never passed on.
        FillBlack(platform, window, static_cast<DcHandle>(wParam));
        return 0;
    case WmTimer:
        OnTimer(parade, platform, window);  // whatever the timer id
        break;
    default:
        break;
    }
    return next.HostDefaultProc(window, message, wParam, lParam);
}

}  // namespace virelo
