// A pointer (and a key) for the tests: headless compositors have no input devices. Speaks
// the wlr virtual-pointer protocol (sway) or, without it, KDE's fake-input (KWin). Reads
// commands on stdin, one a line, and sends each as the device's events: "abs X Y W H" (to
// X,Y of a W x H desktop), "move DX DY", "click", "wheel", and "key" (space; fake-input only).
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "fake-input-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

zwlr_virtual_pointer_manager_v1* manager = nullptr;
org_kde_kwin_fake_input* fake = nullptr;

std::uint32_t Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

const wl_registry_listener Registry = {
    [](void*, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
        if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
            manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
        else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
            fake = static_cast<org_kde_kwin_fake_input*>(
                wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
    },
    [](void*, wl_registry*, std::uint32_t) {},
};

zwlr_virtual_pointer_v1* pointer = nullptr;

// The events of one command line, through whichever protocol there is (fake-input has no
// frames and no time stamps); false for a line it cannot send.
bool Send(const char* line) {
    int a = 0, b = 0, w = 0, h = 0;
    const std::uint32_t t = Now();
    if (std::sscanf(line, "abs %d %d %d %d", &a, &b, &w, &h) == 4) {
        if (pointer)
            zwlr_virtual_pointer_v1_motion_absolute(pointer, t, static_cast<std::uint32_t>(a),
                                                    static_cast<std::uint32_t>(b),
                                                    static_cast<std::uint32_t>(w),
                                                    static_cast<std::uint32_t>(h));
        else
            org_kde_kwin_fake_input_pointer_motion_absolute(fake, wl_fixed_from_int(a), wl_fixed_from_int(b));
    } else if (std::sscanf(line, "move %d %d", &a, &b) == 2) {
        pointer ? zwlr_virtual_pointer_v1_motion(pointer, t, wl_fixed_from_int(a), wl_fixed_from_int(b))
                : org_kde_kwin_fake_input_pointer_motion(fake, wl_fixed_from_int(a), wl_fixed_from_int(b));
    } else if (std::strncmp(line, "click", 5) == 0) {
        for (std::uint32_t state : {1u, 0u})
            pointer ? zwlr_virtual_pointer_v1_button(pointer, t, 0x110 /* BTN_LEFT */, state)
                    : org_kde_kwin_fake_input_button(fake, 0x110, state);
    } else if (std::strncmp(line, "wheel", 5) == 0) {
        pointer ? zwlr_virtual_pointer_v1_axis(pointer, t, WL_POINTER_AXIS_VERTICAL_SCROLL, wl_fixed_from_int(10))
                : org_kde_kwin_fake_input_axis(fake, WL_POINTER_AXIS_VERTICAL_SCROLL, wl_fixed_from_int(10));
    } else if (std::strncmp(line, "key", 3) == 0 && !pointer) {
        for (std::uint32_t state : {1u, 0u}) org_kde_kwin_fake_input_keyboard_key(fake, 57 /* KEY_SPACE */, state);
    } else {
        return false;
    }
    if (pointer) zwlr_virtual_pointer_v1_frame(pointer);
    return true;
}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &Registry, nullptr);
    wl_display_roundtrip(display);
    if (manager) pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);
    else if (fake) org_kde_kwin_fake_input_authenticate(fake, "virelo tests", "input for the saver under test");
    else return 1;
    wl_display_roundtrip(display);
    usleep(300000);  // the compositor attaches the new device to its seat meanwhile
    char line[128];
    while (std::fgets(line, sizeof line, stdin)) {
        if (!Send(line)) return 2;
        wl_display_roundtrip(display);
    }
    if (pointer) zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
