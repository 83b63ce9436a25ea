#!/usr/bin/python3
"""A pointer for a headless wlroots compositor (sway), which has no input devices of its
own: a virtual pointer (wlr-virtual-pointer-unstable-v1) driven by commands on stdin,
one a line, each answered by "ok" once the compositor has handled it:

  move X Y      put the pointer at (X, Y) of the output layout
  press         press the left button
  release       release the left button

Start it before the program, so that the seat has a pointer when the program binds it.
Speaks the Wayland wire protocol itself: the compositor's socket is
$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY.
"""
import os
import socket
import struct
import sys
import time

BTN_LEFT = 0x110


class Connection:
    def __init__(self):
        name = os.environ.get("WAYLAND_DISPLAY", "wayland-0")
        path = name if name.startswith("/") else os.path.join(os.environ["XDG_RUNTIME_DIR"], name)
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.next_id = 2  # 1 is wl_display
        self.buffer = b""

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("<II", obj, (8 + len(payload)) << 16 | opcode) + payload)

    def events(self):
        while True:
            while len(self.buffer) >= 8:
                obj, word = struct.unpack_from("<II", self.buffer)
                size = word >> 16
                if len(self.buffer) < size:
                    break
                body, self.buffer = self.buffer[8:size], self.buffer[size:]
                yield obj, word & 0xFFFF, body
            chunk = self.sock.recv(65536)
            if not chunk:
                sys.exit("the compositor closed the connection")
            self.buffer += chunk

    def roundtrip(self, on_event=None):
        callback = self.new_id()
        self.send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        for obj, opcode, body in self.events():
            if obj == callback and opcode == 0:
                return
            if obj == 1 and opcode == 0:  # wl_display.error
                object_id, code = struct.unpack_from("<II", body)
                sys.exit("protocol error %d on object %d: %s" % (code, object_id, read_string(body, 8)))
            if on_event:
                on_event(obj, opcode, body)


def read_string(body, offset):
    (length,) = struct.unpack_from("<I", body, offset)
    return body[offset + 4:offset + 4 + length - 1].decode()


def string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


def main():
    wl = Connection()
    registry = wl.new_id()
    wl.send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
    globals_ = {}

    def on_global(obj, opcode, body):
        if obj == registry and opcode == 0:
            (name,) = struct.unpack_from("<I", body)
            interface = read_string(body, 4)
            globals_[interface] = name

    wl.roundtrip(on_global)
    interface = "zwlr_virtual_pointer_manager_v1"
    if interface not in globals_:
        sys.exit("the compositor offers no virtual pointer")
    manager = wl.new_id()
    wl.send(registry, 0, struct.pack("<I", globals_[interface]) + string(interface) + struct.pack("<II", 1, manager))
    pointer = wl.new_id()
    wl.send(manager, 0, struct.pack("<II", 0, pointer))  # create_virtual_pointer(default seat)
    wl.roundtrip()

    start = time.monotonic()

    def now():
        return int((time.monotonic() - start) * 1000) & 0xFFFFFFFF

    print("ok", flush=True)
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "move":
            x, y = int(words[1]), int(words[2])
            # Absolute motion within an extent the size of the layout is one pixel a unit.
            wl.send(pointer, 1, struct.pack("<IIIII", now(), x, y, 1280, 1024))
        elif words[0] in ("press", "release"):
            wl.send(pointer, 2, struct.pack("<III", now(), BTN_LEFT, 1 if words[0] == "press" else 0))
        else:
            sys.exit("unknown command: " + line)
        wl.send(pointer, 4)  # frame
        wl.roundtrip()
        print("ok", flush=True)


if __name__ == "__main__":
    main()
