"""Starting the viewer the way a user does, on a private X display."""
import os
import subprocess
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
