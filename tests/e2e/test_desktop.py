"""The viewer on desktops with a window manager, started as from a menu: it keeps the
geometry Windows gives it, frame included, whatever the user does to the window."""
import os
import time
import unittest

from viewer import TITLE, open_viewer, outer
from xsession import cpu_seconds


class UnderAWindowManager(unittest.TestCase):
    def assert_back(self, what):
        deadline = time.monotonic() + 5
        while (now := outer(self.server)) != (50, 50, 819, 819) and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(now, (50, 50, 819, 819), what)

    def check_keeps_its_geometry(self, window_manager):
        self.server, viewer, window = open_viewer(self, window_manager=window_manager)
        # Windows' outer size, at Windows' position, on a 1024-pixel-high screen.
        self.assertEqual(outer(self.server), (50, 50, 819, 819))
        self.assertGreater(sum(self.server.find(TITLE)[6]), 0, 'a frame around the client')
        first = self.server.window_shot(window)
        time.sleep(0.5)
        self.assertNotEqual(first, self.server.window_shot(window), 'the model should turn')

        # Each change is seen made before its undoing is awaited: a window manager carries
        # requests out in its own time.
        xprobe = os.environ['XPROBE']
        self.server.run(xprobe, 'size', window[0], '400', '300')
        self.assert_back('after a resize')
        self.server.run(xprobe, 'state', window[0], 'add', 'MAXIMIZED_VERT', 'MAXIMIZED_HORZ')
        self.assert_back('after maximising')
        self.server.run(xprobe, 'state', window[0], 'add', 'FULLSCREEN')
        self.assert_back('after fullscreen')

        # Stopped, the viewer waits for messages: nothing goes on behind the undone sizes.
        window = self.server.find(TITLE)
        self.server.xdotool('mousemove', window[2] + 400, window[3] + 400)
        self.server.xdotool('click', 1)
        time.sleep(1.0)
        before, start = cpu_seconds(viewer.process.pid), time.monotonic()
        time.sleep(2.0)
        used = (cpu_seconds(viewer.process.pid) - before) / (time.monotonic() - start)
        self.assertLess(used, 0.02, f'{100 * used:.1f} % CPU while stopped')

        self.server.xdotool('key', 'Escape')
        self.assertEqual(viewer.wait_exit(), 0)

    def test_openbox(self):
        self.check_keeps_its_geometry('openbox')

    def test_fluxbox(self):
        self.check_keeps_its_geometry('fluxbox')

    def test_icewm(self):
        self.check_keeps_its_geometry('icewm')

    def test_metacity(self):
        self.check_keeps_its_geometry('metacity')


if __name__ == '__main__':
    unittest.main()
