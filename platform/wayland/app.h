#pragma once
// The state of virelo-wayland: one App that main() owns, its outputs (Screen) and seats,
// each pointing back to it, so that every listener reaches what it needs through its data
// pointer.
#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/options.h"
#include "parade/bitmap.h"
#include "parade/session.h"
#include "platform/wayland/input.h"
#include "platform/wayland/presenter.h"
#include "render/soft_surface.h"

struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct xdg_wm_base;
struct xdg_surface;
struct xdg_toplevel;

namespace virelo {

struct App;
struct Screen;

// One shared-memory buffer, in a memfd of its own.
struct Buffer {
    Screen* screen = nullptr;
    int index = 0;
    wl_buffer* buffer = nullptr;
    Pixel* pixels = nullptr;
    std::size_t bytes = 0;
};

// One output and what is shown on it.
struct Screen {
    App* app = nullptr;
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
    std::unique_ptr<SoftSurface> soft;  // draws into the buffer about to go up
    Presenter presenter;
    Buffer buffers[Presenter::Buffers];
    std::int64_t ticks = 0;
    bool blackDue = false;  // the blank time has come: black at the next chance
    bool blanked = false;   // black for good: no more ticks
    bool broken = false;    // its buffers cannot be made: left dark
};

struct Seat {
    App* app = nullptr;
    std::uint32_t name = 0;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    bool focused = false;     // the keyboard is on one of the saver's surfaces
    Screen* under = nullptr;  // the screen whose surface the pointer is on
};

struct App {
    CommandLine options;
    SaverSettings settings;  // every output's parade starts with these, never blanking itself
    // The one blank clock: the blank time counts from the saver's start for every output,
    // so an output that arrives late blanks with the others, or is black from the start.
    SaverSettings clock;
    std::int32_t clockMs = 0;
    PackedBitmap sheet, mask;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    xdg_wm_base* wmBase = nullptr;
    std::vector<std::unique_ptr<Screen>> screens;
    std::vector<std::unique_ptr<Seat>> seats;
    bool started = false;  // the first roundtrips are over: the shell and the outputs are known
    int timer = -1;
    bool timerArmed = false;
    PointerRule pointer;
    Activation activation;
    bool stop = false;
    std::string failure;  // why it ends with code 1
};

// main.cpp
// The tick timer runs while some output has a tick to draw.
void ArmTimer(App& app, bool on);

// output.cpp
void AddScreen(App& app, wl_registry* registry, std::uint32_t name, std::uint32_t version);
void CreateSurface(Screen& s);
void DropScreen(Screen& s);
Screen* ScreenOf(App& app, wl_surface* surface);
// One timer tick: the blank clock, then every output's parade.
void Tick(App& app);

// buffer.cpp
// Buffer `index` of the screen, black, at the client's size. False, with a line on stderr,
// when the size cannot be had.
bool MakeBuffer(Screen& s, int index);
void DropBuffers(Screen& s);

// seat.cpp
void AddSeat(App& app, wl_registry* registry, std::uint32_t name, std::uint32_t version);
void DropSeat(Seat& seat);

}  // namespace virelo
