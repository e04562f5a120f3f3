// virelo-wayland: the parade on Wayland desktops, for idle daemons (swayidle, hypridle) to
// start and input to end. Every output gets a full-screen surface on the layer-shell
// overlay layer and a parade of its own; a compositor without layer-shell gets one
// full-screen xdg-shell window instead. One thread: it sleeps in poll() on the Wayland
// connection, a periodic timerfd for the ticks and a pipe that the signal handler writes to.
//
// Each output draws into a SoftSurface and shows it through two shared-memory buffers.
// A tick's changed rectangles, narrowed to what differs from the last committed buffer,
// are damaged on the next commit and copied into each buffer the next time that buffer is
// used, so a buffer that sat out a commit still catches up.
// A commit waits for the frame callback of the previous one: a compositor that stops
// showing the output stops the commits, not the parade.
//
// Exit codes: 0 when stopped (input, signal, the compositor closing the surface or the
// connection, another copy already running), 2 for a bad command line, 1 when there is
// no Wayland display or it lacks what drawing needs.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/process.h"
#include "parade/bitmap.h"
#include "parade/session.h"
#include "render/soft_surface.h"
#include "render/sprites.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

using namespace virelo;

constexpr OptionSet Accepted = OptionsOf(Option::Speed, Option::BlankTime, Option::Zoom,
                                         Option::Seed, Option::Ticks, Option::Help, Option::Version);
constexpr const char* UsageHead =
    "Usage: virelo-wayland [--speed N] [--blank-time S] [--zoom N] [--seed S] [--ticks N]\n"
    "The parade of walkers on every output of a Wayland desktop, for an idle daemon to start.\n";
constexpr const char* UsageTail =
    "Options may also start with a single dash. A key, a button, the wheel or moving the\n"
    "pointer ends it, as do SIGTERM, SIGINT and SIGHUP. With --ticks N the picture stays\n"
    "after N ticks until then. A second copy on the same display ends at once.\n";

// A rectangle list longer than this becomes its bounding box: while the compositor shows
// nothing (no frame callbacks) ticks go on and must not grow the lists without end.
constexpr std::size_t MaxRects = 128;

int Fail(const std::string& what, int code) {
    std::fprintf(stderr, "virelo-wayland: %s\n", what.c_str());
    return code;
}

void AddRects(std::vector<Rect>& to, const std::vector<Rect>& rects) {
    to.insert(to.end(), rects.begin(), rects.end());
    if (to.size() <= MaxRects) return;
    Rect box = to.front();
    for (const Rect& r : to)
        box = {std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
               std::max(box.bottom, r.bottom)};
    to.assign(1, box);
}

struct Buffer {
    wl_buffer* buffer = nullptr;
    Pixel* pixels = nullptr;
    bool busy = false;          // the compositor holds it
    std::vector<Rect> stale;    // client pixels where it differs from the picture
};

// One output and what is shown on it.
struct Screen {
    std::uint32_t name = 0;  // the output's global
    wl_output* output = nullptr;
    std::int32_t x = 0, y = 0, scale = 1, modeWidth = 0, modeHeight = 0;
    bool described = false;  // its first done event has come

    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    std::int32_t offeredWidth = 0, offeredHeight = 0;  // the toplevel's last configure

    // As drawn: the surface in logical pixels at the scale, the client in buffer pixels.
    std::int32_t width = 0, height = 0, drawnScale = 0;
    Rect client{0, 0, 0, 0};
    Parade parade;
    std::unique_ptr<SoftSurface> soft;
    void* memory = MAP_FAILED;
    std::size_t memorySize = 0;
    Buffer buffers[2];
    std::vector<Rect> damage;  // since the last commit
    const Buffer* shown = nullptr;  // the last committed, as the picture was then
    wl_callback* frame = nullptr;
    std::int64_t ticks = 0;
    bool blanked = false;  // black for good: no more ticks, no more wake-ups
};

struct Seat {
    std::uint32_t name = 0;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    Screen* under = nullptr;  // the screen whose surface the pointer is on
};

struct App {
    int stopFd = -1;  // a stop signal came when it reads
    CommandLine options;
    SaverSettings settings;  // from the options; every output's parade starts with them
    PackedBitmap sheet, mask;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    xdg_wm_base* wmBase = nullptr;
    std::vector<std::unique_ptr<Screen>> screens;
    std::vector<std::unique_ptr<Seat>> seats;
    bool started = false;  // the first roundtrip is over: the shell is known
    int timer = -1;
    bool timerArmed = false;
    bool pointerSeen = false;
    Point pointerOrigin{0, 0};
    bool stop = false;
    std::string failure;  // why it ends with code 1
};

App app;

Screen* ScreenOf(wl_surface* surface) {
    for (auto& s : app.screens)
        if (s->surface == surface && surface) return s.get();
    return nullptr;
}

void ArmTimer(bool on) {
    if (on == app.timerArmed) return;
    const long ms = TickPeriodMs(app.settings);
    itimerspec period{};
    if (on) period.it_value = period.it_interval = {ms / 1000, (ms % 1000) * 1000000};
    timerfd_settime(app.timer, 0, &period, nullptr);
    app.timerArmed = on;
}

bool Ticking(const Screen& s) {
    return s.soft && !s.blanked && (app.options.ticks < 0 || s.ticks < app.options.ticks);
}

// --- drawing ---------------------------------------------------------------------------

void Present(Screen& s);

const wl_callback_listener FrameListener = {
    [](void* data, wl_callback* callback, std::uint32_t) {
        auto& s = *static_cast<Screen*>(data);
        wl_callback_destroy(callback);
        s.frame = nullptr;
        Present(s);
    },
};

const wl_buffer_listener BufferListener = {
    [](void* data, wl_buffer*) {
        auto& b = *static_cast<Buffer*>(data);
        b.busy = false;
    },
};

// The part of `r` where the picture differs from what the compositor shows; empty when
// none. A walker's rectangles hold much that stays as it was (black around it, a pause):
// the compositor then composites only what moved, and a tick that moved nothing on this
// output costs it no frame at all.
Rect Differing(const Image& picture, const Buffer& shown, const Rect& r) {
    Rect d{r.right, r.bottom, r.left, r.top};
    const auto width = static_cast<std::size_t>(r.right - r.left);
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * picture.width + r.left;
        const Pixel* now = picture.pixels.data() + row;
        const Pixel* was = shown.pixels + row;
        if (std::memcmp(now, was, width * sizeof(Pixel)) == 0) continue;
        // Only columns outside the part found so far can widen it.
        const std::size_t inLeft = d.left < d.right ? static_cast<std::size_t>(d.left - r.left) : width;
        const std::size_t inRight = d.left < d.right ? static_cast<std::size_t>(d.right - r.left) : 0;
        std::size_t first = 0, last = width;
        while (first < inLeft && now[first] == was[first]) ++first;
        while (last > inRight && now[last - 1] == was[last - 1]) --last;
        d = {std::min(d.left, r.left + static_cast<std::int32_t>(first)), std::min(d.top, y),
             std::max(d.right, r.left + static_cast<std::int32_t>(last)), y + 1};
    }
    return d;
}

// Buffer b up, with the damage since the last commit; the next commit waits for its frame.
void Commit(Screen& s, Buffer& b) {
    wl_surface_attach(s.surface, b.buffer, 0, 0);
    for (const Rect& r : s.damage)
        wl_surface_damage_buffer(s.surface, r.left, r.top, r.right - r.left, r.bottom - r.top);
    s.damage.clear();
    s.frame = wl_surface_frame(s.surface);
    wl_callback_add_listener(s.frame, &FrameListener, &s);
    wl_surface_commit(s.surface);
    b.busy = true;
    s.shown = &b;
}

void Present(Screen& s) {
    if (s.frame || s.damage.empty() || !s.shown) return;
    Buffer* b = !s.buffers[0].busy ? &s.buffers[0] : !s.buffers[1].busy ? &s.buffers[1] : nullptr;
    if (!b) return;  // the release brings it back here through the next frame or tick
    const Image& picture = s.soft->Picture();
    std::vector<Rect> real;
    for (const Rect& r : s.damage)
        if (const Rect d = Differing(picture, *s.shown, r); d.left < d.right) real.push_back(d);
    s.damage.swap(real);
    if (s.damage.empty()) return;
    // What changed since the last commit is missing from every buffer, this one included.
    for (Buffer& other : s.buffers) AddRects(other.stale, s.damage);
    for (const Rect& r : b->stale)
        for (std::int32_t y = r.top; y < r.bottom; ++y) {
            const std::size_t at = static_cast<std::size_t>(y) * picture.width + r.left;
            std::memcpy(b->pixels + at, picture.pixels.data() + at,
                        static_cast<std::size_t>(r.right - r.left) * sizeof(Pixel));
        }
    b->stale.clear();
    Commit(s, *b);
}

void DropBuffers(Screen& s) {
    for (Buffer& b : s.buffers) {
        if (b.buffer) wl_buffer_destroy(b.buffer);
        b = Buffer{};
    }
    if (s.memory != MAP_FAILED) munmap(s.memory, s.memorySize);
    s.memory = MAP_FAILED;
}

// Both buffers in one memfd, zero-filled: black, as a new SoftSurface is.
bool MakeBuffers(Screen& s, std::int32_t w, std::int32_t h) {
    const std::size_t one = static_cast<std::size_t>(w) * h * sizeof(Pixel);
    s.memorySize = one * 2;
    const int fd = memfd_create("virelo-wayland", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(s.memorySize)) != 0) {
        if (fd >= 0) close(fd);
        return false;
    }
    s.memory = mmap(nullptr, s.memorySize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (s.memory == MAP_FAILED) {
        close(fd);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(app.shm, fd, static_cast<std::int32_t>(s.memorySize));
    for (int i = 0; i < 2; ++i) {
        Buffer& b = s.buffers[i];
        b.buffer = wl_shm_pool_create_buffer(pool, static_cast<std::int32_t>(one) * i, w, h,
                                             w * static_cast<std::int32_t>(sizeof(Pixel)),
                                             WL_SHM_FORMAT_XRGB8888);
        b.pixels = reinterpret_cast<Pixel*>(static_cast<char*>(s.memory) + one * i);
        wl_buffer_add_listener(b.buffer, &BufferListener, &b);
    }
    wl_shm_pool_destroy(pool);
    close(fd);
    return true;
}

// The surface is (re)configured to w x h logical pixels, or the output's scale changed: a
// new stage, placed afresh, as on X11 when the window changes size.
void Resize(Screen& s, std::int32_t w, std::int32_t h) {
    if (w <= 0 || h <= 0) {
        // The compositor leaves the size to us: the output's, else that of the X11 window.
        w = s.modeWidth > 0 ? s.modeWidth / s.scale : 1024;
        h = s.modeHeight > 0 ? s.modeHeight / s.scale : 768;
    }
    if (s.soft && w == s.width && h == s.height && s.scale == s.drawnScale) return;
    if (s.frame) wl_callback_destroy(s.frame);  // the new picture need not wait for the old
    s.frame = nullptr;
    DropBuffers(s);
    s.shown = nullptr;
    s.width = w;
    s.height = h;
    s.drawnScale = s.scale;
    s.client = {0, 0, w * s.scale, h * s.scale};
    s.soft.reset();
    if (!MakeBuffers(s, s.client.right, s.client.bottom)) {
        app.failure = "cannot make the shared-memory buffers";
        app.stop = true;
        return;
    }
    s.soft = std::make_unique<SoftSurface>(s.client.right, s.client.bottom);
    s.soft->LoadSheet(app.sheet);
    s.soft->LoadMask(app.mask);
    StartSession(s.parade, s.client, (app.options.zoom > 0 ? app.options.zoom : s.scale) * BaseDpi);
    wl_surface_set_buffer_scale(s.surface, s.scale);
    // Opaque everywhere: a compositor that culls need not draw what lies beneath.
    wl_region* opaque = wl_compositor_create_region(app.compositor);
    wl_region_add(opaque, 0, 0, w, h);
    wl_surface_set_opaque_region(s.surface, opaque);
    wl_region_destroy(opaque);
    // The buffers start black, as the picture does: the first goes up as it is, and no
    // page of the other is touched before a walker comes by.
    s.damage.assign(1, s.client);
    Commit(s, s.buffers[0]);
    if (Ticking(s)) ArmTimer(true);
}

void Tick() {
    bool more = false;
    for (auto& p : app.screens) {
        Screen& s = *p;
        if (!Ticking(s)) continue;
        const TickOutcome outcome = SessionTick(s.parade, *s.soft, s.client);
        if (outcome == TickOutcome::Blank) s.soft->Black(s.client);
        s.blanked = outcome != TickOutcome::Drawn;
        AddRects(s.damage, s.soft->TakeChanged());
        ++s.ticks;
        Present(s);
        more |= Ticking(s);
    }
    if (!more) ArmTimer(false);
}

// --- surfaces --------------------------------------------------------------------------

void DropScreen(Screen& s);

// The compositor closed a layer surface. When its output is going away the output's
// global_remove comes with it, before the answer to this sync: then only that screen goes.
// Otherwise the saver was dismissed, and ends.
const wl_callback_listener ClosedCheck = {
    [](void* data, wl_callback* callback, std::uint32_t) {
        wl_callback_destroy(callback);
        const auto name = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data));
        for (auto& s : app.screens)
            if (s->name == name) app.stop = true;
    },
};

const zwlr_layer_surface_v1_listener LayerListener = {
    [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t w,
       std::uint32_t h) {
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        Resize(*static_cast<Screen*>(data), static_cast<std::int32_t>(w), static_cast<std::int32_t>(h));
    },
    [](void* data, zwlr_layer_surface_v1*) {
        const auto* s = static_cast<Screen*>(data);
        wl_callback_add_listener(wl_display_sync(app.display), &ClosedCheck,
                                 reinterpret_cast<void*>(static_cast<std::uintptr_t>(s->name)));
    },
};

const xdg_wm_base_listener WmBaseListener = {
    [](void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

const xdg_surface_listener XdgSurfaceListener = {
    [](void* data, xdg_surface* surface, std::uint32_t serial) {
        auto& s = *static_cast<Screen*>(data);
        xdg_surface_ack_configure(surface, serial);
        Resize(s, s.offeredWidth, s.offeredHeight);
    },
};

const xdg_toplevel_listener ToplevelListener = {
    [](void* data, xdg_toplevel*, std::int32_t w, std::int32_t h, wl_array*) {
        auto& s = *static_cast<Screen*>(data);
        s.offeredWidth = w;
        s.offeredHeight = h;
    },
    [](void*, xdg_toplevel*) { app.stop = true; },
    nullptr,  // configure_bounds and wm_capabilities: not in the version bound
    nullptr,
};

void CreateSurface(Screen& s) {
    if (!app.layerShell) {
        // One window, on the first output: a toplevel cannot be placed on the others.
        for (auto& other : app.screens)
            if (other->surface) return;
    }
    s.surface = wl_compositor_create_surface(app.compositor);
    if (app.layerShell) {
        s.layer = zwlr_layer_shell_v1_get_layer_surface(app.layerShell, s.surface, s.output,
                                                        ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "virelo");
        zwlr_layer_surface_v1_set_anchor(s.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                      ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                      ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                      ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_exclusive_zone(s.layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            s.layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
        zwlr_layer_surface_v1_add_listener(s.layer, &LayerListener, &s);
    } else {
        s.xdgSurface = xdg_wm_base_get_xdg_surface(app.wmBase, s.surface);
        xdg_surface_add_listener(s.xdgSurface, &XdgSurfaceListener, &s);
        s.toplevel = xdg_surface_get_toplevel(s.xdgSurface);
        xdg_toplevel_add_listener(s.toplevel, &ToplevelListener, &s);
        xdg_toplevel_set_title(s.toplevel, "Virelo");
        xdg_toplevel_set_app_id(s.toplevel, "virelo");
        xdg_toplevel_set_fullscreen(s.toplevel, s.output);
    }
    wl_surface_commit(s.surface);  // no buffer: asks for the first configure
}

void DropScreen(Screen& s) {
    for (auto& seat : app.seats)
        if (seat->under == &s) seat->under = nullptr;
    if (s.frame) wl_callback_destroy(s.frame);
    DropBuffers(s);
    if (s.layer) zwlr_layer_surface_v1_destroy(s.layer);
    if (s.toplevel) xdg_toplevel_destroy(s.toplevel);
    if (s.xdgSurface) xdg_surface_destroy(s.xdgSurface);
    if (s.surface) wl_surface_destroy(s.surface);
    if (wl_output_get_version(s.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) wl_output_release(s.output);
    else wl_output_destroy(s.output);
}

const wl_output_listener OutputListener = {
    [](void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t,
       std::int32_t, const char*, const char*, std::int32_t) {
        auto& s = *static_cast<Screen*>(data);
        s.x = x;
        s.y = y;
    },
    [](void* data, wl_output*, std::uint32_t flags, std::int32_t w, std::int32_t h, std::int32_t) {
        auto& s = *static_cast<Screen*>(data);
        if (flags & WL_OUTPUT_MODE_CURRENT) {
            s.modeWidth = w;
            s.modeHeight = h;
        }
    },
    [](void* data, wl_output*) {
        auto& s = *static_cast<Screen*>(data);
        if (!s.described) {
            s.described = true;
            if (app.started) CreateSurface(s);
        } else if (s.soft && s.scale != s.drawnScale) {
            Resize(s, s.width, s.height);
        }
    },
    [](void* data, wl_output*, std::int32_t factor) {
        static_cast<Screen*>(data)->scale = std::max(factor, 1);
    },
    nullptr,  // name and description: not in the version bound
    nullptr,
};

// --- input -----------------------------------------------------------------------------

void PointerAt(Seat& seat, wl_fixed_t sx, wl_fixed_t sy) {
    // Where on the desktop: the output's position plus the place on its surface, so that
    // crossing from one output to the next is no jump.
    const Point at{wl_fixed_to_int(sx) + (seat.under ? seat.under->x : 0),
                   wl_fixed_to_int(sy) + (seat.under ? seat.under->y : 0)};
    if (!app.pointerSeen) {
        app.pointerSeen = true;
        app.pointerOrigin = at;
    } else if (CursorDistance(at, app.pointerOrigin) > MouseMoveThreshold) {
        app.stop = true;
    }
}

const wl_pointer_listener PointerListener = {
    [](void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface, wl_fixed_t sx,
       wl_fixed_t sy) {
        auto& seat = *static_cast<Seat*>(data);
        wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the parade
        seat.under = ScreenOf(surface);
        PointerAt(seat, sx, sy);
    },
    [](void* data, wl_pointer*, std::uint32_t, wl_surface*) { static_cast<Seat*>(data)->under = nullptr; },
    [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t sx, wl_fixed_t sy) {
        PointerAt(*static_cast<Seat*>(data), sx, sy);
    },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
        if (state == WL_POINTER_BUTTON_STATE_PRESSED) app.stop = true;
    },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) { app.stop = true; },
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) { app.stop = true; },
    nullptr,  // axis_value120: not in the version bound
};

const wl_keyboard_listener KeyboardListener = {
    [](void*, wl_keyboard*, std::uint32_t, int fd, std::uint32_t) { close(fd); },  // any key will do
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},  // keys already down do not count
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
    [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
        if (state == WL_KEYBOARD_KEY_STATE_PRESSED) app.stop = true;
    },
    [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const wl_seat_listener SeatListener = {
    [](void* data, wl_seat* wlSeat, std::uint32_t caps) {
        auto& seat = *static_cast<Seat*>(data);
        const bool release = wl_seat_get_version(wlSeat) >= WL_KEYBOARD_RELEASE_SINCE_VERSION;
        if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !seat.keyboard) {
            seat.keyboard = wl_seat_get_keyboard(wlSeat);
            wl_keyboard_add_listener(seat.keyboard, &KeyboardListener, &seat);
        } else if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD) && seat.keyboard) {
            release ? wl_keyboard_release(seat.keyboard) : wl_keyboard_destroy(seat.keyboard);
            seat.keyboard = nullptr;
        }
        if ((caps & WL_SEAT_CAPABILITY_POINTER) && !seat.pointer) {
            seat.pointer = wl_seat_get_pointer(wlSeat);
            wl_pointer_add_listener(seat.pointer, &PointerListener, &seat);
        } else if (!(caps & WL_SEAT_CAPABILITY_POINTER) && seat.pointer) {
            release ? wl_pointer_release(seat.pointer) : wl_pointer_destroy(seat.pointer);
            seat.pointer = nullptr;
            seat.under = nullptr;
        }
    },
    [](void*, wl_seat*, const char*) {},
};

// --- globals ---------------------------------------------------------------------------

template <class T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface,
        std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, &interface, std::min(offered, wanted)));
}

const wl_registry_listener RegistryListener = {
    [](void*, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
        const std::string_view is(interface);
        if (is == wl_compositor_interface.name && version >= 4) {
            // 4 for damage in buffer pixels
            app.compositor = Bind<wl_compositor>(registry, name, wl_compositor_interface, version, 4);
        } else if (is == wl_shm_interface.name) {
            app.shm = Bind<wl_shm>(registry, name, wl_shm_interface, version, 1);
        } else if (is == zwlr_layer_shell_v1_interface.name) {
            app.layerShell = Bind<zwlr_layer_shell_v1>(registry, name, zwlr_layer_shell_v1_interface, version, 4);
        } else if (is == xdg_wm_base_interface.name) {
            app.wmBase = Bind<xdg_wm_base>(registry, name, xdg_wm_base_interface, version, 1);
            xdg_wm_base_add_listener(app.wmBase, &WmBaseListener, nullptr);
        } else if (is == wl_output_interface.name && version >= 2) {  // 2 for the scale
            auto s = std::make_unique<Screen>();
            s->name = name;
            s->output = Bind<wl_output>(registry, name, wl_output_interface, version, 3);
            s->parade.settings = app.settings;
            s->parade.random.tickCount = MilliTicks;
            if (app.options.seed != 0) s->parade.random.state = app.options.seed;
            wl_output_add_listener(s->output, &OutputListener, s.get());
            app.screens.push_back(std::move(s));
        } else if (is == wl_seat_interface.name) {
            auto seat = std::make_unique<Seat>();
            seat->name = name;
            seat->seat = Bind<wl_seat>(registry, name, wl_seat_interface, version, 5);
            wl_seat_add_listener(seat->seat, &SeatListener, seat.get());
            app.seats.push_back(std::move(seat));
        }
    },
    [](void*, wl_registry*, std::uint32_t name) {
        for (auto it = app.screens.begin(); it != app.screens.end(); ++it)
            if ((*it)->name == name) {
                DropScreen(**it);
                app.screens.erase(it);
                // The window went with its output: it moves to the next one.
                for (auto& s : app.screens)
                    if (s->described && !app.layerShell) {
                        CreateSurface(*s);
                        break;
                    }
                return;
            }
        for (auto it = app.seats.begin(); it != app.seats.end(); ++it)
            if ((*it)->name == name) {
                if ((*it)->keyboard) wl_keyboard_destroy((*it)->keyboard);
                if ((*it)->pointer) wl_pointer_destroy((*it)->pointer);
                wl_seat_destroy((*it)->seat);
                app.seats.erase(it);
                return;
            }
    },
};

// One copy per Wayland display: an idle daemon that fires again while the parade runs
// must not stack a second one on it. The lock lives as long as the process, and the kernel
// drops it however the process ends. False when another copy holds it.
bool TakeLock() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (!dir || !*dir) return true;  // nowhere to keep it; libwayland has complained already
    const char* named = std::getenv("WAYLAND_DISPLAY");
    std::string display = named && *named ? named : "wayland-0";
    std::replace(display.begin(), display.end(), '/', '_');  // an absolute socket path
    const std::string path = std::string(dir) + "/virelo-wayland-" + display + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;
    return flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

int Run() {
    app.registry = wl_display_get_registry(app.display);
    wl_registry_add_listener(app.registry, &RegistryListener, nullptr);
    wl_display_roundtrip(app.display);  // the globals
    if (!app.compositor || !app.shm)
        return Fail("the compositor offers no wl_compositor version 4 or no wl_shm", 1);
    if (!app.layerShell && !app.wmBase)
        return Fail("the compositor offers neither layer-shell nor xdg-shell", 1);
    if (!app.layerShell)
        std::fputs("virelo-wayland: the compositor has no layer-shell: one full-screen window "
                   "on the first output instead\n", stderr);
    wl_display_roundtrip(app.display);  // each output's description
    app.started = true;
    for (auto& s : app.screens)
        if (s->described) CreateSurface(*s);

    while (!app.stop) {
        while (wl_display_prepare_read(app.display) != 0) wl_display_dispatch_pending(app.display);
        if (app.stop) {
            wl_display_cancel_read(app.display);
            break;
        }
        if (wl_display_flush(app.display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(app.display);
            break;
        }
        pollfd fds[3] = {{wl_display_get_fd(app.display), POLLIN, 0},
                         {app.timer, POLLIN, 0},
                         {app.stopFd, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            wl_display_cancel_read(app.display);
            if (errno == EINTR) continue;
            return Fail("poll failed", 1);
        }
        if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) {
            if (wl_display_read_events(app.display) < 0) break;
        } else {
            wl_display_cancel_read(app.display);
        }
        if (wl_display_dispatch_pending(app.display) < 0) break;
        if (fds[2].revents & POLLIN) break;
        if (fds[1].revents & POLLIN) {
            // Ticks missed while the machine was busy are dropped, not caught up in a burst;
            // the timer's own period keeps the rest on time.
            std::uint64_t expirations = 0;
            if (read(app.timer, &expirations, sizeof expirations) > 0) Tick();
        }
    }
    if (!app.failure.empty()) return Fail(app.failure, 1);
    // A connection that the compositor closes ends the saver; a protocol error is a fault.
    if (const int e = wl_display_get_error(app.display); e == EPROTO)
        return Fail("Wayland protocol error", 1);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    app.options = ParseCommandLine(argc, argv, Accepted);
    const CommandLine& o = app.options;
    if (const auto code = EndsAtOnce(o, "virelo-wayland", Accepted, UsageHead, UsageTail)) return *code;
    app.stopFd = StopSignalsFd();
    if (app.stopFd < 0) return Fail("cannot install the signal handlers", 1);
    app.settings.Speed = o.speed;
    app.settings.BlankTime = o.blankTime;
    const auto sheet = ReadBitmapFile(SheetFile().data(), SheetFile().size());
    const auto mask = ReadBitmapFile(MaskFile().data(), MaskFile().size());
    if (!sheet || !mask) return Fail("the built-in sprites are unreadable", 1);
    app.sheet = *sheet;
    app.mask = *mask;

    app.display = wl_display_connect(nullptr);
    if (!app.display) {
        const char* named = std::getenv("WAYLAND_DISPLAY");
        return Fail(std::string("cannot connect to the Wayland display ") +
                        (named && *named ? named : "wayland-0 (WAYLAND_DISPLAY is not set)"), 1);
    }
    if (!TakeLock()) {
        wl_display_disconnect(app.display);
        return 0;
    }
    app.timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (app.timer < 0) return Fail("cannot make the tick timer", 1);
    const int status = Run();
    for (auto& s : app.screens) DropScreen(*s);
    app.screens.clear();
    for (auto& seat : app.seats) {
        if (seat->keyboard) wl_keyboard_destroy(seat->keyboard);
        if (seat->pointer) wl_pointer_destroy(seat->pointer);
        wl_seat_destroy(seat->seat);
    }
    app.seats.clear();
    wl_display_flush(app.display);
    wl_display_disconnect(app.display);
    return status;
}
