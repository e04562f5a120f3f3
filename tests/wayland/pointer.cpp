// A pointer for the tests, through the wlr virtual-pointer protocol (headless sway has no
// input devices). Reads commands on stdin, one a line, and sends each as the device's
// events: "abs X Y W H" (to X,Y of a W x H desktop), "move DX DY", "click", "wheel".
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

zwlr_virtual_pointer_manager_v1* manager = nullptr;

std::uint32_t Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

const wl_registry_listener Registry = {
    [](void*, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
        if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
            manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    },
    [](void*, wl_registry*, std::uint32_t) {},
};

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &Registry, nullptr);
    wl_display_roundtrip(display);
    if (!manager) return 1;
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);
    wl_display_roundtrip(display);
    usleep(300000);  // the compositor attaches the new device to its seat meanwhile
    char line[128];
    while (std::fgets(line, sizeof line, stdin)) {
        int a = 0, b = 0, w = 0, h = 0;
        if (std::sscanf(line, "abs %d %d %d %d", &a, &b, &w, &h) == 4)
            zwlr_virtual_pointer_v1_motion_absolute(pointer, Now(), static_cast<std::uint32_t>(a),
                                                    static_cast<std::uint32_t>(b),
                                                    static_cast<std::uint32_t>(w),
                                                    static_cast<std::uint32_t>(h));
        else if (std::sscanf(line, "move %d %d", &a, &b) == 2)
            zwlr_virtual_pointer_v1_motion(pointer, Now(), wl_fixed_from_int(a), wl_fixed_from_int(b));
        else if (std::strncmp(line, "click", 5) == 0)
            for (std::uint32_t state : {1u, 0u})
                zwlr_virtual_pointer_v1_button(pointer, Now(), 0x110 /* BTN_LEFT */, state);
        else if (std::strncmp(line, "wheel", 5) == 0)
            zwlr_virtual_pointer_v1_axis(pointer, Now(), WL_POINTER_AXIS_VERTICAL_SCROLL, wl_fixed_from_int(10));
        else
            return 2;
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
