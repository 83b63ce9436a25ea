#!/usr/bin/python3
"""A StatusNotifierItem tray for the end-to-end tests: the watcher, with a host counted as
registered, on the test's own session bus. It draws nothing.

  sni_host.py ITEMS_FILE   owns org.kde.StatusNotifierWatcher and appends each item that
                           registers as a line "SERVICE PATH" to ITEMS_FILE; it lists its
                           items as "SERVICE/PATH", as real watchers do
  sni_host.py --hostile ITEMS_FILE
                           a watcher that answers IsStatusNotifierHostRegistered (true) when
                           asked but whose introspection lacks the properties, so Qt finds
                           no host and its icon never reaches this watcher

A test then plays the host's part itself, e.g. a click on the icon:
  gdbus call --session --dest SERVICE --object-path PATH \\
        --method org.kde.StatusNotifierItem.Activate 0 0
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"

# Qt reads the watcher's properties through an introspected interface, so they are listed.
INTROSPECTION = """<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.DBus.Introspectable">
  <method name="Introspect"><arg type="s" direction="out"/></method>
 </interface>
</node>
"""


# What a broken watcher shows of itself: its methods, none of its properties.
HOSTILE_INTROSPECTION = "\n".join(line for line in INTROSPECTION.splitlines() if "<property" not in line)


class Watcher(dbus.service.Object):
    def __init__(self, bus, items_file, hostile=False):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.items = []
        self.items_file = items_file
        self.hostile = hostile

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names its bus name, or only its object path on the caller's connection.
        path = "/StatusNotifierItem"
        if service.startswith("/"):
            service, path = sender, service
        item = f"{service}{path}"
        if item not in self.items:
            self.items.append(item)
            with open(self.items_file, "a") as out:
                out.write(f"{service} {path}\n")
        self.StatusNotifierItemRegistered(item)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return HOSTILE_INTROSPECTION if self.hostile else INTROSPECTION

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
                "IsStatusNotifierHostRegistered": dbus.Boolean(True),
                "ProtocolVersion": dbus.Int32(0)}


def main():
    args = sys.argv[1:]
    hostile = args[:1] == ["--hostile"]
    if hostile:
        args = args[1:]
    if len(args) != 1:
        sys.exit(__doc__)
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus, args[0], hostile)
    name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)  # taken once the object is there
    GLib.MainLoop().run()
    del watcher, name


if __name__ == "__main__":
    main()
