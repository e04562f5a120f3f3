# Headless mutter's input and pictures for the Wayland tests, run by Debian's /usr/bin/python3
# (python3-dbus, python3-gi) on the test's private session bus. Reads the pointer helper's
# commands on stdin ("move DX DY", "click", "wheel", "key"; "abs" only makes the devices),
# "shot CONNECTOR FILE" (the monitor's exact pixels as a PNG) and "scale CONNECTOR N" (that
# monitor alone at scale N).
import os, subprocess, sys

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
loop = GLib.MainLoop()


def iface(service, path, name):
    return dbus.Interface(bus.get_object(service, path), name)


# One input session for the whole run: ending it takes its keyboard away, which a running
# saver sees as the keyboard leaving. The first event of a kind only makes its device.
remote = iface("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
               "org.gnome.Mutter.RemoteDesktop")
input_ = iface("org.gnome.Mutter.RemoteDesktop", remote.CreateSession(),
               "org.gnome.Mutter.RemoteDesktop.Session")
input_.Start()


def key(code):
    input_.NotifyKeyboardKeycode(code, True)
    input_.NotifyKeyboardKeycode(code, False)


def shot(connector, out):
    cast = iface("org.gnome.Mutter.ScreenCast", "/org/gnome/Mutter/ScreenCast", "org.gnome.Mutter.ScreenCast")
    session = iface("org.gnome.Mutter.ScreenCast", cast.CreateSession({}), "org.gnome.Mutter.ScreenCast.Session")
    stream = session.RecordMonitor(connector, {"cursor-mode": dbus.UInt32(0)})

    def added(node):
        subprocess.run(["gst-launch-1.0", "-q", "pipewiresrc", "path=%d" % node, "num-buffers=1", "!",
                        "videoconvert", "!", "pngenc", "!", "filesink", "location=" + out + ".part"],
                       stdout=subprocess.DEVNULL)
        session.Stop()
        match.remove()
        os.rename(out + ".part", out)

    match = bus.add_signal_receiver(added, "PipeWireStreamAdded", "org.gnome.Mutter.ScreenCast.Stream",
                                    path=stream)
    session.Start()


def scale(connector, factor):
    config = iface("org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
                   "org.gnome.Mutter.DisplayConfig")
    serial, monitors, logical, _ = config.GetCurrentState()
    placed, x = [], 0
    for m in monitors:  # left to right, in the order mutter lists them
        mode = next(md for md in m[1] if md[6].get("is-current"))
        s = float(factor) if m[0][0] == connector else 1.0
        placed.append((x, 0, s, 0, not placed, [(m[0][0], mode[0], {})]))
        x += mode[1]  # mutter lays monitors out in physical pixels
    config.ApplyMonitorsConfig(serial, 1, placed, {})


def command(line):
    word = line.split()
    if not word:
        return
    if word[0] == "abs":
        input_.NotifyPointerMotionRelative(1.0, 0.0)
        key(42)  # shift
    elif word[0] == "move":
        input_.NotifyPointerMotionRelative(float(word[1]), float(word[2]))
    elif word[0] == "click":
        input_.NotifyPointerButton(272, True)
        input_.NotifyPointerButton(272, False)
    elif word[0] == "wheel":
        input_.NotifyPointerAxisDiscrete(0, 1)
    elif word[0] == "key":
        key(57)  # space
    elif word[0] == "shot":
        shot(word[1], word[2])
    elif word[0] == "scale":
        scale(word[1], word[2])


pending = b""


def readable(fd, condition):
    global pending
    data = os.read(fd, 4096)
    if not data:
        loop.quit()
        return False
    pending += data
    while b"\n" in pending:
        line, pending = pending.split(b"\n", 1)
        try:
            command(line.decode())
        except dbus.DBusException as e:
            print("mutter.py:", line.decode(), e, file=sys.stderr)
    return True


GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, readable)
loop.run()
