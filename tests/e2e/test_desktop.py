"""The viewer on desktops with a window manager, started as from a menu."""
import time
import unittest

from viewer import open_viewer


class UnderAWindowManager(unittest.TestCase):
    def check_starts_turns_and_quits(self, window_manager):
        server, viewer, window = open_viewer(self, window_manager=window_manager)
        first = server.window_shot(window)
        time.sleep(0.5)
        self.assertNotEqual(first, server.window_shot(window), 'the model should be turning')
        server.xdotool('key', 'Escape')
        self.assertEqual(viewer.wait_exit(), 0)

    def test_openbox(self):
        self.check_starts_turns_and_quits('openbox')

    def test_fluxbox(self):
        self.check_starts_turns_and_quits('fluxbox')


if __name__ == '__main__':
    unittest.main()
