"""The screens users have: several monitors with the primary anywhere among them, a
portrait screen, a second X screen, and colour depths other than 24 bits."""
import os
import time
import unittest

from viewer import CAPTION, TITLE, Viewer, open_viewer, outer
from xsession import XorgServer, XServer, pixel, start_window_manager


@unittest.skipUnless(os.geteuid() == 0, 'Xorg drives the dummy outputs as root only')
class Monitors(unittest.TestCase):
    # Monitors as (width, height, x, y, primary), and where Windows puts the window:
    # on the primary, measured from its corner, 80 % of its height.
    LAYOUTS = [
        ([(1920, 1200, 0, 0, False), (1280, 1024, 1920, 0, True)], (1970, 50, 819, 819)),
        ([(2560, 1440, 0, 0, False), (1366, 768, 2560, 672, True)], (2610, 722, 614, 614)),
        ([(1920, 1080, 0, 360, True), (2560, 1440, 1920, 0, False)], (50, 410, 864, 864)),
        ([(1366, 768, 0, 0, False), (2560, 1440, 1366, 0, True)], (1416, 50, 1152, 1152)),
    ]

    def check_layouts(self, window_manager=None):
        server = XorgServer()
        self.addCleanup(server.stop)
        if window_manager:
            start_window_manager(server, window_manager)
        for monitors, expected in self.LAYOUTS:
            with self.subTest(monitors=monitors):
                server.arrange(*monitors)
                _, viewer, _ = open_viewer(self, server=server)
                self.assertEqual(outer(server), expected)
                server.xdotool('key', 'Escape')
                self.assertEqual(viewer.wait_exit(), 0)
                server.wait_gone(TITLE)

    def test_the_window_lands_on_the_primary(self):
        self.check_layouts()

    def test_the_window_lands_on_the_primary_under_a_window_manager(self):
        self.check_layouts('openbox')


class Screens(unittest.TestCase):
    def test_portrait_screen_gets_a_square_that_fits_its_width(self):
        server, viewer, window = open_viewer(self, 1080, 1920)
        self.assertEqual(window[2:], (50, 50, 864, 864))
        server.xdotool('key', 'Escape')
        self.assertEqual(viewer.wait_exit(), 0)

    def test_opens_on_the_x_screen_that_display_names(self):
        server = XServer(1280, 1024, screens=[(1024, 768)], screen=1)
        self.addCleanup(server.stop)
        _, viewer, window = open_viewer(self, server=server)
        # Found through screen 1's root, sized from screen 1.
        self.assertEqual(window[2:], (50, 50, 614, 614))
        server.xdotool('key', 'Escape')
        self.assertEqual(viewer.wait_exit(), 0)
        self.assertEqual(viewer.process.stderr.read(), b'')


class BoxColours(unittest.TestCase):
    def box_colours(self, *server_args):
        """The instruction box's colours on a screen of that kind: the text area's
        background, its text, the button band and the button's border."""
        server = XServer(*server_args)
        self.addCleanup(server.stop)
        viewer = Viewer(server)
        self.addCleanup(viewer.kill)
        box = viewer.wait_window(CAPTION)
        time.sleep(0.3)
        _, _, _, _, width, height = box
        shot = server.window_shot(box)
        text_area = [pixel(shot, width, x, y) for y in range(5, 30) for x in range(width)]
        return {
            'background': pixel(shot, width, 2, 2),
            'text': min(text_area, key=sum),
            'band': pixel(shot, width, 2, height - 2),
            'border': pixel(shot, width, width - 100, height - 36),
        }

    def assert_near(self, colours, expected, tolerance):
        for name, colour in expected.items():
            for channel, want in zip(colours[name], colour):
                self.assertLessEqual(abs(channel - want), tolerance, (name, colours[name], colour))

    def test_boxes_show_the_same_colours_at_every_depth(self):
        expected = self.box_colours(1280, 1024, (), 24)
        self.assertEqual(expected['background'], (255, 255, 255))
        self.assertEqual(expected['text'], (0, 0, 0))
        self.assertEqual(expected['band'], (240, 240, 240))
        self.assertEqual(expected['border'], (0, 120, 215))
        self.assert_near(self.box_colours(1280, 1024, (), 30), expected, 1)
        # Five or six bits a channel: within one step of eight.
        self.assert_near(self.box_colours(1280, 1024, (), 16), expected, 8)
        # A colour map of 256 entries holds the box's few colours exactly.
        self.assert_near(self.box_colours(1280, 1024, (), 8), expected, 1)

    def test_text_stays_readable_on_eight_bit_true_colour(self):
        colours = self.box_colours(1280, 1024, ('-cc', '4'), 8)
        self.assertGreater(sum(colours['background']) - sum(colours['text']), 3 * 180)
        self.assertGreater(sum(colours['band']) - sum(colours['text']), 3 * 180)


if __name__ == '__main__':
    unittest.main()
