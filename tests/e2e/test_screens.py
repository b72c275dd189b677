"""The screens users have: several monitors with the primary anywhere among them, a
portrait screen, a second X screen, colour depths other than 24 bits, and desktops
scaled above 96 dpi."""
import os
import subprocess
import time
import unittest

from viewer import CAPTION, TEXT, TITLE, Viewer, open_viewer, outer
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


class BoxScale(unittest.TestCase):
    def show_box(self, dpi, depth=24):
        """The instruction box on a desktop of that scale, with the viewer and a shot."""
        # A session keeps its resources between clients; a bare server would reset.
        server = XServer(depth=depth, extra=('-noreset',))
        self.addCleanup(server.stop)
        subprocess.run(['xrdb', '-nocpp', '-merge'], input=f'Xft.dpi: {dpi}\n', env=server.env,
                       encoding='utf-8', timeout=60, check=True)
        viewer = Viewer(server)
        self.addCleanup(viewer.kill)
        box = viewer.wait_window(CAPTION)
        time.sleep(0.3)
        return server, viewer, box, server.window_shot(box)

    def ink(self, box, shot, rows, columns):
        """The width and height of the dark pixels in that part of the box, how many of
        them there are, and how many other colours lie between ink and paper."""
        width = box[4]
        area = [(x, y, pixel(shot, width, x, y)) for y in rows for x in columns]
        dark = [(x, y) for x, y, colour in area if sum(colour) < 3 * 128]
        xs, ys = {x for x, _ in dark}, {y for _, y in dark}
        greys = {colour for _, _, colour in area} - {(0, 0, 0), (255, 255, 255)}
        return max(xs) - min(xs) + 1, max(ys) - min(ys) + 1, len(dark), len(greys)

    def test_the_box_is_drawn_at_the_desktops_scale_with_smooth_text(self):
        measures = {}
        # Each scale with one way of dismissing the box: the window must follow each.
        for dpi, way in [(96, 'Return'), (144, 'space'), (192, 'Escape'), (192, 'click')]:
            with self.subTest(dpi=dpi, way=way):
                server, viewer, box, shot = self.show_box(dpi)
                _, _, x, y, width, height = box
                message = self.ink(box, shot, range(height // 2), range(width))
                self.assertGreaterEqual(message[3], 8, 'antialiased')
                measures[dpi] = (width, height, *message[:2])
                if way == 'click':
                    server.xdotool('mousemove', x + width - 56 * dpi // 96,
                                   y + height - 23 * dpi // 96, 'click', 1)
                else:
                    server.xdotool('windowfocus', box[0])
                    time.sleep(0.2)
                    server.xdotool('key', way)
                server.xdotool('windowfocus', viewer.wait_window(TITLE)[0])
                server.xdotool('key', 'Escape')
                self.assertEqual(viewer.wait_exit(), 0)
        # Box and message, wide and high: at 96 dpi the size of Windows' box.
        self.assertLess(abs(measures[96][0] - 367), 40, measures[96])
        self.assertLess(abs(measures[96][1] - 85), 10, measures[96])
        for dpi, tolerance in ((144, 0.15), (192, 0.2)):
            for measure, base in zip(measures[dpi], measures[96]):
                self.assertAlmostEqual(measure / base, dpi / 96, delta=tolerance,
                                       msg=(dpi, measures[dpi], measures[96]))

    def test_a_scaled_box_on_a_colour_map_stays_readable(self):
        server, viewer, box, shot = self.show_box(192, depth=8)
        _, _, _, _, width, height = box
        # The core font nearest the size, larger than the 13-pixel one of 96 dpi.
        message = self.ink(box, shot, range(height // 2), range(width))
        self.assertGreater(message[0], 400)
        self.assertGreater(message[1], 13)
        # The button's label is letters, not a block of ink.
        label = self.ink(box, shot, range(height - 60, height - 30), range(width - 140, width - 80))
        self.assertLess(label[2], 0.6 * label[0] * label[1])
        # Mesa offers OpenGL on true-colour visuals only: the error box follows, as large.
        server.press_return_on(box)
        self.assertGreater(viewer.wait_window('Error')[5], 2 * 90)

if __name__ == '__main__':
    unittest.main()
