// The Windows module: the process-wide records, the platform over them, the two exported
// procedures, the saver window class's procedure and the GUI entry.
//
// Route of a window message: HostWindowEntry (the class procedure) -> HostWindowProc
// (host) -> ScreenSaverProc (animation, exported) -> HostDefaultProc (host default) ->
// DefWindowProcA (platform).
#include <windows.h>
#include <commctrl.h>

#include "host/entry.h"
#include "host/password.h"
#include "host/window.h"
#include "host/saver_proc.h"
#include "host/settings_store.h"
#include "platform/win32/win32_platform.h"

extern "C" {
LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
}

namespace {

using namespace virelo;

LRESULT CALLBACK HostWindowEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ConfigureDialogEntry(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return ScreenSaverConfigureDialog(dialog, message, wParam, lParam);
}
void SwitchSaverRunningOff();
std::uint32_t PlatformTicks() { return ::GetTickCount(); }

// The process-wide records: one per subsystem, all on the one thread. Constant-initialised
// (they are in the image as it is loaded): no runtime runs constructors before the entry.
constinit Host host;
constinit Parade parade;
constinit win32::Win32Platform platform(&HostWindowEntry, &ConfigureDialogEntry,
                                        &SwitchSaverRunningOff);

void SwitchSaverRunningOff() { SetSaverRunning(host, platform, false); }

// The two hops between the subsystems.
struct Routing final : SaverAnimation, SaverDefault {
    LResult ScreenSaverProc(WindowHandle w, std::uint32_t m, WParam wp, LParam lp) override {
        return ::ScreenSaverProc(reinterpret_cast<HWND>(w), m, wp, lp);
    }
    LResult HostDefaultProc(WindowHandle w, std::uint32_t m, WParam wp, LParam lp) override {
        return virelo::HostDefaultProc(host, platform, w, m, wp, lp);
    }
};
constinit Routing routing;

LRESULT CALLBACK HostWindowEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return HostWindowProc(host, platform, routing, reinterpret_cast<WindowHandle>(window), message,
                          wParam, lParam);
}

}  // namespace

extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    return virelo::ScreenSaverProc(parade, platform, routing,
                                   reinterpret_cast<WindowHandle>(window), message, wParam, lParam);
}

extern "C" BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    return virelo::ScreenSaverConfigureDialog(parade.settings, platform,
                                              reinterpret_cast<WindowHandle>(dialog), message,
                                              wParam, lParam) != 0
               ? TRUE
               : FALSE;
}

// The process entry (the linker's -e): no C runtime runs before it, and SaverEntry ends the
// process, so nothing after it would run either.
extern "C" [[noreturn]] void VireloEntry() {
    platform.SetModule(GetModuleHandleA(nullptr));
    // The configuration dialog's up-down controls are a common-controls class: without
    // this the dialog cannot be created on a system where nothing else loaded that library.
    InitCommonControls();
    parade.random.tickCount = &PlatformTicks;  // seeds the walkers on the first draw
    SaverEntry(host, platform);  // ends in ExitProcess
    __builtin_unreachable();
}
