import os
import time
import unittest

from viewer import BACKGROUND, FOG_BACKGROUND, open_viewer
from xsession import count_colour, pixel


class Interaction(unittest.TestCase):
    """Everything a user does with the mouse and the keys, on one running viewer."""

    def setUp(self):
        self.server, self.viewer, self.window = open_viewer(self)
        _, _, self.x, self.y, self.width, self.height = self.window

    def shot(self):
        return self.server.window_shot(self.window)

    def at(self, dx, dy):
        return self.x + dx, self.y + dy

    def move(self, dx, dy):
        self.server.xdotool('mousemove', *self.at(dx, dy))

    def assert_still(self, message):
        time.sleep(0.3)
        first = self.shot()
        time.sleep(0.4)
        self.assertEqual(first, self.shot(), message)

    def assert_turning(self, message):
        first = self.shot()
        time.sleep(0.4)
        self.assertNotEqual(first, self.shot(), message)

    def stop_with_a_click(self):
        self.move(400, 400)
        self.server.xdotool('click', 1)
        self.assert_still('a click in place stops the model')

    def test_drag_spin_stop_keys_and_escape(self):
        self.assert_turning('the model turns from the start')
        self.stop_with_a_click()

        # A drag turns the model while the pointer moves, and only then.
        self.move(300, 400)
        self.server.xdotool('mousedown', 1)
        before = self.shot()
        for step in range(1, 6):
            self.move(300 + 20 * step, 400)
        time.sleep(0.3)
        self.assertNotEqual(before, self.shot(), 'dragging turns the model')
        self.assert_still('resting with the button held leaves the model still')

        # Released away from where it was pressed, it keeps spinning.
        self.move(420, 410)
        self.server.xdotool('mouseup', 1)
        self.assert_turning('a flick leaves the model spinning')
        self.stop_with_a_click()

        # f switches fog and its background colour, and back.
        self.server.xdotool('key', 'f')
        time.sleep(0.4)
        self.assertEqual(pixel(self.shot(), self.width, 5, 5), FOG_BACKGROUND)
        self.server.xdotool('key', 'f')
        time.sleep(0.4)
        self.assertEqual(pixel(self.shot(), self.width, 5, 5), BACKGROUND)

        # p shows the mesh as lines, which leave more background showing, and back.
        filled = self.shot()
        self.server.xdotool('key', 'p')
        time.sleep(0.4)
        wire = self.shot()
        self.assertGreater(count_colour(wire, BACKGROUND), count_colour(filled, BACKGROUND))
        self.server.xdotool('key', 'p')
        time.sleep(0.4)
        self.assertEqual(filled, self.shot(), 'filled faces come back as they were')

        # Capital letters are not commands.
        self.server.xdotool('key', 'F', 'P')
        time.sleep(0.4)
        self.assertEqual(filled, self.shot())

        self.server.xdotool('key', 'Escape')
        self.assertEqual(self.viewer.wait_exit(), 0)

    def test_the_screen_saver_comes_on_spinning_and_stopped(self):
        # Like a Windows program that never asks to keep the display awake.
        self.server.run('xset', 's', '2', '2')
        for state in ('spinning', 'stopped'):
            time.sleep(4)
            self.assertEqual(self.server.run(os.environ['XPROBE'], 'saver'), 'on\n', state)
            self.stop_with_a_click()

    def test_drag_that_ends_outside_the_window_still_ends(self):
        self.stop_with_a_click()
        self.move(400, 400)
        self.server.xdotool('mousedown', 1)
        self.move(600, 420)
        self.move(self.width + 150, 450)
        grabbed = self.server.run(os.environ['XPROBE'], 'grab').strip()
        self.server.xdotool('mouseup', 1)
        self.assert_turning('released outside, away from the press point, it spins')
        # The drag held the pointer; released, other programs get the mouse again.
        self.assertEqual(grabbed, '1', 'a drag captures the pointer')
        self.assertEqual(self.server.run(os.environ['XPROBE'], 'grab').strip(), '0')

        self.stop_with_a_click()
        # The drag is over: moving without the button turns nothing.
        still = self.shot()
        for step in range(6):
            self.move(200 + 40 * step, 300)
        time.sleep(0.4)
        self.assertEqual(still, self.shot())


if __name__ == '__main__':
    unittest.main()
