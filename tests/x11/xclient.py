"""Two X clients for the saver's tests, over Debian's python3-xlib.

  xclient.py wm WxH                     a stand-in window manager that sizes every window
                                        to W x H at (0, 0) as it maps it, as tiling managers do
  xclient.py wm never                   one that takes every map request and never maps
  xclient.py send WINDOW TYPE [WORD]    a ClientMessage of type TYPE to WINDOW (decimal or
                                        0x hex), its first data word the atom WORD or 0
"""
import sys

from Xlib import X, display
from Xlib.protocol import event

d = display.Display()
root = d.screen().root
if sys.argv[1] == "wm":
    never = sys.argv[2] == "never"
    w, h = (1, 1) if never else (int(v) for v in sys.argv[2].split("x"))
    root.change_attributes(event_mask=X.SubstructureRedirectMask)
    d.sync()
    print("managing", flush=True)
    while True:
        e = d.next_event()
        if e.type == X.MapRequest and not never:
            e.window.configure(x=0, y=0, width=w, height=h)
            e.window.map()
        elif e.type == X.ConfigureRequest:
            e.window.configure(x=0, y=0, width=w, height=h)
        d.flush()
else:
    window = d.create_resource_object("window", int(sys.argv[2], 0))
    word = d.intern_atom(sys.argv[4]) if len(sys.argv) > 4 else 0
    message = event.ClientMessage(window=window, client_type=d.intern_atom(sys.argv[3]),
                                  data=(32, [word, X.CurrentTime, 0, 0, 0]))
    window.send_event(message, event_mask=X.StructureNotifyMask)
    d.sync()
