#include "parade/saver.h"

#include "parade/frame.h"
#include "parade/settings.h"
#include "parade/walkers.h"

namespace virelo {
namespace {

constexpr std::int32_t Blanked = -1;

Rect ClientOf(ParadePlatform& platform, WindowHandle window) {
    Rect client{0, 0, 0, 0};
    platform.GetClientRect(window, &client);
    return client;
}

// The process declares itself DPI-aware, so the screen's scaling is the real one and cannot
// change while it runs: read once, before anything is placed.
std::int32_t ScreenZoom(ParadePlatform& platform, WindowHandle window) {
    const DcHandle dc = platform.GetDC(window);
    const std::int32_t zoom = ZoomFor(platform.GetDeviceCaps(dc, LogPixelsY));
    platform.ReleaseDC(window, dc);
    return zoom;
}

// Settings first (period and blank time), then sprites, then placement, then the timer:
// no tick can arrive before the walkers exist.
void OnCreate(Parade& parade, ParadePlatform& platform, WindowHandle window) {
    LoadSettings(parade.settings, platform);
    parade.zoom = ScreenZoom(platform, window);
    platform.LoadSprites(window);
    PlaceWalkers(parade.walkers, parade.random, ZoomedClient(ClientOf(platform, window), parade.zoom));
    const TimerId id = platform.SetTimer(window, AnimationTimer,
                                         static_cast<std::uint32_t>(TickPeriodMs(parade.settings)));
    parade.timerCreated = (id & 0xFFFF) != 0;
}

void OnDestroy(Parade& parade, ParadePlatform& platform, WindowHandle window) {
    platform.FreeSprites();
    if (parade.timerCreated) platform.KillTimer(window, AnimationTimer);
}

}  // namespace

void SaverTick(Parade& parade, ParadePlatform& platform, WindowHandle window) {
    SaverSettings& s = parade.settings;
    if (s.BlankTime == Blanked) return;
    if (s.BlankTime > 0) {
        // Strictly greater, and the time advances after the test: BlankTime * 1000 / period
        // + 1 ticks animate. A loaded BlankTime is at most 65535, so the product fits.
        if (parade.ElapsedMs > s.BlankTime * 1000) {
            const DcHandle dc = platform.GetDC(window);
            platform.FillRect(dc, ClientOf(platform, window), platform.GetStockObject(BlackBrush));
            platform.ReleaseDC(window, dc);
            s.BlankTime = Blanked;
            return;
        }
        parade.ElapsedMs += TickPeriodMs(s);
    }
    FrameStep(parade, platform.WindowSurface(window), ClientOf(platform, window));
}

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
        platform.FillRect(static_cast<DcHandle>(wParam), ClientOf(platform, window),
                          platform.GetStockObject(BlackBrush));
        return 0;
    case WmTimer:
        SaverTick(parade, platform, window);  // whatever the timer id
        break;
    default:
        break;
    }
    return next.HostDefaultProc(window, message, wParam, lParam);
}

}  // namespace virelo
