"""Starting the viewer the way a user does, on a private X display."""
import json
import os
import subprocess
import threading
import time

from xsession import XServer, start_window_manager, temp_path, wait_exit

TITLE = ' soft by Orvelund - press \u00b4p\u00b4 key '
CAPTION = 'soft by Orvelund - orvelund@trackball-viewer.org '
TEXT = ' mouse: touch the window image for movement----- '
APP_ID = 'org.trackball_viewer.TrackballViewer'  # the menu entry's
BACKGROUND = (51, 26, 13)
FOG_BACKGROUND = (128, 64, 64)


def message_boxes(path):
    """The lines each box has drawn so far, its text and then its button's, in the
    order the boxes came; redrawn lines count once."""
    if not os.path.exists(path):
        return []
    with open(path, encoding='utf-8') as log:
        groups = log.read().split('\x1d')
    boxes = []
    for group in groups:
        lines = list(dict.fromkeys(line for line in group.split('\x1e') if line))
        if lines:
            boxes.append(lines)
    return boxes


class Viewer:
    """The Linux build, with the message-box recorder preloaded."""

    def __init__(self, server, **env):
        self.server = server
        self.log = temp_path('messageboxes')
        env = dict(server.env, LD_PRELOAD=os.environ['MESSAGEBOX_SPY'], MESSAGEBOX_LOG=self.log,
                   **env)
        self.process = subprocess.Popen([os.environ['VIEWER']], env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def message_boxes(self):
        return message_boxes(self.log)

    def wait_window(self, title, timeout=30.0):
        """The window, or a failure that says whether the program is still there."""
        try:
            return self.server.wait_window(title, timeout)
        except AssertionError as error:
            state = self.process.poll()
            if state is not None:
                error.args = (f'{error.args[0]}\nthe viewer ended with {state}: '
                              f'{self.process.stderr.read().decode(errors="replace")}',)
            raise

    def wait_exit(self, timeout=15.0):
        return wait_exit(self.process, timeout)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def session_bus(cleanup, start=None, services=True):
    """A private session bus, ended by `cleanup(ending)`, and the environment that names
    it. With services, at-spi2's launcher starts the accessibility bus and its registry
    there when asked; without, the bus starts nothing. `start(*args, env=...,
    **streams)` runs a program in the desktop's session."""
    start = start or (lambda *args, **streams: subprocess.Popen(args, **streams))
    config = ['--session'] if services else \
        ['--config-file', os.path.join(os.path.dirname(os.path.abspath(__file__)), 'bare_bus.conf')]
    bus = start('dbus-daemon', *config, '--nofork', '--print-address=1', stdout=subprocess.PIPE,
                stderr=subprocess.DEVNULL)
    cleanup(lambda: bus.kill() or bus.wait())
    return {'DBUS_SESSION_BUS_ADDRESS': bus.stdout.readline().decode().strip()}


class ScreenReader:
    """What a screen reader finds and hears on a private session's accessibility bus."""

    def __init__(self, test, start):
        self.start = start
        self.env = session_bus(test.addCleanup, start)
        listener = self.reader('events', stdout=subprocess.PIPE)
        test.addCleanup(lambda: listener.kill() or listener.wait())
        assert listener.stdout.readline() == b'ready\n'
        self.heard = []

        def hear():
            for line in listener.stdout:
                self.heard.append(json.loads(line))
        threading.Thread(target=hear, daemon=True).start()

    def reader(self, command, **streams):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'screen_reader.py')
        return self.start('/usr/bin/python3', script, command, env=self.env,
                          stderr=subprocess.DEVNULL, **streams)

    def tree(self, holds, timeout=10.0):
        """The viewer's application once the roles of its children are those given."""
        deadline = time.monotonic() + timeout
        while True:
            found = json.loads(self.reader('tree', stdout=subprocess.PIPE).communicate()[0])
            if found and [c['role'] for c in found['children']] == holds:
                return found
            assert time.monotonic() < deadline, f'a screen reader finds {found}'
            time.sleep(0.1)

    def click(self):
        self.reader('click').wait()


def outer(server):
    """The viewer window's outer rectangle: its client area and the frame around it."""
    _, _, x, y, width, height, (left, right, top, bottom) = server.find(TITLE)
    return x - left, y - top, width + left + right, height + top + bottom


def open_viewer(test, width=1280, height=1024, window_manager=None, server=None, **env):
    """Starts the viewer (after the window manager, if one is named) on a new Xvfb of
    that size or on the server given, dismisses the instruction box and returns its
    window."""
    if server is None:
        server = XServer(width, height)
        test.addCleanup(server.stop)
    if window_manager:
        start_window_manager(server, window_manager)
    viewer = Viewer(server, **env)
    test.addCleanup(viewer.kill)
    box = viewer.wait_window(CAPTION)
    server.press_return_on(box)
    window = viewer.wait_window(TITLE)
    time.sleep(0.3)
    return server, viewer, window
