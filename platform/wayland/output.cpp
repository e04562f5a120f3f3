// Outputs: a full-screen surface on each (a layer-shell overlay, or a full-screen xdg-shell
// window on that output where there is no layer-shell), its parade, and every tick drawn
// straight into the buffer that goes up next.
#include <cstdio>

#include "cli/process.h"
#include "platform/wayland/app.h"
#include "render/sprites.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace virelo {
namespace {

// Larger than any screen made, small enough that a side times the largest zoom fits.
constexpr std::int64_t MaxSide = 32768;

bool Busy(const Screen& s) {
    return s.soft && !s.broken && !s.blanked &&
           (s.blackDue || s.app->options.ticks < 0 || s.ticks < s.app->options.ticks);
}

// An output that cannot be drawn on is left dark; the saver ends only when none can be.
void Broke(Screen& s) {
    s.broken = true;
    s.soft.reset();
    DropBuffers(s);
    for (const auto& other : s.app->screens)
        if (other->surface && !other->broken) return;
    s.app->failure = "no output can be drawn on";
    s.app->stop = true;
}

void Attach(Screen& s, int index, const std::vector<Rect>& damage) {
    wl_surface_attach(s.surface, s.buffers[index].buffer, 0, 0);
    for (const Rect& r : damage)
        wl_surface_damage_buffer(s.surface, r.left, r.top, r.right - r.left, r.bottom - r.top);
    wl_surface_commit(s.surface);
}

// One tick on one output, into the buffer the presenter hands out, which catches up from
// the one shown as the drawing goes; what changed goes up at once.
void Draw(Screen& s) {
    if (!Busy(s)) return;
    const Presenter::Use use = s.presenter.Next();
    if (use.buffer < 0) return;  // both held: the tick is dropped, the next one draws
    if (use.make && !MakeBuffer(s, use.buffer)) return Broke(s);
    Buffer& b = s.buffers[use.buffer];
    s.soft->DrawInto(b.pixels, s.buffers[s.presenter.Shown()].pixels, s.presenter.TakeMissed(use.buffer));
    if (s.blackDue) {
        s.soft->Black(s.client);
        s.blackDue = false;
        s.blanked = true;
    } else {
        SessionTick(s.parade, *s.soft, s.client);
        ++s.ticks;
    }
    s.soft->Settle();
    const std::vector<Rect> changed = s.soft->TakeChanged();
    if (changed.empty()) return;  // as up to date as the shown buffer, and still free
    s.presenter.Commit(use.buffer, changed);
    Attach(s, use.buffer, changed);
}

// The surface is (re)configured to w x h logical pixels, or the output's scale changed: a
// new stage, placed afresh, as on X11 when the window changes size. With --seed the
// parade starts again from it, so that --ticks N shows the renderer's picture at any size.
void Resize(Screen& s, std::int32_t w, std::int32_t h) {
    App& app = *s.app;
    if (w <= 0 || h <= 0) {
        // The compositor leaves the size to us: the output's, else that of the X11 window.
        w = s.modeWidth > 0 ? s.modeWidth / s.scale : 1024;
        h = s.modeHeight > 0 ? s.modeHeight / s.scale : 768;
    }
    if ((s.soft || s.broken) && w == s.width && h == s.height && s.scale == s.drawnScale) return;
    DropBuffers(s);
    s.soft.reset();
    s.width = w;
    s.height = h;
    s.drawnScale = s.scale;
    const std::int64_t cw = std::int64_t{w} * s.scale, ch = std::int64_t{h} * s.scale;
    if (cw > MaxSide || ch > MaxSide) {
        std::fprintf(stderr, "virelo-wayland: an output of %lld x %lld pixels is too large to draw on\n",
                     static_cast<long long>(cw), static_cast<long long>(ch));
        return Broke(s);
    }
    s.client = {0, 0, static_cast<std::int32_t>(cw), static_cast<std::int32_t>(ch)};
    if (!MakeBuffer(s, 0)) return Broke(s);
    s.broken = false;
    s.soft = std::make_unique<SoftSurface>(s.client.right, s.client.bottom, s.buffers[0].pixels);
    s.soft->LoadSheet(app.sheet);
    s.soft->LoadMask(app.mask);
    if (app.options.seed != 0) s.parade.random.state = app.options.seed;
    s.ticks = 0;
    StartSession(s.parade, s.client, (app.options.zoom > 0 ? app.options.zoom : s.scale) * BaseDpi);
    // The new buffer is black, as the picture is: what a first frame at a new size or zoom
    // would report as changed, nothing has to copy.
    s.soft->BeginFrame(s.parade.stage);
    s.soft->TakeChanged();
    wl_surface_set_buffer_scale(s.surface, s.scale);
    // Opaque everywhere: a compositor that culls need not draw what lies beneath.
    wl_region* opaque = wl_compositor_create_region(app.compositor);
    wl_region_add(opaque, 0, 0, w, h);
    wl_surface_set_opaque_region(s.surface, opaque);
    wl_region_destroy(opaque);
    // The black buffer goes up as it is; a buffer made later is black too, and misses nothing.
    s.presenter.TakeMissed(0);
    s.presenter.Commit(0, {});
    Attach(s, 0, {s.client});
    if (Busy(s)) ArmTimer(app, true);
}

// The compositor closed a layer surface. When its output is going away the output's
// global_remove comes with it, before the answer to this sync: then only that screen goes.
// Otherwise the saver was dismissed, and ends.
struct ClosedCheck {
    App* app;
    std::uint32_t output;
};

void ClosedAnswer(void* data, wl_callback* callback, std::uint32_t) {
    wl_callback_destroy(callback);
    const auto* check = static_cast<ClosedCheck*>(data);
    for (const auto& s : check->app->screens)
        if (s->name == check->output) check->app->stop = true;
    delete check;
}

const wl_callback_listener ClosedListener = {.done = ClosedAnswer};

void LayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t w,
                    std::uint32_t h) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    Resize(*static_cast<Screen*>(data), static_cast<std::int32_t>(w), static_cast<std::int32_t>(h));
}

void LayerClosed(void* data, zwlr_layer_surface_v1*) {
    const auto& s = *static_cast<Screen*>(data);
    wl_callback_add_listener(wl_display_sync(s.app->display), &ClosedListener,
                             new ClosedCheck{s.app, s.name});
}

const zwlr_layer_surface_v1_listener LayerListener = {.configure = LayerConfigure, .closed = LayerClosed};

void XdgConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
    auto& s = *static_cast<Screen*>(data);
    xdg_surface_ack_configure(surface, serial);
    Resize(s, s.offeredWidth, s.offeredHeight);
}

const xdg_surface_listener XdgSurfaceListener = {.configure = XdgConfigure};

void ToplevelConfigure(void* data, xdg_toplevel*, std::int32_t w, std::int32_t h, wl_array*) {
    auto& s = *static_cast<Screen*>(data);
    s.offeredWidth = w;
    s.offeredHeight = h;
}

void ToplevelClose(void* data, xdg_toplevel*) { static_cast<Screen*>(data)->app->stop = true; }

// configure_bounds and wm_capabilities are past the version bound.
const xdg_toplevel_listener ToplevelListener = {
    .configure = ToplevelConfigure, .close = ToplevelClose, .configure_bounds = nullptr, .wm_capabilities = nullptr};

void OutputGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t,
                    std::int32_t, const char*, const char*, std::int32_t) {
    auto& s = *static_cast<Screen*>(data);
    s.x = x;
    s.y = y;
}

void OutputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t w, std::int32_t h, std::int32_t) {
    auto& s = *static_cast<Screen*>(data);
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        s.modeWidth = w;
        s.modeHeight = h;
    }
}

void OutputDone(void* data, wl_output*) {
    auto& s = *static_cast<Screen*>(data);
    if (!s.described) {
        s.described = true;
        if (s.app->started) CreateSurface(s);
    } else if (s.surface && s.scale != s.drawnScale && s.drawnScale) {
        Resize(s, s.width, s.height);
    }
}

void OutputScale(void* data, wl_output*, std::int32_t factor) {
    static_cast<Screen*>(data)->scale = std::max(factor, 1);
}

// name and description are past the version bound.
const wl_output_listener OutputListener = {.geometry = OutputGeometry, .mode = OutputMode, .done = OutputDone,
                                           .scale = OutputScale, .name = nullptr, .description = nullptr};

}  // namespace

Screen* ScreenOf(App& app, wl_surface* surface) {
    for (auto& s : app.screens)
        if (s->surface == surface && surface) return s.get();
    return nullptr;
}

void AddScreen(App& app, wl_registry* registry, std::uint32_t name, std::uint32_t version) {
    auto s = std::make_unique<Screen>();
    s->app = &app;
    s->name = name;
    s->output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 3u)));
    s->parade.settings = app.settings;
    s->parade.random.tickCount = MilliTicks;
    if (app.options.seed != 0) s->parade.random.state = app.options.seed;
    s->blanked = HasBlanked(app.clock);  // the others went black before it came
    wl_output_add_listener(s->output, &OutputListener, s.get());
    app.screens.push_back(std::move(s));
}

void CreateSurface(Screen& s) {
    App& app = *s.app;
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
        // The output named is the one it fills: mutter, gnome-shell and weston honour it,
        // so every output gets a window of its own. The compositor activates one of them
        // at a time; the keyboard going from one to the next is no loss (input.h).
        xdg_toplevel_set_fullscreen(s.toplevel, s.output);
    }
    wl_surface_commit(s.surface);  // no buffer: asks for the first configure
}

void DropScreen(Screen& s) {
    for (auto& seat : s.app->seats)
        if (seat->under == &s) seat->under = nullptr;
    DropBuffers(s);
    if (s.layer) zwlr_layer_surface_v1_destroy(s.layer);
    if (s.toplevel) xdg_toplevel_destroy(s.toplevel);
    if (s.xdgSurface) xdg_surface_destroy(s.xdgSurface);
    if (s.surface) wl_surface_destroy(s.surface);
    if (wl_output_get_version(s.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) wl_output_release(s.output);
    else wl_output_destroy(s.output);
}

void Tick(App& app) {
    const bool blankNow = BlankRule(app.clock, app.clockMs) == TickOutcome::Blank;
    bool more = false;
    for (auto& p : app.screens) {
        Screen& s = *p;
        if (blankNow && !s.blanked) s.blackDue = true;
        Draw(s);
        more |= Busy(s);
    }
    if (!more) ArmTimer(app, false);
}

}  // namespace virelo
