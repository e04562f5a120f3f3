#pragma once
// One saver process in miniature: a fresh Host and Parade over the fake platform, with the
// real routing between them. Every hop is written to `route`: "host" when the platform
// hands a message to the class procedure, "animation" on entering ScreenSaverProc, "host
// default" on entering HostDefaultProc, "platform" in DefWindowProcA.
#include <string>
#include <vector>

#include "fake_platform.h"
#include "host/host.h"
#include "host/window.h"
#include "host/saver_proc.h"

namespace virelo::testing {

struct SaverHarness final : SaverAnimation, SaverDefault {
    Host host;
    Parade parade;
    FakePlatform platform;
    std::vector<std::string> route;

    SaverHarness() {
        parade.random.state = 1;
        platform.route = &route;
        platform.classProc = [this](WindowHandle w, std::uint32_t m, WParam wp, LParam lp) {
            route.push_back("host");
            return HostWindowProc(host, platform, *this, w, m, wp, lp);
        };
    }
    LResult ScreenSaverProc(WindowHandle w, std::uint32_t m, WParam wp, LParam lp) override {
        route.push_back("animation");
        return virelo::ScreenSaverProc(parade, platform, *this, w, m, wp, lp);
    }
    LResult HostDefaultProc(WindowHandle w, std::uint32_t m, WParam wp, LParam lp) override {
        route.push_back("host default");
        return virelo::HostDefaultProc(host, platform, w, m, wp, lp);
    }

    // A full-screen window that has been created, without running the loop.
    void OpenFullScreen(bool windows9x = false) {
        host.IsWindows9x = windows9x;
        host.SaverWindow = platform.CreateWindowExA(0x8, "WindowsScreenSaverClass",
                                                    "Screen Saver", 0x96000000, 0, 0, 640, 480, 0);
        route.clear();
        platform.calls.clear();
        platform.posted.clear();
        platform.queue.clear();
    }
    LResult Send(std::uint32_t m, WParam wp = 0, LParam lp = 0) {
        return platform.Deliver(FakePlatform::Window, m, wp, lp);
    }
    std::string Route() const {
        std::string out;
        for (const std::string& hop : route) out += (out.empty() ? "" : " > ") + hop;
        return out;
    }
};

}  // namespace virelo::testing
