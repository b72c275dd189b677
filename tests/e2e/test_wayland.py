"""The viewer on Wayland desktops, as a native Wayland program: sway headless at 200 %
and at 100 %, with and without XWayland, weston, which draws no frames, KDE's KWin,
which draws its own, and GNOME's gnome-shell, which draws none."""
import math
import os
import signal
import subprocess
import tempfile
import time
import unittest

from viewer import (APP_ID, BACKGROUND, CAPTION, FOG_BACKGROUND, TEXT, TITLE, ScreenReader,
                    Viewer, message_boxes)
from wayland import GnomeShell, KWin, Sway, drag_and_close_box
from xsession import XServer, cpu_seconds, pixel, wait_exit


def drawn_rows(shot, width):
    """The first and last rows of the picture that show more than the background."""
    empty = bytes(BACKGROUND) * width
    rows = [y for y in range(len(shot) // (3 * width))
            if shot[3 * width * y:3 * width * (y + 1)] != empty]
    return rows[0], rows[-1]


def roll_kept(before, after, width, degrees):
    """The share of sampled pixels where `after` shows the model just where `before`,
    turned clockwise by that many degrees about the picture's middle, shows it."""
    turn = math.radians(degrees)
    middle = width / 2
    empty = bytes(BACKGROUND)

    def model(shot, x, y):
        return 0 <= x < width and 0 <= y < width and \
            shot[3 * (y * width + x):3 * (y * width + x) + 3] != empty

    agree = either = 0
    for y in range(0, width, 4):
        for x in range(0, width, 4):
            dx, dy = x + 0.5 - middle, y + 0.5 - middle
            source = model(before, int(middle + dx * math.cos(turn) + dy * math.sin(turn)),
                           int(middle - dx * math.sin(turn) + dy * math.cos(turn)))
            either += source or model(after, x, y)
            agree += source and model(after, x, y)
    return agree / either


@unittest.skipUnless(os.geteuid() == 0, 'sway refuses root; only root starts it as another user')
class NativeWayland(unittest.TestCase):
    def desktop(self, width, height, scale, xwayland=False):
        self.sway = Sway(width, height, scale, xwayland)
        self.addCleanup(self.sway.stop)
        return self.sway

    def start(self, **env):
        """The viewer with its box up: the process, its recorder's log and the box."""
        viewer, log = self.sway.viewer(**env)
        self.addCleanup(lambda: viewer.poll() is None and viewer.kill())
        return viewer, log, self.sway.wait_window(CAPTION, viewer)

    def open(self, dismiss='Return', **env):
        """The viewer's window once it shows its first picture, after the box, which is
        dismissed by that key or by a click on OK."""
        viewer, log, box = self.start(**env)
        self.box_shot = self.sway.screenshot(box)
        if dismiss == 'click':
            rect = box['rect']
            self.sway.pointer(f'move {rect["x"] + rect["width"] - 56} '
                              f'{rect["y"] + rect["height"] - 23}', 'press', 'release')
        else:
            self.sway.key(dismiss)
        window = self.sway.wait_window(TITLE, viewer)
        self.corner_once_drawn(window, BACKGROUND)
        return viewer, log, box, window

    def corner_once_drawn(self, window, colour, timeout=10):
        """The window's corner once it shows that colour, or when the time is up."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            corner = pixel(self.shot(window), 1, 0, 0)
            if corner == colour:
                break
            time.sleep(0.1)
        return corner

    def shot(self, window):
        return self.sway.screenshot(window)[2]

    def assert_still(self, window, message):
        time.sleep(0.3)
        first = self.shot(window)
        time.sleep(0.4)
        self.assertTrue(first == self.shot(window), message)

    def assert_drag_rolls(self, window):
        """A drag from the window's top right corner to its bottom right one, at any
        scale, rolls the model about the line of sight by 90 x sqrt(2) degrees: both
        points lie on the ball's rim, 45 degrees either side of its middle. Points taken
        in the wrong units lie elsewhere, and the model turns by another angle or tilts."""
        rect = window['rect']
        right, top = rect['x'] + rect['width'] - 8, rect['y'] + 8
        width, _, before = self.sway.screenshot(window)
        self.sway.pointer(f'move {right} {top}', 'press', f'move {right} {top + rect["height"] - 16}')
        time.sleep(0.5)
        after = self.shot(window)
        # Back the same way and released where pressed: the reverse turn, then still,
        # with the pointer, which screenshots show, back in the middle.
        self.sway.pointer(f'move {right} {top}')
        time.sleep(0.5)
        self.sway.pointer('release', f'move {rect["x"] + rect["width"] // 2} '
                                     f'{rect["y"] + rect["height"] // 2}')
        self.assertGreater(roll_kept(before, after, width, 127.28), 0.97)

    def assert_stops_turns_and_idles(self, viewer, window):
        """Once its first picture shows, a click in the middle of the 640-pixel window
        stops the model, a drag rolls it, and then the program idles."""
        self.corner_once_drawn(window, BACKGROUND)
        rect = window['rect']
        self.sway.pointer(f'move {rect["x"] + 320} {rect["y"] + 320}', 'press', 'release')
        self.assert_still(window, 'a click in place stops the model')
        self.assert_drag_rolls(window)
        time.sleep(0.5)
        used = cpu_seconds(viewer.pid)
        time.sleep(2)
        self.assertLess(cpu_seconds(viewer.pid) - used, 0.1)

    def assert_drawn_pixel_for_pixel(self, shot, left, top, right, bottom):
        """A picture stretched to twice its size is all 2x2 blocks of one colour."""
        width, _, pixels = shot
        for offset in (0, 1):
            blocks = [len({pixel(pixels, width, x + dx, y + dy) for dx in (0, 1) for dy in (0, 1)})
                      for y in range(top + offset, bottom, 2)
                      for x in range(left + offset, right, 2)]
            self.assertLess(blocks.count(1) / len(blocks), 0.99, offset)

    def test_at_twice_the_scale_it_draws_the_screens_own_pixels(self):
        sway = self.desktop(2560, 1600, 2)
        viewer, log, box, window = self.open()
        self.assertEqual(message_boxes(log), [[TEXT, 'OK']])
        # The box at twice Windows' 96-dpi measures, its text in the screen's pixels.
        box_width, box_height, _ = self.box_shot
        self.assertEqual((box_width, box_height),
                         (2 * box['rect']['width'], 2 * box['rect']['height']))
        self.assertLess(abs(box_height - 2 * 85), 20)
        self.assert_drawn_pixel_for_pixel(self.box_shot, 20, 20, box_width - 20, 70)
        self.assertEqual(window['shell'], 'xdg_shell')
        self.assertEqual(window['type'], 'floating_con')
        # Known by the menu entry's id; the desktop may still blank and lock the screen.
        self.assertEqual((box['app_id'], window['app_id']), (APP_ID, APP_ID))
        self.assertFalse(window['inhibit_idle'])
        # 80 % of the screen's 1600 pixels: 640 of sway's units, each two pixels.
        self.assertEqual((window['window_rect']['width'], window['window_rect']['height']),
                         (640, 640))
        shot = sway.screenshot(window)
        width, height, pixels = shot
        self.assertEqual((width, height), (1280, 1280))
        self.assertEqual(pixel(pixels, width, 4, 4), BACKGROUND)
        self.assert_drawn_pixel_for_pixel(shot, 300, 300, 980, 980)

        # A click stops the model; a drag turns it, and a flick leaves it spinning.
        centre = (window['rect']['x'] + 320, window['rect']['y'] + 320)
        sway.pointer(f'move {centre[0]} {centre[1]}', 'press', 'release')
        self.assert_still(window, 'a click in place stops the model')
        self.assert_drag_rolls(window)
        before = self.shot(window)
        sway.pointer('press', *(f'move {centre[0] + 80 * i} {centre[1]}' for i in range(1, 5)))
        time.sleep(0.3)
        after = self.shot(window)
        self.assertTrue(before != after, 'a drag turns the model')
        # Across the middle it turns about the upright axis alone, which keeps the model's
        # height; points taken in units rather than pixels would lie off the middle.
        for edge, moved in zip(drawn_rows(before, width), drawn_rows(after, width)):
            self.assertLess(abs(edge - moved), 3, 'the drag tilts the model')
        # Past the window's corner the drag goes on, as the compositor keeps the pointer's
        # events coming to the window until the button is up; held inside the window,
        # the pointer would stay in its corner.
        sway.pointer(f'move {centre[0] + 460} {centre[1] + 360}')
        time.sleep(0.3)
        outside = self.shot(window)
        sway.pointer(f'move {centre[0] + 420} {centre[1] + 390}')
        time.sleep(0.3)
        self.assertTrue(outside != self.shot(window), 'the drag goes on outside the window')
        # Released back inside while moving, it keeps spinning.
        sway.pointer(f'move {centre[0] + 200} {centre[1] + 20}', 'release')
        first = self.shot(window)
        time.sleep(0.4)
        self.assertTrue(first != self.shot(window), 'a flick leaves it spinning')
        sway.pointer(f'move {centre[0]} {centre[1]}', 'press', 'release')
        self.assert_still(window, 'and a click stops it again')

        sway.run('wtype', 'f')
        self.assertEqual(self.corner_once_drawn(window, FOG_BACKGROUND), FOG_BACKGROUND)
        sway.key('Escape')
        self.assertEqual(wait_exit(viewer), 0)
        self.assertEqual(viewer.stderr.read(), b'')

    def test_where_the_desktop_draws_no_frames_the_box_has_its_own_title_bar(self):
        # Weston, nested in sway, draws no frames, as GNOME does not.
        sway = self.desktop(1280, 800, 1)
        viewer, _ = sway.viewer(WAYLAND_DISPLAY=sway.nested_weston())
        self.addCleanup(lambda: viewer.poll() is None and viewer.kill())

        # Cairo's near-black bar, the one frame Debian 12 has.
        drag_and_close_box(self, sway, viewer, lambda colour: sum(colour) < 100)
        # The viewer's window follows.
        time.sleep(2)
        self.assertIsNone(viewer.poll())
        sway.key('Escape')
        self.assertEqual(wait_exit(viewer), 0)

    def test_at_the_screens_own_scale_beside_xwayland(self):
        sway = self.desktop(1920, 1080, 1, xwayland=True)
        # Asked to end while its box is up, the program ends at once.
        viewer, _, _ = self.start()
        sent = time.monotonic()
        viewer.send_signal(signal.SIGTERM)
        self.assertEqual(wait_exit(viewer, 5), 0)
        self.assertLess(time.monotonic() - sent, 1.0)

        # Native unless X11 is asked for; 80 % of the screen; idle once still.
        for driver, shell, dismiss in ((None, 'xdg_shell', 'click'), (None, 'xdg_shell', 'Escape'),
                                       ('x11', 'xwayland', 'Return')):
            with self.subTest(driver=driver, dismiss=dismiss):
                env = {'SDL_VIDEODRIVER': driver} if driver else {}
                viewer, _, box, window = self.open(dismiss, **env)
                self.assertEqual((box['shell'], window['shell']), (shell, shell))
                rect = window['rect']
                self.assertEqual((rect['width'], rect['height']), (864, 864))
                if driver is None:
                    sway.pointer(f'move {rect["x"] + 432} {rect["y"] + 432}', 'press', 'release')
                    self.assert_drag_rolls(window)
                    time.sleep(0.5)
                    used = cpu_seconds(viewer.pid)
                    time.sleep(2)
                    self.assertLess(cpu_seconds(viewer.pid) - used, 0.1)
                sway.key('Escape')
                self.assertEqual(wait_exit(viewer), 0)

    def test_kwin_frames_the_box_and_the_window_with_breeze(self):
        kwin = self.sway = KWin(1280, 800, self.addCleanup)
        self.addCleanup(kwin.stop)
        reader = ScreenReader(self, kwin.start)
        viewer, _, box = self.start(**reader.env)
        dialog = reader.tree(['dialog'])['children'][0]
        self.assertEqual((dialog['name'], dialog['children'][1]['name']), (CAPTION, 'OK'))
        # KWin's bar, above the box, holds the caption, dark on Breeze's light grey,
        # left of the bar's buttons.
        frame, rect = box['frame'], box['rect']
        width, _, bar = kwin.screenshot({'rect': dict(x=frame['x'] + 10, y=frame['y'],
                                                      width=frame['width'] - 80,
                                                      height=rect['y'] - frame['y'])})
        self.assertGreater(sum(sum(pixel(bar, width, x, y)) < 300 for x in range(width)
                               for y in range(len(bar) // (3 * width))), 20, 'caption')
        reader.click()
        window = kwin.wait_window(TITLE, viewer)
        self.assertEqual((box['app_id'], window['app_id']), (APP_ID, APP_ID))
        # 80 % of the screen's 800 pixels.
        self.assertEqual((window['rect']['width'], window['rect']['height']), (640, 640))
        self.assert_stops_turns_and_idles(viewer, window)
        kwin.key('Escape')
        self.assertEqual((wait_exit(viewer), viewer.stderr.read()), (0, b''))

        # Esc ends the box as OK does; the bar's close button ends the program.
        viewer, _, _ = self.start()
        kwin.key('Escape')
        window = kwin.wait_window(TITLE, viewer)
        frame = window['frame']
        kwin.pointer(f'move {frame["x"] + frame["width"] - 19} '
                     f'{(frame["y"] + window["rect"]["y"]) // 2}', 'press', 'release')
        self.assertEqual(wait_exit(viewer), 0)

    def test_gnome_shell_knows_it_by_its_menu_entry_and_lets_the_screen_rest(self):
        gnome = self.sway = GnomeShell(1280, 800, self.addCleanup)
        self.addCleanup(gnome.stop)
        viewer, _, box = self.start()
        self.assertEqual(box['app'], f'{APP_ID}.desktop')
        # GNOME draws no frames: libdecor's cairo bar, as on weston.
        drag_and_close_box(self, gnome, viewer, lambda colour: sum(colour) < 100)
        window = gnome.settled(TITLE, viewer)
        self.assertEqual((window['app'], window['app_id']), (f'{APP_ID}.desktop', APP_ID))
        self.assertEqual((window['rect']['width'], window['rect']['height']), (640, 640))
        self.assert_stops_turns_and_idles(viewer, window)
        # And it never asked to keep the screen awake.
        self.assertEqual(gnome.inhibitors(), [])
        gnome.key('Escape')
        self.assertEqual((wait_exit(viewer), viewer.stderr.read()), (0, b''))

    def test_screen_readers_find_the_box_and_the_window(self):
        sway = self.desktop(1920, 1080, 1)
        reader = ScreenReader(self, sway.start)
        viewer, _, _ = self.start(**reader.env)
        dialog = reader.tree(['dialog'])['children'][0]
        self.assertEqual([(c['role'], c['name']) for c in [dialog, *dialog['children']]],
                         [('dialog', CAPTION), ('label', TEXT), ('push button', 'OK')])
        self.assertIn('focused', dialog['children'][1]['states'])
        reader.click()
        window = sway.wait_window(TITLE, viewer)
        self.corner_once_drawn(window, BACKGROUND)
        # Read while the stopped model leaves the program waiting.
        sway.pointer(f'move {window["rect"]["x"] + 400} {window["rect"]["y"] + 400}', 'press',
                     'release')
        frame = reader.tree(['frame'])['children'][0]
        self.assertEqual((frame['name'], 'active' in frame['states']), (TITLE, True))
        used = cpu_seconds(viewer.pid)
        time.sleep(2)
        self.assertLess(cpu_seconds(viewer.pid) - used, 0.1)
        sway.key('Escape')
        self.assertEqual((wait_exit(viewer), viewer.stderr.read()), (0, b''))


class Seatless(unittest.TestCase):
    def test_without_an_input_seat_it_takes_x11_or_says_why(self):
        runtime = tempfile.mkdtemp(prefix='viewer-weston-')
        weston = subprocess.Popen(['weston', '--backend=headless-backend.so', '--use-pixman',
                                   '--socket=wayland-seatless'],
                                  env=dict(os.environ, XDG_RUNTIME_DIR=runtime),
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: weston.kill() or weston.wait())
        while not os.path.exists(os.path.join(runtime, 'wayland-seatless')):
            time.sleep(0.1)
        seatless = dict(XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY='wayland-seatless')
        result = subprocess.run([os.environ['VIEWER']], capture_output=True, encoding='utf-8',
                                env=dict({k: v for k, v in os.environ.items() if k != 'DISPLAY'},
                                         **seatless), timeout=30)
        self.assertEqual((result.returncode, result.stderr),
                         (1, 'trackball-viewer: cannot open the Wayland display "wayland-seatless" '
                             '(it offers no input seat) nor the X display (DISPLAY is not set)\n'))
        server = XServer()
        self.addCleanup(server.stop)
        viewer = Viewer(server, **seatless)
        self.addCleanup(viewer.kill)
        server.press_return_on(viewer.wait_window(CAPTION))
        viewer.wait_window(TITLE)


if __name__ == '__main__':
    unittest.main()
