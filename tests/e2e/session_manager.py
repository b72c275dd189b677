"""The two services through which a program on GNOME keeps the screen awake:
org.gnome.SessionManager, to which gnome-shell passes a window's wish, and
org.freedesktop.ScreenSaver, which programs (SDL among them) ask themselves. Owns both
on the session bus and answers their Inhibit and Uninhibit, writing each call as a
JSON line to the file named. Run by Debian's python3, which has GLib's bindings, as
the session's user."""
import json
import sys

from gi.repository import Gio, GLib

SERVICES = {
    'org.gnome.SessionManager': ('/org/gnome/SessionManager', 'suus'),
    'org.freedesktop.ScreenSaver': ('/org/freedesktop/ScreenSaver', 'ss'),
}


def interface(name, arguments):
    inhibit = ''.join(f'<arg type="{t}" direction="in"/>' for t in arguments)
    return Gio.DBusNodeInfo.new_for_xml(
        f'<node><interface name="{name}"><method name="Inhibit">{inhibit}'
        '<arg type="u" direction="out"/></method><method name="UnInhibit">'
        '<arg type="u" direction="in"/></method><method name="Uninhibit">'
        '<arg type="u" direction="in"/></method></interface></node>').interfaces[0]


def main(path):
    calls = open(path, 'a')
    waiting = set(SERVICES)

    def called(connection, sender, object_path, name, method, args, invocation):
        print(json.dumps([name, method, *args.unpack()]), file=calls, flush=True)
        invocation.return_value(GLib.Variant('(u)', (1,)) if method == 'Inhibit' else None)

    def acquired(connection, name):
        object_path, arguments = SERVICES[name]
        connection.register_object(object_path, interface(name, arguments), called, None, None)
        waiting.discard(name)
        if not waiting:
            print('ready', flush=True)

    for name in SERVICES:
        Gio.bus_own_name(Gio.BusType.SESSION, name, 0, None, acquired, None)
    GLib.MainLoop().run()


if __name__ == '__main__':
    main(sys.argv[1])
