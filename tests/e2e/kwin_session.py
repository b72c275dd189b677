"""What the tests ask of a KWin session over its D-Bus, run by Debian's python3, which
has GLib's bindings, as the session's user:
  windows        every window, as JSON: caption, app_id, pid, the content's and the
                 frame's rectangles, whether it is active; read by a KWin script
  shot X Y W H   that area of the screen, as a PPM image on standard output
"""
import json
import os
import sys
import tempfile
import time

from gi.repository import Gio, GLib

SCRIPT = '''
var found = [];
var windows = workspace.clientList();
for (var i = 0; i < windows.length; ++i) {
    var w = windows[i];
    var rect = function (r) {
        return {x: Math.round(r.x), y: Math.round(r.y), width: Math.round(r.width),
                height: Math.round(r.height)};
    };
    // KWin draws the frame, so the program's surface is the window's content.
    found.push({name: w.caption, app_id: w.desktopFileName, pid: w.pid, active: w.active,
                rect: rect(w.bufferGeometry), frame: rect(w.frameGeometry)});
}
callDBus('%s', '/', 'org.kde.KWin.TestAnswer', 'answer', JSON.stringify(found));
'''


def call(bus, path, interface, method, args, reply, fds=None):
    return bus.call_with_unix_fd_list_sync('org.kde.KWin', path, interface, method, args,
                                           GLib.VariantType(reply), 0, 10000, fds, None)[0]


def windows(bus):
    """A KWin script sends the list back through a method of ours on the bus."""
    answer = []
    loop = GLib.MainLoop()
    node = Gio.DBusNodeInfo.new_for_xml(
        '<node><interface name="org.kde.KWin.TestAnswer"><method name="answer">'
        '<arg type="s" direction="in"/></method></interface></node>')

    def called(connection, sender, path, interface, method, args, invocation):
        answer.append(json.loads(args[0]))
        invocation.return_value(None)
        loop.quit()
    bus.register_object('/', node.interfaces[0], called, None, None)
    with tempfile.NamedTemporaryFile('w', suffix='.js', delete=False) as script:
        script.write(SCRIPT % bus.get_unique_name())
    name = f'viewer-test-{os.getpid()}-{time.monotonic_ns()}'
    call(bus, '/Scripting', 'org.kde.kwin.Scripting', 'loadScript',
         GLib.Variant('(ss)', (script.name, name)), '(i)')
    call(bus, '/Scripting', 'org.kde.kwin.Scripting', 'start', None, '()')
    GLib.timeout_add(10000, loop.quit)
    loop.run()
    call(bus, '/Scripting', 'org.kde.kwin.Scripting', 'unloadScript',
         GLib.Variant('(s)', (name,)), '(b)')
    os.unlink(script.name)
    return answer[0]


def shot(bus, x, y, width, height):
    readable, writable = os.pipe()
    fds = Gio.UnixFDList.new()
    index = fds.append(writable)
    found = call(bus, '/org/kde/KWin/ScreenShot2', 'org.kde.KWin.ScreenShot2', 'CaptureArea',
                 GLib.Variant('(iiuua{sv}h)', (x, y, width, height,
                                               {'native-resolution': GLib.Variant('b', True)},
                                               index)), '(a{sv})', fds)[0]
    # The pipe ends when KWin has written it and nobody else holds its writing end.
    os.close(writable)
    for held in fds.steal_fds():
        os.close(held)
    data = b''
    while chunk := os.read(readable, 1 << 20):
        data += chunk
    # QImage's 32-bit formats (RGB32, ARGB32 and its premultiplied form) keep blue first
    # in memory on a little-endian machine.
    assert found['format'] in (4, 5, 6), found['format']
    w, h, stride = found['width'], found['height'], found['stride']
    rgb = bytearray(3 * w * h)
    for row in range(h):
        line = data[row * stride:row * stride + 4 * w]
        for channel in range(3):
            rgb[3 * w * row + channel:3 * w * (row + 1):3] = line[2 - channel::4]
    sys.stdout.buffer.write(b'P6\n%d %d\n255\n' % (w, h) + bytes(rgb))


if __name__ == '__main__':
    session = Gio.bus_get_sync(Gio.BusType.SESSION)
    if sys.argv[1] == 'windows':
        print(json.dumps(windows(session)))
    else:
        shot(session, *map(int, sys.argv[2:6]))
