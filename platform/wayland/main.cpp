// virelo-wayland: the parade on Wayland desktops, for idle daemons (swayidle, hypridle) to
// start and input to end. Every output gets a full-screen surface on the layer-shell
// overlay layer and a parade of its own; a compositor without layer-shell (GNOME's mutter,
// weston) gets a full-screen xdg-shell window on every output instead. One thread: it
// sleeps in poll() on the Wayland connection, a periodic timerfd for the ticks and a pipe
// that the signal handler writes to; before that loop (the first round trips) a stop
// signal ends it at once.
//
// This file keeps the globals, the loop, the one-copy lock and the exit codes; output.cpp
// the surfaces and the drawing, buffer.cpp the shared memory, seat.cpp the input, and
// presenter.h and input.h the rules they follow, which hold no protocol objects.
//
// Exit codes: 0 when stopped (input, signal, the compositor closing the surface or the
// connection, another copy already running), 2 for a bad command line, 1 when there is
// no Wayland display or it lacks what drawing needs.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/output.h"
#include "cli/process.h"
#include "platform/wayland/app.h"
#include "render/sprites.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace virelo {
namespace {

constexpr OptionSet Accepted = OptionsOf(Option::Speed, Option::BlankTime, Option::Zoom,
                                         Option::Seed, Option::Ticks, Option::Help, Option::Version);
constexpr const char* UsageHead =
    "Usage: virelo-wayland [--speed N] [--blank-time S] [--zoom N] [--seed S] [--ticks N]\n"
    "The parade of walkers on every output of a Wayland desktop, for an idle daemon to start.\n";
constexpr const char* UsageTail =
    "Options may also start with a single dash. A key, a button, the wheel or moving the\n"
    "pointer ends it, as do another client taking the keyboard (a locker), SIGTERM, SIGINT\n"
    "and SIGHUP. With --ticks N the picture stays after N ticks until then. A second copy on\n"
    "the same display ends at once.\n";

int Fail(const std::string& what, int code) {
    std::fprintf(stderr, "virelo-wayland: %s\n", what.c_str());
    return code;
}

void WmBasePing(void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }

const xdg_wm_base_listener WmBaseListener = {.ping = WmBasePing};

template <class T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface,
        std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, &interface, std::min(offered, wanted)));
}

void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t version) {
    App& app = *static_cast<App*>(data);
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
        AddScreen(app, registry, name, version);
    } else if (is == wl_seat_interface.name) {
        AddSeat(app, registry, name, version);
    }
}

void GlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    App& app = *static_cast<App*>(data);
    for (auto it = app.screens.begin(); it != app.screens.end(); ++it)
        if ((*it)->name == name) {
            DropScreen(**it);
            app.screens.erase(it);
            return;
        }
    for (auto it = app.seats.begin(); it != app.seats.end(); ++it)
        if ((*it)->name == name) {
            DropSeat(**it);
            app.seats.erase(it);
            return;
        }
}

const wl_registry_listener RegistryListener = {.global = Global, .global_remove = GlobalRemove};

// The socket the connection reached, as the compositor bound it: the same file for every
// spelling of WAYLAND_DISPLAY. Empty for a socket with no name (WAYLAND_SOCKET).
std::string SocketPath(wl_display* display) {
    sockaddr_un peer{};
    socklen_t length = sizeof peer;
    if (getpeername(wl_display_get_fd(display), reinterpret_cast<sockaddr*>(&peer), &length) != 0 ||
        peer.sun_family != AF_UNIX || length <= offsetof(sockaddr_un, sun_path) || peer.sun_path[0] == '\0')
        return {};
    return std::string(peer.sun_path, strnlen(peer.sun_path, sizeof peer.sun_path));
}

// A lock file in `dir`, which must be ours and writable by nobody else: in a directory that
// a group or anyone may write to, another user could hold the lock and keep the saver away.
int OpenLock(const std::string& dir, const std::string& name) {
    struct stat st{};
    if (dir.empty() || stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() ||
        (st.st_mode & (S_IWGRP | S_IWOTH)))
        return -1;
    return open((dir + "/" + name).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

// One copy per Wayland display: an idle daemon that fires again while the parade runs
// must not stack a second one on it. The lock lies beside the compositor's socket (its
// runtime directory), named after it, so that every spelling of WAYLAND_DISPLAY meets the
// same lock with XDG_RUNTIME_DIR set or not; it lives as long as the process, and the
// kernel drops it however the process ends. False when another copy holds it.
bool TakeLock(wl_display* display) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string socket = SocketPath(display);
    if (socket.empty()) {  // a connection handed over as a descriptor: the name it had
        const char* named = std::getenv("WAYLAND_DISPLAY");
        socket = named && *named ? named : "wayland-0";
        if (socket.front() != '/') socket = runtime && *runtime ? std::string(runtime) + "/" + socket : "";
    }
    int fd = -1;
    if (const std::size_t slash = socket.rfind('/'); slash != std::string::npos)
        fd = OpenLock(slash ? socket.substr(0, slash) : "/", "virelo-wayland-" + socket.substr(slash + 1) + ".lock");
    if (fd < 0 && runtime && *runtime) {  // the socket's directory is not ours to write
        std::string flat = socket;
        for (char& c : flat) c = c == '/' ? '_' : c;
        fd = OpenLock(runtime, "virelo-wayland-" + flat + ".lock");
    }
    if (fd < 0) {
        std::fprintf(stderr, "virelo-wayland: no place for the lock that keeps a second copy away\n");
        return true;
    }
    return flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

// Until something ends it: one poll() on the connection, the tick timer and the stop
// signals, the events dispatched, then a tick if the timer ran out.
int Loop(App& app, int stopFd) {
    StopSignalsWakeLoop(true);
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
                         {stopFd, POLLIN, 0}};
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
            if (read(app.timer, &expirations, sizeof expirations) > 0) Tick(app);
        }
    }
    StopSignalsWakeLoop(false);
    if (!app.failure.empty()) return Fail(app.failure, 1);
    // A connection that the compositor closes ends the saver; a protocol error is a fault.
    if (const int e = wl_display_get_error(app.display); e == EPROTO)
        return Fail("Wayland protocol error", 1);
    return 0;
}

int Run(App& app, int stopFd) {
    app.registry = wl_display_get_registry(app.display);
    wl_registry_add_listener(app.registry, &RegistryListener, &app);
    wl_display_roundtrip(app.display);  // the globals
    if (!app.compositor || !app.shm)
        return Fail("the compositor offers no wl_compositor version 4 or no wl_shm", 1);
    if (!app.layerShell && !app.wmBase)
        return Fail("the compositor offers neither layer-shell nor xdg-shell", 1);
    if (!app.layerShell)
        std::fputs("virelo-wayland: the compositor has no layer-shell: a full-screen window "
                   "on every output instead\n", stderr);
    wl_display_roundtrip(app.display);  // each output's description
    app.started = true;
    for (auto& s : app.screens)
        if (s->described) CreateSurface(*s);
    return Loop(app, stopFd);
}

void Disconnect(App& app) {
    for (auto& s : app.screens) DropScreen(*s);
    app.screens.clear();
    for (auto& seat : app.seats) DropSeat(*seat);
    app.seats.clear();
    wl_display_flush(app.display);
    wl_display_disconnect(app.display);
}

}  // namespace

void ArmTimer(App& app, bool on) {
    if (on == app.timerArmed) return;
    const long ms = TickPeriodMs(app.settings);
    itimerspec period{};
    if (on) period.it_value = period.it_interval = {ms / 1000, (ms % 1000) * 1000000};
    timerfd_settime(app.timer, 0, &period, nullptr);
    app.timerArmed = on;
}

}  // namespace virelo

int main(int argc, char** argv) {
    using namespace virelo;
    GuardOutput();
    App app;
    app.options = ParseCommandLine(argc, argv, Accepted);
    const CommandLine& o = app.options;
    if (const auto code = EndsAtOnce(o, "virelo-wayland", Accepted, UsageHead, UsageTail)) return *code;
    const int stopFd = StopSignalsFd();
    if (stopFd < 0) return Fail("cannot install the signal handlers", 1);
    app.settings.Speed = o.speed;
    app.clock = app.settings;
    app.clock.BlankTime = o.blankTime;
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
    if (!TakeLock(app.display)) {
        wl_display_disconnect(app.display);
        return 0;
    }
    app.timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (app.timer < 0) return Fail("cannot make the tick timer", 1);
    const int status = Run(app, stopFd);
    Disconnect(app);
    return status;
}
