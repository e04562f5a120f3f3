// virelo: the parade on X11. XScreenSaver starts it with --root on a window of its own
// (named in XSCREENSAVER_WINDOW) and ends it with SIGTERM; by hand it opens a window of
// its own. One thread: between ticks, and with no timeout once blanked, it sleeps in poll()
// on the X connection and on a pipe that the signal handler writes to; outside that loop a
// stop signal ends it at once.
//
// Exit codes: 0 when stopped (signal, --ticks, input in its own window, the window gone),
// 2 for a bad command line, 1 when the display, the window or the visual cannot be used.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/options.h"
#include "cli/output.h"
#include "cli/process.h"
#include "parade/bitmap.h"
#include "parade/session.h"
#include "platform/x11/window_surface.h"
#include "render/sprites.h"

namespace {

using namespace virelo;

constexpr int OwnWidth = 1024, OwnHeight = 768;
constexpr OptionSet Accepted =
    OptionsOf(Option::Root, Option::WindowId, Option::Speed, Option::BlankTime, Option::Zoom,
              Option::Seed, Option::Ticks, Option::Help, Option::Version);
constexpr const char* UsageHead =
    "Usage: virelo [--root] [--window-id ID] [--speed N] [--blank-time S] [--zoom N]\n"
    "              [--seed S] [--ticks N]\n"
    "The parade of walkers on X11, for XScreenSaver or in a window of its own.\n";
constexpr const char* UsageTail =
    "Options may also start with a single dash. --window-id wins over --root. Without either\n"
    "it opens a 1024 x 768 window of its own, which a key press, a click or closing it ends.\n"
    "Without --seed the walkers are placed from the clock.\n";

Window watched = None;     // the window whose loss ends the saver
bool windowGone = false;
std::string xFailure;      // the first X error that is not the window's loss

// X errors arrive late, for the request that caused them: the drawing goes on until the
// loop looks at the flags. A window destroyed under us is the host's way of closing.
extern "C" int OnXError(Display* display, XErrorEvent* e) {
    if ((e->error_code == BadWindow || e->error_code == BadDrawable) && e->resourceid == watched) {
        windowGone = true;
    } else if (xFailure.empty()) {
        char text[160];
        XGetErrorText(display, e->error_code, text, sizeof text);
        xFailure = std::string("X error: ") + text;
    }
    return 0;
}

int Fail(const std::string& what, int code) {
    std::fprintf(stderr, "virelo: %s\n", what.c_str());
    return code;
}

// The window to draw on, and for its own window the close protocol's atom.
struct Canvas {
    Window window = None;
    bool own = false;
    Atom protocols = None, deleteWindow = None;
};

// XScreenSaver's settings program starts a preview as --root --window-id W, with W in
// XSCREENSAVER_WINDOW too: the named window wins, then the variable, then the root.
std::string ResolveTarget(Display* display, const CommandLine& o, Canvas& stage) {
    if (o.Has(Option::WindowId)) {
        stage.window = o.windowId;
    } else if (o.Has(Option::Root)) {
        stage.window = DefaultRootWindow(display);
        if (const char* named = std::getenv("XSCREENSAVER_WINDOW"); named && *named) {
            const auto id = ParseWindowId(named);
            if (!id) return "XSCREENSAVER_WINDOW is not a window ID: " + std::string(named);
            stage.window = *id;
        }
    } else {
        const int screen = DefaultScreen(display);
        stage.own = true;
        stage.window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, OwnWidth,
                                           OwnHeight, 0, BlackPixel(display, screen),
                                           BlackPixel(display, screen));
        XStoreName(display, stage.window, "Virelo");
        XClassHint hint{const_cast<char*>("virelo"), const_cast<char*>("Virelo")};
        XSetClassHint(display, stage.window, &hint);
        stage.protocols = XInternAtom(display, "WM_PROTOCOLS", False);
        stage.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, stage.window, &stage.deleteWindow, 1);
    }
    return {};
}

// The screen's dots per inch as scaled X11 desktops publish them, in the Xft.dpi resource
// (toolkits read the same); 96 without it.
std::int32_t ScreenDpi(Display* display) {
    std::int32_t dpi = BaseDpi;
    const char* resources = XResourceManagerString(display);
    if (!resources) return dpi;
    XrmInitialize();
    XrmDatabase db = XrmGetStringDatabase(resources);
    char* type = nullptr;
    XrmValue value{};
    if (db && XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
        // "192" or "144.5": the whole part.
        const long v = std::strtol(value.addr, nullptr, 10);
        if (v > 0 && v < 100000) dpi = static_cast<std::int32_t>(v);
    }
    if (db) XrmDestroyDatabase(db);
    return dpi;
}

}  // namespace

int main(int argc, char** argv) {
    GuardOutput();
    const CommandLine o = ParseCommandLine(argc, argv, Accepted);
    if (const auto code = EndsAtOnce(o, "virelo", Accepted, UsageHead, UsageTail)) return *code;
    const int stopFd = StopSignalsFd();
    if (stopFd < 0) return Fail("cannot install the signal handlers", 1);

    Display* display = XOpenDisplay(nullptr);
    if (!display) return Fail("cannot open the display", 1);
    XSetErrorHandler(OnXError);

    Canvas stage;
    if (std::string bad = ResolveTarget(display, o, stage); !bad.empty()) {
        XCloseDisplay(display);
        return Fail(bad, 2);
    }
    watched = stage.window;
    const long events = ExposureMask | StructureNotifyMask |
                        (stage.own ? KeyPressMask | ButtonPressMask : NoEventMask);
    XSelectInput(display, stage.window, events);
    XWindowAttributes attributes{};
    const bool exists = XGetWindowAttributes(display, stage.window, &attributes) != 0;
    XSync(display, False);
    if (!exists || windowGone) {
        XCloseDisplay(display);
        return Fail("no such window: " + std::to_string(stage.window), 1);
    }

    int status = 0;
    {
        WindowSurface surface(display, stage.window, attributes);
        const auto sheet = ReadBitmapFile(SheetFile().data(), SheetFile().size());
        const auto mask = ReadBitmapFile(MaskFile().data(), MaskFile().size());
        if (!surface.Ready()) status = Fail("the window's visual is not TrueColor", 1);
        else if (!sheet || !mask || !surface.LoadSprites(*sheet, *mask))
            status = Fail("the built-in sprites are unreadable", 1);

        Rect client{0, 0, attributes.width, attributes.height};
        if (stage.own && status == 0) {
            // A window manager may size the window as it maps it: the size that counts is
            // the last one announced before the map.
            XMapWindow(display, stage.window);
            XEvent e;
            do {
                XWindowEvent(display, stage.window, StructureNotifyMask, &e);
                if (e.type == ConfigureNotify) client = {0, 0, e.xconfigure.width, e.xconfigure.height};
            } while (e.type != MapNotify);
        }

        const std::int32_t dpi = o.zoom > 0 ? o.zoom * BaseDpi : ScreenDpi(display);
        Parade parade;
        parade.settings.Speed = o.speed;
        parade.settings.BlankTime = o.blankTime;
        parade.random.tickCount = MilliTicks;
        if (o.seed != 0) parade.random.state = o.seed;
        if (status == 0) {
            surface.Black(client);  // the background erase of a window just shown
            StartSession(parade, client, dpi);
        }

        const std::int64_t period = TickPeriodMs(parade.settings);
        std::int64_t due = MonotonicMs() + period;
        std::int64_t ticks = 0;
        bool stop = status != 0 || (o.ticks == 0 && !stage.own);
        bool ticking = o.ticks != 0;
        // Only the loop's poll() sees the stop signals' pipe: before it (the wait for the map
        // above, every round trip) and after it they end the process at once.
        StopSignalsWakeLoop(true);
        while (!stop) {
            while (!stop && XPending(display)) {
                XEvent e;
                XNextEvent(display, &e);
                switch (e.type) {
                case Expose:
                    surface.Black({e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width,
                                   e.xexpose.y + e.xexpose.height});
                    break;
                case ConfigureNotify:
                    // A new size is a new stage: the parade is placed on it afresh.
                    if (e.xconfigure.window == stage.window &&
                        (e.xconfigure.width != client.right || e.xconfigure.height != client.bottom)) {
                        client = {0, 0, e.xconfigure.width, e.xconfigure.height};
                        StartSession(parade, client, dpi);
                    }
                    break;
                case DestroyNotify:
                    windowGone |= e.xdestroywindow.window == stage.window;
                    break;
                case KeyPress:
                case ButtonPress:
                    stop = true;
                    break;
                case ClientMessage:
                    // Only the window manager's close request, and only on our own window.
                    stop = stage.own && e.xclient.message_type == stage.protocols &&
                           static_cast<Atom>(e.xclient.data.l[0]) == stage.deleteWindow;
                    break;
                default:
                    break;
                }
            }
            if (windowGone || !xFailure.empty() || stop) break;

            const std::int64_t now = MonotonicMs();
            if (ticking && now >= due) {
                const TickOutcome outcome = SessionTick(parade, surface, client);
                if (outcome == TickOutcome::Blank) surface.Black(client);
                // A late tick is not caught up in a burst: the next one is a period on.
                due = due + period > now ? due + period : now + period;
                // Black for good, no tick would change anything: the loop sleeps on the
                // connection (exposures, the window's loss) and the signals alone.
                if (outcome != TickOutcome::Drawn) ticking = false;
                if (o.ticks > 0 && (++ticks >= o.ticks || !ticking)) {
                    // The picture stays: on another's window when we leave, in our own
                    // window until it is ended.
                    if (!stage.own) break;
                    ticking = false;
                }
                continue;
            }
            XFlush(display);
            pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {stopFd, POLLIN, 0}};
            if (poll(fds, 2, ticking ? static_cast<int>(due - now) : -1) < 0 && errno != EINTR) {
                status = Fail("poll failed", 1);
                break;
            }
            if (fds[1].revents & POLLIN) stop = true;
        }
        StopSignalsWakeLoop(false);
        XSync(display, False);
        if (status == 0 && !xFailure.empty() && !windowGone) status = Fail(xFailure, 1);
    }
    if (stage.own && !windowGone) XDestroyWindow(display, stage.window);
    XCloseDisplay(display);
    return status;
}
