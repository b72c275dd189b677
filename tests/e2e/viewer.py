"""Starting the viewer the way a user does, on a private X display."""
import os
import subprocess
import time

from xsession import XServer, start_window_manager, temp_path, wait_exit

TITLE = ' soft by Orvelund - press \u00b4p\u00b4 key '
CAPTION = 'soft by Orvelund - orvelund@trackball-viewer.org '
TEXT = ' mouse: touch the window image for movement----- '
BACKGROUND = (51, 26, 13)
FOG_BACKGROUND = (128, 64, 64)


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
        """(caption, text) of every box shown so far."""
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding='utf-8') as log:
            records = log.read().split('\x1e')
        return [tuple(record.split('\x1f')) for record in records if record]

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


def open_viewer(test, width=1280, height=1024, window_manager=None, **env):
    """Starts the viewer (after the window manager, if one is named), dismisses the
    instruction box and returns its window."""
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
