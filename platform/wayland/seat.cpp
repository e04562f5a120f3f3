// Seats: the keyboard and the pointer, whose input ends the saver; the rules themselves
// are in input.h.
#include <unistd.h>

#include "platform/wayland/app.h"

namespace virelo {
namespace {

void PointerAt(Seat& seat, wl_fixed_t sx, wl_fixed_t sy) {
    const Point at{wl_fixed_to_int(sx) + (seat.under ? seat.under->x : 0),
                   wl_fixed_to_int(sy) + (seat.under ? seat.under->y : 0)};
    if (PointerMoved(seat.app->pointer, at)) seat.app->stop = true;
}

void PointerEnter(void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface, wl_fixed_t,
                  wl_fixed_t) {
    auto& seat = *static_cast<Seat*>(data);
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the parade
    // Where it entered is not where the distance counts from: mutter places a pointer that
    // has not moved since the window mapped under it 10 to 20 px from where its first motion
    // then reports it. The first motion sets the origin.
    seat.under = ScreenOf(*seat.app, surface);
}

void PointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
    static_cast<Seat*>(data)->under = nullptr;
}

void PointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t sx, wl_fixed_t sy) {
    PointerAt(*static_cast<Seat*>(data), sx, sy);
}

void PointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) static_cast<Seat*>(data)->app->stop = true;
}

void PointerAxis(void* data, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {
    static_cast<Seat*>(data)->app->stop = true;
}

void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, std::uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}

void PointerAxisDiscrete(void* data, wl_pointer*, std::uint32_t, std::int32_t) {
    static_cast<Seat*>(data)->app->stop = true;
}

const wl_pointer_listener PointerListener = {
    .enter = PointerEnter,
    .leave = PointerLeave,
    .motion = PointerMotion,
    .button = PointerButton,
    .axis = PointerAxis,
    .frame = PointerFrame,
    .axis_source = PointerAxisSource,
    .axis_stop = PointerAxisStop,
    .axis_discrete = PointerAxisDiscrete,
    .axis_value120 = nullptr,  // not in the version bound
};

// The answer to the round trip asked for when the keyboard left the saver's last surface.
void ActivationAnswer(void* data, wl_callback* callback, std::uint32_t) {
    wl_callback_destroy(callback);
    App& app = *static_cast<App*>(data);
    if (ActivationLost(app.activation)) app.stop = true;
}

const wl_callback_listener ActivationListener = {.done = ActivationAnswer};

void KeyboardKeymap(void*, wl_keyboard*, std::uint32_t, int fd, std::uint32_t) {
    close(fd);  // any key will do
}

void KeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
    // Keys already down do not count.
    auto& seat = *static_cast<Seat*>(data);
    if (!ScreenOf(*seat.app, surface) || seat.focused) return;
    seat.focused = true;
    KeyboardEntered(seat.app->activation);
}

void KeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface) {
    // A surface the saver destroyed itself (its output went) arrives as null: not a loss.
    auto& seat = *static_cast<Seat*>(data);
    if (!ScreenOf(*seat.app, surface) || !seat.focused) return;
    seat.focused = false;
    App& app = *seat.app;
    if (KeyboardLeft(app.activation))
        wl_callback_add_listener(wl_display_sync(app.display), &ActivationListener, &app);
}

void KeyboardKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) static_cast<Seat*>(data)->app->stop = true;
}

void KeyboardModifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                       std::uint32_t) {}
void KeyboardRepeat(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

const wl_keyboard_listener KeyboardListener = {
    .keymap = KeyboardKeymap,
    .enter = KeyboardEnter,
    .leave = KeyboardLeave,
    .key = KeyboardKey,
    .modifiers = KeyboardModifiers,
    .repeat_info = KeyboardRepeat,
};

void ReleaseKeyboard(Seat& seat) {
    if (!seat.keyboard) return;
    if (wl_keyboard_get_version(seat.keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(seat.keyboard);
    else
        wl_keyboard_destroy(seat.keyboard);
    seat.keyboard = nullptr;
    KeyboardGone(seat.app->activation, seat.focused);
    seat.focused = false;
}

void ReleasePointer(Seat& seat) {
    if (!seat.pointer) return;
    if (wl_pointer_get_version(seat.pointer) >= WL_POINTER_RELEASE_SINCE_VERSION)
        wl_pointer_release(seat.pointer);
    else
        wl_pointer_destroy(seat.pointer);
    seat.pointer = nullptr;
    seat.under = nullptr;
}

void SeatCapabilities(void* data, wl_seat* wlSeat, std::uint32_t caps) {
    auto& seat = *static_cast<Seat*>(data);
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !seat.keyboard) {
        seat.keyboard = wl_seat_get_keyboard(wlSeat);
        wl_keyboard_add_listener(seat.keyboard, &KeyboardListener, &seat);
    } else if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD)) {
        ReleaseKeyboard(seat);
    }
    if ((caps & WL_SEAT_CAPABILITY_POINTER) && !seat.pointer) {
        seat.pointer = wl_seat_get_pointer(wlSeat);
        wl_pointer_add_listener(seat.pointer, &PointerListener, &seat);
    } else if (!(caps & WL_SEAT_CAPABILITY_POINTER)) {
        ReleasePointer(seat);
    }
}

void SeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener SeatListener = {.capabilities = SeatCapabilities, .name = SeatName};

}  // namespace

void AddSeat(App& app, wl_registry* registry, std::uint32_t name, std::uint32_t version) {
    auto seat = std::make_unique<Seat>();
    seat->app = &app;
    seat->name = name;
    seat->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
    wl_seat_add_listener(seat->seat, &SeatListener, seat.get());
    app.seats.push_back(std::move(seat));
}

void DropSeat(Seat& seat) {
    ReleaseKeyboard(seat);
    ReleasePointer(seat);
    wl_seat_destroy(seat.seat);
}

}  // namespace virelo
